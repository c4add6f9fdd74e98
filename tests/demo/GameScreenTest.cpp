// The built Cindermoor.exe under Wine: the picture it draws of a game folder, read back from its
// screenshot switch and compared with text drawn here in the same fonts.
#include <windows.h>

#include <gtest/gtest.h>

#include <memory>

#include "GameAssets.h"
#include "GdiHandles_win.h"
#include "ScreenLayout.h"
#include "demo/GameFolder.h"
#include "support/ChildProcess.h"
#include "support/Files.h"
#include "support/TestArchives.h"
#include "support/TrueTypeBuilder.h"

namespace {

namespace layout = game::layout;
using game_test::Bytes;

using game::GdiObject;
using game::MemoryDc;
using game::RemoveFont;

struct Image {
  int width = 0;
  int height = 0;
  std::vector<std::uint32_t> pixels;  // 0x00RRGGBB, top row first

  std::uint32_t at(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x] & 0xFFFFFF; }
};

std::uint32_t little32(const Bytes& bytes, std::size_t at) {
  return std::uint32_t{bytes[at]} | std::uint32_t{bytes[at + 1]} << 8 | std::uint32_t{bytes[at + 2]} << 16 |
         std::uint32_t{bytes[at + 3]} << 24;
}

// A 32-bit bitmap file, rows bottom first.
Image readBitmap(const std::filesystem::path& path) {
  const Bytes file = testsupport::readFile(path);
  Image image;
  if (file.size() < 54 || file[0] != 'B' || file[1] != 'M' || (file[28] | file[29] << 8) != 32) return image;
  const std::uint32_t start = little32(file, 10);
  const auto width = static_cast<int>(little32(file, 18));
  const auto height = static_cast<int>(little32(file, 22));
  if (width <= 0 || height <= 0 || start + std::uint64_t{4} * width * height > file.size()) return image;
  image.width = width;
  image.height = height;
  image.pixels.resize(static_cast<std::size_t>(width) * height);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      image.pixels[static_cast<std::size_t>(y) * width + x] =
          little32(file, start + 4 * (static_cast<std::size_t>(height - 1 - y) * width + x));
    }
  }
  return image;
}

bool nearColour(std::uint32_t a, std::uint32_t b) {
  for (int shift : {16, 8, 0}) {
    const int difference = static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF);
    if (difference < -3 || difference > 3) return false;
  }
  return true;
}

// The pixels close to white, cut to the rectangle that holds them all: the text's fill, wherever
// it was drawn. The pictures below keep every channel under 0x80, and the outline is black.
struct Mask {
  int width = 0;
  int height = 0;
  std::vector<bool> set;
};

Mask whiteMask(const Image& image, int fromRow) {
  int left = image.width, top = image.height, right = -1, bottom = -1;
  const auto white = [&](int x, int y) {
    const std::uint32_t p = image.at(x, y);
    return ((p >> 16) & 0xFF) >= 0xC0 && ((p >> 8) & 0xFF) >= 0xC0 && (p & 0xFF) >= 0xC0;
  };
  for (int y = fromRow; y < image.height; ++y) {
    for (int x = 0; x < image.width; ++x) {
      if (!white(x, y)) continue;
      left = std::min(left, x), right = std::max(right, x);
      top = std::min(top, y), bottom = std::max(bottom, y);
    }
  }
  Mask mask;
  if (right < 0) return mask;
  mask.width = right - left + 1;
  mask.height = bottom - top + 1;
  for (int y = top; y <= bottom; ++y) {
    for (int x = left; x <= right; ++x) mask.set.push_back(white(x, y));
  }
  return mask;
}

// The share of pixels on which two masks of the same size agree, 0 for masks of other sizes.
double agreement(const Mask& a, const Mask& b) {
  if (a.width != b.width || a.height != b.height || a.set.empty()) return 0;
  std::size_t same = 0;
  for (std::size_t i = 0; i < a.set.size(); ++i) same += a.set[i] == b.set[i];
  return static_cast<double>(same) / static_cast<double>(a.set.size());
}

