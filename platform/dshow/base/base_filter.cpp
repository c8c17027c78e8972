#include "platform/dshow/base/base_filter.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/dshow/enum_snapshot.h"

namespace {

std::u16string CopyName(LPCWSTR name) { return name ? std::u16string(name) : std::u16string(); }

void CopyToArray(const std::u16string& text, WCHAR* out, std::size_t capacity) {
  const std::size_t n = std::min(text.size(), capacity - 1);
  std::copy_n(text.data(), n, out);
  out[n] = 0;
}

using CEnumPins = CEnumSnapshot<IEnumPins, IPin, IID_IEnumPins>;

class CEnumMediaTypes final : public CUnknown, public IEnumMediaTypes {
 public:
  explicit CEnumMediaTypes(std::vector<CMediaType> types)
      : CUnknown("media type enumerator", nullptr), types_(std::move(types)) {}
  DECLARE_IUNKNOWN
  HRESULT NonDelegatingQueryInterface(REFIID iid, void** object) override {
    if (iid == IID_IUnknown || iid == IID_IEnumMediaTypes)
      return GetInterface(static_cast<IEnumMediaTypes*>(this), object);
    return CUnknown::NonDelegatingQueryInterface(iid, object);
  }
  HRESULT Next(ULONG count, AM_MEDIA_TYPE** types, ULONG* fetched) override {
    if (!types) return E_POINTER;
    if (count > 1 && !fetched) return E_INVALIDARG;
    ULONG n = 0;
    while (n < count && position_ < types_.size()) {
      types[n] = CreateMediaType(&types_[position_++]);
      if (!types[n]) break;
      ++n;
    }
    if (fetched) *fetched = n;
    return n == count ? S_OK : S_FALSE;
  }
  HRESULT Skip(ULONG count) override {
    position_ = std::min<std::size_t>(types_.size(), position_ + count);
    return position_ < types_.size() ? S_OK : S_FALSE;
  }
  HRESULT Reset() override {
    position_ = 0;
    return S_OK;
  }
  HRESULT Clone(IEnumMediaTypes** copy) override {
    if (!copy) return E_POINTER;
    auto* clone = new CEnumMediaTypes(types_);
    clone->position_ = position_;
    return GetInterface(static_cast<IEnumMediaTypes*>(clone), reinterpret_cast<void**>(copy));
  }

 private:
  std::vector<CMediaType> types_;
  std::size_t position_ = 0;
};

}  // namespace

HRESULT CreatePinEnumerator(CBaseFilter* filter, IEnumPins** pins) {
  if (!pins) return E_POINTER;
  std::vector<IPin*> list;
  for (int i = 0; i < filter->GetPinCount(); ++i)
    if (IPin* pin = filter->GetPin(i)) list.push_back(pin);
  *pins = CEnumPins::Create(list);
  return S_OK;
}

// --- CBaseFilter ----------------------------------------------------------------------------

CBaseFilter::CBaseFilter(const char* objectName, IUnknown* outer, REFCLSID clsid)
    : CUnknown(objectName, outer), clsid_(clsid) {}

CBaseFilter::~CBaseFilter() {
  if (clock_) clock_->Release();
}

HRESULT CBaseFilter::NonDelegatingQueryInterface(REFIID iid, void** object) {
  if (!object) return E_POINTER;
  if (iid == IID_IUnknown || iid == IID_IBaseFilter || iid == IID_IMediaFilter ||
      iid == IID_IPersist)
    return GetInterface(static_cast<IBaseFilter*>(this), object);
  if (iid == IID_IAMFilterMiscFlags && GetMiscFlags() != 0)
    return GetInterface(static_cast<IAMFilterMiscFlags*>(this), object);
  return CUnknown::NonDelegatingQueryInterface(iid, object);
}

HRESULT CBaseFilter::GetClassID(CLSID* clsid) {
  if (!clsid) return E_POINTER;
  *clsid = clsid_;
  return S_OK;
}

