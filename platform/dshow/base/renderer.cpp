#include "platform/dshow/base/renderer.h"

#include <chrono>

// --- CRendererInputPin ----------------------------------------------------------------------

CRendererInputPin::CRendererInputPin(CBaseRenderer* renderer, HRESULT* result, LPCWSTR name)
    : CBaseInputPin("renderer input pin", renderer, renderer->FilterLock(), result, name),
      renderer_(renderer) {}

HRESULT CRendererInputPin::CheckMediaType(const CMediaType* mt) {
  return renderer_->CheckMediaType(mt);
}

HRESULT CRendererInputPin::SetMediaType(const CMediaType* mt) {
  const HRESULT hr = renderer_->SetMediaType(mt);
  if (FAILED(hr)) return hr;
  return CBaseInputPin::SetMediaType(mt);
}

HRESULT CRendererInputPin::BreakConnect() {
  renderer_->BreakConnect();
  return CBaseInputPin::BreakConnect();
}

HRESULT CRendererInputPin::CompleteConnect(IPin* pin) { return renderer_->CompleteConnect(pin); }

HRESULT CRendererInputPin::Receive(IMediaSample* sample) {
  const HRESULT hr = CBaseInputPin::Receive(sample);
  if (hr != S_OK) return hr;
  return renderer_->Receive(sample);
}

HRESULT CRendererInputPin::EndOfStream() {
  if (!IsConnected()) return VFW_E_NOT_CONNECTED;
  return renderer_->EndOfStream();
}

HRESULT CRendererInputPin::BeginFlush() {
  CBaseInputPin::BeginFlush();
  return renderer_->BeginFlush();
}

HRESULT CRendererInputPin::EndFlush() {
  renderer_->EndFlush();
  return CBaseInputPin::EndFlush();
}

HRESULT CRendererInputPin::NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) {
  std::lock_guard lock(renderer_->renderLock_);
  return CBaseInputPin::NewSegment(start, stop, rate);
}

// --- CBaseRenderer --------------------------------------------------------------------------

CBaseRenderer::CBaseRenderer(REFCLSID clsid, const char* name, IUnknown* outer, HRESULT* result)
    : CBaseFilter(name, outer, clsid) {
  HRESULT hr = S_OK;
  pin_ = new CRendererInputPin(this, &hr, u"In");
  if (result) *result = hr;
}

CBaseRenderer::~CBaseRenderer() {
  delete pin_;
  if (runClock_) runClock_->Release();
}

CBasePin* CBaseRenderer::GetPin(int index) { return index == 0 ? pin_ : nullptr; }

HRESULT CBaseRenderer::SetMediaType(const CMediaType*) { return S_OK; }

void CBaseRenderer::OnReceiveFirstSample(IMediaSample*) {}

HRESULT CBaseRenderer::Stop() {
  std::lock_guard filterLock(filterLock_);
  {
    std::lock_guard lock(renderLock_);
    renderState_ = State_Stopped;
    ++epoch_;
    haveFirst_ = endOfStream_ = completeSent_ = haveLastEnd_ = false;
    if (runClock_) runClock_->Release();
    runClock_ = nullptr;
    stateChanged_.notify_all();
  }
  return CBaseFilter::Stop();
}

HRESULT CBaseRenderer::Pause() {
  std::lock_guard filterLock(filterLock_);
  const FILTER_STATE before = State();
  const HRESULT hr = CBaseFilter::Pause();
  if (FAILED(hr)) return hr;
  std::lock_guard lock(renderLock_);
  if (before == State_Stopped) {
    haveFirst_ = endOfStream_ = completeSent_ = haveLastEnd_ = false;
    // A renderer with nothing connected has nothing to wait for.
    if (!pin_->IsConnected()) endOfStream_ = true;
  }
  renderState_ = State_Paused;
  stateChanged_.notify_all();
  return S_OK;
}

HRESULT CBaseRenderer::Run(REFERENCE_TIME start) {
  std::lock_guard filterLock(filterLock_);
  const HRESULT hr = CBaseFilter::Run(start);
  if (FAILED(hr)) return hr;
  std::lock_guard lock(renderLock_);
  if (clock_) clock_->AddRef();
  if (runClock_) runClock_->Release();
  runClock_ = clock_;
  runStart_ = start;
  renderState_ = State_Running;
  stateChanged_.notify_all();
  return S_OK;
}

