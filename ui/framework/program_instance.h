// The module instance every resource and window of the program is loaded with, stored
// once by the program entry.
#pragma once

#include <windows.h>

namespace tarvenne {

void SetProgramInstance(HINSTANCE instance);
// The stored instance, or the executable's own module when none was stored (tests).
HINSTANCE ProgramInstance();

}  // namespace tarvenne
