// Turning address-book contacts into the engine's contacts: the conversion into a
// ContactRecord, the custom-field map that routes any text property into custom fields
// 1 to 9, and the marking of every loaded contact against the target.
#pragma once

#include "wab/source_contact.h"

#include <array>
#include <cstdint>

namespace tarvenne {
struct ContactRecord;
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

// Sets the difference status of every loaded contact from the duplicate search: 1 for no
// match, 2 for a match that differs, 0 otherwise. False when either argument is missing.
bool MarkAgainstTarget(WabLoader* loader, TargetContactList* target);

}  // namespace tarvenne::wab
