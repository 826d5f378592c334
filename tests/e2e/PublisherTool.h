#pragma once
// Running the publisher's tool, medium.exe, as a publisher does.
#include <string>

// Runs medium.exe with the arguments; its exit code, and what it wrote to
// the console (both streams, in order) through `output`.
int RunMedium(const std::string& arguments, std::string& output);
// The same with another copy of medium.exe (one beside programs of its own).
int RunMediumProgram(const std::string& program, const std::string& arguments, std::string& output);

// Our programs signed by the tests' own certificate, and copies changed after
// signing (under "changed\"), as the build made them.
inline std::string Signed(const std::string& name) { return std::string(SIGNED_DIR) + "\\" + name; }
