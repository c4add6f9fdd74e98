#pragma once

#include <windows.h>

namespace fw {

// Where a window's top-left corner goes to centre it on a reference rectangle while staying inside
// a work area: past the right (bottom) edge it is moved back, then left of (above) it forward.
inline POINT centredOrigin(const RECT& window, const RECT& reference, const RECT& workArea) {
  const LONG width = window.right - window.left;
  const LONG height = window.bottom - window.top;
  LONG left = (reference.left + reference.right) / 2 - width / 2;
  LONG top = (reference.top + reference.bottom) / 2 - height / 2;
  if (left + width > workArea.right) left = workArea.right - width;
  if (left < workArea.left) left = workArea.left;
  if (top + height > workArea.bottom) top = workArea.bottom - height;
  if (top < workArea.top) top = workArea.top;
  return {left, top};
}

}  // namespace fw
