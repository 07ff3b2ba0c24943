// The records of a loaded contacts file, by position. A record read from the file stays as
// its bytes in the kept file image until someone asks for it, and is decoded then, once;
// a record added in memory is an object from the start. Loading a large file therefore
// costs one pass that checks every record, not an object per record, and a save writes
// the records nobody asked for straight from their bytes.
//
// Positions are fixed on append, and the cursor follows the rules of the program's other
// lists (ListCursor).
#pragma once

#include "engine/contact_list.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <new>
#include <utility>
#include <vector>

namespace tarvenne {

template <typename Record>
class StoredRecordList {
public:
    // Decodes one record from its bytes into a default-constructed record. The bytes were
    // accepted by the same reader when the file was loaded, so it does not fail on them.
    using Decoder =
        std::function<bool(const std::uint8_t* begin, const std::uint8_t* end, Record* record)>;

    // A record that is still only bytes: where they are, and whether writing the record's
    // fields back would give exactly these bytes.
    struct Stored {
        const std::uint8_t* bytes = nullptr;
        std::size_t size = 0;
        bool verbatim = false;
    };

    StoredRecordList() = default;
    ~StoredRecordList() { Clear(); }
    StoredRecordList(const StoredRecordList&) = delete;
    StoredRecordList& operator=(const StoredRecordList&) = delete;

    void Clear() {
        entries_.clear();
        entries_.shrink_to_fit();
        cursor_.Reset();
        stored_left_ = 0;
        image_.reset();
        decoder_ = nullptr;
    }

    // Takes a record object over; false, with nothing changed, for a null one.
    bool Append(std::unique_ptr<Record> record) {
        if (!record) return false;
        Entry entry;
        entry.record = std::move(record);
        return Push(std::move(entry));
    }

    // While a file loads: the next record is size bytes at offset in the image that
    // AttachImage hands over once the whole file has been read.
    bool AppendStored(std::size_t offset, std::size_t size, bool verbatim) {
        Entry entry;
        entry.offset = offset;
        entry.size = size;
        entry.verbatim = verbatim;
        if (!Push(std::move(entry))) return false;
        ++stored_left_;
        return true;
    }

    void AttachImage(std::shared_ptr<const std::vector<std::uint8_t>> image, Decoder decoder) {
        image_ = std::move(image);
        decoder_ = std::move(decoder);
        if (stored_left_ == 0) ReleaseImage();
    }

    Record* First() { return cursor_.First(Count()) ? Materialise(0) : nullptr; }
    Record* Next() { return cursor_.Next(Count()) ? Materialise(cursor_.Position()) : nullptr; }
    Record* Get(std::uint32_t position) {
        return cursor_.Get(position, Count()) ? Materialise(position) : nullptr;
    }

    std::uint32_t Count() const { return static_cast<std::uint32_t>(entries_.size()); }
    std::uint32_t CursorPosition() const { return cursor_.Position(); }

    // For writers, without decoding anything: the record object when there is one (it may
    // have been changed through a pointer handed out), otherwise null and *stored set
    // (no bytes for a position outside the list).
    const Record* Held(std::uint32_t position, Stored* stored) const {
        *stored = Stored{};
        if (position >= Count()) return nullptr;
        const Entry& entry = entries_[position];
        if (entry.record) return entry.record.get();
        if (image_ && entry.offset <= image_->size() &&
            entry.size <= image_->size() - entry.offset) {
            stored->bytes = image_->data() + entry.offset;
            stored->size = entry.size;
            stored->verbatim = entry.verbatim;
        }
        return nullptr;
    }

    // Decodes stored bytes into *record (default-constructed) without keeping it.
    bool Decode(const Stored& stored, Record* record) const {
        if (!stored.bytes || !decoder_ || !record) return false;
        try {
            return decoder_(stored.bytes, stored.bytes + stored.size, record);
        } catch (const std::bad_alloc&) {
            return false;
        }
    }

    // Writes every record in order without keeping anything decoded: a record object
    // through write_fields; a record still only bytes through write_bytes when they are
    // verbatim and copy_bytes allows it (the file's writer is set as it was at the load),
    // otherwise through write_fields on a copy decoded for the purpose. False when a
    // writer fails, or a record cannot be decoded: *undecodable is then its position.
    template <class WriteFields, class WriteBytes>
    bool WriteEach(bool copy_bytes, WriteFields write_fields, WriteBytes write_bytes,
                   std::uint32_t* undecodable) const {
        for (std::uint32_t i = 0; i < Count(); ++i) {
            Stored stored;
            if (const Record* held = Held(i, &stored)) {
                if (!write_fields(held)) return false;
                continue;
            }
            if (copy_bytes && stored.verbatim) {
                if (!write_bytes(stored.bytes, stored.size)) return false;
                continue;
            }
            Record decoded;
            if (!Decode(stored, &decoded)) {
                *undecodable = i;
                return false;
            }
            if (!write_fields(&decoded)) return false;
        }
        return true;
    }

private:
    struct Entry {
        std::unique_ptr<Record> record;  // null while the record is only bytes
        std::size_t offset = 0;
        std::size_t size = 0;
        bool verbatim = false;
    };

    bool Push(Entry&& entry) {
        try {
            entries_.push_back(std::move(entry));
        } catch (const std::bad_alloc&) {
            return false;
        }
        cursor_.Appended(Count());
        return true;
    }

    // Null only when the record cannot be decoded or memory runs out; the entry then stays
    // bytes, so a save still writes it whole.
    Record* Materialise(std::uint32_t position) {
        Entry& entry = entries_[position];
        if (entry.record) return entry.record.get();
        Stored stored;
        Held(position, &stored);
        std::unique_ptr<Record> record;
        try {
            record = std::make_unique<Record>();
        } catch (const std::bad_alloc&) {
            return nullptr;
        }
        if (!Decode(stored, record.get())) return nullptr;
        entry.record = std::move(record);
        if (--stored_left_ == 0) ReleaseImage();
        return entry.record.get();
    }

    // Once every record is an object, the file's bytes are no longer needed.
    void ReleaseImage() {
        image_.reset();
        decoder_ = nullptr;
    }

    std::vector<Entry> entries_;
    ListCursor cursor_;
    std::size_t stored_left_ = 0;  // entries that are still only bytes
    std::shared_ptr<const std::vector<std::uint8_t>> image_;
    Decoder decoder_;
};

}  // namespace tarvenne
