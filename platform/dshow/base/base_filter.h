#pragma once
// CBaseFilter and the pin base classes. See platform/dshow/base/streams.h for how to write
// a filter with them.

#include <mutex>
#include <string>

#include "platform/dshow/base/allocator.h"
#include "platform/dshow/base/com_object.h"
#include "platform/dshow/media_type.h"

class CBasePin;

class CBaseFilter : public CUnknown, public IBaseFilter, public IAMFilterMiscFlags {
 public:
  CBaseFilter(const char* objectName, IUnknown* outer, REFCLSID clsid);
  ~CBaseFilter() override;
  DECLARE_IUNKNOWN
  HRESULT NonDelegatingQueryInterface(REFIID iid, void** object) override;

  // The filter's pins; a pin's address stays valid for the filter's life.
  virtual int GetPinCount() = 0;
  virtual CBasePin* GetPin(int index) = 0;

  HRESULT GetClassID(CLSID* clsid) override;
  // Stop, Pause and Run take the filter lock and call Inactive, Active and Run on every
  // connected pin. A filter that overrides them calls the base.
  HRESULT Stop() override;
  HRESULT Pause() override;
  HRESULT Run(REFERENCE_TIME start) override;
  HRESULT GetState(DWORD msTimeout, FILTER_STATE* state) override;
  HRESULT SetSyncSource(IReferenceClock* clock) override;
  HRESULT GetSyncSource(IReferenceClock** clock) override;
  HRESULT EnumPins(IEnumPins** pins) override;
  HRESULT FindPin(LPCWSTR id, IPin** pin) override;
  HRESULT QueryFilterInfo(FILTER_INFO* info) override;
  HRESULT JoinFilterGraph(IFilterGraph* graph, LPCWSTR name) override;
  HRESULT QueryVendorInfo(LPWSTR* info) override;
  ULONG GetMiscFlags() override { return 0; }

  FILTER_STATE State() const { return state_.load(std::memory_order_acquire); }
  bool IsStopped() const { return State() == State_Stopped; }
  bool IsActive() const { return State() != State_Stopped; }
  // Reports an event to the graph (any thread); S_FALSE when the filter is in no graph.
  HRESULT NotifyEvent(LONG code, LONG_PTR param1, LONG_PTR param2);
  // The filter's graph, not referenced; null when the filter is in none.
  IFilterGraph* Graph() const { return graph_; }
  std::recursive_mutex* FilterLock() { return &filterLock_; }

 protected:
  // Held by state changes and connections (application thread). Streaming threads never
  // take it.
  std::recursive_mutex filterLock_;
  std::atomic<FILTER_STATE> state_{State_Stopped};
  REFERENCE_TIME streamStart_ = 0;    // clock time of stream time 0 while running
  IReferenceClock* clock_ = nullptr;  // one reference; written only under filterLock_

 private:
  CLSID clsid_;
  IFilterGraph* graph_ = nullptr;                // not referenced: the graph holds the filter
  std::atomic<IMediaEventSink*> sink_{nullptr};  // the graph's sink, not referenced
  std::u16string name_;
};

class CBasePin : public IPin, public IKsPropertySet {
 public:
  CBasePin(const char* objectName, CBaseFilter* filter, std::recursive_mutex* lock, HRESULT* result,
           LPCWSTR name, PIN_DIRECTION direction);
  virtual ~CBasePin();
  CBasePin(const CBasePin&) = delete;
  CBasePin& operator=(const CBasePin&) = delete;

  // A pin lives inside its filter: its references are the filter's.
  HRESULT QueryInterface(REFIID iid, void** object) override;
  ULONG AddRef() override;
  ULONG Release() override;
  virtual HRESULT NonDelegatingQueryInterface(REFIID iid, void** object);

