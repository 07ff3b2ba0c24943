// Opens a TARGET of the command line (a contacts-file path or @user:ID) the way the
// wizard does: the classic reader first, then the newer one.
#pragma once

#include "palmfile/classic_address_file.h"
#include "palmfile/palmsg_address_file.h"

#include <memory>
#include <string>

namespace tarvenne::cli {

struct LoadedTarget {
    std::unique_ptr<ClassicAddressFile> classic;  // set when the classic reader took it
    std::unique_ptr<PalmSgAddressFile> palmsg;    // set when the newer reader took it
    const char* Layout() const { return classic ? "classic" : "palmsg"; }
};

enum class TargetResult { Loaded, BadTarget, Unreadable };

// On Unreadable, *why tells what each reader found wrong; on BadTarget, what is wrong with
// the TARGET text itself.
TargetResult LoadTarget(const std::string& target, bool swap_names, LoadedTarget* loaded,
                        std::string* why);

}  // namespace tarvenne::cli
