// RunInstall in this process, over a copy of the demo game, with the patch archives as this test
// program's own resources: what the status line and the bar go through, in order. Its message
// boxes are answered from the test's thread.
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "install/InstallRun.h"
#include "support/Files.h"

using namespace testsupport;
using namespace std::chrono_literals;

namespace {

class RecordingView : public InstallView {
 public:
  void SetStatus(const std::wstring& text) override { statuses.push_back(text); }
  void SetStatusText(const std::wstring& text) override { texts.push_back(text); }
  void SetRange(int high) override { range = high; }
  void SetPos(int position) override { positions.push_back(position); }
  int GetPos() override { return positions.empty() ? 0 : positions.back(); }
  void ShowError(const wchar_t* text, const wchar_t*) override { errors.push_back(text); }

  std::vector<std::wstring> statuses;  // each repainted at once
  std::vector<std::wstring> texts;     // shown at the bar's next repaint
  std::vector<int> positions;
  int range = -1;
  std::vector<std::wstring> errors;
};

// Answers each message box of the run as it comes: the caption and the button to press.
void answerBoxes(const std::vector<std::pair<const wchar_t*, int>>& answers,
                 std::vector<std::wstring>& seen) {
  for (const auto& [caption, button] : answers) {
    HWND box = nullptr;
    for (int i = 0; i < 1200 && box == nullptr; ++i) {
      box = ::FindWindowW(L"#32770", caption);
      if (box == nullptr) std::this_thread::sleep_for(100ms);
    }
    if (box == nullptr) return;
    seen.emplace_back(caption);
    ::PostMessageW(box, WM_COMMAND, button, 0);
  }
}

class RunInstallTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::copy(DEMO_GAME, game_.path(), std::filesystem::copy_options::recursive);
    previous_ = std::filesystem::current_path();
    std::filesystem::current_path(game_.path());
  }
  void TearDown() override { std::filesystem::current_path(previous_); }

  int run(const std::vector<std::pair<const wchar_t*, int>>& answers) {
    int result = -1;
    std::thread worker([&] { result = RunInstall(nullptr, view_); });
    answerBoxes(answers, boxes_);
    worker.join();
    return result;
  }

  TempDirectory game_;
  std::filesystem::path previous_;
  RecordingView view_;
  std::vector<std::wstring> boxes_;
};

TEST_F(RunInstallTest, AnInstallGoesThroughEveryEntryAndItsStatusTexts) {
  EXPECT_EQ(run({{L"创建快捷方式", IDNO}, {L"灰沼汉化组", IDOK}}), 0);
  EXPECT_EQ(boxes_, (std::vector<std::wstring>{L"创建快捷方式", L"灰沼汉化组"}));
  EXPECT_EQ(view_.statuses, (std::vector<std::wstring>{L"正在准备数据,请耐心等待!", L"当前进度100%",
                                                       L"即将完成安装...", L"安装完成!"}));
  EXPECT_EQ(view_.range, 38);
  std::vector<int> every(38);
  for (int i = 0; i < 38; ++i) every[i] = i + 1;
  EXPECT_EQ(view_.positions, every);
  ASSERT_EQ(view_.texts.size(), 38u);
  EXPECT_EQ(view_.texts.front(), L"当前进度3%");
  EXPECT_TRUE(view_.errors.empty());
  EXPECT_FALSE(std::filesystem::exists(game_ / "Cindermoor_Data" / "qmx.bat"));
}

TEST_F(RunInstallTest, AnUninstallAsksNothingAndWritesTheCharacterList) {
  writeFile(game_ / "Cindermoor.h", Bytes{});
  EXPECT_EQ(run({{L"灰沼汉化组", IDOK}}), 0);
  EXPECT_EQ(boxes_, std::vector<std::wstring>{L"灰沼汉化组"});
  EXPECT_EQ(view_.statuses, (std::vector<std::wstring>{L"正在准备数据,请耐心等待!", L"当前进度100%",
                                                       L"即将完成卸载...", L"卸载完成!"}));
  EXPECT_EQ(view_.positions, std::vector<int>{1});
  EXPECT_FALSE(std::filesystem::exists(game_ / "Cindermoor.h"));
  EXPECT_TRUE(std::filesystem::exists(game_ / "wchar.txt"));
}

}  // namespace