HRESULT CBaseFilter::Stop() {
  std::lock_guard lock(filterLock_);
  HRESULT result = S_OK;
  if (State() != State_Stopped) {
    for (int i = 0; i < GetPinCount(); ++i) {
      CBasePin* pin = GetPin(i);
      if (pin && pin->IsConnected()) {
        const HRESULT hr = pin->Inactive();
        if (FAILED(hr) && SUCCEEDED(result)) result = hr;
      }
    }
  }
  state_.store(State_Stopped, std::memory_order_release);
  return result;
}

HRESULT CBaseFilter::Pause() {
  std::lock_guard lock(filterLock_);
  if (State() == State_Stopped) {
    for (int i = 0; i < GetPinCount(); ++i) {
      CBasePin* pin = GetPin(i);
      if (pin && pin->IsConnected()) {
        const HRESULT hr = pin->Active();
        if (FAILED(hr)) return hr;
      }
    }
  }
  state_.store(State_Paused, std::memory_order_release);
  return S_OK;
}

HRESULT CBaseFilter::Run(REFERENCE_TIME start) {
  std::lock_guard lock(filterLock_);
  if (State() == State_Stopped) {
    const HRESULT hr = Pause();
    if (FAILED(hr)) return hr;
  }
  streamStart_ = start;
  if (State() != State_Running) {
    for (int i = 0; i < GetPinCount(); ++i) {
      CBasePin* pin = GetPin(i);
      if (pin && pin->IsConnected()) {
        const HRESULT hr = pin->Run(start);
        if (FAILED(hr)) return hr;
      }
    }
  }
  state_.store(State_Running, std::memory_order_release);
  return S_OK;
}

HRESULT CBaseFilter::GetState(DWORD, FILTER_STATE* state) {
  if (!state) return E_POINTER;
  *state = State();
  return S_OK;
}

HRESULT CBaseFilter::SetSyncSource(IReferenceClock* clock) {
  std::lock_guard lock(filterLock_);
  if (clock) clock->AddRef();
  if (clock_) clock_->Release();
  clock_ = clock;
  return S_OK;
}

HRESULT CBaseFilter::GetSyncSource(IReferenceClock** clock) {
  if (!clock) return E_POINTER;
  std::lock_guard lock(filterLock_);
  *clock = clock_;
  if (clock_) clock_->AddRef();
  return S_OK;
}

HRESULT CBaseFilter::EnumPins(IEnumPins** pins) { return CreatePinEnumerator(this, pins); }

HRESULT CBaseFilter::FindPin(LPCWSTR id, IPin** pin) {
  if (!id || !pin) return E_POINTER;
  *pin = nullptr;
  const std::u16string wanted(id);
  for (int i = 0; i < GetPinCount(); ++i) {
    CBasePin* candidate = GetPin(i);
    if (candidate && candidate->Name() == wanted) {
      *pin = candidate;
      candidate->AddRef();
      return S_OK;
    }
  }
  return VFW_E_NOT_FOUND;
}

HRESULT CBaseFilter::QueryFilterInfo(FILTER_INFO* info) {
  if (!info) return E_POINTER;
  std::lock_guard lock(filterLock_);
  CopyToArray(name_, info->achName, MAX_FILTER_NAME);
  info->pGraph = graph_;
  if (graph_) graph_->AddRef();
  return S_OK;
}

HRESULT CBaseFilter::JoinFilterGraph(IFilterGraph* graph, LPCWSTR name) {
  std::lock_guard lock(filterLock_);
  graph_ = graph;
  name_ = graph ? CopyName(name) : std::u16string();
  IMediaEventSink* sink = nullptr;
  // The graph outlives its membership, so the sink is kept without a reference.
  if (graph &&
      SUCCEEDED(graph->QueryInterface(IID_IMediaEventSink, reinterpret_cast<void**>(&sink))))
    sink->Release();
  sink_.store(sink, std::memory_order_release);
  return S_OK;
}

HRESULT CBaseFilter::QueryVendorInfo(LPWSTR*) { return E_NOTIMPL; }

HRESULT CBaseFilter::NotifyEvent(LONG code, LONG_PTR param1, LONG_PTR param2) {
  IMediaEventSink* sink = sink_.load(std::memory_order_acquire);
  if (!sink) return S_FALSE;
  if (code == EC_COMPLETE && param2 == 0)
    param2 = reinterpret_cast<LONG_PTR>(static_cast<IBaseFilter*>(this));
  return sink->Notify(code, param1, param2);
}

