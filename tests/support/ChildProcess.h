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

// How long a child may run. One that has not ended by then is stopped, with what it started, and
// the runner throws, which fails the test that started it with the program's name.
inline constexpr unsigned kChildSecondsLimit = 50;

inline std::string outlivedItsLimit(const std::filesystem::path& program, unsigned seconds) {
  return program.filename().string() + " did not end within " + std::to_string(seconds) +
         " s and was stopped";
}

// What a child may take before it is stopped.
struct ChildLimits {
  unsigned seconds = kChildSecondsLimit;
#ifndef _WIN32
  std::uint64_t addressSpace = 0;  // bytes of address space (RLIMIT_AS), 0 for none: allocations beyond fail
#endif
};

// Runs a program with the arguments in the working folder, feeds it the input on standard input
// and collects its standard output until it ends, within the limits.
ChildResult runLimitedProgram(const std::filesystem::path& program,
                              const std::vector<std::wstring>& arguments,
                              const std::filesystem::path& workingFolder, const ChildLimits& limits,
                              const std::string& input = {});

// The same within the time limit every child has.
inline ChildResult runProgram(const std::filesystem::path& program,
                              const std::vector<std::wstring>& arguments,
                              const std::filesystem::path& workingFolder, const std::string& input = {}) {
  return runLimitedProgram(program, arguments, workingFolder, ChildLimits{}, input);
}

// A program built beside the running test, named without its platform suffix.
std::filesystem::path siblingProgram(const std::string& name);

// Text as a console program prints it here: GBK on Windows, UTF-8 elsewhere.
std::string consoleBytes(std::wstring_view text);

// The line end a program's text output uses on this platform.
extern const char* const kLineEnd;

}  // namespace testsupport
