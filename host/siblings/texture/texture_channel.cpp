#include "host/siblings/texture/texture_channel.h"

#include <cstring>

#include "platform/d3dx/d3dx8_texture.h"
#include "platform/win32/guid_text.h"

CORVANE_PLUGIN_ENTRY(Kv_DX8_Texture, "DX8 Texture", "C62E8A17-3F95-4B0D-8E4A-15B7D9F360C2",
                     "4A0F6D28-B913-4E57-A6C1-93D7E8205B6A", 1)

namespace {

// Locks level 0 of a texture for the scope; ok() tells whether it is locked.
class LevelLock {
 public:
  LevelLock(IDirect3DTexture8* texture, DWORD flags) : texture_(texture) {
    locked_ = texture_ && SUCCEEDED(texture_->LockRect(0, &rect_, nullptr, flags));
  }
  ~LevelLock() {
    if (locked_) texture_->UnlockRect(0);
  }
  bool ok() const { return locked_; }
  BYTE* Row(UINT y) const { return static_cast<BYTE*>(rect_.pBits) + static_cast<std::size_t>(rect_.Pitch) * y; }

 private:
  IDirect3DTexture8* texture_;
  D3DLOCKED_RECT rect_{};
  bool locked_ = false;
};

}  // namespace

Kv_DX8_Texture::Kv_DX8_Texture() : texture(nullptr) { SetChannelName("DX8 Texture"); }

Kv_DX8_Texture::~Kv_DX8_Texture() { Kv_DX8_Texture::Release(); }

Kv_DX8_Texture::Kv_DX8_Texture(const Kv_DX8_Texture& other) : Kv_DX8_D3DDeviceUse(other), texture(nullptr) {
  *this = other;
}

Kv_DX8_Texture& Kv_DX8_Texture::operator=(const Kv_DX8_Texture& other) {
  if (this == &other) return *this;
  Kv_DX8_D3DDeviceUse::operator=(other);
  if (other.texture) other.texture->AddRef();
  if (texture && texture != other.texture) texture->Release();
  texture = other.texture;
  mipMapLevels_ = other.mipMapLevels_;
  desiredWidth_ = other.desiredWidth_;
  desiredHeight_ = other.desiredHeight_;
  normalMapType_ = other.normalMapType_;
  publicTexture_ = other.publicTexture_;
  forceARGB_ = other.forceARGB_;
  normalMap_ = other.normalMap_;
  textureCompression_ = other.textureCompression_;
  useBufferAlpha_ = other.useBufferAlpha_;
  alphaOnMipmap_ = other.alphaOnMipmap_;
  buffer_ = other.buffer_;
  return *this;
}

void Kv_DX8_Texture::DoDependencyInit(Hx_List* list) {
  AddChannelGuidDepend(MakeGuid("4A0F6D28-B913-4E57-A6C1-93D7E8205B6A"), list);
}

void Kv_DX8_Texture::InvalidateDeviceObjects() { Release(); }

void Kv_DX8_Texture::Release() {
  if (texture) texture->Release();
  texture = nullptr;
}

void Kv_DX8_Texture::SetTexture(int stage) {
  IDirect3DDevice8* device = GetDevice();
  if (device && stage >= 0) device->SetTexture(static_cast<DWORD>(stage), texture);
}

bool Kv_DX8_Texture::LoadTextureFromFile(char*) { return false; }
bool Kv_DX8_Texture::LoadTextureFromMemory(char*, int) { return false; }

bool Kv_DX8_Texture::LoadTextureFromMemoryAndCopyBuffer(char* data, int size) {
  if (!data || size < 0) return false;
  buffer_.assign(data, data + size);
  return LoadTextureFromMemory(buffer_.data(), size);
}

void Kv_DX8_Texture::SetMipMapLevels(int levels) { mipMapLevels_ = levels; }
int Kv_DX8_Texture::GetMipMapLevels() { return mipMapLevels_; }

D3DSURFACE_DESC Kv_DX8_Texture::GetTextureDescription(int level) {
  D3DSURFACE_DESC desc{};
  if (texture && level >= 0) texture->GetLevelDesc(static_cast<UINT>(level), &desc);
  return desc;
}

bool Kv_DX8_Texture::LockTexture(int level, D3DLOCKED_RECT& locked) {
  return texture && level >= 0 && SUCCEEDED(texture->LockRect(static_cast<UINT>(level), &locked, nullptr, 0));
}

bool Kv_DX8_Texture::UnlockTexture(int level) {
  return texture && level >= 0 && SUCCEEDED(texture->UnlockRect(static_cast<UINT>(level)));
}

bool Kv_DX8_Texture::GetIfValidTexture() { return texture != nullptr; }
void Kv_DX8_Texture::SetDesiredHeight(int height) { desiredHeight_ = height; }
void Kv_DX8_Texture::SetDesiredWidth(int width) { desiredWidth_ = width; }
int Kv_DX8_Texture::GetDesiredHeight() { return desiredHeight_; }
int Kv_DX8_Texture::GetDesiredWidth() { return desiredWidth_; }

