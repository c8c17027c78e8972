#include "media_texture/media_graph_player.h"

#include <cstring>

#include "host/hx_engine.h"
#include "media_texture/texture_renderer.h"
#include "platform/dshow/base/com_object.h"
#include "platform/dshow/ffmpeg/ffmpeg_filters.h"
#include "platform/win32/text_conversion.h"

namespace {

constexpr double kUnitsPerMs = 10000.0;
constexpr float kMsPerUnit = 0.0001f;

template <class T>
void ReleaseAndClear(T*& p) {
  if (p) p->Release();
  p = nullptr;
}

// A position in milliseconds as the whole, unsigned 32-bit count that seeking takes: truncated
// towards zero, and a negative value wraps to a huge one, which seeks to the end.
unsigned long WholeMs(float ms) {
  if (!(ms == ms)) return 0;
  if (ms >= 4294967295.0f) return 0xFFFFFFFFul;
  if (ms <= -2147483648.0f) return 0x80000000ul;
  return static_cast<std::uint32_t>(static_cast<std::int64_t>(ms));
}

}  // namespace

MediaGraphPlayer::MediaGraphPlayer() {
  CoInitialize(nullptr);
  // The machine's media filters (sources, decoders, capture devices) are those of the FFmpeg
  // library; registering them also keeps the library linked.
  RegisterFfmpegFilters();
  messageEngine = HxEngine::Current();
  EnumerateCaptureDevices();
}

MediaGraphPlayer::~MediaGraphPlayer() {
  Teardown();
  for (int i = 0; i < captureDevices.GetItemCount(); ++i)
    delete[] static_cast<char*>(captureDevices.GetItem(i));
  captureDevices.ReleaseItems();
  CoUninitialize();
}

void MediaGraphPlayer::SetOwner(Kv_DX8_MediaTexture* newOwner) { owner = newOwner; }

void MediaGraphPlayer::SetMessageEngine(HxEngine* engine) { messageEngine = engine; }

void MediaGraphPlayer::ErrorMessage(const char* text) {
  if (messageEngine) messageEngine->errorMessage(text);
}

// --- graph life -------------------------------------------------------------------------------

void MediaGraphPlayer::Teardown() { ReleaseGraph(); }

void MediaGraphPlayer::ReleaseGraph() {
  if (graphControl) graphControl->Stop();
  ReleaseAndClear(graphControl);
  ReleaseAndClear(mediaPosition);
  ReleaseAndClear(mediaSeeking);
  ReleaseAndClear(mediaEvent);
  ReleaseAndClear(graphBuilder);
  ReleaseAndClear(captureBuilder);
  renderer = nullptr;  // destroyed with its graph
}

TextureRenderer* MediaGraphPlayer::GetRenderer() { return renderer; }

IPin* MediaGraphPlayer::GetPin(IBaseFilter* filter, PIN_DIRECTION direction) {
  if (!filter) return nullptr;
  ComPtr<IEnumPins> pins;
  if (FAILED(filter->EnumPins(pins.put())) || !pins) return nullptr;
  IPin* pin = nullptr;
  while (pins->Next(1, &pin, nullptr) == S_OK) {
    PIN_DIRECTION d;
    if (SUCCEEDED(pin->QueryDirection(&d)) && d == direction) return pin;
    pin->Release();
    pin = nullptr;
  }
  return nullptr;
}

