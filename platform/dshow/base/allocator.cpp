#include "platform/dshow/base/allocator.h"

#include <cstring>

CMediaSample::CMediaSample(CMemAllocator* allocator, LONG size)
    : allocator_(allocator), buffer_(new BYTE[size > 0 ? size : 1]), size_(size) {}

CMediaSample::~CMediaSample() = default;

HRESULT CMediaSample::QueryInterface(REFIID iid, void** object) {
  if (!object) return E_POINTER;
  if (iid == IID_IUnknown || iid == IID_IMediaSample) return GetInterface(this, object);
  *object = nullptr;
  return E_NOINTERFACE;
}

ULONG CMediaSample::AddRef() { return references_.fetch_add(1, std::memory_order_relaxed) + 1; }

ULONG CMediaSample::Release() {
  const ULONG left = references_.fetch_sub(1, std::memory_order_acq_rel) - 1;
  if (left == 0) allocator_->ReleaseBuffer(this);  // may destroy the allocator and this
  return left;
}

void CMediaSample::ResetProperties() {
  actualLength_ = 0;
  timeValid_ = endValid_ = mediaTimeValid_ = false;
  sync_ = preroll_ = discontinuity_ = false;
  type_.reset();
}

HRESULT CMediaSample::GetPointer(BYTE** buffer) {
  if (!buffer) return E_POINTER;
  *buffer = buffer_.get();
  return S_OK;
}

HRESULT CMediaSample::GetTime(REFERENCE_TIME* start, REFERENCE_TIME* end) {
  if (!start || !end) return E_POINTER;
  if (!timeValid_) return VFW_E_TIME_NOT_SET;
  *start = start_;
  *end = endValid_ ? end_ : start_ + 1;
  return S_OK;
}

HRESULT CMediaSample::SetTime(REFERENCE_TIME* start, REFERENCE_TIME* end) {
  timeValid_ = start != nullptr;
  endValid_ = timeValid_ && end != nullptr;
  if (start) start_ = *start;
  if (endValid_) end_ = *end;
  return S_OK;
}

HRESULT CMediaSample::SetActualDataLength(LONG length) {
  if (length < 0 || length > size_) return VFW_E_BUFFER_OVERFLOW;
  actualLength_ = length;
  return S_OK;
}

HRESULT CMediaSample::GetMediaType(AM_MEDIA_TYPE** type) {
  if (!type) return E_POINTER;
  *type = nullptr;
  if (!type_) return S_FALSE;
  *type = CreateMediaType(type_.get());
  return *type ? S_OK : E_OUTOFMEMORY;
}

HRESULT CMediaSample::SetMediaType(AM_MEDIA_TYPE* type) {
  if (!type) {
    type_.reset();
    return S_OK;
  }
  type_ = std::make_unique<CMediaType>(*type);
  return S_OK;
}

HRESULT CMediaSample::GetMediaTime(LONGLONG* start, LONGLONG* end) {
  if (!start || !end) return E_POINTER;
  if (!mediaTimeValid_) return VFW_E_TIME_NOT_SET;
  *start = mediaStart_;
  *end = mediaEnd_;
  return S_OK;
}

HRESULT CMediaSample::SetMediaTime(LONGLONG* start, LONGLONG* end) {
  mediaTimeValid_ = start && end;
  if (mediaTimeValid_) {
    mediaStart_ = *start;
    mediaEnd_ = *end;
  }
  return S_OK;
}

CMemAllocator::CMemAllocator(const char* name, IUnknown* outer, HRESULT* result)
    : CUnknown(name, outer) {
  if (result) *result = S_OK;
}

CMemAllocator::~CMemAllocator() = default;

HRESULT CMemAllocator::NonDelegatingQueryInterface(REFIID iid, void** object) {
  if (!object) return E_POINTER;
  if (iid == IID_IUnknown || iid == IID_IMemAllocator)
    return GetInterface(static_cast<IMemAllocator*>(this), object);
  return CUnknown::NonDelegatingQueryInterface(iid, object);
}

HRESULT CMemAllocator::SetProperties(ALLOCATOR_PROPERTIES* request, ALLOCATOR_PROPERTIES* actual) {
  if (!request || !actual) return E_POINTER;
  std::lock_guard lock(lock_);
  if (committed_) return VFW_E_ALREADY_COMMITTED;
  if (free_.size() != samples_.size()) return VFW_E_BUFFERS_OUTSTANDING;
  if (request->cbAlign < 0 || request->cbBuffer < 0 || request->cBuffers < 0) return E_INVALIDARG;
  properties_.cBuffers = request->cBuffers > 0 ? request->cBuffers : 1;
  properties_.cbBuffer = request->cbBuffer;
  properties_.cbAlign = request->cbAlign > 0 ? request->cbAlign : 1;
  properties_.cbPrefix = request->cbPrefix;
  propertiesSet_ = true;
  *actual = properties_;
  return S_OK;
}

HRESULT CMemAllocator::GetProperties(ALLOCATOR_PROPERTIES* properties) {
  if (!properties) return E_POINTER;
  std::lock_guard lock(lock_);
  *properties = properties_;
  return S_OK;
}

HRESULT CMemAllocator::Commit() {
  std::lock_guard lock(lock_);
  if (!propertiesSet_) return VFW_E_SIZENOTSET;
  if (committed_) return S_OK;
  if (samples_.empty()) {
    for (LONG i = 0; i < properties_.cBuffers; ++i) {
      samples_.push_back(std::make_unique<CMediaSample>(this, properties_.cbBuffer));
      free_.push_back(samples_.back().get());
    }
  }
  committed_ = true;
  return S_OK;
}

HRESULT CMemAllocator::Decommit() {
  std::lock_guard lock(lock_);
  committed_ = false;
  FreeWhenAllBack();
  freed_.notify_all();
  return S_OK;
}

void CMemAllocator::FreeWhenAllBack() {
  if (!committed_ && free_.size() == samples_.size()) {
    free_.clear();
    samples_.clear();
  }
}

HRESULT CMemAllocator::GetBuffer(IMediaSample** sample, REFERENCE_TIME*, REFERENCE_TIME*,
                                 DWORD flags) {
  if (!sample) return E_POINTER;
  *sample = nullptr;
  std::unique_lock lock(lock_);
  if (!(flags & AM_GBF_NOWAIT)) freed_.wait(lock, [&] { return !committed_ || !free_.empty(); });
  if (!committed_) return VFW_E_NOT_COMMITTED;
  if (free_.empty()) return VFW_E_TIME_NOT_SET;  // no free sample and told not to wait
  CMediaSample* out = free_.back();
  free_.pop_back();
  out->ResetProperties();
  out->references_.store(1, std::memory_order_relaxed);
  NonDelegatingAddRef();  // kept alive while the sample is out
  *sample = out;
  return S_OK;
}

HRESULT CMemAllocator::ReleaseBuffer(IMediaSample* sample) {
  {
    std::lock_guard lock(lock_);
    auto* ours = static_cast<CMediaSample*>(sample);
    ours->type_.reset();
    free_.push_back(ours);
    FreeWhenAllBack();
    freed_.notify_one();
  }
  NonDelegatingRelease();
  return S_OK;
}
