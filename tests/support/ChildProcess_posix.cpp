#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <stdexcept>

#include "platform/Platform.h"
#include "support/ChildProcess.h"

namespace testsupport {

const char* const kLineEnd = "\n";

namespace {

void applyLimits(const ChildLimits& limits) {
  if (limits.addressSpace != 0) {
    const rlimit addressSpace{limits.addressSpace, limits.addressSpace};
    if (setrlimit(RLIMIT_AS, &addressSpace) != 0) _exit(126);
  }
  if (limits.seconds != 0) alarm(limits.seconds);  // stays set across exec
}

ChildResult run(const std::filesystem::path& program, const std::vector<std::wstring>& arguments,
                const std::filesystem::path& workingFolder, const std::string& input,
                const ChildLimits& limits) {
  int toChild[2];
  int fromChild[2];
  if (pipe(toChild) != 0 || pipe(fromChild) != 0) throw std::runtime_error("pipe");
  const pid_t pid = fork();
  if (pid == 0) {
    dup2(toChild[0], STDIN_FILENO);
    dup2(fromChild[1], STDOUT_FILENO);
    close(toChild[1]);
    close(fromChild[0]);
    if (chdir(workingFolder.c_str()) != 0) _exit(127);
    std::vector<std::string> narrow{program.string()};
    for (const std::wstring& argument : arguments) narrow.push_back(platform::toNarrow(argument));
    std::vector<char*> argv;
    for (std::string& a : narrow) argv.push_back(a.data());
    argv.push_back(nullptr);
    applyLimits(limits);  // last: this process may already hold more address space than the limit
    execv(argv[0], argv.data());
    _exit(127);
  }
  close(toChild[0]);
  close(fromChild[1]);
  if (!input.empty()) [[maybe_unused]]
    const ssize_t sent = write(toChild[1], input.data(), input.size());
  close(toChild[1]);

  ChildResult result;
  char buffer[4096];
  ssize_t got = 0;
  while ((got = read(fromChild[0], buffer, sizeof buffer)) > 0) result.output.append(buffer, got);
  close(fromChild[0]);
  int status = 0;
  waitpid(pid, &status, 0);
  result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return result;
}

}  // namespace

ChildResult runProgram(const std::filesystem::path& program, const std::vector<std::wstring>& arguments,
                       const std::filesystem::path& workingFolder, const std::string& input) {
  return run(program, arguments, workingFolder, input, {});
}

ChildResult runLimitedProgram(const std::filesystem::path& program,
                              const std::vector<std::wstring>& arguments,
                              const std::filesystem::path& workingFolder, const ChildLimits& limits) {
  return run(program, arguments, workingFolder, {}, limits);
}

std::string consoleBytes(std::wstring_view text) {
  std::string utf8;
  for (wchar_t wide : text) {
    const auto c = static_cast<char32_t>(wide);
    if (c < 0x80) {
      utf8 += static_cast<char>(c);
    } else if (c < 0x800) {
      utf8 += {static_cast<char>(0xC0 | (c >> 6)), static_cast<char>(0x80 | (c & 0x3F))};
    } else {
      utf8 += {static_cast<char>(0xE0 | (c >> 12)), static_cast<char>(0x80 | ((c >> 6) & 0x3F)),
               static_cast<char>(0x80 | (c & 0x3F))};
    }
  }
  return utf8;
}

std::filesystem::path siblingProgram(const std::string& name) {
  return std::filesystem::read_symlink("/proc/self/exe").parent_path() / name;
}

}  // namespace testsupport
