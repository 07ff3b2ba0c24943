// Storing property values into a SourceContact's slots.
#include "wab/source_contact.h"

#include "engine/bounded_text.h"

namespace tarvenne::wab {

std::string_view SourceContact::Text(std::uint32_t tag) const {
    const int row = FindTextRow(tag);
    return row < 0 ? std::string_view() : std::string_view(slots_[row]);
}

bool SourceContact::SetText(std::uint32_t tag, std::string_view text) {
    const int row = FindTextRow(tag);
    if (row < 0) return false;
    CopyBounded(slots_[row], text, PropertyTable()[row].capacity);
    return true;
}

std::string_view SourceContact::TextAtRow(std::size_t row) const {
    return row < kPropertyCount ? std::string_view(slots_[row]) : std::string_view();
}

void SourceContact::Clear() {
    for (auto& slot : slots_) slot.clear();
    birthday = 0;
    entry_id.reset();
    difference_status = kUnchanged;
}

std::uint32_t Fill(SourceContact* contact, const PropertyValue* values, std::size_t count) {
    if (!contact) return 0;
    contact->Clear();
    if (!values) return 0;
    for (std::size_t i = 0; i < count; ++i) {
        const PropertyValue& value = values[i];
        if (value.tag == tag::kBirthday) {
            contact->birthday = value.time;
        } else {
            contact->SetText(value.tag, value.text);
        }
    }
    return static_cast<std::uint32_t>(count);
}

}  // namespace tarvenne::wab
