#include <windows.h>

#include <stdexcept>

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

}  // namespace

const char* const kLineEnd = "\r\n";

ChildResult runProgram(const std::filesystem::path& program, const std::vector<std::wstring>& arguments,
                       const std::filesystem::path& workingFolder, const std::string& input) {
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

  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = inRead.get();
  startup.hStdOutput = outWrite.get();
  startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(program.wstring().c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr,
                      workingFolder.wstring().c_str(), &startup, &process)) {
    throw std::runtime_error("CreateProcessW");
  }
  Handle processHandle, threadHandle;
  *processHandle.out() = process.hProcess;
  *threadHandle.out() = process.hThread;
  inRead.reset();
  outWrite.reset();

  DWORD written = 0;
  if (!input.empty())
    WriteFile(inWrite.get(), input.data(), static_cast<DWORD>(input.size()), &written, nullptr);
  inWrite.reset();

  ChildResult result;
  char buffer[4096];
  DWORD got = 0;
  while (ReadFile(outRead.get(), buffer, sizeof buffer, &got, nullptr) && got > 0)
    result.output.append(buffer, got);
  WaitForSingleObject(processHandle.get(), INFINITE);
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
