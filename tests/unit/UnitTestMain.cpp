// The unit test program starts as the programs do, so that the product code
// it runs meets the process they give it: the DLL search restricted to the
// system folder first thing (a file looked for by its bare name is then not
// found beside the program), and the ANSI code page their manifest asks for
// (unit_tests.rc carries the same element).
#include <gtest/gtest.h>

#include "framework/DllSearch.h"

int main(int argc, char** argv) {
    RestrictDllSearchToSystemFolder();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
