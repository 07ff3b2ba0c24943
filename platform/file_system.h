// The file side of the operating-system seam: exclusive opens in the four modes the
// contacts files use, whole reads and writes, truncation, flushing and copies.
// file_system_win.cpp and file_system_posix.cpp implement it; both consult
// fault_injection.h so tests can make any step fail.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace tarvenne::platform {

// The four open modes of a contacts file. Every mode is exclusive: while one opener
// holds the file, a second open (from this or another process) fails.
enum class OpenMode : int {
    Read = 0,          // read, the file must exist
    Write = 1,         // write, the file must exist
    ReadWrite = 2,     // read and write, the file must exist
    CreateAlways = 3,  // read and write, created or truncated to 0 bytes
};

// Why the last operation on a file failed, in words a user can be shown.
struct FileError {
    std::string operation;  // "open", "read", "write", ...
    std::string path;
    int system_code = 0;    // errno or GetLastError()
    // "open failed for "x.dat": No such file or directory (system error 2)".
    std::string Describe() const;
};

// One open file, owned: closed when the object goes. Move-only.
class ExclusiveFile {
public:
    ExclusiveFile() = default;
    ~ExclusiveFile();
    ExclusiveFile(ExclusiveFile&& other) noexcept;
    ExclusiveFile& operator=(ExclusiveFile&& other) noexcept;
    ExclusiveFile(const ExclusiveFile&) = delete;
    ExclusiveFile& operator=(const ExclusiveFile&) = delete;

    // Opens path exclusively; false (with the reason in LastError()) when the file is
    // missing where it must exist, held by another opener, or not accessible.
    bool Open(const std::string& path, OpenMode mode);
    void Close();
    bool IsOpen() const;

    // Reads up to n bytes at the current position; *delivered is what arrived (0 at end).
    bool Read(void* dest, std::size_t n, std::size_t* delivered);
    // Writes all n bytes or fails.
    bool Write(const void* source, std::size_t n);
    bool SeekTo(std::uint64_t offset);
    bool SeekBy(std::int64_t distance);
    // Ends the file at the current position.
    bool TruncateHere();
    bool Flush();
    bool Size(std::uint64_t* size);

    // The whole content from offset 0; leaves the position at the end.
    bool ReadAll(std::vector<std::uint8_t>* bytes);
    // Replaces the whole content: writes from offset 0, truncates and flushes.
    bool ReplaceAll(const std::vector<std::uint8_t>& bytes);

    // Copies the whole content, as this opener sees it, to `to`: written beside it under a
    // temporary name, flushed, then renamed over it (and the folder flushed where the
    // system allows), so a failed copy never replaces a good one and a finished one
    // survives a power cut. Leaves the position unspecified.
    bool CopyTo(const std::string& to);
    // Writes the whole content of the file `from` over this one (from offset 0, then
    // truncated and flushed): how a failed save puts the backup back.
    bool ReplaceFrom(const std::string& from);

    const FileError& LastError() const { return error_; }

private:
    bool Fail(const char* operation, int code);

#ifdef _WIN32
    void* handle_ = nullptr;  // HANDLE, owned; nullptr when closed
#else
    int fd_ = -1;  // owned; -1 when closed
#endif
    std::string path_;
    FileError error_;
};

// Copies a file over another, replacing it, as ExclusiveFile::CopyTo does; fails for a
// source another opener holds.
bool CopyFileReplacing(const std::string& from, const std::string& to);
bool PathExists(const std::string& path);
// When the file was last written, in local time as "2026-12-07 14:02"; empty when unknown.
std::string ModifiedTimeText(const std::string& path);
bool RemoveFile(const std::string& path);
// Gives the file `from` the name `to`, replacing a file of that name, in one step (and
// flushes the folder where the system allows), so `to` is never seen half-written.
bool RenameReplacing(const std::string& from, const std::string& to, FileError* error);
// Whether both paths name one existing file (through links, or spelt differently).
bool SameFile(const std::string& a, const std::string& b);
// Convenience for tools and tests: read or write a whole file without locking semantics.
bool ReadFileBytes(const std::string& path, std::vector<std::uint8_t>* bytes);
bool WriteFileBytes(const std::string& path, const std::vector<std::uint8_t>& bytes);

// The system's own words for an error code (errno, or GetLastError() on Windows).
std::string SystemErrorText(int code);

// The separator this platform's paths use between folders.
#ifdef _WIN32
constexpr char kPathSeparator = '\\';
#else
constexpr char kPathSeparator = '/';
#endif

}  // namespace tarvenne::platform
