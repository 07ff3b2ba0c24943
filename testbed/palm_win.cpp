// Stand-in palm.exe (and HotSync.exe): carries a version record (palm.rc) and exits at once
// when started, without a window. Started with "/stay EVENT" it stays running, as Palm
// Desktop stays open, until the test that started it sets the named event EVENT (or five
// minutes have passed, so that a test that failed to stop it leaves nothing behind).
#include <windows.h>

#include <cstring>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR command_line, int) {
    const char kStay[] = "/stay ";
    if (!command_line || std::strncmp(command_line, kStay, sizeof kStay - 1) != 0) return 0;
    HANDLE stop = OpenEventA(SYNCHRONIZE, FALSE, command_line + sizeof kStay - 1);
    if (!stop) return 1;
    WaitForSingleObject(stop, 5 * 60 * 1000);
    CloseHandle(stop);
    return 0;
}