// --- CBasePin -------------------------------------------------------------------------------

CBasePin::CBasePin(const char* objectName, CBaseFilter* filter, std::recursive_mutex* lock,
                   HRESULT* result, LPCWSTR name, PIN_DIRECTION direction)
    : filter_(filter),
      lock_(lock),
      direction_(direction),
      name_(CopyName(name)),
      objectName_(objectName) {
  if (result) *result = S_OK;
}

CBasePin::~CBasePin() {
  if (connected_) connected_->Release();
}

HRESULT CBasePin::QueryInterface(REFIID iid, void** object) {
  return NonDelegatingQueryInterface(iid, object);
}
ULONG CBasePin::AddRef() { return filter_->NonDelegatingAddRef(); }
ULONG CBasePin::Release() { return filter_->NonDelegatingRelease(); }

HRESULT CBasePin::NonDelegatingQueryInterface(REFIID iid, void** object) {
  if (!object) return E_POINTER;
  if (iid == IID_IUnknown || iid == IID_IPin) return GetInterface(static_cast<IPin*>(this), object);
  if (iid == IID_IKsPropertySet && !(category_ == GUID_NULL))
    return GetInterface(static_cast<IKsPropertySet*>(this), object);
  *object = nullptr;
  return E_NOINTERFACE;
}

HRESULT CBasePin::Get(REFGUID set, DWORD id, void*, DWORD, void* data, DWORD dataLength,
                      DWORD* returned) {
  if (!(set == AMPROPSETID_Pin) || id != AMPROPERTY_PIN_CATEGORY || category_ == GUID_NULL)
    return E_PROP_ID_UNSUPPORTED_VALUE;
  if (returned) *returned = sizeof(GUID);
  if (!data) return returned ? S_OK : E_POINTER;
  if (dataLength < sizeof(GUID)) return E_UNEXPECTED;
  std::memcpy(data, &category_, sizeof(GUID));
  return S_OK;
}

HRESULT CBasePin::QuerySupported(REFGUID set, DWORD id, DWORD* support) {
  if (!(set == AMPROPSETID_Pin) || id != AMPROPERTY_PIN_CATEGORY)
    return E_PROP_ID_UNSUPPORTED_VALUE;
  if (support) *support = 1;  // get
  return S_OK;
}

HRESULT CBasePin::CheckConnect(IPin* pin) {
  PIN_DIRECTION other;
  if (FAILED(pin->QueryDirection(&other))) return E_FAIL;
  return other == direction_ ? VFW_E_INVALID_DIRECTION : S_OK;
}

HRESULT CBasePin::GetMediaType(int, CMediaType*) { return VFW_S_NO_MORE_ITEMS; }

HRESULT CBasePin::SetMediaType(const CMediaType* mt) {
  mt_ = *mt;
  return S_OK;
}

HRESULT CBasePin::AttemptConnection(IPin* receivePin, const CMediaType* mt) {
  HRESULT hr = CheckConnect(receivePin);
  if (FAILED(hr)) {
    BreakConnect();
    return hr;
  }
  hr = CheckMediaType(mt);
  if (hr != S_OK) {
    BreakConnect();
    return FAILED(hr) ? hr : VFW_E_TYPE_NOT_ACCEPTED;
  }
  connected_ = receivePin;
  connected_->AddRef();
  hr = SetMediaType(mt);
  if (SUCCEEDED(hr)) {
    hr = receivePin->ReceiveConnection(this, mt);
    if (SUCCEEDED(hr)) {
      hr = CompleteConnect(receivePin);
      if (SUCCEEDED(hr)) return S_OK;
      receivePin->Disconnect();
    }
  }
  connected_->Release();
  connected_ = nullptr;
  mt_ = CMediaType();
  BreakConnect();
  return hr;
}

