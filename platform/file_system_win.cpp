// Win32 files for the seam: CreateFileA with share mode 0 gives the exclusive open.
#include "platform/fault_injection.h"
#include "platform/file_system.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace tarvenne::platform {
namespace {
HANDLE AsHandle(void* h) { return static_cast<HANDLE>(h); }
}  // namespace

bool ExclusiveFile::Open(const std::string& path, OpenMode mode) {
    Close();
    path_ = path;
    if (path.empty()) return Fail("open", ERROR_FILE_NOT_FOUND);
    if (InjectedFault(FaultPoint::Open)) return Fail("open", ERROR_ACCESS_DENIED);
    DWORD access = 0;
    DWORD disposition = OPEN_EXISTING;
    switch (mode) {
        case OpenMode::Read: access = GENERIC_READ; break;
        case OpenMode::Write: access = GENERIC_WRITE; break;
        case OpenMode::ReadWrite: access = GENERIC_READ | GENERIC_WRITE; break;
        case OpenMode::CreateAlways:
            access = GENERIC_READ | GENERIC_WRITE;
            disposition = CREATE_ALWAYS;
            break;
        default: return Fail("open", ERROR_INVALID_PARAMETER);
    }
    HANDLE h = CreateFileA(path.c_str(), access, 0, nullptr, disposition, FILE_ATTRIBUTE_NORMAL,
                           nullptr);
    if (h == INVALID_HANDLE_VALUE) return Fail("open", static_cast<int>(GetLastError()));
    handle_ = h;
    return true;
}

void ExclusiveFile::Close() {
    if (handle_) {
        CloseHandle(AsHandle(handle_));
        handle_ = nullptr;
    }
}

bool ExclusiveFile::IsOpen() const { return handle_ != nullptr; }

bool ExclusiveFile::Read(void* dest, std::size_t n, std::size_t* delivered) {
    if (delivered) *delivered = 0;
    if (!handle_ || !dest) return Fail("read", ERROR_INVALID_HANDLE);
    if (InjectedFault(FaultPoint::Read)) return Fail("read", ERROR_READ_FAULT);
    // ReadFile takes a DWORD count; large reads go in slices.
    std::size_t total = 0;
    char* p = static_cast<char*>(dest);
    while (total < n) {
        const DWORD want = static_cast<DWORD>(std::min<std::size_t>(n - total, 1u << 30));
        DWORD got = 0;
        if (!ReadFile(AsHandle(handle_), p + total, want, &got, nullptr))
            return Fail("read", static_cast<int>(GetLastError()));
        total += got;
        if (got < want) break;
    }
    if (delivered) *delivered = total;
    return true;
}

bool ExclusiveFile::Write(const void* source, std::size_t n) {
    if (!handle_ || !source) return Fail("write", ERROR_INVALID_HANDLE);
    if (InjectedFault(FaultPoint::Write)) return Fail("write", ERROR_WRITE_FAULT);
    const char* p = static_cast<const char*>(source);
    while (n > 0) {
        const DWORD want = static_cast<DWORD>(std::min<std::size_t>(n, 1u << 30));
        DWORD put = 0;
        if (!WriteFile(AsHandle(handle_), p, want, &put, nullptr) || put == 0)
            return Fail("write", static_cast<int>(GetLastError()));
        p += put;
        n -= put;
    }
    return true;
}

bool ExclusiveFile::SeekTo(std::uint64_t offset) {
    LARGE_INTEGER to;
    to.QuadPart = static_cast<LONGLONG>(offset);
    if (!handle_ || !SetFilePointerEx(AsHandle(handle_), to, nullptr, FILE_BEGIN))
        return Fail("seek", static_cast<int>(GetLastError()));
    return true;
}

bool ExclusiveFile::SeekBy(std::int64_t distance) {
    LARGE_INTEGER by;
    by.QuadPart = distance;
    if (!handle_ || !SetFilePointerEx(AsHandle(handle_), by, nullptr, FILE_CURRENT))
        return Fail("seek", static_cast<int>(GetLastError()));
    return true;
}

bool ExclusiveFile::TruncateHere() {
    if (!handle_) return Fail("truncate", ERROR_INVALID_HANDLE);
    if (InjectedFault(FaultPoint::Truncate)) return Fail("truncate", ERROR_WRITE_FAULT);
    if (!SetEndOfFile(AsHandle(handle_))) return Fail("truncate", static_cast<int>(GetLastError()));
    return true;
}

bool ExclusiveFile::Flush() {
    if (!handle_) return Fail("flush", ERROR_INVALID_HANDLE);
    if (InjectedFault(FaultPoint::Flush)) return Fail("flush", ERROR_WRITE_FAULT);
    if (!FlushFileBuffers(AsHandle(handle_))) return Fail("flush", static_cast<int>(GetLastError()));
    return true;
}

