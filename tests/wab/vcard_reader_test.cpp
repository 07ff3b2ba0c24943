// The vCard reader, rule by rule, on cards shaped as Outlook, Apple Contacts, Google,
// Android phones and Thunderbird export them (tests/data/vcard/), and on files that are
// broken, cut short, joined or hostile.
#include "engine/bounded_text.h"
#include "platform/file_system.h"
#include "tests/test_folder.h"
#include "wab/ansi_text.h"
#include "wab/automation_date.h"
#include "wab/vcard_reader.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

namespace tarvenne::wab {
namespace {

// A card as delivered, kept after the reader is done with it.
struct Card {
    std::uint32_t object_type;
    std::string id;
    std::map<std::uint32_t, std::string> texts;
    std::map<std::uint32_t, std::uint64_t> times;
};
struct Book {
    VCardReadResult result;
    std::vector<Card> cards;
};

Book Parse(const std::string& bytes, unsigned code_page = 1252) {
    SetTextCodePage(code_page);
    Book book;
    ParseVCards(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size(),
                [&](const EntryView& e) {
                    Card c{e.object_type, std::string(e.entry_id), {}, {}};
                    for (std::size_t i = 0; i < e.value_count; ++i) {
                        EXPECT_EQ(c.texts.count(e.values[i].tag), 0u) << "a tag twice";
                        c.texts[e.values[i].tag] = std::string(e.values[i].text);
                        c.times[e.values[i].tag] = e.values[i].time;
                    }
                    book.cards.push_back(std::move(c));
                },
                &book.result);
    SetTextCodePage(0);
    return book;
}

std::string Fixture(const std::string& name) {
    std::string path = std::string(__FILE__);
    path = path.substr(0, path.find_last_of("/\\")) + "/../data/vcard/" + name;
#ifdef _WIN32
    if (!path.empty() && path[0] == '/') path = "Z:" + path;  // the build's Unix path, under Wine
#endif
    std::vector<std::uint8_t> bytes;
    EXPECT_TRUE(platform::ReadFileBytes(path, &bytes)) << path;
    return std::string(bytes.begin(), bytes.end());
}

// The fixtures, each in the shape one exporter writes.
const char* const kOutlook = "outlook_21.vcf";   // Outlook and Outlook Express, 2.1
const char* const kApple = "apple_contacts.vcf";  // Apple Contacts, 3.0
const char* const kGoogle = "google.vcf";         // Google Contacts, 3.0
const char* const kAndroid = "android_21.vcf";    // Android and feature phones, 2.1
const char* const kThunderbird = "thunderbird_40.vcf";
const char* const kJoined = "joined.vcf";  // exports joined with copy /b

// One expected text: card (0-based) of a fixture, in the code page, written as UTF-8;
// "<none>" for no value.
struct Expect { const char* file; std::size_t card; std::uint32_t tag; const char* utf8; };

void ExpectTexts(unsigned code_page, std::initializer_list<Expect> rows) {
    std::map<std::string, Book> books;
    for (const Expect& row : rows) {
        SCOPED_TRACE(std::string(row.file) + " card " + std::to_string(row.card) + " tag " +
                     std::to_string(row.tag));
        if (!books.count(row.file)) books[row.file] = Parse(Fixture(row.file), code_page);
        const Book& book = books[row.file];
        ASSERT_TRUE(book.result.ok) << book.result.error;
        ASSERT_LT(row.card, book.cards.size());
        const auto& texts = book.cards[row.card].texts;
        const auto it = texts.find(row.tag);
        EXPECT_EQ(it == texts.end() ? "<none>" : Utf8FromAnsi(it->second, code_page), row.utf8);
    }
}

std::uint64_t Day(int y, int m, int d) {
    std::uint64_t t = 0;
    return DateToTimeStamp(y, m, d, &t) ? t : 1;
}

TEST(VCardReader, PropertiesMapOntoTheirSlots) {
    ExpectTexts(1252, {
        {kOutlook, 0, tag::kLastName, "Lovelace"}, {kOutlook, 0, tag::kFirstName, "Ada"},
        {kOutlook, 0, tag::kMiddleName, "Augusta"}, {kOutlook, 0, tag::kGeneration, "Countess"},
        {kOutlook, 0, tag::kNickName, "Ada"},
        {kOutlook, 0, tag::kCompany, "Analytical Engines Ltd"},
        {kOutlook, 0, tag::kDepartment, "Research"},
        {kOutlook, 0, tag::kProfession, "Mathematician"},
        {kOutlook, 0, tag::kBusinessPhone, "+44 20 1111"},
        {kOutlook, 0, tag::kBusinessPhone2, "+44 20 1112"},
        {kOutlook, 0, tag::kHomePhone, "+44 20 2222"},
        {kOutlook, 0, tag::kMobilePhone, "+44 77 3333"},
        {kOutlook, 0, tag::kBusinessFax, "+44 20 4444"},
        {kOutlook, 0, tag::kHomeFax, "+44 20 5555"}, {kOutlook, 0, tag::kPrimaryFax, "+44 20 5556"},
        {kOutlook, 0, tag::kPager, "+44 20 6666"}, {kOutlook, 0, tag::kCarPhone, "+44 20 6667"},
        {kOutlook, 0, tag::kIsdn, "+44 20 6668"}, {kOutlook, 0, tag::kPrimaryPhone, "+44 20 6669"},
        {kOutlook, 0, tag::kOtherPhone, "+44 20 6670"},
        // Quoted-printable with a soft break; the three street parts joined by CR LF.
        {kOutlook, 0, tag::kBusinessStreet, "Suite 4\r\n1 Engine Street\r\nBack Yard"},
        {kOutlook, 0, tag::kBusinessCountry, "England"},
        {kOutlook, 0, tag::kBusinessState, "<none>"}, {kOutlook, 0, tag::kHomeState, "Middlesex"},
        {kOutlook, 0, tag::kOtherStreet, "PO Box 7"},
        {kOutlook, 0, tag::kPersonalHomepage, "http://ada.example.org/"},
        {kOutlook, 0, tag::kBusinessHomepage, "http://engines.example.com/"},
        {kOutlook, 0, tag::kEmailAddress, "ada@example.org"},  // the first preferred
        {kApple, 0, tag::kEmailAddress, "eleni@example.gr"},  // item1.EMAIL
        {kApple, 0, tag::kMobilePhone, "+30 69 1234 5678"},
        {kApple, 0, tag::kBusinessPhone, "+30 21 0000 0001"},
        {kGoogle, 0, tag::kEmailAddress, "dmitri@mail.example"},
        {kGoogle, 0, tag::kHomeCity, "??????"},  // Cyrillic has no 1252 form
        {kThunderbird, 0, tag::kHomePhone, "555-0101"},
    });
    const Book thunderbird = Parse(Fixture(kThunderbird));
    ASSERT_EQ(thunderbird.cards.size(), 2u);
    EXPECT_EQ(thunderbird.cards[0].id, "vcf#1");
    EXPECT_EQ(thunderbird.cards[1].object_type, kObjectTypeDistList);  // KIND:group
    EXPECT_EQ(Parse(Fixture(kApple)).cards[0].id, "vcf:2C5E7F0A-9B1D-4C3E-8F2A-6D4B3A2C1E0F");
}

TEST(VCardReader, EscapesFollowTheDeclaredVersion) {
    ExpectTexts(1252, {
        // 2.1: only ; , : and \ are escaped, so a Windows path keeps its backslashes.
        {kOutlook, 0, tag::kComment,
         "Caf\xC3\xA9 notes, line two\r\nSee C:\\new\\data; a,b"},
        // 3.0 and 4.0: a backslash stands for the next character, \n for a line break.
        {kApple, 0, tag::kComment,
         "First line\r\nsecond line, with a comma; and a semicolon\\backslash"},
        {kGoogle, 0, tag::kBusinessHomepage, "https://example.ru/dmitri"},
        {kThunderbird, 0, tag::kComment,
         "Said \"it is easier to ask forgiveness\"\r\nthan permission."},
    });
}

TEST(VCardReader, ABeginEndsAnOpenCardExceptAnAgentsAndMarksStartAnyLine) {
    const Book book = Parse(Fixture(kJoined));
    ASSERT_TRUE(book.result.ok) << book.result.error;
    ASSERT_EQ(book.cards.size(), 4u);
    const char* last_names[] = {"Without", "After", "Boss", "Last"};
    for (std::size_t i = 0; i < 4; ++i) EXPECT_EQ(book.cards[i].texts.at(tag::kLastName), last_names[i]);
    EXPECT_EQ(book.cards[0].texts.at(tag::kHomePhone), "111");
    EXPECT_EQ(book.cards[2].texts.at(tag::kBusinessPhone), "222");  // not the assistant's
    EXPECT_EQ(book.cards[2].texts.count(tag::kBusinessPhone2), 0u);
    EXPECT_EQ(book.cards[3].texts.at(tag::kEmailAddress), "cut@example.org");  // cut off: kept
}

TEST(VCardReader, BirthdaysWithoutAYearAreNone) {
    const struct { const char* line; std::uint64_t expected; } cases[] = {
        {"BDAY:19700203", Day(1970, 2, 3)}, {"BDAY:1970-02-03T23:59:59Z", Day(1970, 2, 3)},
        {"BDAY;X-APPLE-OMIT-YEAR=1604:1604-04-15", 0}, {"BDAY;VALUE=date:--0415", 0},
        {"BDAY:--04-15", 0}, {"BDAY:1970-02-30", 0}, {"BDAY:1600-12-31", 0},
        {"BDAY:circa 1800", 0}, {"BDAY:2000-02-29", Day(2000, 2, 29)},
    };
    for (const auto& c : cases) {
        const Book book = Parse(std::string("BEGIN:VCARD\nVERSION:3.0\n") + c.line + "\nEND:VCARD\n");
        ASSERT_EQ(book.cards.size(), 1u);
        const auto& times = book.cards[0].times;
        EXPECT_EQ(times.count(tag::kBirthday) ? times.at(tag::kBirthday) : 0, c.expected) << c.line;
    }
    EXPECT_EQ(Parse(Fixture(kApple)).cards[0].times.count(tag::kBirthday), 0u);
    EXPECT_EQ(Parse(Fixture(kOutlook)).cards[0].times.at(tag::kBirthday), Day(1815, 12, 10));
    EXPECT_EQ(Parse(Fixture(kThunderbird)).cards[0].times.at(tag::kWeddingAnniversary),
              Day(1930, 12, 15));
}

TEST(VCardReader, TelUrisAreTheNumberWithItsExtension) {
    ExpectTexts(1252, {
        {kThunderbird, 0, tag::kBusinessPhone, "+1-555-555-5555 x5555"},
        {kThunderbird, 0, tag::kMobilePhone, "+1-555-555-0199"},
    });
}

TEST(VCardReader, PreferenceRanksValuesOfOneKindLowestFirst) {
    ExpectTexts(1252, {
        {kThunderbird, 0, tag::kEmailAddress, "grace@navy.example"},
        {kThunderbird, 0, tag::kBusinessPhone, "+1-555-555-5555 x5555"},
        {kThunderbird, 0, tag::kBusinessPhone2, "+1-555-555-0100"},
        {kThunderbird, 0, tag::kBusinessStreet, "2 Pentagon Rd"},
        {kThunderbird, 0, tag::kBusinessCity, "Arlington"},
    });
}

TEST(VCardReader, CardsWithoutANameAreShownByOrganisationElseEmail) {
    ExpectTexts(1252, {
        {kApple, 1, tag::kDisplayName, "Acme Widgets Inc."},
        {kAndroid, 1, tag::kDisplayName, "Taxi Rapid"},
        {kGoogle, 1, tag::kDisplayName, "only.an.address@example.org"},
        {kGoogle, 0, tag::kDisplayName, "??????? ??????"},  // a name of its own
    });
}

TEST(VCardReader, ValuesComeFromTheirCharacterSetIntoTheCodePage) {
    ExpectTexts(1251, {
        {kOutlook, 1, tag::kLastName, "Петров"},        // windows-1251
        {kOutlook, 1, tag::kDisplayName, "Дмитрий Петров"},  // KOI8-R
        {kOutlook, 1, tag::kCompany, "??d? Sp. z o.o."},  // ISO-8859-2, not in 1251
        {kGoogle, 0, tag::kHomeStreet, "ул. Тверская, 1\r\nкв. 5"},  // UTF-8 undeclared
        {kAndroid, 0, tag::kDisplayName, "Мария Иванова"},  // quoted-printable UTF-8
        {kOutlook, 1, tag::kComment, "bad ? byte"},  // declared UTF-8, not UTF-8
    });
    ExpectTexts(1250, {{kOutlook, 1, tag::kCompany, "Łódź Sp. z o.o."}});
    ExpectTexts(1252, {{kOutlook, 1, tag::kTitle, "Chef €"}});  // ISO-8859-15
    ExpectTexts(1253, {{kApple, 0, tag::kHomeCity, "Αθήνα"}});
    ExpectTexts(932, {{kAndroid, 2, tag::kLastName, "山田"}});  // Shift_JIS
    // Undeclared bytes that are not UTF-8 are an old export's own: kept as they are.
    const Book ansi = Parse("BEGIN:VCARD\nVERSION:2.1\nN:M\xFCller;J\xF6rg\nEND:VCARD\n", 1251);
    EXPECT_EQ(ansi.cards[0].texts.at(tag::kLastName), "M\xFCller");
}

TEST(VCardReader, CutsNeverSplitACharacterOrALineBreak) {
    EXPECT_EQ(CharacterSafeLength("ab\r\ncd", 3, 1252), 2u);
    EXPECT_EQ(CharacterSafeLength("ab\rcd", 3, 1252), 3u);  // a CR of its own may end a cut
    EXPECT_EQ(CharacterSafeLength("\x93\xFA\x96\x7B", 3, 932), 2u);
    // 0x96 0x7B: a trail byte in the lead range; only a walk from the start tells.
    EXPECT_EQ(CharacterSafeLength("a\x96\x7B\x96\x7B", 4, 936), 3u);
    EXPECT_EQ(CharacterSafeLength("a\xC3\xA9", 2, 65001), 1u);
    const Book book = Parse(Fixture(kAndroid), 932);
    SetTextCodePage(932);
    SourceContact contact;
    const std::string& note = book.cards[2].texts.at(tag::kComment);
    contact.SetText(tag::kComment, std::string(2040, 'x') + note);
    EXPECT_EQ(contact.Text(tag::kComment).size(), 2046u);  // not 2047: half of a character
    BoundedText<8> name;
    name = note;
    EXPECT_EQ(Utf8FromAnsi(name.str(), 932), "東京都");
    SetTextCodePage(0);
}

TEST(VCardReader, LineEndsAndUtf16DoNotChangeWhatIsRead) {
    const std::string lf = Fixture(kThunderbird);
    const Book base = Parse(lf);
    std::string crlf, cr, crcrlf, le = "\xFF\xFE", be = "\xFE\xFF";
    for (char c : lf) {
        crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
        cr += c == '\n' ? '\r' : c;
        crcrlf += c == '\n' ? std::string("\r\r\n") : std::string(1, c);
        le += std::string(1, c) + '\0', be += std::string(1, '\0') + c;
    }
    for (const std::string& input : {crlf, cr, crcrlf, le, be, le.substr(2)}) {
        const Book other = Parse(input);
        ASSERT_EQ(other.cards.size(), base.cards.size());
        EXPECT_EQ(other.cards[0].texts, base.cards[0].texts);
    }
}

TEST(VCardReader, AFileReadInPiecesGivesTheCardsOfTheWhole) {
    // Over a megabyte, so the file is read in several pieces; every card shape, and long
    // values folded and soft-broken every 70 bytes, so pieces end amid them.
    std::string text, folded, soft;
    for (int i = 0; i < 150; ++i) folded += std::string(70, 'f') + "\r\n ", soft += std::string(70, 's') + "=\r\n";
    const std::string shapes = Fixture(kOutlook) + Fixture(kJoined) + "\r\nBEGIN:VCARD\r\nNOTE:" +
                               folded + "\r\nTITLE;ENCODING=QUOTED-PRINTABLE:" + soft +
                               "\r\nEND:VCARD\r\n" + Fixture(kGoogle);
    while (text.size() < 3u * 1024 * 1024) text += shapes;
    testing::TestFolder dir;
    ASSERT_TRUE(platform::WriteFileBytes(dir.File("big.vcf"), testing::Bytes(text)));
    const Book whole = Parse(text);
    std::vector<std::map<std::uint32_t, std::string>> pieces;
    VCardReadResult result;
    ASSERT_TRUE(ReadVCardFile(dir.File("big.vcf"), [&](const EntryView& e) {
        pieces.emplace_back();
        for (std::size_t i = 0; i < e.value_count; ++i)
            pieces.back()[e.values[i].tag] = std::string(e.values[i].text);
    }, &result)) << result.error;
    ASSERT_EQ(pieces.size(), whole.cards.size());
    for (std::size_t i = 0; i < pieces.size(); ++i) ASSERT_EQ(pieces[i], whole.cards[i].texts) << i;
}

TEST(VCardReader, FilesThatAreNotVCardsAndFilesPastTheLimitsAreRefused) {
    for (const std::string& text : {std::string("\r\n\r\n"), std::string("hello\r\nBEGIN:VCARD\r\n")}) {
        const Book book = Parse(text);
        EXPECT_NE(book.result.error.find("not a vCard"), std::string::npos) << book.result.error;
    }
    // A line longer than any slot could use is passed over, and the card goes on.
    Book book = Parse("BEGIN:VCARD\r\nNOTE:" + std::string(kMaxVCardLineBytes + 5, 'x') +
                      "\r\nFN:after\r\nEND:VCARD\r\n");
    EXPECT_EQ(book.cards.at(0).texts.count(tag::kComment), 0u);
    EXPECT_EQ(book.cards.at(0).texts.at(tag::kDisplayName), "after");
    std::string folded = "BEGIN:VCARD\r\nNOTE:";  // the same length reached by folding
    for (int i = 0; i < 1100; ++i) folded += std::string(1000, 'y') + "\r\n ";
    EXPECT_EQ(Parse(folded + "z\r\nEND:VCARD\r\n").cards.at(0).texts.count(tag::kComment), 0u);
    // Too many cards refuse the file instead of dropping contacts.
    std::string many;
    for (std::size_t i = 0; i <= kMaxVCardCards; ++i) many += "BEGIN:VCARD\nEND:VCARD\n";
    book = Parse(many);
    EXPECT_FALSE(book.result.ok);
    EXPECT_NE(book.result.error.find("more than"), std::string::npos);
}

}  // namespace
}  // namespace tarvenne::wab
