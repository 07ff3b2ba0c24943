// The binary stream under both layouts of the Palm Desktop contacts file: exclusive
// opens, little-endian integers, counted strings, typed record fields and blobs.
//
// The stream reads the whole file into memory when it opens it and parses from there
// with a sticky failure: once a read fails, every later read fails, so no caller can
// read past what the file holds. Writes collect in memory and reach the disk only
// through Commit(), which replaces the file's content all at once and puts the previous
// content back when any step of that fails. Close() drops writes not committed.
#pragma once

#include "palmfile/dat_field_cursor.h"
#include "platform/file_system.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace tarvenne {

// A small record carried without a tag of its own: w0 (the stored tag, 64 to 67 in
// files Palm Desktop wrote), w1; when w1 is not 0, w2, w3 and a counted byte block.
struct DatBlob {
    std::uint32_t w0 = 0;
    std::uint32_t w1 = 0;
    std::uint32_t w2 = 0;
    std::uint32_t w3 = 0;
    std::uint32_t length = 0;
    std::vector<std::uint8_t> data;  // exactly `length` bytes when length is not 0

    friend bool operator==(const DatBlob& a, const DatBlob& b) {
        return a.w0 == b.w0 && a.w1 == b.w1 && a.w2 == b.w2 && a.w3 == b.w3 &&
               a.length == b.length && a.data == b.data;
    }
};

// Copies all six members (a blob copy owns its own bytes); false for a null side.
bool CopyBlob(const DatBlob* source, DatBlob* target);

// Whether a field read with this encoding is exactly what the stream's writers write for
// its value: WriteIntegerField (WriteBooleanField for a boolean field), WriteCStringField
// with marker 1 in the shortest counted form, WriteLongField. A record whose fields all
// pass can have its read bytes written back instead of its fields.
inline bool IntegerFieldWrittenAsRead(std::int32_t tag, bool boolean) {
    return tag == (boolean ? kTagBoolean : kTagInteger);
}
inline bool TextFieldWrittenAsRead(std::string_view text, std::int32_t marker, bool long_form) {
    return marker == 1 && long_form == (text.size() >= 255);
}
inline bool LongFieldWrittenAsRead(std::int32_t tag) { return tag == kTagLong; }

class DatStream {
public:
    DatStream();
    virtual ~DatStream();
    DatStream(const DatStream&) = delete;
    DatStream& operator=(const DatStream&) = delete;

    // Modes 0 read, 1 write, 2 read and write (the file must exist for all three),
    // 3 read and write, created or emptied. An empty path fails and leaves any open file
    // open; otherwise an open file is closed first, and a mode outside 0 to 3 then fails.
    bool Open(const std::string& path, int mode);
    void Close();
    bool IsOpen() const;
    // Reads from bytes already in memory instead of a file (no file is open, so Commit
    // fails); the remembered path stays. For parsing bytes that never were a file.
    void OpenImage(std::vector<std::uint8_t> bytes);
    // The path of the last successful Open; survives Close.
    const std::string& Path() const { return path_; }

