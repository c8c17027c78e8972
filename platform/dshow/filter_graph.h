#pragma once
// The filter graph manager (CLSID_FilterGraph). Application-thread interfaces take the graph
// lock; IMediaEventSink::Notify, called by filters from any thread, takes only the event
// lock, so a streaming thread never waits for the application thread. Lock order and threads
// are described in docs/media_engine.md.

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "platform/dshow/base/com_object.h"

struct RegisteredFilter;

class CFilterGraph final : public CUnknown,
                           public IGraphBuilder,
                           public IMediaControl,
                           public IMediaFilter,
                           public IMediaSeeking,
                           public IMediaPosition,
                           public IMediaEvent,
                           public IMediaEventSink {
 public:
  // How long Pause (and Run from stopped) waits for every renderer to hold its first sample.
  static constexpr LONG kPauseWaitMs = 5000;

  CFilterGraph();
  ~CFilterGraph() override;
  DECLARE_IUNKNOWN
  HRESULT NonDelegatingQueryInterface(REFIID iid, void** object) override;

  // IFilterGraph / IGraphBuilder
  HRESULT AddFilter(IBaseFilter* filter, LPCWSTR name) override;
  HRESULT RemoveFilter(IBaseFilter* filter) override;
  HRESULT EnumFilters(IEnumFilters** filters) override;
  HRESULT FindFilterByName(LPCWSTR name, IBaseFilter** filter) override;
  HRESULT ConnectDirect(IPin* out, IPin* in, const AM_MEDIA_TYPE* mt) override;
  HRESULT Reconnect(IPin* pin) override;
  HRESULT Disconnect(IPin* pin) override;
  HRESULT SetDefaultSyncSource() override;
  HRESULT Connect(IPin* out, IPin* in) override;
  HRESULT Render(IPin* out) override;
  HRESULT RenderFile(LPCWSTR file, LPCWSTR playList) override;
  HRESULT AddSourceFilter(LPCWSTR file, LPCWSTR name, IBaseFilter** filter) override;
  HRESULT SetLogFile(LONG_PTR) override { return S_OK; }
  HRESULT Abort() override { return S_OK; }
  HRESULT ShouldOperationContinue() override { return S_OK; }

  // IMediaControl (and IMediaFilter: the graph's clock is set through SetSyncSource; null
  // runs every renderer as fast as data comes)
  HRESULT Run() override;
  HRESULT Pause() override;
  HRESULT Stop() override;
  HRESULT GetState(LONG msTimeout, OAFilterState* state) override;
  HRESULT StopWhenReady() override;
  HRESULT GetClassID(CLSID* clsid) override;
  HRESULT Run(REFERENCE_TIME) override { return Run(); }
  HRESULT GetState(DWORD msTimeout, FILTER_STATE* state) override;
  HRESULT SetSyncSource(IReferenceClock* clock) override;
  HRESULT GetSyncSource(IReferenceClock** clock) override;

  // IMediaSeeking: forwarded to the filters that seek (the sources). The current position
  // follows the graph clock from the last seek; without a clock it stays at the last seek.
  HRESULT GetCapabilities(DWORD* capabilities) override;
  HRESULT CheckCapabilities(DWORD* capabilities) override;
  HRESULT IsFormatSupported(const GUID* format) override;
  HRESULT QueryPreferredFormat(GUID* format) override;
  HRESULT GetTimeFormat(GUID* format) override;
  HRESULT IsUsingTimeFormat(const GUID* format) override;
  HRESULT SetTimeFormat(const GUID* format) override;
  HRESULT GetDuration(LONGLONG* duration) override;
  HRESULT GetStopPosition(LONGLONG* stop) override;
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

  // IMediaPosition
  HRESULT get_Duration(REFTIME* length) override;
  HRESULT put_CurrentPosition(REFTIME time) override;
  HRESULT get_CurrentPosition(REFTIME* time) override;
  HRESULT get_StopTime(REFTIME* time) override;
  HRESULT put_StopTime(REFTIME time) override;
  HRESULT put_Rate(double rate) override { return SetRate(rate); }
  HRESULT get_Rate(double* rate) override { return GetRate(rate); }

  // IMediaEvent
  HRESULT GetEvent(LONG* code, LONG_PTR* param1, LONG_PTR* param2, LONG msTimeout) override;
  HRESULT WaitForCompletion(LONG msTimeout, LONG* code) override;
  HRESULT FreeEventParams(LONG code, LONG_PTR param1, LONG_PTR param2) override;

  // IMediaEventSink: EC_COMPLETE from a renderer is counted; the graph posts one
  // EC_COMPLETE when every renderer of the run has sent its own.
  HRESULT Notify(LONG code, LONG_PTR param1, LONG_PTR param2) override;

 private:
  struct Entry {
    IBaseFilter* filter;  // one reference
    std::u16string name;
  };
  struct Event {
    LONG code;
    LONG_PTR param1, param2;
  };

  // All with graphLock_ held.
  std::vector<IBaseFilter*> DownstreamFirst();
  std::vector<IMediaSeeking*> SeekingFilters();  // each referenced; release with ReleaseAll
  // The largest value read from the seekable filters (the longest stream decides); E_NOTIMPL,
  // with 0, when none answers.
  HRESULT LargestOfSeekingFilters(HRESULT (IMediaSeeking::*read)(LONGLONG*), LONGLONG* value);
  HRESULT PauseFilters();
  HRESULT WaitForPause(LONG msTimeout);
  HRESULT RunFilters();
  HRESULT StopFilters();
  HRESULT PauseLocked();
  HRESULT StopLocked();
  REFERENCE_TIME StreamTimeLocked();
  REFERENCE_TIME CurrentPositionLocked();
  HRESULT SeekLocked(REFERENCE_TIME position);
  void ResetCompletion();
  HRESULT ConnectVia(IPin* out, IPin* in, int depth);
  HRESULT RenderVia(IPin* out, int depth);
  // Intelligent connect's one step: tries the registered transforms after out in merit order.
  // A transform is kept when out connects to one of its input pins and onward, given the
  // transform, carries on from its outputs; otherwise it is taken out again. False when none
  // is kept.
  bool ThroughTransform(IPin* out, const std::function<bool(IBaseFilter*)>& onward);
  // A new filter of a registered class, added to the graph under its registered name; null
  // when it cannot be made or added.
  ComPtr<IBaseFilter> AddRegistered(const RegisteredFilter& candidate);
  HRESULT RemoveLocked(IBaseFilter* filter);
  HRESULT LoadSource(LPCWSTR file, LPCWSTR name, IBaseFilter** filter);
  bool Contains(IBaseFilter* filter) const;
  std::u16string UniqueName(LPCWSTR name) const;

  std::recursive_mutex graphLock_;
  std::vector<Entry> filters_;
  IReferenceClock* clock_ = nullptr;  // one reference; null for un-throttled running
  FILTER_STATE state_ = State_Stopped;
  double rate_ = 1.0;
  REFERENCE_TIME runStart_ = 0;          // clock time of stream time 0 while running
  REFERENCE_TIME pausedStreamTime_ = 0;  // stream time reached when paused
  REFERENCE_TIME positionBase_ = 0;      // media position at stream time 0

  // The event queue and completion counting: leaf lock, any thread.
  std::mutex eventLock_;
  std::condition_variable eventPosted_;
  std::deque<Event> events_;
  std::set<LONG_PTR> completed_;
  std::size_t renderersExpected_ = 0;
  bool countingCompletion_ = false;
};
