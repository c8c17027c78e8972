#pragma once
// Push sources: CSource owns output pins of type CSourceStream, each of which runs its own
// streaming thread while the filter is paused or running, filling samples and delivering
// them downstream. CSourceSeeking adds IMediaSeeking to a source filter.

#include <condition_variable>
#include <thread>
#include <vector>

#include "platform/dshow/base/base_filter.h"

class CSourceStream;

class CSource : public CBaseFilter {
 public:
  CSource(const char* objectName, IUnknown* outer, REFCLSID clsid);
  ~CSource() override;  // deletes the pins

  int GetPinCount() override { return static_cast<int>(streams_.size()); }
  CBasePin* GetPin(int index) override;
  // Called by the CSourceStream constructor; the filter owns the pin from then on.
  void AddPin(CSourceStream* stream) { streams_.push_back(stream); }
  CSourceStream* Stream(int index) { return streams_[index]; }

 protected:
  std::vector<CSourceStream*> streams_;
};

class CSourceStream : public CBaseOutputPin {
 public:
  CSourceStream(const char* objectName, HRESULT* result, CSource* filter, LPCWSTR name);
  ~CSourceStream() override;

  // On the streaming thread: fills one sample (data, length, times, sync point, pre-roll).
  // S_OK delivers it; S_FALSE ends the stream (end of stream goes downstream); an error
  // ends it too and reports EC_ERRORABORT to the graph.
  virtual HRESULT FillBuffer(IMediaSample* sample) = 0;
  // On the streaming thread, before the first and after the last FillBuffer.
  virtual HRESULT OnThreadCreate() { return S_OK; }
  virtual HRESULT OnThreadDestroy() { return S_OK; }
  // Any thread: makes a FillBuffer blocked on input (a network read, a device) return soon,
  // because the thread is being stopped. Default: nothing.
  virtual void OnStopRequested() {}

  HRESULT Active() override;    // starts the thread
  HRESULT Inactive() override;  // stops and joins it

  // Restarts delivery from a new position while the filter keeps its state: flushes
  // downstream, stops the thread, calls apply() (which repositions the source), sends a new
  // segment, and starts the thread again if the filter is active. Application thread.
  template <class Apply>
  HRESULT Restart(REFERENCE_TIME start, REFERENCE_TIME stop, double rate, Apply apply) {
    const bool active = threadRunning_;
    if (active) {
      DeliverBeginFlush();
      StopThread();
      DeliverEndFlush();
    }
    apply();
    DeliverNewSegment(start, stop, rate);
    discontinuity_ = true;
    return active ? StartThread() : S_OK;
  }

  // True on the streaming thread once the thread is asked to stop.
  bool StopRequested() const { return stopRequested_.load(std::memory_order_acquire); }

 protected:
  // Set on the first sample after a restart; FillBuffer may read and clear it.
  bool discontinuity_ = true;
  CSource* source_;

 private:
  HRESULT StartThread();
  void StopThread();
  void ThreadProc();

  std::thread thread_;
  bool threadRunning_ = false;  // application thread only
  std::atomic<bool> stopRequested_{false};
};

// IMediaSeeking for a source filter, in TIME_FORMAT_MEDIA_TIME. The derived filter forwards
// its IUnknown methods and answers IID_IMediaSeeking with this, and repositions its
// stream(s) in ChangeStart / ChangeStop / ChangeRate (typically through
// CSourceStream::Restart). Positions are media times; samples are stamped in stream time,
// (media time - start) / rate. The graph follows every rate change with a SetPositions at
// the current position, so ChangeRate only needs to record the rate for the next restart.
class CSourceSeeking : public IMediaSeeking {
 public:
  explicit CSourceSeeking(REFERENCE_TIME duration) : duration_(duration), stop_(duration) {}
  virtual ~CSourceSeeking() = default;

  HRESULT GetCapabilities(DWORD* capabilities) override;
  HRESULT CheckCapabilities(DWORD* capabilities) override;
  HRESULT IsFormatSupported(const GUID* format) override;
  HRESULT QueryPreferredFormat(GUID* format) override;
  HRESULT GetTimeFormat(GUID* format) override;
  HRESULT IsUsingTimeFormat(const GUID* format) override;
  HRESULT SetTimeFormat(const GUID* format) override;
  HRESULT GetDuration(LONGLONG* duration) override;
  HRESULT GetStopPosition(LONGLONG* stop) override;
  // The current start position (the graph computes playback positions from its clock).
  HRESULT GetCurrentPosition(LONGLONG* current) override;
  HRESULT ConvertTimeFormat(LONGLONG* target, const GUID* targetFormat, LONGLONG source,
                            const GUID* sourceFormat) override;
  HRESULT SetPositions(LONGLONG* current, DWORD currentFlags, LONGLONG* stop,
                       DWORD stopFlags) override;
  HRESULT GetPositions(LONGLONG* current, LONGLONG* stop) override;
  HRESULT GetAvailable(LONGLONG* earliest, LONGLONG* latest) override;
  HRESULT SetRate(double rate) override;
  HRESULT GetRate(double* rate) override;
  HRESULT GetPreroll(LONGLONG* preroll) override;

 protected:
  virtual HRESULT ChangeStart() = 0;
  virtual HRESULT ChangeStop() = 0;
  virtual HRESULT ChangeRate() = 0;

  std::recursive_mutex seekLock_;  // application thread; guards the three values below
  REFERENCE_TIME duration_;
  REFERENCE_TIME start_ = 0;
  REFERENCE_TIME stop_;
  double rate_ = 1.0;
};