    // --- reading, from the image read at Open ---
    bool ReadBytes(void* dest, std::size_t n);
    // Up to *n bytes; *n becomes the number delivered (0 at the end of the file).
    bool ReadAvailable(void* dest, std::size_t* n);
    bool ReadInt32(std::int32_t* value);
    bool ReadUInt32(std::uint32_t* value);
    bool ReadInt16(std::int16_t* value);
    bool ReadUInt16(std::uint16_t* value);
    bool ReadByte(std::uint8_t* value);
    bool ReadInt64(std::uint64_t* value);
    // One counted string of at most *capacity characters. A longer stored string fails
    // with *capacity set to its length, the stream just past the length prefix and dest
    // empty. A capacity of 0 fails.
    bool ReadCString(std::string* dest, std::size_t* capacity);
    // Tag 1, 3 or 6, then the int32 value; any other tag fails after consuming it.
    bool ReadIntegerField(std::int32_t* value);
    // Tag 5, an int32 marker, then a counted string kept whole (up to 65,535 bytes).
    bool ReadCStringField(std::string* dest, std::int32_t* marker);
    // A tag of any value, then eight bytes (low word first).
    bool ReadLongField(std::uint64_t* value);
    bool ReadBlob(DatBlob* blob);
    // Moves forward n bytes (the platform seek the classic header reader uses).
    bool Skip(std::size_t n);
    // A cursor over the image from the next byte to read, for readers that walk many
    // fields at once; Advance(cursor) then takes over where it stopped or why it failed.
    DatFieldCursor CursorHere() const;
    bool Advance(const DatFieldCursor& cursor);
    // Hands the image read at Open over (the stream holds none afterwards), so that the
    // record lists can decode their records from it when they are first asked for.
    std::shared_ptr<const std::vector<std::uint8_t>> TakeImage();
    // Offset of the next byte to read, for messages that say where a file went wrong.
    std::size_t ReadOffset() const { return read_pos_; }
    bool ReadFailed() const { return read_failed_; }
    // Bytes of the image not read yet (0 once a read has failed).
    std::size_t BytesLeft() const { return read_failed_ ? 0 : in_.size() - read_pos_; }

    // --- writing, collected in memory until Commit ---
    bool WriteBytes(const void* source, std::size_t n);
    bool WriteInt32(std::int32_t value);
    bool WriteUInt32(std::uint32_t value);
    bool WriteInt16(std::int32_t value);  // low 16 bits
    bool WriteByte(std::int32_t value);   // low 8 bits
    bool WriteInt64(std::uint64_t value);
    // Counted string: 00 for an empty text; n and the text below 255; FF, a 16-bit n and
    // the text from 255 on. A text longer than 65,535 bytes fails.
    bool WriteCString(std::string_view text);
    bool WriteIntegerField(std::int32_t value);
    bool WriteBooleanField(std::int32_t value);
    bool WriteCStringField(std::string_view text, std::int32_t marker);
    bool WriteLongField(std::uint64_t value);
    bool WriteBlob(const DatBlob* blob);
    // Room for about n bytes of writes, so that building a large file does not copy it
    // again each time the buffer grows. Only a hint: without the room, writes still work.
    void ReserveWrites(std::size_t n);
    const std::vector<std::uint8_t>& PendingWrites() const { return out_; }
    // Hands over everything written so far and empties the buffer: a file can be built
    // while the stream is closed (Open drops pending writes) and written after Open.
    std::vector<std::uint8_t> TakePendingWrites();
    // Makes bytes the whole of what Commit will write (content built while closed).
    void SetPendingWrites(std::vector<std::uint8_t>&& bytes);

    // Replaces the open file's content by everything written since Open: writes it from
    // the first byte, truncates, flushes. When a step fails, the content read at Open is
    // written back and false is returned (RestoreFailed() tells whether that worked too).
    bool Commit();
    bool RestoreFailed() const { return restore_failed_; }

    // What went wrong last, in words for the user ("read past the end at offset 1234").
    const std::string& LastError() const { return error_; }
    // Refuses input that reads fine but makes no sense (a bad count, a slot already
    // taken): makes the read failure sticky and records what, with the byte offset.
    bool RefuseInput(const std::string& what);

protected:
    // Records the first failure of a load or save in LastError (later ones do not
    // overwrite it) and returns false, so callers can `return Fail("...")`.
    bool Fail(const std::string& what);
    void ClearError() { error_.clear(); }

private:
    bool Take(std::size_t n, const std::uint8_t** bytes);
    // Seek to 0, write bytes in slices, truncate, flush.
    bool WriteWhole(const std::vector<std::uint8_t>& bytes);

    platform::ExclusiveFile file_;
    std::string path_;
    std::vector<std::uint8_t> in_;   // the file's content as read at Open
    std::size_t read_pos_ = 0;
    bool read_failed_ = false;
    std::vector<std::uint8_t> out_;  // what has been written since Open
    bool restore_failed_ = false;
    bool has_image_ = false;  // in_ holds the file's content (not so for write-only opens)
    std::string error_;
};

}  // namespace tarvenne
