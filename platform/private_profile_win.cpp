// INI files through the Win32 private-profile functions themselves.
#include "platform/private_profile.h"

#include <windows.h>

#include <vector>

namespace tarvenne::platform {

std::string ReadIniString(const std::string& section, const std::string& key,
                              const std::string& def, const std::string& file) {
    std::vector<char> buffer(1024);
    for (;;) {
        const DWORD n = GetPrivateProfileStringA(section.c_str(), key.c_str(), def.c_str(),
                                                 buffer.data(), static_cast<DWORD>(buffer.size()),
                                                 file.c_str());
        if (n + 2 < buffer.size() || buffer.size() >= (1u << 20)) return std::string(buffer.data(), n);
        buffer.resize(buffer.size() * 4);
    }
}

int ReadIniInt(const std::string& section, const std::string& key, int def,
                   const std::string& file) {
    return static_cast<int>(GetPrivateProfileIntA(section.c_str(), key.c_str(), def, file.c_str()));
}

bool WriteIniString(const std::string& section, const std::string& key,
                        const std::string& value, const std::string& file) {
    return WritePrivateProfileStringA(section.c_str(), key.c_str(), value.c_str(), file.c_str()) != 0;
}

}  // namespace tarvenne::platform
