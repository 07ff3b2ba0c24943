// Turning address-book contacts into the engine's contacts: the conversion into a
// ContactRecord, the custom-field map that routes any text property into custom fields
// 1 to 9, and the marking of every loaded contact against the target.
#pragma once

#include "wab/source_contact.h"

#include <array>
#include <cstdint>
#include <vector>

#include "engine/contact_record.h"
#include "engine/record_edits.h"

namespace tarvenne {
class TargetContactList;
}  // namespace tarvenne

namespace tarvenne::wab {

class WabLoader;

constexpr std::uint32_t kCustomFieldCount = 9;
using CustomFieldMap = std::array<std::uint32_t, kCustomFieldCount>;  // 0: field unused

// The process-wide map: cleared to nine zeros when a WabLoader is constructed.
const CustomFieldMap& CurrentCustomFieldMap();
void ClearCustomFieldMap();
// False (map unchanged) for a null array or a count outside 1 to 9; otherwise custom 1 to
// count take the given tags and the rest keep theirs.
bool SetCustomFieldMap(const std::uint32_t* tags, std::uint32_t count);

// Fills a zeroed record from the contact: every field cut to its width, the display name
// as first name only when first and last name are both empty, the mapped custom fields,
// and the birthday as an automation date (0 when the contact has none or it cannot be
// converted). False when either argument is missing.
bool ConvertSourceContact(const SourceContact* contact, ContactRecord* record);

// The property a text of the converted contact came from (the display name for a first
// name that stood in for both names; the mapped property for a custom text); 0 for none.
std::uint32_t SourceTagOf(const SourceContact& contact, ContactText text);

// A text of a contact that reached a contacts file shorter than the address book holds it.
struct TextCut {
    std::uint32_t tag;    // the property it came from
    std::size_t length;   // its bytes as the address book delivered them
    std::size_t kept;     // the bytes the file holds
};
// The cuts among what a contact just added or updated left in its record.
std::vector<TextCut> CutTexts(const SourceContact& contact, const RecordEdits& edits);

// Sets the difference status of every loaded contact from the duplicate search: 1 for no
// match, 2 for a match that differs, 0 otherwise. False when either argument is missing.
bool MarkAgainstTarget(WabLoader* loader, TargetContactList* target);

}  // namespace tarvenne::wab