// The text in white on black, in the face at the tip's height for a 1280x720 screen.
Mask drawnText(const std::wstring& text, const std::wstring& face) {
  const int width = layout::kClientWidth, height = 200;
  BITMAPINFO info{};
  info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  const MemoryDc dc(::CreateCompatibleDC(nullptr));
  const GdiObject<HBITMAP> bitmap(::CreateDIBSection(dc.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  const GdiObject<HFONT> font(::CreateFontW(
      -layout::tipFontHeight(layout::kClientHeight), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
      OUT_TT_PRECIS, CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY, DEFAULT_PITCH, face.c_str()));
  Image image;
  const HGDIOBJ previousBitmap = ::SelectObject(dc.get(), bitmap.get());
  const HGDIOBJ previousFont = ::SelectObject(dc.get(), font.get());
  RECT all{0, 0, width, height};
  ::FillRect(dc.get(), &all, static_cast<HBRUSH>(::GetStockObject(BLACK_BRUSH)));
  ::SetBkMode(dc.get(), TRANSPARENT);
  ::SetTextColor(dc.get(), RGB(255, 255, 255));
  ::DrawTextW(dc.get(), text.c_str(), static_cast<int>(text.size()), &all, DT_CENTER | DT_NOPREFIX);
  ::GdiFlush();
  image.width = width;
  image.height = height;
  const auto* first = static_cast<const std::uint32_t*>(bits);
  image.pixels.assign(first, first + static_cast<std::size_t>(width) * height);
  ::SelectObject(dc.get(), previousFont);
  ::SelectObject(dc.get(), previousBitmap);
  return whiteMask(image, 0);
}

std::string utf8(const std::wstring& text) {
  const int length = ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr,
                                           0, nullptr, nullptr);
  std::string bytes(static_cast<std::size_t>(length), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), bytes.data(), length,
                        nullptr, nullptr);
  return bytes;
}

class GameScreen : public ::testing::Test {
 protected:
  struct Shot {
    int exitCode = -1;
    std::string output;
    Image image;
  };

  // Runs the program from a copy in the game folder, as the game is laid out.
  Shot run() {
    std::filesystem::copy_file(testsupport::siblingProgram("Cindermoor"), folder_ / "Cindermoor.exe",
                               std::filesystem::copy_options::overwrite_existing);
    const std::filesystem::path file = folder_ / "screen.bmp";
    const testsupport::ChildResult result = testsupport::runProgram(
        folder_ / "Cindermoor.exe", {L"--screenshot", file.wstring()}, folder_.path());
    Shot shot{result.exitCode, result.output, readBitmap(file)};
    EXPECT_EQ(shot.image.width, layout::kClientWidth);
    EXPECT_EQ(shot.image.height, layout::kClientHeight);
    return shot;
  }

  void expectErrorScreen(const Shot& shot, const std::wstring& line) {
    EXPECT_EQ(shot.exitCode, 1);
    EXPECT_EQ(shot.output, utf8(line) + "\r\n");
    if (shot.image.pixels.empty()) return;
    EXPECT_EQ(shot.image.at(0, 0), layout::kErrorBackground);
    EXPECT_EQ(shot.image.at(layout::kClientWidth - 1, layout::kClientHeight - 1), layout::kErrorBackground);
    EXPECT_GT(whiteMask(shot.image, 0).width, layout::kClientWidth / 3) << "no message drawn";
  }

  testsupport::TempDirectory folder_;
};

TEST_F(GameScreen, ThePictureAndTheTipInTheGamesOwnFont) {
  const std::wstring tip = L"Ash余烬";
  game_test::Game game = game_test::wholeGame("Ash余烬", U"Ash余烬");
  game.textures[0] = game_test::rgbTexture("LoadingScreen_Ashfall", 8, 8, game_test::quadrants(8));
  game_test::writeGame(folder_.path(), game);
  const Shot shot = run();
  ASSERT_EQ(shot.exitCode, 0) << shot.output;
  EXPECT_EQ(shot.output, "");
  ASSERT_FALSE(shot.image.pixels.empty());
  const int x[] = {320, 960}, y[] = {180, 540};
  for (int i = 0; i < 4; ++i) {
    const std::uint32_t seen = shot.image.at(x[i % 2], y[i / 2]);
    EXPECT_TRUE(nearColour(seen, game_test::kWholePicture[i]))
        << "quadrant " << i << ": " << std::hex << seen;
  }

  const Mask onScreen = whiteMask(shot.image, layout::kClientHeight / 2);
  ASSERT_GT(onScreen.width, 0) << "no tip drawn";
  DWORD fonts = 0;
  const Bytes& font = game.fonts[0].bytes;
  const std::unique_ptr<void, RemoveFont> added(::AddFontMemResourceEx(
      const_cast<std::uint8_t*>(font.data()), static_cast<DWORD>(font.size()), nullptr, &fonts));
  ASSERT_TRUE(added);
  EXPECT_GE(agreement(onScreen, drawnText(tip, L"Ember Probe")), 0.97);
  // A font without the Chinese characters draws boxes for them, and other shapes for the letters.
  EXPECT_LT(agreement(onScreen, drawnText(tip, L"DejaVu Sans")), 0.9);
}

