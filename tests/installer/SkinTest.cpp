// What of the window is arithmetic or image handling, checked without a window.
#include <gtest/gtest.h>

#include "framework/Centring.h"
#include "framework/Image.h"
#include "skin/ProgressGeometry.h"
#include "skin/Skin.h"
#include "skin/SkinResources.h"

namespace {

TEST(ProgressGeometry, FillFollowsThePositionWithinTheRange) {
  const skin::FillGeometry half = skin::fillGeometry(320, 100, 0, 200, 8, 1);
  EXPECT_TRUE(half.drawn);
  EXPECT_FALSE(half.stub);
  EXPECT_EQ(half.end, 151);  // 160 wide, less the left cap and one pixel

  const skin::FillGeometry full = skin::fillGeometry(326, 57, 0, 57, 8, 1);
  EXPECT_EQ(full.end, 326 - 9);  // one pixel short of the track's right cap
}

TEST(ProgressGeometry, ShortFillsDrawTheStubAndEmptyOnesNothing) {
  EXPECT_TRUE(skin::fillGeometry(180, 1, 0, 10, 8, 1).stub);   // 18 wide: its end, 9, is not past 9
  EXPECT_FALSE(skin::fillGeometry(190, 1, 0, 10, 8, 1).stub);  // 19 wide
  EXPECT_TRUE(skin::fillGeometry(320, 1, 0, 200, 8, 1).stub);
  EXPECT_FALSE(skin::fillGeometry(320, 0, 0, 200, 8, 1).drawn);
  EXPECT_FALSE(skin::fillGeometry(320, 5, 7, 7, 8, 1).drawn);  // an empty range divides by nothing
}

TEST(ProgressGeometry, TextIsCentredAtTenPixelsACharacter) {
  const skin::TextOrigin ready = skin::textOrigin(320, 16, 4);
  EXPECT_EQ(ready.x, 140);
  EXPECT_EQ(ready.y - 6, 2);
  EXPECT_EQ(skin::textOrigin(326, 18, 0).x, 163);
  EXPECT_EQ(skin::textOrigin(325, 17, 1).y, 8);
}

TEST(Centring, CentresOnTheReferenceWithinTheWorkArea) {
  const RECT window{0, 0, 356, 412};
  const RECT screen{0, 0, 1024, 768};
  const POINT centred = fw::centredOrigin(window, screen, screen);
  EXPECT_EQ(centred.x, 512 - 178);
  EXPECT_EQ(centred.y, 384 - 206);

  const RECT ownerAtRight{900, 600, 1000, 700};
  const POINT pushedBack = fw::centredOrigin(window, ownerAtRight, screen);
  EXPECT_EQ(pushedBack.x, 1024 - 356);
  EXPECT_EQ(pushedBack.y, 768 - 412);

  const RECT tinyWork{100, 50, 300, 250};
  const POINT tooBig = fw::centredOrigin(window, tinyWork, tinyWork);
  EXPECT_EQ(tooBig.x, 100);  // larger than the work area: its left and top edges win
  EXPECT_EQ(tooBig.y, 50);
}

TEST(Image, EveryImageObjectUsesGdiplusWhichRunsFromTheFirstDecodeToTheLastObject) {
  const LONG before = fw::CImage::GdiplusUsers();
  {
    fw::CImage cap;
    fw::CImage unused;
    EXPECT_EQ(fw::CImage::GdiplusUsers(), before + 2);
    EXPECT_FALSE(fw::CImage::GdiplusRunning());
    skin::LoadPngResource(cap, ::GetModuleHandleW(nullptr), IDR_PNG_CAP_LEFT);
    EXPECT_TRUE(fw::CImage::GdiplusRunning());
    EXPECT_EQ(cap.GetWidth(), 8);
    EXPECT_EQ(cap.GetHeight(), 16);
    EXPECT_EQ(cap.GetBPP(), 32);
    EXPECT_TRUE(cap.HasAlphaChannel());
  }
  EXPECT_EQ(fw::CImage::GdiplusUsers(), before);
  EXPECT_FALSE(fw::CImage::GdiplusRunning());
}

TEST(Image, DecodedPixelsReachTheScreenThroughAlphaBlend) {
  fw::CImage track;
  skin::LoadPngResource(track, ::GetModuleHandleW(nullptr), IDR_PNG_TRACK);
  ASSERT_FALSE(track.IsNull());
  BITMAPINFO info{};
  info.bmiHeader = {sizeof(BITMAPINFOHEADER), 20, -16, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  const HBITMAP target = ::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  const HDC dc = ::CreateCompatibleDC(nullptr);
  const HGDIOBJ previous = ::SelectObject(dc, target);
  EXPECT_TRUE(skin::DrawStretched(track, dc, 0, 0, 20, 16));  // stretched tenfold across
  EXPECT_EQ(::GetPixel(dc, 15, 0), RGB(202, 133, 0));
  EXPECT_EQ(::GetPixel(dc, 15, 1), RGB(12, 0, 0));
  EXPECT_EQ(::GetPixel(dc, 3, 8), RGB(30, 21, 0));
  EXPECT_EQ(::GetPixel(dc, 19, 15), RGB(202, 133, 0));
  ::SelectObject(dc, previous);
  ::DeleteObject(target);
  ::DeleteDC(dc);
}

TEST(Image, MissingResourcesLeaveTheImageEmptyAndDrawNothing) {
  fw::CImage missing;
  skin::LoadPngResource(missing, ::GetModuleHandleW(nullptr), 999);
  EXPECT_TRUE(missing.IsNull());
  const HDC dc = ::CreateCompatibleDC(nullptr);
  EXPECT_FALSE(skin::DrawStretched(missing, dc, 0, 0, 10, 10));
  ::DeleteDC(dc);
}

}  // namespace