HRESULT MediaGraphPlayer::BuildFileGraph(const char* source, IDirect3DDevice8* device) {
  if (renderer) return E_FAIL;
  // A source longer than the path buffer is refused whole: cut short it would name
  // another file.
  WCHAR wideSource[260];
  if (!source || MultiByteToWideChar(CP_ACP, 0, source, -1, wideSource, 260) == 0) return E_FAIL;
  // Remains of a failed build are dropped before the new graph replaces them.
  if (graphBuilder) ReleaseGraph();

  auto fail = [this](const char* message) {
    ErrorMessage(message);
    return E_FAIL;
  };

  if (FAILED(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER,
                              IID_IGraphBuilder, reinterpret_cast<void**>(&graphBuilder))))
    return fail("CoCreateInstance");
  if (FAILED(graphBuilder->RenderFile(wideSource, nullptr))) return E_FAIL;

  // Find the system's video renderer.
  ComPtr<IEnumFilters> filters;
  if (FAILED(graphBuilder->EnumFilters(filters.put())) || !filters) return fail("EnumFilters");
  if (FAILED(filters->Reset())) return fail("Reset");
  ComPtr<IBaseFilter> videoRenderer;
  for (IBaseFilter* filter = nullptr; filters->Next(1, &filter, nullptr) == S_OK;) {
    ComPtr<IBaseFilter> held = ComPtr<IBaseFilter>::Adopt(filter);
    FILTER_INFO info{};
    if (FAILED(filter->QueryFilterInfo(&info))) continue;
    if (info.pGraph) info.pGraph->Release();
    char name[260] = {};
    WideCharToMultiByte(CP_ACP, 0, info.achName, -1, name, 260, nullptr, nullptr);
    name[259] = '\0';
    if (std::strcmp(name, "Video Renderer") == 0) {
      videoRenderer = held;
      break;
    }
  }
  if (!videoRenderer) return fail("!isFound");

  // The filter that feeds it, usually the decoder.
  ComPtr<IPin> videoRendererIn = ComPtr<IPin>::Adopt(GetPin(videoRenderer.get(), PINDIR_INPUT));
  if (!videoRendererIn) return fail("GetPin");
  ComPtr<IPin> peerPin;
  if (FAILED(videoRendererIn->ConnectedTo(peerPin.put())) || !peerPin) return fail("ConnectedTo");
  PIN_INFO peerInfo{};
  if (FAILED(peerPin->QueryPinInfo(&peerInfo))) return fail("QueryPinInfo");
  ComPtr<IBaseFilter> upstream = ComPtr<IBaseFilter>::Adopt(peerInfo.pFilter);
  if (!upstream) return fail("!pFSrc");

  if (FAILED(videoRendererIn->Disconnect())) return fail("Disconnect pFTRPinIn");
  if (FAILED(peerPin->Disconnect())) return fail("Disconnect pPeerPin");
  if (FAILED(graphBuilder->RemoveFilter(videoRenderer.get()))) return fail("RemoveFilter");

  // Our renderer in its place. The graph holds it from AddFilter on; until then this
  // function does, so a refused filter is destroyed here.
  HRESULT hr = S_OK;
  auto* created = new TextureRenderer(nullptr, &hr);
  ComPtr<IBaseFilter> rendererHeld(static_cast<IBaseFilter*>(created));
  if (FAILED(hr)) return E_FAIL;
  renderer = created;
  renderer->SetDevice(device);
  if (FAILED(graphBuilder->AddFilter(created, u"TEXTURERENDERER"))) {
    renderer = nullptr;
    return fail("AddFilter");
  }
  ComPtr<IPin> rendererIn;
  if (FAILED(created->FindPin(u"In", rendererIn.put())) || !rendererIn) return fail("FindPin");

  LPWSTR peerId = nullptr;
  ComPtr<IPin> upstreamOut;
  if (SUCCEEDED(peerPin->QueryId(&peerId)) && peerId) upstream->FindPin(peerId, upstreamOut.put());
  CoTaskMemFree(peerId);
  if (!upstreamOut) return fail("FindPin2");

  // Intelligent connect: a colour converter goes in where the decoder gives no 24-bit RGB.
  if (FAILED(graphBuilder->Connect(upstreamOut.get(), rendererIn.get()))) return fail("Connect");

  if (noSound) {
    ComPtr<IEnumFilters> all;
    if (FAILED(graphBuilder->EnumFilters(all.put())) || !all) return fail("EnumFilters");
    if (FAILED(all->Reset())) return fail("Reset");
    for (IBaseFilter* filter = nullptr; all->Next(1, &filter, nullptr) == S_OK;) {
      ComPtr<IBaseFilter> held = ComPtr<IBaseFilter>::Adopt(filter);
      CLSID clsid;
      if (FAILED(filter->GetClassID(&clsid))) return fail("GetClassID");
      if (!(clsid == CLSID_DSoundRender)) continue;
      ComPtr<IPin> audioIn = ComPtr<IPin>::Adopt(GetPin(filter, PINDIR_INPUT));
      if (!audioIn) return fail("GetPin pEnumFilter");
      ComPtr<IPin> audioPeer;
      if (FAILED(audioIn->ConnectedTo(audioPeer.put())) || !audioPeer) return fail("ConnectedTo");
      if (FAILED(audioIn->Disconnect())) return fail("Disconnect pFilterPinIn");
      if (FAILED(audioPeer->Disconnect())) return fail("Disconnect pPeerPin");
      if (FAILED(graphBuilder->RemoveFilter(filter))) return fail("RemoveFilter pEnumFilter");
      break;
    }
  }

  graphBuilder->QueryInterface(IID_IMediaControl, reinterpret_cast<void**>(&graphControl));
  graphBuilder->QueryInterface(IID_IMediaPosition, reinterpret_cast<void**>(&mediaPosition));
  graphBuilder->QueryInterface(IID_IMediaEvent, reinterpret_cast<void**>(&mediaEvent));
  graphBuilder->QueryInterface(IID_IMediaSeeking, reinterpret_cast<void**>(&mediaSeeking));
  if (!mediaSeeking || FAILED(mediaSeeking->SetTimeFormat(&TIME_FORMAT_MEDIA_TIME))) return E_FAIL;
  endPosition = GetDuration();
  return S_OK;
}

