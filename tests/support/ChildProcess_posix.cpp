#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <stdexcept>

#include "platform/Platform.h"
#include "support/ChildProcess.h"

namespace testsupport {

const char* const kLineEnd = "\n";

namespace {

void applyAddressSpaceLimit(const ChildLimits& limits) {
  if (limits.addressSpace == 0) return;
  const rlimit addressSpace{limits.addressSpace, limits.addressSpace};
  if (setrlimit(RLIMIT_AS, &addressSpace) != 0) _exit(126);
}

// Reads the child's output until every process that holds the pipe has closed it, or until the
// deadline, when the child's process group (it and what it started) is killed. True if it ended
// in time.
bool readUntilEndOrDeadline(int output, pid_t group, std::chrono::steady_clock::time_point deadline,
                            std::string& into) {
  using namespace std::chrono;
  bool inTime = true;
  char buffer[4096];
  for (;;) {
    if (inTime) {
      const auto left = duration_cast<milliseconds>(deadline - steady_clock::now()).count();
      pollfd ready{output, POLLIN, 0};
      const int polled = left > 0 ? poll(&ready, 1, static_cast<int>(left)) : 0;
      if (polled < 0 && errno == EINTR) continue;
      if (polled == 0) {
        kill(-group, SIGKILL);
        inTime = false;
      }
    }
    const ssize_t got = read(output, buffer, sizeof buffer);
    if (got > 0) {
      into.append(buffer, static_cast<std::size_t>(got));
    } else if (got == 0 || errno != EINTR) {
      return inTime;
    }
  }
}

}  // namespace

ChildResult runLimitedProgram(const std::filesystem::path& program,
                              const std::vector<std::wstring>& arguments,
                              const std::filesystem::path& workingFolder, const ChildLimits& limits,
                              const std::string& input) {
  int toChild[2];
  int fromChild[2];
  if (pipe(toChild) != 0 || pipe(fromChild) != 0) throw std::runtime_error("pipe");
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(limits.seconds);
  const pid_t pid = fork();
  if (pid == 0) {
    setpgid(0, 0);  // a group of its own, so that what it starts is stopped with it
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
    applyAddressSpaceLimit(limits);  // last: this process may already hold more address space than the limit
    execv(argv[0], argv.data());
    _exit(127);
  }
  setpgid(pid, pid);  // as the child does, whichever of the two runs first
  close(toChild[0]);
  close(fromChild[1]);
  if (!input.empty()) [[maybe_unused]]
    const ssize_t sent = write(toChild[1], input.data(), input.size());
  close(toChild[1]);

  ChildResult result;
  const bool inTime = readUntilEndOrDeadline(fromChild[0], pid, deadline, result.output);
  close(fromChild[0]);
  int status = 0;
  waitpid(pid, &status, 0);
  if (!inTime) throw std::runtime_error(outlivedItsLimit(program, limits.seconds));
  result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return result;
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
