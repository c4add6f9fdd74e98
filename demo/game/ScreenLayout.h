#pragma once

#include <algorithm>
#include <cstdint>

// Where and how the loading screen and the error screen are drawn, for a client area of a given
// size. Shared with the tests that read the program's screen back.
namespace game::layout {

inline constexpr int kClientWidth = 1280;
inline constexpr int kClientHeight = 720;

struct Size {
  int width = 0;
  int height = 0;
};

// 1280x720, or the largest 16:9 size that fits the room when it is smaller.
constexpr Size clientSizeFitting(int roomWidth, int roomHeight) {
  if (roomWidth >= kClientWidth && roomHeight >= kClientHeight) return {kClientWidth, kClientHeight};
  const int width = std::max(16, std::min(roomWidth, roomHeight * kClientWidth / kClientHeight));
  return {width, width * kClientHeight / kClientWidth};
}

// Colours as 0xRRGGBB.
inline constexpr std::uint32_t kTipText = 0xFFFFFF;
inline constexpr std::uint32_t kTipOutline = 0x000000;
inline constexpr std::uint32_t kErrorBackground = 0x5A0A0A;
inline constexpr std::uint32_t kErrorText = 0xFFFFFF;

// Character heights in pixels (the em, not the cell), and how far the outline reaches.
constexpr int tipFontHeight(int clientHeight) {
  return std::max(12, clientHeight / 24);
}
constexpr int tipOutline(int clientHeight) {
  return std::max(1, clientHeight / 360);
}
constexpr int errorFontHeight(int clientHeight) {
  return std::max(12, clientHeight / 40);
}
// The tip lies centred above this margin, within the side margins.
constexpr int tipBottomMargin(int clientHeight) {
  return clientHeight / 16;
}
constexpr int sideMargin(int clientWidth) {
  return clientWidth / 20;
}

}  // namespace game::layout
