#include "platform/dshow/filter_graph.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <map>

#include "platform/dshow/enum_snapshot.h"
#include "platform/dshow/filter_registry.h"
#include "platform/dshow/system_clock.h"

namespace {

using CEnumFilters = CEnumSnapshot<IEnumFilters, IBaseFilter, IID_IEnumFilters>;

constexpr int kMaxChain = 4;  // transforms inserted between two pins at most

void ReleaseAll(std::vector<IMediaSeeking*>& list) {
  for (IMediaSeeking* s : list) s->Release();
  list.clear();
}

std::vector<ComPtr<IPin>> Pins(IBaseFilter* filter, PIN_DIRECTION direction) {
  std::vector<ComPtr<IPin>> out;
  ComPtr<IEnumPins> pins;
  if (FAILED(filter->EnumPins(pins.put()))) return out;
  IPin* pin = nullptr;
  while (pins->Next(1, &pin, nullptr) == S_OK) {
    auto held = ComPtr<IPin>::Adopt(pin);
    PIN_DIRECTION d;
    if (SUCCEEDED(pin->QueryDirection(&d)) && d == direction) out.push_back(held);
  }
  return out;
}

ComPtr<IBaseFilter> OwnerOf(IPin* pin) {
  PIN_INFO info{};
  if (FAILED(pin->QueryPinInfo(&info))) return {};
  return ComPtr<IBaseFilter>::Adopt(info.pFilter);
}

bool IsRenderer(IBaseFilter* filter) {
  auto flags = ComPtr<IBaseFilter>(filter).As<IAMFilterMiscFlags>(IID_IAMFilterMiscFlags);
  if (!flags || !(flags->GetMiscFlags() & AM_FILTER_MISC_FLAGS_IS_RENDERER)) return false;
  for (auto& pin : Pins(filter, PINDIR_INPUT)) {
    ComPtr<IPin> peer;
    if (SUCCEEDED(pin->ConnectedTo(peer.put()))) return true;
  }
  return false;
}

void DisconnectAll(IBaseFilter* filter) {
  for (PIN_DIRECTION d : {PINDIR_INPUT, PINDIR_OUTPUT}) {
    for (auto& pin : Pins(filter, d)) {
      ComPtr<IPin> peer;
      if (SUCCEEDED(pin->ConnectedTo(peer.put()))) peer->Disconnect();
      pin->Disconnect();
    }
  }
}

REFERENCE_TIME Now(IReferenceClock* clock) {
  REFERENCE_TIME t = 0;
  if (clock) clock->GetTime(&t);
  return t;
}

IUnknown* CreateGraphObject(IUnknown*, HRESULT* result) {
  auto* graph = new CFilterGraph();
  graph->NonDelegatingAddRef();
  if (result) *result = S_OK;
  return static_cast<IGraphBuilder*>(graph);
}

IUnknown* CreateClockObject(IUnknown*, HRESULT* result) {
  auto* clock = new CSystemClock();
  clock->NonDelegatingAddRef();
  if (result) *result = S_OK;
  return static_cast<IReferenceClock*>(clock);
}

const bool registered = [] {
  CoRegisterClass(CLSID_FilterGraph, CreateGraphObject);
  CoRegisterClass(CLSID_SystemClock, CreateClockObject);
  return true;
}();

}  // namespace

CFilterGraph::CFilterGraph() : CUnknown("filter graph", nullptr) {
  clock_ = new CSystemClock();
  clock_->AddRef();
}

CFilterGraph::~CFilterGraph() {
  std::lock_guard lock(graphLock_);
  StopLocked();
  for (Entry& e : filters_) DisconnectAll(e.filter);
  for (Entry& e : filters_) {
    e.filter->JoinFilterGraph(nullptr, nullptr);
    e.filter->Release();
  }
  filters_.clear();
  if (clock_) clock_->Release();
}

HRESULT CFilterGraph::NonDelegatingQueryInterface(REFIID iid, void** object) {
  if (!object) return E_POINTER;
  if (iid == IID_IUnknown || iid == IID_IGraphBuilder || iid == IID_IFilterGraph)
    return GetInterface(static_cast<IGraphBuilder*>(this), object);
  if (iid == IID_IMediaControl) return GetInterface(static_cast<IMediaControl*>(this), object);
  if (iid == IID_IMediaFilter) return GetInterface(static_cast<IMediaFilter*>(this), object);
  if (iid == IID_IMediaSeeking) return GetInterface(static_cast<IMediaSeeking*>(this), object);
  if (iid == IID_IMediaPosition) return GetInterface(static_cast<IMediaPosition*>(this), object);
  if (iid == IID_IMediaEvent) return GetInterface(static_cast<IMediaEvent*>(this), object);
  if (iid == IID_IMediaEventSink) return GetInterface(static_cast<IMediaEventSink*>(this), object);
  return CUnknown::NonDelegatingQueryInterface(iid, object);
}

