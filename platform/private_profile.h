// The INI side of the operating-system seam, with the private-profile semantics of
// Windows: section and key names compare without regard to letter case, a missing key
// gives the caller's default, integers are parsed as GetPrivateProfileIntA parses them.
#pragma once

#include <string>

namespace tarvenne::platform {

// The value of key in section, or def when the file, the section or the key is missing.
// Surrounding white space and one pair of enclosing quotes are removed, as Windows does.
std::string ReadIniString(const std::string& section, const std::string& key,
                              const std::string& def, const std::string& file);

// GetPrivateProfileIntA: def when the key is missing or empty; otherwise the leading
// integer of the value (decimal, or 0x hexadecimal), 0 when there is none.
int ReadIniInt(const std::string& section, const std::string& key, int def,
                   const std::string& file);

// WritePrivateProfileStringA: sets the key (creating the file and the section as
// needed), keeping every other line of the file as it was.
bool WriteIniString(const std::string& section, const std::string& key,
                        const std::string& value, const std::string& file);

// The integer parse shared by both implementations' callers and tests.
int ParseIniInt(const std::string& text);

}  // namespace tarvenne::platform
