#pragma once
// A Direct3D 8 device without hardware: textures live in system memory, surface copies are
// done on the CPU, and drawing calls are recorded with copies of their data instead of being
// rasterised, so that tests can check what a plug-in drew. Options make it behave like
// weaker devices for the failure paths of texture creation.

#include <atomic>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/d3d8/d3d8.h"

struct SoftwareDeviceOptions {
  // Texture sizes must be powers of two (D3DPTEXTURECAPS_POW2).
  bool powerOfTwoOnly = false;
  // Texture formats the device can hold; D3DX substitutes another when asked for a missing
  // one, e.g. {D3DFMT_A1R5G5B5} or {D3DFMT_X8R8G8B8} for a device lacking D3DFMT_A8R8G8B8.
  std::vector<D3DFORMAT> textureFormats{D3DFMT_A8R8G8B8, D3DFMT_X8R8G8B8, D3DFMT_R8G8B8,
                                        D3DFMT_R5G6B5,   D3DFMT_X1R5G5B5, D3DFMT_A1R5G5B5,
                                        D3DFMT_A4R4G4B4};
  UINT maxTextureSize = 4096;
  // -1: texture creation never fails. n >= 0: the first n creations succeed and every later
  // one fails with textureCreationError.
  int failTextureCreationAfter = -1;
  HRESULT textureCreationError = D3DERR_OUTOFVIDEOMEMORY;
};

enum class DeviceCallKind {
  SetTransform,
  SetVertexShader,
  DrawIndexedPrimitiveUP,
  SetTexture,
  CopyRects
};

// One recorded call with what it was given; the fields of other kinds keep their defaults.
// Failed calls are recorded too, with their result.
struct DeviceCall {
  explicit DeviceCall(DeviceCallKind callKind) : kind(callKind) {}

  DeviceCallKind kind;
  HRESULT result = D3D_OK;

  D3DTRANSFORMSTATETYPE transformState{};
  D3DXMATRIX matrix;

  DWORD vertexShader = 0;

  D3DPRIMITIVETYPE primitiveType{};
  UINT minVertexIndex = 0, numVertices = 0, primitiveCount = 0;
  D3DFORMAT indexFormat{};
  std::vector<BYTE> indices;   // the index bytes the call read
  std::vector<BYTE> vertices;  // vertex bytes from vertex 0 up to the last one it may use
  UINT vertexStride = 0;

  DWORD stage = 0;
  const IDirect3DBaseTexture8* texture = nullptr;  // identity only, no reference held

  const IDirect3DSurface8* source = nullptr;  // identity only
  const IDirect3DSurface8* destination = nullptr;
  UINT rectCount = 0;

  // The recorded indices as numbers, whatever their format.
  std::vector<std::uint32_t> IndexValues() const;
};

class SoftwareDevice final : public IDirect3DDevice8 {
 public:
  explicit SoftwareDevice(SoftwareDeviceOptions options);

  HRESULT QueryInterface(REFIID riid, void** object) override;
  ULONG AddRef() override;
  ULONG Release() override;

  HRESULT GetDeviceCaps(D3DCAPS8* caps) override;
  HRESULT CreateTexture(UINT width, UINT height, UINT levels, DWORD usage, D3DFORMAT format,
                        D3DPOOL pool, IDirect3DTexture8** texture) override;
  HRESULT CopyRects(IDirect3DSurface8* source, const RECT* rects, UINT count,
                    IDirect3DSurface8* destination, const POINT* points) override;
  HRESULT SetTransform(D3DTRANSFORMSTATETYPE state, const D3DXMATRIX* matrix) override;
  HRESULT SetTexture(DWORD stage, IDirect3DBaseTexture8* texture) override;
  HRESULT GetTexture(DWORD stage, IDirect3DBaseTexture8** texture) override;
  HRESULT SetVertexShader(DWORD handle) override;
  HRESULT DrawIndexedPrimitiveUP(D3DPRIMITIVETYPE type, UINT minVertexIndex, UINT numVertices,
                                 UINT primitiveCount, const void* indexData, D3DFORMAT indexFormat,
                                 const void* vertexData, UINT vertexStride) override;

  // A copy of the calls recorded so far, oldest first.
  std::vector<DeviceCall> Calls() const;
  void ClearCalls();
  // Textures created by this device that still exist (they may outlive the device).
  int LiveTextureCount() const;
  const SoftwareDeviceOptions& Options() const { return options_; }

 private:
  ~SoftwareDevice();
  void Record(DeviceCall call);

  const SoftwareDeviceOptions options_;
  std::atomic<ULONG> references_{1};
  std::shared_ptr<std::atomic<int>> liveTextures_;
  mutable std::mutex mutex_;  // guards everything below
  int texturesCreated_ = 0;
  IDirect3DBaseTexture8* stages_[kD3DMaxTextureStages] = {};
  std::vector<DeviceCall> calls_;
};

// A new device holding one reference, for the host's DirectGraphics to hand out.
SoftwareDevice* CreateSoftwareDevice(const SoftwareDeviceOptions& options = {});
