// Filling a SourceContact from property values and converting it into a ContactRecord:
// every slot and every field cut to its width, the display-name fallback, custom fields,
// the birthday, and the marking against a target.
#include "engine/contact_record.h"
#include "engine/target_contact_list.h"
#include "platform/file_system.h"
#include "tests/test_folder.h"
#include "wab/automation_date.h"
#include "wab/property_mapping.h"
#include "wab/wab_loader.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace tarvenne::wab {
namespace {

using tarvenne::testing::Bytes;
using tarvenne::testing::TestFolder;

PropertyValue Text(std::uint32_t tag, std::string text) {
    PropertyValue v;
    v.tag = tag;
    v.text = std::move(text);
    return v;
}

PropertyValue Time(std::uint32_t tag, std::uint64_t time) {
    PropertyValue v;
    v.tag = tag;
    v.time = time;
    return v;
}

// A text of n characters that says where each character came from, so a cut in the
// wrong place shows.
std::string Marked(char lead, std::size_t n) {
    std::string s;
    for (std::size_t i = 0; i < n; ++i) s.push_back(i == 0 ? lead : static_cast<char>('a' + i % 26));
    return s;
}

SourceContact FillFrom(const std::vector<PropertyValue>& values) {
    SourceContact c;
    Fill(&c, values.data(), values.size());
    return c;
}

ContactRecord Convert(const SourceContact& c) {
    ContactRecord r;
    EXPECT_TRUE(ConvertSourceContact(&c, &r));
    return r;
}

class MappingTest : public ::testing::Test {
protected:
    void SetUp() override { ClearCustomFieldMap(); }
    void TearDown() override { ClearCustomFieldMap(); }
};

TEST_F(MappingTest, FillCutsEveryTextSlotAtItsCapacity) {
    const PropertyRow* rows = PropertyTable();
    std::vector<PropertyValue> longer, exact;
    for (std::size_t i = 0; i < kPropertyCount; ++i) {
        if (rows[i].kind != SlotKind::Text) continue;
        longer.push_back(Text(rows[i].tag, Marked('A', rows[i].capacity + 10)));
        exact.push_back(Text(rows[i].tag, Marked('B', rows[i].capacity - 1)));
    }
    ASSERT_EQ(longer.size(), 60u);
    SourceContact c = FillFrom(longer);
    for (std::size_t i = 0; i < kPropertyCount; ++i) {
        SCOPED_TRACE(rows[i].name);
        if (rows[i].kind != SlotKind::Text) {
            EXPECT_TRUE(c.TextAtRow(i).empty());
            continue;
        }
        EXPECT_EQ(c.Text(rows[i].tag), Marked('A', rows[i].capacity + 10).substr(0, rows[i].capacity - 1));
    }
    // Values that fit are kept whole, and a second Fill leaves nothing of the first.
    EXPECT_EQ(Fill(&c, exact.data(), exact.size()), 60u);
    for (std::size_t i = 0; i < kPropertyCount; ++i)
        if (rows[i].kind == SlotKind::Text) EXPECT_EQ(c.TextAtRow(i), Marked('B', rows[i].capacity - 1));
}

TEST_F(MappingTest, FillKeepsOnlyKnownTagsOfTheRightType) {
    std::vector<PropertyValue> values = {
        Text(0x3001000A, "error value in place of the display name"),
        Text(0x3A06001E, "Ada"),
        Text(0x12340003, "unknown"),
        Time(tag::kBirthday, 123456789),
        Text(tag::kGeneration & 0xFFFF0000u, "typeless"),
    };
    SourceContact c;
    c.difference_status = kChanged;
    c.birthday = 5;
    c.SetText(tag::kComment, "left over");
    EXPECT_EQ(Fill(&c, values.data(), values.size()), 5u);
    EXPECT_EQ(c.Text(tag::kDisplayName), "");
    EXPECT_EQ(c.Text(tag::kFirstName), "Ada");
    EXPECT_EQ(c.Text(tag::kComment), "");  // zeroed before filling
    EXPECT_EQ(c.birthday, 123456789u);
    EXPECT_EQ(c.difference_status, kUnchanged);
    EXPECT_FALSE(c.SetText(tag::kBirthday, "x"));
    EXPECT_EQ(Fill(&c, nullptr, 3), 0u);
    EXPECT_EQ(c.Text(tag::kFirstName), "");
    EXPECT_EQ(Fill(nullptr, values.data(), values.size()), 0u);
}

// Which record field each property feeds and how many characters it takes.
struct Feed {
    std::uint32_t tag;
    std::size_t chars;
    std::function<const std::string&(const ContactRecord&)> field;
};

const std::vector<Feed>& Feeds() {
    static const std::vector<Feed> feeds = {
        {tag::kEmailAddress, 63, [](const ContactRecord& r) -> const std::string& { return r.email.str(); }},
        {tag::kLastName, 31, [](const ContactRecord& r) -> const std::string& { return r.last_name.str(); }},
        {tag::kFirstName, 31, [](const ContactRecord& r) -> const std::string& { return r.first_name.str(); }},
        {tag::kCompany, 63, [](const ContactRecord& r) -> const std::string& { return r.company.str(); }},
        {tag::kTitle, 31, [](const ContactRecord& r) -> const std::string& { return r.title.str(); }},
        {tag::kComment, 2047, [](const ContactRecord& r) -> const std::string& { return r.note.str(); }},
        {tag::kBusinessPhone, 23, [](const ContactRecord& r) -> const std::string& { return r.work_phone.str(); }},
        {tag::kHomePhone, 23, [](const ContactRecord& r) -> const std::string& { return r.home_phone.str(); }},
        {tag::kPrimaryPhone, 23, [](const ContactRecord& r) -> const std::string& { return r.main_phone.str(); }},
        {tag::kMobilePhone, 23, [](const ContactRecord& r) -> const std::string& { return r.mobile_phone.str(); }},
        {tag::kOtherPhone, 23, [](const ContactRecord& r) -> const std::string& { return r.other_phone.str(); }},
        {tag::kPrimaryFax, 23, [](const ContactRecord& r) -> const std::string& { return r.fax.str(); }},
        {tag::kHomeFax, 23, [](const ContactRecord& r) -> const std::string& { return r.home_fax.str(); }},
        {tag::kBusinessHomepage, 255, [](const ContactRecord& r) -> const std::string& { return r.web_page.str(); }},
        {tag::kBusinessCountry, 31, [](const ContactRecord& r) -> const std::string& { return r.work.country.str(); }},
        {tag::kBusinessState, 31, [](const ContactRecord& r) -> const std::string& { return r.work.state.str(); }},
        {tag::kBusinessCity, 31, [](const ContactRecord& r) -> const std::string& { return r.work.city.str(); }},
        {tag::kBusinessStreet, 63, [](const ContactRecord& r) -> const std::string& { return r.work.street.str(); }},
        {tag::kBusinessPostal, 15, [](const ContactRecord& r) -> const std::string& { return r.work.postal_code.str(); }},
        {tag::kHomeCountry, 31, [](const ContactRecord& r) -> const std::string& { return r.home.country.str(); }},
        {tag::kHomeState, 31, [](const ContactRecord& r) -> const std::string& { return r.home.state.str(); }},
        {tag::kHomeCity, 31, [](const ContactRecord& r) -> const std::string& { return r.home.city.str(); }},
        {tag::kHomeStreet, 63, [](const ContactRecord& r) -> const std::string& { return r.home.street.str(); }},
        {tag::kHomePostal, 15, [](const ContactRecord& r) -> const std::string& { return r.home.postal_code.str(); }},
        {tag::kOtherCountry, 31, [](const ContactRecord& r) -> const std::string& { return r.other.country.str(); }},
        {tag::kOtherState, 31, [](const ContactRecord& r) -> const std::string& { return r.other.state.str(); }},
        {tag::kOtherCity, 31, [](const ContactRecord& r) -> const std::string& { return r.other.city.str(); }},
        {tag::kOtherStreet, 63, [](const ContactRecord& r) -> const std::string& { return r.other.street.str(); }},
        {tag::kOtherPostal, 15, [](const ContactRecord& r) -> const std::string& { return r.other.postal_code.str(); }},
    };
    return feeds;
}

TEST_F(MappingTest, EveryFieldTakesItsWidthFromItsProperty) {
    // Each property filled to its slot with a text that starts with a letter of its own.
    const PropertyRow* rows = PropertyTable();
    std::vector<PropertyValue> values;
    for (std::size_t i = 0; i < kPropertyCount; ++i)
        if (rows[i].kind == SlotKind::Text)
            values.push_back(Text(rows[i].tag, Marked(static_cast<char>('!' + i), 3000)));
    const SourceContact c = FillFrom(values);
    const ContactRecord r = Convert(c);
    for (const Feed& feed : Feeds()) {
        SCOPED_TRACE(PropertyTable()[FindPropertyRow(feed.tag)].name);
        const std::string whole = std::string(c.Text(feed.tag));
        EXPECT_EQ(feed.field(r), whole.substr(0, feed.chars));
        EXPECT_EQ(feed.field(r).size(), feed.chars);
    }
    EXPECT_EQ(r.birthday, 0.0);
    for (const auto& custom : r.custom) EXPECT_TRUE(custom.empty());

    // Each field is fed by its own property only: with one property set, exactly its
    // field is filled.
    for (const Feed& feed : Feeds()) {
        SCOPED_TRACE(PropertyTable()[FindPropertyRow(feed.tag)].name);
        const ContactRecord one = Convert(FillFrom({Text(feed.tag, "x")}));
        int filled = 0;
        for (const Feed& other : Feeds()) filled += other.field(one).empty() ? 0 : 1;
        // A lone name property still leaves the display-name fallback untouched.
        EXPECT_EQ(filled, 1);
        EXPECT_EQ(feed.field(one), "x");
    }
}

TEST_F(MappingTest, DisplayNameOnlyWhenBothNamesAreEmpty) {
    const std::string display = Marked('D', 40);
    ContactRecord r = Convert(FillFrom({Text(tag::kDisplayName, display)}));
    EXPECT_EQ(r.first_name.str(), display.substr(0, 31));
    EXPECT_EQ(r.last_name.str(), "");

    r = Convert(FillFrom({Text(tag::kDisplayName, "Shown"), Text(tag::kFirstName, "Given")}));
    EXPECT_EQ(r.first_name.str(), "Given");
    EXPECT_EQ(r.last_name.str(), "");

    r = Convert(FillFrom({Text(tag::kDisplayName, "Shown"), Text(tag::kLastName, "Family")}));
    EXPECT_EQ(r.first_name.str(), "");
    EXPECT_EQ(r.last_name.str(), "Family");

    // The middle name and nick name never stand in.
    r = Convert(FillFrom({Text(tag::kMiddleName, "M"), Text(tag::kNickName, "N")}));
    EXPECT_EQ(r.first_name.str(), "");
}

TEST_F(MappingTest, BusinessFaxAndPagerNeverReachARecord) {
    const SourceContact c = FillFrom({Text(tag::kBusinessFax, "BFAX-111"), Text(tag::kPager, "PAGER-222"),
                                      Text(0x3A02001E, "CALLBACK-333"), Text(tag::kCarPhone, "CAR-444"),
                                      Text(tag::kFirstName, "A")});
    const ContactRecord r = Convert(c);
    for (const Feed& feed : Feeds())
        if (feed.tag != tag::kFirstName) EXPECT_EQ(feed.field(r), "");
}

TEST_F(MappingTest, CustomFieldsTakeAnyTextPropertyAndNothingElse) {
    const std::string comment = Marked('C', 500);
    const SourceContact c = FillFrom({Text(tag::kComment, comment), Text(tag::kBusinessFax, "555-FAX"),
                                      Time(tag::kBirthday, 130000000000000000ULL),
                                      Text(0x3A4D0002, "gender as text")});
    const std::uint32_t map[9] = {tag::kComment, tag::kBirthday, tag::kBusinessFax, 0x3A4D0002, 0,
                                  0x12345678, tag::kComment, tag::kWeddingAnniversary, 0x3A58101E};
    ASSERT_TRUE(SetCustomFieldMap(map, 9));
    const ContactRecord r = Convert(c);
    EXPECT_EQ(r.custom[0].str(), comment.substr(0, 63));
    EXPECT_EQ(r.custom[1].str(), "");  // Birthday has no text slot
    EXPECT_EQ(r.custom[2].str(), "555-FAX");
    EXPECT_EQ(r.custom[3].str(), "");  // Gender
    EXPECT_EQ(r.custom[4].str(), "");
    EXPECT_EQ(r.custom[5].str(), "");  // unknown tag
    EXPECT_EQ(r.custom[6].str(), comment.substr(0, 63));
    EXPECT_EQ(r.custom[7].str(), "");
    EXPECT_EQ(r.custom[8].str(), "");
    EXPECT_EQ(r.note.str(), comment);
    EXPECT_NE(r.birthday, 0.0);
}

TEST_F(MappingTest, SetCustomFieldMapRefusesBadCountsAndKeepsTheRest) {
    const std::uint32_t nine[9] = {1, 2, 3, 4, 5, 6, 7, 8, 9};
    ASSERT_TRUE(SetCustomFieldMap(nine, 9));
    const std::uint32_t ten[10] = {11, 12, 13, 14, 15, 16, 17, 18, 19, 20};
    EXPECT_FALSE(SetCustomFieldMap(ten, 10));
    EXPECT_FALSE(SetCustomFieldMap(ten, 0));
    EXPECT_FALSE(SetCustomFieldMap(nullptr, 4));
    EXPECT_EQ(CurrentCustomFieldMap(), (CustomFieldMap{1, 2, 3, 4, 5, 6, 7, 8, 9}));
    EXPECT_TRUE(SetCustomFieldMap(ten, 4));
    EXPECT_EQ(CurrentCustomFieldMap(), (CustomFieldMap{11, 12, 13, 14, 5, 6, 7, 8, 9}));

    // The loader's own entry point is the same map; a new loader clears it.
    WabLoader loader;
    EXPECT_EQ(CurrentCustomFieldMap(), CustomFieldMap{});
    EXPECT_FALSE(loader.SetCustomFieldMap(ten, 10));
    EXPECT_TRUE(loader.SetCustomFieldMap(ten, 1));
    EXPECT_EQ(CurrentCustomFieldMap(), (CustomFieldMap{11, 0, 0, 0, 0, 0, 0, 0, 0}));
}

TEST_F(MappingTest, BirthdaysBecomeAutomationDatesAndNoneStaysNone) {
    std::uint64_t stamp = 0;
    ASSERT_TRUE(DateToTimeStamp(1970, 2, 3, &stamp));
    EXPECT_EQ(Convert(FillFrom({Time(tag::kBirthday, stamp)})).birthday, 25602.0);
    // No birthday: 0, not 1 January 1601 (-109205).
    EXPECT_EQ(Convert(FillFrom({Text(tag::kFirstName, "A")})).birthday, 0.0);
    // Before 1900, with a time of day: the fraction counts away from zero.
    ASSERT_TRUE(DateToTimeStamp(1899, 12, 29, &stamp));
    EXPECT_EQ(Convert(FillFrom({Time(tag::kBirthday, stamp + kTicksPerDay / 4)})).birthday, -1.25);
    ASSERT_TRUE(DateToTimeStamp(1850, 6, 1, &stamp));
    EXPECT_EQ(Convert(FillFrom({Time(tag::kBirthday, stamp)})).birthday, -18109.0);
    // A stamp the date cannot hold (after 9999, or with the top bit set) is no birthday.
    ASSERT_TRUE(DateToTimeStamp(10000, 1, 1, &stamp));
    EXPECT_EQ(Convert(FillFrom({Time(tag::kBirthday, stamp)})).birthday, 0.0);
    EXPECT_EQ(Convert(FillFrom({Time(tag::kBirthday, 0x8000000000000000ULL)})).birthday, 0.0);
    // 1 January 1601 00:00:00.001 is a real, if odd, birthday.
    EXPECT_EQ(Convert(FillFrom({Time(tag::kBirthday, 10000)})).birthday, -109205.0);
}

TEST_F(MappingTest, MissingArgumentsAreRefused) {
    SourceContact c;
    ContactRecord r;
    EXPECT_FALSE(ConvertSourceContact(nullptr, &r));
    EXPECT_FALSE(ConvertSourceContact(&c, nullptr));
    TargetContactList target;
    WabLoader loader;
    EXPECT_FALSE(MarkAgainstTarget(nullptr, &target));
    EXPECT_FALSE(MarkAgainstTarget(&loader, nullptr));
    EXPECT_TRUE(MarkAgainstTarget(&loader, &target));  // nothing loaded: nothing to mark
}

}  // namespace
}  // namespace tarvenne::wab
