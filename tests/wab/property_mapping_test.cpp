// From property values to a SourceContact and on to a ContactRecord: the table's lookups,
// every slot and field cut to its width, the display-name fallback, custom fields and
// birthdays.
#include "engine/contact_record.h"
#include "wab/automation_date.h"
#include "wab/property_mapping.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace tarvenne::wab {
namespace {

PropertyValue Text(std::uint32_t tag, std::string_view text) { return {tag, text, 0}; }
PropertyValue Extra(std::uint32_t tag, std::string_view text) { return {tag, text, 0, true}; }
PropertyValue Time(std::uint64_t time) { return {tag::kBirthday, {}, time}; }

// A text of n characters that says where each came from, so a cut in the wrong place shows.
std::string Marked(char lead, std::size_t n) {
    std::string s(1, lead);
    for (std::size_t i = 1; i < n; ++i) s.push_back(static_cast<char>('a' + i % 26));
    return s;
}

ContactRecord Convert(const std::vector<PropertyValue>& values) {
    SourceContact c;
    Fill(&c, values.data(), values.size());
    ContactRecord r;
    EXPECT_TRUE(ConvertSourceContact(&c, &r));
    return r;
}

class Mapping : public ::testing::Test {
protected:
    void TearDown() override { ClearCustomFieldMap(); }
};

TEST_F(Mapping, EveryRowIsFoundByTagAndNameAndFillCutsItsSlotToItsWidth) {
    const PropertyRow* rows = PropertyTable();
    std::vector<std::string> longer;
    std::vector<PropertyValue> values;
    for (std::size_t i = 0; i < kPropertyCount; ++i) longer.push_back(Marked('A', rows[i].capacity + 10));
    for (std::size_t i = 0; i < kPropertyCount; ++i) values.push_back(Text(rows[i].tag, longer[i]));
    SourceContact c;
    Fill(&c, values.data(), values.size());
    for (std::size_t i = 0; i < kPropertyCount; ++i) {
        EXPECT_EQ(FindPropertyRow(rows[i].tag), static_cast<int>(i)) << rows[i].name;
        EXPECT_EQ(FindPropertyRowByName(rows[i].name), static_cast<int>(i));
        EXPECT_EQ(c.TextAtRow(i), longer[i].substr(0, rows[i].kind == SlotKind::Text ? rows[i].capacity - 1 : 0));
    }
    EXPECT_EQ(FindPropertyRowByName("comment"), FindPropertyRow(tag::kComment));
    // A second Fill leaves nothing of the first; later values of a tag replace earlier
    // ones, other property types (an error value) and unknown tags are passed over, a
    // text ends at a NUL.
    const std::vector<PropertyValue> second = {
        Text(tag::kFirstName, "Ann"), Text(tag::kFirstName, "Ada"), Text(0x3001000A, "error"),
        Text(0x12340003, "unknown"), Time(123456789), Text(tag::kTitle, std::string_view("Dr\0x", 4))};
    EXPECT_EQ(Fill(&c, second.data(), second.size()), 6u);
    EXPECT_EQ(c.birthday, 123456789u);
    for (std::size_t i = 0; i < kPropertyCount; ++i)
        EXPECT_EQ(c.TextAtRow(i), rows[i].tag == tag::kFirstName ? "Ada" : rows[i].tag == tag::kTitle ? "Dr" : "");
}

// Which record field each property feeds, and how many characters it takes.
using Field = std::function<const std::string&(const ContactRecord&)>;
#define FIELD(member) [](const ContactRecord& r) -> const std::string& { return r.member.str(); }
const struct Feed { std::uint32_t tag; std::size_t chars; Field field; } kFeeds[] = {
    {tag::kEmailAddress, 63, FIELD(email)},        {tag::kLastName, 31, FIELD(last_name)},
    {tag::kFirstName, 31, FIELD(first_name)},      {tag::kCompany, 63, FIELD(company)},
    {tag::kTitle, 31, FIELD(title)},               {tag::kComment, 2047, FIELD(note)},
    {tag::kBusinessPhone, 23, FIELD(work_phone)},  {tag::kHomePhone, 23, FIELD(home_phone)},
    {tag::kPrimaryPhone, 23, FIELD(main_phone)},   {tag::kMobilePhone, 23, FIELD(mobile_phone)},
    {tag::kOtherPhone, 23, FIELD(other_phone)},    {tag::kPrimaryFax, 23, FIELD(fax)},
    {tag::kHomeFax, 23, FIELD(home_fax)},          {tag::kBusinessHomepage, 255, FIELD(web_page)},
    {tag::kPager, 23, FIELD(pager)},
    {tag::kBusinessStreet, 63, FIELD(work.street)}, {tag::kBusinessCity, 31, FIELD(work.city)},
    {tag::kBusinessState, 31, FIELD(work.state)},  {tag::kBusinessPostal, 15, FIELD(work.postal_code)},
    {tag::kBusinessCountry, 31, FIELD(work.country)}, {tag::kHomeStreet, 63, FIELD(home.street)},
    {tag::kHomeCity, 31, FIELD(home.city)},        {tag::kHomeState, 31, FIELD(home.state)},
    {tag::kHomePostal, 15, FIELD(home.postal_code)}, {tag::kHomeCountry, 31, FIELD(home.country)},
    {tag::kOtherStreet, 63, FIELD(other.street)},  {tag::kOtherCity, 31, FIELD(other.city)},
    {tag::kOtherState, 31, FIELD(other.state)},    {tag::kOtherPostal, 15, FIELD(other.postal_code)},
    {tag::kOtherCountry, 31, FIELD(other.country)},
};

TEST_F(Mapping, EachFieldTakesItsOwnPropertyCutToItsWidth) {
    std::vector<std::string> texts;
    std::vector<PropertyValue> values;
    for (std::size_t i = 0; i < std::size(kFeeds); ++i) texts.push_back(Marked(static_cast<char>('!' + i), 3000));
    for (std::size_t i = 0; i < texts.size(); ++i) values.push_back(Text(kFeeds[i].tag, texts[i]));
    // Properties that feed no field of their own stay out of every field.
    for (std::uint32_t t : {tag::kMiddleName, tag::kNickName, tag::kDisplayName}) values.push_back(Text(t, "unused"));
    const ContactRecord r = Convert(values);
    for (std::size_t i = 0; i < texts.size(); ++i)
        EXPECT_EQ(kFeeds[i].field(r), texts[i].substr(0, kFeeds[i].chars)) << i;
    EXPECT_EQ(r.birthday, 0.0);
    for (const auto& custom : r.custom) EXPECT_TRUE(custom.empty());
}

// The display name stands in for both names only when it says more than the company, the
// e-mail address and the numbers; the list's name falls back in the same spirit.
TEST_F(Mapping, TheDisplayNameStandsInOnlyWhenItSaysMore) {
    const std::string display = Marked('D', 40), number(40, '5');
    const struct { std::vector<PropertyValue> values; std::string first, last, listed; } cases[] = {
        {{Text(tag::kDisplayName, display)}, display.substr(0, 31), "", display},
        {{Text(tag::kDisplayName, "Shown"), Text(tag::kFirstName, "Given")}, "Given", "", "Shown"},
        {{Text(tag::kDisplayName, "Shown"), Text(tag::kLastName, "Family")}, "", "Family", "Shown"},
        {{Text(tag::kFirstName, "Given"), Text(tag::kLastName, "Family")}, "Given", "Family", "Given Family"},
        {{Text(tag::kMiddleName, "M"), Text(tag::kNickName, "N")}, "", "", ""},
        {{Text(tag::kDisplayName, " acme gmbh"), Text(tag::kCompany, "Acme GmbH ")}, "", "", " acme gmbh"},
        {{Text(tag::kDisplayName, "Sales@Acme.example"), Text(tag::kEmailAddress, "sales@acme.example")}, "", "",
         "Sales@Acme.example"},
        {{Text(tag::kDisplayName, "+49 30 1"), Text(tag::kBusinessFax, "+49 30 1")}, "", "", "+49 30 1"},
        // A number wider than its slot against the same number as a display name holds it.
        {{Text(tag::kDisplayName, number), Text(tag::kOtherPhone, number)}, "", "", number},
        {{Text(tag::kCompany, "Acme"), Text(tag::kEmailAddress, "a@acme.example")}, "", "", "Acme"},
        {{Text(tag::kEmailAddress, "a@acme.example"), Text(tag::kHomePhone, "1")}, "", "", "a@acme.example"},
        {{Text(tag::kCarPhone, "555 1")}, "", "", "555 1"},
    };
    for (const auto& c : cases) {
        SourceContact source;
        Fill(&source, c.values.data(), c.values.size());
        const ContactRecord r = Convert(c.values);
        EXPECT_EQ(r.first_name.str() + "|" + r.last_name.str(), c.first + "|" + c.last) << c.listed;
        EXPECT_EQ(ContactListName(source), c.listed);
    }
}

// The fax, the pager and the web page, and every value beyond the named fields as an extra
// of its kind, in the order: faxes, other e-mail addresses, second phones, car, ISDN, the
// other homepage, then whatever else the address book repeats. A contact with nothing is
// empty.
TEST_F(Mapping, ValuesBeyondTheNamedFieldsAreExtrasOfTheirKind) {
    const auto extras = [](const ContactRecord& r) {
        std::string s;
        for (const ContactExtra& e : r.extras)
            s += std::to_string(e.label) + ":" + e.text.str() + (e.words ? std::string("(") + e.words + ")" : "") + " ";
        return s;
    };
    const struct { std::vector<PropertyValue> values; std::string fax, pager, web, extras; } cases[] = {
        {{Text(tag::kBusinessFax, "B"), Text(tag::kHomeFax, "H")}, "B", "", "", "2:H "},
        {{Text(tag::kPrimaryFax, "P"), Text(tag::kBusinessFax, "B"), Text(tag::kHomeFax, "H")}, "P", "", "", "2:B 2:H "},
        {{Text(tag::kHomeFax, "H")}, "", "", "", ""},  // the fax label takes it (home_fax)
        {{Text(tag::kPager, "77"), Text(tag::kPersonalHomepage, "http://me/")}, "", "77", "http://me/", ""},
        {{Extra(tag::kOtherPhone, "o2"), Text(tag::kIsdn, "i"), Text(tag::kCarPhone, "c"), Extra(tag::kEmailAddress, "e2"),
          Text(tag::kHomePhone2, "h2"), Text(tag::kBusinessPhone2, "w2"), Text(tag::kBusinessHomepage, "http://work/"),
          Text(tag::kPersonalHomepage, "http://me/"), Extra(tag::kEmailAddress, "e3"), Extra(tag::kHomeStreet, "Elm 1")},
         "", "", "http://work/",
         "4:e2 4:e3 0:w2 1:h2 7:c 3:i -1:http://me/(Web Page) 3:o2 -1:Elm 1(Home address) "},
    };
    for (const auto& c : cases) {
        const ContactRecord r = Convert(c.values);
        EXPECT_EQ(r.fax.str() + "|" + r.pager.str() + "|" + r.web_page.str() + "|" + extras(r),
                  c.fax + "|" + c.pager + "|" + c.web + "|" + c.extras);
        EXPECT_FALSE(r.Empty());
    }
    EXPECT_TRUE(Convert({Text(tag::kNickName, "only a nickname")}).Empty());
    EXPECT_TRUE(Convert({}).Empty());
    const std::uint32_t map[1] = {tag::kNickName};
    ASSERT_TRUE(SetCustomFieldMap(map, 1));
    EXPECT_FALSE(Convert({Text(tag::kNickName, "only a nickname")}).Empty()) << "a mapped custom field";
}

TEST_F(Mapping, CustomFieldsTakeAnyTextPropertyAndNothingElse) {
    const std::string comment = Marked('C', 500);
    const std::uint32_t map[9] = {tag::kComment, tag::kBirthday, tag::kBusinessFax, 0x3A4D0002, 0,
                                  0x12345678, tag::kComment, tag::kWeddingAnniversary, 0x3A58101E};
    ASSERT_TRUE(SetCustomFieldMap(map, 9));
    const ContactRecord r = Convert({Text(tag::kComment, comment), Text(tag::kBusinessFax, "555-FAX"),
                                     Time(130000000000000000ULL), Text(0x3A4D0002, "gender")});
    const std::string expected[9] = {comment.substr(0, 63), "", "555-FAX", "", "", "", comment.substr(0, 63), "", ""};
    for (int i = 0; i < 9; ++i) EXPECT_EQ(r.custom[i].str(), expected[i]) << i;
    // A bad count changes nothing; a good one replaces the first fields and keeps the rest.
    const std::uint32_t ten[10] = {11, 12, 13, 14, 15, 16, 17, 18, 19, 20};
    EXPECT_FALSE(SetCustomFieldMap(ten, 10) || SetCustomFieldMap(ten, 0) || SetCustomFieldMap(nullptr, 4));
    EXPECT_TRUE(SetCustomFieldMap(ten, 4));
    EXPECT_EQ(CurrentCustomFieldMap(), (CustomFieldMap{11, 12, 13, 14, 0, 0x12345678, tag::kComment,
                                                       tag::kWeddingAnniversary, 0x3A58101E}));
}

TEST_F(Mapping, BirthdaysBecomeAutomationDatesAndNoneStaysNone) {
    // The conversion itself is checked against Windows' own (automation_date_test.cpp).
    std::uint64_t day = 0, late = 0;
    ASSERT_TRUE(DateToTimeStamp(1970, 2, 3, &day) && DateToTimeStamp(10000, 1, 1, &late));
    const struct { std::vector<PropertyValue> values; double date; } cases[] = {
        {{Time(day)}, 25602.0}, {{Time(day + kTicksPerDay / 4)}, 25602.25},
        {{Text(tag::kFirstName, "A")}, 0.0},  // none: 0, not 1 January 1601
        {{Time(0x8000000000000000ULL)}, 0.0}, {{Time(late)}, 0.0},  // after 9999: a date cannot hold it
    };
    for (const auto& c : cases) EXPECT_EQ(Convert(c.values).birthday, c.date);
}

}  // namespace
}  // namespace tarvenne::wab
