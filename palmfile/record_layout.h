// What a record row of each contacts-file layout holds: the kind of every position, the
// widths the conversion writes to, and where the fields the program reads and writes lie.
// The record reader, the writer and the conversion are written once against this table;
// the two layouts differ only in the table.
#pragma once

#include <cstdint>

namespace tarvenne {

constexpr int kMaxRecordFields = 73;
constexpr int kMaxPhones = 7;
constexpr int kMaxCustoms = 9;
constexpr int kMaxAddresses = 3;

enum class FieldKind : std::uint8_t {
    kInteger,  // tag 1 (3 and 6 accepted on reading), int32
    kBoolean,  // tag 6, int32
    kText,     // tag 5, marker, counted string
    kBlob,     // no tag: w0, w1 [, w2, w3, length, bytes]
    kLong,     // tag 68, eight bytes
};

// The fields of one address; kind is -1 where the layout stores no kind (classic).
struct AddressFields {
    int kind = -1;
    int street = -1, city = -1, state = -1, zip = -1, country = -1;
};

// Every position names a slot of the record in memory. The two name positions trade
// places between file and memory when names are swapped; everything else is the same.
// A role the layout lacks is -1.
struct RecordLayout {
    const char* name;  // "classic" or "palmsg", as the tool prints layouts
    int fields;        // positions of a full row
    FieldKind kind[kMaxRecordFields];
    // The most bytes (with the NUL) the conversion writes into a text position. Texts read
    // from a file are kept whole, whatever their length.
    std::uint16_t width[kMaxRecordFields];

    int record_id, record_number, status, entry_index, placement, category_id, is_private;
    int first_name, last_name, title, company, note, web_page, birthday, display_phone;
    int phones;
    int phone[kMaxPhones], phone_label[kMaxPhones];
    int customs;
    int custom[kMaxCustoms];
    int addresses;
    AddressFields address[kMaxAddresses];
    int chats;
    int chat[2];

    // The memory slot a file position is read into (and written from).
    int SlotOf(int position, bool swap_names) const {
        if (swap_names && position == first_name) return last_name;
        if (swap_names && position == last_name) return first_name;
        return position;
    }
};

// Classic: 30 fields, last name at 3 and first name at 4, five phones, one address.
const RecordLayout& ClassicLayout();
// Newer ("PalmSG Database"): 73 fields, seven phones, nine customs, three address blocks.
const RecordLayout& PalmSgLayout();

// Status bits of a record.
constexpr std::uint32_t kStatusAdded = 0x01;     // appended by a conversion
constexpr std::uint32_t kStatusUpdated = 0x02;   // changed by a conversion
constexpr std::uint32_t kStatusNotListed = 0x04 | 0x80;  // neither matched nor changed
constexpr std::int32_t kPlacementAppended = 0x7FFFFFFF;

// Phone labels.
enum PhoneLabel : std::int32_t {
    kWorkPhone = 0, kHomePhone = 1, kFax = 2, kOtherPhone = 3,
    kEmail = 4, kMainPhone = 5, kPager = 6, kMobilePhone = 7,
};

}  // namespace tarvenne
