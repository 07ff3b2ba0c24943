// Records in memory: the store, the list, and the record codec both layouts share.
#include "palmfile/palm_record.h"

#include "palmfile/dat_stream.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace tarvenne {
namespace {

constexpr std::size_t kRecordsPerChunk = 1024;

}  // namespace

bool FieldStore::Put(std::string_view text, FieldSlot* slot) {
    if (text.empty()) {
        *slot = FieldSlot{};
        return true;
    }
    if (text.size() > kMaxCountedString) return false;
    const std::uint32_t size = static_cast<std::uint32_t>(text.size());
    if (used_ + size > kChunk) {
        if (chunks_.size() >= (kArenaBit >> kChunkBits)) return false;  // 2 GiB of edits
        try {
            std::unique_ptr<char[]> chunk(new char[kChunk]);
            chunks_.push_back(std::move(chunk));
        } catch (const std::bad_alloc&) {
            return false;
        }
        used_ = 0;
    }
    const std::uint32_t chunk = static_cast<std::uint32_t>(chunks_.size() - 1);
    std::memcpy(chunks_.back().get() + used_, text.data(), size);
    *slot = FieldSlot{kArenaBit | chunk << kChunkBits | used_, size};
    used_ += size;
    return true;
}

void FieldStore::Clear() {
    image_.clear();
    image_.shrink_to_fit();
    chunks_.clear();
    chunks_.shrink_to_fit();
    used_ = kChunk;
}

bool PalmRecord::SetText(int slot, std::string_view text) {
    return store_->Put(text, &slots_[slot]);
}

