// Loading a command-line TARGET through both contacts-file readers.
#include "cli/target_loader.h"

#include "cli/conversion_setup.h"
#include "engine/conversion_job.h"

namespace tarvenne::cli {

TargetResult LoadTarget(const std::string& target, bool swap_names,
                        std::unique_ptr<AddressFile>* file, std::string* why) {
    TargetArgument named;
    if (!ParseTargetArgument(target, &named, why)) return TargetResult::BadTarget;
    std::unique_ptr<AddressFile> readers[2] = {std::make_unique<ClassicAddressFile>(),
                                               std::make_unique<PalmSgAddressFile>()};
    for (auto& reader : readers) {
        reader->SetSwapNames(swap_names);
        if (named.for_user ? reader->LoadForUser(named.user_id) : reader->Load(named.path)) {
            *file = std::move(reader);
            return TargetResult::Loaded;
        }
    }
    *why = UnreadableTargetReason(*readers[0], *readers[1]);
    return TargetResult::Unreadable;
}

TargetResult VisitTarget(const std::string& target, bool swap_names, bool check_first,
                         const TargetVisitor& visit, std::string* path, std::string* why) {
    TargetArgument named;
    if (!ParseTargetArgument(target, &named, why)) return TargetResult::BadTarget;
    ClassicAddressFile classic;
    PalmSgAddressFile palmsg;
    *path = named.path;
    if (named.for_user && !AddressFile::UserFilePath(named.user_id, path)) {
        classic.LoadForUser(named.user_id);  // fails as it does for dump, with its reason
        palmsg.LoadForUser(named.user_id);
    } else {
        bool stopped = false;
        for (AddressFile* file : {static_cast<AddressFile*>(&classic), static_cast<AddressFile*>(&palmsg)}) {
            file->SetSwapNames(swap_names);
            const auto each = [&](const PalmRecord& record) { return visit(*file, record) || !(stopped = true); };
            if (file->VisitRecords(*path, check_first, each) || stopped) return TargetResult::Loaded;
        }
    }
    *why = UnreadableTargetReason(classic, palmsg);
    return TargetResult::Unreadable;
}

}  // namespace tarvenne::cli
