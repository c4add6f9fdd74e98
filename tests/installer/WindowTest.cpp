// Starts the built installer the way a player does, from a game folder, in the virtual display, and
// looks at its window from outside: caption, buttons, the painted status line, how it ends, and
// the publisher's page it opens (counted by the test prefix's recorder instead of a browser).
#include <functional>

#include "InstallerDriver.h"

using namespace installer_driver;

namespace {

TEST_F(InstallerWindow, ShowsTheSkinnedDialogReadyAndTheExitButtonClosesIt) {
  auto installer = start();
  const HWND dialog = waitForWindow();
  ASSERT_NE(dialog, nullptr);
  EXPECT_EQ(itemText(dialog, IDOK), L"安装");
  EXPECT_EQ(itemText(dialog, IDCANCEL), L"退出");
  std::this_thread::sleep_for(500ms);  // let the first paint reach the screen

  // The empty track: gold, then near-black border rows around a dark body, from the cap's left
  // edge on.
  RECT bar;
  ::GetWindowRect(::GetDlgItem(dialog, kProgressId), &bar);
  const Screenshot shot = capture(bar);
  EXPECT_EQ(shot.at(0, 8), RGB(202, 133, 0)) << "the left cap's gold edge";
  EXPECT_EQ(shot.at(20, 0), RGB(202, 133, 0));
  EXPECT_EQ(shot.at(20, 1), RGB(12, 0, 0));
  EXPECT_EQ(shot.at(20, 8), RGB(30, 21, 0));
  EXPECT_EQ(shot.at(shot.width - 1, 8), RGB(202, 133, 0)) << "the right cap's gold edge";

  ::SendMessageW(::GetDlgItem(dialog, IDCANCEL), BM_CLICK, 0, 0);
  EXPECT_EQ(installer->waitForExit(), 2);
  EXPECT_EQ(openedPages(1), std::vector<std::string>{kPublisherPage});
}

// Outside a run Esc, Alt+F4 (the system menu's close) and a close request end it as the exit button.
TEST_F(InstallerWindow, EscapeAndCloseRequestsCloseItLikeTheExitButton) {
  const std::vector<std::pair<const char*, std::function<void(HWND)>>> closers = {
      {"Esc", [](HWND dialog) { ::PostMessageW(::GetDlgItem(dialog, IDOK), WM_KEYDOWN, VK_ESCAPE, 0); }},
      {"WM_CLOSE", [](HWND dialog) { ::PostMessageW(dialog, WM_CLOSE, 0, 0); }},
      {"SC_CLOSE", [](HWND dialog) { ::PostMessageW(dialog, WM_SYSCOMMAND, SC_CLOSE, 0); }},
  };
  for (const auto& [way, close] : closers) {
    std::filesystem::remove(urlLog());
    auto installer = start();
    const HWND dialog = waitForWindow();
    ASSERT_NE(dialog, nullptr) << way;
    close(dialog);
    EXPECT_EQ(installer->waitForExit(), 2) << way;
    EXPECT_EQ(openedPages(1), std::vector<std::string>{kPublisherPage}) << way;
  }
}

TEST_F(InstallerWindow, TheMarkerFileTurnsInstallIntoUninstall) {
  writeFile(game_ / "Cindermoor.h", Bytes{});
  auto installer = start();
  const HWND dialog = waitForWindow();
  ASSERT_NE(dialog, nullptr);
  EXPECT_EQ(itemText(dialog, IDOK), L"卸载");
  EXPECT_EQ(itemText(dialog, IDCANCEL), L"退出");
  ::SendMessageW(::GetDlgItem(dialog, IDCANCEL), BM_CLICK, 0, 0);
  EXPECT_EQ(installer->waitForExit(), 2);
}

TEST_F(InstallerWindow, ASecondCopyShowsNothingAndEndsWithZero) {
  auto first = start();
  const HWND dialog = waitForWindow();
  ASSERT_NE(dialog, nullptr);
  auto second = start();
  EXPECT_EQ(second->waitForExit(), 0);
  EXPECT_EQ(windowsTitled(), 1);
  EXPECT_TRUE(openedPages(0).empty());
  ::SendMessageW(::GetDlgItem(dialog, IDCANCEL), BM_CLICK, 0, 0);
  EXPECT_EQ(first->waitForExit(), 2);
  EXPECT_EQ(openedPages(1).size(), 1u);
}

}  // namespace
