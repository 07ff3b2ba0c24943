// Why the options page cannot use a file, told once and plainly: a file that cannot be
// opened at all (missing, a folder, held by another program, read-only, not allowed), the
// contacts file's layout that the installed Palm Desktop does not write, and an address
// book that is neither an address book nor a vCard file.
#pragma once

#include <cstdint>
#include <string>

namespace tarvenne {

enum class FileProblem {
    kNone,          // it opens
    kNotGiven,      // no path
    kNotFound,
    kFolder,
    kInUse,         // another program holds it
    kReadOnly,      // refused, and the file says it is read-only
    kAccessDenied,  // refused otherwise
    kOther,
};

enum class FileRole { kAddressBook, kContactsFile };

// Opens the file as the program will (the contacts file to be read and written,
// exclusively; the address book to be read, beside others who read it) and closes it
// again; why that failed, with the system's code in *system_code.
FileProblem FindFileProblem(const std::string& path, FileRole role, int* system_code);

// One or two sentences for the user.
std::string FileProblemText(FileProblem problem, FileRole role, const std::string& path, int system_code);

// Why a contacts file the installed Palm Desktop does not write is refused, naming the
// file's layout and the Palm Desktop version (or that none was found).
std::string LayoutRefusalText(const std::string& path, bool file_is_classic, std::uint32_t desktop_version);

// Whether the file starts as a vCard file does (BEGIN:VCARD, after a byte-order mark or
// blank lines), whatever its name; false when it cannot be read.
bool StartsLikeVCard(const std::string& path);

}  // namespace tarvenne
