// The module instance of the program.
#include "ui/framework/program_instance.h"

namespace tarvenne {
namespace {
HINSTANCE g_instance = nullptr;  // not owned: the process's own module
}

void SetProgramInstance(HINSTANCE instance) { g_instance = instance; }

HINSTANCE ProgramInstance() {
    return g_instance ? g_instance : GetModuleHandleA(nullptr);
}

}  // namespace tarvenne
