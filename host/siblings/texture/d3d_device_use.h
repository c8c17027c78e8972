#pragma once
// "DX8 D3DDeviceUse": the base of channels that use the Direct3D device. It keeps the engine's
// Direct Graphics object, through which the current device is had (null without one).

#include "host/direct_graphics.h"
#include "host/hx_channel.h"
#include "host/plugin_entry.h"

struct IDirect3DDevice8;

class CORVANE_EXPORT Kv_DX8_D3DDeviceUse : public Hx_Channel {
 public:
  Kv_DX8_D3DDeviceUse();
  ~Kv_DX8_D3DDeviceUse() override;
  Kv_DX8_D3DDeviceUse(const Kv_DX8_D3DDeviceUse&) = default;
  Kv_DX8_D3DDeviceUse& operator=(const Kv_DX8_D3DDeviceUse&) = default;

  // Drops what the channel made on the device (the device is being reset or replaced).
  virtual void InvalidateDeviceObjects();  // 12
  // Asks the engine for its Direct Graphics object again.
  virtual void InvalidateDirectGraphics();  // 13

  // The current device, or null without Direct Graphics or without a device.
  IDirect3DDevice8* GetDevice() const;

 protected:
  DirectGraphics* directGraphics;  // the engine's, not owned; null without one
};
