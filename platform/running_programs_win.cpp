// The processes of this session from a Toolhelp snapshot of the system's process list.
#include "platform/running_programs.h"

#include <windows.h>
#include <tlhelp32.h>

namespace tarvenne::platform {
namespace {

// The snapshot's handle, closed when it goes.
class Snapshot {
public:
    Snapshot() : handle_(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0)) {}
    ~Snapshot() {
        if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
    }
    Snapshot(const Snapshot&) = delete;
    Snapshot& operator=(const Snapshot&) = delete;
    HANDLE Get() const { return handle_; }

private:
    HANDLE handle_;  // owned; INVALID_HANDLE_VALUE when the snapshot failed
};

}  // namespace

bool ProgramRunsInThisSession(const std::string& file_name) {
    DWORD own_session = 0;
    if (file_name.empty() || !ProcessIdToSessionId(GetCurrentProcessId(), &own_session)) return false;
    Snapshot snapshot;
    if (snapshot.Get() == INVALID_HANDLE_VALUE) return false;
    PROCESSENTRY32 entry;
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32First(snapshot.Get(), &entry); more; more = Process32Next(snapshot.Get(), &entry)) {
        if (lstrcmpiA(entry.szExeFile, file_name.c_str()) != 0) continue;
        // A process whose session cannot be asked for belongs to someone else: the user's
        // own processes always answer.
        DWORD session = 0;
        if (ProcessIdToSessionId(entry.th32ProcessID, &session) && session == own_session) return true;
    }
    return false;
}

}  // namespace tarvenne::platform
