// Opens a TARGET of the command line (a contacts-file path or @user:ID) the way the
// wizard does: the classic reader first, then the newer one.
#pragma once

#include "palmfile/address_file.h"

#include <functional>
#include <memory>
#include <string>

namespace tarvenne::cli {

enum class TargetResult { Loaded, BadTarget, Unreadable };

// On Loaded, *file is the reader that took the file. On Unreadable, *why tells what each
// reader found wrong; on BadTarget, what is wrong with the TARGET text itself.
TargetResult LoadTarget(const std::string& target, bool swap_names,
                        std::unique_ptr<AddressFile>* file, std::string* why);

// The same opening for a command that needs each record once (AddressFile::VisitRecords,
// with check_first the whole file read once before the first record is handed on): visit
// gets every record with the file it lies in, whose categories and labels are read.
// Loaded also when visit stopped the walk; *path is then the contacts file that was read.
using TargetVisitor = std::function<bool(const AddressFile& file, const PalmRecord& record)>;
TargetResult VisitTarget(const std::string& target, bool swap_names, bool check_first,
                         const TargetVisitor& visit, std::string* path, std::string* why);

}  // namespace tarvenne::cli
