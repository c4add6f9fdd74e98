#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "codecs/TextureDecode.h"

// Textures of the mobile formats, decoded where a well-kept library does it: ASTC with the Arm ASTC
// encoder's decoder in the Linux build (Debian's libastcenc; its source package is not to be had
// for the Windows build, which names the format instead, as both do for PVRTC, ETC, EAC and ATC).
namespace mobile_decode {

bool decodes(std::int32_t textureFormat);

// The top level as texture_decode gives it: 8-bit R G B A, top row first. Nothing when the format
// does not decode here or the data is shorter than the top level.
std::optional<texture_decode::Image> decodeTopLevel(std::int32_t textureFormat, std::int32_t width,
                                                    std::int32_t height,
                                                    std::span<const std::uint8_t> imageData);

}  // namespace mobile_decode
