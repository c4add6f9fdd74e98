#pragma once

// Drives the built installer from outside, as a player would: started from a game folder, its
// windows found by title, its buttons clicked, its screen read, and the pages it opens counted by
// the test prefix's recorder instead of a browser.
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <fstream>
#include <memory>
#include <thread>

#include "support/ChildProcess.h"
#include "support/Files.h"

namespace installer_driver {

using namespace testsupport;
using namespace std::chrono_literals;

constexpr wchar_t kTitle[] = L"《Cindermoor》A13.5_x64简体中文汉化补丁";
constexpr char kPublisherPage[] = "https://cindermoor-cn.example.org/";
constexpr int kProgressId = 1008;

class Process {
 public:
  Process(const std::filesystem::path& program, const std::filesystem::path& folder,
          const std::filesystem::path& urlLog) {
    ::SetEnvironmentVariableW(L"CMPATCH_URL_LOG", urlLog.wstring().c_str());
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    std::wstring commandLine = L"\"" + program.wstring() + L"\"";
    if (!::CreateProcessW(program.wstring().c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                          folder.wstring().c_str(), &startup, &info_)) {
      ADD_FAILURE() << "cannot start " << program;
    }
  }
  ~Process() {
    if (::WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT) ::TerminateProcess(info_.hProcess, 99);
    ::CloseHandle(info_.hThread);
    ::CloseHandle(info_.hProcess);
  }
  // The exit code, or -2 when the process is still running after the wait.
  int waitForExit(std::chrono::milliseconds wait = 15s) {
    if (::WaitForSingleObject(info_.hProcess, static_cast<DWORD>(wait.count())) != WAIT_OBJECT_0) return -2;
    DWORD code = 0;
    ::GetExitCodeProcess(info_.hProcess, &code);
    return static_cast<int>(code);
  }

 private:
  PROCESS_INFORMATION info_{};
};

inline HWND waitForWindow(std::chrono::milliseconds wait = 20s) {
  const auto deadline = std::chrono::steady_clock::now() + wait;
  while (std::chrono::steady_clock::now() < deadline) {
    if (const HWND window = ::FindWindowW(nullptr, kTitle); window != nullptr && ::IsWindowVisible(window)) {
      return window;
    }
    std::this_thread::sleep_for(100ms);
  }
  return nullptr;
}

inline int windowsTitled() {
  int count = 0;
  ::EnumWindows(
      [](HWND window, LPARAM counter) -> BOOL {
        wchar_t text[128];
        if (::GetWindowTextW(window, text, 128) > 0 && std::wstring(text) == kTitle)
          ++*reinterpret_cast<int*>(counter);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&count));
  return count;
}

inline std::wstring itemText(HWND dialog, int id) {
  std::wstring text(static_cast<std::size_t>(::GetWindowTextLengthW(::GetDlgItem(dialog, id))) + 1, L'\0');
  text.resize(::GetDlgItemTextW(dialog, id, text.data(), static_cast<int>(text.size())));
  return text;
}

// The window as the screen shows it, 32-bit pixels, top row first.
struct Screenshot {
  int width = 0;
  int height = 0;
  std::vector<std::uint32_t> pixels;

  COLORREF at(int x, int y) const {
    const std::uint32_t p = pixels[static_cast<std::size_t>(y) * width + x];
    return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
  }
};

inline Screenshot capture(const RECT& area) {
  Screenshot shot;
  shot.width = area.right - area.left;
  shot.height = area.bottom - area.top;
  shot.pixels.resize(static_cast<std::size_t>(shot.width) * shot.height);
  const HDC screen = ::GetDC(nullptr);
  const HDC memory = ::CreateCompatibleDC(screen);
  BITMAPINFO info{};
  info.bmiHeader = {sizeof(BITMAPINFOHEADER), shot.width, -shot.height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  const HBITMAP bitmap = ::CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  const HGDIOBJ previous = ::SelectObject(memory, bitmap);
  ::BitBlt(memory, 0, 0, shot.width, shot.height, screen, area.left, area.top, SRCCOPY);
  ::GdiFlush();
  std::memcpy(shot.pixels.data(), bits, shot.pixels.size() * 4);
  ::SelectObject(memory, previous);
  ::DeleteObject(bitmap);
  ::DeleteDC(memory);
  ::ReleaseDC(nullptr, screen);
  return shot;
}

inline std::vector<std::string> linesOf(const std::filesystem::path& path) {
  std::ifstream in(path);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// The installer that cmkit pack made of the demo patch in the Linux build: cmpatch.exe with the patch.
inline std::filesystem::path demoInstaller() {
  return std::filesystem::path(PAYLOAD_DIR) / "cmpatch.exe";
}

class InstallerWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    writeFile(game_ / "Cindermoor.exe", Bytes{'M', 'Z'});
    ASSERT_EQ(windowsTitled(), 0) << "an installer window is left over from elsewhere";
  }
  std::unique_ptr<Process> start() {
    return std::make_unique<Process>(demoInstaller(), game_.path(), urlLog());
  }
  std::filesystem::path urlLog() const { return game_ / "opened-pages.txt"; }
  // Pages open asynchronously through the shell, which starts the recorder as a new process: a
  // busy machine takes seconds for that. A moment more then lets an unexpected second opening show.
  std::vector<std::string> openedPages(std::size_t expected) const {
    const auto deadline = std::chrono::steady_clock::now() + 30s;
    while (linesOf(urlLog()).size() < expected && std::chrono::steady_clock::now() < deadline)
      std::this_thread::sleep_for(100ms);
    std::this_thread::sleep_for(300ms);
    return linesOf(urlLog());
  }

  TempDirectory game_;
};

}  // namespace installer_driver
