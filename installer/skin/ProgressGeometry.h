#pragma once

// Where the skinned progress bar puts its fill and its status text; pure arithmetic, so that the
// painter and its tests agree.
namespace skin {

struct FillGeometry {
  bool drawn = false;  // nothing is filled at position 0 or over an empty range
  bool stub = false;   // too short for three slices: left cap and right end at their own widths
  int end = 0;         // right edge of the three-slice fill
};

inline FillGeometry fillGeometry(int barWidth, int position, int low, int high, int leftWidth,
                                 int rightWidth) {
  FillGeometry fill;
  if (position == 0 || high == low) return fill;
  const int width = barWidth * position / (high - low);
  fill.drawn = true;
  fill.end = width - leftWidth - 1;
  fill.stub = !(fill.end > rightWidth + leftWidth);
  return fill;
}

struct TextOrigin {
  int x;
  int y;
};

// Ten pixels a character, half on each side of the centre; the text's fill pass is drawn 6 pixels
// above the vertical centre.
inline TextOrigin textOrigin(int barWidth, int barHeight, int characters) {
  return {barWidth / 2 - 5 * characters, barHeight / 2};
}

}  // namespace skin
