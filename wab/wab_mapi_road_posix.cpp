// Without Windows there is no WAB32.DLL to talk to.
#include "wab/wab_mapi_road.h"

namespace tarvenne::wab {

bool ReadAddressBook(platform::EntryPoint, const std::string&,
                     std::unique_ptr<AddressBookSession>* session,
                     const EntrySink&, std::string* why) {
    if (session) session->reset();
    if (why) *why = "the Windows Address Book is not available on this system";
    return false;
}

}  // namespace tarvenne::wab
