// The wizard from start to end, for the program's entry point (and a test build's).
#pragma once

#include <windows.h>

namespace tarvenne {

// Runs the wizard on this thread until its window is closed; the process's exit code.
int RunWizard(HINSTANCE instance);

}  // namespace tarvenne
