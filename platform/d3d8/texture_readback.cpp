#include "platform/d3d8/texture_readback.h"

namespace {

std::uint32_t Widen(std::uint32_t value, int bits) {
  switch (bits) {
    case 1:
      return value ? 255u : 0u;
    case 4:
      return value * 17u;
    case 5:
      return (value << 3) | (value >> 2);
    case 6:
      return (value << 2) | (value >> 4);
    default:
      return value;
  }
}

std::uint32_t Argb(std::uint32_t a, std::uint32_t r, std::uint32_t g, std::uint32_t b) {
  return (a << 24) | (r << 16) | (g << 8) | b;
}

// One pixel of format at p; the bytes are little-endian words as the formats define them.
std::uint32_t ReadPixel(D3DFORMAT format, const BYTE* p) {
  const std::uint32_t word16 = p[0] | (std::uint32_t{p[1]} << 8);
  switch (format) {
    case D3DFMT_A8R8G8B8:
      return Argb(p[3], p[2], p[1], p[0]);
    case D3DFMT_X8R8G8B8:
    case D3DFMT_R8G8B8:
      return Argb(255, p[2], p[1], p[0]);
    case D3DFMT_R5G6B5:
      return Argb(255, Widen(word16 >> 11, 5), Widen((word16 >> 5) & 0x3F, 6),
                  Widen(word16 & 0x1F, 5));
    case D3DFMT_X1R5G5B5:
    case D3DFMT_A1R5G5B5:
      return Argb(format == D3DFMT_A1R5G5B5 ? Widen(word16 >> 15, 1) : 255,
                  Widen((word16 >> 10) & 0x1F, 5), Widen((word16 >> 5) & 0x1F, 5),
                  Widen(word16 & 0x1F, 5));
    case D3DFMT_A4R4G4B4:
      return Argb(Widen(word16 >> 12, 4), Widen((word16 >> 8) & 0xF, 4),
                  Widen((word16 >> 4) & 0xF, 4), Widen(word16 & 0xF, 4));
    default:
      return 0;
  }
}

}  // namespace

HRESULT ReadTextureArgb(IDirect3DTexture8* texture, std::vector<std::uint32_t>* pixels, UINT* width,
                        UINT* height) {
  if (!texture || !pixels || !width || !height) return D3DERR_INVALIDCALL;
  D3DSURFACE_DESC desc;
  if (FAILED(texture->GetLevelDesc(0, &desc))) return D3DERR_INVALIDCALL;
  const UINT pixelBytes = D3DFormatBytesPerPixel(desc.Format);
  if (pixelBytes == 0) return D3DERR_INVALIDCALL;
  D3DLOCKED_RECT locked;
  if (FAILED(texture->LockRect(0, &locked, nullptr, D3DLOCK_READONLY))) return D3DERR_INVALIDCALL;
  pixels->resize(std::size_t{desc.Width} * desc.Height);
  for (UINT y = 0; y < desc.Height; ++y) {
    const BYTE* row = static_cast<const BYTE*>(locked.pBits) + std::ptrdiff_t{locked.Pitch} * y;
    for (UINT x = 0; x < desc.Width; ++x)
      (*pixels)[std::size_t{y} * desc.Width + x] = ReadPixel(desc.Format, row + x * pixelBytes);
  }
  texture->UnlockRect(0);
  *width = desc.Width;
  *height = desc.Height;
  return D3D_OK;
}
