// The records of a contacts file in memory, for both layouts: one slot of eight bytes per
// field, texts and blobs kept where they lie in the loaded file's bytes, texts the
// conversion writes in an arena of the record list. A load thus costs one pass over the
// file and a record's slots in a block shared by a thousand records, not an object per
// field, and every record is decoded (and checked) when the file is loaded.
#pragma once

#include "engine/contact_list.h"
#include "palmfile/dat_reader.h"
#include "palmfile/record_layout.h"

#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <string_view>
#include <unordered_set>
#include <vector>

namespace tarvenne {

class DatStream;

// Integer and boolean fields: the value in a. Eight-byte fields: low word in a, high in b.
// Texts and blobs: a place in the record list's FieldStore (a), and a length (b).
// Left uninitialised by default, so that the slots of a large file are written once, by the
// reader; FieldSlot{} is all zeros.
struct FieldSlot {
    std::uint32_t a;
    std::uint32_t b;
};

// The bytes the slots of one record list point at: the file as loaded, and an arena for
// the texts written since. Nothing in it ever moves, so a text handed out stays valid
// until the list is cleared.
class FieldStore {
public:
    FieldStore() = default;
    FieldStore(const FieldStore&) = delete;
    FieldStore& operator=(const FieldStore&) = delete;

    // Keeps the loaded file's bytes; slots read from it hold offsets into them.
    void Adopt(std::vector<std::uint8_t>&& image) { image_ = std::move(image); }
    const std::vector<std::uint8_t>& Image() const { return image_; }
    // Hands the bytes back (to be refilled and adopted again by a reader over a window of a
    // file); the slots that point into them are then dangling.
    std::vector<std::uint8_t> TakeImage() { return std::move(image_); }

    std::string_view View(FieldSlot slot) const {
        if (slot.b == 0) return {};
        if (slot.a & kArenaBit) {
            const std::uint32_t at = slot.a & ~kArenaBit;
            return std::string_view(chunks_[at >> kChunkBits].get() + (at & (kChunk - 1)), slot.b);
        }
        return std::string_view(reinterpret_cast<const char*>(image_.data()) + slot.a, slot.b);
    }
    // Copies text into the arena and points *slot at it; false (slot unchanged) when the
    // text is longer than a counted string or memory runs out.
    bool Put(std::string_view text, FieldSlot* slot);
    void Clear();

private:
    static constexpr std::uint32_t kArenaBit = 0x80000000u;
    static constexpr std::uint32_t kChunkBits = 16;
    static constexpr std::uint32_t kChunk = 1u << kChunkBits;  // holds any counted string

    std::vector<std::uint8_t> image_;
    std::vector<std::unique_ptr<char[]>> chunks_;
    std::uint32_t used_ = kChunk;  // bytes taken in the last chunk
};

// A blob's members, decoded from its bytes; data points into the record list's store.
struct BlobView {
    std::uint32_t w0 = 0, w1 = 0, w2 = 0, w3 = 0, length = 0;
    std::string_view data;
};

// One record of either layout. Slots are indexed by the layout's positions (the name
// positions as RecordLayout::SlotOf gives them). A record belongs to its RecordList and
// is valid until that list is cleared.
class PalmRecord {
public:
    PalmRecord(FieldSlot* slots, FieldStore* store, const RecordLayout* layout)
        : slots_(slots), store_(store), layout_(layout) {}

    const RecordLayout& Layout() const { return *layout_; }

    std::int32_t Integer(int slot) const { return static_cast<std::int32_t>(slots_[slot].a); }
    void SetInteger(int slot, std::int32_t value) {
        slots_[slot].a = static_cast<std::uint32_t>(value);
    }
    std::uint32_t Status() const { return slots_[layout_->status].a; }
    void SetStatusBits(std::uint32_t bits) { slots_[layout_->status].a |= bits; }

    std::string_view Text(int slot) const { return store_->View(slots_[slot]); }
    // False, with the text as it was, when memory runs out.
    bool SetText(int slot, std::string_view text);

    std::uint64_t Long(int slot) const {
        return static_cast<std::uint64_t>(slots_[slot].b) << 32 | slots_[slot].a;
    }
    void SetLong(int slot, std::uint64_t value) {
        slots_[slot] = FieldSlot{static_cast<std::uint32_t>(value),
                                 static_cast<std::uint32_t>(value >> 32)};
    }

