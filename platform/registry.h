// Read-only access to the Windows registry: the Palm Desktop folder and the address-book
// library's path live there. Linux has no registry; its stand-in holds what tests put in.
#pragma once

#include <cstddef>
#include <string>

namespace tarvenne::platform {

enum class RegistryRoot { CurrentUser, LocalMachine };

enum class RegistryStatus {
    Ok,       // *out holds the value's text
    Absent,   // the key or the value does not exist, cannot be opened, or is not text
    TooLong,  // the text and its terminating NUL need more than capacity bytes
};

// Reads a text value (REG_SZ or REG_EXPAND_SZ, not expanded) of key under root into *out.
// capacity is the size in bytes of the caller's field, terminating NUL included, as the
// buffer length given to RegQueryValueExA; 0 reads nothing and reports TooLong for any
// value. *out is emptied unless the result is Ok.
RegistryStatus ReadRegistryString(RegistryRoot root, const std::string& key,
                                  const std::string& value, std::size_t capacity,
                                  std::string* out);

// The stand-in registry of the POSIX build, for tests only: values are kept in memory
// (key and value names compare without regard to case, as Windows compares them). On
// Windows both calls do nothing and return false: tests there write the real registry.
bool SetRegistryValueForTesting(RegistryRoot root, const std::string& key,
                                const std::string& value, const std::string& data);
bool ClearRegistryForTesting();

}  // namespace tarvenne::platform
