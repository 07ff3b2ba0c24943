// Records in memory: the store, the list, and the record codec both layouts share.
#include "palmfile/palm_record.h"

#include "palmfile/dat_stream.h"

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

FieldSlot* RecordList::NewSlots() {
    const std::size_t fields = static_cast<std::size_t>(layout_->fields);
    if (slot_chunks_.empty() || slots_used_ == kRecordsPerChunk) {
        std::unique_ptr<FieldSlot[]> chunk(new FieldSlot[kRecordsPerChunk * fields]());
        slot_chunks_.push_back(std::move(chunk));
        slots_used_ = 0;
    }
    return slot_chunks_.back().get() + fields * slots_used_++;
}

PalmRecord* RecordList::AppendNew() {
    try {
        FieldSlot* slots = NewSlots();
        records_.emplace_back(slots, &store_, layout_);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
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
}

bool RecordList::ReadRecord(DatReader& in, std::uint32_t fields, bool swap_names) {
    const RecordLayout& l = *layout_;
    // Slots are filled in a scratch row first, so that a record cut short leaves nothing.
    FieldSlot row[kMaxRecordFields] = {};
    const std::uint8_t* const base = in.Begin();
    const auto place = [base](std::string_view bytes) {
        return static_cast<std::uint32_t>(reinterpret_cast<const std::uint8_t*>(bytes.data()) - base);
    };
    for (std::uint32_t p = 0; p < fields; ++p) {
        FieldSlot& slot = row[l.SlotOf(static_cast<int>(p), swap_names)];
        switch (l.kind[p]) {
            case FieldKind::kInteger:
            case FieldKind::kBoolean: {
                std::int32_t value = 0;
                if (!in.ReadIntegerField(&value)) return false;
                slot.a = static_cast<std::uint32_t>(value);
                break;
            }
            case FieldKind::kText: {
                std::string_view text;
                if (!in.ReadTextField(&text)) return false;
                slot = FieldSlot{text.empty() ? 0 : place(text), static_cast<std::uint32_t>(text.size())};
                break;
            }
            case FieldKind::kBlob: {
                std::string_view bytes;
                if (!in.ReadBlob(&bytes)) return false;
                slot = FieldSlot{place(bytes), static_cast<std::uint32_t>(bytes.size())};
                break;
            }
            case FieldKind::kLong: {
                std::uint64_t value = 0;
                if (!in.ReadLongField(&value)) return false;
                slot = FieldSlot{static_cast<std::uint32_t>(value),
                                 static_cast<std::uint32_t>(value >> 32)};
                break;
            }
        }
    }
    PalmRecord* record = AppendNew();
    if (!record) return in.Refuse("the computer ran out of memory while reading the records");
    std::memcpy(const_cast<FieldSlot*>(record->Slots()), row, sizeof(FieldSlot) * l.fields);
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