// --- playback ---------------------------------------------------------------------------------

HRESULT MediaGraphPlayer::Play() {
  if (!graphControl) return E_FAIL;
  SeekTo(WholeMs(startPosition));
  if (FAILED(graphControl->Run())) return E_FAIL;
  if (rate != 1.0f) SetRate(rate);
  status = kPlaying;
  return S_OK;
}

HRESULT MediaGraphPlayer::Stop() {
  if (!graphControl) return E_FAIL;
  if (FAILED(graphControl->StopWhenReady())) return E_FAIL;
  status = kStopped;
  return S_OK;
}

HRESULT MediaGraphPlayer::Pause() {
  if (!graphControl) return E_FAIL;
  if (FAILED(graphControl->Pause())) return E_FAIL;
  status = kPaused;
  return S_OK;
}

void MediaGraphPlayer::SeekTo(unsigned long ms) {
  if (!mediaSeeking) return;
  LONGLONG duration = 0;
  const bool haveDuration = SUCCEEDED(mediaSeeking->GetDuration(&duration));
  // Compared in milliseconds first, so that a huge count cannot overflow.
  LONGLONG position;
  if (haveDuration && static_cast<unsigned long long>(ms) > static_cast<unsigned long long>(duration) / 10000)
    position = duration;
  else
    position = static_cast<LONGLONG>(ms) * 10000;
  if (haveDuration && position > duration) position = duration;
  mediaSeeking->SetPositions(&position, AM_SEEKING_AbsolutePositioning, nullptr,
                             AM_SEEKING_NoPositioning);
}

void MediaGraphPlayer::SetRate(float newRate) {
  rate = newRate;
  if (mediaPosition) mediaPosition->put_Rate(static_cast<double>(newRate));
}

float MediaGraphPlayer::GetRate() {
  double value = 1.0;
  if (!mediaPosition || FAILED(mediaPosition->get_Rate(&value))) return 1.0f;
  return static_cast<float>(value);
}

float MediaGraphPlayer::GetDuration() {
  LONGLONG duration = 0;
  if (!mediaSeeking || FAILED(mediaSeeking->GetDuration(&duration))) return 0.0f;
  return static_cast<float>(duration) * kMsPerUnit;
}

float MediaGraphPlayer::GetCurrentPosition() {
  LONGLONG current = 0;
  if (!mediaSeeking || FAILED(mediaSeeking->GetPositions(&current, nullptr))) return 0.0f;
  return static_cast<float>(current) * kMsPerUnit;
}

void MediaGraphPlayer::SetStartPosition(float ms, bool clamp) {
  startPosition = ms;
  if (clamp && ms > endPosition) startPosition = endPosition;
}

void MediaGraphPlayer::SetEndPosition(float ms, bool clamp) {
  endPosition = ms;
  if (clamp) {
    const float duration = GetDuration();
    if (duration < ms) endPosition = duration;
  }
}

float MediaGraphPlayer::GetStartPosition() { return startPosition; }
float MediaGraphPlayer::GetEndPosition() { return endPosition; }
bool MediaGraphPlayer::IsPlaying() { return status == kPlaying; }
bool MediaGraphPlayer::IsStopped() { return status == kStopped; }
bool MediaGraphPlayer::IsPaused() { return status == kPaused; }
void MediaGraphPlayer::SetLooping(bool value) { looping = value; }
bool MediaGraphPlayer::GetLooping() { return looping; }
void MediaGraphPlayer::SetNoSound(bool value) { noSound = value; }
bool MediaGraphPlayer::GetNoSound() { return noSound; }
void MediaGraphPlayer::SetPlayLoad(bool value) { playLoad = value; }
bool MediaGraphPlayer::GetPlayLoad() { return playLoad; }

void MediaGraphPlayer::Update() {
  auto atEnd = [this] {
    if (looping)
      SeekTo(WholeMs(startPosition));
    else
      Stop();
  };

  LONGLONG current = 0;
  if (mediaSeeking && SUCCEEDED(mediaSeeking->GetCurrentPosition(&current)) &&
      !(static_cast<double>(endPosition) * kUnitsPerMs > static_cast<double>(current)))
    atEnd();

  if (rate != 1.0f) SetRate(rate);

  if (!mediaEvent) return;
  LONG code;
  LONG_PTR param1, param2;
  while (SUCCEEDED(mediaEvent->GetEvent(&code, &param1, &param2, 0))) {
    mediaEvent->FreeEventParams(code, param1, param2);
    if (code == EC_COMPLETE) atEnd();
  }
}
