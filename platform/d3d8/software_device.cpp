#include "platform/d3d8/software_device.h"

#include <algorithm>
#include <cstring>

#include "platform/d3d8/software_texture.h"
#include "platform/win32/guid_text.h"

const IID IID_IDirect3DDevice8 = MakeGuid("3C1A7F52-90B4-4D2E-8A61-5E0D7B9C2F12");

namespace {

// Limits of what one drawing call may reference, as a device's caps would state them; they
// keep a garbage count from making the device read far past the caller's arrays.
constexpr UINT kMaxPrimitiveCount = 0xFFFFF;
constexpr UINT kMaxVertexIndex = 0xFFFFF;

bool IsPowerOfTwo(UINT value) { return value != 0 && (value & (value - 1)) == 0; }

UINT FullChainLength(UINT width, UINT height) {
  UINT levels = 1;
  for (UINT size = std::max(width, height); size > 1; size /= 2) ++levels;
  return levels;
}

// Number of indices a primitive list of this type and count reads; 0 for an unknown type.
std::size_t IndexCount(D3DPRIMITIVETYPE type, UINT primitives) {
  const std::size_t n = primitives;
  switch (type) {
    case D3DPT_POINTLIST:
      return n;
    case D3DPT_LINELIST:
      return 2 * n;
    case D3DPT_LINESTRIP:
      return n + 1;
    case D3DPT_TRIANGLELIST:
      return 3 * n;
    case D3DPT_TRIANGLESTRIP:
    case D3DPT_TRIANGLEFAN:
      return n + 2;
    default:
      return 0;
  }
}

bool IsValidTransformState(D3DTRANSFORMSTATETYPE state) {
  return state == D3DTS_VIEW || state == D3DTS_PROJECTION ||
         (state >= D3DTS_TEXTURE0 && state <= D3DTS_TEXTURE7) ||
         (state >= D3DTS_WORLD && state <= D3DTS_WORLDMATRIX(255));
}

// Whether the w x h rectangle at (x, y) lies inside a surface of the given size.
bool Inside(std::int64_t x, std::int64_t y, std::int64_t w, std::int64_t h,
            const D3DSURFACE_DESC& desc) {
  return x >= 0 && y >= 0 && w > 0 && h > 0 && x + w <= desc.Width && y + h <= desc.Height;
}

}  // namespace

std::vector<std::uint32_t> DeviceCall::IndexValues() const {
  std::vector<std::uint32_t> values;
  if (indexFormat == D3DFMT_INDEX16) {
    for (std::size_t i = 0; i + 2 <= indices.size(); i += 2) {
      std::uint16_t v;
      std::memcpy(&v, &indices[i], 2);
      values.push_back(v);
    }
  } else if (indexFormat == D3DFMT_INDEX32) {
    for (std::size_t i = 0; i + 4 <= indices.size(); i += 4) {
      std::uint32_t v;
      std::memcpy(&v, &indices[i], 4);
      values.push_back(v);
    }
  }
  return values;
}

SoftwareDevice::SoftwareDevice(SoftwareDeviceOptions options)
    : options_(std::move(options)), liveTextures_(std::make_shared<std::atomic<int>>(0)) {}

SoftwareDevice::~SoftwareDevice() {
  for (IDirect3DBaseTexture8* bound : stages_)
    if (bound) bound->Release();
}

SoftwareDevice* CreateSoftwareDevice(const SoftwareDeviceOptions& options) {
  return new SoftwareDevice(options);
}

HRESULT SoftwareDevice::QueryInterface(REFIID riid, void** object) {
  if (!object) return E_POINTER;
  if (riid == IID_IUnknown || riid == IID_IDirect3DDevice8) {
    *object = static_cast<IDirect3DDevice8*>(this);
    AddRef();
    return S_OK;
  }
  *object = nullptr;
  return E_NOINTERFACE;
}

ULONG SoftwareDevice::AddRef() { return references_.fetch_add(1, std::memory_order_relaxed) + 1; }

ULONG SoftwareDevice::Release() {
  const ULONG left = references_.fetch_sub(1, std::memory_order_acq_rel) - 1;
  if (left == 0) delete this;
  return left;
}

HRESULT SoftwareDevice::GetDeviceCaps(D3DCAPS8* caps) {
  if (!caps) return D3DERR_INVALIDCALL;
  *caps = {D3DDEVTYPE_SW, 0, options_.powerOfTwoOnly ? D3DPTEXTURECAPS_POW2 : 0,
           options_.maxTextureSize, options_.maxTextureSize};
  return D3D_OK;
}

