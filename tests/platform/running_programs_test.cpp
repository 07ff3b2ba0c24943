// Whether a program runs in this session: this test program itself does, on Windows, by
// its file name in any case; elsewhere no Windows program is ever found.
#include "platform/running_programs.h"

#include <gtest/gtest.h>

namespace tarvenne::platform {
namespace {

TEST(RunningPrograms, OnlyAProgramOfThisNameInThisSessionCountsAndOnlyOnWindows) {
#ifdef _WIN32
    const bool windows = true;
#else
    const bool windows = false;
#endif
    const std::pair<const char*, bool> cases[] = {
        {"platform_running_programs_test.exe", windows},
        {"PLATFORM_Running_Programs_Test.EXE", windows},
        {"platform_running_programs_test", false},  // the file name, not a part of it
        {"running_programs_test.exe", false},
        {"no-such-program.exe", false},
        {"", false},
    };
    for (const auto& [name, runs] : cases) EXPECT_EQ(ProgramRunsInThisSession(name), runs) << name;
}

}  // namespace
}  // namespace tarvenne::platform
