// Which Windows family the program runs on, asked once and cached; the drawing code
// decides from it whether a gradient may be tried.
#pragma once

#include <cstdint>

namespace tarvenne {

// 0 Windows 95, 1 Windows 98, 2 Windows Me, 3 NT 4, 4 Windows 2000, 5 Windows XP,
// 6 anything newer; -1 unknown (asked again on the next call).
int OsVersionClass();

// The classification itself, from GetVersionExA's platform id and version numbers.
int ClassifyOsVersion(std::uint32_t platform_id, std::uint32_t major, std::uint32_t minor);

}  // namespace tarvenne