HRESULT SoftwareDevice::CreateTexture(UINT width, UINT height, UINT levels, DWORD usage,
                                      D3DFORMAT format, D3DPOOL pool, IDirect3DTexture8** texture) {
  if (!texture) return D3DERR_INVALIDCALL;
  *texture = nullptr;
  if (width == 0 || height == 0 || width > options_.maxTextureSize ||
      height > options_.maxTextureSize)
    return D3DERR_INVALIDCALL;
  if (options_.powerOfTwoOnly && (!IsPowerOfTwo(width) || !IsPowerOfTwo(height)))
    return D3DERR_INVALIDCALL;
  const UINT fullChain = FullChainLength(width, height);
  if (levels == 0) levels = fullChain;
  if (levels > fullChain) return D3DERR_INVALIDCALL;
  if (pool > D3DPOOL_SCRATCH) return D3DERR_INVALIDCALL;
  if (D3DFormatBytesPerPixel(format) == 0 ||
      std::find(options_.textureFormats.begin(), options_.textureFormats.end(), format) ==
          options_.textureFormats.end())
    return D3DERR_NOTAVAILABLE;
  {
    std::lock_guard lock(mutex_);
    if (options_.failTextureCreationAfter >= 0 &&
        texturesCreated_ >= options_.failTextureCreationAfter)
      return options_.textureCreationError;
    ++texturesCreated_;
  }
  *texture = CreateSoftwareTexture(width, height, levels, usage, format, pool, liveTextures_);
  return D3D_OK;
}

HRESULT SoftwareDevice::CopyRects(IDirect3DSurface8* source, const RECT* rects, UINT count,
                                  IDirect3DSurface8* destination, const POINT* points) {
  DeviceCall call{DeviceCallKind::CopyRects};
  call.source = source;
  call.destination = destination;
  call.rectCount = count;
  call.result = [&]() -> HRESULT {
    if (!source || !destination || source == destination) return D3DERR_INVALIDCALL;
    D3DSURFACE_DESC from, to;
    if (FAILED(source->GetDesc(&from)) || FAILED(destination->GetDesc(&to)))
      return D3DERR_INVALIDCALL;
    if (from.Format != to.Format) return D3DERR_INVALIDCALL;
    const UINT pixelBytes = D3DFormatBytesPerPixel(from.Format);
    if (pixelBytes == 0) return D3DERR_INVALIDCALL;

    // Everything is checked before the first byte moves, so a failed call changes nothing.
    const RECT whole{0, 0, static_cast<LONG>(from.Width), static_cast<LONG>(from.Height)};
    const bool everything = !rects || count == 0;
    if (everything && (from.Width != to.Width || from.Height != to.Height))
      return D3DERR_INVALIDCALL;
    const UINT n = everything ? 1 : count;
    for (UINT i = 0; i < n; ++i) {
      const RECT& r = everything ? whole : rects[i];
      const std::int64_t w = std::int64_t{r.right} - r.left, h = std::int64_t{r.bottom} - r.top;
      const POINT at = (points && !everything) ? points[i] : POINT{r.left, r.top};
      if (!Inside(r.left, r.top, w, h, from) || !Inside(at.x, at.y, w, h, to))
        return D3DERR_INVALIDCALL;
    }

    D3DLOCKED_RECT in, out;
    if (FAILED(source->LockRect(&in, nullptr, D3DLOCK_READONLY))) return D3DERR_INVALIDCALL;
    if (FAILED(destination->LockRect(&out, nullptr, 0))) {
      source->UnlockRect();
      return D3DERR_INVALIDCALL;
    }
    for (UINT i = 0; i < n; ++i) {
      const RECT& r = everything ? whole : rects[i];
      const POINT at = (points && !everything) ? points[i] : POINT{r.left, r.top};
      const std::size_t rowBytes =
          std::size_t{pixelBytes} * static_cast<std::size_t>(r.right - r.left);
      for (LONG row = 0; row < r.bottom - r.top; ++row) {
        const BYTE* src = static_cast<const BYTE*>(in.pBits) +
                          static_cast<std::ptrdiff_t>(r.top + row) * in.Pitch +
                          static_cast<std::ptrdiff_t>(r.left) * pixelBytes;
        BYTE* dst = static_cast<BYTE*>(out.pBits) +
                    static_cast<std::ptrdiff_t>(at.y + row) * out.Pitch +
                    static_cast<std::ptrdiff_t>(at.x) * pixelBytes;
        std::memmove(dst, src, rowBytes);
      }
    }
    destination->UnlockRect();
    source->UnlockRect();
    return D3D_OK;
  }();
  const HRESULT result = call.result;
  Record(std::move(call));
  return result;
}

