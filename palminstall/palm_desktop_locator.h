// Where Palm Desktop is installed, which version it is, where each of its users keeps
// their data and which users there are.
#pragma once

#include "engine/contact_list.h"

#include <cstdint>
#include <string>

namespace tarvenne {

// Palm Desktop 4.1.2: from this version on the newer file layout is written.
constexpr std::uint32_t DesktopVersionThreshold = 40102;
constexpr std::uint32_t kNoDesktopVersion = 0xFFFFFFFFu;

// The user's data folder, ending in a separator; false when Palm Desktop's user library
// cannot tell the root folder or the result does not fit capacity characters.
bool UserFolderPath(std::int32_t user_id, std::string* out, std::size_t capacity);

// major x 10000 + minor x 100 + build of the installed palm.exe; kNoDesktopVersion when
// there is no installation or no readable version.
std::uint32_t GetDesktopVersion();

}  // namespace tarvenne
