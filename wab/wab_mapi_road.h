// The road through WAB32.DLL: WABOpen, the personal address book's contents table, and
// each mail user's properties, delivered in the portable form the vCard reader also
// delivers. Only the Windows build has it; elsewhere every call reports that it is not
// available.
#pragma once

#include "platform/dynamic_library.h"
#include "wab/source_contact.h"

#include <cstdint>
#include <memory>
#include <string>

namespace tarvenne::wab {

// The interfaces WABOpen hands out (the address book and the WAB object), held from a
// successful read until the loader's next Load or Unload; destroying the session
// releases the address book first, then the WAB object.
class AddressBookSession {
public:
    virtual ~AddressBookSession() = default;
};

// Opens the address book through wab_open (the library's WABOpen; an empty path means the
// current user's) and hands every mail user to deliver, in the contents table's order,
// with every property it has and the PR_ENTRYID of its row;
// distribution lists and containers are passed over, and so is an entry that cannot be
// opened or whose properties cannot be read. True when the table was read to its end
// (or the book has no contents table): *session then holds the interfaces. False, with
// the reason in *why and nothing held, when WABOpen, opening the personal address book,
// SetColumns, SeekRow or QueryRows fails.
bool ReadAddressBook(platform::EntryPoint wab_open, const std::string& path,
                     std::unique_ptr<AddressBookSession>* session,
                     const EntrySink& deliver, std::string* why);

}  // namespace tarvenne::wab
