#include <windows.h>

#include "app/SetupApp.h"
#include "framework/DllSearch.h"

// The one application object, named after the executable file.
SetupApp theApp;

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int cmdShow) {
    RestrictDllSearchToSystemFolder();
    return AfxWinMain(instance, commandLine, cmdShow);
}
