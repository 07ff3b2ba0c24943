// The options page's file checks and the words it uses for them.
#include "ui/pages/file_problems.h"

#include "palminstall/palm_desktop_locator.h"
#include "platform/file_system.h"

#include <windows.h>

#include <cctype>

namespace tarvenne {
namespace {

std::string Quoted(const std::string& path) { return "\"" + path + "\""; }

const char* Noun(FileRole role) { return role == FileRole::kContactsFile ? "contacts file" : "address book file"; }

std::string VersionText(std::uint32_t version) {
    return std::to_string(version / 10000) + "." + std::to_string(version / 100 % 100) + "." +
           std::to_string(version % 100);
}

}  // namespace

FileProblem FindFileProblem(const std::string& path, FileRole role, int* system_code) {
    *system_code = 0;
    if (path.empty()) return FileProblem::kNotGiven;
    const DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) return FileProblem::kFolder;
    if (role == FileRole::kContactsFile) {
        // Opened as the conversion opens it, through the platform's seam (where tests make
        // an opening fail as Windows would refuse it).
        platform::ExclusiveFile file;
        if (file.Open(path, platform::OpenMode::ReadWrite)) return FileProblem::kNone;
        *system_code = file.LastError().system_code;
    } else {
        // An address book is only read, and its own program may keep it open for others
        // to read meanwhile: only a book nobody else may open is in use.
        HANDLE book = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (book != INVALID_HANDLE_VALUE) {
            CloseHandle(book);
            return FileProblem::kNone;
        }
        *system_code = static_cast<int>(GetLastError());
    }
    switch (*system_code) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_NET_NAME:
        return FileProblem::kNotFound;
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
        return FileProblem::kInUse;
    case ERROR_ACCESS_DENIED:
    case ERROR_WRITE_PROTECT:
        // Windows refuses a read-only file and a file the user may not change alike; the
        // file's attributes tell which.
        return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)
                   ? FileProblem::kReadOnly
                   : FileProblem::kAccessDenied;
    default:
        return attributes == INVALID_FILE_ATTRIBUTES ? FileProblem::kNotFound : FileProblem::kOther;
    }
}

std::string FileProblemText(FileProblem problem, FileRole role, const std::string& path, int system_code) {
    const bool contacts = role == FileRole::kContactsFile;
    const std::string the_file = std::string("The ") + Noun(role) + " " + Quoted(path);
    switch (problem) {
    case FileProblem::kNone: return std::string();
    case FileProblem::kNotGiven: return std::string("No ") + Noun(role) + " was given.";
    case FileProblem::kNotFound: return the_file + " does not exist.";
    case FileProblem::kFolder: return Quoted(path) + " is a folder, not " + (contacts ? "a " : "an ") + Noun(role) + ".";
    case FileProblem::kInUse:
        return the_file + " is in use by another program: " +
               (contacts ? "close Palm Desktop or HotSync and try again."
                         : "close the program that uses it (Outlook Express, for one) and try again.");
    case FileProblem::kReadOnly:
        return contacts ? the_file + " is read-only, so the contacts cannot be written into it: clear Read-only in "
                                     "the file's Properties and try again."
                        : the_file + " is read-only and cannot be opened.";
    case FileProblem::kAccessDenied:
        return std::string("Windows does not allow you to ") + (contacts ? "change" : "read") + " the " + Noun(role) +
               " " + Quoted(path) + ": ask the computer's administrator for access, or use a copy of it.";
    case FileProblem::kOther:
    default:
        return the_file + " could not be opened: " + platform::SystemErrorText(system_code) + ".";
    }
}

std::string LayoutRefusalText(const std::string& path, bool file_is_classic, std::uint32_t desktop_version) {
    const char* file_layout = file_is_classic ? "classic" : "newer";
    const char* other_layout = file_is_classic ? "newer" : "classic";
    const std::string file = "The contacts file " + Quoted(path) + " is in the " + file_layout + " layout";
    if (desktop_version == kNoDesktopVersion)
        return "No Palm Desktop was found on this computer, so the contacts are written in the newer layout "
               "(Palm Desktop 4.1.2 and later), but " + Quoted(path) + " is in the classic layout.";
    return file + ", but the installed Palm Desktop " + VersionText(desktop_version) + " reads and writes the " +
           other_layout + " layout, so it cannot take the contacts.";
}

bool StartsLikeVCard(const std::string& path) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    char start[512] = {};
    DWORD got = 0;
    const bool read = ReadFile(file, start, sizeof start - 1, &got, nullptr) != FALSE;
    CloseHandle(file);
    if (!read) return false;
    std::string text(start, got);
    if (text.compare(0, 3, "\xEF\xBB\xBF") == 0) text.erase(0, 3);
    const std::size_t first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos) return false;
    static const char kBegin[] = "BEGIN:VCARD";
    for (std::size_t i = 0; i < sizeof kBegin - 1; ++i) {
        if (first + i >= text.size() ||
            std::toupper(static_cast<unsigned char>(text[first + i])) != kBegin[i])
            return false;
    }
    return true;
}

}  // namespace tarvenne
