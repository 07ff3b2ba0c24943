// Turning address-book contacts into the engine's contacts: the conversion into a
// ContactRecord, the custom-field map that routes any text property into custom fields
// 1 to 9, and the marking of every loaded contact against the target.
#pragma once

#include "wab/source_contact.h"

#include <array>
#include <string>
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

// Fills a zeroed record from the contact: every field cut to its width; the fax from the
// primary fax, else the business fax, else the home fax; the web page from the business
// homepage, else the personal one; every value beyond those fields an extra (the faxes and
// homepage not taken, the other e-mail addresses, Business Phone 2, Home Phone 2, car and
// ISDN numbers, and what the address book repeats); the display name as first name only
// when both names are empty and it says more than the company, the e-mail address and the
// numbers; the mapped custom fields; and the birthday as an automation date (0 when the
// contact has none or it cannot be converted). False when either argument is missing.
bool ConvertSourceContact(const SourceContact* contact, ContactRecord* record);

// The contact's name in lists (the record list, the progress line, diff, the cut report):
// the display name, else the given and family names, else the company, else the e-mail
// address, else the first phone number.
std::string ContactListName(const SourceContact& contact);

// The property a text of the converted contact came from (the display name for a first
// name that stood in for both names; the mapped property for a custom text); 0 for none.
std::uint32_t SourceTagOf(const SourceContact& contact, ContactText text);

// A text of a contact that reached a contacts file shorter than the address book holds it.
// Also a text stored with '?' for characters the code page lacks, and a value the record has
// no room for at all (0 bytes kept).
struct TextCut {
    std::uint32_t tag;       // the property it came from
    std::size_t length;      // its bytes as the address book delivered them
    std::size_t kept;        // the bytes the file holds
    std::uint32_t unmapped;  // characters stored as '?'
};
// The values of a contact just added or updated, converted into record, that its record
// does not keep whole.
std::vector<TextCut> CutTexts(const SourceContact& contact, const ContactRecord& record, const RecordEdits& edits);

// Sets the difference status of every loaded contact, converted as the conversion will
// convert it (the custom fields as mapped now), from the duplicate search: 1 for no match,
// 2 for a match that differs, 3 for a contact that feeds nothing, 0 otherwise. False when
// either argument is missing.
bool MarkAgainstTarget(WabLoader* loader, TargetContactList* target);

}  // namespace tarvenne::wab
