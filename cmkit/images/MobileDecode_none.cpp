#include "images/MobileDecode.h"

// The Windows build has no ASTC decoder: every mobile format is named, not decoded.
namespace mobile_decode {

bool decodes(std::int32_t) {
  return false;
}

std::optional<texture_decode::Image> decodeTopLevel(std::int32_t, std::int32_t, std::int32_t,
                                                    std::span<const std::uint8_t>) {
  return std::nullopt;
}

}  // namespace mobile_decode
