#pragma once
// Media samples and the memory allocator that pools them. A sample returns to its allocator
// when its last reference is released; the allocator stays alive while any of its samples
// is out.

#include <condition_variable>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/dshow/base/com_object.h"
#include "platform/dshow/media_type.h"

class CMemAllocator;

class CMediaSample : public IMediaSample {
 public:
  CMediaSample(CMemAllocator* allocator, LONG size);
  ~CMediaSample();

  HRESULT QueryInterface(REFIID iid, void** object) override;
  ULONG AddRef() override;
  ULONG Release() override;

  HRESULT GetPointer(BYTE** buffer) override;
  LONG GetSize() override { return size_; }
  HRESULT GetTime(REFERENCE_TIME* start, REFERENCE_TIME* end) override;
  HRESULT SetTime(REFERENCE_TIME* start, REFERENCE_TIME* end) override;
  HRESULT IsSyncPoint() override { return sync_ ? S_OK : S_FALSE; }
  HRESULT SetSyncPoint(BOOL sync) override {
    sync_ = sync != FALSE;
    return S_OK;
  }
  HRESULT IsPreroll() override { return preroll_ ? S_OK : S_FALSE; }
  HRESULT SetPreroll(BOOL preroll) override {
    preroll_ = preroll != FALSE;
    return S_OK;
  }
  LONG GetActualDataLength() override { return actualLength_; }
  HRESULT SetActualDataLength(LONG length) override;
  HRESULT GetMediaType(AM_MEDIA_TYPE** type) override;
  HRESULT SetMediaType(AM_MEDIA_TYPE* type) override;
  HRESULT IsDiscontinuity() override { return discontinuity_ ? S_OK : S_FALSE; }
  HRESULT SetDiscontinuity(BOOL discontinuity) override {
    discontinuity_ = discontinuity != FALSE;
    return S_OK;
  }
  HRESULT GetMediaTime(LONGLONG* start, LONGLONG* end) override;
  HRESULT SetMediaTime(LONGLONG* start, LONGLONG* end) override;

 private:
  friend class CMemAllocator;
  void ResetProperties();

  CMemAllocator* allocator_;
  std::atomic<ULONG> references_{0};
  std::unique_ptr<BYTE[]> buffer_;
  LONG size_;
  LONG actualLength_ = 0;
  REFERENCE_TIME start_ = 0, end_ = 0;
  LONGLONG mediaStart_ = 0, mediaEnd_ = 0;
  bool timeValid_ = false, endValid_ = false, mediaTimeValid_ = false;
  bool sync_ = false, preroll_ = false, discontinuity_ = false;
  std::unique_ptr<CMediaType> type_;
};

class CMemAllocator : public CUnknown, public IMemAllocator {
 public:
  CMemAllocator(const char* name, IUnknown* outer, HRESULT* result);
  ~CMemAllocator() override;
  DECLARE_IUNKNOWN
  HRESULT NonDelegatingQueryInterface(REFIID iid, void** object) override;

  HRESULT SetProperties(ALLOCATOR_PROPERTIES* request, ALLOCATOR_PROPERTIES* actual) override;
  HRESULT GetProperties(ALLOCATOR_PROPERTIES* properties) override;
  HRESULT Commit() override;
  HRESULT Decommit() override;
  HRESULT GetBuffer(IMediaSample** sample, REFERENCE_TIME* start, REFERENCE_TIME* end,
                    DWORD flags) override;
  HRESULT ReleaseBuffer(IMediaSample* sample) override;

 private:
  void FreeWhenAllBack();  // with lock_ held

  std::mutex lock_;
  std::condition_variable freed_;
  ALLOCATOR_PROPERTIES properties_{0, 0, 1, 0};
  bool propertiesSet_ = false;
  bool committed_ = false;
  std::vector<std::unique_ptr<CMediaSample>> samples_;
  std::vector<CMediaSample*> free_;
};
