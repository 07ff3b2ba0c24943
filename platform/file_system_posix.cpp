// POSIX files for the seam: an exclusive flock() stands in for Windows' share mode 0,
// so a second opener, in this process or another, is refused while one holds the file.
#include "platform/fault_injection.h"
#include "platform/file_system.h"

#include <cerrno>
#include <ctime>
#include <cstring>
#include <vector>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tarvenne::platform {

bool ExclusiveFile::Open(const std::string& path, OpenMode mode) {
    Close();
    path_ = path;
    if (path.empty()) return Fail("open", ENOENT);
    if (InjectedFault(FaultPoint::Open)) return Fail("open", EIO);
    int flags = O_CLOEXEC;
    switch (mode) {
        case OpenMode::Read: flags |= O_RDONLY; break;
        case OpenMode::Write: flags |= O_WRONLY; break;
        case OpenMode::ReadWrite: flags |= O_RDWR; break;
        case OpenMode::CreateAlways: flags |= O_RDWR | O_CREAT; break;
        default: return Fail("open", EINVAL);
    }
    const int fd = ::open(path.c_str(), flags, 0644);
    if (fd < 0) return Fail("open", errno);
    struct stat st {};
    if (::fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
        ::close(fd);
        return Fail("open", EISDIR);
    }
    // Truncation waits until the lock is ours: a file someone else holds is not touched.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int code = errno;
        ::close(fd);
        return Fail("open", code == EWOULDBLOCK ? EBUSY : code);
    }
    if (mode == OpenMode::CreateAlways && ::ftruncate(fd, 0) != 0) {
        const int code = errno;
        ::close(fd);
        return Fail("open", code);
    }
    fd_ = fd;
    return true;
}

void ExclusiveFile::Close() {
    if (fd_ >= 0) {
        ::close(fd_);  // releases the flock with the descriptor
        fd_ = -1;
    }
}

bool ExclusiveFile::IsOpen() const { return fd_ >= 0; }

bool ExclusiveFile::Read(void* dest, std::size_t n, std::size_t* delivered) {
    if (delivered) *delivered = 0;
    if (fd_ < 0 || !dest) return Fail("read", EBADF);
    if (InjectedFault(FaultPoint::Read)) return Fail("read", EIO);
    for (;;) {
        const ssize_t got = ::read(fd_, dest, n);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return Fail("read", errno);
        if (delivered) *delivered = static_cast<std::size_t>(got);
        return true;
    }
}

bool ExclusiveFile::Write(const void* source, std::size_t n) {
    if (fd_ < 0 || !source) return Fail("write", EBADF);
    if (InjectedFault(FaultPoint::Write)) return Fail("write", EIO);
    const char* p = static_cast<const char*>(source);
    while (n > 0) {
        const ssize_t put = ::write(fd_, p, n);
        if (put < 0 && errno == EINTR) continue;
        if (put <= 0) return Fail("write", put < 0 ? errno : ENOSPC);
        p += put;
        n -= static_cast<std::size_t>(put);
    }
    return true;
}

bool ExclusiveFile::SeekTo(std::uint64_t offset) {
    if (fd_ < 0) return Fail("seek", EBADF);
    if (::lseek(fd_, static_cast<off_t>(offset), SEEK_SET) < 0) return Fail("seek", errno);
    return true;
}

bool ExclusiveFile::SeekBy(std::int64_t distance) {
    if (fd_ < 0) return Fail("seek", EBADF);
    if (::lseek(fd_, static_cast<off_t>(distance), SEEK_CUR) < 0) return Fail("seek", errno);
    return true;
}

bool ExclusiveFile::TruncateHere() {
    if (fd_ < 0) return Fail("truncate", EBADF);
    if (InjectedFault(FaultPoint::Truncate)) return Fail("truncate", EIO);
    const off_t here = ::lseek(fd_, 0, SEEK_CUR);
    if (here < 0 || ::ftruncate(fd_, here) != 0) return Fail("truncate", errno);
    return true;
}

bool ExclusiveFile::Flush() {
    if (fd_ < 0) return Fail("flush", EBADF);
    if (InjectedFault(FaultPoint::Flush)) return Fail("flush", EIO);
    if (::fsync(fd_) != 0 && errno != EINVAL) return Fail("flush", errno);
    return true;
}

