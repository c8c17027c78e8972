#pragma once
// CTransformFilter: one input pin "In", one output pin "Out". The output pin can connect
// only once the input is connected, and proposes the types GetMediaType gives for the
// input's type. By default each input sample becomes one output sample through Transform
// (times, sync point, pre-roll and discontinuity copied); a filter with another rhythm (a
// decoder with delay, audio) overrides Receive and EndOfStream and uses the output pin's
// GetDeliveryBuffer / Deliver itself.
//
// Locks: the filter lock for state and connections (application thread); receiveLock_ for
// streaming (upstream thread). Stop decommits the allocators first, so that a Receive
// waiting for a buffer returns, then takes receiveLock_ to wait for it to finish.

#include "platform/dshow/base/base_filter.h"

class CTransformFilter;

class CTransformInputPin : public CBaseInputPin {
 public:
  CTransformInputPin(const char* objectName, CTransformFilter* filter, HRESULT* result,
                     LPCWSTR name);
  HRESULT CheckMediaType(const CMediaType* mt) override;
  HRESULT SetMediaType(const CMediaType* mt) override;
  HRESULT CheckConnect(IPin* pin) override;
  HRESULT BreakConnect() override;
  HRESULT CompleteConnect(IPin* pin) override;
  HRESULT Receive(IMediaSample* sample) override;
  HRESULT EndOfStream() override;
  HRESULT BeginFlush() override;
  HRESULT EndFlush() override;
  HRESULT NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) override;

 private:
  CTransformFilter* transform_;
};

class CTransformOutputPin : public CBaseOutputPin {
 public:
  CTransformOutputPin(const char* objectName, CTransformFilter* filter, HRESULT* result,
                      LPCWSTR name);
  HRESULT CheckMediaType(const CMediaType* mt) override;
  HRESULT SetMediaType(const CMediaType* mt) override;
  HRESULT CheckConnect(IPin* pin) override;
  HRESULT BreakConnect() override;
  HRESULT CompleteConnect(IPin* pin) override;
  HRESULT GetMediaType(int position, CMediaType* mt) override;
  HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) override;

 private:
  CTransformFilter* transform_;
};

class CTransformFilter : public CBaseFilter {
 public:
  CTransformFilter(const char* objectName, IUnknown* outer, REFCLSID clsid);
  ~CTransformFilter() override;

  // What a transform decides.
  virtual HRESULT CheckInputType(const CMediaType* in) = 0;
  virtual HRESULT CheckTransform(const CMediaType* in, const CMediaType* out) = 0;
  virtual HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) = 0;
  // Output types for the connected input type; VFW_S_NO_MORE_ITEMS past the last.
  virtual HRESULT GetMediaType(int position, CMediaType* mt) = 0;
  virtual HRESULT Transform(IMediaSample* in, IMediaSample* out);

  virtual HRESULT SetMediaType(PIN_DIRECTION, const CMediaType*) { return S_OK; }
  virtual HRESULT CheckConnect(PIN_DIRECTION, IPin*) { return S_OK; }
  virtual HRESULT BreakConnect(PIN_DIRECTION) { return S_OK; }
  virtual HRESULT CompleteConnect(PIN_DIRECTION, IPin*) { return S_OK; }
  // Streaming thread, receiveLock_ held.
  virtual HRESULT Receive(IMediaSample* sample);
  virtual HRESULT EndOfStream();
  // Application thread (upstream restart): drop anything buffered.
  virtual HRESULT BeginFlush();
  virtual HRESULT EndFlush();
  virtual HRESULT NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate);
  // Called when streaming starts (Pause from stopped) and after it stopped.
  virtual HRESULT StartStreaming() { return S_OK; }
  virtual HRESULT StopStreaming() { return S_OK; }

  int GetPinCount() override { return 2; }
  CBasePin* GetPin(int index) override;
  HRESULT Stop() override;
  HRESULT Pause() override;

  CTransformInputPin* Input() { return input_; }
  CTransformOutputPin* Output() { return output_; }

 protected:
  friend class CTransformInputPin;
  std::mutex receiveLock_;
  CTransformInputPin* input_ = nullptr;
  CTransformOutputPin* output_ = nullptr;
};
