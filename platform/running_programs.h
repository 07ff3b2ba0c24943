// Whether a program runs in the user's own session: Palm Desktop keeps its own copy of the
// contacts while it runs and writes it back when it closes, so a conversion asks first.
// running_programs_win.cpp looks at the system's process list; running_programs_posix.cpp
// answers for systems without Windows processes.
#pragma once

#include <string>

namespace tarvenne::platform {

// True when a process whose executable file is named file_name ("palm.exe", compared
// without regard to case, no folder) runs in the session this process runs in; processes of
// other sessions (another user logged on at the same time) do not count, since they keep
// their own files. False when none does, when the system cannot list its processes, and
// always outside Windows.
bool ProgramRunsInThisSession(const std::string& file_name);

}  // namespace tarvenne::platform
