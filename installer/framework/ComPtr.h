#pragma once

#include <windows.h>
#include <unknwn.h>

namespace fw {

// Holds one reference to a COM interface and releases it when it goes.
template <class T>
class CComPtr {
 public:
  CComPtr() = default;
  ~CComPtr() { Release(); }
  CComPtr(const CComPtr&) = delete;
  CComPtr& operator=(const CComPtr&) = delete;

  T** operator&() {
    Release();
    return &p;
  }
  T* operator->() const { return p; }
  explicit operator bool() const { return p != nullptr; }
  void Release() {
    if (p != nullptr) p->Release();
    p = nullptr;
  }

  T* p = nullptr;
};

}  // namespace fw
