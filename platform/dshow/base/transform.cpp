#include "platform/dshow/base/transform.h"

#include <cstring>

// --- pins -----------------------------------------------------------------------------------

CTransformInputPin::CTransformInputPin(const char* objectName, CTransformFilter* filter,
                                       HRESULT* result, LPCWSTR name)
    : CBaseInputPin(objectName, filter, filter->FilterLock(), result, name), transform_(filter) {}

HRESULT CTransformInputPin::CheckMediaType(const CMediaType* mt) {
  HRESULT hr = transform_->CheckInputType(mt);
  if (hr != S_OK) return FAILED(hr) ? hr : VFW_E_TYPE_NOT_ACCEPTED;
  if (transform_->Output()->IsConnected())
    return transform_->CheckTransform(mt, &transform_->Output()->CurrentMediaType());
  return S_OK;
}

HRESULT CTransformInputPin::SetMediaType(const CMediaType* mt) {
  const HRESULT hr = CBaseInputPin::SetMediaType(mt);
  return FAILED(hr) ? hr : transform_->SetMediaType(PINDIR_INPUT, mt);
}

HRESULT CTransformInputPin::CheckConnect(IPin* pin) {
  const HRESULT hr = transform_->CheckConnect(PINDIR_INPUT, pin);
  return FAILED(hr) ? hr : CBaseInputPin::CheckConnect(pin);
}

HRESULT CTransformInputPin::BreakConnect() {
  transform_->BreakConnect(PINDIR_INPUT);
  return CBaseInputPin::BreakConnect();
}

HRESULT CTransformInputPin::CompleteConnect(IPin* pin) {
  const HRESULT hr = transform_->CompleteConnect(PINDIR_INPUT, pin);
  return FAILED(hr) ? hr : CBaseInputPin::CompleteConnect(pin);
}

HRESULT CTransformInputPin::Receive(IMediaSample* sample) {
  std::lock_guard lock(transform_->receiveLock_);
  const HRESULT hr = CBaseInputPin::Receive(sample);
  if (hr != S_OK) return hr;
  return transform_->Receive(sample);
}

HRESULT CTransformInputPin::EndOfStream() {
  std::lock_guard lock(transform_->receiveLock_);
  const HRESULT hr = CheckStreaming();
  if (hr != S_OK) return hr;
  return transform_->EndOfStream();
}

HRESULT CTransformInputPin::BeginFlush() {
  CBaseInputPin::BeginFlush();
  return transform_->BeginFlush();
}

HRESULT CTransformInputPin::EndFlush() {
  // The upstream thread has been stopped, so no Receive is left in progress.
  std::lock_guard lock(transform_->receiveLock_);
  const HRESULT hr = transform_->EndFlush();
  CBaseInputPin::EndFlush();
  return hr;
}

HRESULT CTransformInputPin::NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) {
  std::lock_guard lock(transform_->receiveLock_);
  CBaseInputPin::NewSegment(start, stop, rate);
  return transform_->NewSegment(start, stop, rate);
}

CTransformOutputPin::CTransformOutputPin(const char* objectName, CTransformFilter* filter,
                                         HRESULT* result, LPCWSTR name)
    : CBaseOutputPin(objectName, filter, filter->FilterLock(), result, name), transform_(filter) {}

HRESULT CTransformOutputPin::CheckMediaType(const CMediaType* mt) {
  if (!transform_->Input()->IsConnected()) return E_UNEXPECTED;
  return transform_->CheckTransform(&transform_->Input()->CurrentMediaType(), mt);
}

HRESULT CTransformOutputPin::SetMediaType(const CMediaType* mt) {
  const HRESULT hr = CBaseOutputPin::SetMediaType(mt);
  return FAILED(hr) ? hr : transform_->SetMediaType(PINDIR_OUTPUT, mt);
}

HRESULT CTransformOutputPin::CheckConnect(IPin* pin) {
  if (!transform_->Input()->IsConnected()) return E_UNEXPECTED;
  const HRESULT hr = transform_->CheckConnect(PINDIR_OUTPUT, pin);
  return FAILED(hr) ? hr : CBaseOutputPin::CheckConnect(pin);
}

