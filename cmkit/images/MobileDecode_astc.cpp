#include "images/MobileDecode.h"

#include <astcenc.h>

#include <algorithm>
#include <memory>
#include <vector>

namespace mobile_decode {
namespace {

constexpr std::int32_t kFirstAstc = 48;  // ASTC_RGB_4x4 (ASTC_4x4 from 2019)
constexpr std::int32_t kLastAstc = 59;   // ASTC_RGBA_12x12
constexpr unsigned kBlockSides[] = {4, 5, 6, 8, 10, 12};
constexpr std::size_t kBlockBytes = 16;

unsigned blockSide(std::int32_t format) {
  return kBlockSides[(format - kFirstAstc) % 6];
}

struct ContextRelease {
  void operator()(astcenc_context* context) const { astcenc_context_free(context); }
};

}  // namespace

bool decodes(std::int32_t format) {
  return format >= kFirstAstc && format <= kLastAstc;
}

std::optional<texture_decode::Image> decodeTopLevel(std::int32_t format, std::int32_t width,
                                                    std::int32_t height,
                                                    std::span<const std::uint8_t> imageData) {
  if (!decodes(format) || width < 1 || height < 1 || width > texture_decode::kLargestSide ||
      height > texture_decode::kLargestSide) {
    return std::nullopt;
  }
  const unsigned side = blockSide(format);
  const std::uint64_t blocks = std::uint64_t{(width + side - 1) / side} * ((height + side - 1) / side);
  if (imageData.size() < blocks * kBlockBytes) return std::nullopt;

  astcenc_config config{};
  if (astcenc_config_init(ASTCENC_PRF_LDR, side, side, 1, ASTCENC_PRE_FASTEST, ASTCENC_FLG_DECOMPRESS_ONLY,
                          &config) != ASTCENC_SUCCESS) {
    return std::nullopt;
  }
  astcenc_context* allocated = nullptr;
  if (astcenc_context_alloc(&config, 1, &allocated) != ASTCENC_SUCCESS) return std::nullopt;
  const std::unique_ptr<astcenc_context, ContextRelease> context(allocated);

  // The engine's rows are stored bottom first, as the blocks are decoded here.
  std::vector<std::uint8_t> stored(static_cast<std::size_t>(width) * height * 4);
  void* slice = stored.data();
  astcenc_image image{static_cast<unsigned>(width), static_cast<unsigned>(height), 1, ASTCENC_TYPE_U8,
                      &slice};
  const astcenc_swizzle swizzle{ASTCENC_SWZ_R, ASTCENC_SWZ_G, ASTCENC_SWZ_B, ASTCENC_SWZ_A};
  if (astcenc_decompress_image(context.get(), imageData.data(), blocks * kBlockBytes, &image, &swizzle, 0) !=
      ASTCENC_SUCCESS) {
    return std::nullopt;
  }
  texture_decode::Image picture{width, height, std::vector<std::uint8_t>(stored.size())};
  const std::size_t rowBytes = static_cast<std::size_t>(width) * 4;
  for (std::int32_t y = 0; y < height; ++y) {
    std::copy_n(stored.begin() + static_cast<std::ptrdiff_t>(y * rowBytes), rowBytes,
                picture.rgba.begin() + static_cast<std::ptrdiff_t>((height - 1 - y) * rowBytes));
  }
  return picture;
}

}  // namespace mobile_decode
