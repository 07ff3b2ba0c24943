// The address-book properties the program knows: their MAPI property tags, the names the
// custom fields dialog offers, and how much of each a SourceContact keeps.
#pragma once

#include <cstddef>
#include <cstdint>

namespace tarvenne::wab {

// How a property is held in a SourceContact.
enum class SlotKind : std::uint8_t {
    Text,       // an 8-bit text slot of the row's capacity
    TimeStamp,  // the birthday's 64-bit time stamp
    None,       // known by name only; never stored
};

struct PropertyRow {
    std::uint32_t tag;        // whole tag, property type included
    const char* name;         // at most 63 characters
    SlotKind kind;
    std::uint32_t capacity;   // text slots: bytes, terminating NUL included; else 0
};

constexpr std::size_t kPropertyCount = 64;

// The rows in the order the custom fields dialog lists them.
const PropertyRow* PropertyTable();

// The row index of a tag, or -1 when the tag is not in the table. Tags compare whole: the
// same property delivered with another type (an error value, say) is not found.
int FindPropertyRow(std::uint32_t tag);
// The row index of a tag whose row has a text slot, or -1.
int FindTextRow(std::uint32_t tag);
// The row index whose name equals name without regard to letter case, or -1.
int FindPropertyRowByName(const char* name);

// Tags the conversion and the readers name directly.
namespace tag {
constexpr std::uint32_t kDisplayName = 0x3001001E;
constexpr std::uint32_t kEmailAddress = 0x3003001E;
constexpr std::uint32_t kLastName = 0x3A11001E;
constexpr std::uint32_t kMiddleName = 0x3A44001E;
constexpr std::uint32_t kFirstName = 0x3A06001E;
constexpr std::uint32_t kCompany = 0x3A16001E;
constexpr std::uint32_t kTitle = 0x3A17001E;
constexpr std::uint32_t kDepartment = 0x3A18001E;
constexpr std::uint32_t kComment = 0x3004001E;
constexpr std::uint32_t kBusinessPhone = 0x3A08001E;
constexpr std::uint32_t kHomePhone = 0x3A09001E;
constexpr std::uint32_t kPrimaryPhone = 0x3A1A001E;
constexpr std::uint32_t kMobilePhone = 0x3A1C001E;
constexpr std::uint32_t kCarPhone = 0x3A1E001E;
constexpr std::uint32_t kOtherPhone = 0x3A1F001E;
constexpr std::uint32_t kPager = 0x3A21001E;
constexpr std::uint32_t kPrimaryFax = 0x3A23001E;
constexpr std::uint32_t kBusinessFax = 0x3A24001E;
constexpr std::uint32_t kHomeFax = 0x3A25001E;
constexpr std::uint32_t kPersonalHomepage = 0x3A50001E;
constexpr std::uint32_t kBusinessHomepage = 0x3A51001E;
constexpr std::uint32_t kBusinessCountry = 0x3A26001E;
constexpr std::uint32_t kBusinessState = 0x3A28001E;
constexpr std::uint32_t kBusinessCity = 0x3A27001E;
constexpr std::uint32_t kBusinessStreet = 0x3A29001E;
constexpr std::uint32_t kBusinessPostal = 0x3A2A001E;
constexpr std::uint32_t kHomeCountry = 0x3A5A001E;
constexpr std::uint32_t kHomeState = 0x3A5C001E;
constexpr std::uint32_t kHomeCity = 0x3A59001E;
constexpr std::uint32_t kHomeStreet = 0x3A5D001E;
constexpr std::uint32_t kHomePostal = 0x3A5B001E;
constexpr std::uint32_t kOtherCountry = 0x3A60001E;
constexpr std::uint32_t kOtherState = 0x3A62001E;
constexpr std::uint32_t kOtherCity = 0x3A5F001E;
constexpr std::uint32_t kOtherStreet = 0x3A63001E;
constexpr std::uint32_t kOtherPostal = 0x3A61001E;
constexpr std::uint32_t kGeneration = 0x3A05001E;
constexpr std::uint32_t kBusinessPhone2 = 0x3A1B001E;
constexpr std::uint32_t kHomePhone2 = 0x3A2F001E;
constexpr std::uint32_t kIsdn = 0x3A2D001E;
constexpr std::uint32_t kProfession = 0x3A46001E;
constexpr std::uint32_t kBirthday = 0x3A420040;
constexpr std::uint32_t kWeddingAnniversary = 0x3A410040;
constexpr std::uint32_t kNickName = 0x3A4F001E;
// Every e-mail address of an entry (PT_MV_STRING8), the entry's own among them: not a row
// of the table above, read for the addresses beyond that one.
constexpr std::uint32_t kContactEmailAddresses = 0x3A56101E;
// Columns of the contents table, not rows of the table above.
constexpr std::uint32_t kEntryId = 0x0FFF0102;
constexpr std::uint32_t kObjectType = 0x0FFE0003;
}  // namespace tag

// Object types an address-book entry can have.
constexpr std::uint32_t kObjectTypeMailUser = 6;  // MAPI_MAILUSER
constexpr std::uint32_t kObjectTypeDistList = 8;  // MAPI_DISTLIST

}  // namespace tarvenne::wab
