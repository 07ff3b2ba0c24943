// One address-book entry as read: a text slot per known text property, the birthday's
// time stamp, the entry id and the difference status the marking gives it. Also the
// portable form of one property value, which both address-book readers deliver.
#pragma once

#include "wab/property_table.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace tarvenne::wab {

// One property of an entry as a reader delivers it, whatever the reader: the MAPI road
// copies each SPropValue into one of these, the vCard reader builds them from the card.
struct PropertyValue {
    std::uint32_t tag = 0;      // whole MAPI tag, property type included
    std::string text;           // string values (PT_STRING8), 8-bit ANSI
    std::uint64_t time = 0;     // time values (PT_SYSTIME): 100 ns since 1 January 1601
};

// The entry's identifier bytes. Copies of a contact (the record list page keeps them)
// share the block, and it lives as long as the last of them, so a copy outlives an
// Unload safely.
using EntryIdBlock = std::shared_ptr<const std::vector<std::uint8_t>>;

// What the marking decides about a contact.
enum DifferenceStatus : std::int32_t {
    kUnchanged = 0,  // the target already holds it
    kNew = 1,
    kChanged = 2,
};

class SourceContact {
public:
    SourceContact() = default;

    // The text of a property with a text slot; empty for an absent value and for tags
    // that have no text slot.
    std::string_view Text(std::uint32_t tag) const;
    // Stores text under tag, cut to the slot's capacity; false (nothing stored) for a tag
    // without a text slot.
    bool SetText(std::uint32_t tag, std::string_view text);
    // The slot of the table's row index (0 to 63); empty for rows without a text slot.
    std::string_view TextAtRow(std::size_t row) const;

    // Empties every slot, the birthday, the entry id and the status.
    void Clear();

    std::uint64_t birthday = 0;  // the birthday time stamp; 0 when absent
    EntryIdBlock entry_id;       // shared with copies; null when the entry has none
    std::int32_t difference_status = kUnchanged;

    std::uint32_t EntryIdSize() const {
        return entry_id ? static_cast<std::uint32_t>(entry_id->size()) : 0;
    }
    const std::uint8_t* EntryIdBytes() const {
        return entry_id && !entry_id->empty() ? entry_id->data() : nullptr;
    }

private:
    std::array<std::string, kPropertyCount> slots_;  // by row index; rows without text stay empty
};

// Zeroes the contact, then keeps each value whose tag has a text slot (cut to the slot)
// and the birthday's time stamp; later values of the same tag replace earlier ones, as
// a copy into the slot would. Returns the number of values seen.
std::uint32_t Fill(SourceContact* contact, const PropertyValue* values, std::size_t count);

}  // namespace tarvenne::wab
