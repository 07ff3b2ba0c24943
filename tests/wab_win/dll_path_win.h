// Test helpers for the registered WAB32.DLL path: sets HKLM\Software\Microsoft\WAB\DLLPath
// for the test's lifetime and puts back what was there before; turns the build's Unix
// paths into the drive paths Wine gives programs. Used by the address book's Windows tests.
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
        if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, kKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key_,
                            nullptr) != ERROR_SUCCESS)
            return;
        char old[MAX_PATH] = {};
        DWORD size = sizeof old;
        had_value_ = RegQueryValueExA(key_, nullptr, nullptr, nullptr, reinterpret_cast<BYTE*>(old),
                                      &size) == ERROR_SUCCESS;
        old_value_ = old;
        set_ = Write(value);
    }
    ~RegisteredWabPath() {
        if (!key_) return;
        if (had_value_) Write(old_value_);
        else RegDeleteValueA(key_, nullptr);
        RegCloseKey(key_);
    }
    RegisteredWabPath(const RegisteredWabPath&) = delete;
    RegisteredWabPath& operator=(const RegisteredWabPath&) = delete;
    bool Set() const { return set_; }

private:
    bool Write(const std::string& v) {
        return RegSetValueExA(key_, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(v.c_str()),
                              static_cast<DWORD>(v.size() + 1)) == ERROR_SUCCESS;
    }
    static constexpr const char* kKey = "Software\\Microsoft\\WAB\\DLLPath";
    HKEY key_ = nullptr;  // owned: closed when the old value is back
    bool set_ = false, had_value_ = false;
    std::string old_value_;
};

}  // namespace tarvenne::testing
