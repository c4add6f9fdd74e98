#include "app/Messages.h"

namespace messages {

std::wstring unsupportedTextureFormat(std::wstring_view name, std::int32_t textureFormat) {
  return L"Texture2D " + std::wstring(name) + L": Unsupported texture format " +
         std::to_wstring(textureFormat);
}

}  // namespace messages
