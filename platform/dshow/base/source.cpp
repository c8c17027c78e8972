#include "platform/dshow/base/source.h"

CSource::CSource(const char* objectName, IUnknown* outer, REFCLSID clsid)
    : CBaseFilter(objectName, outer, clsid) {}

CSource::~CSource() {
  for (CSourceStream* stream : streams_) delete stream;
}

CBasePin* CSource::GetPin(int index) {
  return index >= 0 && index < GetPinCount() ? streams_[index] : nullptr;
}

CSourceStream::CSourceStream(const char* objectName, HRESULT* result, CSource* filter, LPCWSTR name)
    : CBaseOutputPin(objectName, filter, filter->FilterLock(), result, name), source_(filter) {
  filter->AddPin(this);
}

CSourceStream::~CSourceStream() { StopThread(); }

HRESULT CSourceStream::Active() {
  HRESULT hr = CBaseOutputPin::Active();
  if (FAILED(hr)) return hr;
  discontinuity_ = true;
  return StartThread();
}

HRESULT CSourceStream::Inactive() {
  // Decommitting first releases a thread waiting for a buffer; downstream filters are
  // already stopped, so a delivery in progress returns too.
  stopRequested_.store(true, std::memory_order_release);
  OnStopRequested();
  const HRESULT hr = CBaseOutputPin::Inactive();
  StopThread();
  return hr;
}

HRESULT CSourceStream::StartThread() {
  if (threadRunning_) return S_OK;
  // A restart after a flush needs buffers again.
  if (allocator_) {
    const HRESULT hr = allocator_->Commit();
    if (FAILED(hr)) return hr;
  }
  stopRequested_.store(false, std::memory_order_release);
  thread_ = std::thread([this] { ThreadProc(); });
  threadRunning_ = true;
  return S_OK;
}

void CSourceStream::StopThread() {
  if (!threadRunning_) return;
  stopRequested_.store(true, std::memory_order_release);
  OnStopRequested();
  thread_.join();
  threadRunning_ = false;
}

void CSourceStream::ThreadProc() {
  if (FAILED(OnThreadCreate())) {
    OnThreadDestroy();
    return;
  }
  while (!StopRequested()) {
    IMediaSample* sample = nullptr;
    if (FAILED(GetDeliveryBuffer(&sample, nullptr, nullptr, 0))) break;  // decommitted
    if (StopRequested()) {
      sample->Release();
      break;
    }
    HRESULT hr = FillBuffer(sample);
    if (hr == S_OK) {
      if (discontinuity_) {
        sample->SetDiscontinuity(TRUE);
        discontinuity_ = false;
      }
      hr = Deliver(sample);
      sample->Release();
      // Downstream refuses while flushing or stopping; the thread is then being stopped.
      if (hr != S_OK) break;
      continue;
    }
    sample->Release();
    if (StopRequested()) break;
    if (FAILED(hr)) source_->NotifyEvent(EC_ERRORABORT, hr, 0);
    DeliverEndOfStream();
    break;
  }
  OnThreadDestroy();
}

// --- CSourceSeeking -------------------------------------------------------------------------

HRESULT CSourceSeeking::GetCapabilities(DWORD* capabilities) {
  if (!capabilities) return E_POINTER;
  *capabilities = AM_SEEKING_CanSeekAbsolute | AM_SEEKING_CanSeekForwards |
                  AM_SEEKING_CanSeekBackwards | AM_SEEKING_CanGetStopPos |
                  AM_SEEKING_CanGetDuration;
  return S_OK;
}

HRESULT CSourceSeeking::CheckCapabilities(DWORD* capabilities) {
  if (!capabilities) return E_POINTER;
  DWORD ours = 0;
  GetCapabilities(&ours);
  const DWORD asked = *capabilities;
  *capabilities &= ours;
  return *capabilities == asked ? S_OK : (*capabilities ? S_FALSE : E_FAIL);
}

HRESULT CSourceSeeking::IsFormatSupported(const GUID* format) {
  if (!format) return E_POINTER;
  return *format == TIME_FORMAT_MEDIA_TIME ? S_OK : S_FALSE;
}

HRESULT CSourceSeeking::QueryPreferredFormat(GUID* format) {
  if (!format) return E_POINTER;
  *format = TIME_FORMAT_MEDIA_TIME;
  return S_OK;
}

HRESULT CSourceSeeking::GetTimeFormat(GUID* format) { return QueryPreferredFormat(format); }

HRESULT CSourceSeeking::IsUsingTimeFormat(const GUID* format) { return IsFormatSupported(format); }

