// The folder of the running executable, where tarvenne.ini and help.html live.
#pragma once

#include <string>

namespace tarvenne::platform {

// The executable's folder with a trailing separator ("C:\Program Files\Tarvenne\"),
// or an empty text when it cannot be found.
std::string ModuleFolder();

// ModuleFolder() + "tarvenne.ini": the one settings file of the program. Tests may point
// it elsewhere with SetSettingsFileForTesting.
std::string SettingsFilePath();
void SetSettingsFileForTesting(const std::string& path);

}  // namespace tarvenne::platform
