#pragma once
// The Direct3D 8 interfaces the plug-ins, D3DX and the demo use, reduced to those calls.
// Objects are COM objects: every interface pointer handed out carries one reference for the
// receiver. Calls with bad arguments fail with D3DERR_INVALIDCALL and change nothing.

#include "platform/com/unknown.h"
#include "platform/d3d8/d3d8_types.h"
#include "platform/d3dx/d3dx8_math.h"

extern const IID IID_IDirect3DDevice8;
extern const IID IID_IDirect3DResource8;
extern const IID IID_IDirect3DBaseTexture8;
extern const IID IID_IDirect3DTexture8;
extern const IID IID_IDirect3DSurface8;

// One mip level of a texture. Its references are the texture's: holding a surface keeps the
// whole texture alive.
struct IDirect3DSurface8 : IUnknown {
  virtual HRESULT GetDesc(D3DSURFACE_DESC* desc) = 0;
  // rect null: the whole surface; otherwise it must lie inside the surface and be non-empty,
  // and pBits points at its top-left pixel. A surface is locked once at a time.
  virtual HRESULT LockRect(D3DLOCKED_RECT* locked, const RECT* rect, DWORD flags) = 0;
  virtual HRESULT UnlockRect() = 0;

 protected:
  ~IDirect3DSurface8() = default;
};

struct IDirect3DResource8 : IUnknown {
  virtual D3DRESOURCETYPE GetType() = 0;

 protected:
  ~IDirect3DResource8() = default;
};

struct IDirect3DBaseTexture8 : IDirect3DResource8 {
  virtual DWORD GetLevelCount() = 0;

 protected:
  ~IDirect3DBaseTexture8() = default;
};

// A 2D texture in system memory; level 0 is the largest, each next one half as wide and high
// (at least 1).
struct IDirect3DTexture8 : IDirect3DBaseTexture8 {
  virtual HRESULT GetLevelDesc(UINT level, D3DSURFACE_DESC* desc) = 0;
  virtual HRESULT GetSurfaceLevel(UINT level, IDirect3DSurface8** surface) = 0;
  virtual HRESULT LockRect(UINT level, D3DLOCKED_RECT* locked, const RECT* rect, DWORD flags) = 0;
  virtual HRESULT UnlockRect(UINT level) = 0;

 protected:
  ~IDirect3DTexture8() = default;
};

constexpr DWORD kD3DMaxTextureStages = 8;

struct IDirect3DDevice8 : IUnknown {
  virtual HRESULT GetDeviceCaps(D3DCAPS8* caps) = 0;
  // levels 0: the full chain down to 1 x 1. D3DERR_NOTAVAILABLE when the device cannot hold
  // textures of that format, D3DERR_INVALIDCALL for sizes it does not support (zero, above
  // the maximum, not powers of two on a device that needs them) or too many levels.
  virtual HRESULT CreateTexture(UINT width, UINT height, UINT levels, DWORD usage, D3DFORMAT format,
                                D3DPOOL pool, IDirect3DTexture8** texture) = 0;
  // Copies rectangles of source to destination. rects null or count 0: the whole surface,
  // which then needs the same size in both. points null: each rectangle lands at its own
  // position. Formats must match; every rectangle must fit both surfaces; neither may be
  // locked, and they must differ.
  virtual HRESULT CopyRects(IDirect3DSurface8* source, const RECT* rects, UINT count,
                            IDirect3DSurface8* destination, const POINT* points) = 0;
  virtual HRESULT SetTransform(D3DTRANSFORMSTATETYPE state, const D3DXMATRIX* matrix) = 0;
  // Binds texture (null unbinds) to a stage below kD3DMaxTextureStages. The device holds a
  // reference on the bound texture and drops the one on the texture it replaces.
  virtual HRESULT SetTexture(DWORD stage, IDirect3DBaseTexture8* texture) = 0;
  virtual HRESULT GetTexture(DWORD stage, IDirect3DBaseTexture8** texture) = 0;
  // A flexible vertex format code (D3DFVF_*) serves as the vertex shader handle.
  virtual HRESULT SetVertexShader(DWORD handle) = 0;
  // Draws from caller memory: vertexData points at vertex 0; every index must lie in
  // [minVertexIndex, minVertexIndex + numVertices).
  virtual HRESULT DrawIndexedPrimitiveUP(D3DPRIMITIVETYPE type, UINT minVertexIndex,
                                         UINT numVertices, UINT primitiveCount,
                                         const void* indexData, D3DFORMAT indexFormat,
                                         const void* vertexData, UINT vertexStride) = 0;

 protected:
  ~IDirect3DDevice8() = default;
};
