// The known address-book properties: every row's tag, name and slot as documented, in the
// order the custom fields dialog lists them, and the lookups built on them.
#include "wab/property_table.h"

#include <gtest/gtest.h>

#include <cstring>
#include <set>

namespace tarvenne::wab {
namespace {

struct ExpectedRow {
    std::uint32_t tag;
    const char* name;
    int slot;  // text capacity; 0 for the time stamp, -1 for none
};

// The documented table, row by row.
const ExpectedRow kExpected[] = {
    {0x3001001E, "Display Name", 64},
    {0x3003001E, "Email Address", 64},
    {0x3A11001E, "Last Name", 32},
    {0x3A44001E, "Middle Name", 32},
    {0x3A06001E, "First Name", 32},
    {0x3A16001E, "Company", 64},  // widened to the record's company field
    {0x3A17001E, "Title", 32},
    {0x3A18001E, "Department", 64},
    {0x3004001E, "Comment", 2048},
    {0x3A02001E, "Callback Telephone No.", 32},
    {0x3A08001E, "Business Telephone No.", 32},
    {0x3A09001E, "Home Telephone No.", 32},
    {0x3A1A001E, "Primary Telephone No.", 32},
    {0x3A1D001E, "Radio Telephone No.", 32},
    {0x3A1C001E, "Mobile Telephone No.", 32},
    {0x3A1E001E, "Car Telephone No.", 32},
    {0x3A1F001E, "Other Telephone No.", 32},
    {0x3A21001E, "Pager No.", 32},
    {0x3A23001E, "Primary Fax", 32},
    {0x3A24001E, "Business Fax", 32},
    {0x3A25001E, "Home Fax", 32},
    {0x3A50001E, "Personal Homepage", 64},
    {0x3A51001E, "Business Homepage", 256},  // widened to the record's web page field
    {0x3A26001E, "Country ( Business )", 32},
    {0x3A28001E, "State or Province ( Business )", 32},
    {0x3A27001E, "City ( Business )", 32},
    {0x3A29001E, "Street ( Business )", 256},
    {0x3A2A001E, "Postal ( Business )", 16},
    {0x3A5A001E, "Country ( Home )", 32},
    {0x3A5C001E, "State or Province ( Home )", 32},
    {0x3A59001E, "City ( Home )", 32},
    {0x3A5D001E, "Street (Home )", 256},
    {0x3A5B001E, "Postal ( Home )", 16},
    {0x3A60001E, "Country ( Other )", 32},
    {0x3A62001E, "State or Province ( Other )", 32},
    {0x3A5F001E, "City ( Other )", 32},
    {0x3A63001E, "Street ( Other )", 256},
    {0x3A61001E, "Postal ( Other )", 16},
    {0x3A00001E, "Account", 32},
    {0x3A05001E, "Generation", 16},
    {0x3A07001E, "Government ID", 32},
    {0x3A0A001E, "Initials", 16},
    {0x3A0B001E, "Keyword", 64},
    {0x3A0C001E, "Language", 8},
    {0x3A0D001E, "Location", 32},
    {0x3A0F001E, "MHS Common Name", 32},
    {0x3A10001E, "Organizational ID", 32},
    {0x3A1B001E, "Business Phone 2", 32},
    {0x3A2F001E, "Home Phone 2", 32},
    {0x3A2D001E, "ISDN Number", 32},
    {0x3A2E001E, "Assistant Telephone No.", 32},
    {0x3A30001E, "Assistant", 32},
    {0x3A43001E, "Hobbies", 128},
    {0x3A46001E, "Profession", 32},
    {0x3A420040, "Birthday", 0},
    {0x3A410040, "Wedding Anniversary", -1},
    {0x3A4C001E, "FTP Site", 256},
    {0x3A4A001E, "Customer ID", 32},
    {0x3A4E001E, "Manager Name", 32},
    {0x3A49001E, "Computer Network Name", 32},
    {0x3A4D0002, "Gender", -1},
    {0x3A4F001E, "Nick Name", 32},
    {0x3A48001E, "Spouse Name", 32},
    {0x3A58101E, "Children's Names", -1},
};

TEST(PropertyTable, RowsAreTheDocumentedOnesInOrder) {
    static_assert(sizeof kExpected / sizeof kExpected[0] == kPropertyCount, "64 rows");
    const PropertyRow* rows = PropertyTable();
    for (std::size_t i = 0; i < kPropertyCount; ++i) {
        SCOPED_TRACE(kExpected[i].name);
        EXPECT_EQ(rows[i].tag, kExpected[i].tag);
        EXPECT_STREQ(rows[i].name, kExpected[i].name);
        EXPECT_LE(std::strlen(rows[i].name), 63u);
        if (kExpected[i].slot > 0) {
            EXPECT_EQ(rows[i].kind, SlotKind::Text);
            EXPECT_EQ(rows[i].capacity, static_cast<std::uint32_t>(kExpected[i].slot));
        } else if (kExpected[i].slot == 0) {
            EXPECT_EQ(rows[i].kind, SlotKind::TimeStamp);
        } else {
            EXPECT_EQ(rows[i].kind, SlotKind::None);
        }
    }
}

TEST(PropertyTable, LookupsCompareWholeTags) {
    std::set<std::uint32_t> tags;
    for (std::size_t i = 0; i < kPropertyCount; ++i) {
        tags.insert(kExpected[i].tag);
        EXPECT_EQ(FindPropertyRow(kExpected[i].tag), static_cast<int>(i));
        EXPECT_EQ(FindTextRow(kExpected[i].tag), kExpected[i].slot > 0 ? static_cast<int>(i) : -1);
        EXPECT_EQ(FindPropertyRowByName(kExpected[i].name), static_cast<int>(i));
    }
    EXPECT_EQ(tags.size(), kPropertyCount);  // no tag twice
    // The same property with an error type (PT_ERROR, 0x000A) is not the property.
    EXPECT_EQ(FindPropertyRow(0x3001000A), -1);
    EXPECT_EQ(FindTextRow(0x3001001F), -1);  // the wide-string form is not read either
    EXPECT_EQ(FindPropertyRow(0), -1);
    EXPECT_EQ(FindPropertyRowByName("comment"), 8);
    EXPECT_EQ(FindPropertyRowByName("Comment "), -1);
    EXPECT_EQ(FindPropertyRowByName(nullptr), -1);
}

}  // namespace
}  // namespace tarvenne::wab
