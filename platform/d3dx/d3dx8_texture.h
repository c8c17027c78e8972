#pragma once
// D3DX texture creation: fits the request to what the device supports before creating.

#include "platform/d3d8/d3d8.h"

constexpr UINT D3DX_DEFAULT = 0xFFFFFFFFu;

// Creates a texture on device, adjusting the request as the device needs:
// - sizes are rounded up to powers of two on devices that need them, so the texture may be
//   larger than asked (read the level description for the real size);
// - levels 0 or D3DX_DEFAULT give the full chain; more levels than the chain has are cut;
// - a format the device lacks is replaced by the closest one it has: for a format with
//   alpha the others with alpha come first, A8R8G8B8, A1R5G5B5, A4R4G4B4, then
//   X8R8G8B8, R8G8B8, R5G6B5, X1R5G5B5; for one without alpha the opaque ones first in that
//   order (read the level description for the real format).
// *texture is null after a failure: D3DERR_INVALIDCALL for a null device or texture pointer,
// a zero size or one above the device's maximum (never a texture smaller than asked),
// D3DERR_NOTAVAILABLE when the device has no usable format, or the device's own error.
HRESULT D3DXCreateTexture(IDirect3DDevice8* device, UINT width, UINT height, UINT mipLevels,
                          DWORD usage, D3DFORMAT format, D3DPOOL pool, IDirect3DTexture8** texture);
