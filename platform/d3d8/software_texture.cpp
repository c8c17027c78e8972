#include "platform/d3d8/software_texture.h"

#include <vector>

#include "platform/win32/guid_text.h"

const IID IID_IDirect3DResource8 = MakeGuid("3C1A7F52-90B4-4D2E-8A61-5E0D7B9C2F13");
const IID IID_IDirect3DBaseTexture8 = MakeGuid("3C1A7F52-90B4-4D2E-8A61-5E0D7B9C2F14");
const IID IID_IDirect3DTexture8 = MakeGuid("3C1A7F52-90B4-4D2E-8A61-5E0D7B9C2F15");
const IID IID_IDirect3DSurface8 = MakeGuid("3C1A7F52-90B4-4D2E-8A61-5E0D7B9C2F16");

UINT SoftwareSurfacePitch(UINT width, D3DFORMAT format) {
  const UINT rowBytes = width * D3DFormatBytesPerPixel(format);
  return (rowBytes + 15u) / 16u * 16u + kSoftwareRowPadding;
}

namespace {

class SoftwareTexture;

class SoftwareSurface final : public IDirect3DSurface8 {
 public:
  SoftwareSurface(IDirect3DTexture8& owner, UINT width, UINT height, DWORD usage, D3DFORMAT format,
                  D3DPOOL pool)
      : owner_(owner),
        pitch_(SoftwareSurfacePitch(width, format)),
        memory_(std::size_t{pitch_} * height, 0) {
    desc_ = {format,
             D3DRTYPE_SURFACE,
             usage,
             pool,
             static_cast<UINT>(memory_.size()),
             D3DMULTISAMPLE_NONE,
             width,
             height};
  }
  ~SoftwareSurface() = default;

  HRESULT QueryInterface(REFIID riid, void** object) override {
    if (!object) return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IDirect3DSurface8) {
      *object = static_cast<IDirect3DSurface8*>(this);
      AddRef();
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  ULONG AddRef() override { return owner_.AddRef(); }
  ULONG Release() override { return owner_.Release(); }

  HRESULT GetDesc(D3DSURFACE_DESC* desc) override {
    if (!desc) return D3DERR_INVALIDCALL;
    *desc = desc_;
    return D3D_OK;
  }

  HRESULT LockRect(D3DLOCKED_RECT* locked, const RECT* rect, DWORD) override {
    if (!locked) return D3DERR_INVALIDCALL;
    RECT area{0, 0, static_cast<LONG>(desc_.Width), static_cast<LONG>(desc_.Height)};
    if (rect) {
      if (rect->left < 0 || rect->top < 0 || rect->left >= rect->right ||
          rect->top >= rect->bottom || rect->right > area.right || rect->bottom > area.bottom)
        return D3DERR_INVALIDCALL;
      area = *rect;
    }
    bool expected = false;
    if (!locked_.compare_exchange_strong(expected, true, std::memory_order_acquire))
      return D3DERR_INVALIDCALL;
    locked->Pitch = static_cast<INT>(pitch_);
    locked->pBits =
        memory_.data() + std::size_t{pitch_} * static_cast<std::size_t>(area.top) +
        std::size_t{D3DFormatBytesPerPixel(desc_.Format)} * static_cast<std::size_t>(area.left);
    return D3D_OK;
  }

  HRESULT UnlockRect() override {
    bool expected = true;
    if (!locked_.compare_exchange_strong(expected, false, std::memory_order_release))
      return D3DERR_INVALIDCALL;
    return D3D_OK;
  }

 private:
  IDirect3DTexture8& owner_;
  D3DSURFACE_DESC desc_;
  UINT pitch_;
  std::vector<BYTE> memory_;
  std::atomic<bool> locked_{false};
};

class SoftwareTexture final : public IDirect3DTexture8 {
 public:
  SoftwareTexture(UINT width, UINT height, UINT levels, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                  std::shared_ptr<std::atomic<int>> liveTextures)
      : liveTextures_(std::move(liveTextures)) {
    for (UINT level = 0; level < levels; ++level) {
      levels_.push_back(
          std::make_unique<SoftwareSurface>(*this, width, height, usage, format, pool));
      width = width > 1 ? width / 2 : 1;
      height = height > 1 ? height / 2 : 1;
    }
    if (liveTextures_) ++*liveTextures_;
  }

  HRESULT QueryInterface(REFIID riid, void** object) override {
    if (!object) return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IDirect3DResource8 ||
        riid == IID_IDirect3DBaseTexture8 || riid == IID_IDirect3DTexture8) {
      *object = static_cast<IDirect3DTexture8*>(this);
      AddRef();
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  ULONG AddRef() override { return references_.fetch_add(1, std::memory_order_relaxed) + 1; }
  ULONG Release() override {
    const ULONG left = references_.fetch_sub(1, std::memory_order_acq_rel) - 1;
    if (left == 0) delete this;
    return left;
  }

  D3DRESOURCETYPE GetType() override { return D3DRTYPE_TEXTURE; }
  DWORD GetLevelCount() override { return static_cast<DWORD>(levels_.size()); }

  HRESULT GetLevelDesc(UINT level, D3DSURFACE_DESC* desc) override {
    if (level >= levels_.size()) return D3DERR_INVALIDCALL;
    return levels_[level]->GetDesc(desc);
  }
  HRESULT GetSurfaceLevel(UINT level, IDirect3DSurface8** surface) override {
    if (!surface) return D3DERR_INVALIDCALL;
    *surface = nullptr;
    if (level >= levels_.size()) return D3DERR_INVALIDCALL;
    *surface = levels_[level].get();
    AddRef();
    return D3D_OK;
  }
  HRESULT LockRect(UINT level, D3DLOCKED_RECT* locked, const RECT* rect, DWORD flags) override {
    if (level >= levels_.size()) return D3DERR_INVALIDCALL;
    return levels_[level]->LockRect(locked, rect, flags);
  }
  HRESULT UnlockRect(UINT level) override {
    if (level >= levels_.size()) return D3DERR_INVALIDCALL;
    return levels_[level]->UnlockRect();
  }

 private:
  ~SoftwareTexture() {
    if (liveTextures_) --*liveTextures_;
  }

  std::atomic<ULONG> references_{1};
  std::vector<std::unique_ptr<SoftwareSurface>> levels_;
  std::shared_ptr<std::atomic<int>> liveTextures_;
};

}  // namespace

IDirect3DTexture8* CreateSoftwareTexture(UINT width, UINT height, UINT levels, DWORD usage,
                                         D3DFORMAT format, D3DPOOL pool,
                                         std::shared_ptr<std::atomic<int>> liveTextures) {
  return new SoftwareTexture(width, height, levels, usage, format, pool, std::move(liveTextures));
}
