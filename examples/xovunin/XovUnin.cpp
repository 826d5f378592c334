// A stand-in for the uninstaller that a real medium carries as XOVUNIN.EXE.
// Setup only copies it into the Windows directory and registers it; this one
// just shows what the uninstall entry handed it: `folder` product name.
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR commandLine, int) {
    MessageBoxA(nullptr, commandLine, "XOVUNIN", MB_OK | MB_ICONINFORMATION);
    return 0;
}
