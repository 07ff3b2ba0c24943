// The stream under both layouts of the Palm Desktop contacts file: the exclusive open, the
// whole file read into memory (the reading itself is DatReader's), the little-endian
// writers of integers, counted strings and typed fields, and the save that replaces the
// file's content all at once after a backup copy, putting the copy back when a step fails.
#pragma once

#include "palmfile/dat_reader.h"
#include "platform/file_system.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tarvenne {

// Why the last save wrote nothing, or had to put the previous content back.
enum class SaveFailure {
    kNone,           // the last save wrote the file, or none was tried
    kChangedOnDisk,  // another program wrote the file since it was loaded: nothing was written
    kNotWritten,     // any other reason, which LastError() gives
};

class DatStream {
public:
    // Contacts files larger than this are refused at the open: the program holds a file
    // whole in memory, and no address book comes near it.
    static constexpr std::uint64_t kLargestFile = std::uint64_t{256} << 20;

    DatStream() = default;
    virtual ~DatStream() = default;
    DatStream(const DatStream&) = delete;
    DatStream& operator=(const DatStream&) = delete;

    // Modes 0 read, 1 write, 2 read and write (the file must exist for all three),
    // 3 read and write, created or emptied; always exclusive. An empty path fails and
    // leaves any open file open; otherwise an open file is closed first, and a mode
    // outside 0 to 3 then fails.
    bool Open(const std::string& path, int mode);
    void Close() { file_.Close(); }
    bool IsOpen() const { return file_.IsOpen(); }
    // The path of the last successful Open; survives Close.
    const std::string& Path() const { return path_; }

    // The whole open file; refused above kLargestFile.
    bool ReadWhole(std::vector<std::uint8_t>* bytes);
    // Up to n bytes from the start of the open file (fewer when it is shorter).
    bool ReadStart(std::vector<std::uint8_t>* bytes, std::size_t n);
    // Up to n bytes from offset on into dest; *got is fewer than n only at the file's end.
    bool ReadAt(std::uint64_t offset, std::uint8_t* dest, std::size_t n, std::size_t* got);

    // --- writing, collected in memory ---
    bool WriteBytes(const void* source, std::size_t n);
    bool WriteInt32(std::int32_t value) { return WriteUInt32(static_cast<std::uint32_t>(value)); }
    bool WriteUInt32(std::uint32_t value);
    bool WriteInt16(std::int32_t value);  // low 16 bits
    bool WriteByte(std::int32_t value);   // low 8 bits
    bool WriteInt64(std::uint64_t value);
    // Counted string: 00 for an empty text; n and the text below 255; FF, a 16-bit n and
    // the text from 255 on. A text longer than 65,535 bytes fails and writes nothing.
    bool WriteCString(std::string_view text);
    bool WriteIntegerField(std::int32_t value);
    bool WriteBooleanField(std::int32_t value);
    bool WriteCStringField(std::string_view text, std::int32_t marker);
    bool WriteLongField(std::uint64_t value);
    // Room for about n bytes of writes, so that a large file is not copied each time the
    // buffer grows; only a hint.
    void ReserveWrites(std::size_t n);
    // Hands over everything written so far and empties the buffer.
    std::vector<std::uint8_t> TakePendingWrites();

    // Replaces the whole content of the file at path with bytes: opens it exclusively
    // (it must exist) and, through that open, checks that it still holds exactly
    // `expected` (else nothing is written, the backup left as it was, and LastSaveFailure()
    // is kChangedOnDisk), copies its content to backup_path, then writes, truncates and
    // flushes. When the copy fails nothing is written; when a later step fails the copy is
    // written back (RestoreFailed() tells whether that worked too).
    bool ReplaceWithBackup(const std::string& path, const std::vector<std::uint8_t>& bytes,
                           const std::string& backup_path, const std::vector<std::uint8_t>& expected);
    bool RestoreFailed() const { return restore_failed_; }
    SaveFailure LastSaveFailure() const { return save_failure_; }

    // What went wrong last, in words for the user.
    const std::string& LastError() const { return error_; }

protected:
    // Records the first failure since ClearError (later ones do not overwrite it) and
    // returns false, so callers can `return Fail("...")`.
    bool Fail(const std::string& what);
    // The same for a save, which also says why it wrote nothing.
    bool SaveFailed(SaveFailure why, const std::string& what) {
        save_failure_ = why;
        return Fail(what);
    }
    void ClearError() {
        error_.clear();
        save_failure_ = SaveFailure::kNone;
    }

private:
    // Whether the open file holds exactly these bytes; false with the reason when it
    // cannot be read.
    bool HoldsExactly(const std::vector<std::uint8_t>& expected, bool* same);

    platform::ExclusiveFile file_;
    std::string path_;
    std::vector<std::uint8_t> out_;  // what has been written
    bool restore_failed_ = false;
    SaveFailure save_failure_ = SaveFailure::kNone;
    std::string error_;
};

}  // namespace tarvenne
