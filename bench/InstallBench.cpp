// install_bench: the demo installer at work under Wine, timed in three parts (not a test; see the
// README's Benchmark section). Each repetition takes a fresh copy of the demo game:
//   - the extraction alone: the install archive written over the copy, as the installer does;
//   - each qmx run of the batch after it, as a child process;
//   - the whole install: the installer started, its install button pressed, no shortcut asked
//     for, until its final message shows.
//   install_bench GAME_TEMPLATE INSTALLER.exe INSTALL.zip QMX.exe [REPETITIONS]
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "install/Extraction.h"
#include "install/InstallView.h"
#include "install/Texts.h"

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

class QuietView : public InstallView {
 public:
  void SetStatus(const std::wstring&) override {}
  void SetStatusText(const std::wstring&) override {}
  void SetRange(int) override {}
  void SetPos(int position) override { position_ = position; }
  int GetPos() override { return position_; }
  void ShowError(const wchar_t* text, const wchar_t*) override { std::fwprintf(stderr, L"%ls\n", text); }

 private:
  int position_ = 0;
};

double secondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

double median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

// A scoped process: ended if it is still running when the scope ends.
class Process {
 public:
  Process(const std::filesystem::path& program, const std::wstring& arguments,
          const std::filesystem::path& folder) {
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    std::wstring commandLine = L"\"" + program.wstring() + L"\" " + arguments;
    started_ = ::CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE,
                                CREATE_NO_WINDOW, nullptr, folder.c_str(), &startup, &info_) != FALSE;
  }
  ~Process() {
    if (!started_) return;
    if (::WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT) ::TerminateProcess(info_.hProcess, 99);
    ::CloseHandle(info_.hThread);
    ::CloseHandle(info_.hProcess);
  }
  Process(const Process&) = delete;
  Process& operator=(const Process&) = delete;

  bool started() const { return started_; }
  bool wait(DWORD milliseconds) const {
    return started_ && ::WaitForSingleObject(info_.hProcess, milliseconds) == 0;
  }

 private:
  PROCESS_INFORMATION info_{};
  bool started_ = false;
};

HWND waitForWindow(const wchar_t* className, const wchar_t* title, std::chrono::seconds wait) {
  const auto deadline = Clock::now() + wait;
  while (Clock::now() < deadline) {
    if (const HWND window = ::FindWindowW(className, title); window != nullptr && ::IsWindowVisible(window))
      return window;
    std::this_thread::sleep_for(20ms);
  }
  return nullptr;
}

std::filesystem::path freshGame(const std::filesystem::path& templateFolder, int repetition) {
  const std::filesystem::path game =
      std::filesystem::temp_directory_path() / (L"install-bench-" + std::to_wstring(repetition));
  std::filesystem::remove_all(game);
  std::filesystem::copy(templateFolder, game, std::filesystem::copy_options::recursive);
  return game;
}

struct Figures {
  std::vector<double> extraction;
  std::vector<std::vector<double>> qmx;
  std::vector<double> install;
};

bool timeExtractionAndQmx(const std::filesystem::path& game, const std::filesystem::path& archive,
                          const std::filesystem::path& qmx, Figures& figures) {
  ::SetCurrentDirectoryW(game.c_str());
  QuietView view;
  const auto start = Clock::now();
  if (ExtractArchive(archive.string(), view) != 0) return false;
  figures.extraction.push_back(secondsSince(start));
  const wchar_t* assets[] = {L".\\Cindermoor_Data\\resources.assets",
                             L".\\Cindermoor_Data\\sharedassets1.assets"};
  figures.qmx.resize(std::size(assets));
  for (std::size_t i = 0; i < std::size(assets); ++i) {
    const auto run = Clock::now();
    const Process process(qmx, std::wstring(L"-i ") + assets[i], game);
    if (!process.wait(600'000)) return false;
    figures.qmx[i].push_back(secondsSince(run));
  }
  return true;
}

bool timeInstall(const std::filesystem::path& game, const std::filesystem::path& installer,
                 Figures& figures) {
  const Process process(installer, L"", game);
  const HWND dialog = waitForWindow(nullptr, texts::kWindowTitle, 60s);
  if (dialog == nullptr) return false;
  const auto start = Clock::now();
  ::PostMessageW(::GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);
  const HWND question = waitForWindow(L"#32770", texts::kShortcutCaption, 600s);
  if (question == nullptr) return false;
  ::PostMessageW(question, WM_COMMAND, IDNO, 0);
  const HWND final = waitForWindow(L"#32770", texts::kPublisherName, 600s);
  if (final == nullptr) return false;
  figures.install.push_back(secondsSince(start));
  ::PostMessageW(final, WM_COMMAND, IDOK, 0);
  return process.wait(60'000);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 5) {
    std::fwprintf(stderr,
                  L"usage: install_bench GAME_TEMPLATE INSTALLER.exe INSTALL.zip QMX.exe [REPETITIONS]\n");
    return 2;
  }
  const std::filesystem::path templateFolder = argv[1], installer = argv[2], archive = argv[3], qmx = argv[4];
  const int repetitions = argc > 5 ? std::max(1, _wtoi(argv[5])) : 5;
  Figures figures;
  for (int i = 0; i < repetitions; ++i) {
    if (!timeExtractionAndQmx(freshGame(templateFolder, 2 * i), archive, qmx, figures) ||
        !timeInstall(freshGame(templateFolder, 2 * i + 1), installer, figures)) {
      std::fwprintf(stderr, L"install_bench: repetition %d did not finish\n", i + 1);
      return 1;
    }
  }
  ::SetCurrentDirectoryW(std::filesystem::temp_directory_path().c_str());
  for (int i = 0; i < 2 * repetitions; ++i) {
    std::filesystem::remove_all(std::filesystem::temp_directory_path() /
                                (L"install-bench-" + std::to_wstring(i)));
  }
  std::printf("medians of %d runs, seconds\n", repetitions);
  std::printf("  whole install (install pressed to final message): %.2f\n", median(figures.install));
  std::printf("  extraction of the install archive:                %.2f\n", median(figures.extraction));
  std::printf("  qmx -i resources.assets:                          %.2f\n", median(figures.qmx[0]));
  std::printf("  qmx -i sharedassets1.assets:                      %.2f\n", median(figures.qmx[1]));
  return 0;
}