HRESULT CTransformOutputPin::BreakConnect() {
  transform_->BreakConnect(PINDIR_OUTPUT);
  return CBaseOutputPin::BreakConnect();
}

HRESULT CTransformOutputPin::CompleteConnect(IPin* pin) {
  HRESULT hr = transform_->CompleteConnect(PINDIR_OUTPUT, pin);
  return FAILED(hr) ? hr : CBaseOutputPin::CompleteConnect(pin);
}

HRESULT CTransformOutputPin::GetMediaType(int position, CMediaType* mt) {
  if (!transform_->Input()->IsConnected()) return VFW_S_NO_MORE_ITEMS;
  return transform_->GetMediaType(position, mt);
}

HRESULT CTransformOutputPin::DecideBufferSize(IMemAllocator* allocator,
                                              ALLOCATOR_PROPERTIES* request) {
  return transform_->DecideBufferSize(allocator, request);
}

// --- filter ---------------------------------------------------------------------------------

CTransformFilter::CTransformFilter(const char* objectName, IUnknown* outer, REFCLSID clsid)
    : CBaseFilter(objectName, outer, clsid) {
  HRESULT hr = S_OK;
  input_ = new CTransformInputPin("transform input", this, &hr, u"In");
  output_ = new CTransformOutputPin("transform output", this, &hr, u"Out");
}

CTransformFilter::~CTransformFilter() {
  delete input_;
  delete output_;
}

CBasePin* CTransformFilter::GetPin(int index) {
  if (index == 0) return input_;
  if (index == 1) return output_;
  return nullptr;
}

HRESULT CTransformFilter::Stop() {
  std::lock_guard lock(filterLock_);
  if (IsStopped()) return S_OK;
  // Decommits both allocators (CBaseFilter::Stop), then waits for a Receive in progress.
  const HRESULT hr = CBaseFilter::Stop();
  {
    std::lock_guard receive(receiveLock_);
    StopStreaming();
  }
  return hr;
}

HRESULT CTransformFilter::Pause() {
  std::lock_guard lock(filterLock_);
  if (IsStopped()) {
    // Half-connected, nothing can flow: the upstream thread stops at its first delivery.
    if (input_->IsConnected() && output_->IsConnected()) {
      const HRESULT hr = StartStreaming();
      if (FAILED(hr)) return hr;
    }
  }
  return CBaseFilter::Pause();
}

HRESULT CTransformFilter::Transform(IMediaSample*, IMediaSample*) { return E_UNEXPECTED; }

HRESULT CTransformFilter::Receive(IMediaSample* sample) {
  IMediaSample* out = nullptr;
  HRESULT hr = output_->GetDeliveryBuffer(&out, nullptr, nullptr, 0);
  if (FAILED(hr)) return S_FALSE;  // stopping
  REFERENCE_TIME start, end;
  if (SUCCEEDED(sample->GetTime(&start, &end))) out->SetTime(&start, &end);
  LONGLONG mediaStart, mediaEnd;
  if (SUCCEEDED(sample->GetMediaTime(&mediaStart, &mediaEnd)))
    out->SetMediaTime(&mediaStart, &mediaEnd);
  out->SetSyncPoint(sample->IsSyncPoint() == S_OK);
  out->SetPreroll(sample->IsPreroll() == S_OK);
  out->SetDiscontinuity(sample->IsDiscontinuity() == S_OK);
  hr = Transform(sample, out);
  if (hr == S_OK)
    hr = output_->Deliver(out);
  else if (hr == S_FALSE)
    hr = S_OK;  // dropped on purpose
  out->Release();
  return hr;
}

HRESULT CTransformFilter::EndOfStream() { return output_->DeliverEndOfStream(); }
HRESULT CTransformFilter::BeginFlush() { return output_->DeliverBeginFlush(); }
HRESULT CTransformFilter::EndFlush() { return output_->DeliverEndFlush(); }
HRESULT CTransformFilter::NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) {
  return output_->DeliverNewSegment(start, stop, rate);
}
