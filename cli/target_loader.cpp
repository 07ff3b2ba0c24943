// Loading a command-line TARGET through both contacts-file readers.
#include "cli/target_loader.h"

#include <cstdlib>

namespace tarvenne::cli {

TargetResult LoadTarget(const std::string& target, bool swap_names, LoadedTarget* loaded,
                        std::string* why) {
    why->clear();
    bool for_user = false;
    std::int32_t user_id = 0;
    static const std::string kUserPrefix = "@user:";
    if (target.compare(0, kUserPrefix.size(), kUserPrefix) == 0) {
        const std::string digits = target.substr(kUserPrefix.size());
        char* end = nullptr;
        const long id = std::strtol(digits.c_str(), &end, 10);
        if (digits.empty() || *end != '\0' || id < 0 || id > 0x7FFFFFFF) {
            *why = "\"" + target + "\" is not @user:ID with a number for ID";
            return TargetResult::BadTarget;
        }
        for_user = true;
        user_id = static_cast<std::int32_t>(id);
    } else if (target.empty() || target[0] == '@') {
        *why = "\"" + target + "\" is neither a file nor @user:ID";
        return TargetResult::BadTarget;
    }

    auto classic = std::make_unique<ClassicAddressFile>();
    classic->SetSwapNames(swap_names);
    if (for_user ? classic->LoadForUser(user_id) : classic->Load(target)) {
        loaded->classic = std::move(classic);
        return TargetResult::Loaded;
    }
    auto palmsg = std::make_unique<PalmSgAddressFile>();
    palmsg->SetSwapNames(swap_names);
    if (for_user ? palmsg->LoadForUser(user_id) : palmsg->Load(target)) {
        loaded->palmsg = std::move(palmsg);
        return TargetResult::Loaded;
    }
    const std::string a = classic->LastError(), b = palmsg->LastError();
    *why = a == b ? a : "as a classic file: " + a + "; as a PalmSG file: " + b;
    return TargetResult::Unreadable;
}

}  // namespace tarvenne::cli
