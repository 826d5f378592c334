#include <windows.h>

#include "app/SetupApp.h"
#include "framework/DllSearch.h"

// The one application object, named after the executable file.
SetupApp theApp;

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int cmdShow) {
    RestrictDllSearchToSystemFolder();
    return AfxWinMain(instance, cmdShow);
}
