// The parts of the file seam that are the same on every platform.
#include "platform/file_system.h"

#include <cstring>

namespace tarvenne::platform {

std::string FileError::Describe() const {
    std::string text = operation.empty() ? std::string("file operation") : operation;
    text += " failed";
    if (!path.empty()) text += " for \"" + path + "\"";
    if (system_code != 0) {
        const std::string words = SystemErrorText(system_code);
        if (!words.empty()) text += ": " + words;
        text += " (system error " + std::to_string(system_code) + ")";
    }
    return text;
}

ExclusiveFile::~ExclusiveFile() { Close(); }

ExclusiveFile& ExclusiveFile::operator=(ExclusiveFile&& other) noexcept {
    if (this != &other) {
        Close();
#ifdef _WIN32
        handle_ = other.handle_;
        other.handle_ = nullptr;
#else
        fd_ = other.fd_;
        other.fd_ = -1;
#endif
        path_ = std::move(other.path_);
        error_ = std::move(other.error_);
    }
    return *this;
}

ExclusiveFile::ExclusiveFile(ExclusiveFile&& other) noexcept { *this = std::move(other); }

bool ExclusiveFile::ReadAll(std::vector<std::uint8_t>* bytes) {
    std::uint64_t size = 0;
    if (!bytes || !Size(&size) || !SeekTo(0)) return false;
    if (size > static_cast<std::uint64_t>(SIZE_MAX / 2)) return Fail("read", 0);
    bytes->assign(static_cast<std::size_t>(size), 0);
    std::size_t done = 0;
    while (done < bytes->size()) {
        std::size_t got = 0;
        if (!Read(bytes->data() + done, bytes->size() - done, &got)) return false;
        if (got == 0) break;  // the file shrank under us: keep what is there
        done += got;
    }
    bytes->resize(done);
    return true;
}

bool ExclusiveFile::ReplaceAll(const std::vector<std::uint8_t>& bytes) {
    if (!SeekTo(0)) return false;
    if (!bytes.empty() && !Write(bytes.data(), bytes.size())) return false;
    return TruncateHere() && Flush();
}

bool ExclusiveFile::Fail(const char* operation, int code) {
    error_.operation = operation;
    error_.path = path_;
    error_.system_code = code;
    return false;
}

bool CopyFileReplacing(const std::string& from, const std::string& to) {
    ExclusiveFile source;
    return source.Open(from, OpenMode::Read) && source.CopyTo(to);
}

bool ReadFileBytes(const std::string& path, std::vector<std::uint8_t>* bytes) {
    ExclusiveFile file;
    return file.Open(path, OpenMode::Read) && file.ReadAll(bytes);
}

bool WriteFileBytes(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    ExclusiveFile file;
    return file.Open(path, OpenMode::CreateAlways) && file.ReplaceAll(bytes);
}

}  // namespace tarvenne::platform
