// Without Windows no Windows program runs beside this one: Palm Desktop is never found.
#include "platform/running_programs.h"

namespace tarvenne::platform {

bool ProgramRunsInThisSession(const std::string&) { return false; }

}  // namespace tarvenne::platform
