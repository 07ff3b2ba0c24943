// Test helpers for the registered WAB32.DLL path: sets HKLM\Software\Microsoft\WAB\DLLPath
// for the test's lifetime and puts back what was there before; turns the build's Unix
// paths into the drive paths Wine gives programs.
#pragma once

#include <windows.h>

#include <string>

namespace tarvenne::testing {

inline std::string WinePath(const std::string& unix_path) {
    std::string path = unix_path;
    for (char& c : path)
        if (c == '/') c = '\\';
    return path.size() > 1 && path[1] == ':' ? path : "Z:" + path;
}

class RegisteredWabPath {
public:
    explicit RegisteredWabPath(const std::string& value) {
        HKEY key = nullptr;
        if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, kKey, 0, nullptr, 0, KEY_READ | KEY_WRITE, nullptr,
                            &key, nullptr) != ERROR_SUCCESS)
            return;
        char old[MAX_PATH] = {};
        DWORD size = sizeof old;
        DWORD type = 0;
        had_value_ = RegQueryValueExA(key, nullptr, nullptr, &type, reinterpret_cast<BYTE*>(old),
                                      &size) == ERROR_SUCCESS;
        if (had_value_) old_value_.assign(old, size > 0 && old[size - 1] == '\0' ? size - 1 : size);
        set_ = RegSetValueExA(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                              static_cast<DWORD>(value.size() + 1)) == ERROR_SUCCESS;
        RegCloseKey(key);
    }
    ~RegisteredWabPath() {
        HKEY key = nullptr;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kKey, 0, KEY_WRITE, &key) != ERROR_SUCCESS) return;
        if (had_value_)
            RegSetValueExA(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(old_value_.c_str()),
                           static_cast<DWORD>(old_value_.size() + 1));
        else
            RegDeleteValueA(key, nullptr);
        RegCloseKey(key);
        if (!had_value_) RegDeleteKeyA(HKEY_LOCAL_MACHINE, kKey);
    }
    RegisteredWabPath(const RegisteredWabPath&) = delete;
    RegisteredWabPath& operator=(const RegisteredWabPath&) = delete;
    bool Set() const { return set_; }

private:
    static constexpr const char* kKey = "Software\\Microsoft\\WAB\\DLLPath";
    bool set_ = false;
    bool had_value_ = false;
    std::string old_value_;
};

}  // namespace tarvenne::testing