HRESULT CBasePin::TryMediaTypes(IPin* receivePin, const CMediaType* partial,
                                IEnumMediaTypes* types) {
  HRESULT last = VFW_E_NO_ACCEPTABLE_TYPES;
  AM_MEDIA_TYPE* type = nullptr;
  while (types->Next(1, &type, nullptr) == S_OK) {
    CMediaType candidate(*type);
    DeleteMediaType(type);
    if (partial && !partial->MatchesPartial(&candidate)) continue;
    const HRESULT hr = AttemptConnection(receivePin, &candidate);
    if (SUCCEEDED(hr)) return hr;
    last = hr;
  }
  return last;
}

HRESULT CBasePin::Connect(IPin* receivePin, const AM_MEDIA_TYPE* mt) {
  if (!receivePin) return E_POINTER;
  std::lock_guard lock(*lock_);
  if (connected_) return VFW_E_ALREADY_CONNECTED;
  if (!filter_->IsStopped()) return VFW_E_NOT_STOPPED;
  const CMediaType partial = mt ? CMediaType(*mt) : CMediaType();
  if (mt && !partial.IsPartiallySpecified()) return AttemptConnection(receivePin, &partial);

  // The receiving pin's preferences first, then ours.
  HRESULT result = VFW_E_NO_ACCEPTABLE_TYPES;
  for (int round = 0; round < 2; ++round) {
    ComPtr<IEnumMediaTypes> types;
    const HRESULT hr =
        round == 0 ? receivePin->EnumMediaTypes(types.put()) : EnumMediaTypes(types.put());
    if (FAILED(hr) || !types) continue;
    const HRESULT attempt = TryMediaTypes(receivePin, mt ? &partial : nullptr, types.get());
    if (SUCCEEDED(attempt)) return attempt;
    if (attempt != VFW_E_NO_ACCEPTABLE_TYPES) result = attempt;
  }
  return result;
}

HRESULT CBasePin::ReceiveConnection(IPin* connector, const AM_MEDIA_TYPE* mt) {
  if (!connector || !mt) return E_POINTER;
  std::lock_guard lock(*lock_);
  if (connected_) return VFW_E_ALREADY_CONNECTED;
  if (!filter_->IsStopped()) return VFW_E_NOT_STOPPED;
  HRESULT hr = CheckConnect(connector);
  if (FAILED(hr)) {
    BreakConnect();
    return hr;
  }
  const CMediaType type(*mt);
  hr = CheckMediaType(&type);
  if (hr != S_OK) {
    BreakConnect();
    return VFW_E_TYPE_NOT_ACCEPTED;
  }
  connected_ = connector;
  connected_->AddRef();
  hr = SetMediaType(&type);
  if (SUCCEEDED(hr)) {
    hr = CompleteConnect(connector);
    if (SUCCEEDED(hr)) return S_OK;
  }
  connected_->Release();
  connected_ = nullptr;
  mt_ = CMediaType();
  BreakConnect();
  return hr;
}

HRESULT CBasePin::Disconnect() {
  std::lock_guard lock(*lock_);
  if (!filter_->IsStopped()) return VFW_E_NOT_STOPPED;
  if (!connected_) return S_FALSE;
  BreakConnect();
  connected_->Release();
  connected_ = nullptr;
  mt_ = CMediaType();
  return S_OK;
}

HRESULT CBasePin::ConnectedTo(IPin** pin) {
  if (!pin) return E_POINTER;
  std::lock_guard lock(*lock_);
  *pin = connected_;
  if (!connected_) return VFW_E_NOT_CONNECTED;
  connected_->AddRef();
  return S_OK;
}

HRESULT CBasePin::ConnectionMediaType(AM_MEDIA_TYPE* mt) {
  if (!mt) return E_POINTER;
  std::lock_guard lock(*lock_);
  if (!connected_) {
    CMediaType empty;
    CopyMediaType(mt, &empty);
    return VFW_E_NOT_CONNECTED;
  }
  return CopyMediaType(mt, &mt_);
}

HRESULT CBasePin::QueryPinInfo(PIN_INFO* info) {
  if (!info) return E_POINTER;
  info->pFilter = filter_;
  filter_->NonDelegatingAddRef();
  info->dir = direction_;
  CopyToArray(name_, info->achName, MAX_PIN_NAME);
  return S_OK;
}

