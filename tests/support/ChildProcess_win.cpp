#include <windows.h>

#include <stdexcept>
#include <thread>

#include "support/ChildProcess.h"

namespace testsupport {
namespace {

class Handle {
 public:
  Handle() = default;
  ~Handle() { reset(); }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  HANDLE* out() { return &handle_; }
  HANDLE get() const { return handle_; }
  void reset() {
    if (handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
    handle_ = nullptr;
  }

 private:
  HANDLE handle_ = nullptr;
};

// Quotes an argument the way the C run-time splits the command line.
std::wstring quoted(const std::wstring& argument) {
  std::wstring result = L"\"";
  int backslashes = 0;
  for (wchar_t c : argument) {
    if (c == L'\\') {
      ++backslashes;
      continue;
    }
    result.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
    backslashes = 0;
    result += c;
  }
  result.append(backslashes * 2, L'\\');
  return result + L"\"";
}

// Starts the child suspended. Wine under a heavy load now and then fails to start a process that
// starts a moment later; a test is about the child's behaviour, never about that, so the start is
// tried a few times before the runner gives up.
bool startChild(const std::filesystem::path& program, std::wstring& commandLine,
                const std::filesystem::path& workingFolder, STARTUPINFOW& startup,
                PROCESS_INFORMATION& process) {
  constexpr int kAttempts = 3;
  for (int attempt = 1; attempt <= kAttempts; ++attempt) {
    if (CreateProcessW(program.wstring().c_str(), commandLine.data(), nullptr, nullptr, TRUE,
                       CREATE_SUSPENDED, nullptr, workingFolder.wstring().c_str(), &startup, &process)) {
      return true;
    }
    if (attempt < kAttempts) Sleep(1000);
  }
  return false;
}

}  // namespace

const char* const kLineEnd = "\r\n";

ChildResult runLimitedProgram(const std::filesystem::path& program,
                              const std::vector<std::wstring>& arguments,
                              const std::filesystem::path& workingFolder, const ChildLimits& limits,
                              const std::string& input) {
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  Handle inRead, inWrite, outRead, outWrite;
  if (!CreatePipe(inRead.out(), inWrite.out(), &inherit, 0) ||
      !CreatePipe(outRead.out(), outWrite.out(), &inherit, 0)) {
    throw std::runtime_error("CreatePipe");
  }
  SetHandleInformation(inWrite.get(), HANDLE_FLAG_INHERIT, 0);
  SetHandleInformation(outRead.get(), HANDLE_FLAG_INHERIT, 0);

  std::wstring commandLine = quoted(program.wstring());
  for (const std::wstring& argument : arguments) commandLine += L" " + quoted(argument);

  // The child and everything it starts belong to one job, so that all of them can be stopped.
  Handle job;
  *job.out() = CreateJobObjectW(nullptr, nullptr);
  JOBOBJECT_EXTENDED_LIMIT_INFORMATION killOnClose{};
  killOnClose.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
  if (job.get() == nullptr || !SetInformationJobObject(job.get(), JobObjectExtendedLimitInformation,
                                                       &killOnClose, sizeof killOnClose)) {
    throw std::runtime_error("CreateJobObjectW");
  }

  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = inRead.get();
  startup.hStdOutput = outWrite.get();
  startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
  PROCESS_INFORMATION process{};
  if (!startChild(program, commandLine, workingFolder, startup, process)) {
    throw std::runtime_error("CreateProcessW failed with error " + std::to_string(GetLastError()));
  }
  Handle processHandle, threadHandle;
  *processHandle.out() = process.hProcess;
  *threadHandle.out() = process.hThread;
  // A child of a runner that is itself in a job is put into a job inside it, which Windows 8 and
  // later allow; where that fails, a child that hangs is stopped alone.
  const bool inJob = AssignProcessToJobObject(job.get(), processHandle.get()) != FALSE;
  ResumeThread(threadHandle.get());
  inRead.reset();
  outWrite.reset();

  // Read on a thread of its own, so that the wait below keeps its time limit even while a child
  // that hangs holds the pipe open.
  ChildResult result;
  std::thread reader([&result, &outRead] {
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(outRead.get(), buffer, sizeof buffer, &got, nullptr) && got > 0)
      result.output.append(buffer, got);
  });
  DWORD written = 0;
  if (!input.empty())
    WriteFile(inWrite.get(), input.data(), static_cast<DWORD>(input.size()), &written, nullptr);
  inWrite.reset();

  const bool ended = WaitForSingleObject(processHandle.get(), limits.seconds * 1000) == WAIT_OBJECT_0;
  // Whatever is left of the job (a hung child, or what it started and left behind) is stopped, which
  // also closes the pipe for the reader.
  if (inJob) {
    TerminateJobObject(job.get(), 1);
  } else if (!ended) {
    TerminateProcess(processHandle.get(), 1);
  }
  reader.join();
  if (!ended) throw std::runtime_error(outlivedItsLimit(program, limits.seconds));
  DWORD exitCode = 0;
  GetExitCodeProcess(processHandle.get(), &exitCode);
  result.exitCode = static_cast<int>(exitCode);
  return result;
}

std::string consoleBytes(std::wstring_view text) {
  const int size = static_cast<int>(text.size());
  const int length = WideCharToMultiByte(936, 0, text.data(), size, nullptr, 0, nullptr, nullptr);
  std::string bytes(length, '\0');
  WideCharToMultiByte(936, 0, text.data(), size, bytes.data(), length, nullptr, nullptr);
  return bytes;
}

std::filesystem::path siblingProgram(const std::string& name) {
  wchar_t self[MAX_PATH * 4];
  GetModuleFileNameW(nullptr, self, static_cast<DWORD>(std::size(self)));
  return std::filesystem::path(self).parent_path() / (name + ".exe");
}

}  // namespace testsupport
