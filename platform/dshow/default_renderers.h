#pragma once
// The renderers RenderFile ends streams in. Nothing is displayed or played: the video
// renderer ("Video Renderer") takes 24- or 32-bit RGB and discards each frame at its time;
// the audio renderer (CLSID_DSoundRender) takes PCM or float audio and consumes it in real
// time. Both are registered as default renderers when the library loads.

#include "platform/dshow/base/renderer.h"

class CNullVideoRenderer final : public CBaseVideoRenderer {
 public:
  CNullVideoRenderer(IUnknown* outer, HRESULT* result);
  HRESULT CheckMediaType(const CMediaType* mt) override;
  HRESULT DoRenderSample(IMediaSample*) override { return S_OK; }
};

class CNullAudioRenderer final : public CBaseRenderer {
 public:
  CNullAudioRenderer(IUnknown* outer, HRESULT* result);
  HRESULT CheckMediaType(const CMediaType* mt) override;
  HRESULT DoRenderSample(IMediaSample*) override { return S_OK; }
};

inline constexpr char16_t kVideoRendererName[] = u"Video Renderer";
inline constexpr char16_t kAudioRendererName[] = u"Audio Renderer";