// --- filters --------------------------------------------------------------------------------

bool CFilterGraph::Contains(IBaseFilter* filter) const {
  return std::any_of(filters_.begin(), filters_.end(),
                     [&](const Entry& e) { return e.filter == filter; });
}

std::u16string CFilterGraph::UniqueName(LPCWSTR name) const {
  const std::u16string base = name && *name ? std::u16string(name) : std::u16string(u"Filter");
  auto taken = [&](const std::u16string& n) {
    return std::any_of(filters_.begin(), filters_.end(),
                       [&](const Entry& e) { return e.name == n; });
  };
  if (!taken(base)) return base;
  // "Name 0001", "Name 0002", ...
  for (int i = 1;; ++i) {
    char digits[16];
    std::snprintf(digits, sizeof digits, " %04d", i);
    std::u16string candidate = base;
    for (const char* c = digits; *c; ++c) candidate += static_cast<char16_t>(*c);
    if (!taken(candidate)) return candidate;
  }
}

HRESULT CFilterGraph::AddFilter(IBaseFilter* filter, LPCWSTR name) {
  if (!filter) return E_POINTER;
  std::lock_guard lock(graphLock_);
  if (Contains(filter)) return VFW_E_DUPLICATE_NAME;
  std::u16string unique = UniqueName(name);
  HRESULT hr = filter->JoinFilterGraph(this, unique.c_str());
  if (FAILED(hr)) return hr;
  filter->AddRef();
  filters_.push_back(Entry{filter, std::move(unique)});
  filter->SetSyncSource(clock_);
  return S_OK;
}

HRESULT CFilterGraph::RemoveLocked(IBaseFilter* filter) {
  auto it = std::find_if(filters_.begin(), filters_.end(),
                         [&](const Entry& e) { return e.filter == filter; });
  if (it == filters_.end()) return VFW_E_NOT_FOUND;
  if (state_ != State_Stopped) return VFW_E_NOT_STOPPED;
  DisconnectAll(filter);
  filter->SetSyncSource(nullptr);
  filter->JoinFilterGraph(nullptr, nullptr);
  filters_.erase(it);
  filter->Release();
  return S_OK;
}

HRESULT CFilterGraph::RemoveFilter(IBaseFilter* filter) {
  if (!filter) return E_POINTER;
  std::lock_guard lock(graphLock_);
  return RemoveLocked(filter);
}

HRESULT CFilterGraph::EnumFilters(IEnumFilters** filters) {
  if (!filters) return E_POINTER;
  std::lock_guard lock(graphLock_);
  std::vector<IBaseFilter*> list;
  for (const Entry& e : filters_) list.push_back(e.filter);
  *filters = CEnumFilters::Create(list);
  return S_OK;
}

HRESULT CFilterGraph::FindFilterByName(LPCWSTR name, IBaseFilter** filter) {
  if (!name || !filter) return E_POINTER;
  std::lock_guard lock(graphLock_);
  *filter = nullptr;
  for (const Entry& e : filters_) {
    if (e.name == name) {
      *filter = e.filter;
      e.filter->AddRef();
      return S_OK;
    }
  }
  return VFW_E_NOT_FOUND;
}

HRESULT CFilterGraph::ConnectDirect(IPin* out, IPin* in, const AM_MEDIA_TYPE* mt) {
  if (!out || !in) return E_POINTER;
  std::lock_guard lock(graphLock_);
  if (state_ != State_Stopped) return VFW_E_NOT_STOPPED;
  return out->Connect(in, mt);
}

HRESULT CFilterGraph::Reconnect(IPin*) { return E_NOTIMPL; }

HRESULT CFilterGraph::Disconnect(IPin* pin) {
  if (!pin) return E_POINTER;
  std::lock_guard lock(graphLock_);
  return pin->Disconnect();
}

HRESULT CFilterGraph::SetDefaultSyncSource() {
  IReferenceClock* raw = new CSystemClock();
  raw->AddRef();
  const HRESULT hr = SetSyncSource(raw);
  raw->Release();
  return hr;
}

