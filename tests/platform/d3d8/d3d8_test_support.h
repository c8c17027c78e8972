#pragma once
// Small helpers shared by the software device tests.

#include <memory>

#include "platform/d3d8/software_device.h"

struct ComRelease {
  void operator()(IUnknown* object) const {
    if (object) object->Release();
  }
};
template <class T>
using ComPtr = std::unique_ptr<T, ComRelease>;

// The reference count of object, read by adding and dropping one.
inline ULONG RefCount(IUnknown* object) {
  object->AddRef();
  return object->Release();
}