BlobView PalmRecord::Blob(int slot) const {
    BlobView blob;
    const std::string_view bytes = BlobBytes(slot);
    DatReader in(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
    std::uint32_t length = 0;
    if (bytes.empty() || !in.ReadUInt32(&blob.w0) || !in.ReadUInt32(&blob.w1) || blob.w1 == 0)
        return blob;
    if (in.ReadUInt32(&blob.w2) && in.ReadUInt32(&blob.w3) && in.ReadUInt32(&length)) {
        blob.length = length;
        blob.data = bytes.substr(20);
    }
    return blob;
}

PalmRecord* RecordList::AppendNew() {
    FieldSlot* slots = NextSlots();
    if (!slots) return nullptr;
    std::fill(slots, slots + layout_->fields, FieldSlot{});
    try {
        records_.emplace_back(slots, &store_, layout_);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
    ++slots_used_;
    cursor_.Appended(Count());
    return &records_.back();
}

void RecordList::Clear() {
    records_.clear();
    records_.shrink_to_fit();
    slot_chunks_.clear();
    slots_used_ = 0;
    store_.Clear();
    cursor_.Reset();
    numbers_.clear();
    numbers_read_ = 0;
    highest_number_ = 0;
}

std::uint32_t RecordList::NumberForAppended(std::uint32_t position) {
    constexpr std::uint32_t kFirstNumber = 0x1000;
    const int slot = layout_->record_number;
    for (; slot >= 0 && numbers_read_ < std::min(position, Count()); ++numbers_read_) {
        const auto number = static_cast<std::uint32_t>(records_[numbers_read_].Integer(slot));
        numbers_.insert(number);
        highest_number_ = std::max(highest_number_, number);
    }
    const std::uint32_t counted = kFirstNumber + position;
    return numbers_.count(counted) ? highest_number_ + 1 : counted;
}

RecordList::RecordList(const RecordLayout& layout) : layout_(&layout) {
    for (int swap = 0; swap < 2; ++swap)
        for (int p = 0; p < kMaxRecordFields; ++p)
            slot_of_[swap][p] = static_cast<std::uint8_t>(p < layout.fields ? layout.SlotOf(p, swap != 0) : p);
}

FieldSlot* RecordList::NextSlots() {
    const std::size_t fields = static_cast<std::size_t>(layout_->fields);
    try {
        if (slot_chunks_.empty() || slots_used_ == kRecordsPerChunk) {
            std::unique_ptr<FieldSlot[]> chunk(new FieldSlot[kRecordsPerChunk * fields]);
            slot_chunks_.push_back(std::move(chunk));
            slots_used_ = 0;
        }
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
    return slot_chunks_.back().get() + fields * slots_used_;
}

bool RecordList::ReadRecord(DatReader& in, std::uint32_t fields, bool swap_names) {
    // The fields go straight into the slots the next record takes; they become a record
    // only once every field was read.
    FieldSlot* const slots = NextSlots();
    if (!slots) return in.Refuse("the computer ran out of memory while reading the records");
    if (!ReadRow(in, fields, swap_names, slots)) return false;
    try {
        records_.emplace_back(slots, &store_, layout_);
    } catch (const std::bad_alloc&) {
        return in.Refuse("the computer ran out of memory while reading the records");
    }
    ++slots_used_;
    cursor_.Appended(Count());
    return true;
}

const PalmRecord* RecordList::ReadPassing(DatReader& in, std::uint32_t fields, bool swap_names) {
    return ReadRow(in, fields, swap_names, passing_slots_) ? &passing_ : nullptr;
}

bool RecordList::ReadRow(DatReader& in, std::uint32_t fields, bool swap_names, FieldSlot* slots) const {
    const RecordLayout& l = *layout_;
    const std::uint8_t* const base = in.Begin();
    const std::uint8_t* const end = in.End();
    const std::uint8_t* p = in.Here();
    const auto le32 = [](const std::uint8_t* b) { return DatReader::Le32(b); };
    const std::uint8_t* const slot_of = slot_of_[swap_names ? 1 : 0];
    // Positions a short row does not hold read as zeros.
    if (fields < static_cast<std::uint32_t>(l.fields)) std::fill(slots, slots + l.fields, FieldSlot{});
    std::uint32_t f = 0;
    // The walk below checks every length against the bytes left; at the first field it
    // does not take, the reader reads that field again, to fail with the reason.
    for (; f < fields; ++f) {
        FieldSlot& slot = slots[slot_of[f]];
        const std::size_t left = static_cast<std::size_t>(end - p);
        if (left < 8) break;
        const std::uint32_t tag = le32(p);
        std::size_t size = 8;
        switch (l.kind[f]) {
            case FieldKind::kInteger:
            case FieldKind::kBoolean:
                if (tag != kTagInteger && tag != kTagIntegerAlt && tag != kTagBoolean) goto stop;
                slot = FieldSlot{le32(p + 4), 0};
                break;
            case FieldKind::kText: {
                if (tag != kTagCString || left < 9) goto stop;
                std::size_t length = p[8];
                size = 9;
                if (length == 0xFF) {
                    if (left < 11) goto stop;
                    length = static_cast<std::size_t>(p[9] | p[10] << 8);
                    size = 11;
                }
                if (left - size < length) goto stop;
                slot = FieldSlot{length ? static_cast<std::uint32_t>(p + size - base) : 0,
                                 static_cast<std::uint32_t>(length)};
                size += length;
                break;
            }
            case FieldKind::kLong:
                if (left < 12) goto stop;
                slot = FieldSlot{le32(p + 4), le32(p + 8)};
                size = 12;
                break;
            case FieldKind::kBlob:  // w0, w1 and, when w1 is not 0, w2, w3, a length and the bytes
                if (le32(p + 4) != 0) {
                    if (left < 20 || left - 20 < le32(p + 16)) goto stop;
                    size = 20 + le32(p + 16);
                }
                slot = FieldSlot{static_cast<std::uint32_t>(p - base), static_cast<std::uint32_t>(size)};
                break;
        }
        p += size;
    }
stop:
    in.MoveTo(p);
    if (f < fields) {
        // The reader's own reads say what is wrong with the field the walk stopped at.
        std::int32_t value = 0;
        std::string_view text;
        std::uint64_t bits = 0;
        const FieldKind kind = l.kind[f];
        const bool read = kind == FieldKind::kText   ? in.ReadTextField(&text)
                          : kind == FieldKind::kLong ? in.ReadLongField(&bits)
                          : kind == FieldKind::kBlob ? in.ReadBlob(&text)
                                                     : in.ReadIntegerField(&value);
        if (read) in.Refuse("a field the reader could not take");
        return false;
    }
    return true;
}

bool RecordList::WriteRecord(DatStream& out, const PalmRecord& record, std::uint32_t fields,
                             bool swap_names) {
    const RecordLayout& l = record.Layout();
    const FieldSlot* slots = record.Slots();
    static const std::uint8_t kEmptyBlob[8] = {};
    for (std::uint32_t p = 0; p < fields; ++p) {
        const int slot = l.SlotOf(static_cast<int>(p), swap_names);
        bool ok = true;
        switch (l.kind[p]) {
            case FieldKind::kInteger:
                ok = out.WriteIntegerField(static_cast<std::int32_t>(slots[slot].a));
                break;
            case FieldKind::kBoolean:
                ok = out.WriteBooleanField(static_cast<std::int32_t>(slots[slot].a));
                break;
            case FieldKind::kText: ok = out.WriteCStringField(record.Text(slot), 1); break;
            case FieldKind::kBlob: {
                const std::string_view bytes = record.BlobBytes(slot);
                ok = bytes.empty() ? out.WriteBytes(kEmptyBlob, sizeof kEmptyBlob)
                                   : out.WriteBytes(bytes.data(), bytes.size());
                break;
            }
            case FieldKind::kLong: ok = out.WriteLongField(record.Long(slot)); break;
        }
        if (!ok) return false;
    }
    return true;
}

}  // namespace tarvenne
