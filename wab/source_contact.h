// One address-book entry as read: a text slot per known text property, the birthday's
// time stamp, the entry id and the difference status the marking gives it. Also the
// portable form of one entry, which both address-book readers hand over.
#pragma once

#include "wab/property_table.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace tarvenne::wab {

// One property of an entry as a reader hands it over, whatever the reader: the MAPI road
// views each SPropValue, the vCard reader the card's decoded values. The text is valid
// only while the entry is being handed over.
struct PropertyValue {
    std::uint32_t tag = 0;      // whole MAPI tag, property type included
    std::string_view text;      // string values (PT_STRING8), 8-bit ANSI
    std::uint64_t time = 0;     // time values (PT_SYSTIME): 100 ns since 1 January 1601
    // One more value of a kind the entry has already (a second e-mail address, a third work
    // phone): kept as an extra of the contact, under the tag of its kind.
    bool extra = false;
    // Characters of the value the text code page has no letter for, each turned into '?'.
    std::uint32_t unmapped = 0;
};

// One entry as a reader hands it over; like its values, valid only during the hand-over.
struct EntryView {
    std::uint32_t object_type = kObjectTypeMailUser;
    std::string_view entry_id;  // the identifier's bytes
    const PropertyValue* values = nullptr;
    std::size_t value_count = 0;
};

// Receives the entries of an address book one by one, as either reader hands them over.
using EntrySink = std::function<void(const EntryView&)>;

// The entry's identifier bytes. Copies of a contact (the record list page keeps them)
// share the block, and it lives as long as the last of them, so a copy outlives an
// Unload safely.
using EntryIdBlock = std::shared_ptr<const std::vector<std::uint8_t>>;

// What the marking decides about a contact.
enum DifferenceStatus : std::int32_t {
    kUnchanged = 0,  // the target already holds it
    kNew = 1,
    kChanged = 2,
    kFeedsNothing = 3,  // no value of it reaches a record: no contact at all, never listed
};

class SourceContact {
public:
    SourceContact() = default;

    // The text of a property with a text slot; empty for an absent value and for tags
    // that have no text slot.
    std::string_view Text(std::uint32_t tag) const;
    // Stores text under tag, cut to the slot's capacity and at its first NUL; false
    // (nothing stored) for a tag without a text slot.
    bool SetText(std::uint32_t tag, std::string_view text);
    // The slot of the table's row index (0 to 63); empty for rows without a text slot.
    std::string_view TextAtRow(std::size_t row) const;
    // How long the text of a property was as the address book delivered it (up to a NUL),
    // before its slot cut it; for telling the user about texts cut to fit.
    std::size_t DeliveredLength(std::uint32_t tag) const;

    // Characters of a property's text that became '?' in the text code page.
    std::uint32_t Unmapped(std::uint32_t tag) const;

    // A value beyond the slots: another value of a kind the entry has already.
    struct Extra {
        std::uint32_t tag;          // the kind's property tag
        std::string text;           // cut to the kind's slot
        std::uint32_t delivered;    // its bytes as the address book delivered them
        std::uint32_t unmapped;
    };
    const std::vector<Extra>& Extras() const { return extras_; }

    // Empties every slot, the extras, the birthday, the entry id and the status.
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
    friend std::uint32_t Fill(SourceContact*, const PropertyValue*, std::size_t);
    // Replaces the slots with texts[row] for every row; one allocation for all of them.
    void StoreTexts(const std::string_view* texts);

    // A book holds thousands of contacts, so the slots live in one block: for the rows
    // whose bit is set in filled_rows_, in row order, first a 16-bit offset each (and
    // one for the end), then the texts back to back. The widest slots add up to well
    // under 65,536 bytes.
    std::uint64_t filled_rows_ = 0;
    std::string block_;
    // Rows whose slot cut the text delivered, with the delivered length; rarely any.
    std::vector<std::pair<std::uint8_t, std::uint32_t>> delivered_;
    // Rows whose text holds characters turned into '?', with how many; rarely any.
    std::vector<std::pair<std::uint8_t, std::uint32_t>> unmapped_;
    std::vector<Extra> extras_;
};

// Zeroes the contact, then keeps each value whose tag has a text slot (cut to the slot)
// and the birthday's time stamp; later values of the same tag replace earlier ones, as
// a copy into the slot would. Returns the number of values seen.
std::uint32_t Fill(SourceContact* contact, const PropertyValue* values, std::size_t count);

}  // namespace tarvenne::wab
