#include "media_texture/texture_renderer.h"

#include <cstdio>
#include <cstdlib>

#include "media_texture/frame_conversion.h"
#include "platform/d3dx/d3dx8_texture.h"

TextureRenderer::TextureRenderer(IUnknown* outer, HRESULT* result)
    : CBaseVideoRenderer(CLSID_TextureRenderer, nullptr, outer, result),
      videoTexture(nullptr),
      device(nullptr),
      frameReady(false) {
  if (result) *result = S_OK;
}

TextureRenderer::~TextureRenderer() {
  if (videoTexture) videoTexture->Release();
  videoTexture = nullptr;
  device = nullptr;
}

void TextureRenderer::OnReceiveFirstSample(IMediaSample* sample) {
  // The first frame reaches the texture while the graph is paused.
  DoRenderSample(sample);
}

HRESULT TextureRenderer::CheckMediaType(const CMediaType* mt) {
  if (*mt->FormatType() != FORMAT_VideoInfo) return E_INVALIDARG;
  if (*mt->Type() == MEDIATYPE_Video && *mt->Subtype() == MEDIASUBTYPE_RGB24) return S_OK;
  return E_FAIL;
}

HRESULT TextureRenderer::SetMediaType(const CMediaType* mt) {
  const VIDEOINFOHEADER* info = mt->VideoInfo();
  if (!info) return E_INVALIDARG;
  const LONG width = info->bmiHeader.biWidth;
  const LONG height = info->bmiHeader.biHeight;
  // Sizes whose row or frame byte counts do not fit are refused rather than overflowed.
  if (width <= 0 || height == 0 || height == INT32_MIN || width > 0x10000 || std::abs(height) > 0x10000)
    return VFW_E_TYPE_NOT_ACCEPTED;
  videoWidth = width;
  videoHeight = std::abs(height);
  videoPitch = (videoWidth * 3 + 3) & ~3;

  // A reconnected pin gets a texture of the new size.
  if (videoTexture) {
    videoTexture->Release();
    videoTexture = nullptr;
  }
  frameReady.store(false, std::memory_order_release);

  HRESULT hr = D3DXCreateTexture(device, videoWidth, videoHeight, 1, 0, D3DFMT_A8R8G8B8,
                                 D3DPOOL_MANAGED, &videoTexture);
  if (FAILED(hr)) {
    std::fprintf(stderr, "Could not create the D3DX texture!  hr=0x%x\n", static_cast<unsigned>(hr));
    return hr;
  }
  D3DSURFACE_DESC desc;
  hr = videoTexture->GetLevelDesc(0, &desc);
  if (FAILED(hr)) {
    std::fprintf(stderr, "Could not get level Description of D3DX texture! hr = 0x%x\n",
                 static_cast<unsigned>(hr));
    return hr;
  }
  textureFormat = desc.Format;
  if (textureFormat == D3DFMT_A8R8G8B8 || textureFormat == D3DFMT_A1R5G5B5) return S_OK;
  std::fprintf(stderr, "Texture is format we can't handle! Format = 0x%x\n",
               static_cast<unsigned>(textureFormat));
  return VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT TextureRenderer::DoRenderSample(IMediaSample* sample) {
  if (!videoTexture) return E_FAIL;
  BYTE* buffer = nullptr;
  if (FAILED(sample->GetPointer(&buffer)) || !buffer) return E_FAIL;
  // The previous frame has not been taken yet: this one is dropped.
  if (frameReady.load(std::memory_order_acquire)) return S_OK;
  // A sample too short for the connected size is never read past its end.
  const long long needed = static_cast<long long>(videoHeight - 1) * videoPitch + videoWidth * 3LL;
  if (sample->GetSize() < needed) return E_FAIL;

  D3DLOCKED_RECT locked;
  if (FAILED(videoTexture->LockRect(0, &locked, nullptr, D3DLOCK_DISCARD))) return E_FAIL;
  auto* bits = static_cast<std::uint8_t*>(locked.pBits);
  if (textureFormat == D3DFMT_A8R8G8B8)
    ConvertBgr24BottomUpToBgra32(buffer, videoPitch, videoWidth, videoHeight, bits, locked.Pitch);
  else if (textureFormat == D3DFMT_A1R5G5B5)
    ConvertBgr24BottomUpToA1R5G5B5(buffer, videoPitch, videoWidth, videoHeight, bits, locked.Pitch);
  if (FAILED(videoTexture->UnlockRect(0))) return E_FAIL;

  // Release: the pixels written above are visible to whoever sees the flag set.
  frameReady.store(true, std::memory_order_release);
  return S_OK;
}

void TextureRenderer::SetDevice(IDirect3DDevice8* newDevice) { device = newDevice; }

IDirect3DTexture8* TextureRenderer::GetVideoTexture() { return videoTexture; }

bool TextureRenderer::IsFrameReady() { return frameReady.load(std::memory_order_acquire); }

void TextureRenderer::SetFrameReady(bool ready) { frameReady.store(ready, std::memory_order_release); }