  HRESULT Connect(IPin* receivePin, const AM_MEDIA_TYPE* mt) override;
  HRESULT ReceiveConnection(IPin* connector, const AM_MEDIA_TYPE* mt) override;
  HRESULT Disconnect() override;
  HRESULT ConnectedTo(IPin** pin) override;
  HRESULT ConnectionMediaType(AM_MEDIA_TYPE* mt) override;
  HRESULT QueryPinInfo(PIN_INFO* info) override;
  HRESULT QueryDirection(PIN_DIRECTION* direction) override;
  HRESULT QueryId(LPWSTR* id) override;
  HRESULT QueryAccept(const AM_MEDIA_TYPE* mt) override;
  HRESULT EnumMediaTypes(IEnumMediaTypes** types) override;
  HRESULT EndOfStream() override { return S_OK; }
  HRESULT NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) override;

  // IKsPropertySet: the pin category (AMPROPSETID_Pin / AMPROPERTY_PIN_CATEGORY).
  HRESULT Set(REFGUID, DWORD, void*, DWORD, void*, DWORD) override { return E_NOTIMPL; }
  HRESULT Get(REFGUID set, DWORD id, void* instance, DWORD instanceLength, void* data,
              DWORD dataLength, DWORD* returned) override;
  HRESULT QuerySupported(REFGUID set, DWORD id, DWORD* support) override;

  // What a derived pin decides.
  virtual HRESULT CheckMediaType(const CMediaType* mt) = 0;
  // The types the pin proposes, in preference order; VFW_S_NO_MORE_ITEMS past the last.
  virtual HRESULT GetMediaType(int position, CMediaType* mt);
  virtual HRESULT SetMediaType(const CMediaType* mt);
  virtual HRESULT CheckConnect(IPin* pin);
  virtual HRESULT BreakConnect() { return S_OK; }
  virtual HRESULT CompleteConnect(IPin*) { return S_OK; }
  // State changes of the filter, under the filter lock.
  virtual HRESULT Active() { return S_OK; }
  virtual HRESULT Inactive() { return S_OK; }
  virtual HRESULT Run(REFERENCE_TIME) { return S_OK; }

  bool IsConnected() const { return connected_ != nullptr; }
  IPin* GetConnected() const { return connected_; }  // not referenced
  const CMediaType& CurrentMediaType() const { return mt_; }
  PIN_DIRECTION Direction() const { return direction_; }
  const std::u16string& Name() const { return name_; }
  CBaseFilter* Filter() const { return filter_; }
  void SetCategory(const GUID& category) { category_ = category; }
  // The segment set by the last NewSegment.
  REFERENCE_TIME SegmentStart() const { return segmentStart_; }
  REFERENCE_TIME SegmentStop() const { return segmentStop_; }
  double SegmentRate() const { return segmentRate_; }

 protected:
  HRESULT AttemptConnection(IPin* receivePin, const CMediaType* mt);
  HRESULT TryMediaTypes(IPin* receivePin, const CMediaType* partial, IEnumMediaTypes* types);

  CBaseFilter* filter_;
  std::recursive_mutex* lock_;  // the filter lock
  IPin* connected_ = nullptr;   // one reference while connected
  CMediaType mt_;
  PIN_DIRECTION direction_;
  std::u16string name_;
  GUID category_ = GUID_NULL;
  REFERENCE_TIME segmentStart_ = 0, segmentStop_ = 0;
  double segmentRate_ = 1.0;
  const char* objectName_;
};

class CBaseInputPin : public CBasePin, public IMemInputPin {
 public:
  CBaseInputPin(const char* objectName, CBaseFilter* filter, std::recursive_mutex* lock,
                HRESULT* result, LPCWSTR name);
  ~CBaseInputPin() override;

  HRESULT QueryInterface(REFIID iid, void** object) override {
    return CBasePin::QueryInterface(iid, object);
  }
  ULONG AddRef() override { return CBasePin::AddRef(); }
  ULONG Release() override { return CBasePin::Release(); }
  HRESULT NonDelegatingQueryInterface(REFIID iid, void** object) override;

  HRESULT GetAllocator(IMemAllocator** allocator) override;
  HRESULT NotifyAllocator(IMemAllocator* allocator, BOOL readOnly) override;
  HRESULT GetAllocatorRequirements(ALLOCATOR_PROPERTIES*) override { return E_NOTIMPL; }
  // The base checks that the pin may stream: S_FALSE while flushing, VFW_E_WRONG_STATE when
  // the filter is stopped. Derived pins call it first.
  HRESULT Receive(IMediaSample* sample) override;
  HRESULT ReceiveMultiple(IMediaSample** samples, LONG count, LONG* processed) override;
  HRESULT ReceiveCanBlock() override { return S_OK; }

  HRESULT BeginFlush() override;
  HRESULT EndFlush() override;
  HRESULT Inactive() override;
  HRESULT BreakConnect() override;

  bool IsFlushing() const { return flushing_.load(std::memory_order_acquire); }
  HRESULT CheckStreaming();

 protected:
  IMemAllocator* allocator_ = nullptr;  // one reference
  bool readOnly_ = false;
  std::atomic<bool> flushing_{false};
};

class CBaseOutputPin : public CBasePin {
 public:
  CBaseOutputPin(const char* objectName, CBaseFilter* filter, std::recursive_mutex* lock,
                 HRESULT* result, LPCWSTR name);
  ~CBaseOutputPin() override;

  // Sets the allocator's sample count and size for the connected type.
  virtual HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) = 0;

  HRESULT CheckConnect(IPin* pin) override;
  HRESULT CompleteConnect(IPin* pin) override;
  HRESULT BreakConnect() override;
  HRESULT Active() override;    // commits the allocator
  HRESULT Inactive() override;  // decommits it, which releases a thread waiting in GetBuffer

  HRESULT EndOfStream() override { return E_UNEXPECTED; }
  HRESULT BeginFlush() override { return E_UNEXPECTED; }
  HRESULT EndFlush() override { return E_UNEXPECTED; }

  // Streaming thread helpers.
  HRESULT GetDeliveryBuffer(IMediaSample** sample, REFERENCE_TIME* start, REFERENCE_TIME* end,
                            DWORD flags);
  HRESULT Deliver(IMediaSample* sample);
  HRESULT DeliverEndOfStream();
  HRESULT DeliverBeginFlush();
  HRESULT DeliverEndFlush();
  HRESULT DeliverNewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate);

 protected:
  IMemAllocator* allocator_ = nullptr;  // one reference while connected
  IMemInputPin* inputPin_ = nullptr;    // one reference while connected
};

// Pins enumerated as a snapshot of the filter's pins.
HRESULT CreatePinEnumerator(CBaseFilter* filter, IEnumPins** pins);
