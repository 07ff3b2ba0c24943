// Opens a TARGET of the command line (a contacts-file path or @user:ID) the way the
// wizard does: the classic reader first, then the newer one.
#pragma once

#include "palmfile/address_file.h"

#include <memory>
#include <string>

namespace tarvenne::cli {

enum class TargetResult { Loaded, BadTarget, Unreadable };

// On Loaded, *file is the reader that took the file. On Unreadable, *why tells what each
// reader found wrong; on BadTarget, what is wrong with the TARGET text itself.
TargetResult LoadTarget(const std::string& target, bool swap_names,
                        std::unique_ptr<AddressFile>* file, std::string* why);

}  // namespace tarvenne::cli
