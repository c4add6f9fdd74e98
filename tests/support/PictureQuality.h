#pragma once

#include <cmath>
#include <cstddef>

#include "codecs/TextureDecode.h"

namespace testsupport {

// Peak signal to noise between two pictures of one size over the first channels (3 without alpha,
// 4 with), in dB; 99 for pictures that are alike.
inline double psnr(const texture_decode::Image& a, const texture_decode::Image& b, int channels) {
  double squares = 0;
  std::size_t count = 0;
  for (std::size_t i = 0; i < a.rgba.size(); i += 4) {
    for (int c = 0; c < channels; ++c) {
      const double d = static_cast<double>(a.rgba[i + c]) - b.rgba[i + c];
      squares += d * d;
      ++count;
    }
  }
  return squares == 0 ? 99 : 10 * std::log10(255.0 * 255.0 / (squares / static_cast<double>(count)));
}

}  // namespace testsupport
