// The card mapping: the properties of one card, each decoded by the rules of the version
// the card declares and converted into the text code page, offered to the property-table
// slot it maps to; values a card repeats beyond the slots are handed over as extras of
// their kind. The card is handed over as the address book's road hands over an entry.
#pragma once

#include "vcard/vcard_lines.h"
#include "vcard/vcard_text.h"
#include "wab/ansi_text.h"
#include "wab/property_table.h"
#include "wab/source_contact.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tarvenne::vcard {

// One card under construction. The builder is reused from card to card, so reading a
// book allocates nothing per card once its buffers have grown.
class CardBuilder {
public:
    explicit CardBuilder(wab::AnsiConverter& converter) : converter_(converter) {}

    // Begins the card at a 1-based position in the file, forgetting the one before.
    void Start(std::size_t index) {
        index_ = index;
        version_ = kVersion30;
        object_type_ = wab::kObjectTypeMailUser;
        texts_.clear();
        slots_.fill(Slot());
        extras_.clear();
        sequence_ = 0;
        addresses_.fill(Slot());
        birthday_ = anniversary_ = DateSlot();
        uid_.clear();
    }

    void Handle(const Property& p);
    // The card as an entry; valid until the next Start.
    wab::EntryView Finish();

private:
    // A value kept in texts_: where it lies, its preference, where the card gave it (values
    // of one property share the number) and its characters the code page lacks.
    struct Slot {
        std::uint32_t offset = 0, length = 0;
        int rank = 0;  // 0: empty
        std::uint32_t sequence = 0, unmapped = 0;
    };
    struct Extra {
        std::uint32_t tag;
        Slot value;
    };
    struct DateSlot {
        bool set = false;
        std::uint64_t stamp = 0;
    };

    const Property& CharsetFirst(const Property& p);
    std::string_view Decode(std::string_view raw, const Property& p, bool uri = false);
    Slot Keep(std::string_view value, int rank, std::uint32_t unmapped);
    Slot Place(std::uint32_t tag, const Slot& value);
    void Offer(std::uint32_t tag, std::string_view value, int rank);
    void OfferRepeated(std::uint32_t tag, std::string_view value, int rank);
    void OfferPair(std::uint32_t first, std::uint32_t second, std::string_view value, int rank);
    void KeepAddressAsExtra(int kind, const Slot (&parts)[5], std::uint32_t sequence);
    void HandleName(const Property& p);
    void HandlePhone(const Property& p);
    void HandleAddress(const Property& p);
    void HandleDate(const Property& p, DateSlot* date);

    wab::AnsiConverter& converter_;  // not owned: the parse's
    std::size_t index_ = 0;          // 1-based position of the card in the file
    Version version_ = kVersion30;   // 3.0 until the card says otherwise
    std::uint32_t object_type_ = wab::kObjectTypeMailUser;
    std::string texts_;              // every value kept, back to back
    std::array<Slot, wab::kPropertyCount> slots_{};
    std::vector<Extra> extras_;      // values beyond the slots, in no order until Finish
    std::uint32_t sequence_ = 0;     // of the property being handled, in the card
    // The address of each kind (work, home, other) as a whole: its rank and place; rank 0
    // while none is taken.
    std::array<Slot, 3> addresses_{};
    DateSlot birthday_, anniversary_;
    std::string uid_;
    std::string id_;
    std::string quoted_, unescaped_, percent_, decoded_, phone_, in_utf8_, joined_;
    std::uint32_t decoded_unmapped_ = 0;  // of the value Decode gave last
    Property utf8_property_;              // CharsetFirst's copy, viewing in_utf8_
    std::array<std::string, 5> address_;  // street, city, region, postal code, country
    std::vector<wab::PropertyValue> values_;
};

}  // namespace tarvenne::vcard