// --- building -------------------------------------------------------------------------------

ComPtr<IBaseFilter> CFilterGraph::AddRegistered(const RegisteredFilter& candidate) {
  HRESULT created = S_OK;
  IBaseFilter* raw = candidate.create(&created);
  if (!raw) return {};
  auto filter = ComPtr<IBaseFilter>::Adopt(raw);
  if (FAILED(AddFilter(filter.get(), candidate.name.c_str()))) return {};
  return filter;
}

bool CFilterGraph::ThroughTransform(IPin* out, const std::function<bool(IBaseFilter*)>& onward) {
  CLSID upstream = GUID_NULL;
  if (auto owner = OwnerOf(out)) owner->GetClassID(&upstream);
  for (const RegisteredFilter& candidate : RegisteredFilters(FilterKind::Transform)) {
    if (candidate.clsid == upstream && !(upstream == GUID_NULL)) continue;  // no chain of itself
    auto filter = AddRegistered(candidate);
    if (!filter) continue;
    bool linked = false;
    for (auto& tin : Pins(filter.get(), PINDIR_INPUT)) {
      if (SUCCEEDED(out->Connect(tin.get(), nullptr))) {
        linked = true;
        break;
      }
    }
    if (linked && onward(filter.get())) return true;
    RemoveLocked(filter.get());
  }
  return false;
}

HRESULT CFilterGraph::ConnectVia(IPin* out, IPin* in, int depth) {
  HRESULT hr = out->Connect(in, nullptr);
  if (SUCCEEDED(hr)) return hr;
  if (depth >= kMaxChain) return VFW_E_CANNOT_CONNECT;
  const bool connected = ThroughTransform(out, [&](IBaseFilter* transform) {
    for (auto& tout : Pins(transform, PINDIR_OUTPUT))
      if (SUCCEEDED(ConnectVia(tout.get(), in, depth + 1))) return true;
    return false;
  });
  return connected ? S_OK : VFW_E_CANNOT_CONNECT;
}

HRESULT CFilterGraph::Connect(IPin* out, IPin* in) {
  if (!out || !in) return E_POINTER;
  std::lock_guard lock(graphLock_);
  if (state_ != State_Stopped) return VFW_E_NOT_STOPPED;
  PIN_DIRECTION d;
  if (FAILED(out->QueryDirection(&d)) || d != PINDIR_OUTPUT) return VFW_E_INVALID_DIRECTION;
  ComPtr<IPin> peer;
  if (SUCCEEDED(out->ConnectedTo(peer.put())) || SUCCEEDED(in->ConnectedTo(peer.put())))
    return VFW_E_ALREADY_CONNECTED;
  return ConnectVia(out, in, 0);
}

HRESULT CFilterGraph::RenderVia(IPin* out, int depth) {
  for (const RegisteredFilter& candidate : RegisteredFilters(FilterKind::Renderer)) {
    auto filter = AddRegistered(candidate);
    if (!filter) continue;
    for (auto& rin : Pins(filter.get(), PINDIR_INPUT))
      if (SUCCEEDED(out->Connect(rin.get(), nullptr))) return S_OK;
    RemoveLocked(filter.get());
  }
  if (depth >= kMaxChain) return VFW_E_CANNOT_RENDER;
  // Every output of the transform is rendered; it is kept when any of them is.
  const bool rendered = ThroughTransform(out, [&](IBaseFilter* transform) {
    bool any = false;
    for (auto& tout : Pins(transform, PINDIR_OUTPUT))
      if (SUCCEEDED(RenderVia(tout.get(), depth + 1))) any = true;
    return any;
  });
  return rendered ? S_OK : VFW_E_CANNOT_RENDER;
}

HRESULT CFilterGraph::Render(IPin* out) {
  if (!out) return E_POINTER;
  std::lock_guard lock(graphLock_);
  if (state_ != State_Stopped) return VFW_E_NOT_STOPPED;
  ComPtr<IPin> peer;
  if (SUCCEEDED(out->ConnectedTo(peer.put()))) return VFW_E_ALREADY_CONNECTED;
  return RenderVia(out, 0);
}

