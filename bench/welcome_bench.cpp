// How long the user waits after starting setup until the welcome dialog is on
// the screen: setup.exe is started in a medium folder and the UI robot waits
// for its first visible, enabled dialog (it looks every 20 ms).
//
//   welcome_bench.exe SETUP_EXE MEDIUM_DIR
//
// Prints "welcome_seconds S" and the dialog's title; setup is ended afterwards.
#include <windows.h>

#include <cstdio>

#include "Robot.h"

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: welcome_bench SETUP_EXE MEDIUM_DIR\n");
        return 2;
    }
    Robot robot(argv[1], argv[2], 30000);
    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    if (!robot.Start()) {
        std::printf("setup did not start\n");
        return 1;
    }
    std::optional<WindowInfo> welcome = robot.WaitDialog();
    QueryPerformanceCounter(&end);
    if (!welcome) {
        std::printf("no dialog appeared\n");
        return 1;
    }
    std::printf("welcome_seconds %.3f\ntitle %s\n",
                static_cast<double>(end.QuadPart - start.QuadPart) / frequency.QuadPart, welcome->title.c_str());
    return 0;  // the robot ends setup
}
