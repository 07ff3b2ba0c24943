// Between a contacts-file record (either layout) and the engine's contact: reading a record
// into a contact, and writing a contact into a record, new or existing.
//
// A write into an existing record changes only what the contact brings. A text is
// written only when the contact has one and it differs from the stored text as a read
// gives it, so a value nobody changed stays whole (however long) and a second run over
// the same address book finds nothing to do. Whether a contact is identical to a record
// is therefore asked of the same code: would writing it change any byte?
#pragma once

#include "engine/contact_record.h"
#include "palmfile/palm_record.h"

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace tarvenne {

// A stored text as a read into a contact gives it: ended at its first NUL, cut to a
// field of `capacity` bytes.
std::string_view TextAsRead(std::string_view stored, std::size_t capacity);
// The phone slot a read takes for a label: the last whose text reads non-empty; -1 when
// none does.
int PhoneSlotRead(const PalmRecord& record, std::int32_t label);

// Fills a zeroed contact from the record. The newer layout's work, home and other address
// are the first block of kind 0, 1 and 2; a phone slot's text goes to the field its label
// names (a later slot wins; pagers and unknown labels are not read).
void ReadContact(const PalmRecord& record, ContactRecord* contact);

// One text of a contact and how many of its bytes the record holds after a write (0 when
// the record has no room for it).
struct TextKept {
    ContactText text;
    std::uint32_t kept;
};

// Writes the contact into the record. A new record (all zeros) is filled as the
// conversion always has: phones from the first slot on in label order, addresses in
// blocks of kind 0, 1, 2. An existing record is merged: its private flag, its labels and
// every text the contact does not change stay as they are. `kept`, when given, receives
// an entry for every non-empty text of the contact. False when memory runs out; the
// record may then hold part of the contact.
bool WriteContact(const ContactRecord& contact, bool new_record, PalmRecord* record,
                  std::vector<TextKept>* kept);

// Whether merging the contact into the record would leave every byte of it as it was.
bool MergeLeavesRecordUnchanged(const ContactRecord& contact, const PalmRecord& record);

}  // namespace tarvenne