HRESULT SoftwareDevice::SetTransform(D3DTRANSFORMSTATETYPE state, const D3DXMATRIX* matrix) {
  DeviceCall call{DeviceCallKind::SetTransform};
  call.transformState = state;
  if (matrix) call.matrix = *matrix;
  call.result = matrix && IsValidTransformState(state) ? D3D_OK : D3DERR_INVALIDCALL;
  const HRESULT result = call.result;
  Record(std::move(call));
  return result;
}

HRESULT SoftwareDevice::SetTexture(DWORD stage, IDirect3DBaseTexture8* texture) {
  DeviceCall call{DeviceCallKind::SetTexture};
  call.stage = stage;
  call.texture = texture;
  IDirect3DBaseTexture8* replaced = nullptr;
  {
    std::lock_guard lock(mutex_);
    if (stage >= kD3DMaxTextureStages) {
      call.result = D3DERR_INVALIDCALL;
    } else {
      if (texture) texture->AddRef();
      replaced = stages_[stage];
      stages_[stage] = texture;
    }
    calls_.push_back(std::move(call));
    if (stage >= kD3DMaxTextureStages) return D3DERR_INVALIDCALL;
  }
  // Outside the lock: the last reference may go, and destruction is the texture's business.
  if (replaced) replaced->Release();
  return D3D_OK;
}

HRESULT SoftwareDevice::GetTexture(DWORD stage, IDirect3DBaseTexture8** texture) {
  if (!texture) return D3DERR_INVALIDCALL;
  *texture = nullptr;
  if (stage >= kD3DMaxTextureStages) return D3DERR_INVALIDCALL;
  std::lock_guard lock(mutex_);
  *texture = stages_[stage];
  if (*texture) (*texture)->AddRef();
  return D3D_OK;
}

HRESULT SoftwareDevice::SetVertexShader(DWORD handle) {
  DeviceCall call{DeviceCallKind::SetVertexShader};
  call.vertexShader = handle;
  Record(std::move(call));
  return D3D_OK;
}

HRESULT SoftwareDevice::DrawIndexedPrimitiveUP(D3DPRIMITIVETYPE type, UINT minVertexIndex,
                                               UINT numVertices, UINT primitiveCount,
                                               const void* indexData, D3DFORMAT indexFormat,
                                               const void* vertexData, UINT vertexStride) {
  DeviceCall call{DeviceCallKind::DrawIndexedPrimitiveUP};
  call.primitiveType = type;
  call.minVertexIndex = minVertexIndex;
  call.numVertices = numVertices;
  call.primitiveCount = primitiveCount;
  call.indexFormat = indexFormat;
  call.vertexStride = vertexStride;
  call.result = [&]() -> HRESULT {
    const std::size_t indexCount = IndexCount(type, primitiveCount);
    const std::size_t indexBytes = indexFormat == D3DFMT_INDEX16   ? 2
                                   : indexFormat == D3DFMT_INDEX32 ? 4
                                                                   : 0;
    if (!indexData || !vertexData || indexCount == 0 || indexBytes == 0 || numVertices == 0 ||
        vertexStride == 0 || primitiveCount > kMaxPrimitiveCount ||
        std::uint64_t{minVertexIndex} + numVertices > kMaxVertexIndex + 1ull)
      return D3DERR_INVALIDCALL;
    const auto* indices = static_cast<const BYTE*>(indexData);
    call.indices.assign(indices, indices + indexCount * indexBytes);
    for (std::uint32_t index : call.IndexValues()) {
      if (index < minVertexIndex || index - minVertexIndex >= numVertices) {
        call.indices.clear();
        return D3DERR_INVALIDCALL;
      }
    }
    const auto* vertices = static_cast<const BYTE*>(vertexData);
    call.vertices.assign(vertices,
                         vertices + (std::size_t{minVertexIndex} + numVertices) * vertexStride);
    return D3D_OK;
  }();
  const HRESULT result = call.result;
  Record(std::move(call));
  return result;
}

std::vector<DeviceCall> SoftwareDevice::Calls() const {
  std::lock_guard lock(mutex_);
  return calls_;
}

void SoftwareDevice::ClearCalls() {
  std::lock_guard lock(mutex_);
  calls_.clear();
}

int SoftwareDevice::LiveTextureCount() const { return liveTextures_->load(); }

void SoftwareDevice::Record(DeviceCall call) {
  std::lock_guard lock(mutex_);
  calls_.push_back(std::move(call));
}