HRESULT CFilterGraph::LoadSource(LPCWSTR file, LPCWSTR name, IBaseFilter** filter) {
  const std::u16string url(file);
  HRESULT failure = VFW_E_UNKNOWN_FILE_TYPE;
  bool ownerFound = false;
  for (const RegisteredFilter& candidate : RegisteredFilters(FilterKind::Source)) {
    HRESULT hr = S_OK;
    IBaseFilter* raw = candidate.open(url, &hr);
    if (raw) {
      hr = AddFilter(raw, name ? name : url.c_str());
      if (FAILED(hr)) {
        raw->Release();
        return hr;
      }
      *filter = raw;  // the caller takes the factory's reference
      return S_OK;
    }
    // The first source that recognised the content but could not read it says why.
    if (!ownerFound && hr != VFW_E_UNKNOWN_FILE_TYPE && hr != VFW_E_UNSUPPORTED_STREAM &&
        FAILED(hr)) {
      failure = hr;
      ownerFound = true;
    }
  }
  return failure;
}

HRESULT CFilterGraph::AddSourceFilter(LPCWSTR file, LPCWSTR name, IBaseFilter** filter) {
  if (!file || !filter) return E_POINTER;
  std::lock_guard lock(graphLock_);
  *filter = nullptr;
  return LoadSource(file, name, filter);
}

HRESULT CFilterGraph::RenderFile(LPCWSTR file, LPCWSTR) {
  if (!file) return E_POINTER;
  std::lock_guard lock(graphLock_);
  if (state_ != State_Stopped) return VFW_E_NOT_STOPPED;
  IBaseFilter* raw = nullptr;
  HRESULT hr = LoadSource(file, nullptr, &raw);
  if (FAILED(hr)) return hr;
  auto source = ComPtr<IBaseFilter>::Adopt(raw);
  int streams = 0, rendered = 0;
  for (auto& pin : Pins(source.get(), PINDIR_OUTPUT)) {
    ++streams;
    if (SUCCEEDED(RenderVia(pin.get(), 0))) ++rendered;
  }
  if (rendered == 0) {
    RemoveLocked(source.get());
    return VFW_E_CANNOT_RENDER;
  }
  return rendered == streams ? S_OK : VFW_S_PARTIAL_RENDER;
}

// --- state ----------------------------------------------------------------------------------

std::vector<IBaseFilter*> CFilterGraph::DownstreamFirst() {
  // A filter comes after every filter its output pins feed.
  std::map<IBaseFilter*, std::vector<IBaseFilter*>> downstream;
  for (const Entry& e : filters_) {
    auto& list = downstream[e.filter];
    for (auto& pin : Pins(e.filter, PINDIR_OUTPUT)) {
      ComPtr<IPin> peer;
      if (FAILED(pin->ConnectedTo(peer.put()))) continue;
      if (auto owner = OwnerOf(peer.get())) list.push_back(owner.get());
    }
  }
  std::vector<IBaseFilter*> order;
  std::set<IBaseFilter*> placed;
  while (order.size() < filters_.size()) {
    bool progress = false;
    for (const Entry& e : filters_) {
      if (placed.count(e.filter)) continue;
      const auto& list = downstream[e.filter];
      const bool ready = std::all_of(list.begin(), list.end(), [&](IBaseFilter* f) {
        return placed.count(f) || !Contains(f);
      });
      if (!ready) continue;
      order.push_back(e.filter);
      placed.insert(e.filter);
      progress = true;
    }
    if (!progress) {  // a cycle: take the rest as they come
      for (const Entry& e : filters_)
        if (!placed.count(e.filter)) order.push_back(e.filter);
      break;
    }
  }
  return order;
}

std::vector<IMediaSeeking*> CFilterGraph::SeekingFilters() {
  std::vector<IMediaSeeking*> out;
  for (const Entry& e : filters_) {
    IMediaSeeking* seeking = nullptr;
    if (SUCCEEDED(e.filter->QueryInterface(IID_IMediaSeeking, reinterpret_cast<void**>(&seeking))))
      out.push_back(seeking);
  }
  return out;
}

void CFilterGraph::ResetCompletion() {
  std::size_t renderers = 0;
  for (const Entry& e : filters_)
    if (IsRenderer(e.filter)) ++renderers;
  std::lock_guard lock(eventLock_);
  completed_.clear();
  renderersExpected_ = renderers;
  countingCompletion_ = true;
}

HRESULT CFilterGraph::PauseFilters() {
  HRESULT result = S_OK;
  for (IBaseFilter* f : DownstreamFirst()) {
    const HRESULT hr = f->Pause();
    if (FAILED(hr) && SUCCEEDED(result)) result = hr;
  }
  return result;
}

