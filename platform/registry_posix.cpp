// Linux has no registry: this stand-in answers from values tests put in memory and
// reports every other value absent.
#include "platform/registry.h"

#include <cctype>
#include <map>
#include <tuple>

namespace tarvenne::platform {
namespace {

std::string Folded(const std::string& text) {
    std::string folded = text;
    for (char& c : folded) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return folded;
}

using ValueName = std::tuple<RegistryRoot, std::string, std::string>;

std::map<ValueName, std::string>& Values() {
    static std::map<ValueName, std::string> values;
    return values;
}

}  // namespace

RegistryStatus ReadRegistryString(RegistryRoot root, const std::string& key,
                                  const std::string& value, std::size_t capacity,
                                  std::string* out) {
    if (out) out->clear();
    if (!out) return RegistryStatus::Absent;
    const auto found = Values().find(ValueName(root, Folded(key), Folded(value)));
    if (found == Values().end()) return RegistryStatus::Absent;
    // Text ends at its first NUL, as it would coming through RegQueryValueExA.
    const std::string text = found->second.substr(0, found->second.find('\0'));
    if (text.size() + 1 > capacity) return RegistryStatus::TooLong;
    *out = text;
    return RegistryStatus::Ok;
}

bool SetRegistryValueForTesting(RegistryRoot root, const std::string& key,
                                const std::string& value, const std::string& data) {
    Values()[ValueName(root, Folded(key), Folded(value))] = data;
    return true;
}

bool ClearRegistryForTesting() {
    Values().clear();
    return true;
}

}  // namespace tarvenne::platform
