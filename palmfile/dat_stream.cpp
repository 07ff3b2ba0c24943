// The contacts-file stream: the file's bytes held in memory, parsed with a sticky failure,
// and a write buffer that replaces the file's content in one commit.
#include "palmfile/dat_stream.h"

#include <algorithm>
#include <cstring>
#include <exception>

namespace tarvenne {
namespace {

// Commit writes in slices so that a disk that fills up part way is noticed at the slice
// that failed, and so that a test can fail a write in the middle of a file.
constexpr std::size_t kCommitSlice = 4096;
constexpr std::size_t kLargestCommitSlice = std::size_t{4} << 20;

std::string At(std::size_t offset) { return " at byte offset " + std::to_string(offset); }

}  // namespace

bool CopyBlob(const DatBlob* source, DatBlob* target) {
    if (!source || !target) return false;
    if (source == target) return true;
    *target = *source;
    return true;
}

DatStream::DatStream() = default;

DatStream::~DatStream() { Close(); }

bool DatStream::Open(const std::string& path, int mode) {
    ClearError();
    if (path.empty()) return Fail("no file name was given");
    Close();
    if (mode < 0 || mode > 3) return Fail("unknown open mode " + std::to_string(mode));
    if (!file_.Open(path, static_cast<platform::OpenMode>(mode)))
        return Fail(file_.LastError().Describe());
    has_image_ = mode != 1;  // a write-only file cannot be read back for a restore
    if (mode == 0 || mode == 2) {
        if (!file_.ReadAll(&in_)) {
            const std::string why = file_.LastError().Describe();
            Close();
            return Fail(why);
        }
    }
    restore_failed_ = false;
    path_ = path;
    return true;
}

void DatStream::OpenImage(std::vector<std::uint8_t> bytes) {
    ClearError();
    Close();
    in_ = std::move(bytes);
}

void DatStream::Close() {
    file_.Close();
    in_.clear();
    in_.shrink_to_fit();
    out_.clear();
    out_.shrink_to_fit();
    read_pos_ = 0;
    read_failed_ = false;
    has_image_ = false;
}

bool DatStream::IsOpen() const { return file_.IsOpen(); }

bool DatStream::Fail(const std::string& what) {
    if (error_.empty()) error_ = what;
    return false;
}

bool DatStream::RefuseInput(const std::string& what) {
    read_failed_ = true;
    return Fail(what + At(read_pos_));
}

// ---------------------------------------------------------------- reading

bool DatStream::Take(std::size_t n, const std::uint8_t** bytes) {
    if (read_failed_) return false;
    const std::size_t left = in_.size() - read_pos_;
    if (n > left) {
        read_failed_ = true;
        return Fail("the file ends" + At(in_.size()) + " where " + std::to_string(n) +
                    " bytes were expected" + At(read_pos_));
    }
    if (bytes) *bytes = in_.data() + read_pos_;
    read_pos_ += n;
    return true;
}

bool DatStream::ReadBytes(void* dest, std::size_t n) {
    if (!dest || n == 0) {
        read_failed_ = true;
        return Fail("an empty read was asked for" + At(read_pos_));
    }
    const std::uint8_t* bytes = nullptr;
    if (!Take(n, &bytes)) return false;
    std::memcpy(dest, bytes, n);
    return true;
}

bool DatStream::ReadAvailable(void* dest, std::size_t* n) {
    if (!dest || !n || *n == 0) {
        read_failed_ = true;
        return Fail("an empty read was asked for" + At(read_pos_));
    }
    if (read_failed_) {
        *n = 0;
        return false;
    }
    const std::size_t count = std::min(*n, in_.size() - read_pos_);
    if (count > 0) std::memcpy(dest, in_.data() + read_pos_, count);
    read_pos_ += count;
    *n = count;
    return true;
}

bool DatStream::ReadInt32(std::int32_t* value) {
    std::uint32_t v = 0;
    if (!value || !ReadUInt32(&v)) return false;
    *value = static_cast<std::int32_t>(v);
    return true;
}

bool DatStream::ReadUInt32(std::uint32_t* value) {
    const std::uint8_t* b = nullptr;
    if (!value || !Take(4, &b)) return false;
    *value = static_cast<std::uint32_t>(b[0]) | static_cast<std::uint32_t>(b[1]) << 8 |
             static_cast<std::uint32_t>(b[2]) << 16 | static_cast<std::uint32_t>(b[3]) << 24;
    return true;
}

bool DatStream::ReadInt16(std::int16_t* value) {
    std::uint16_t v = 0;
    if (!value || !ReadUInt16(&v)) return false;
    *value = static_cast<std::int16_t>(v);
    return true;
}

bool DatStream::ReadUInt16(std::uint16_t* value) {
    const std::uint8_t* b = nullptr;
    if (!value || !Take(2, &b)) return false;
    *value = static_cast<std::uint16_t>(b[0] | b[1] << 8);
    return true;
}

bool DatStream::ReadByte(std::uint8_t* value) {
    const std::uint8_t* b = nullptr;
    if (!value || !Take(1, &b)) return false;
    *value = b[0];
    return true;
}

bool DatStream::ReadInt64(std::uint64_t* value) {
    std::uint32_t low = 0, high = 0;
    if (!value || !ReadUInt32(&low) || !ReadUInt32(&high)) return false;
    *value = static_cast<std::uint64_t>(high) << 32 | low;
    return true;
}

DatFieldCursor DatStream::CursorHere() const {
    const std::uint8_t* end = in_.data() + in_.size();
    return DatFieldCursor(read_failed_ ? end : in_.data() + read_pos_, end);
}

bool DatStream::Advance(const DatFieldCursor& cursor) {
    if (read_failed_) return false;
    if (!cursor.Failed()) {
        read_pos_ = static_cast<std::size_t>(cursor.Position() - in_.data());
        return true;
    }
    read_failed_ = true;
    const std::size_t at = static_cast<std::size_t>(cursor.FailedAt() - in_.data());
    read_pos_ = at;
    if (cursor.WhatFailed() == DatFieldCursor::Failure::kBadTag) {
        read_pos_ = at + 4;
        return Fail("a field tagged " + std::to_string(cursor.BadTag()) + " where " +
                    cursor.Expected() + " was expected" + At(at));
    }
    return Fail("the file ends" + At(in_.size()) + " where " +
                std::to_string(cursor.BytesWanted()) + " bytes were expected" + At(at));
}

std::shared_ptr<const std::vector<std::uint8_t>> DatStream::TakeImage() {
    auto image = std::make_shared<const std::vector<std::uint8_t>>(std::move(in_));
    in_.clear();
    read_pos_ = 0;
    has_image_ = false;
    return image;
}

bool DatStream::ReadCString(std::string* dest, std::size_t* capacity) {
    if (!dest || !capacity || *capacity == 0) {
        read_failed_ = true;
        return Fail("a text was read into no room" + At(read_pos_));
    }
    dest->clear();
    if (read_failed_) return false;
    DatFieldCursor cursor = CursorHere();
    std::size_t length = 0;
    bool long_form = false;
    if (!cursor.CountedLength(&length, &long_form)) return Advance(cursor);
    if (length > *capacity) {
        Advance(cursor);
        const std::size_t room = *capacity;
        *capacity = length;
        return RefuseInput("a text of " + std::to_string(length) + " bytes where at most " +
                           std::to_string(room) + " fit");
    }
    const std::uint8_t* bytes = nullptr;
    if (length > 0 && !cursor.Bytes(length, &bytes)) return Advance(cursor);
    if (!Advance(cursor)) return false;
    dest->assign(reinterpret_cast<const char*>(bytes), length);
    return true;
}

bool DatStream::ReadIntegerField(std::int32_t* value) {
    if (!value || read_failed_) return false;
    DatFieldCursor cursor = CursorHere();
    std::int32_t tag = 0;
    cursor.IntegerField(value, &tag);
    return Advance(cursor);
}

bool DatStream::ReadCStringField(std::string* dest, std::int32_t* marker) {
    if (!dest || read_failed_) return false;
    dest->clear();
    DatFieldCursor cursor = CursorHere();
    std::string_view text;
    std::int32_t unused_marker = 0;
    bool long_form = false;
    if (!cursor.TextField(&text, marker ? marker : &unused_marker, &long_form))
        return Advance(cursor);
    dest->assign(text);
    return Advance(cursor);
}

bool DatStream::ReadLongField(std::uint64_t* value) {
    if (!value || read_failed_) return false;
    DatFieldCursor cursor = CursorHere();
    std::int32_t tag = 0;
    cursor.LongField(value, &tag);
    return Advance(cursor);
}

bool DatStream::ReadBlob(DatBlob* blob) {
    if (!blob || read_failed_) return false;
    DatFieldCursor cursor = CursorHere();
    DatBlobView view;
    const bool ok = cursor.Blob(&view);
    // What was read before a failure stays in the blob, as the field-by-field reads left it.
    blob->w0 = view.w0;
    blob->w1 = view.w1;
    if (view.w1 != 0) {
        blob->w2 = view.w2;
        blob->w3 = view.w3;
        blob->length = view.length;
        blob->data.clear();
    }
    if (ok && view.length > 0) blob->data.assign(view.data, view.data + view.length);
    return Advance(cursor);
}

bool DatStream::Skip(std::size_t n) { return Take(n, nullptr); }

// ---------------------------------------------------------------- writing

bool DatStream::WriteBytes(const void* source, std::size_t n) {
    if (!source || n == 0) return Fail("an empty write was asked for");
    const auto* bytes = static_cast<const std::uint8_t*>(source);
    out_.insert(out_.end(), bytes, bytes + n);
    return true;
}

bool DatStream::WriteInt32(std::int32_t value) {
    return WriteUInt32(static_cast<std::uint32_t>(value));
}

bool DatStream::WriteUInt32(std::uint32_t value) {
    const std::uint8_t b[4] = {static_cast<std::uint8_t>(value),
                               static_cast<std::uint8_t>(value >> 8),
                               static_cast<std::uint8_t>(value >> 16),
                               static_cast<std::uint8_t>(value >> 24)};
    return WriteBytes(b, sizeof b);
}

bool DatStream::WriteInt16(std::int32_t value) {
    const std::uint8_t b[2] = {static_cast<std::uint8_t>(value),
                               static_cast<std::uint8_t>(value >> 8)};
    return WriteBytes(b, sizeof b);
}

bool DatStream::WriteByte(std::int32_t value) {
    const std::uint8_t b = static_cast<std::uint8_t>(value);
    return WriteBytes(&b, 1);
}

bool DatStream::WriteInt64(std::uint64_t value) {
    return WriteUInt32(static_cast<std::uint32_t>(value)) &&
           WriteUInt32(static_cast<std::uint32_t>(value >> 32));
}

bool DatStream::WriteCString(std::string_view text) {
    if (text.size() > kMaxCountedString)
        return Fail("a text of " + std::to_string(text.size()) +
                    " bytes is too long for the file");
    if (text.empty()) return WriteByte(0);
    if (text.size() < 255) {
        if (!WriteByte(static_cast<std::int32_t>(text.size()))) return false;
    } else if (!WriteByte(0xFF) || !WriteInt16(static_cast<std::int32_t>(text.size()))) {
        return false;
    }
    return WriteBytes(text.data(), text.size());
}

bool DatStream::WriteIntegerField(std::int32_t value) {
    return WriteInt32(kTagInteger) && WriteInt32(value);
}

bool DatStream::WriteBooleanField(std::int32_t value) {
    return WriteInt32(kTagBoolean) && WriteInt32(value);
}

bool DatStream::WriteCStringField(std::string_view text, std::int32_t marker) {
    // Checked first, so that a text that cannot be stored leaves no half-written field.
    if (text.size() > kMaxCountedString) return WriteCString(text);
    return WriteInt32(kTagCString) && WriteInt32(marker) && WriteCString(text);
}

bool DatStream::WriteLongField(std::uint64_t value) {
    return WriteInt32(kTagLong) && WriteInt64(value);
}

bool DatStream::WriteBlob(const DatBlob* blob) {
    if (!blob) return Fail("no blob to write");
    if (!WriteUInt32(blob->w0) || !WriteUInt32(blob->w1)) return false;
    if (blob->w1 == 0) return true;
    if (!WriteUInt32(blob->w2) || !WriteUInt32(blob->w3) || !WriteUInt32(blob->length))
        return false;
    if (blob->length == 0) return true;
    if (blob->data.size() != blob->length) return Fail("a blob without its data");
    return WriteBytes(blob->data.data(), blob->data.size());
}

void DatStream::ReserveWrites(std::size_t n) {
    try {
        out_.reserve(n);
    } catch (const std::exception&) {
        // Writes grow the buffer as they go, and fail then if memory is short.
    }
}

std::vector<std::uint8_t> DatStream::TakePendingWrites() {
    std::vector<std::uint8_t> taken;
    taken.swap(out_);
    return taken;
}

// ---------------------------------------------------------------- commit

bool DatStream::WriteWhole(const std::vector<std::uint8_t>& bytes) {
    if (!file_.SeekTo(0)) return false;
    // Slices start small and double: a failure early in a file is still a failure in its
    // middle, while a large file goes out in a few large writes.
    std::size_t slice = kCommitSlice;
    for (std::size_t done = 0; done < bytes.size();) {
        const std::size_t n = std::min(slice, bytes.size() - done);
        if (!file_.Write(bytes.data() + done, n)) return false;
        done += n;
        slice = std::min<std::size_t>(slice * 2, kLargestCommitSlice);
    }
    return file_.TruncateHere() && file_.Flush();
}

void DatStream::SetPendingWrites(std::vector<std::uint8_t>&& bytes) { out_ = std::move(bytes); }

bool DatStream::Commit() {
    if (!file_.IsOpen()) return Fail("the file is not open");
    if (WriteWhole(out_)) {
        // What is on disk now is what a later failed commit must put back.
        in_.swap(out_);
        out_.clear();
        if (read_pos_ > in_.size()) read_pos_ = in_.size();
        return true;
    }
    const std::string why = file_.LastError().Describe();
    restore_failed_ = !has_image_ || !WriteWhole(in_);
    if (restore_failed_)
        return Fail(why + "; the previous content could not be put back");
    return Fail(why + "; the previous content was put back");
}

}  // namespace tarvenne
