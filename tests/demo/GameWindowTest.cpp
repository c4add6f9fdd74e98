// Cindermoor.exe's window in the virtual display: titled, sized to fit the screen, showing the
// loading screen, and gone with its process when closed.
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <thread>
#include <type_traits>

#include "ScreenLayout.h"
#include "demo/GameFolder.h"
#include "support/ChildProcess.h"
#include "support/Files.h"

namespace {

using namespace std::chrono_literals;
namespace layout = game::layout;

struct CloseHandleOf {
  void operator()(HANDLE handle) const { ::CloseHandle(handle); }
};
using Handle = std::unique_ptr<void, CloseHandleOf>;

struct ReleaseScreen {
  void operator()(HDC dc) const { ::ReleaseDC(nullptr, dc); }
};

class Game {
 public:
  explicit Game(const std::filesystem::path& program) {
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    std::wstring commandLine = L"\"" + program.wstring() + L"\"";
    PROCESS_INFORMATION info{};
    if (!::CreateProcessW(program.wstring().c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                          program.parent_path().wstring().c_str(), &startup, &info)) {
      ADD_FAILURE() << "cannot start " << program;
      return;
    }
    process_.reset(info.hProcess);
    Handle thread(info.hThread);
  }
  ~Game() {
    if (process_ && ::WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT)
      ::TerminateProcess(process_.get(), 99);
  }
  Game(const Game&) = delete;
  Game& operator=(const Game&) = delete;

  HWND waitForWindow() const {
    const auto deadline = std::chrono::steady_clock::now() + 20s;
    while (process_ && std::chrono::steady_clock::now() < deadline) {
      const HWND window = ::FindWindowW(L"CindermoorGame", L"Cindermoor");
      if (window != nullptr && ::IsWindowVisible(window)) return window;
      std::this_thread::sleep_for(100ms);
    }
    return nullptr;
  }
  // The exit code, or -2 when it is still running after the wait.
  int waitForExit() const {
    if (!process_ || ::WaitForSingleObject(process_.get(), 15000) != WAIT_OBJECT_0) return -2;
    DWORD code = 0;
    ::GetExitCodeProcess(process_.get(), &code);
    return static_cast<int>(code);
  }

 private:
  Handle process_;
};

COLORREF screenPixel(HWND window, int x, int y) {
  POINT point{x, y};
  ::ClientToScreen(window, &point);
  const std::unique_ptr<std::remove_pointer_t<HDC>, ReleaseScreen> screen(::GetDC(nullptr));
  return ::GetPixel(screen.get(), point.x, point.y);
}

TEST(GameWindow, ShowsTheLoadingScreenFittingTheScreenAndClosesWhenAsked) {
  testsupport::TempDirectory folder;
  game_test::Game game = game_test::wholeGame();
  game.textures[0] = game_test::rgbTexture("LoadingScreen_Ashfall", 8, 8, game_test::quadrants(8));
  game_test::writeGame(folder.path(), game);
  std::filesystem::copy_file(testsupport::siblingProgram("Cindermoor"), folder / "Cindermoor.exe");
  const Game running(folder / "Cindermoor.exe");
  const HWND window = running.waitForWindow();
  ASSERT_NE(window, nullptr) << "no window titled Cindermoor";

  RECT client{}, outer{};
  ::GetClientRect(window, &client);
  ::GetWindowRect(window, &outer);
  EXPECT_LE(client.right, layout::kClientWidth);
  EXPECT_LE(client.bottom, layout::kClientHeight);
  EXPECT_NEAR(client.right * 9, client.bottom * 16, 16) << client.right << "x" << client.bottom;
  EXPECT_GE(client.right, layout::kClientWidth * 9 / 10);
  EXPECT_LE(outer.right - outer.left, ::GetSystemMetrics(SM_CXSCREEN));
  EXPECT_LE(outer.bottom - outer.top, ::GetSystemMetrics(SM_CYSCREEN));

  // The top left quadrant of the picture, once the window has painted.
  const std::uint32_t top = game_test::kWholePicture[0];
  const COLORREF expected = RGB(top >> 16, (top >> 8) & 0xFF, top & 0xFF);
  COLORREF seen = CLR_INVALID;
  for (int i = 0; i < 50 && seen != expected; ++i) {
    std::this_thread::sleep_for(100ms);
    seen = screenPixel(window, client.right / 4, client.bottom / 4);
  }
  EXPECT_EQ(seen, expected) << std::hex << seen;

  ::PostMessageW(window, WM_CLOSE, 0, 0);
  EXPECT_EQ(running.waitForExit(), 0);
}

}  // namespace
