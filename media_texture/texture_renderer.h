#pragma once
// TextureRenderer: the video renderer filter at the end of every media texture graph. It takes
// uncompressed 24-bit RGB only, creates a texture of the video's size when its pin connects
// (the video texture) and writes each frame into it, top-down and opaque. It draws nothing:
// the media texture copies the video texture on the host's thread when a frame is ready.
//
// Threads: SetMediaType and CheckMediaType run on the connecting (host) thread;
// DoRenderSample and OnReceiveFirstSample on the graph's streaming thread. The frame-ready
// flag is the whole hand-off: the streaming thread writes the video texture only while it is
// clear and sets it (release) after unlocking; the host reads the texture only while it sees
// it set (acquire) and clears it after copying.

#include <atomic>
#include <cstdint>

#include "platform/d3d8/d3d8.h"
#include "platform/dshow/base/renderer.h"

// {71771540-2017-11CF-AE26-0020AFD79767}: the filter's class ID, never registered with COM.
inline constexpr GUID CLSID_TextureRenderer{
    0x71771540, 0x2017, 0x11CF, {0xAE, 0x26, 0x00, 0x20, 0xAF, 0xD7, 0x97, 0x67}};

class TextureRenderer : public CBaseVideoRenderer {
 public:
  // Created with new and no reference (the graph takes it in AddFilter). *result is S_OK.
  TextureRenderer(IUnknown* outer, HRESULT* result);
  ~TextureRenderer() override;

  void OnReceiveFirstSample(IMediaSample* sample) override;
  // Reads the size and creates the video texture; a reconnection first releases the texture
  // of the earlier connection. VFW_E_TYPE_NOT_ACCEPTED when the device gave a texture format
  // other than A8R8G8B8 or A1R5G5B5.
  HRESULT SetMediaType(const CMediaType* mt) override;
  // Writes one frame unless the previous one has not been taken yet (then it is dropped and
  // S_OK returned). E_FAIL without a texture or when the texture cannot be locked/unlocked.
  HRESULT DoRenderSample(IMediaSample* sample) override;
  // E_INVALIDARG for a format type other than FORMAT_VideoInfo; E_FAIL for anything but
  // video in MEDIASUBTYPE_RGB24.
  HRESULT CheckMediaType(const CMediaType* mt) override;

  // The device the video texture is created on; not owned. Set before the pin connects.
  void SetDevice(IDirect3DDevice8* device);
  // Not referenced for the caller; valid until the filter is destroyed with its graph or the
  // pin reconnects.
  IDirect3DTexture8* GetVideoTexture();
  bool IsFrameReady();                // acquire
  void SetFrameReady(bool ready);     // release

  std::int32_t videoWidth = 0;        // biWidth of the connected video
  std::int32_t videoHeight = 0;       // |biHeight|
  std::int32_t videoPitch = 0;        // bytes per source row: width x 3 rounded up to 4
  IDirect3DTexture8* videoTexture;    // one reference, created at connection
  IDirect3DDevice8* device;           // not owned
  D3DFORMAT textureFormat = D3DFMT_UNKNOWN;  // format of level 0 as created
  std::atomic<bool> frameReady;       // a written frame not yet taken by the media texture
};