bool ExclusiveFile::Size(std::uint64_t* size) {
    LARGE_INTEGER s;
    if (!handle_ || !size || !GetFileSizeEx(AsHandle(handle_), &s))
        return Fail("size", static_cast<int>(GetLastError()));
    *size = static_cast<std::uint64_t>(s.QuadPart);
    return true;
}

bool ExclusiveFile::CopyTo(const std::string& to) {
    if (!handle_) return Fail("copy", ERROR_INVALID_HANDLE);
    if (InjectedFault(FaultPoint::Copy)) return Fail("copy", ERROR_WRITE_FAULT);
    // Read through this opener's own handle: the file is held exclusively, so no other
    // open (CopyFileA's included) could read it now.
    const std::string temp = to + ".tmp~";
    HANDLE out = CreateFileA(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
    if (out == INVALID_HANDLE_VALUE) return Fail("copy", static_cast<int>(GetLastError()));
    std::vector<char> buffer(1 << 20);
    DWORD code = 0;
    LARGE_INTEGER start{};
    if (!SetFilePointerEx(AsHandle(handle_), start, nullptr, FILE_BEGIN)) code = GetLastError();
    while (code == 0) {
        DWORD got = 0;
        if (!ReadFile(AsHandle(handle_), buffer.data(), static_cast<DWORD>(buffer.size()), &got,
                      nullptr)) {
            code = GetLastError();
            break;
        }
        if (got == 0) break;
        DWORD put = 0;
        if (!WriteFile(out, buffer.data(), got, &put, nullptr) || put != got)
            code = GetLastError() ? GetLastError() : ERROR_DISK_FULL;
    }
    if (code == 0 && !FlushFileBuffers(out)) code = GetLastError();
    CloseHandle(out);
    if (code == 0 &&
        !MoveFileExA(temp.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        code = GetLastError();
    if (code != 0) {
        DeleteFileA(temp.c_str());
        return Fail("copy", static_cast<int>(code));
    }
    return true;
}

bool ExclusiveFile::ReplaceFrom(const std::string& from) {
    if (!handle_) return Fail("restore", ERROR_INVALID_HANDLE);
    HANDLE in = CreateFileA(from.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
    if (in == INVALID_HANDLE_VALUE) return Fail("restore", static_cast<int>(GetLastError()));
    bool ok = SeekTo(0);
    std::vector<char> buffer(1 << 20);
    while (ok) {
        DWORD got = 0;
        if (!ReadFile(in, buffer.data(), static_cast<DWORD>(buffer.size()), &got, nullptr))
            ok = Fail("restore", static_cast<int>(GetLastError()));
        if (!ok || got == 0) break;
        ok = Write(buffer.data(), got);
    }
    CloseHandle(in);
    return ok && TruncateHere() && Flush();
}

std::string SystemErrorText(int code) {
    char buffer[512] = {};
    const DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                   nullptr, static_cast<DWORD>(code), 0, buffer, sizeof buffer,
                                   nullptr);
    std::string text(buffer, n);
    // The system's messages end with a full stop and a line break.
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ' ||
                             text.back() == '.'))
        text.pop_back();
    return text;
}

std::string ModifiedTimeText(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    FILETIME local;
    SYSTEMTIME time;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data) ||
        !FileTimeToLocalFileTime(&data.ftLastWriteTime, &local) || !FileTimeToSystemTime(&local, &time))
        return std::string();
    char text[32];
    std::snprintf(text, sizeof text, "%04u-%02u-%02u %02u:%02u", time.wYear, time.wMonth, time.wDay, time.wHour,
                  time.wMinute);
    return text;
}

bool PathExists(const std::string& path) {
    return !path.empty() && GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool RemoveFile(const std::string& path) { return DeleteFileA(path.c_str()) != 0; }

bool RenameReplacing(const std::string& from, const std::string& to, FileError* error) {
    if (MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) return true;
    if (error) *error = FileError{"rename", to, static_cast<int>(GetLastError())};
    return false;
}

namespace {
// The volume and the file's index on it; false when the file cannot be opened.
bool FileIdentity(const std::string& path, BY_HANDLE_FILE_INFORMATION* info) {
    HANDLE h = CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    const bool ok = GetFileInformationByHandle(h, info) != 0;
    CloseHandle(h);
    return ok;
}
}  // namespace

bool SameFile(const std::string& a, const std::string& b) {
    BY_HANDLE_FILE_INFORMATION ia, ib;
    return FileIdentity(a, &ia) && FileIdentity(b, &ib) && ia.dwVolumeSerialNumber == ib.dwVolumeSerialNumber &&
           ia.nFileIndexHigh == ib.nFileIndexHigh && ia.nFileIndexLow == ib.nFileIndexLow;
}

}  // namespace tarvenne::platform
