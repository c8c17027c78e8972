#pragma once
// The Direct3D 8 enumerations, records and result codes that the plug-ins, the software
// device and D3DX use. Values are those of the Windows headers' ABI, since they are stored
// in saved data and compared as numbers.

#include "platform/win32/win32_types.h"

enum D3DFORMAT : std::uint32_t {
  D3DFMT_UNKNOWN = 0,
  D3DFMT_R8G8B8 = 20,
  D3DFMT_A8R8G8B8 = 21,
  D3DFMT_X8R8G8B8 = 22,
  D3DFMT_R5G6B5 = 23,
  D3DFMT_X1R5G5B5 = 24,
  D3DFMT_A1R5G5B5 = 25,
  D3DFMT_A4R4G4B4 = 26,
  D3DFMT_INDEX16 = 101,
  D3DFMT_INDEX32 = 102,
};

enum D3DPOOL : std::uint32_t {
  D3DPOOL_DEFAULT = 0,
  D3DPOOL_MANAGED = 1,
  D3DPOOL_SYSTEMMEM = 2,
  D3DPOOL_SCRATCH = 3,
};

enum D3DRESOURCETYPE : std::uint32_t {
  D3DRTYPE_SURFACE = 1,
  D3DRTYPE_TEXTURE = 3,
};

enum D3DMULTISAMPLE_TYPE : std::uint32_t {
  D3DMULTISAMPLE_NONE = 0,
};

enum D3DPRIMITIVETYPE : std::uint32_t {
  D3DPT_POINTLIST = 1,
  D3DPT_LINELIST = 2,
  D3DPT_LINESTRIP = 3,
  D3DPT_TRIANGLELIST = 4,
  D3DPT_TRIANGLESTRIP = 5,
  D3DPT_TRIANGLEFAN = 6,
};

enum D3DTRANSFORMSTATETYPE : std::uint32_t {
  D3DTS_VIEW = 2,
  D3DTS_PROJECTION = 3,
  D3DTS_TEXTURE0 = 16,
  D3DTS_TEXTURE7 = 23,
  D3DTS_WORLD = 256,  // world matrices 0 to 255 follow: D3DTS_WORLDMATRIX(n)
};
constexpr D3DTRANSFORMSTATETYPE D3DTS_WORLDMATRIX(UINT index) {
  return static_cast<D3DTRANSFORMSTATETYPE>(D3DTS_WORLD + index);
}

enum D3DDEVTYPE : std::uint32_t {
  D3DDEVTYPE_HAL = 1,
  D3DDEVTYPE_REF = 2,
  D3DDEVTYPE_SW = 3,
};

// Flexible vertex format bits.
constexpr DWORD D3DFVF_XYZ = 0x002;
constexpr DWORD D3DFVF_NORMAL = 0x010;
constexpr DWORD D3DFVF_DIFFUSE = 0x040;
constexpr DWORD D3DFVF_TEX1 = 0x100;

constexpr DWORD D3DUSAGE_RENDERTARGET = 0x1;
constexpr DWORD D3DUSAGE_DYNAMIC = 0x200;

constexpr DWORD D3DLOCK_READONLY = 0x10;
constexpr DWORD D3DLOCK_NOSYSLOCK = 0x800;
constexpr DWORD D3DLOCK_DISCARD = 0x2000;

// Texture capabilities: sizes must be powers of two.
constexpr DWORD D3DPTEXTURECAPS_POW2 = 0x2;

constexpr HRESULT D3D_OK = S_OK;
constexpr HRESULT D3DERR_OUTOFVIDEOMEMORY = MakeHResult(0x8876017Cu);
constexpr HRESULT D3DERR_NOTAVAILABLE = MakeHResult(0x8876086Au);
constexpr HRESULT D3DERR_INVALIDCALL = MakeHResult(0x8876086Cu);

struct D3DLOCKED_RECT {
  INT Pitch;  // bytes from one row to the next; may exceed width x bytes per pixel
  void* pBits;
};

struct D3DSURFACE_DESC {
  D3DFORMAT Format;
  D3DRESOURCETYPE Type;
  DWORD Usage;
  D3DPOOL Pool;
  UINT Size;  // bytes of the surface's memory, padding included
  D3DMULTISAMPLE_TYPE MultiSampleType;
  UINT Width;
  UINT Height;
};

// The part of the device capabilities that texture creation needs.
struct D3DCAPS8 {
  D3DDEVTYPE DeviceType;
  UINT AdapterOrdinal;
  DWORD TextureCaps;
  DWORD MaxTextureWidth;
  DWORD MaxTextureHeight;
};

// Bytes per pixel of a texture format; 0 for formats a texture cannot have.
constexpr UINT D3DFormatBytesPerPixel(D3DFORMAT format) {
  switch (format) {
    case D3DFMT_A8R8G8B8:
    case D3DFMT_X8R8G8B8:
      return 4;
    case D3DFMT_R8G8B8:
      return 3;
    case D3DFMT_R5G6B5:
    case D3DFMT_X1R5G5B5:
    case D3DFMT_A1R5G5B5:
    case D3DFMT_A4R4G4B4:
      return 2;
    default:
      return 0;
  }
}
