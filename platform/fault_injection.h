// Test-only switches that make the Nth platform operation of a kind fail, so that the
// save path can be exercised under a failing write, copy, truncate or flush. Production
// code never sets a plan; every check is then a counter increment. A file changed on disk
// between load and save is no failure of the platform: tests change the file itself.
#pragma once

namespace tarvenne::platform {

enum class FaultPoint { Open, Read, Write, Truncate, Flush, Copy, Count_ };

// fail_at[p] = N makes the Nth call (1-based, counted from the last SetFaultPlan) at
// point p fail; 0 never fails. fail_from_then_on keeps failing every later call too.
struct FaultPlan {
    int fail_at[static_cast<int>(FaultPoint::Count_)] = {};
    bool fail_from_then_on = false;
    // Instead of failing, end the process there, as a power cut or a kill would.
    bool stop_the_process = false;
};

void SetFaultPlan(const FaultPlan& plan);
void ClearFaultPlan();
// Called by the platform implementations: true when this call must fail.
bool InjectedFault(FaultPoint point);

// Restores "no faults" when a test scope ends.
class ScopedFaultPlan {
public:
    explicit ScopedFaultPlan(const FaultPlan& plan) { SetFaultPlan(plan); }
    ~ScopedFaultPlan() { ClearFaultPlan(); }
    ScopedFaultPlan(const ScopedFaultPlan&) = delete;
    ScopedFaultPlan& operator=(const ScopedFaultPlan&) = delete;
};

}  // namespace tarvenne::platform
