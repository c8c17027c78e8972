#pragma once
// Renderers: a filter with one input pin named "In" that presents each sample at its stream
// time on the graph clock.
//
// Receive (upstream streaming thread): a pre-roll sample is dropped. While paused, the first
// sample is handed to OnReceiveFirstSample and held, which completes the pause; the thread
// then waits there. While running, the thread waits until the sample's start time on the
// clock (start time + the Run start), at once when the filter has no clock, then calls
// DoRenderSample. Flushing, stopping or pausing release the wait. End of stream is reported
// to the graph as EC_COMPLETE once running and past the last sample's end time.

#include <condition_variable>

#include "platform/dshow/base/base_filter.h"

class CBaseRenderer;

class CRendererInputPin : public CBaseInputPin {
 public:
  CRendererInputPin(CBaseRenderer* renderer, HRESULT* result, LPCWSTR name);

  HRESULT CheckMediaType(const CMediaType* mt) override;
  HRESULT SetMediaType(const CMediaType* mt) override;
  HRESULT BreakConnect() override;
  HRESULT CompleteConnect(IPin* pin) override;
  HRESULT Receive(IMediaSample* sample) override;
  HRESULT EndOfStream() override;
  HRESULT BeginFlush() override;
  HRESULT EndFlush() override;
  HRESULT NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) override;

 private:
  CBaseRenderer* renderer_;
};

class CBaseRenderer : public CBaseFilter {
 public:
  CBaseRenderer(REFCLSID clsid, const char* name, IUnknown* outer, HRESULT* result);
  ~CBaseRenderer() override;

  // The media type the pin may connect with: S_OK to accept.
  virtual HRESULT CheckMediaType(const CMediaType* mt) = 0;
  // Presents one sample, on the upstream streaming thread.
  virtual HRESULT DoRenderSample(IMediaSample* sample) = 0;
  // The connection's type, while connecting (application thread); a failure refuses it.
  virtual HRESULT SetMediaType(const CMediaType* mt);
  // The first sample while paused, before the pause completes (streaming thread).
  virtual void OnReceiveFirstSample(IMediaSample* sample);
  virtual HRESULT BreakConnect() { return S_OK; }
  virtual HRESULT CompleteConnect(IPin*) { return S_OK; }

  int GetPinCount() override { return 1; }
  CBasePin* GetPin(int index) override;
  HRESULT Stop() override;
  HRESULT Pause() override;
  HRESULT Run(REFERENCE_TIME start) override;
  // Paused without a sample and not at the end: waits up to msTimeout for one, then
  // VFW_S_STATE_INTERMEDIATE.
  HRESULT GetState(DWORD msTimeout, FILTER_STATE* state) override;
  ULONG GetMiscFlags() override { return AM_FILTER_MISC_FLAGS_IS_RENDERER; }

  // Counts for tests and benchmarks.
  long FramesRendered() const { return rendered_.load(std::memory_order_relaxed); }
  long FramesDropped() const { return dropped_.load(std::memory_order_relaxed); }

 protected:
  friend class CRendererInputPin;
  HRESULT Receive(IMediaSample* sample);
  HRESULT EndOfStream();
  HRESULT BeginFlush();
  HRESULT EndFlush();
  // Waits until the stream time is reached on the clock, or the state changes; true when
  // the sample may be presented now. renderLock_ held.
  bool WaitForTime(std::unique_lock<std::mutex>& lock, REFERENCE_TIME streamTime, unsigned epoch);
  void SendEndOfStream();  // renderLock_ held

  CRendererInputPin* pin_ = nullptr;

  // Guards the streaming state below. Taken by the streaming thread and by state changes
  // (after the filter lock); the event lock of the graph is the only lock taken under it.
  std::mutex renderLock_;
  std::condition_variable stateChanged_;
  unsigned epoch_ = 0;  // bumped by every state change and flush
  bool flushing_ = false;
  bool haveFirst_ = false;  // the pause holds (or held) its sample
  bool endOfStream_ = false;
  bool completeSent_ = false;
  IReferenceClock* runClock_ = nullptr;  // the clock of the current run, one reference
  REFERENCE_TIME runStart_ = 0;
  REFERENCE_TIME lastEnd_ = 0;
  bool haveLastEnd_ = false;
  FILTER_STATE renderState_ = State_Stopped;

  std::atomic<long> rendered_{0};
  std::atomic<long> dropped_{0};
};

class CBaseVideoRenderer : public CBaseRenderer {
 public:
  CBaseVideoRenderer(REFCLSID clsid, const char* name, IUnknown* outer, HRESULT* result);
};