HRESULT CBaseRenderer::GetState(DWORD msTimeout, FILTER_STATE* state) {
  if (!state) return E_POINTER;
  std::unique_lock lock(renderLock_);
  *state = renderState_;
  auto ready = [&] {
    return renderState_ != State_Paused || haveFirst_ || endOfStream_ || flushing_;
  };
  if (renderState_ != State_Paused) return S_OK;
  if (msTimeout == static_cast<DWORD>(INFINITE_TIMEOUT))
    stateChanged_.wait(lock, ready);
  else
    stateChanged_.wait_for(lock, std::chrono::milliseconds(msTimeout), ready);
  return ready() ? S_OK : VFW_S_STATE_INTERMEDIATE;
}

bool CBaseRenderer::WaitForTime(std::unique_lock<std::mutex>& lock, REFERENCE_TIME streamTime,
                                unsigned epoch) {
  for (;;) {
    if (epoch != epoch_ || flushing_ || renderState_ == State_Stopped) return false;
    if (renderState_ == State_Paused) {
      stateChanged_.wait(lock);
      continue;
    }
    if (!runClock_) return true;  // no clock: as fast as the data comes
    REFERENCE_TIME now = 0;
    runClock_->GetTime(&now);
    const REFERENCE_TIME due = runStart_ + streamTime;
    if (now >= due) return true;
    stateChanged_.wait_for(lock, std::chrono::nanoseconds((due - now) * 100));
  }
}

HRESULT CBaseRenderer::Receive(IMediaSample* sample) {
  if (sample->IsPreroll() == S_OK) {
    dropped_.fetch_add(1, std::memory_order_relaxed);
    return S_OK;
  }
  REFERENCE_TIME start = 0, end = 0;
  const bool timed = SUCCEEDED(sample->GetTime(&start, &end));

  std::unique_lock lock(renderLock_);
  if (flushing_) return S_FALSE;
  if (renderState_ == State_Stopped) return VFW_E_WRONG_STATE;
  if (endOfStream_) return S_FALSE;
  const unsigned epoch = epoch_;
  if (renderState_ == State_Paused && !haveFirst_) {
    // Only this thread receives, so the flag can wait until the sample has been handled:
    // the pause completes with the first frame already presented.
    lock.unlock();
    OnReceiveFirstSample(sample);
    lock.lock();
    if (epoch == epoch_) haveFirst_ = true;
    stateChanged_.notify_all();
  }
  if (!WaitForTime(lock, timed ? start : 0, epoch)) return S_FALSE;
  if (timed) {
    lastEnd_ = end;
    haveLastEnd_ = true;
  }
  lock.unlock();
  const HRESULT hr = DoRenderSample(sample);
  rendered_.fetch_add(1, std::memory_order_relaxed);
  return FAILED(hr) ? S_OK : hr;  // a frame that cannot be shown is lost, not the stream
}

HRESULT CBaseRenderer::EndOfStream() {
  std::unique_lock lock(renderLock_);
  if (flushing_ || renderState_ == State_Stopped || endOfStream_) return S_OK;
  endOfStream_ = true;
  stateChanged_.notify_all();
  if (!WaitForTime(lock, haveLastEnd_ ? lastEnd_ : 0, epoch_)) return S_OK;
  SendEndOfStream();
  return S_OK;
}

void CBaseRenderer::SendEndOfStream() {
  if (completeSent_) return;
  completeSent_ = true;
  NotifyEvent(EC_COMPLETE, S_OK, 0);
}

HRESULT CBaseRenderer::BeginFlush() {
  std::lock_guard lock(renderLock_);
  flushing_ = true;
  ++epoch_;
  haveFirst_ = endOfStream_ = completeSent_ = haveLastEnd_ = false;
  stateChanged_.notify_all();
  return S_OK;
}

HRESULT CBaseRenderer::EndFlush() {
  std::lock_guard lock(renderLock_);
  flushing_ = false;
  stateChanged_.notify_all();
  return S_OK;
}

CBaseVideoRenderer::CBaseVideoRenderer(REFCLSID clsid, const char* name, IUnknown* outer,
                                       HRESULT* result)
    : CBaseRenderer(clsid, name, outer, result) {}