HRESULT CFilterGraph::RunFilters() {
  HRESULT result = S_OK;
  for (IBaseFilter* f : DownstreamFirst()) {
    const HRESULT hr = f->Run(runStart_);
    if (FAILED(hr) && SUCCEEDED(result)) result = hr;
  }
  return result;
}

HRESULT CFilterGraph::StopFilters() {
  HRESULT result = S_OK;
  for (IBaseFilter* f : DownstreamFirst()) {
    const HRESULT hr = f->Stop();
    if (FAILED(hr) && SUCCEEDED(result)) result = hr;
  }
  return result;
}

HRESULT CFilterGraph::WaitForPause(LONG msTimeout) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(msTimeout);
  const std::vector<IBaseFilter*> order = DownstreamFirst();
  for (IBaseFilter* f : order) {
    FILTER_STATE s;
    if (f->GetState(0, &s) == VFW_S_CANT_CUE)
      return VFW_S_CANT_CUE;  // a live source sends no pre-roll
  }
  HRESULT result = S_OK;
  for (IBaseFilter* f : order) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    FILTER_STATE s;
    const HRESULT hr = f->GetState(static_cast<DWORD>(std::max<long long>(0, left.count())), &s);
    if (hr == VFW_S_STATE_INTERMEDIATE) result = S_FALSE;
  }
  return result;
}

HRESULT CFilterGraph::PauseLocked() {
  if (state_ == State_Paused) return S_OK;
  if (state_ == State_Running) {
    pausedStreamTime_ = StreamTimeLocked();
    const HRESULT hr = PauseFilters();
    state_ = State_Paused;
    return hr;
  }
  ResetCompletion();
  pausedStreamTime_ = 0;
  HRESULT hr = PauseFilters();
  state_ = State_Paused;
  if (FAILED(hr)) {
    StopLocked();
    return hr;
  }
  hr = WaitForPause(kPauseWaitMs);
  return hr == S_FALSE ? S_FALSE : S_OK;
}

HRESULT CFilterGraph::StopLocked() {
  if (state_ == State_Stopped) return S_OK;
  const REFERENCE_TIME position = CurrentPositionLocked();
  const HRESULT hr = StopFilters();
  state_ = State_Stopped;
  {
    std::lock_guard lock(eventLock_);
    countingCompletion_ = false;
  }
  // The next run goes on from where this one stopped.
  positionBase_ = position;
  auto seeking = SeekingFilters();
  for (IMediaSeeking* s : seeking) {
    LONGLONG at = position;
    s->SetPositions(&at, AM_SEEKING_AbsolutePositioning, nullptr, AM_SEEKING_NoPositioning);
  }
  ReleaseAll(seeking);
  return hr;
}

HRESULT CFilterGraph::Run() {
  std::lock_guard lock(graphLock_);
  if (state_ == State_Running) return S_OK;
  if (state_ == State_Stopped) {
    const HRESULT hr = PauseLocked();
    if (FAILED(hr)) return hr;
  }
  runStart_ = Now(clock_) - pausedStreamTime_;
  const HRESULT hr = RunFilters();
  state_ = State_Running;
  return FAILED(hr) ? hr : S_OK;
}

HRESULT CFilterGraph::Pause() {
  std::lock_guard lock(graphLock_);
  return PauseLocked();
}

HRESULT CFilterGraph::Stop() {
  std::lock_guard lock(graphLock_);
  return StopLocked();
}

HRESULT CFilterGraph::StopWhenReady() {
  std::lock_guard lock(graphLock_);
  HRESULT hr = PauseLocked();
  if (FAILED(hr)) return hr;
  return StopLocked();
}

HRESULT CFilterGraph::GetState(LONG msTimeout, OAFilterState* state) {
  if (!state) return E_POINTER;
  std::lock_guard lock(graphLock_);
  *state = state_;
  if (state_ != State_Paused) return S_OK;
  const HRESULT hr = WaitForPause(msTimeout < 0 ? kPauseWaitMs * 1000 : msTimeout);
  if (hr == VFW_S_CANT_CUE) return VFW_S_CANT_CUE;
  return hr == S_FALSE ? VFW_S_STATE_INTERMEDIATE : S_OK;
}

HRESULT CFilterGraph::GetState(DWORD msTimeout, FILTER_STATE* state) {
  if (!state) return E_POINTER;
  OAFilterState s = 0;
  const HRESULT hr = GetState(static_cast<LONG>(msTimeout), &s);
  *state = static_cast<FILTER_STATE>(s);
  return hr;
}

