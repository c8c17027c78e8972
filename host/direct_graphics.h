#pragma once
// The engine's Direct Graphics object, shared by every channel that draws: it gives the
// Direct3D 8 device, or null when the application has none.

#include "host/dll_interface.h"
#include "platform/win32/win32_types.h"

struct IDirect3DDevice8;

// The interface GUID under which the engine hands out this object (GetInterfaceByGuid).
extern const GUID kDirectGraphicsGuid;

class DirectGraphics : public DllInterface {
 public:
  DirectGraphics() = default;

  virtual IDirect3DDevice8* GetDevice();

  // The application's device. Not owned: the application keeps it alive while it is set and
  // sets null before releasing it.
  void SetDevice(IDirect3DDevice8* device) { device_ = device; }

 private:
  IDirect3DDevice8* device_ = nullptr;
};
