// Loading a command-line TARGET through both contacts-file readers.
#include "cli/target_loader.h"

#include "cli/conversion_setup.h"
#include "engine/conversion_job.h"

namespace tarvenne::cli {

TargetResult LoadTarget(const std::string& target, bool swap_names,
                        std::unique_ptr<AddressFile>* file, std::string* why) {
    TargetSpec spec;
    if (!ParseTargetSpec(target, &spec, why)) return TargetResult::BadTarget;
    std::unique_ptr<AddressFile> readers[2] = {std::make_unique<ClassicAddressFile>(),
                                               std::make_unique<PalmSgAddressFile>()};
    for (auto& reader : readers) {
        reader->SetSwapNames(swap_names);
        if (spec.for_user ? reader->LoadForUser(spec.user_id) : reader->Load(spec.path)) {
            *file = std::move(reader);
            return TargetResult::Loaded;
        }
    }
    *why = UnreadableTargetReason(*readers[0], *readers[1]);
    return TargetResult::Unreadable;
}

}  // namespace tarvenne::cli
