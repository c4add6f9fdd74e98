#pragma once

// Scoped GDI objects, device contexts and in-memory fonts of the demo game's program, also used by
// the tests that draw what it should show.
#include <windows.h>

#include <memory>
#include <type_traits>

namespace game {

struct DeleteGdiObject {
  void operator()(HGDIOBJ object) const { ::DeleteObject(object); }
};
template <typename Handle>
using GdiObject = std::unique_ptr<std::remove_pointer_t<Handle>, DeleteGdiObject>;

struct DeleteDc {
  void operator()(HDC dc) const { ::DeleteDC(dc); }
};
using MemoryDc = std::unique_ptr<std::remove_pointer_t<HDC>, DeleteDc>;

struct RemoveFont {
  void operator()(HANDLE font) const { ::RemoveFontMemResourceEx(font); }
};
using FontResource = std::unique_ptr<void, RemoveFont>;

}  // namespace game
