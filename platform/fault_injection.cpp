// Counters behind the test-only fault plan.
#include "platform/fault_injection.h"

#include <cstdlib>

namespace tarvenne::platform {
namespace {
FaultPlan g_plan;
int g_calls[static_cast<int>(FaultPoint::Count_)] = {};
bool g_active = false;
}  // namespace

void SetFaultPlan(const FaultPlan& plan) {
    g_plan = plan;
    for (int& c : g_calls) c = 0;
    g_active = true;
}

void ClearFaultPlan() {
    g_plan = FaultPlan{};
    g_active = false;
}

bool InjectedFault(FaultPoint point) {
    if (!g_active) return false;
    const int i = static_cast<int>(point);
    const int call = ++g_calls[i];
    const int at = g_plan.fail_at[i];
    if (at <= 0) return false;
    const bool fail = g_plan.fail_from_then_on ? call >= at : call == at;
    if (fail && g_plan.stop_the_process) std::_Exit(99);
    return fail;
}

}  // namespace tarvenne::platform
