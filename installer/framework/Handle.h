#pragma once

#include <windows.h>

namespace fw {

// Owns one kernel handle (a file, a thread, a process) and closes it when it goes. Both "no handle"
// values of the API (null and INVALID_HANDLE_VALUE) count as none.
class CHandle {
 public:
  CHandle() = default;
  explicit CHandle(HANDLE handle) : m_h(handle == INVALID_HANDLE_VALUE ? nullptr : handle) {}
  ~CHandle() { Close(); }
  CHandle(const CHandle&) = delete;
  CHandle& operator=(const CHandle&) = delete;

  operator HANDLE() const { return m_h; }
  explicit operator bool() const { return m_h != nullptr; }

  // False when the close itself failed: for a file, data that never reached it.
  bool Close() {
    const bool closed = m_h == nullptr || ::CloseHandle(m_h);
    m_h = nullptr;
    return closed;
  }

  HANDLE m_h = nullptr;
};

}  // namespace fw
