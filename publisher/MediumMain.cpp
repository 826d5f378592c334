// medium.exe, the publisher's tool:
//   medium check DIR      checks a medium folder before it ships
//   medium pack SRC OUT   makes a ready medium in OUT from the folder SRC
// Exit code: 0 no errors, 1 errors found, 2 it could not run.
#include <windows.h>

#include <cstdio>
#include <string>

#include "framework/DllSearch.h"
#include "framework/CodePage.h"
#include "framework/PathText.h"
#include "publisher/MediumCheck.h"
#include "publisher/MediumPack.h"

namespace {
constexpr int kClean = 0, kErrors = 1, kCannotRun = 2;

int Usage() {
    std::fputs("usage: medium check DIR | medium pack SRC OUT\n", stderr);
    return kCannotRun;
}

int Check(const std::string& folder) {
    MediumCheckResult result = CheckMedium(folder);
    if (!result.ran) {
        std::fprintf(stderr, "medium: %s is not a folder\n", folder.c_str());
        return Usage();
    }
    for (const std::string& line : result.listed) std::printf("%s\n", line.c_str());
    for (const std::string& encoding : result.encodings) std::printf("encoding: %s\n", encoding.c_str());
    for (const std::string& signature : result.signatures) std::printf("signature: %s\n", signature.c_str());
    for (const Finding& finding : result.findings) std::printf("%s\n", FindingLine(finding).c_str());
    std::printf("%s\n", FindingCounts(result).c_str());
    return result.errors ? kErrors : kClean;
}

// setup.exe is built beside this program.
std::string OurFolder() {
    char path[AnsiPathBufferSize] = {};
    DWORD length = GetModuleFileNameA(nullptr, path, AnsiPathBufferSize);
    if (length == 0 || length >= AnsiPathBufferSize) return ".";
    std::string self(path, length);
    return StripTrailingBackslashes(SplitPath(self).folder);
}
}  // namespace

int main(int argc, char** argv) {
    RestrictDllSearchToSystemFolder();
    // The findings name files in the program's code page: a console shows
    // them in its own, which has to be UTF-8 too where the program runs in it.
    if (ProgramUsesUtf8()) SetConsoleOutputCP(CP_UTF8);
    std::string command = argc > 1 ? argv[1] : "";
    if (command == "check" && argc == 3) return Check(argv[2]);
    if (command == "pack" && argc == 4) {
        if (PackMedium(argv[2], argv[3], OurFolder(), stdout) != PackResult::Packed) return kCannotRun;
        std::fflush(stdout);
        return Check(argv[3]);
    }
    return Usage();
}
