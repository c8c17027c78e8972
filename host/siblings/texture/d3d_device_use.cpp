#include "host/siblings/texture/d3d_device_use.h"

#include "host/hx_engine.h"

CORVANE_PLUGIN_ENTRY(Kv_DX8_D3DDeviceUse, "DX8 D3DDeviceUse", "4A0F6D28-B913-4E57-A6C1-93D7E8205B6A",
                     "4A0F6D28-B913-4E57-A6C1-93D7E8205B6A", 0)

Kv_DX8_D3DDeviceUse::Kv_DX8_D3DDeviceUse() : directGraphics(nullptr) {
  SetChannelName("DX8 D3DDeviceUse");
  InvalidateDirectGraphics();
}

Kv_DX8_D3DDeviceUse::~Kv_DX8_D3DDeviceUse() = default;

void Kv_DX8_D3DDeviceUse::InvalidateDeviceObjects() {}

void Kv_DX8_D3DDeviceUse::InvalidateDirectGraphics() {
  directGraphics =
      engine ? static_cast<DirectGraphics*>(engine->GetInterfaceByGuid(kDirectGraphicsGuid, 0)) : nullptr;
}

IDirect3DDevice8* Kv_DX8_D3DDeviceUse::GetDevice() const {
  return directGraphics ? directGraphics->GetDevice() : nullptr;
}
