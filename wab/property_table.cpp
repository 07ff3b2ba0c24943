// The table of known address-book properties and lookups into it.
#include "wab/property_table.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <utility>

namespace tarvenne::wab {
namespace {

constexpr SlotKind T = SlotKind::Text;

// Row order matters: the custom fields dialog shows the names in this order and the
// settings file stores the chosen tags, not positions, so rows may not be renamed.
constexpr PropertyRow kRows[kPropertyCount] = {
    {0x3001001E, "Display Name", T, 64},
    {0x3003001E, "Email Address", T, 64},
    {0x3A11001E, "Last Name", T, 32},
    {0x3A44001E, "Middle Name", T, 32},
    {0x3A06001E, "First Name", T, 32},
    // Company and the homepages are as wide as the record fields they feed.
    {0x3A16001E, "Company", T, 64},
    {0x3A17001E, "Title", T, 32},
    {0x3A18001E, "Department", T, 64},
    {0x3004001E, "Comment", T, 2048},
    {0x3A02001E, "Callback Telephone No.", T, 32},
    {0x3A08001E, "Business Telephone No.", T, 32},
    {0x3A09001E, "Home Telephone No.", T, 32},
    {0x3A1A001E, "Primary Telephone No.", T, 32},
    {0x3A1D001E, "Radio Telephone No.", T, 32},
    {0x3A1C001E, "Mobile Telephone No.", T, 32},
    {0x3A1E001E, "Car Telephone No.", T, 32},
    {0x3A1F001E, "Other Telephone No.", T, 32},
    {0x3A21001E, "Pager No.", T, 32},
    {0x3A23001E, "Primary Fax", T, 32},
    {0x3A24001E, "Business Fax", T, 32},
    {0x3A25001E, "Home Fax", T, 32},
    {0x3A50001E, "Personal Homepage", T, 256},
    {0x3A51001E, "Business Homepage", T, 256},
    {0x3A26001E, "Country ( Business )", T, 32},
    {0x3A28001E, "State or Province ( Business )", T, 32},
    {0x3A27001E, "City ( Business )", T, 32},
    {0x3A29001E, "Street ( Business )", T, 256},
    {0x3A2A001E, "Postal ( Business )", T, 16},
    {0x3A5A001E, "Country ( Home )", T, 32},
    {0x3A5C001E, "State or Province ( Home )", T, 32},
    {0x3A59001E, "City ( Home )", T, 32},
    {0x3A5D001E, "Street (Home )", T, 256},
    {0x3A5B001E, "Postal ( Home )", T, 16},
    {0x3A60001E, "Country ( Other )", T, 32},
    {0x3A62001E, "State or Province ( Other )", T, 32},
    {0x3A5F001E, "City ( Other )", T, 32},
    {0x3A63001E, "Street ( Other )", T, 256},
    {0x3A61001E, "Postal ( Other )", T, 16},
    {0x3A00001E, "Account", T, 32},
    {0x3A05001E, "Generation", T, 16},
    {0x3A07001E, "Government ID", T, 32},
    {0x3A0A001E, "Initials", T, 16},
    {0x3A0B001E, "Keyword", T, 64},
    {0x3A0C001E, "Language", T, 8},
    {0x3A0D001E, "Location", T, 32},
    {0x3A0F001E, "MHS Common Name", T, 32},
    {0x3A10001E, "Organizational ID", T, 32},
    {0x3A1B001E, "Business Phone 2", T, 32},
    {0x3A2F001E, "Home Phone 2", T, 32},
    {0x3A2D001E, "ISDN Number", T, 32},
    {0x3A2E001E, "Assistant Telephone No.", T, 32},
    {0x3A30001E, "Assistant", T, 32},
    {0x3A43001E, "Hobbies", T, 128},
    {0x3A46001E, "Profession", T, 32},
    {0x3A420040, "Birthday", SlotKind::TimeStamp, 0},
    {0x3A410040, "Wedding Anniversary", SlotKind::None, 0},
    {0x3A4C001E, "FTP Site", T, 256},
    {0x3A4A001E, "Customer ID", T, 32},
    {0x3A4E001E, "Manager Name", T, 32},
    {0x3A49001E, "Computer Network Name", T, 32},
    {0x3A4D0002, "Gender", SlotKind::None, 0},
    {0x3A4F001E, "Nick Name", T, 32},
    {0x3A48001E, "Spouse Name", T, 32},
    {0x3A58101E, "Children's Names", SlotKind::None, 0},
};

}  // namespace

const PropertyRow* PropertyTable() { return kRows; }

int FindPropertyRow(std::uint32_t tag) {
    // Every value of every entry is looked up, several times: a table of twice as many
    // places as rows, built once, finds a tag in about one probe.
    constexpr std::size_t kPlaces = 2 * kPropertyCount;  // 128: the top 7 bits of a product
    // Tags differ in their high half (the property) and rarely in their low one (the
    // type), so the place comes from the top bits of a multiplicative hash.
    const auto place_of = [](std::uint32_t t) { return static_cast<std::size_t>((t * 2654435761u) >> 25); };
    static const std::array<std::int8_t, kPlaces> places = [&] {
        std::array<std::int8_t, kPlaces> table{};
        table.fill(-1);
        for (std::size_t i = 0; i < kPropertyCount; ++i) {
            std::size_t at = place_of(kRows[i].tag);
            while (table[at] >= 0) at = (at + 1) % kPlaces;
            table[at] = static_cast<std::int8_t>(i);
        }
        return table;
    }();
    for (std::size_t at = place_of(tag); places[at] >= 0; at = (at + 1) % kPlaces)
        if (kRows[places[at]].tag == tag) return places[at];
    return -1;
}

int FindTextRow(std::uint32_t tag) {
    const int row = FindPropertyRow(tag);
    return row >= 0 && kRows[row].kind == SlotKind::Text ? row : -1;
}

int FindPropertyRowByName(const char* name) {
    if (!name) return -1;
    for (std::size_t i = 0; i < kPropertyCount; ++i) {
        const char* a = kRows[i].name;
        const char* b = name;
        while (*a && *b &&
               std::tolower(static_cast<unsigned char>(*a)) ==
                   std::tolower(static_cast<unsigned char>(*b))) {
            ++a;
            ++b;
        }
        if (*a == '\0' && *b == '\0') return static_cast<int>(i);
    }
    return -1;
}

}  // namespace tarvenne::wab
