// The contacts-file stream: exclusive opens, whole reads, the writers, and the save that
// replaces a file's content behind a backup copy.
#include "palmfile/dat_stream.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace tarvenne {
namespace {

// Writes go out in slices that start small and double, so that a disk that fills up is
// noticed at the slice that failed and a test can fail a write in the middle of a file,
// while a large file still goes out in a few large writes.
constexpr std::size_t kFirstSlice = 4096;
constexpr std::size_t kLargestSlice = std::size_t{4} << 20;

}  // namespace

bool DatStream::Open(const std::string& path, int mode) {
    if (path.empty()) return Fail("no file name was given");
    Close();
    if (mode < 0 || mode > 3) return Fail("unknown open mode " + std::to_string(mode));
    if (!file_.Open(path, static_cast<platform::OpenMode>(mode)))
        return Fail(file_.LastError().Describe());
    path_ = path;
    return true;
}

bool DatStream::ReadWhole(std::vector<std::uint8_t>* bytes) {
    std::uint64_t size = 0;
    if (!file_.Size(&size)) return Fail(file_.LastError().Describe());
    if (size > kLargestFile)
        return Fail("the file holds " + std::to_string(size >> 20) +
                    " MiB; contacts files of more than 256 MiB are not read");
    return file_.ReadAll(bytes) || Fail(file_.LastError().Describe());
}

bool DatStream::ReadStart(std::vector<std::uint8_t>* bytes, std::size_t n) {
    bytes->assign(n, 0);
    std::size_t got = 0;
    if (!file_.SeekTo(0) || !file_.Read(bytes->data(), n, &got))
        return Fail(file_.LastError().Describe());
    bytes->resize(got);
    return true;
}

bool DatStream::ReadAt(std::uint64_t offset, std::uint8_t* dest, std::size_t n, std::size_t* got) {
    *got = 0;
    if (!file_.SeekTo(offset)) return Fail(file_.LastError().Describe());
    while (*got < n) {
        std::size_t delivered = 0;
        if (!file_.Read(dest + *got, n - *got, &delivered)) return Fail(file_.LastError().Describe());
        if (delivered == 0) break;
        *got += delivered;
    }
    return true;
}

bool DatStream::Fail(const std::string& what) {
    if (error_.empty()) error_ = what;
    return false;
}

// ---------------------------------------------------------------- writing

bool DatStream::WriteBytes(const void* source, std::size_t n) {
    if (!source || n == 0) return Fail("an empty write was asked for");
    const auto* bytes = static_cast<const std::uint8_t*>(source);
    out_.insert(out_.end(), bytes, bytes + n);
    return true;
}

bool DatStream::WriteUInt32(std::uint32_t value) {
    const std::uint8_t b[4] = {static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
                               static_cast<std::uint8_t>(value >> 16),
                               static_cast<std::uint8_t>(value >> 24)};
    return WriteBytes(b, sizeof b);
}

bool DatStream::WriteInt16(std::int32_t value) {
    const std::uint8_t b[2] = {static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8)};
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
        return Fail("a text of " + std::to_string(text.size()) + " bytes is too long for the file");
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

void DatStream::ReserveWrites(std::size_t n) {
    try {
        out_.reserve(n);
    } catch (const std::bad_alloc&) {
        // Writes grow the buffer as they go, and fail then if memory is short.
    }
}

std::vector<std::uint8_t> DatStream::TakePendingWrites() {
    std::vector<std::uint8_t> taken;
    taken.swap(out_);
    return taken;
}

// ---------------------------------------------------------------- the save

bool DatStream::HoldsExactly(const std::vector<std::uint8_t>& expected, bool* same) {
    *same = false;
    std::uint64_t size = 0;
    if (!file_.Size(&size)) return Fail(file_.LastError().Describe());
    if (size != expected.size()) return true;
    // Compared a slice at a time, so that a large file is not held twice more in memory.
    std::vector<std::uint8_t> slice(std::min<std::size_t>(expected.size(), kLargestSlice));
    for (std::size_t done = 0; done < expected.size();) {
        std::size_t got = 0;
        if (!ReadAt(done, slice.data(), std::min(slice.size(), expected.size() - done), &got)) return false;
        if (got == 0 || std::memcmp(slice.data(), expected.data() + done, got) != 0) return true;
        done += got;
    }
    *same = true;
    return true;
}

bool DatStream::ReplaceWithBackup(const std::string& path, const std::vector<std::uint8_t>& bytes,
                                  const std::string& backup_path, const std::vector<std::uint8_t>& expected) {
    restore_failed_ = false;
    save_failure_ = SaveFailure::kNone;
    if (!Open(path, 2)) return SaveFailed(SaveFailure::kNotWritten, "the file could not be opened");
    // Palm Desktop or HotSync may have written the file since it was loaded. Checked through
    // this exclusive open, so nobody writes it between the check and the save; before the
    // backup, so the backup of the last good save is not replaced by their content either.
    bool unchanged = false;
    const bool compared = HoldsExactly(expected, &unchanged);
    if (!compared || !unchanged) {
        Close();
        return compared ? SaveFailed(SaveFailure::kChangedOnDisk,
                                     "the file was changed by another program since it was read; nothing was written")
                        : SaveFailed(SaveFailure::kNotWritten, "the file could not be read; it was not changed");
    }
    // The backup is made through this exclusive open, so it holds exactly what is replaced.
    if (!file_.CopyTo(backup_path)) {
        const std::string why = file_.LastError().Describe();
        Close();
        return SaveFailed(SaveFailure::kNotWritten, "the backup copy \"" + backup_path + "\" could not be made (" +
                                                        why + "); the file was not changed");
    }
    // A shorter content cuts the file first: a save stopped part way then leaves a file
    // that is refused as cut, never the new content followed by an old tail.
    std::uint64_t size = 0;
    bool ok = file_.Size(&size);
    if (ok && bytes.size() < size) ok = file_.SeekTo(bytes.size()) && file_.TruncateHere();
    ok = ok && file_.SeekTo(0);
    std::size_t slice = kFirstSlice;
    for (std::size_t done = 0; ok && done < bytes.size();) {
        const std::size_t n = std::min(slice, bytes.size() - done);
        ok = file_.Write(bytes.data() + done, n);
        done += n;
        slice = std::min(slice * 2, kLargestSlice);
    }
    ok = ok && file_.TruncateHere() && file_.Flush();
    if (!ok) {
        const std::string why = file_.LastError().Describe();
        restore_failed_ = !file_.ReplaceFrom(backup_path);
        SaveFailed(SaveFailure::kNotWritten,
                   why + (restore_failed_ ? "; the previous content could not be put back, and the backup \"" +
                                                backup_path + "\" holds it"
                                          : "; the previous content was put back"));
    }
    Close();
    return ok;
}

}  // namespace tarvenne