HRESULT CFilterGraph::GetClassID(CLSID* clsid) {
  if (!clsid) return E_POINTER;
  *clsid = CLSID_FilterGraph;
  return S_OK;
}

HRESULT CFilterGraph::SetSyncSource(IReferenceClock* clock) {
  std::lock_guard lock(graphLock_);
  if (state_ != State_Stopped) return VFW_E_NOT_STOPPED;
  if (clock) clock->AddRef();
  if (clock_) clock_->Release();
  clock_ = clock;
  for (const Entry& e : filters_) e.filter->SetSyncSource(clock_);
  return S_OK;
}

HRESULT CFilterGraph::GetSyncSource(IReferenceClock** clock) {
  if (!clock) return E_POINTER;
  std::lock_guard lock(graphLock_);
  *clock = clock_;
  if (clock_) clock_->AddRef();
  return clock_ ? S_OK : S_FALSE;
}

// --- positions ------------------------------------------------------------------------------

REFERENCE_TIME CFilterGraph::StreamTimeLocked() {
  if (state_ == State_Stopped) return 0;
  if (state_ == State_Paused || !clock_) return pausedStreamTime_;
  return std::max<REFERENCE_TIME>(0, Now(clock_) - runStart_);
}

REFERENCE_TIME CFilterGraph::CurrentPositionLocked() {
  REFERENCE_TIME position = positionBase_ + static_cast<REFERENCE_TIME>(StreamTimeLocked() * rate_);
  LONGLONG stop = 0;
  if (SUCCEEDED(GetStopPosition(&stop)) && position > stop) position = stop;
  return position;
}

HRESULT CFilterGraph::GetCapabilities(DWORD* capabilities) {
  if (!capabilities) return E_POINTER;
  std::lock_guard lock(graphLock_);
  auto seeking = SeekingFilters();
  DWORD caps = seeking.empty() ? 0 : ~DWORD(0);
  for (IMediaSeeking* s : seeking) {
    DWORD c = 0;
    s->GetCapabilities(&c);
    caps &= c;
  }
  ReleaseAll(seeking);
  *capabilities = caps | AM_SEEKING_CanGetCurrentPos;
  return S_OK;
}

HRESULT CFilterGraph::CheckCapabilities(DWORD* capabilities) {
  if (!capabilities) return E_POINTER;
  DWORD ours = 0;
  GetCapabilities(&ours);
  const DWORD asked = *capabilities;
  *capabilities &= ours;
  return *capabilities == asked ? S_OK : (*capabilities ? S_FALSE : E_FAIL);
}

HRESULT CFilterGraph::IsFormatSupported(const GUID* format) {
  if (!format) return E_POINTER;
  return *format == TIME_FORMAT_MEDIA_TIME ? S_OK : S_FALSE;
}

HRESULT CFilterGraph::QueryPreferredFormat(GUID* format) {
  if (!format) return E_POINTER;
  *format = TIME_FORMAT_MEDIA_TIME;
  return S_OK;
}

HRESULT CFilterGraph::GetTimeFormat(GUID* format) { return QueryPreferredFormat(format); }

HRESULT CFilterGraph::IsUsingTimeFormat(const GUID* format) { return IsFormatSupported(format); }

HRESULT CFilterGraph::SetTimeFormat(const GUID* format) {
  if (!format) return E_POINTER;
  return *format == TIME_FORMAT_MEDIA_TIME ? S_OK : VFW_E_NO_TIME_FORMAT;
}

HRESULT CFilterGraph::LargestOfSeekingFilters(HRESULT (IMediaSeeking::*read)(LONGLONG*), LONGLONG* value) {
  if (!value) return E_POINTER;
  std::lock_guard lock(graphLock_);
  auto seeking = SeekingFilters();
  HRESULT result = E_NOTIMPL;
  *value = 0;
  for (IMediaSeeking* s : seeking) {
    LONGLONG v = 0;
    if (SUCCEEDED((s->*read)(&v))) {
      *value = std::max(*value, v);
      result = S_OK;
    }
  }
  ReleaseAll(seeking);
  return result;
}

HRESULT CFilterGraph::GetDuration(LONGLONG* duration) {
  return LargestOfSeekingFilters(&IMediaSeeking::GetDuration, duration);
}

HRESULT CFilterGraph::GetStopPosition(LONGLONG* stop) {
  return LargestOfSeekingFilters(&IMediaSeeking::GetStopPosition, stop);
}

