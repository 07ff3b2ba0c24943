// The file version through the version API: size, record, then the root block "\".
#include "platform/file_version.h"

#include <windows.h>

#include <vector>

namespace tarvenne::platform {

bool ReadFileVersion(const std::string& path, FileVersion* version) {
    if (!version) return false;
    *version = FileVersion();
    if (path.empty()) return false;
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeA(path.c_str(), &ignored);
    if (size == 0) return false;
    std::vector<BYTE> record(size);  // released on every way out
    if (!GetFileVersionInfoA(path.c_str(), 0, size, record.data())) return false;
    VS_FIXEDFILEINFO* fixed = nullptr;  // points into record, not owned
    UINT fixed_size = 0;
    if (!VerQueryValueA(record.data(), "\\", reinterpret_cast<void**>(&fixed), &fixed_size) ||
        !fixed || fixed_size < sizeof(VS_FIXEDFILEINFO))
        return false;
    version->major = HIWORD(fixed->dwFileVersionMS);
    version->minor = LOWORD(fixed->dwFileVersionMS);
    version->build = HIWORD(fixed->dwFileVersionLS);
    version->private_part = LOWORD(fixed->dwFileVersionLS);
    return true;
}

}  // namespace tarvenne::platform
