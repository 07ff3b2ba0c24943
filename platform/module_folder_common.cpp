// The settings file's location, shared by both platforms.
#include "platform/module_folder.h"

namespace tarvenne::platform {
namespace {
std::string& SettingsOverride() {
    static std::string path;
    return path;
}
}  // namespace

std::string SettingsFilePath() {
    if (!SettingsOverride().empty()) return SettingsOverride();
    return ModuleFolder() + "tarvenne.ini";
}

void SetSettingsFileForTesting(const std::string& path) { SettingsOverride() = path; }

}  // namespace tarvenne::platform