bool Kv_DX8_Texture::RestoreTexture() {
  if (texture) return true;
  IDirect3DDevice8* device = GetDevice();
  if (!device || desiredWidth_ <= 0 || desiredHeight_ <= 0) return false;
  return SUCCEEDED(D3DXCreateTexture(device, static_cast<UINT>(desiredWidth_), static_cast<UINT>(desiredHeight_),
                                     static_cast<UINT>(mipMapLevels_ > 0 ? mipMapLevels_ : 1), 0,
                                     D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture));
}

IDirect3DTexture8* Kv_DX8_Texture::CreateTumbNailTexture(int width, int height) {
  IDirect3DDevice8* device = GetDevice();
  const D3DSURFACE_DESC source = GetTextureDescription(0);
  if (!device || !texture || width <= 0 || height <= 0 || source.Format != D3DFMT_A8R8G8B8) return nullptr;
  IDirect3DTexture8* thumbnail = nullptr;
  if (FAILED(D3DXCreateTexture(device, static_cast<UINT>(width), static_cast<UINT>(height), 1, 0,
                               D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &thumbnail)))
    return nullptr;
  const D3DSURFACE_DESC made = [&] {
    D3DSURFACE_DESC d{};
    thumbnail->GetLevelDesc(0, &d);
    return d;
  }();
  {
    LevelLock from(texture, D3DLOCK_READONLY), to(thumbnail, 0);
    if (!from.ok() || !to.ok() || made.Format != D3DFMT_A8R8G8B8) {
      thumbnail->Release();
      return nullptr;
    }
    for (UINT y = 0; y < made.Height; ++y) {
      const UINT sy = y * source.Height / made.Height;
      for (UINT x = 0; x < made.Width; ++x)
        std::memcpy(to.Row(y) + 4 * x, from.Row(sy) + 4 * (x * source.Width / made.Width), 4);
    }
  }
  return thumbnail;
}

bool Kv_DX8_Texture::AddAlphaTexture(Kv_DX8_Texture* alphaSource) {
  if (!alphaSource || !alphaSource->texture || !texture) return false;
  const D3DSURFACE_DESC mine = GetTextureDescription(0);
  const D3DSURFACE_DESC theirs = alphaSource->GetTextureDescription(0);
  if (mine.Format != D3DFMT_A8R8G8B8 || theirs.Format != D3DFMT_A8R8G8B8 || mine.Width != theirs.Width ||
      mine.Height != theirs.Height)
    return false;
  LevelLock to(texture, 0), from(alphaSource->texture, D3DLOCK_READONLY);
  if (!to.ok() || !from.ok()) return false;
  for (UINT y = 0; y < mine.Height; ++y)
    for (UINT x = 0; x < mine.Width; ++x) to.Row(y)[4 * x + 3] = from.Row(y)[4 * x + 2];  // red
  return true;
}

bool Kv_DX8_Texture::CopyOurselvesIntoTexture(Kv_DX8_Texture* destination, bool) {
  IDirect3DDevice8* device = GetDevice();
  if (!device || !destination || !destination->texture || !texture) return false;
  IDirect3DSurface8* from = nullptr;
  IDirect3DSurface8* to = nullptr;
  bool copied = false;
  if (SUCCEEDED(texture->GetSurfaceLevel(0, &from)) && SUCCEEDED(destination->texture->GetSurfaceLevel(0, &to)))
    copied = SUCCEEDED(device->CopyRects(from, nullptr, 0, to, nullptr));
  if (from) from->Release();
  if (to) to->Release();
  return copied;
}

bool Kv_DX8_Texture::CheckAplhaRefresh() { return false; }
bool Kv_DX8_Texture::GetIfPublicTexture() { return publicTexture_; }
void Kv_DX8_Texture::SetIfPublicTexture(bool isPublic) { publicTexture_ = isPublic; }
void Kv_DX8_Texture::SetForceARGB(bool force) { forceARGB_ = force; }
IDirect3DTexture8* Kv_DX8_Texture::GetTexture() { return texture; }
void Kv_DX8_Texture::SetIsNormalMap(bool isNormalMap) { normalMap_ = isNormalMap; }
bool Kv_DX8_Texture::GetIsNormalMap() { return normalMap_; }
void Kv_DX8_Texture::SetNormalMapType(int type) { normalMapType_ = type; }
int Kv_DX8_Texture::GetNormalMapType() { return normalMapType_; }
bool Kv_DX8_Texture::CreateNormalMap() { return false; }
char* Kv_DX8_Texture::GetTextureBuffer() { return buffer_.empty() ? nullptr : buffer_.data(); }
int Kv_DX8_Texture::GetBufferSize() { return static_cast<int>(buffer_.size()); }
void Kv_DX8_Texture::SetUseTextureCompression(bool use) { textureCompression_ = use; }
bool Kv_DX8_Texture::GetUseTextureCompression() { return textureCompression_; }
bool Kv_DX8_Texture::LoadALphaFromFile(char*) { return false; }
bool Kv_DX8_Texture::AddAlphaFromInternalBuffer(char*, int) { return false; }
bool Kv_DX8_Texture::GetIfUseBufferAlpha() { return useBufferAlpha_; }
void Kv_DX8_Texture::ClearUseBufferAlpha() { useBufferAlpha_ = false; }
void Kv_DX8_Texture::SetUseAlphaOnMipmap(bool use) { alphaOnMipmap_ = use; }
bool Kv_DX8_Texture::GetUseAlphaOnMipmap() { return alphaOnMipmap_; }
