// The vCard reader: the three versions as exporters write them, folding, quoted-printable,
// escapes, character sets, phone and address kinds, several cards, line ends, and files
// that are broken, cut short or hostile.
#include "wab/ansi_text.h"
#include "wab/automation_date.h"
#include "wab/vcard_reader.h"

#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>

namespace tarvenne::wab {
namespace {

using namespace std::string_literals;

VCardReadResult Parse(const std::string& text) {
    VCardReadResult result;
    ParseVCards(reinterpret_cast<const std::uint8_t*>(text.data()), text.size(), &result);
    return result;
}

// The text delivered under tag, or "<none>".
std::string Value(const VCardEntry& e, std::uint32_t tag) {
    for (const PropertyValue& v : e.values)
        if (v.tag == tag) return v.text;
    return "<none>";
}

std::uint64_t TimeValue(const VCardEntry& e, std::uint32_t tag) {
    for (const PropertyValue& v : e.values)
        if (v.tag == tag) return v.time;
    return 0;
}

std::string Id(const VCardEntry& e) { return std::string(e.entry_id.begin(), e.entry_id.end()); }

std::uint64_t Day(int y, int m, int d) {
    std::uint64_t t = 0;
    EXPECT_TRUE(DateToTimeStamp(y, m, d, &t));
    return t;
}

// Every tag at most once per card: the first value wins, second slots are their own tags.
void ExpectNoTagTwice(const VCardReadResult& r) {
    for (const VCardEntry& e : r.entries) {
        std::set<std::uint32_t> seen;
        for (const PropertyValue& v : e.values) EXPECT_TRUE(seen.insert(v.tag).second) << std::hex << v.tag;
    }
}

TEST(VCardReader, Version21AsAddressBooksExportIt) {
    const std::string card =
        "BEGIN:VCARD\r\n"
        "VERSION:2.1\r\n"
        "N:Lovelace;Ada;Augusta;Lady;Countess\r\n"
        "FN:Ada Lovelace\r\n"
        "NICKNAME:Ada\r\n"
        "ORG:Analytical Engines Ltd;Research\r\n"
        "TITLE:Analyst\r\n"
        "TEL;WORK;VOICE:+44 20 1111\r\n"
        "TEL;HOME;VOICE:+44 20 2222\r\n"
        "TEL;CELL;VOICE:+44 77 3333\r\n"
        "TEL;WORK;FAX:+44 20 4444\r\n"
        "TEL;HOME;FAX:+44 20 5555\r\n"
        "TEL;PAGER:+44 20 6666\r\n"
        "ADR;WORK;ENCODING=QUOTED-PRINTABLE:;Suite 4;1 Engine Street=0D=0ABack Yard;London;;SW1 1AA;Eng=\r\n"
        "land\r\n"
        "LABEL;WORK;ENCODING=QUOTED-PRINTABLE:1 Engine Street=0D=0ALondon\r\n"
        "ADR;HOME:;;12 St James's Square;London;Middlesex;SW1;United Kingdom\r\n"
        "URL;HOME:http://ada.example.org/\r\n"
        "URL;WORK:http://engines.example.com/\r\n"
        "EMAIL;INTERNET:first@example.org\r\n"
        "EMAIL;PREF;INTERNET:ada@example.org\r\n"
        "EMAIL;PREF;INTERNET:later@example.org\r\n"
        "NOTE;CHARSET=Windows-1252;ENCODING=QUOTED-PRINTABLE:Caf=E9 notes, =\r\n"
        "line two=0D=0Aline three; a\\,b http\\://x\r\n"
        "BDAY:18151210\r\n"
        "REV:20240101T000000Z\r\n"
        "END:VCARD\r\n";
    const VCardReadResult r = Parse(card);
    ASSERT_TRUE(r.ok) << r.error;
    ASSERT_EQ(r.entries.size(), 1u);
    const VCardEntry& e = r.entries[0];
    EXPECT_EQ(e.object_type, kObjectTypeMailUser);
    EXPECT_EQ(Value(e, tag::kLastName), "Lovelace");
    EXPECT_EQ(Value(e, tag::kFirstName), "Ada");
    EXPECT_EQ(Value(e, tag::kMiddleName), "Augusta");
    EXPECT_EQ(Value(e, tag::kGeneration), "Countess");
    EXPECT_EQ(Value(e, tag::kDisplayName), "Ada Lovelace");
    EXPECT_EQ(Value(e, tag::kNickName), "Ada");
    EXPECT_EQ(Value(e, tag::kCompany), "Analytical Engines Ltd");
    EXPECT_EQ(Value(e, tag::kDepartment), "Research");
    EXPECT_EQ(Value(e, tag::kTitle), "Analyst");
    EXPECT_EQ(Value(e, tag::kBusinessPhone), "+44 20 1111");
    EXPECT_EQ(Value(e, tag::kHomePhone), "+44 20 2222");
    EXPECT_EQ(Value(e, tag::kMobilePhone), "+44 77 3333");
    EXPECT_EQ(Value(e, tag::kBusinessFax), "+44 20 4444");
    EXPECT_EQ(Value(e, tag::kHomeFax), "+44 20 5555");
    EXPECT_EQ(Value(e, tag::kPager), "+44 20 6666");
    EXPECT_EQ(Value(e, tag::kPrimaryFax), "<none>");
    EXPECT_EQ(Value(e, tag::kBusinessStreet), "Suite 4\r\n1 Engine Street\r\nBack Yard");
    EXPECT_EQ(Value(e, tag::kBusinessCity), "London");
    EXPECT_EQ(Value(e, tag::kBusinessState), "<none>");
    EXPECT_EQ(Value(e, tag::kBusinessPostal), "SW1 1AA");
    EXPECT_EQ(Value(e, tag::kBusinessCountry), "England");
    EXPECT_EQ(Value(e, tag::kHomeStreet), "12 St James's Square");
    EXPECT_EQ(Value(e, tag::kHomeState), "Middlesex");
    EXPECT_EQ(Value(e, tag::kHomeCountry), "United Kingdom");
    EXPECT_EQ(Value(e, tag::kPersonalHomepage), "http://ada.example.org/");
    EXPECT_EQ(Value(e, tag::kBusinessHomepage), "http://engines.example.com/");
    EXPECT_EQ(Value(e, tag::kEmailAddress), "ada@example.org");  // the first preferred
    // A backslash stands for the character after it, in 2.1 as in later versions.
    EXPECT_EQ(Value(e, tag::kComment),
              AnsiFromUtf8("Caf\xC3\xA9 notes, line two\r\nline three; a,b http://x"));
    EXPECT_EQ(TimeValue(e, tag::kBirthday), Day(1815, 12, 10));
    ExpectNoTagTwice(r);
    EXPECT_EQ(Id(e), "vcf#1");
}

TEST(VCardReader, Version30WithFoldingEscapesAndTypeLists) {
    const std::string card =
        "BEGIN:VCARD\n"
        "VERSION:3.0\n"
        "UID:urn:uuid:1234-5678\n"
        "N:O\\'Neil\\, Jr.;Shane\\;Paul;;;\n"
        "FN:Shane O'Neil\n"
        "ORG:Long Company Name Exceeding The Old Thirty-Two Byte Slot Inc.\n"
        "item1.EMAIL;type=INTERNET:grouped@example.org\n"
        "item1.X-ABLabel:_$!<Other>!$_\n"
        "TEL;TYPE=WORK,VOICE:100\n"
        "TEL;type=work;type=voice:101\n"
        "TEL;TYPE=WORK:102\n"
        "TEL;TYPE=HOME:200\n"
        "TEL;TYPE=HOME:201\n"
        "TEL;TYPE=pref:300\n"
        "TEL;TYPE=VOICE:400\n"
        "TEL;TYPE=FAX:500\n"
        "TEL;TYPE=CAR:600\n"
        "TEL;TYPE=ISDN:700\n"
        "TEL;TYPE=CELL,WORK:800\n"
        "URL:http\\://example.com/a\\,b\n"
        "NOTE:First line\\nsecond line\\Nthird\\\\fourth and a very long line that is fo\n"
        " lded here and\n"
        "\tthere with a tab\n"
        "PHOTO;ENCODING=b;TYPE=JPEG:/9j/4AAQSkZJRgABAQEASABIAAD/4QBYRXhpZgAATU0AKgAAAAgAAgESAAMAAAABAAEAAIdpAAQ\n"
        " AAAABAAAAJgAAAAAAA6ABAAMAAAABAAEAAKACAAQAAAABAAAAGqADAAQAAAABAAAAGgAAAAD\n"
        "BDAY:1970-02-03\n"
        "ROLE:Engineer\n"
        "END:VCARD\n";
    const VCardReadResult r = Parse(card);
    ASSERT_TRUE(r.ok) << r.error;
    ASSERT_EQ(r.entries.size(), 1u);
    const VCardEntry& e = r.entries[0];
    EXPECT_EQ(Value(e, tag::kLastName), "O'Neil, Jr.");
    EXPECT_EQ(Value(e, tag::kFirstName), "Shane;Paul");
    EXPECT_EQ(Value(e, tag::kCompany), "Long Company Name Exceeding The Old Thirty-Two Byte Slot Inc.");
    EXPECT_EQ(Value(e, tag::kEmailAddress), "grouped@example.org");
    EXPECT_EQ(Value(e, tag::kBusinessPhone), "100");
    EXPECT_EQ(Value(e, tag::kBusinessPhone2), "101");  // the third work number has no slot
    EXPECT_EQ(Value(e, tag::kHomePhone), "200");
    EXPECT_EQ(Value(e, tag::kHomePhone2), "201");
    EXPECT_EQ(Value(e, tag::kPrimaryPhone), "300");
    EXPECT_EQ(Value(e, tag::kOtherPhone), "400");
    EXPECT_EQ(Value(e, tag::kPrimaryFax), "500");
    EXPECT_EQ(Value(e, tag::kCarPhone), "600");
    EXPECT_EQ(Value(e, tag::kIsdn), "700");
    EXPECT_EQ(Value(e, tag::kMobilePhone), "800");  // cell before work
    EXPECT_EQ(Value(e, tag::kBusinessHomepage), "http://example.com/a,b");
    EXPECT_EQ(Value(e, tag::kComment),
              "First line\r\nsecond line\r\nthird\\fourth and a very long line that is folded "
              "here andthere with a tab");
    EXPECT_EQ(Value(e, tag::kProfession), "Engineer");
    EXPECT_EQ(TimeValue(e, tag::kBirthday), Day(1970, 2, 3));
    EXPECT_EQ(Id(e), "vcf:urn:uuid:1234-5678");
    ExpectNoTagTwice(r);
}

TEST(VCardReader, Version40WithQuotedParametersUrisAndGroups) {
    const std::string text =
        "BEGIN:VCARD\r\n"
        "VERSION:4.0\r\n"
        "FN:Grace Hopper\r\n"
        "N:Hopper;Grace;Brewster Murray;;\r\n"
        "TEL;VALUE=uri;TYPE=\"work,voice\";PREF=1:tel:+1-555-555-0100\r\n"
        "TEL;VALUE=uri;TYPE=\"home,voice\":TEL:+1-555-555-0101\r\n"
        "EMAIL;TYPE=work:grace@navy.example\r\n"
        "EMAIL;PREF=1:amazing@example.org\r\n"
        "ADR;TYPE=\"home\";LABEL=\"1 Main St.\\nArlington: VA\":;;1 Main St.;Arlington;VA;22201;USA\r\n"
        "BDAY:--1209\r\n"
        "ANNIVERSARY:19301215T120000Z\r\n"
        "END:VCARD\r\n"
        "BEGIN:VCARD\r\n"
        "VERSION:4.0\r\n"
        "KIND:group\r\n"
        "FN:Programmers\r\n"
        "MEMBER:urn:uuid:03a0e51f-d1aa-4385-8a53-e29025acd8af\r\n"
        "END:VCARD\r\n"
        "BEGIN:VCARD\r\n"
        "VERSION:4.0\r\n"
        "FN:Second\r\n"
        "BDAY:19061209T101500\r\n"
        "END:VCARD\r\n";
    const VCardReadResult r = Parse(text);
    ASSERT_TRUE(r.ok) << r.error;
    ASSERT_EQ(r.entries.size(), 3u);
    const VCardEntry& e = r.entries[0];
    EXPECT_EQ(Value(e, tag::kBusinessPhone), "+1-555-555-0100");
    EXPECT_EQ(Value(e, tag::kHomePhone), "+1-555-555-0101");
    EXPECT_EQ(Value(e, tag::kEmailAddress), "amazing@example.org");
    EXPECT_EQ(Value(e, tag::kHomeStreet), "1 Main St.");
    EXPECT_EQ(Value(e, tag::kHomeCity), "Arlington");
    EXPECT_EQ(Value(e, tag::kHomePostal), "22201");
    EXPECT_EQ(TimeValue(e, tag::kBirthday), 0u);  // no year, no birthday
    EXPECT_EQ(Value(e, tag::kBirthday), "<none>");
    EXPECT_EQ(TimeValue(e, tag::kWeddingAnniversary), Day(1930, 12, 15));
    EXPECT_EQ(r.entries[1].object_type, kObjectTypeDistList);
    EXPECT_EQ(Id(r.entries[1]), "vcf#2");
    EXPECT_EQ(r.entries[2].object_type, kObjectTypeMailUser);
    EXPECT_EQ(TimeValue(r.entries[2], tag::kBirthday), Day(1906, 12, 9));  // 00:00 of the day
    EXPECT_EQ(Id(r.entries[2]), "vcf#3");
}

TEST(VCardReader, LineEndsDoNotChangeWhatIsRead) {
    const std::string lf =
        "BEGIN:VCARD\nVERSION:2.1\nN:Smith;John\nNOTE;ENCODING=QUOTED-PRINTABLE:a=0D=0Ab=\nc\n"
        "TEL;WORK:1\nTEL;WORK:2\nEMAIL:j@example.org\nNOTE:ignored second\n"
        "PHOTO;ENCODING=BASE64;TYPE=GIF:\n"
        "R0lGODdhAQABAIAAAP///////ywAAAAAAQABAAACAkQBADs=\n"
        "R0lGODdhAQABAIAAAP///////ywAAAAAAQABAAACAkQBADs=\n\n"
        "TITLE:After the picture\nEND:VCARD\n";
    auto with = [&](const std::string& eol) {
        std::string out;
        for (char c : lf) out += c == '\n' ? eol : std::string(1, c);
        return out;
    };
    const VCardReadResult base = Parse(lf);
    ASSERT_TRUE(base.ok);
    ASSERT_EQ(base.entries.size(), 1u);
    const VCardEntry& e = base.entries[0];
    EXPECT_EQ(Value(e, tag::kComment), "a\r\nbc");
    EXPECT_EQ(Value(e, tag::kBusinessPhone2), "2");
    EXPECT_EQ(Value(e, tag::kTitle), "After the picture");
    for (const std::string eol : {"\r\n", "\r", "\r\r\n"}) {
        const VCardReadResult other = Parse(with(eol));
        ASSERT_TRUE(other.ok);
        ASSERT_EQ(other.entries.size(), 1u);
        ASSERT_EQ(other.entries[0].values.size(), e.values.size());
        for (std::size_t i = 0; i < e.values.size(); ++i) {
            EXPECT_EQ(other.entries[0].values[i].tag, e.values[i].tag);
            EXPECT_EQ(other.entries[0].values[i].text, e.values[i].text);
        }
    }
}

TEST(VCardReader, CharactersBecomeAnsiWithQuestionMarksForTheRest) {
    // UTF-8 (the 3.0 default), Latin-1 by CHARSET, and bytes that are not UTF-8 at all.
    const std::string text =
        "BEGIN:VCARD\r\nVERSION:3.0\r\n"
        "FN:Ren\xC3\xA9 \xE2\x82\xAC \xE2\x9C\x93\r\n"
        "NOTE;CHARSET=ISO-8859-1:Se\xF1or\r\n"
        "TITLE:Gro\xDF\r\n"
        "ORG:\x00Nul\x00led\r\n"
        "END:VCARD\r\n"s;
    const VCardReadResult r = Parse(text);
    ASSERT_TRUE(r.ok);
    const VCardEntry& e = r.entries[0];
    if (AnsiCodePage() == 1252) {
        EXPECT_EQ(Value(e, tag::kDisplayName), "Ren\xE9 \x80 ?");
        EXPECT_EQ(Value(e, tag::kComment), "Se\xF1or");
        EXPECT_EQ(Value(e, tag::kTitle), "Gro\xDF");  // already 8-bit: kept as it is
    }
    EXPECT_EQ(Value(e, tag::kCompany), "Nulled");
    // The portable converter, whatever the system's code page.
    EXPECT_EQ(Windows1252FromUtf8("\xF0\x9F\x98\x80"), "?");  // one character, one mark
    EXPECT_EQ(Windows1252FromUtf8("\xC5\x93\xE2\x84\xA2\xC2\x81\xC2\x80\xE4\xB8\xAD"), "\x9C\x99\x81??");
    EXPECT_EQ(Windows1252FromUtf8("\xC3"), "?");
    EXPECT_EQ(Windows1252FromUtf8("\xED\xA0\x80"), "???");  // a surrogate is no character
    EXPECT_EQ(Utf8FromWindows1252("\x80\x9F\xFF"), "\xE2\x82\xAC\xC5\xB8\xC3\xBF");
    std::string all;
    for (int b = 0; b < 256; ++b) all.push_back(static_cast<char>(b));
    EXPECT_EQ(Windows1252FromUtf8(Utf8FromWindows1252(all)), all);
}

TEST(VCardReader, Utf16FilesAndByteOrderMarks) {
    const std::string card = "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Zo\xC3\xAB\r\nEND:VCARD\r\n";
    std::string le = "\xFF\xFE", be = "\xFE\xFF";
    // The card as UTF-16: every character of it is below U+0100.
    const std::string latin = "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Zo\xEB\r\nEND:VCARD\r\n";
    for (char c : latin) {
        le += c;
        le += '\0';
        be += '\0';
        be += c;
    }
    for (const std::string& input : {std::string("\xEF\xBB\xBF") + card, le, be, le.substr(2)}) {
        const VCardReadResult r = Parse(input);
        ASSERT_TRUE(r.ok) << r.error;
        ASSERT_EQ(r.entries.size(), 1u);
        EXPECT_EQ(Value(r.entries[0], tag::kDisplayName), AnsiFromUtf8("Zo\xC3\xAB"));
    }
}

TEST(VCardReader, NestedCardsCutOffCardsAndStrayLines) {
    const std::string text =
        "\r\n  \r\n"
        "BEGIN:VCARD\r\nVERSION:2.1\r\nN:Boss;The\r\n"
        "AGENT:\r\nBEGIN:VCARD\r\nVERSION:2.1\r\nN:Assistant;An\r\nTEL;WORK:999\r\nEND:VCARD\r\n"
        "TEL;WORK:111\r\n"
        "this line has no colon and is passed over\r\n"
        "X-UNCLOSED;TYPE=\"work:foo\r\n"
        "END:VCARD\r\n"
        "text between cards\r\n"
        "BEGIN:VCARD\r\nVERSION:3.0\r\nN:Cut;Off\r\nEMAIL:cut@example.org\r\nNOTE;ENCODING=QUOTED-PRINTABLE:x=";
    const VCardReadResult r = Parse(text);
    ASSERT_TRUE(r.ok) << r.error;
    ASSERT_EQ(r.entries.size(), 2u);
    EXPECT_EQ(Value(r.entries[0], tag::kLastName), "Boss");
    EXPECT_EQ(Value(r.entries[0], tag::kBusinessPhone), "111");  // the agent's number is not his
    EXPECT_EQ(Value(r.entries[1], tag::kLastName), "Cut");
    EXPECT_EQ(Value(r.entries[1], tag::kEmailAddress), "cut@example.org");
    EXPECT_EQ(Value(r.entries[1], tag::kComment), "x=");
}

TEST(VCardReader, BirthdayForms) {
    struct Case {
        const char* value;
        std::uint64_t expected;
    } cases[] = {
        {"19700203", Day(1970, 2, 3)},
        {"1970-02-03", Day(1970, 2, 3)},
        {"1970-02-03T23:59:59Z", Day(1970, 2, 3)},
        {"19700203T235959", Day(1970, 2, 3)},
        {"1600-12-31", 0},
        {"1601-01-02", Day(1601, 1, 2)},
        {"--0203", 0},
        {"--02-03", 0},
        {"1970-02-30", 0},
        {"2000-02-29", Day(2000, 2, 29)},
        {"1900-02-29", 0},
        {"1970", 0},
        {"1970-02", 0},
        {"circa 1800", 0},
        {"1970-2-3", 0},
        {"19700203X", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value);
        const VCardReadResult r =
            Parse(std::string("BEGIN:VCARD\nVERSION:3.0\nBDAY:") + c.value + "\nEND:VCARD\n");
        ASSERT_TRUE(r.ok);
        ASSERT_EQ(r.entries.size(), 1u);
        EXPECT_EQ(TimeValue(r.entries[0], tag::kBirthday), c.expected);
    }
}

TEST(VCardReader, FilesThatAreNotVCardsAreRefused) {
    for (const std::string& text :
         {std::string(), std::string("\r\n\r\n"), std::string("hello world\r\n"),
          std::string("VERSION:3.0\r\nBEGIN:VCARD\r\nEND:VCARD\r\n"),
          std::string("\x9c\xcb\xcb\x8d\x13\x75\xd2\x11\x91\x58\x00\xc0\x4f\x79\x56\xa4", 16),
          std::string("BEGIN:VCALENDAR\r\nEND:VCALENDAR\r\n")}) {
        const VCardReadResult r = Parse(text);
        EXPECT_FALSE(r.ok);
        EXPECT_TRUE(r.entries.empty());
        EXPECT_NE(r.error.find("not a vCard"), std::string::npos) << r.error;
    }
    VCardReadResult r;
    EXPECT_FALSE(ParseVCards(nullptr, 10, &r));
    EXPECT_FALSE(ParseVCards(nullptr, 0, nullptr));
    // Group prefixes and letter case do not matter for the card's boundaries.
    r = Parse("begin:vcard\r\nfn:lower\r\nend:VCard\r\n");
    ASSERT_TRUE(r.ok);
    ASSERT_EQ(r.entries.size(), 1u);
    EXPECT_EQ(Value(r.entries[0], tag::kDisplayName), "lower");
}

TEST(VCardReader, LimitsAgainstHostileFiles) {
    // A line longer than any slot could use is passed over, and the card goes on.
    std::string text = "BEGIN:VCARD\r\nNOTE:" + std::string(kMaxVCardLineBytes + 5, 'x') + "\r\n" +
                       "FN:after\r\nEND:VCARD\r\n";
    VCardReadResult r = Parse(text);
    ASSERT_TRUE(r.ok);
    ASSERT_EQ(r.entries.size(), 1u);
    EXPECT_EQ(Value(r.entries[0], tag::kComment), "<none>");
    EXPECT_EQ(Value(r.entries[0], tag::kDisplayName), "after");
    // The same length reached by folding.
    text = "BEGIN:VCARD\r\nNOTE:";
    for (int i = 0; i < 2000; ++i) text += std::string(1000, 'y') + "\r\n ";
    text += "z\r\nFN:folded\r\nEND:VCARD\r\n";
    r = Parse(text);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(Value(r.entries[0], tag::kComment), "<none>");
    EXPECT_EQ(Value(r.entries[0], tag::kDisplayName), "folded");

    // Too many cards refuse the file instead of dropping contacts.
    std::string many;
    for (std::size_t i = 0; i <= kMaxVCardCards; ++i) many += "BEGIN:VCARD\nEND:VCARD\n";
    r = Parse(many);
    EXPECT_FALSE(r.ok);
    EXPECT_TRUE(r.entries.empty());
    EXPECT_NE(r.error.find("more than"), std::string::npos);

    // A file over the size limit is refused before it is read.
    std::vector<std::uint8_t> huge(kMaxVCardFileBytes + 1, 'A');
    std::memcpy(huge.data(), "BEGIN:VCARD\n", 12);
    EXPECT_FALSE(ParseVCards(huge.data(), huge.size(), &r));
    EXPECT_NE(r.error.find("larger"), std::string::npos);
}

TEST(VCardReader, EveryTruncationOfACardParsesSafely) {
    const std::string text =
        "BEGIN:VCARD\r\nVERSION:2.1\r\nN;CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE:M=C3=BCller;J=\r\n"
        "=C3=B6rg\r\nTEL;WORK;FAX:1\r\nADR;HOME:;;Street;City;;123;DE\r\nBDAY:1960-01-01\r\n"
        "EMAIL;PREF;INTERNET:j@example.de\r\nEND:VCARD\r\n"
        "BEGIN:VCARD\r\nVERSION:4.0\r\nFN:\"quoted\"\r\nTEL;TYPE=\"cell\":tel:5\r\nEND:VCARD\r\n";
    const VCardReadResult whole = Parse(text);
    ASSERT_TRUE(whole.ok);
    ASSERT_EQ(whole.entries.size(), 2u);
    EXPECT_EQ(Value(whole.entries[0], tag::kLastName), AnsiFromUtf8("M\xC3\xBCller"));
    EXPECT_EQ(Value(whole.entries[0], tag::kFirstName), AnsiFromUtf8("J\xC3\xB6rg"));
    for (std::size_t n = 0; n < text.size(); ++n) {
        const std::string cut = text.substr(0, n);
        const VCardReadResult r = Parse(cut);
        if (n < 11) {
            EXPECT_FALSE(r.ok) << n;  // not even "BEGIN:VCARD" yet
            continue;
        }
        EXPECT_TRUE(r.ok) << n;
        EXPECT_LE(r.entries.size(), 2u);
        EXPECT_GE(r.entries.size(), 1u);
        ExpectNoTagTwice(r);
    }
}

}  // namespace
}  // namespace tarvenne::wab
