// Running the publisher's tool as a publisher does (PublisherTool.h).
#include "PublisherTool.h"

#include <windows.h>

#include "TestFiles.h"

int RunMedium(const std::string& arguments, std::string& output) { return RunMediumProgram(MEDIUM_EXE, arguments, output); }

int RunMediumProgram(const std::string& program, const std::string& arguments, std::string& output) {
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    HANDLE read = nullptr, write = nullptr;
    if (!CreatePipe(&read, &write, &inherit, 0)) return -1;
    SetHandleInformation(read, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOA startup = {sizeof startup};
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = write;
    startup.hStdError = write;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    std::string command = "\"" + program + "\" " + arguments;
    PROCESS_INFORMATION process = {};
    BOOL started = CreateProcessA(nullptr, command.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr, nullptr,
                                  &startup, &process);
    CloseHandle(write);
    output.clear();
    if (!started) {
        CloseHandle(read);
        return -1;
    }
    // Read until the program has ended and its output is drained, not until
    // the pipe's end: a service of Wine's that the program started (for the
    // system's trust check) inherits the pipe and outlives the program.
    char buffer[4096];
    DWORD start = GetTickCount();
    for (bool ended = false;;) {
        DWORD waiting = 0, got = 0;
        if (!PeekNamedPipe(read, nullptr, 0, nullptr, &waiting, nullptr)) break;
        if (waiting > 0) {
            if (!ReadFile(read, buffer, sizeof buffer, &got, nullptr) || got == 0) break;
            output.append(buffer, got);
            continue;
        }
        if (ended || GetTickCount() - start > 60000) break;
        ended = WaitForSingleObject(process.hProcess, 20) == WAIT_OBJECT_0;
    }
    CloseHandle(read);
    WaitForSingleObject(process.hProcess, 60000);
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
    // One line ending, whatever the console layer made of "\n".
    std::string lines;
    for (char c : output)
        if (c != '\r') lines += c;
    output = lines;
    return static_cast<int>(code);
}
