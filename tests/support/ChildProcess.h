#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace testsupport {

struct ChildResult {
  int exitCode = -1;
  std::string output;  // standard output, bytes as written
};

// Runs a program with the arguments in the working folder, feeds it the input on standard input
// and collects its standard output until it ends.
ChildResult runProgram(const std::filesystem::path& program, const std::vector<std::wstring>& arguments,
                       const std::filesystem::path& workingFolder, const std::string& input = {});

#ifndef _WIN32
// What a child may take before it is stopped (0: no limit).
struct ChildLimits {
  unsigned seconds = 0;            // ended by SIGALRM after that long
  std::uint64_t addressSpace = 0;  // bytes of address space (RLIMIT_AS): allocations beyond fail
};

// runProgram, within the limits.
ChildResult runLimitedProgram(const std::filesystem::path& program,
                              const std::vector<std::wstring>& arguments,
                              const std::filesystem::path& workingFolder, const ChildLimits& limits);
#endif

// A program built beside the running test, named without its platform suffix.
std::filesystem::path siblingProgram(const std::string& name);

// Text as a console program prints it here: GBK on Windows, UTF-8 elsewhere.
std::string consoleBytes(std::wstring_view text);

// The line end a program's text output uses on this platform.
extern const char* const kLineEnd;

}  // namespace testsupport
