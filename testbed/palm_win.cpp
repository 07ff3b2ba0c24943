// Stand-in palm.exe: carries a version record (palm411.rc, palm601.rc) and exits at once
// when started, without a window.
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) { return 0; }
