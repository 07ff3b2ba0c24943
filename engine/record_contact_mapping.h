// From a contacts-file record (either layout) to the engine's contact: how a record's texts
// read. Writing a contact into a record is a list of edits (record_edits.h).
#pragma once

#include "engine/contact_record.h"
#include "palmfile/palm_record.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace tarvenne {

// A stored text up to its first NUL, as every reader of the file's texts takes it.
std::string_view UpToNul(std::string_view text);
// A stored text as a read into a contact gives it: ended at its first NUL, cut to a
// field of `capacity` bytes.
std::string_view TextAsRead(std::string_view stored, std::size_t capacity);
// The phone slot a read takes for a label: the first whose text reads non-empty; -1 when
// none does.
int PhoneSlotRead(const PalmRecord& record, std::int32_t label);

// Fills a zeroed contact from the record. The newer layout's work, home and other address
// are the first block of kind 0, 1 and 2; the first filled slot of a label goes to the field
// the label names, every later one is an extra of that label (unknown labels are not read).
void ReadContact(const PalmRecord& record, ContactRecord* contact);

}  // namespace tarvenne
