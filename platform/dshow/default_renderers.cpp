#include "platform/dshow/default_renderers.h"

#include "platform/dshow/filter_registry.h"

CNullVideoRenderer::CNullVideoRenderer(IUnknown* outer, HRESULT* result)
    : CBaseVideoRenderer(CLSID_VideoRenderer, "video renderer", outer, result) {}

HRESULT CNullVideoRenderer::CheckMediaType(const CMediaType* mt) {
  if (!(mt->majortype == MEDIATYPE_Video)) return E_FAIL;
  if (!(mt->subtype == MEDIASUBTYPE_RGB24) && !(mt->subtype == MEDIASUBTYPE_RGB32)) return E_FAIL;
  const VIDEOINFOHEADER* info = mt->VideoInfo();
  if (!info || info->bmiHeader.biWidth <= 0 || info->bmiHeader.biHeight == 0) return E_FAIL;
  return S_OK;
}

CNullAudioRenderer::CNullAudioRenderer(IUnknown* outer, HRESULT* result)
    : CBaseRenderer(CLSID_DSoundRender, "audio renderer", outer, result) {}

HRESULT CNullAudioRenderer::CheckMediaType(const CMediaType* mt) {
  if (!(mt->majortype == MEDIATYPE_Audio)) return E_FAIL;
  if (!(mt->subtype == MEDIASUBTYPE_PCM) && !(mt->subtype == MEDIASUBTYPE_IEEE_FLOAT))
    return E_FAIL;
  const WAVEFORMATEX* wave = mt->WaveFormat();
  if (!wave || wave->nChannels == 0 || wave->nSamplesPerSec == 0) return E_FAIL;
  return S_OK;
}

namespace {

template <class Renderer>
IBaseFilter* Create(HRESULT* result) {
  HRESULT hr = S_OK;
  auto* filter = new Renderer(nullptr, &hr);
  IBaseFilter* out = filter;
  out->AddRef();
  if (FAILED(hr)) {
    out->Release();
    out = nullptr;
  }
  if (result) *result = hr;
  return out;
}

const bool registered = [] {
  RegisterRendererFilter(kVideoRendererName, CLSID_VideoRenderer, MERIT_NORMAL,
                         Create<CNullVideoRenderer>);
  RegisterRendererFilter(kAudioRendererName, CLSID_DSoundRender, MERIT_NORMAL,
                         Create<CNullAudioRenderer>);
  return true;
}();

}  // namespace