HRESULT CFilterGraph::GetCurrentPosition(LONGLONG* current) {
  if (!current) return E_POINTER;
  std::lock_guard lock(graphLock_);
  *current = CurrentPositionLocked();
  return S_OK;
}

HRESULT CFilterGraph::ConvertTimeFormat(LONGLONG* target, const GUID* targetFormat, LONGLONG source,
                                        const GUID* sourceFormat) {
  if (!target) return E_POINTER;
  if ((targetFormat && !(*targetFormat == TIME_FORMAT_MEDIA_TIME)) ||
      (sourceFormat && !(*sourceFormat == TIME_FORMAT_MEDIA_TIME)))
    return E_INVALIDARG;
  *target = source;
  return S_OK;
}

HRESULT CFilterGraph::SeekLocked(REFERENCE_TIME position) {
  auto seeking = SeekingFilters();
  if (seeking.empty()) return E_NOTIMPL;
  const FILTER_STATE before = state_;
  if (before == State_Running) {
    PauseFilters();
    state_ = State_Paused;
  }
  // Each source flushes downstream, repositions and restarts its streams.
  HRESULT result = S_OK;
  REFERENCE_TIME landed = position;
  for (IMediaSeeking* s : seeking) {
    LONGLONG at = position;
    const HRESULT hr = s->SetPositions(&at, AM_SEEKING_AbsolutePositioning | AM_SEEKING_ReturnTime,
                                       nullptr, AM_SEEKING_NoPositioning);
    if (FAILED(hr))
      result = hr;
    else
      landed = at;
  }
  ReleaseAll(seeking);
  positionBase_ = landed;
  pausedStreamTime_ = 0;
  if (before != State_Stopped) {
    ResetCompletion();
    WaitForPause(kPauseWaitMs);
    if (before == State_Running) {
      runStart_ = Now(clock_);
      RunFilters();
      state_ = State_Running;
    }
  }
  return result;
}

HRESULT CFilterGraph::SetPositions(LONGLONG* current, DWORD currentFlags, LONGLONG* stop,
                                   DWORD stopFlags) {
  std::lock_guard lock(graphLock_);
  const DWORD startMode = currentFlags & AM_SEEKING_PositioningBitsMask;
  const DWORD stopMode = stopFlags & AM_SEEKING_PositioningBitsMask;
  if ((startMode != AM_SEEKING_NoPositioning && !current) ||
      (stopMode != AM_SEEKING_NoPositioning && !stop))
    return E_POINTER;
  HRESULT result = S_OK;
  if (stopMode != AM_SEEKING_NoPositioning) {
    auto seeking = SeekingFilters();
    if (seeking.empty()) return E_NOTIMPL;
    for (IMediaSeeking* s : seeking) {
      LONGLONG at = *stop;
      const HRESULT hr = s->SetPositions(nullptr, AM_SEEKING_NoPositioning, &at, stopFlags);
      if (FAILED(hr)) result = hr;
    }
    ReleaseAll(seeking);
  }
  if (startMode != AM_SEEKING_NoPositioning) {
    REFERENCE_TIME target = *current;
    if (startMode == AM_SEEKING_RelativePositioning) target += CurrentPositionLocked();
    const HRESULT hr = SeekLocked(target);
    if (FAILED(hr)) result = hr;
    if (currentFlags & AM_SEEKING_ReturnTime) *current = positionBase_;
  }
  if (stop && (stopFlags & AM_SEEKING_ReturnTime)) GetStopPosition(stop);
  return result;
}

HRESULT CFilterGraph::GetPositions(LONGLONG* current, LONGLONG* stop) {
  std::lock_guard lock(graphLock_);
  if (current) *current = CurrentPositionLocked();
  if (stop) return GetStopPosition(stop);
  return S_OK;
}

HRESULT CFilterGraph::GetAvailable(LONGLONG* earliest, LONGLONG* latest) {
  if (earliest) *earliest = 0;
  if (latest) return GetDuration(latest);
  return S_OK;
}

HRESULT CFilterGraph::SetRate(double rate) {
  if (!(rate > 0.0)) return E_INVALIDARG;
  std::lock_guard lock(graphLock_);
  if (rate == rate_) return S_OK;
  auto seeking = SeekingFilters();
  if (seeking.empty()) return E_NOTIMPL;
  const REFERENCE_TIME position = CurrentPositionLocked();
  HRESULT result = S_OK;
  for (IMediaSeeking* s : seeking) {
    const HRESULT hr = s->SetRate(rate);
    if (FAILED(hr)) result = hr;
  }
  ReleaseAll(seeking);
  if (FAILED(result)) return result;
  rate_ = rate;
  // Samples are restamped from the current position at the new rate.
  return SeekLocked(position);
}