HRESULT CBasePin::QueryDirection(PIN_DIRECTION* direction) {
  if (!direction) return E_POINTER;
  *direction = direction_;
  return S_OK;
}

HRESULT CBasePin::QueryId(LPWSTR* id) {
  if (!id) return E_POINTER;
  *id = static_cast<LPWSTR>(CoTaskMemAlloc((name_.size() + 1) * sizeof(WCHAR)));
  if (!*id) return E_OUTOFMEMORY;
  std::copy(name_.begin(), name_.end(), *id);
  (*id)[name_.size()] = 0;
  return S_OK;
}

HRESULT CBasePin::QueryAccept(const AM_MEDIA_TYPE* mt) {
  if (!mt) return E_POINTER;
  const CMediaType type(*mt);
  return CheckMediaType(&type) == S_OK ? S_OK : S_FALSE;
}

HRESULT CBasePin::EnumMediaTypes(IEnumMediaTypes** types) {
  if (!types) return E_POINTER;
  std::vector<CMediaType> list;
  for (int i = 0;; ++i) {
    CMediaType mt;
    if (GetMediaType(i, &mt) != S_OK) break;
    list.push_back(std::move(mt));
  }
  return GetInterface(static_cast<IEnumMediaTypes*>(new CEnumMediaTypes(std::move(list))),
                      reinterpret_cast<void**>(types));
}

HRESULT CBasePin::NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) {
  segmentStart_ = start;
  segmentStop_ = stop;
  segmentRate_ = rate;
  return S_OK;
}

// --- CBaseInputPin --------------------------------------------------------------------------

CBaseInputPin::CBaseInputPin(const char* objectName, CBaseFilter* filter,
                             std::recursive_mutex* lock, HRESULT* result, LPCWSTR name)
    : CBasePin(objectName, filter, lock, result, name, PINDIR_INPUT) {}

CBaseInputPin::~CBaseInputPin() {
  if (allocator_) allocator_->Release();
}

HRESULT CBaseInputPin::NonDelegatingQueryInterface(REFIID iid, void** object) {
  if (!object) return E_POINTER;
  if (iid == IID_IMemInputPin) return GetInterface(static_cast<IMemInputPin*>(this), object);
  return CBasePin::NonDelegatingQueryInterface(iid, object);
}

HRESULT CBaseInputPin::GetAllocator(IMemAllocator** allocator) {
  if (!allocator) return E_POINTER;
  std::lock_guard lock(*lock_);
  if (!allocator_) {
    auto* created = new CMemAllocator("input pin allocator", nullptr, nullptr);
    allocator_ = created;
    allocator_->AddRef();
  }
  *allocator = allocator_;
  allocator_->AddRef();
  return S_OK;
}

HRESULT CBaseInputPin::NotifyAllocator(IMemAllocator* allocator, BOOL readOnly) {
  if (!allocator) return E_POINTER;
  std::lock_guard lock(*lock_);
  allocator->AddRef();
  if (allocator_) allocator_->Release();
  allocator_ = allocator;
  readOnly_ = readOnly != FALSE;
  return S_OK;
}

HRESULT CBaseInputPin::CheckStreaming() {
  if (!IsConnected()) return VFW_E_NOT_CONNECTED;
  if (IsFlushing()) return S_FALSE;
  if (filter_->IsStopped()) return VFW_E_WRONG_STATE;
  return S_OK;
}

HRESULT CBaseInputPin::Receive(IMediaSample* sample) {
  if (!sample) return E_POINTER;
  return CheckStreaming();
}

HRESULT CBaseInputPin::ReceiveMultiple(IMediaSample** samples, LONG count, LONG* processed) {
  if (!samples || !processed) return E_POINTER;
  *processed = 0;
  HRESULT hr = S_OK;
  while (*processed < count) {
    hr = Receive(samples[*processed]);
    if (hr != S_OK) break;
    ++*processed;
  }
  return hr;
}

HRESULT CBaseInputPin::BeginFlush() {
  flushing_.store(true, std::memory_order_release);
  return S_OK;
}

HRESULT CBaseInputPin::EndFlush() {
  flushing_.store(false, std::memory_order_release);
  return S_OK;
}

