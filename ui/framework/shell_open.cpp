// ShellExecuteEx with its failure told.
#include "ui/framework/shell_open.h"

#include "platform/file_system.h"

#include <shellapi.h>

namespace tarvenne {

bool OpenWithShell(HWND owner, const std::string& file, const std::string& parameters, const std::string& failure) {
    SHELLEXECUTEINFOA run = {};
    run.cbSize = sizeof run;
    // The shell's own error boxes would come on top of the program's, or not at all.
    run.fMask = SEE_MASK_FLAG_NO_UI | SEE_MASK_NOASYNC;
    run.hwnd = owner;
    run.lpVerb = "open";
    run.lpFile = file.c_str();
    run.lpParameters = parameters.empty() ? nullptr : parameters.c_str();
    run.nShow = SW_SHOWNORMAL;
    if (ShellExecuteExA(&run)) return true;
    DWORD code = GetLastError();
    if (code == 0) code = static_cast<DWORD>(reinterpret_cast<INT_PTR>(run.hInstApp));
    std::string reason = code ? platform::SystemErrorText(static_cast<int>(code)) : std::string();
    if (reason.empty()) reason = "the shell gave no reason (code " + std::to_string(code) + ")";
    const std::string message = failure + ": " + reason + ".";
    MessageBoxA(owner, message.c_str(), "Error", MB_OK | MB_ICONERROR);
    return false;
}

}  // namespace tarvenne