TEST_F(GameScreen, TheDemoGamesStandInFontGivesTheErrorScreen) {
  game_test::Game game = game_test::wholeGame();
  game.fonts[0].bytes = game_test::standInFont();
  game_test::writeGame(folder_.path(), game);
  expectErrorScreen(run(),
                    L"无法读取游戏数据 / cannot read the game data: Font EmberSans "
                    L"(不是带字体名的 TrueType 字体 / not a TrueType font with a family name)");
}

TEST_F(GameScreen, AFontWindowsWillNotLoadGivesTheErrorScreen) {
  game_test::Game game = game_test::wholeGame();
  game.fonts[0].bytes = game_test::nameTableOnly(game_test::kPlantedFamily);
  game_test::writeGame(folder_.path(), game);
  expectErrorScreen(run(), game::fontLoadFailure());
}

// The tip's band of the screen: the rows above the bottom margin that one line of the tip takes.
Image tipBand(const Image& image) {
  const int bottom = layout::kClientHeight - layout::tipBottomMargin(layout::kClientHeight);
  const int top = bottom - 2 * layout::tipFontHeight(layout::kClientHeight);
  Image band;
  band.width = image.width;
  band.height = bottom - top;
  band.pixels.assign(image.pixels.begin() + static_cast<std::ptrdiff_t>(top) * image.width,
                     image.pixels.begin() + static_cast<std::ptrdiff_t>(bottom) * image.width);
  return band;
}

// The share of pixels that differ between two pictures of the same size, in the rows given.
double changed(const Image& a, const Image& b, int fromRow, int toRow) {
  std::size_t differing = 0;
  for (int y = fromRow; y < toRow; ++y) {
    for (int x = 0; x < a.width; ++x) differing += !nearColour(a.at(x, y), b.at(x, y));
  }
  return static_cast<double>(differing) / (static_cast<double>(toRow - fromRow) * a.width);
}

// The demo game before and after the patch (its install archive extracted, then qmx run as the
// batch runs it): the screen and the tip change, and the tip after it is drawn in the patch's font,
// not in boxes.
TEST_F(GameScreen, TheDemoGameShowsThePatchsScreenAndTipInThePatchsFont) {
  std::filesystem::copy(
      DEMO_GAME, folder_.path(),
      std::filesystem::copy_options::recursive | std::filesystem::copy_options::overwrite_existing);
  const Shot before = run();
  ASSERT_EQ(before.exitCode, 0) << before.output;

  for (const testsupport::ArchivedEntry& entry :
       testsupport::readZip(std::filesystem::path(PAYLOAD_DIR) / "install.zip")) {
    if (!entry.name.ends_with('/')) testsupport::writeFile(folder_ / entry.name, entry.data);
  }
  for (const wchar_t* asset :
       {L".\\Cindermoor_Data\\resources.assets", L".\\Cindermoor_Data\\sharedassets1.assets"}) {
    EXPECT_EQ(
        testsupport::runProgram(testsupport::siblingProgram("qmx"), {L"-i", asset}, folder_.path()).exitCode,
        0);
  }
  const Shot after = run();
  ASSERT_EQ(after.exitCode, 0) << after.output;

  const int tipTop = layout::kClientHeight - layout::tipBottomMargin(layout::kClientHeight) -
                     2 * layout::tipFontHeight(layout::kClientHeight);
  EXPECT_GT(changed(before.image, after.image, 0, tipTop / 2), 0.05) << "the loading screen";
  EXPECT_GT(changed(before.image, after.image, tipTop,
                    layout::kClientHeight - layout::tipBottomMargin(layout::kClientHeight)),
            0.01)
      << "the tip";

  const game::ScreenContent content = game::loadScreenContent(folder_.path().wstring());
  ASSERT_TRUE(content.screen) << testing::PrintToString(content.failure);
  DWORD fonts = 0;
  const std::vector<std::uint8_t>& font = content.screen->fontData;
  const std::unique_ptr<void, RemoveFont> added(::AddFontMemResourceEx(
      const_cast<std::uint8_t*>(font.data()), static_cast<DWORD>(font.size()), nullptr, &fonts));
  ASSERT_TRUE(added);
  const Mask tip = whiteMask(tipBand(after.image), 0);
  EXPECT_GE(agreement(tip, drawnText(content.screen->tip, content.screen->fontFamilies.front())), 0.95);
  EXPECT_LT(agreement(tip, drawnText(content.screen->tip, L"DejaVu Sans")), 0.9) << "boxes";
}

}  // namespace
