// The runner every test starts programs with: a child that does not end is stopped, with what it
// started, and fails the test that started it instead of holding the whole run.
#include <gtest/gtest.h>

#include <chrono>
#include <stdexcept>

#include "support/ChildProcess.h"
#include "support/Files.h"

using namespace testsupport;

namespace {

TEST(ChildProcess, AChildThatDoesNotEndIsStoppedAndFailsItsTest) {
  TempDirectory dir;
  // A shell that waits for a second one, which never ends: both hold the child's output open.
#ifdef _WIN32
  const auto batch = [&dir](const char* name, std::string_view lines) {
    writeFile(dir / name, Bytes(lines.begin(), lines.end()));
  };
  batch("outer.bat", "cmd /c inner.bat\r\n");
  batch("inner.bat", ":again\r\ngoto again\r\n");
  const std::filesystem::path program = L"C:\\windows\\system32\\cmd.exe";
  const std::vector<std::wstring> arguments = {L"/c", L"outer.bat"};
#else
  const std::filesystem::path program = "/bin/sh";
  const std::vector<std::wstring> arguments = {L"-c", L"sh -c 'sleep 60'; true"};
#endif
  const auto start = std::chrono::steady_clock::now();
  try {
    runLimitedProgram(program, arguments, dir.path(), {.seconds = 2});
    ADD_FAILURE() << "returned as if it had ended";
  } catch (const std::runtime_error& stopped) {
    EXPECT_EQ(std::string(stopped.what()),
              program.filename().string() + " did not end within 2 s and was stopped");
  }
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(20));
}

}  // namespace
