// The vCard reader, rule by rule, on cards shaped as Outlook, Apple Contacts, Google,
// Android phones and Thunderbird export them (tests/data/vcard/), and on files that are
// broken, cut short, joined or hostile.
#include "engine/bounded_text.h"
#include "platform/file_system.h"
#include "tests/test_folder.h"
#include "vcard/vcard_reader.h"
#include "wab/ansi_text.h"
#include "wab/automation_date.h"
#include "wab/property_mapping.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace tarvenne::vcard {
namespace {

using namespace wab;

// A card as delivered: its texts, its times as the day they stand for, and its entry id
// and object type under their column tags; under tags of no property, its extras in order
// and the characters of each value the code page lacks. (A card's name in lists is the
// mapping's, tested there.)
using Card = std::map<std::uint32_t, std::string>;
constexpr std::uint32_t kExtras = 1, kUnmapped = 2;
struct Book { VCardReadResult result; std::vector<Card> cards; };

std::string Day(std::uint64_t time) {
    CalendarTime c;
    char text[32] = "not a time";
    if (TimeStampToCalendar(time, &c)) std::snprintf(text, sizeof text, "%04u-%02u-%02u", c.year, c.month, c.day);
    return text + std::string(time % kTicksPerDay ? " and a time of day" : "");
}

Card CardOf(const EntryView& e) {
    Card c{{tag::kEntryId, std::string(e.entry_id)}, {tag::kObjectType, std::to_string(e.object_type)}};
    const auto add = [&](std::uint32_t key, const std::string& text) {
        std::string& list = c[key];
        list += (list.empty() ? "" : " | ") + text;
    };
    for (const PropertyValue* v = e.values; v != e.values + e.value_count; ++v) {
        const bool time = (v->tag & 0xFFFF) == 0x0040;  // PT_SYSTIME
        const std::string name = PropertyTable()[FindPropertyRow(v->tag)].name;
        if (v->extra) add(kExtras, name + ": " + std::string(v->text));
        else EXPECT_TRUE(c.emplace(v->tag, time ? Day(v->time) : std::string(v->text)).second) << "a tag twice";
        if (v->unmapped) add(kUnmapped, name + " " + std::to_string(v->unmapped));
    }
    return c;
}

Book Parse(const std::string& bytes, unsigned code_page = 1252) {
    SetTextCodePage(code_page);
    Book book;
    ParseVCards(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size(),
                [&](const EntryView& e) { book.cards.push_back(CardOf(e)); }, &book.result);
    SetTextCodePage(0);
    return book;
}

std::string Fixture(const std::string& name) {
    return testing::FileText(TARVENNE_SOURCE_DIR "/tests/data/vcard/" + name);
}

// The fixtures, each in the shape one exporter writes.
const char* const kOutlook = "outlook_21.vcf";   // Outlook and Outlook Express, 2.1
const char* const kApple = "apple_contacts.vcf";  // Apple Contacts, 3.0
const char* const kGoogle = "google.vcf";         // Google Contacts, 3.0
const char* const kAndroid = "android_21.vcf";    // Android and feature phones, 2.1
const char* const kThunderbird = "thunderbird_40.vcf";
const char* const kJoined = "joined.vcf";        // exports joined with copy /b
const char* const kBirthdays = "birthdays.vcf";  // one card per form of BDAY
const char* const kOutlook2003 = "outlook_2003.vcf";  // Business-tab fax and pager, three e-mails
const char* const kShiftJis = "android_sjis.vcf";     // Japanese phones, 2.1 in Shift_JIS, no FN

// Values of one card (0-based) of a fixture read into a code page, written as UTF-8;
// "<none>" for no value, "<no card>" for every value of a card past the last.
using Values = std::vector<std::pair<std::uint32_t, const char*>>;
struct Reading { const char* file; std::size_t card; Values values; unsigned code_page = 1252; };

using namespace tag;
// The property tags, not the phone labels of the same names.
using tag::kHomePhone, tag::kMobilePhone, tag::kOtherPhone, tag::kPager;

TEST(VCardReader, EveryRuleHoldsOnCardsShapedAsTheExportersWriteThem) {
    std::vector<Reading> rows = {
        // Each property into its slot.
        {kOutlook, 0, {{kLastName, "Lovelace"}, {kFirstName, "Ada"}, {kMiddleName, "Augusta"},
                       {kGeneration, "Countess"}, {kNickName, "Ada"}, {kCompany, "Analytical Engines Ltd"},
                       {kDepartment, "Research"}, {kProfession, "Mathematician"}, {kBusinessPhone, "+44 20 1111"},
                       {kBusinessPhone2, "+44 20 1112"}, {kHomePhone, "+44 20 2222"}, {kMobilePhone, "+44 77 3333"},
                       {kBusinessFax, "+44 20 4444"}, {kHomeFax, "+44 20 5555"}, {kPrimaryFax, "+44 20 5556"},
                       {kPager, "+44 20 6666"}, {kCarPhone, "+44 20 6667"}, {kIsdn, "+44 20 6668"},
                       {kPrimaryPhone, "+44 20 6669"}, {kOtherPhone, "+44 20 6670"},
                       // Quoted-printable with a soft break; the three street parts joined by CR LF.
                       {kBusinessStreet, "Suite 4\r\n1 Engine Street\r\nBack Yard"}, {kBusinessCountry, "England"},
                       {kBusinessState, "<none>"}, {kHomeState, "Middlesex"}, {kOtherStreet, "PO Box 7"},
                       {kPersonalHomepage, "http://ada.example.org/"}, {kBusinessHomepage, "http://engines.example.com/"},
                       {kEmailAddress, "ada@example.org"}}},  // the first preferred
        // Work and home have two slots, every other kind one; what a card repeats beyond them
        // is an extra of its kind, in card order, whichever value PREF moved out of a slot.
        {kOutlook, 0, {{kExtras, "Email Address: first@example.org | Email Address: later@example.org"}}},
        {kThunderbird, 0, {{kExtras, "Email Address: second@example.org | Email Address: third@example.org | "
                                     "Business Telephone No.: +1-555-555-0102 | "
                                     "Street ( Business ): 1 Navy Yard, Washington, DC, 20001, USA"}}},
        {kOutlook2003, 0, {{kBusinessFax, "+49 (89) 1234-99"}, {kPager, "+49 (89) 555 0199"},
                           {kBusinessPhone, "+49 (89) 1234-0"}, {kBusinessPhone2, "+49 (89) 1234-100"},
                           {kEmailAddress, "j.brueckner@brueckner-soehne.example"}, {kBusinessStreet, "Industriestraße 12"},
                           {kBusinessHomepage, "http://www.brueckner-soehne.example/"}, {kLastName, "Brückner"},
                           {kExtras, "Business Telephone No.: +49 (89) 1234-200 | Business Fax: +49 (89) 1234-98 | "
                                     "Street ( Business ): Hafenweg 3, Hamburg, 20457, Deutschland | "
                                     "Business Homepage: http://shop.brueckner-soehne.example/ | "
                                     "Email Address: juergen.brueckner@mail.example | Email Address: jb@verein.example"}}},
        {kOutlook2003, 2, {{kHomeFax, "+49 30 700"}, {kBusinessFax, "+49 30 701"}, {kExtras, "<none>"}}},
        {kApple, 2, {{kEmailAddress, "chidi@okafor.example"}, {kMobilePhone, "+234 803 000 0001"},
                     {kPrimaryPhone, "+234 1 000 0003"}, {kBusinessPhone, "+234 1 000 0004"}, {kHomeFax, "+234 1 000 0005"},
                     {kOtherPhone, "+234 1 000 0006"}, {kPager, "+234 1 000 0007"}, {kBusinessHomepage, "https://okafor.example"},
                     {kBusinessStreet, "12 Marina Rd"},
                     {kExtras, "Email Address: c.okafor@uni.example | Email Address: chidi.home@mail.example | "
                               "Mobile Telephone No.: +234 803 000 0002 | Business Homepage: https://portfolio.example/chidi | "
                               "Street ( Business ): 3 Allen Ave, Ikeja, Lagos, 100271, Nigeria"}}},
        {kShiftJis, 0, {{kMobilePhone, "090-1234-0001"}, {kExtras, "Mobile Telephone No.: 090-1234-0002"}}},
        {kShiftJis, 1, {{kHomePhone, "03-1234-5678"}, {kOtherPhone, "03-1234-5679"},
                        {kExtras, "Other Telephone No.: 03-1234-5670 | Email Address: noto@work.example.jp"}}},
        {kOutlook2003, 1, {{kDisplayName, "Acme GmbH"}, {kFirstName, "<none>"}}}, {kShiftJis, 0, {{kDisplayName, "<none>"}}},
        {kShiftJis, 3, {{kMobilePhone, "080-0000-1111"}, {kLastName, "<none>"}}}, {kShiftJis, 4, {{kObjectType, "6"}}},
        {kShiftJis, 5, {{kObjectType, "<no card>"}}},
        {kApple, 0, {{kEmailAddress, "eleni@example.gr"},  // item1.EMAIL
                     {kMobilePhone, "+30 69 1234 5678"}, {kBusinessPhone, "+30 21 0000 0001"},
                     {kEntryId, "vcf:2C5E7F0A-9B1D-4C3E-8F2A-6D4B3A2C1E0F"}}},  // the UID, else the place
        {kGoogle, 0, {{kEmailAddress, "dmitri@mail.example"}, {kHomeCity, "??????"}}},  // no 1252 Cyrillic
        {kThunderbird, 0, {{kHomePhone, "555-0101"}, {kEntryId, "vcf#1"}, {kObjectType, "6"}}},
        {kThunderbird, 1, {{kObjectType, "8"}}},  // KIND:group, a distribution list
        {kThunderbird, 2, {{kObjectType, "<no card>"}}},
        // A card without FN and N is shown by its organisation, else its e-mail address.
        {kApple, 1, {{kDisplayName, "Acme Widgets Inc."}}}, {kAndroid, 1, {{kDisplayName, "Taxi Rapid"}}},
        {kGoogle, 1, {{kDisplayName, "only.an.address@example.org"}}},
        {kGoogle, 0, {{kDisplayName, "??????? ??????"}}},  // a name of its own
        // Escapes: in 2.1 only before ; , : and \ (a Windows path keeps its backslashes); in
        // 3.0 and 4.0 before any character, \n a line break.
        {kOutlook, 0, {{kComment, "Caf\xC3\xA9 notes, line two\r\nSee C:\\new\\data; a,b"}}},
        {kApple, 0, {{kComment, "First line\r\nsecond line, with a comma; and a semicolon\\backslash"}}},
        {kGoogle, 0, {{kBusinessHomepage, "https://example.ru/dmitri"}}},
        {kThunderbird, 0, {{kComment, "Said \"it is easier to ask forgiveness\"\r\nthan permission."}}},
        // A tel: URI is the number before ';' and its ext=; PREF=n ranks a kind's values.
        {kThunderbird, 0, {{kBusinessPhone, "+1-555-555-5555 x5555"}, {kMobilePhone, "+1-555-555-0199"},
                           {kBusinessPhone2, "+1-555-555-0100"}, {kEmailAddress, "grace@navy.example"},
                           {kBusinessStreet, "2 Pentagon Rd"}, {kBusinessCity, "Arlington"}}},
        // A BEGIN ends an open card, except an AGENT's; byte-order marks start any line; a
        // card cut off by the end of the file is kept.
        {kJoined, 0, {{kLastName, "Without"}, {kHomePhone, "111"}}}, {kJoined, 1, {{kLastName, "After"}}},
        {kJoined, 2, {{kLastName, "Boss"}, {kBusinessPhone, "222"}, {kBusinessPhone2, "<none>"}}},
        {kJoined, 3, {{kLastName, "Last"}, {kEmailAddress, "cut@example.org"}}}, {kJoined, 4, {{kLastName, "<no card>"}}},
        // Birthdays are days at midnight; one without a year (Apple's X-APPLE-OMIT-YEAR) is none.
        {kApple, 0, {{kBirthday, "<none>"}}}, {kThunderbird, 0, {{kBirthday, "<none>"}, {kWeddingAnniversary, "1930-12-15"}}},
        {kOutlook, 0, {{kBirthday, "1815-12-10"}, {kWeddingAnniversary, "1835-07-08"}}},
        // Values come from their character set into the code page.
        {kOutlook, 1, {{kLastName, "Петров"},               // windows-1251
                       {kDisplayName, "Дмитрий Петров"},    // KOI8-R
                       {kCompany, "??d? Sp. z o.o."},       // ISO-8859-2, not in 1251
                       {kComment, "bad ? byte"}}, 1251},    // declared UTF-8, not UTF-8
        {kOutlook, 2, {{kLastName, "Mьller"}}, 1251},  // undeclared and not UTF-8: the bytes as they are
        {kGoogle, 0, {{kHomeStreet, "ул. Тверская, 1\r\nкв. 5"}}, 1251},  // UTF-8 undeclared
        {kAndroid, 0, {{kDisplayName, "Мария Иванова"}}, 1251},  // quoted-printable UTF-8
        {kOutlook, 1, {{kCompany, "Łódź Sp. z o.o."}}, 1250}, {kOutlook, 1, {{kTitle, "Chef €"}}},  // ISO-8859-15
        {kApple, 0, {{kHomeCity, "Αθήνα"}}, 1253}, {kAndroid, 2, {{kLastName, "山田"}}, 932},  // Shift_JIS
        // A declared character set is decoded before the value is split or unescaped: a
        // second byte 0x5C (能, 予, 圭) is no backslash, also where quoted-printable left it.
        {kShiftJis, 0, {{kLastName, "伊能"}, {kFirstName, "圭一"}, {kComment, "能;予"}}, 932},
        {kShiftJis, 1, {{kLastName, "能登"}, {kFirstName, "伸予"}, {kHomeStreet, "東京都渋谷区"},
                        {kHomePostal, "150-0002"}, {kHomeCountry, "日本"}, {kUnmapped, "<none>"}}, 932},
        {kShiftJis, 2, {{kCompany, "人工知能"}, {kDepartment, "開発部"}}, 932},
        // Each value says how many of its characters the code page lacks.
        {kShiftJis, 0, {{kLastName, "??"}, {kFirstName, "??"}, {kComment, "?;?"},
                        {kUnmapped, "Last Name 2 | First Name 2 | Comment 2"}}},
        {kGoogle, 0, {{kUnmapped, "Display Name 13 | Last Name 6 | First Name 7 | Company 10 | Country ( Home ) 6 | "
                                  "City ( Home ) 6 | Street (Home ) 12"}}},
    };
    // birthdays.vcf: 19700203, 1970-02-03T23:59:59Z, X-APPLE-OMIT-YEAR, --0415, --04-15,
    // 30 February, 1600, "circa 1800", 29 February 2000.
    const char* const days[] = {"1970-02-03", "1970-02-03", "<none>", "<none>", "<none>",
                                "<none>", "<none>", "<none>", "2000-02-29", "<no card>"};
    for (std::size_t i = 0; i < std::size(days); ++i) rows.push_back({kBirthdays, i, {{kBirthday, days[i]}}});

    std::map<std::pair<std::string, unsigned>, Book> books;
    for (const Reading& row : rows) {
        const auto [at, fresh] = books.try_emplace({row.file, row.code_page});
        if (fresh) at->second = Parse(Fixture(row.file), row.code_page);
        EXPECT_TRUE(at->second.result.ok) << row.file << ": " << at->second.result.error;
        const std::vector<Card>& cards = at->second.cards;
        for (const auto& [tag, utf8] : row.values) {
            std::string read = "<no card>";
            if (row.card < cards.size()) {
                const auto it = cards[row.card].find(tag);
                read = it == cards[row.card].end() ? "<none>" : Utf8FromAnsi(it->second, row.code_page);
            }
            EXPECT_EQ(read, utf8) << row.file << " card " << row.card << " tag " << tag;
        }
    }
}

TEST(VCardReader, CutsNeverSplitACharacterOrALineBreak) {
    const struct { const char* text; std::size_t limit; unsigned code_page; std::size_t kept; } cuts[] = {
        {"ab\r\ncd", 3, 1252, 2}, {"ab\rcd", 3, 1252, 3},  // a CR of its own may end a cut
        {"\x93\xFA\x96\x7B", 3, 932, 2}, {"\xB0\xA1\xB0\xA2", 3, 949, 2}, {"a\xA4\x40", 2, 950, 1},
        {"a\x96\x7B\x96\x7B", 4, 936, 3},  // a trail byte in the lead range: only a walk from the start tells
        {"a\xC3\xA9", 2, 65001, 1},
    };
    for (const auto& c : cuts) EXPECT_EQ(CharacterSafeLength(c.text, c.limit, c.code_page), c.kept) << c.code_page;
    // Both the contact's slots and the record's fields cut so.
    const std::string note = Parse(Fixture(kAndroid), 932).cards[2].at(tag::kComment);
    const std::string longer = std::string(2040, 'x') + note;
    const PropertyValue value{tag::kComment, longer, 0};
    SetTextCodePage(932);
    SourceContact contact;
    Fill(&contact, &value, 1);
    EXPECT_EQ(contact.Text(tag::kComment).size(), 2046u);  // not 2047: half of a character
    BoundedText<8> name;
    name = note;
    EXPECT_EQ(Utf8FromAnsi(name.str(), 932), "東京都");
    SetTextCodePage(0);
}

TEST(VCardReader, CharactersTheCodePageLacksAreCountedByTheCodePageOfTheirScript) {
    const struct { const char* utf8; unsigned code_page; std::uint32_t unmapped; unsigned script; } cases[] = {
        {"Łukasz Wałęsa", 1252, 3, 1250}, {"Иван", 1252, 4, 1251}, {"Ελένη", 1252, 5, 1253}, {"Ağrı", 1252, 2, 1254},
        {"שרה", 1252, 3, 1255}, {"علي", 1252, 3, 1256}, {"Rīga Ķemeri", 1252, 2, 1257}, {"Nguyễn Thị Ơn", 1252, 3, 1258},
        {"สมชาย", 1252, 5, 874}, {"カタカナ", 1252, 4, 932}, {"김민준", 1252, 3, 949}, {"王伟", 1252, 2, 936},
        {"Müller ü", 1251, 2, 1252}, {"Zoë Ørsted, €", 1252, 0, 0}, {"Иван", 1251, 0, 0},
        {"bad \xFF byte", 1252, 0, 0},  // a byte that is no character is not a character the code page lacks
    };
    for (const auto& c : cases) {
        AnsiConverter converter(c.code_page);
        std::string out;
        converter.Append(c.utf8, "UTF-8", &out);
        EXPECT_EQ(converter.Unmapped().total, c.unmapped) << c.utf8;
        EXPECT_EQ(converter.Unmapped().MostlyOf(), c.script) << c.utf8;
    }
}

TEST(VCardReader, LineEndsAndUtf16DoNotChangeWhatIsRead) {
    const std::string lf = Fixture(kThunderbird);
    std::string crlf, cr, crcrlf, le = "\xFF\xFE", be = "\xFE\xFF";
    for (char c : lf) {
        crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
        cr += c == '\n' ? '\r' : c;
        crcrlf += c == '\n' ? std::string("\r\r\n") : std::string(1, c);
        le += std::string(1, c) + '\0', be += std::string(1, '\0') + c;
    }
    const Book base = Parse(lf);
    for (const std::string& input : {crlf, cr, crcrlf, le, be, le.substr(2)}) EXPECT_EQ(Parse(input).cards, base.cards);
}

TEST(VCardReader, AFileReadInPiecesGivesTheCardsOfTheWhole) {
    // Over a megabyte, so the file is read in several pieces; every card shape, and long
    // values folded and soft-broken every 70 bytes, so pieces end amid them.
    std::string text, folded, soft;
    for (int i = 0; i < 150; ++i) folded += std::string(70, 'f') + "\r\n ", soft += std::string(70, 's') + "=\r\n";
    const std::string shapes = Fixture(kOutlook) + Fixture(kJoined) + "\r\nBEGIN:VCARD\r\nNOTE:" + folded +
                               "\r\nTITLE;ENCODING=QUOTED-PRINTABLE:" + soft + "\r\nEND:VCARD\r\n" + Fixture(kGoogle);
    while (text.size() < 3u * 1024 * 1024) text += shapes;
    testing::TestFolder dir;
    ASSERT_TRUE(platform::WriteFileBytes(dir.File("big.vcf"), testing::Bytes(text)));
    const Book whole = Parse(text);
    std::size_t read = 0;
    VCardReadResult result;
    ASSERT_TRUE(ReadVCardFile(dir.File("big.vcf"), [&](const EntryView& e) {
        ASSERT_LT(read, whole.cards.size());
        EXPECT_EQ(CardOf(e), whole.cards[read++]) << read;
    }, &result)) << result.error;
    EXPECT_EQ(read, whole.cards.size());
}

TEST(VCardReader, FilesThatAreNotVCardsAndFilesPastTheLimitsAreRefused) {
    for (const std::string& text : {std::string("\r\n\r\n"), std::string("hello\r\nBEGIN:VCARD\r\n")})
        EXPECT_NE(Parse(text).result.error.find("not a vCard"), std::string::npos) << text;
    // A line longer than any slot could use is passed over, also when folding makes it so.
    const Book book = Parse("BEGIN:VCARD\r\nNOTE:" + std::string(kMaxVCardLineBytes + 5, 'x') + "\r\nFN:after\r\nEND:VCARD\r\n");
    EXPECT_EQ(book.cards.at(0).count(tag::kComment), 0u);
    EXPECT_EQ(book.cards.at(0).at(tag::kDisplayName), "after");
    std::string folded = "BEGIN:VCARD\r\nNOTE:";
    for (int i = 0; i < 1100; ++i) folded += std::string(1000, 'y') + "\r\n ";
    EXPECT_EQ(Parse(folded + "z\r\nEND:VCARD\r\n").cards.at(0).count(tag::kComment), 0u);
    // Too many cards, or too many bytes, refuse the file instead of dropping contacts.
    std::string many;
    for (std::size_t i = 0; i <= kMaxVCardCards; ++i) many += "BEGIN:VCARD\nEND:VCARD\n";
    EXPECT_NE(Parse(many).result.error.find("more than"), std::string::npos);
    testing::TestFolder dir;
    ASSERT_TRUE(platform::WriteFileBytes(dir.File("huge.vcf"), testing::Bytes("BEGIN:VCARD\r\n")));
    std::filesystem::resize_file(dir.File("huge.vcf"), kMaxVCardFileBytes + 1);
    VCardReadResult result;
    EXPECT_FALSE(ReadVCardFile(dir.File("huge.vcf"), [](const EntryView&) {}, &result));
    EXPECT_NE(result.error.find("256 MiB"), std::string::npos) << result.error;
}

}  // namespace
}  // namespace tarvenne::vcard