    BlobView Blob(int slot) const;
    // The blob as the file stores it (empty for the all-zero blob of an added record).
    std::string_view BlobBytes(int slot) const { return store_->View(slots_[slot]); }

    const FieldSlot* Slots() const { return slots_; }

private:
    FieldSlot* slots_;          // layout fields slots, owned by the record list
    FieldStore* store_;         // the list's store; not owned
    const RecordLayout* layout_;  // static
};

// The records of one file in file order, then appended ones. Positions are fixed on
// append and the cursor follows the rules of the program's other lists (ListCursor).
class RecordList {
public:
    explicit RecordList(const RecordLayout& layout);
    RecordList(const RecordList&) = delete;
    RecordList& operator=(const RecordList&) = delete;

    const RecordLayout& Layout() const { return *layout_; }
    FieldStore& Store() { return store_; }
    const FieldStore& Store() const { return store_; }

    PalmRecord* First() { return cursor_.First(Count()) ? &records_[0] : nullptr; }
    PalmRecord* Next() { return cursor_.Next(Count()) ? &records_[cursor_.Position()] : nullptr; }
    PalmRecord* Get(std::uint32_t position) {
        return cursor_.Get(position, Count()) ? &records_[position] : nullptr;
    }
    // Reads without moving the cursor.
    const PalmRecord* At(std::uint32_t position) const {
        return position < Count() ? &records_[position] : nullptr;
    }
    PalmRecord* At(std::uint32_t position) {
        return position < Count() ? &records_[position] : nullptr;
    }
    std::uint32_t Count() const { return static_cast<std::uint32_t>(records_.size()); }
    std::uint32_t CursorPosition() const { return cursor_.Position(); }

    // A record of all zeros (empty texts and blobs) at the end; null when memory runs out.
    PalmRecord* AppendNew();
    void Clear();

    // The record number (newer layout) for the record appended at position: 0x1000 +
    // position when no record before it has that number, else one more than the highest
    // number before it, so that numbers never repeat where deletions left gaps. The numbers
    // of records before the last call's position are read once; only the records appended
    // since are read again, so they must be numbered before the next call.
    std::uint32_t NumberForAppended(std::uint32_t position);

    // Reads one record of `fields` positions at the reader into a new record; the record
    // stays (and the reader fails) only when every field was read. Texts and blobs point
    // into the reader's bytes, which must be the ones this list's store adopts.
    bool ReadRecord(DatReader& in, std::uint32_t fields, bool swap_names);
    // The same for readers that need each record once: the record goes into slots of the
    // list's own that the next call reuses, is not appended, and is valid until then.
    // Null, with the reader failed, when a field cannot be read.
    const PalmRecord* ReadPassing(DatReader& in, std::uint32_t fields, bool swap_names);
    // Writes positions 0 to fields - 1 of a record in the normal encoding: integer tag 1
    // (6 for booleans), text marker 1 in the shortest counted form, tag 68.
    static bool WriteRecord(DatStream& out, const PalmRecord& record, std::uint32_t fields,
                            bool swap_names);

private:
    // The slots the next record takes, not yet zeroed (null when memory runs out); taken on
    // append.
    FieldSlot* NextSlots();
    // Reads the fields of one row at the reader into slots; false, with the reader failed
    // and saying why, at the first field that cannot be read.
    bool ReadRow(DatReader& in, std::uint32_t fields, bool swap_names, FieldSlot* slots) const;

    const RecordLayout* layout_;  // static
    std::uint8_t slot_of_[2][kMaxRecordFields];  // the layout's SlotOf, names as read and swapped
    FieldStore store_;
    std::deque<PalmRecord> records_;  // a deque, so records stay where they are on append
    std::vector<std::unique_ptr<FieldSlot[]>> slot_chunks_;
    std::size_t slots_used_ = 0;  // records' worth of slots taken in the last chunk
    ListCursor cursor_;
    std::unordered_set<std::uint32_t> numbers_;  // NumberForAppended's: the records' numbers read
    std::uint32_t numbers_read_ = 0;             // of the first records
    std::uint32_t highest_number_ = 0;
    FieldSlot passing_slots_[kMaxRecordFields];  // ReadPassing's record
    PalmRecord passing_{passing_slots_, &store_, layout_};
};

}  // namespace tarvenne