HRESULT CSourceSeeking::SetTimeFormat(const GUID* format) {
  if (!format) return E_POINTER;
  return *format == TIME_FORMAT_MEDIA_TIME ? S_OK : E_INVALIDARG;
}

HRESULT CSourceSeeking::GetDuration(LONGLONG* duration) {
  if (!duration) return E_POINTER;
  std::lock_guard lock(seekLock_);
  *duration = duration_;
  return S_OK;
}

HRESULT CSourceSeeking::GetStopPosition(LONGLONG* stop) {
  if (!stop) return E_POINTER;
  std::lock_guard lock(seekLock_);
  *stop = stop_;
  return S_OK;
}

HRESULT CSourceSeeking::GetCurrentPosition(LONGLONG* current) {
  if (!current) return E_POINTER;
  std::lock_guard lock(seekLock_);
  *current = start_;
  return S_OK;
}

HRESULT CSourceSeeking::ConvertTimeFormat(LONGLONG* target, const GUID* targetFormat,
                                          LONGLONG source, const GUID* sourceFormat) {
  if (!target) return E_POINTER;
  const bool targetOk = !targetFormat || *targetFormat == TIME_FORMAT_MEDIA_TIME;
  const bool sourceOk = !sourceFormat || *sourceFormat == TIME_FORMAT_MEDIA_TIME;
  if (!targetOk || !sourceOk) return E_INVALIDARG;
  *target = source;
  return S_OK;
}

HRESULT CSourceSeeking::SetPositions(LONGLONG* current, DWORD currentFlags, LONGLONG* stop,
                                     DWORD stopFlags) {
  std::lock_guard lock(seekLock_);
  const DWORD startMode = currentFlags & AM_SEEKING_PositioningBitsMask;
  const DWORD stopMode = stopFlags & AM_SEEKING_PositioningBitsMask;
  if ((startMode != AM_SEEKING_NoPositioning && !current) ||
      (stopMode != AM_SEEKING_NoPositioning && !stop))
    return E_POINTER;
  REFERENCE_TIME newStart = start_, newStop = stop_;
  if (startMode == AM_SEEKING_AbsolutePositioning)
    newStart = *current;
  else if (startMode == AM_SEEKING_RelativePositioning)
    newStart += *current;
  else if (startMode == AM_SEEKING_IncrementalPositioning)
    return E_INVALIDARG;
  if (stopMode == AM_SEEKING_AbsolutePositioning)
    newStop = *stop;
  else if (stopMode == AM_SEEKING_RelativePositioning)
    newStop += *stop;
  else if (stopMode == AM_SEEKING_IncrementalPositioning)
    newStop = newStart + *stop;
  if (newStart < 0) newStart = 0;
  if (newStart > duration_ && duration_ > 0) newStart = duration_;
  if (newStop > duration_ && duration_ > 0) newStop = duration_;
  const bool stopChanged = newStop != stop_;
  stop_ = newStop;
  HRESULT hr = S_OK;
  if (startMode != AM_SEEKING_NoPositioning) {
    start_ = newStart;
    hr = ChangeStart();
  } else if (stopChanged) {
    hr = ChangeStop();
  }
  if (current && (currentFlags & AM_SEEKING_ReturnTime)) *current = start_;
  if (stop && (stopFlags & AM_SEEKING_ReturnTime)) *stop = stop_;
  return hr;
}

HRESULT CSourceSeeking::GetPositions(LONGLONG* current, LONGLONG* stop) {
  std::lock_guard lock(seekLock_);
  if (current) *current = start_;
  if (stop) *stop = stop_;
  return S_OK;
}

HRESULT CSourceSeeking::GetAvailable(LONGLONG* earliest, LONGLONG* latest) {
  std::lock_guard lock(seekLock_);
  if (earliest) *earliest = 0;
  if (latest) *latest = duration_;
  return S_OK;
}

HRESULT CSourceSeeking::SetRate(double rate) {
  if (!(rate > 0.0)) return E_INVALIDARG;
  std::lock_guard lock(seekLock_);
  if (rate == rate_) return S_OK;
  const double old = rate_;
  rate_ = rate;
  const HRESULT hr = ChangeRate();
  if (FAILED(hr)) rate_ = old;
  return hr;
}

HRESULT CSourceSeeking::GetRate(double* rate) {
  if (!rate) return E_POINTER;
  std::lock_guard lock(seekLock_);
  *rate = rate_;
  return S_OK;
}

HRESULT CSourceSeeking::GetPreroll(LONGLONG* preroll) {
  if (!preroll) return E_POINTER;
  *preroll = 0;
  return S_OK;
}
