#pragma once

#include <cstdint>

// The engine's texture format numbers that DDS files carry, as the Texture2D object stores them.
namespace texture_format {

inline constexpr std::int32_t kAlpha8 = 1;
inline constexpr std::int32_t kArgb4444 = 2;
inline constexpr std::int32_t kRgb24 = 3;
inline constexpr std::int32_t kRgba32 = 4;
inline constexpr std::int32_t kArgb32 = 5;
inline constexpr std::int32_t kRgb565 = 7;
inline constexpr std::int32_t kDxt1 = 10;
inline constexpr std::int32_t kDxt5 = 12;
inline constexpr std::int32_t kRgba4444 = 13;
inline constexpr std::int32_t kBgra32Old = 37;  // the 4.x number of BGRA32

// PVRTC, ETC, ATC, EAC and ETC2: no DDS file can carry them.
constexpr bool isMobileCompressed(std::int32_t format) {
  return (format >= 30 && format <= 36) || (format >= 41 && format <= 47);
}

}  // namespace texture_format
