#include "platform/d3dx/d3dx8_texture.h"

#include <algorithm>
#include <vector>

namespace {

constexpr D3DFORMAT kPreference[] = {D3DFMT_A8R8G8B8, D3DFMT_A1R5G5B5, D3DFMT_A4R4G4B4,
                                     D3DFMT_X8R8G8B8, D3DFMT_R8G8B8,   D3DFMT_R5G6B5,
                                     D3DFMT_X1R5G5B5};

bool HasAlpha(D3DFORMAT format) {
  return format == D3DFMT_A8R8G8B8 || format == D3DFMT_A1R5G5B5 || format == D3DFMT_A4R4G4B4;
}

// The requested format, then the substitutes in order of preference.
std::vector<D3DFORMAT> Candidates(D3DFORMAT requested) {
  std::vector<D3DFORMAT> order{requested};
  for (bool alpha : {HasAlpha(requested), !HasAlpha(requested)})
    for (D3DFORMAT f : kPreference)
      if (HasAlpha(f) == alpha && f != requested) order.push_back(f);
  return order;
}

UINT NextPowerOfTwo(UINT value) {
  UINT p = 1;
  while (p < value && p <= 0x80000000u / 2) p *= 2;
  return p < value ? 0 : p;
}

UINT FullChainLength(UINT width, UINT height) {
  UINT levels = 1;
  for (UINT size = std::max(width, height); size > 1; size /= 2) ++levels;
  return levels;
}

}  // namespace

HRESULT D3DXCreateTexture(IDirect3DDevice8* device, UINT width, UINT height, UINT mipLevels,
                          DWORD usage, D3DFORMAT format, D3DPOOL pool,
                          IDirect3DTexture8** texture) {
  if (!texture) return D3DERR_INVALIDCALL;
  *texture = nullptr;
  if (!device || width == 0 || height == 0 || width == D3DX_DEFAULT || height == D3DX_DEFAULT)
    return D3DERR_INVALIDCALL;
  D3DCAPS8 caps;
  HRESULT hr = device->GetDeviceCaps(&caps);
  if (FAILED(hr)) return hr;
  if (caps.TextureCaps & D3DPTEXTURECAPS_POW2) {
    width = NextPowerOfTwo(width);
    height = NextPowerOfTwo(height);
  }
  // Clamping to the maximum would hand out a texture smaller than asked, and callers write
  // the size they asked for.
  if (width == 0 || height == 0 || width > caps.MaxTextureWidth || height > caps.MaxTextureHeight)
    return D3DERR_INVALIDCALL;
  const UINT fullChain = FullChainLength(width, height);
  if (mipLevels == 0 || mipLevels == D3DX_DEFAULT || mipLevels > fullChain) mipLevels = fullChain;

  for (D3DFORMAT candidate : Candidates(format)) {
    hr = device->CreateTexture(width, height, mipLevels, usage, candidate, pool, texture);
    if (hr != D3DERR_NOTAVAILABLE) return hr;
  }
  return D3DERR_NOTAVAILABLE;
}
