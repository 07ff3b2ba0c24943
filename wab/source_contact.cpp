// Storing property values into a SourceContact's slots.
#include "wab/source_contact.h"

#include "engine/bounded_text.h"

#include <cstring>

static_assert(tarvenne::wab::kPropertyCount == 64, "one bit of filled_rows_ per row");

namespace tarvenne::wab {
namespace {

// How much of text a slot of capacity keeps: up to its first NUL, cut on a character.
std::size_t KeptLength(std::string_view text, std::uint32_t capacity) {
    const std::size_t nul = text.find('\0');
    if (nul != std::string_view::npos) text = text.substr(0, nul);
    return CharacterSafeLength(text, capacity == 0 ? 0 : capacity - 1, TextCodePage());
}

// The bits set in v, without a call into the runtime on processors that lack the
// instruction (the program is built for all of them).
std::size_t BitsSet(std::uint64_t v) {
    v = v - ((v >> 1) & 0x5555555555555555ull);
    v = (v & 0x3333333333333333ull) + ((v >> 2) & 0x3333333333333333ull);
    v = (v + (v >> 4)) & 0x0F0F0F0F0F0F0F0Full;
    return static_cast<std::size_t>((v * 0x0101010101010101ull) >> 56);
}

std::uint16_t OffsetAt(const std::string& block, std::size_t k) {
    std::uint16_t offset = 0;
    std::memcpy(&offset, block.data() + 2 * k, 2);
    return offset;
}

}  // namespace

std::string_view SourceContact::Text(std::uint32_t tag) const {
    const int row = FindTextRow(tag);
    return row < 0 ? std::string_view() : TextAtRow(static_cast<std::size_t>(row));
}

std::string_view SourceContact::TextAtRow(std::size_t row) const {
    if (row >= kPropertyCount || !(filled_rows_ >> row & 1)) return std::string_view();
    const std::size_t count = BitsSet(filled_rows_);
    const std::size_t k = BitsSet(filled_rows_ & ((std::uint64_t{1} << row) - 1));
    const std::size_t texts = 2 * (count + 1);
    const std::uint16_t begin = OffsetAt(block_, k);
    return std::string_view(block_.data() + texts + begin, OffsetAt(block_, k + 1) - begin);
}

std::size_t SourceContact::DeliveredLength(std::uint32_t tag) const {
    const int row = FindTextRow(tag);
    for (const auto& [cut_row, length] : delivered_)
        if (cut_row == row) return length;
    return Text(tag).size();
}

std::uint32_t SourceContact::Unmapped(std::uint32_t tag) const {
    const int row = FindTextRow(tag);
    for (const auto& [at, count] : unmapped_)
        if (at == row) return count;
    return 0;
}

bool SourceContact::SetText(std::uint32_t tag, std::string_view text) {
    const int row = FindTextRow(tag);
    if (row < 0) return false;
    std::string_view texts[kPropertyCount];
    for (std::size_t r = 0; r < kPropertyCount; ++r) texts[r] = TextAtRow(r);
    texts[row] = text;
    auto delivered = std::move(delivered_);
    StoreTexts(texts);  // reads the old block through the views before replacing it
    for (const auto& cut : delivered)
        if (cut.first != row) delivered_.push_back(cut);
    return true;
}

void SourceContact::StoreTexts(const std::string_view* texts) {
    const PropertyRow* rows = PropertyTable();
    std::size_t kept[kPropertyCount];
    std::uint64_t filled = 0;
    std::size_t count = 0, total = 0;
    delivered_.clear();
    for (std::size_t r = 0; r < kPropertyCount; ++r) {
        kept[r] = rows[r].kind == SlotKind::Text ? KeptLength(texts[r], rows[r].capacity) : 0;
        const std::size_t whole = texts[r].substr(0, texts[r].find('\0')).size();
        if (rows[r].kind == SlotKind::Text && kept[r] < whole)
            delivered_.emplace_back(static_cast<std::uint8_t>(r), static_cast<std::uint32_t>(whole));
        if (kept[r] == 0) continue;
        filled |= std::uint64_t{1} << r;
        ++count;
        total += kept[r];
    }
    std::string block;
    block.resize(2 * (count + 1) + total);
    std::size_t k = 0, offset = 0;
    char* text_area = &block[2 * (count + 1)];
    for (std::size_t r = 0; r < kPropertyCount; ++r) {
        if (kept[r] == 0) continue;
        const auto begin = static_cast<std::uint16_t>(offset);
        std::memcpy(&block[2 * k++], &begin, 2);
        std::memcpy(text_area + offset, texts[r].data(), kept[r]);
        offset += kept[r];
    }
    const auto end = static_cast<std::uint16_t>(offset);
    std::memcpy(&block[2 * k], &end, 2);
    filled_rows_ = filled;
    block_ = std::move(block);
}

void SourceContact::Clear() {
    filled_rows_ = 0;
    block_ = std::string();
    delivered_.clear();
    unmapped_.clear();
    extras_.clear();
    birthday = 0;
    entry_id.reset();
    difference_status = kUnchanged;
}

std::uint32_t Fill(SourceContact* contact, const PropertyValue* values, std::size_t count) {
    if (!contact) return 0;
    contact->Clear();
    if (!values) return 0;
    std::string_view texts[kPropertyCount];
    std::uint32_t unmapped[kPropertyCount] = {};
    for (std::size_t i = 0; i < count; ++i) {
        const PropertyValue& value = values[i];
        const int row = FindTextRow(value.tag);
        if (value.tag == tag::kBirthday) {
            contact->birthday = value.time;
        } else if (row >= 0 && value.extra) {
            const std::string_view whole = value.text.substr(0, value.text.find('\0'));
            if (whole.empty()) continue;
            const std::size_t kept = KeptLength(whole, PropertyTable()[row].capacity);
            contact->extras_.push_back(SourceContact::Extra{value.tag, std::string(whole.substr(0, kept)),
                                                            static_cast<std::uint32_t>(whole.size()), value.unmapped});
        } else if (row >= 0) {
            texts[row] = value.text;
            unmapped[row] = value.unmapped;
        }
    }
    contact->StoreTexts(texts);
    for (std::size_t r = 0; r < kPropertyCount; ++r)
        if (unmapped[r] != 0 && !texts[r].empty()) contact->unmapped_.emplace_back(static_cast<std::uint8_t>(r), unmapped[r]);
    return static_cast<std::uint32_t>(count);
}

}  // namespace tarvenne::wab