HRESULT CBaseInputPin::Inactive() {
  flushing_.store(false, std::memory_order_release);
  if (allocator_) allocator_->Decommit();
  return S_OK;
}

HRESULT CBaseInputPin::BreakConnect() {
  if (allocator_) {
    allocator_->Decommit();
    allocator_->Release();
    allocator_ = nullptr;
  }
  return S_OK;
}

// --- CBaseOutputPin -------------------------------------------------------------------------

CBaseOutputPin::CBaseOutputPin(const char* objectName, CBaseFilter* filter,
                               std::recursive_mutex* lock, HRESULT* result, LPCWSTR name)
    : CBasePin(objectName, filter, lock, result, name, PINDIR_OUTPUT) {}

CBaseOutputPin::~CBaseOutputPin() {
  if (allocator_) allocator_->Release();
  if (inputPin_) inputPin_->Release();
}

HRESULT CBaseOutputPin::CheckConnect(IPin* pin) {
  HRESULT hr = CBasePin::CheckConnect(pin);
  if (FAILED(hr)) return hr;
  if (inputPin_) inputPin_->Release();
  inputPin_ = nullptr;
  hr = pin->QueryInterface(IID_IMemInputPin, reinterpret_cast<void**>(&inputPin_));
  return FAILED(hr) ? VFW_E_NO_TRANSPORT : S_OK;
}

HRESULT CBaseOutputPin::CompleteConnect(IPin*) {
  if (!inputPin_) return VFW_E_NO_TRANSPORT;
  IMemAllocator* allocator = nullptr;
  HRESULT hr = inputPin_->GetAllocator(&allocator);
  if (FAILED(hr) || !allocator) {
    allocator = new CMemAllocator("output pin allocator", nullptr, nullptr);
    allocator->AddRef();
  }
  ALLOCATOR_PROPERTIES request{};
  inputPin_->GetAllocatorRequirements(&request);
  hr = DecideBufferSize(allocator, &request);
  if (SUCCEEDED(hr)) hr = inputPin_->NotifyAllocator(allocator, FALSE);
  if (FAILED(hr)) {
    allocator->Release();
    return hr;
  }
  if (allocator_) allocator_->Release();
  allocator_ = allocator;
  return S_OK;
}

HRESULT CBaseOutputPin::BreakConnect() {
  if (allocator_) {
    allocator_->Decommit();
    allocator_->Release();
    allocator_ = nullptr;
  }
  if (inputPin_) {
    inputPin_->Release();
    inputPin_ = nullptr;
  }
  return S_OK;
}

HRESULT CBaseOutputPin::Active() { return allocator_ ? allocator_->Commit() : VFW_E_NO_ALLOCATOR; }

HRESULT CBaseOutputPin::Inactive() {
  return allocator_ ? allocator_->Decommit() : VFW_E_NO_ALLOCATOR;
}

HRESULT CBaseOutputPin::GetDeliveryBuffer(IMediaSample** sample, REFERENCE_TIME* start,
                                          REFERENCE_TIME* end, DWORD flags) {
  if (!allocator_) return VFW_E_NO_ALLOCATOR;
  return allocator_->GetBuffer(sample, start, end, flags);
}

HRESULT CBaseOutputPin::Deliver(IMediaSample* sample) {
  if (!inputPin_) return VFW_E_NOT_CONNECTED;
  return inputPin_->Receive(sample);
}

HRESULT CBaseOutputPin::DeliverEndOfStream() {
  return connected_ ? connected_->EndOfStream() : VFW_E_NOT_CONNECTED;
}
HRESULT CBaseOutputPin::DeliverBeginFlush() {
  return connected_ ? connected_->BeginFlush() : VFW_E_NOT_CONNECTED;
}
HRESULT CBaseOutputPin::DeliverEndFlush() {
  return connected_ ? connected_->EndFlush() : VFW_E_NOT_CONNECTED;
}
HRESULT CBaseOutputPin::DeliverNewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) {
  CBasePin::NewSegment(start, stop, rate);
  return connected_ ? connected_->NewSegment(start, stop, rate) : VFW_E_NOT_CONNECTED;
}
