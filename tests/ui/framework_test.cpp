// The wizard's rules that need no wizard: the object marker at the full pointer width,
// the pacing of a run and what the result page hands to the address-book program.
#include "ui/framework/dialog_window.h"
#include "ui/pages/progress_page.h"
#include "ui/pages/result_page.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <new>
#include <vector>

namespace tarvenne {
namespace {

struct Probe : DialogWindow {
    INT_PTR OnCommand(WPARAM p1, LPARAM) override { return static_cast<INT_PTR>(p1) + 1; }
};

TEST(DialogWindow, MarkerLinksTheWindowToItsObjectAtFullWidth) {
    if (!std::getenv("DISPLAY")) GTEST_SKIP() << "no display set";
    // High in the address space: a 64-bit address must survive the marker's text whole.
    void* memory = VirtualAlloc(nullptr, 65536, MEM_RESERVE | MEM_COMMIT | MEM_TOP_DOWN,
                                PAGE_READWRITE);
    ASSERT_NE(memory, nullptr);
    auto* probe = new (memory) Probe;
    std::vector<DWORD> words(16, 0);  // a bare template: no controls, no caption
    reinterpret_cast<DLGTEMPLATE*>(words.data())->style = WS_POPUP;
    HWND window = CreateDialogIndirectParamA(
        GetModuleHandleA(nullptr), reinterpret_cast<DLGTEMPLATE*>(words.data()), nullptr,
        &DialogWindow::SharedDialogProc, reinterpret_cast<LPARAM>(probe));
    ASSERT_TRUE(IsWindow(window));
    EXPECT_EQ(probe->Window(), window);
    EXPECT_EQ(DialogWindow::FromWindow(window), probe);
    EXPECT_EQ(DialogWindow::SharedDialogProc(window, WM_COMMAND, 41, 0), 42) << "the hook answers";
    DestroyWindow(window);
    probe->~Probe();
    VirtualFree(memory, 0, MEM_RELEASE);
}

TEST(ProgressAndResultPages, PacingAndTheAddressBookProgramsArguments) {
    for (auto [count, interval] : {std::pair{1, 500u}, {3, 166u}, {501, 0u}, {0, 500u}})
        EXPECT_EQ(PacingInterval(count), interval) << count;
    EXPECT_EQ(AddressBookParameters(0, "C:\\books\\old.wab"), "") << "the current book";
    EXPECT_EQ(AddressBookParameters(1, "C:\\books\\old.wab"), "C:\\books\\old.wab");
    EXPECT_EQ(AddressBookParameters(1, "C:\\My Books\\a.wab"), "\"C:\\My Books\\a.wab\"");
}

}  // namespace
}  // namespace tarvenne
