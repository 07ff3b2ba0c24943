// Registry reads through the Win32 calls; the key is closed on every way out.
#include "platform/registry.h"

#include <windows.h>

#include <vector>

namespace tarvenne::platform {
namespace {

class OpenKey {
public:
    OpenKey(HKEY root, const std::string& path) {
        if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key_) != ERROR_SUCCESS) key_ = nullptr;
    }
    ~OpenKey() {
        if (key_) RegCloseKey(key_);
    }
    OpenKey(const OpenKey&) = delete;
    OpenKey& operator=(const OpenKey&) = delete;
    HKEY get() const { return key_; }

private:
    HKEY key_ = nullptr;  // owned; null when the key could not be opened
};

}  // namespace

RegistryStatus ReadRegistryString(RegistryRoot root, const std::string& key,
                                  const std::string& value, std::size_t capacity,
                                  std::string* out) {
    if (out) out->clear();
    if (!out) return RegistryStatus::Absent;
    OpenKey opened(root == RegistryRoot::CurrentUser ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE,
                   key);
    if (!opened.get()) return RegistryStatus::Absent;

    const DWORD limit = capacity > 0x7FFFFFF0u ? 0x7FFFFFF0u : static_cast<DWORD>(capacity);
    std::vector<BYTE> buffer(static_cast<std::size_t>(limit) + 1, 0);  // +1: never empty
    DWORD type = 0;
    DWORD length = limit;
    const LONG rc = RegQueryValueExA(opened.get(), value.c_str(), nullptr, &type,
                                     capacity ? buffer.data() : nullptr, &length);
    if (rc == ERROR_FILE_NOT_FOUND) return RegistryStatus::Absent;
    if (rc != ERROR_SUCCESS && rc != ERROR_MORE_DATA) return RegistryStatus::Absent;
    if (type != REG_SZ && type != REG_EXPAND_SZ) return RegistryStatus::Absent;
    if (rc == ERROR_MORE_DATA || capacity == 0) return RegistryStatus::TooLong;

    // A value may be stored with or without its terminating NUL; one stored without it
    // still needs a byte for the terminator in the caller's field.
    std::size_t n = length;
    while (n > 0 && buffer[n - 1] == 0) --n;
    for (std::size_t i = 0; i < n; ++i) {
        if (buffer[i] == 0) {  // text ends at its first NUL, as callers of the API read it
            n = i;
            break;
        }
    }
    if (n + 1 > capacity) return RegistryStatus::TooLong;
    out->assign(reinterpret_cast<const char*>(buffer.data()), n);
    return RegistryStatus::Ok;
}

bool SetRegistryValueForTesting(RegistryRoot, const std::string&, const std::string&,
                                const std::string&) {
    return false;
}

bool ClearRegistryForTesting() { return false; }

}  // namespace tarvenne::platform
