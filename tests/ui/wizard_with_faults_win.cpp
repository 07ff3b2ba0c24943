// The wizard with the platform's fault plan set from its command line, for the window
// tests of refusals Wine cannot make itself (Wine running as root opens a read-only file
// for writing):  tarvenne.exe --fail-open N  makes the Nth opening of a file fail as
// Windows refuses a file it will not let the program write.
#include "platform/fault_injection.h"
#include "ui/wizard/wizard_run.h"

#include <cstdlib>
#include <cstring>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR command_line, int) {
    if (const char* at = std::strstr(command_line, "--fail-open ")) {
        tarvenne::platform::FaultPlan plan;
        plan.fail_at[static_cast<int>(tarvenne::platform::FaultPoint::Open)] = std::atoi(at + 12);
        tarvenne::platform::SetFaultPlan(plan);
    }
    return tarvenne::RunWizard(instance);
}
