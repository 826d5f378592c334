// The dialog tests' entry point: the process is prepared as setup.exe
// prepares itself (the DLL search restricted, common controls registered,
// no critical-error boxes for drives without a medium).
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include "framework/DllSearch.h"

int main(int argc, char** argv) {
    RestrictDllSearchToSystemFolder();
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
