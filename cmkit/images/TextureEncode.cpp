#include "images/TextureEncode.h"

#include <squish.h>

#include <algorithm>
#include <array>
#include <cmath>

#include "codecs/TextureFormat.h"

namespace texture_encode {
namespace {

using namespace texture_format;

// sRGB, the colour space of the pictures, to linear light and back.
const std::array<double, 256>& linearOf() {
  static const std::array<double, 256> table = [] {
    std::array<double, 256> values{};
    for (int i = 0; i < 256; ++i) {
      const double c = i / 255.0;
      values[i] = c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
    }
    return values;
  }();
  return table;
}

// The sRGB value whose light is nearest.
std::uint8_t srgbOf(double linear) {
  const std::array<double, 256>& table = linearOf();
  const auto above = std::lower_bound(table.begin(), table.end(), linear);
  if (above == table.begin()) return 0;
  if (above == table.end()) return 255;
  const auto below = above - 1;
  return static_cast<std::uint8_t>((linear - *below <= *above - linear ? below : above) - table.begin());
}

// The weight of source pixel i in the output span [start, end).
double overlap(std::int32_t i, double start, double end) {
  return std::max(0.0, std::min<double>(i + 1, end) - std::max<double>(i, start));
}

// n-bit quantisation that the decoder's widening undoes exactly.
unsigned quantise(std::uint8_t value, int bits) {
  return (value * ((1u << bits) - 1) + 127) / 255;
}

void appendWord(std::vector<std::uint8_t>& out, unsigned word) {
  out.push_back(static_cast<std::uint8_t>(word));
  out.push_back(static_cast<std::uint8_t>(word >> 8));
}

void appendPixel(std::int32_t format, const std::uint8_t* p, std::vector<std::uint8_t>& out) {
  const std::uint8_t r = p[0], g = p[1], b = p[2], a = p[3];
  switch (format) {
    case kAlpha8:
      out.push_back(a);
      break;
    case kArgb4444:
      appendWord(out, quantise(a, 4) << 12 | quantise(r, 4) << 8 | quantise(g, 4) << 4 | quantise(b, 4));
      break;
    case kRgba4444:
      appendWord(out, quantise(r, 4) << 12 | quantise(g, 4) << 8 | quantise(b, 4) << 4 | quantise(a, 4));
      break;
    case kRgb565:
      appendWord(out, quantise(r, 5) << 11 | quantise(g, 6) << 5 | quantise(b, 5));
      break;
    case kRgb24:
      out.insert(out.end(), {r, g, b});
      break;
    case kRgba32:
      out.insert(out.end(), {r, g, b, a});
      break;
    case kBgra32Old:
      out.insert(out.end(), {b, g, r, a});
      break;
    default:  // ARGB32
      out.insert(out.end(), {a, r, g, b});
      break;
  }
}

// The picture's rows in the engine's order, bottom row first.
std::vector<std::uint8_t> storedRows(const Image& image) {
  const std::size_t rowLength = static_cast<std::size_t>(image.width) * 4;
  std::vector<std::uint8_t> rows;
  rows.reserve(image.rgba.size());
  for (std::int32_t y = image.height - 1; y >= 0; --y) {
    const auto row = image.rgba.begin() + static_cast<std::ptrdiff_t>(y * rowLength);
    rows.insert(rows.end(), row, row + static_cast<std::ptrdiff_t>(rowLength));
  }
  return rows;
}

void appendLevel(std::int32_t format, const Image& level, std::vector<std::uint8_t>& out) {
  const std::vector<std::uint8_t> rows = storedRows(level);
  if (format == kDxt1 || format == kDxt5) {
    const int flags = (format == kDxt1 ? squish::kDxt1 : squish::kDxt5) | squish::kColourClusterFit;
    std::vector<std::uint8_t> blocks(
        static_cast<std::size_t>(squish::GetStorageRequirements(level.width, level.height, flags)));
    squish::CompressImage(rows.data(), level.width, level.height, blocks.data(), flags);
    out.insert(out.end(), blocks.begin(), blocks.end());
    return;
  }
  for (std::size_t i = 0; i < rows.size(); i += 4) appendPixel(format, &rows[i], out);
}

}  // namespace

bool encodes(std::int32_t format) {
  return texture_decode::decodes(format);
}

std::vector<std::uint8_t> encode(std::int32_t format, const Image& picture, std::uint32_t levels) {
  std::vector<std::uint8_t> data;
  Image level = picture;
  for (std::uint32_t i = 0; i < levels; ++i) {
    if (i > 0) level = downscale(level, std::max(level.width / 2, 1), std::max(level.height / 2, 1));
    appendLevel(format, level, data);
  }
  return data;
}

Image downscale(const Image& source, std::int32_t width, std::int32_t height) {
  const std::array<double, 256>& linear = linearOf();
  const double scaleX = static_cast<double>(source.width) / width;
  const double scaleY = static_cast<double>(source.height) / height;
  Image result{width, height, std::vector<std::uint8_t>(static_cast<std::size_t>(width) * height * 4)};
  for (std::int32_t y = 0; y < height; ++y) {
    const double top = y * scaleY, bottom = (y + 1) * scaleY;
    for (std::int32_t x = 0; x < width; ++x) {
      const double left = x * scaleX, right = (x + 1) * scaleX;
      double area = 0, alpha = 0;
      std::array<double, 3> weighted{}, plain{};
      for (auto sy = static_cast<std::int32_t>(top); sy < std::min<double>(bottom, source.height); ++sy) {
        for (auto sx = static_cast<std::int32_t>(left); sx < std::min<double>(right, source.width); ++sx) {
          const double w = overlap(sx, left, right) * overlap(sy, top, bottom);
          const std::uint8_t* p = &source.rgba[(static_cast<std::size_t>(sy) * source.width + sx) * 4];
          const double a = p[3] / 255.0;
          for (int c = 0; c < 3; ++c) {
            weighted[c] += w * a * linear[p[c]];
            plain[c] += w * linear[p[c]];
          }
          alpha += w * a;
          area += w;
        }
      }
      std::uint8_t* out = &result.rgba[(static_cast<std::size_t>(y) * width + x) * 4];
      // Where every pixel covered is transparent, its colour is kept as it was, unweighted.
      for (int c = 0; c < 3; ++c) out[c] = srgbOf(alpha > 0 ? weighted[c] / alpha : plain[c] / area);
      out[3] = static_cast<std::uint8_t>(std::lround(alpha / area * 255));
    }
  }
  return result;
}

}  // namespace texture_encode
