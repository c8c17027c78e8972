#pragma once
// The root COM interface. Objects count their references; QueryInterface hands out another
// interface of the same object with one reference added for the caller.

#include "platform/win32/win32_types.h"

extern const IID IID_IUnknown;

struct IUnknown {
  virtual HRESULT QueryInterface(REFIID riid, void** object) = 0;
  virtual ULONG AddRef() = 0;
  virtual ULONG Release() = 0;

 protected:
  ~IUnknown() = default;  // objects are destroyed through Release, never through delete
};
