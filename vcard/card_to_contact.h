// The card mapping: the properties of one card, each decoded by the rules of the version
// the card declares and converted into the text code page, offered to the property-table
// slot it maps to; the card is handed over as the address book's road hands over an entry.
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
        address_rank_.fill(0);
        birthday_ = anniversary_ = DateSlot();
        uid_.clear();
    }

    void Handle(const Property& p);
    // The card as an entry; valid until the next Start.
    wab::EntryView Finish();

private:
    struct Slot {
        std::uint32_t offset = 0, length = 0;
        int rank = 0;  // 0: empty
    };
    struct DateSlot {
        bool set = false;
        std::uint64_t stamp = 0;
    };

    std::string_view Decode(std::string_view raw, const Property& p);
    bool Offer(std::uint32_t tag, std::string_view value, int rank);
    void OfferPair(std::uint32_t first, std::uint32_t second, std::string_view value, int rank);
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
    std::array<int, 3> address_rank_{};  // work, home, other; 0 while none is taken
    DateSlot birthday_, anniversary_;
    std::string uid_;
    std::string id_;
    std::string quoted_, unescaped_, decoded_, phone_;
    std::array<std::string, 5> address_;  // street, city, region, postal code, country
    std::vector<wab::PropertyValue> values_;
};

}  // namespace tarvenne::vcard
