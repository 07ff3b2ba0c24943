// What merging a contact into a record does, as a value: one entry for every value the
// contact brings, saying where it goes, what the record holds there now and what it would
// hold. The same list answers every question about a merge: a contact is identical to its
// record when the list has no writes, writing the contact is applying the list, `diff` and
// the record list page show its writes, and the report of texts cut to fit is its cuts.
// Nothing else decides what a merge does.
#pragma once

#include "engine/contact_record.h"
#include "palmfile/palm_record.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tarvenne {

enum class EditKind : std::uint8_t {
    kText,   // a text position: names, company, phones, addresses, note, custom texts
    kLabel,  // a phone slot's label, changed so that the slot holds another kind of value
    kKind,   // an address block's kind, changed so that the block holds another address
    kDate,   // the birthday's eight bytes
};

struct RecordEdit {
    EditKind kind = EditKind::kText;
    // The record position written; -1 when the record has no room for the value (it is
    // then not written, and reported as cut with 0 bytes kept).
    int position = -1;
    // The contact's text the entry carries (texts; for a label or kind, the text that
    // made the change).
    ContactText text = ContactText::kFirstName;
    // The phone label of the slot after the edit (phone texts and labels), else -1.
    std::int32_t label = -1;
    // The contact's extra the entry carries (text kExtra), else -1.
    int extra = -1;
    // What the value is, where no position or label says it (an extra no field holds).
    const char* words = nullptr;
    // Texts: what the record holds now as a contact reads it, and what it will hold (the
    // contact's value cut to the position's width). They point into the contact and the
    // record, and are valid while both are.
    std::string_view from, to;
    // Labels, kinds and dates: the number now and after (a date's eight bytes).
    std::uint64_t from_number = 0, to_number = 0;
    // Texts: the bytes of the contact's value, and how many of them the record holds.
    std::uint32_t length = 0, kept = 0;
    // Whether applying the entry changes the record's bytes.
    bool write = false;

    bool Cut() const { return kind == EditKind::kText && kept < length; }
    // A value the record has no room for at all.
    bool NoRoom() const { return position < 0; }
    // What a user is shown of a merge: the texts and the birthday it writes. A label or an
    // address kind changes only together with a text it makes room for.
    bool Shown() const { return write && (kind == EditKind::kText || kind == EditKind::kDate); }
};

class RecordEdits {
public:
    void Clear() {
        edits_.clear();
        writes_ = 0;
    }
    const std::vector<RecordEdit>& All() const { return edits_; }
    std::size_t Writes() const { return writes_; }
    // Merging would change no byte of the record.
    bool Identical() const { return writes_ == 0; }

    void Add(const RecordEdit& edit) {
        edits_.push_back(edit);
        if (edit.write) ++writes_;
    }

private:
    std::vector<RecordEdit> edits_;
    std::size_t writes_ = 0;
};

// Lists what writing the contact into the record does. A new record (all zeros) is filled
// as the conversion always has: phones from the first slot on in label order, addresses in
// blocks of kind 0, 1, 2. An existing record is merged: a text is written only when the
// contact has one and it differs from the stored text as a read gives it, so a value nobody
// changed stays whole (however long); the private flag, the labels of slots the contact does
// not write into, and every text the contact does not change stay as they are.
// Positions at or past saved_fields are not saved (a file whose rows are shorter than the
// layout's): a value for them finds no room.
void ListEdits(const ContactRecord& contact, const PalmRecord& record, bool new_record, RecordEdits* out,
               int saved_fields = kMaxRecordFields);

// A slot holds a value when its text, up to the first NUL, is the value cut to the slot's
// width, or when a read of the text into a contact field of `capacity` bytes gives the
// value (a text wider than the slot, whole or cut where the field cut the value). The one
// test for "already held", "differs" and "identical" of phone slots.
bool SlotHolds(std::string_view stored, std::string_view value, std::size_t width, std::size_t capacity);

// Applies the writes of a list made for this record. False when memory runs out; the
// record may then hold part of them.
bool ApplyEdits(const RecordEdits& edits, PalmRecord* record);

// A record of the layout with every field zero and every text empty, as a new one starts.
const PalmRecord& BlankRecord(const RecordLayout& layout);

// The field an entry fills, in the user's words: "Work Phone", "Home address: City",
// "Custom 3", "Birthday".
const char* FieldWords(const RecordEdit& edit);
// An entry's value before (false) or after (true) as text: texts as they are (8-bit, in the
// text code page), dates as "1968-11-04", labels and kinds by their names.
std::string EditValueText(const RecordEdit& edit, bool after);

// An entry as one line: "Title: Clerk -> Manager", "Title: (empty) -> Manager", each value
// at most `shown` bytes (cut on a whole character) and then "...", line breaks as "\n".
std::string EditLine(const RecordEdit& edit, std::size_t shown = 40);

}  // namespace tarvenne