bool ExclusiveFile::Size(std::uint64_t* size) {
    struct stat st {};
    if (fd_ < 0 || !size) return Fail("size", EBADF);
    if (::fstat(fd_, &st) != 0) return Fail("size", errno);
    *size = static_cast<std::uint64_t>(st.st_size);
    return true;
}

namespace {

bool WriteAllTo(int fd, const char* p, std::size_t n) {
    while (n > 0) {
        const ssize_t put = ::write(fd, p, n);
        if (put < 0 && errno == EINTR) continue;
        if (put <= 0) return false;
        p += put;
        n -= static_cast<std::size_t>(put);
    }
    return true;
}

// A rename is durable only once the folder that holds the name is flushed too.
bool FlushFolderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return false;
    const bool ok = ::fsync(fd) == 0 || errno == EINVAL;
    ::close(fd);
    return ok;
}

}  // namespace

bool ExclusiveFile::CopyTo(const std::string& to) {
    if (fd_ < 0) return Fail("copy", EBADF);
    if (InjectedFault(FaultPoint::Copy)) return Fail("copy", EIO);
    const std::string temp = to + ".tmp~";
    const int out = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (out < 0) return Fail("copy", errno);
    std::vector<char> buffer(1 << 20);
    int code = 0;
    for (off_t at = 0;;) {
        const ssize_t got = ::pread(fd_, buffer.data(), buffer.size(), at);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) code = errno;
        if (got <= 0) break;
        if (!WriteAllTo(out, buffer.data(), static_cast<std::size_t>(got))) {
            code = errno ? errno : ENOSPC;
            break;
        }
        at += got;
    }
    if (code == 0 && ::fsync(out) != 0) code = errno;
    if (::close(out) != 0 && code == 0) code = errno;
    if (code == 0 && ::rename(temp.c_str(), to.c_str()) != 0) code = errno;
    if (code != 0) {
        ::unlink(temp.c_str());
        return Fail("copy", code);
    }
    if (!FlushFolderOf(to)) return Fail("copy", errno);
    return true;
}

bool ExclusiveFile::ReplaceFrom(const std::string& from) {
    if (fd_ < 0) return Fail("restore", EBADF);
    const int in = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0) return Fail("restore", errno);
    bool ok = SeekTo(0);
    std::vector<char> buffer(1 << 20);
    while (ok) {
        const ssize_t got = ::read(in, buffer.data(), buffer.size());
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) ok = Fail("restore", errno);
        if (got <= 0) break;
        ok = Write(buffer.data(), static_cast<std::size_t>(got));
    }
    ::close(in);
    return ok && TruncateHere() && Flush();
}

std::string SystemErrorText(int code) {
    char buffer[256] = {};
    // glibc's strerror_r (the GNU one) may return a text of its own instead of filling buffer.
    return ::strerror_r(code, buffer, sizeof buffer);
}

std::string ModifiedTimeText(const std::string& path) {
    struct stat st {};
    struct tm local {};
    char text[32] = {};
    if (::stat(path.c_str(), &st) != 0 || !::localtime_r(&st.st_mtime, &local) ||
        std::strftime(text, sizeof text, "%Y-%m-%d %H:%M", &local) == 0)
        return std::string();
    return text;
}

bool PathExists(const std::string& path) {
    struct stat st {};
    return !path.empty() && ::stat(path.c_str(), &st) == 0;
}

bool RemoveFile(const std::string& path) { return ::unlink(path.c_str()) == 0; }

bool RenameReplacing(const std::string& from, const std::string& to, FileError* error) {
    if (::rename(from.c_str(), to.c_str()) != 0) {
        if (error) *error = FileError{"rename", to, errno};
        return false;
    }
    // The file is complete under its name already; a folder that cannot be flushed only
    // leaves the rename to the system's next flush.
    FlushFolderOf(to);
    return true;
}

bool SameFile(const std::string& a, const std::string& b) {
    struct stat sa {}, sb {};
    return ::stat(a.c_str(), &sa) == 0 && ::stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev &&
           sa.st_ino == sb.st_ino;
}

}  // namespace tarvenne::platform
