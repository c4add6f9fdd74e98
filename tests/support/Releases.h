#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <ostream>

#include "support/ObjectData.h"

// Engine releases of every object layout qmx knows, with the serialized format of their files.
namespace testsupport {

struct Release {
  const char* engineVersion;
  std::int32_t formatVersion;
  TextureLayout texture;
  std::optional<FontLayout> font;  // nothing before 4.0
};

inline void PrintTo(const Release& release, std::ostream* out) {
  *out << release.engineVersion << " format " << release.formatVersion;
}

inline constexpr std::array kReleases = {
    Release{"3.5.7f6", 9, TextureLayout::MipBool, std::nullopt},
    Release{"4.1.5f1", 9, TextureLayout::MipBool, FontLayout::SmallReferences},
    Release{"4.7.2p3", 9, TextureLayout::MipBool, FontLayout::SmallReferences},
    Release{"5.0.2f1", 14, TextureLayout::MipBool, FontLayout::LargeReferences},
    Release{"5.1.5f1", 15, TextureLayout::MipBool, FontLayout::LargeReferences},
    Release{"5.2.1f1", 15, TextureLayout::MipCount, FontLayout::LargeReferences},
    Release{"5.3.8f2", 15, TextureLayout::StreamData, FontLayout::LargeReferences},
    Release{"5.4.3f1", 15, TextureLayout::StreamData, FontLayout::WithDescent},
};

}  // namespace testsupport