HRESULT CFilterGraph::GetRate(double* rate) {
  if (!rate) return E_POINTER;
  std::lock_guard lock(graphLock_);
  *rate = rate_;
  return S_OK;
}

HRESULT CFilterGraph::GetPreroll(LONGLONG* preroll) {
  if (!preroll) return E_POINTER;
  *preroll = 0;
  return S_OK;
}

HRESULT CFilterGraph::get_Duration(REFTIME* length) {
  if (!length) return E_POINTER;
  LONGLONG d = 0;
  const HRESULT hr = GetDuration(&d);
  *length = d / 1e7;
  return hr;
}

HRESULT CFilterGraph::put_CurrentPosition(REFTIME time) {
  LONGLONG at = static_cast<LONGLONG>(time * 1e7);
  return SetPositions(&at, AM_SEEKING_AbsolutePositioning, nullptr, AM_SEEKING_NoPositioning);
}

HRESULT CFilterGraph::get_CurrentPosition(REFTIME* time) {
  if (!time) return E_POINTER;
  LONGLONG at = 0;
  const HRESULT hr = GetCurrentPosition(&at);
  *time = at / 1e7;
  return hr;
}

HRESULT CFilterGraph::get_StopTime(REFTIME* time) {
  if (!time) return E_POINTER;
  LONGLONG at = 0;
  const HRESULT hr = GetStopPosition(&at);
  *time = at / 1e7;
  return hr;
}

HRESULT CFilterGraph::put_StopTime(REFTIME time) {
  LONGLONG at = static_cast<LONGLONG>(time * 1e7);
  return SetPositions(nullptr, AM_SEEKING_NoPositioning, &at, AM_SEEKING_AbsolutePositioning);
}

// --- events ---------------------------------------------------------------------------------

HRESULT CFilterGraph::Notify(LONG code, LONG_PTR param1, LONG_PTR param2) {
  std::lock_guard lock(eventLock_);
  if (code == EC_COMPLETE) {
    if (!countingCompletion_) return S_OK;
    completed_.insert(param2);
    if (completed_.size() < renderersExpected_) return S_OK;
    countingCompletion_ = false;  // one EC_COMPLETE per run or seek
    events_.push_back(Event{EC_COMPLETE, S_OK, 0});
  } else {
    events_.push_back(Event{code, param1, param2});
  }
  eventPosted_.notify_all();
  return S_OK;
}

HRESULT CFilterGraph::GetEvent(LONG* code, LONG_PTR* param1, LONG_PTR* param2, LONG msTimeout) {
  if (!code || !param1 || !param2) return E_POINTER;
  std::unique_lock lock(eventLock_);
  auto any = [&] { return !events_.empty(); };
  if (msTimeout < 0)
    eventPosted_.wait(lock, any);
  else if (msTimeout > 0)
    eventPosted_.wait_for(lock, std::chrono::milliseconds(msTimeout), any);
  if (events_.empty()) {
    *code = 0;
    *param1 = *param2 = 0;
    return E_ABORT;
  }
  const Event e = events_.front();
  events_.pop_front();
  *code = e.code;
  *param1 = e.param1;
  *param2 = e.param2;
  return S_OK;
}

HRESULT CFilterGraph::WaitForCompletion(LONG msTimeout, LONG* code) {
  if (!code) return E_POINTER;
  std::unique_lock lock(eventLock_);
  auto ending = [&] {
    return std::any_of(events_.begin(), events_.end(), [](const Event& e) {
      return e.code == EC_COMPLETE || e.code == EC_ERRORABORT || e.code == EC_USERABORT;
    });
  };
  if (msTimeout < 0)
    eventPosted_.wait(lock, ending);
  else
    eventPosted_.wait_for(lock, std::chrono::milliseconds(msTimeout), ending);
  *code = 0;
  for (auto it = events_.begin(); it != events_.end(); ++it) {
    if (it->code == EC_COMPLETE || it->code == EC_ERRORABORT || it->code == EC_USERABORT) {
      *code = it->code;
      events_.erase(it);
      return S_OK;
    }
  }
  return E_ABORT;
}

HRESULT CFilterGraph::FreeEventParams(LONG, LONG_PTR, LONG_PTR) { return S_OK; }
