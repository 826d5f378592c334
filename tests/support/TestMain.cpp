// The test programs that run product code start as the programs do, so that
// the code meets the process they give it: the DLL search restricted to the
// system folder first thing (a file looked for by its bare name is then not
// found beside the program), and the ANSI code page their manifest asks for
// (the test programs' resources carry the same element).
#include <gtest/gtest.h>

#include "framework/DllSearch.h"

int main(int argc, char** argv) {
    RestrictDllSearchToSystemFolder();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
