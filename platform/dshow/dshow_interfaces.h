#pragma once
// The media engine's COM interfaces. Every method that hands out an interface adds one
// reference for the caller; enumerators hand out snapshots.

#include "platform/dshow/dshow_types.h"

struct IEnumPins;
struct IEnumFilters;
struct IEnumMediaTypes;
struct IReferenceClock;
struct IMediaSample;
struct IMemAllocator;
struct IGraphBuilder;
struct IEnumMoniker;
struct IBindCtx;   // never used by the engine: always pass null
struct IErrorLog;  // idem

struct IPersist : IUnknown {
  virtual HRESULT GetClassID(CLSID* clsid) = 0;
};

struct IMediaFilter : IPersist {
  virtual HRESULT Stop() = 0;
  virtual HRESULT Pause() = 0;
  // start: the reference clock time at which stream time 0 is presented.
  virtual HRESULT Run(REFERENCE_TIME start) = 0;
  // S_OK when the state is settled, VFW_S_STATE_INTERMEDIATE when a pause has not completed
  // within the time-out, VFW_S_CANT_CUE for a live source that sends nothing while paused.
  virtual HRESULT GetState(DWORD msTimeout, FILTER_STATE* state) = 0;
  virtual HRESULT SetSyncSource(IReferenceClock* clock) = 0;
  virtual HRESULT GetSyncSource(IReferenceClock** clock) = 0;
};

struct IBaseFilter : IMediaFilter {
  virtual HRESULT EnumPins(IEnumPins** pins) = 0;
  virtual HRESULT FindPin(LPCWSTR id, IPin** pin) = 0;
  virtual HRESULT QueryFilterInfo(FILTER_INFO* info) = 0;
  // The graph calls this with itself when the filter is added and with null when removed; a
  // filter holds no reference on its graph.
  virtual HRESULT JoinFilterGraph(IFilterGraph* graph, LPCWSTR name) = 0;
  virtual HRESULT QueryVendorInfo(LPWSTR* info) = 0;
};

struct IPin : IUnknown {
  virtual HRESULT Connect(IPin* receivePin, const AM_MEDIA_TYPE* mt) = 0;
  virtual HRESULT ReceiveConnection(IPin* connector, const AM_MEDIA_TYPE* mt) = 0;
  virtual HRESULT Disconnect() = 0;
  virtual HRESULT ConnectedTo(IPin** pin) = 0;
  virtual HRESULT ConnectionMediaType(AM_MEDIA_TYPE* mt) = 0;
  virtual HRESULT QueryPinInfo(PIN_INFO* info) = 0;
  virtual HRESULT QueryDirection(PIN_DIRECTION* direction) = 0;
  virtual HRESULT QueryId(LPWSTR* id) = 0;  // freed with CoTaskMemFree
  virtual HRESULT QueryAccept(const AM_MEDIA_TYPE* mt) = 0;
  virtual HRESULT EnumMediaTypes(IEnumMediaTypes** types) = 0;
  virtual HRESULT EndOfStream() = 0;
  virtual HRESULT BeginFlush() = 0;
  virtual HRESULT EndFlush() = 0;
  virtual HRESULT NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) = 0;
};

struct IEnumPins : IUnknown {
  virtual HRESULT Next(ULONG count, IPin** pins, ULONG* fetched) = 0;
  virtual HRESULT Skip(ULONG count) = 0;
  virtual HRESULT Reset() = 0;
  virtual HRESULT Clone(IEnumPins** copy) = 0;
};

struct IEnumFilters : IUnknown {
  virtual HRESULT Next(ULONG count, IBaseFilter** filters, ULONG* fetched) = 0;
  virtual HRESULT Skip(ULONG count) = 0;
  virtual HRESULT Reset() = 0;
  virtual HRESULT Clone(IEnumFilters** copy) = 0;
};

// Each type handed out is allocated with CreateMediaType and freed with DeleteMediaType.
struct IEnumMediaTypes : IUnknown {
  virtual HRESULT Next(ULONG count, AM_MEDIA_TYPE** types, ULONG* fetched) = 0;
  virtual HRESULT Skip(ULONG count) = 0;
  virtual HRESULT Reset() = 0;
  virtual HRESULT Clone(IEnumMediaTypes** copy) = 0;
};

struct IFilterGraph : IUnknown {
  // A null or duplicate name is replaced by a unique one (VFW_S_DUPLICATE_NAME is not used).
  virtual HRESULT AddFilter(IBaseFilter* filter, LPCWSTR name) = 0;
  virtual HRESULT RemoveFilter(IBaseFilter* filter) = 0;
  virtual HRESULT EnumFilters(IEnumFilters** filters) = 0;
  virtual HRESULT FindFilterByName(LPCWSTR name, IBaseFilter** filter) = 0;
  virtual HRESULT ConnectDirect(IPin* out, IPin* in, const AM_MEDIA_TYPE* mt) = 0;
  virtual HRESULT Reconnect(IPin* pin) = 0;
  virtual HRESULT Disconnect(IPin* pin) = 0;
  virtual HRESULT SetDefaultSyncSource() = 0;
};

struct IGraphBuilder : IFilterGraph {
  // Direct first, then through registered transform filters (intelligent connect).
  virtual HRESULT Connect(IPin* out, IPin* in) = 0;
  // Builds the rest of the graph from an output pin down to the default renderers.
  virtual HRESULT Render(IPin* out) = 0;
  // Loads the source for a file or URL and renders every output pin. S_OK when every stream
  // reached a renderer, VFW_S_PARTIAL_RENDER when some did, an error when none did or the
  // source could not be opened.
  virtual HRESULT RenderFile(LPCWSTR file, LPCWSTR playList) = 0;
  virtual HRESULT AddSourceFilter(LPCWSTR file, LPCWSTR name, IBaseFilter** filter) = 0;
  virtual HRESULT SetLogFile(LONG_PTR file) = 0;
  virtual HRESULT Abort() = 0;
  virtual HRESULT ShouldOperationContinue() = 0;
};

struct IMediaControl : IUnknown {
  virtual HRESULT Run() = 0;
  // S_OK when every renderer holds its first sample (or reached the end), S_FALSE when the
  // pause is still completing after the graph's bounded wait.
  virtual HRESULT Pause() = 0;
  virtual HRESULT Stop() = 0;
  virtual HRESULT GetState(LONG msTimeout, OAFilterState* state) = 0;
  // Pauses, lets every renderer receive its data, then stops.
  virtual HRESULT StopWhenReady() = 0;
};

struct IMediaSeeking : IUnknown {
  virtual HRESULT GetCapabilities(DWORD* capabilities) = 0;
  virtual HRESULT CheckCapabilities(DWORD* capabilities) = 0;
  virtual HRESULT IsFormatSupported(const GUID* format) = 0;
  virtual HRESULT QueryPreferredFormat(GUID* format) = 0;
  virtual HRESULT GetTimeFormat(GUID* format) = 0;
  virtual HRESULT IsUsingTimeFormat(const GUID* format) = 0;
  virtual HRESULT SetTimeFormat(const GUID* format) = 0;
  virtual HRESULT GetDuration(LONGLONG* duration) = 0;
  virtual HRESULT GetStopPosition(LONGLONG* stop) = 0;
  virtual HRESULT GetCurrentPosition(LONGLONG* current) = 0;
  virtual HRESULT ConvertTimeFormat(LONGLONG* target, const GUID* targetFormat, LONGLONG source,
                                    const GUID* sourceFormat) = 0;
  virtual HRESULT SetPositions(LONGLONG* current, DWORD currentFlags, LONGLONG* stop,
                               DWORD stopFlags) = 0;
  virtual HRESULT GetPositions(LONGLONG* current, LONGLONG* stop) = 0;
  virtual HRESULT GetAvailable(LONGLONG* earliest, LONGLONG* latest) = 0;
  virtual HRESULT SetRate(double rate) = 0;
  virtual HRESULT GetRate(double* rate) = 0;
  virtual HRESULT GetPreroll(LONGLONG* preroll) = 0;
};

// Positions in seconds.
struct IMediaPosition : IUnknown {
  virtual HRESULT get_Duration(REFTIME* length) = 0;
  virtual HRESULT put_CurrentPosition(REFTIME time) = 0;
  virtual HRESULT get_CurrentPosition(REFTIME* time) = 0;
  virtual HRESULT get_StopTime(REFTIME* time) = 0;
  virtual HRESULT put_StopTime(REFTIME time) = 0;
  virtual HRESULT put_Rate(double rate) = 0;
  virtual HRESULT get_Rate(double* rate) = 0;
};

struct IMediaEvent : IUnknown {
  // Takes the oldest event, waiting up to msTimeout (0: do not wait, INFINITE_TIMEOUT: no
  // limit); E_ABORT when none came.
  virtual HRESULT GetEvent(LONG* code, LONG_PTR* param1, LONG_PTR* param2, LONG msTimeout) = 0;
  // Waits for EC_COMPLETE (or an abort event); E_ABORT on time-out.
  virtual HRESULT WaitForCompletion(LONG msTimeout, LONG* code) = 0;
  virtual HRESULT FreeEventParams(LONG code, LONG_PTR param1, LONG_PTR param2) = 0;
};

// How filters report events to their graph; callable from any thread.
struct IMediaEventSink : IUnknown {
  virtual HRESULT Notify(LONG code, LONG_PTR param1, LONG_PTR param2) = 0;
};

// A clock in 100-nanosecond units that advances at real-time speed.
struct IReferenceClock : IUnknown {
  virtual HRESULT GetTime(REFERENCE_TIME* time) = 0;
};

struct IMediaSample : IUnknown {
  virtual HRESULT GetPointer(BYTE** buffer) = 0;
  virtual LONG GetSize() = 0;
  // Stream times; VFW_E_SAMPLE_TIME_NOT_SET (here VFW_E_TIME_NOT_SET) when none were set.
  virtual HRESULT GetTime(REFERENCE_TIME* start, REFERENCE_TIME* end) = 0;
  virtual HRESULT SetTime(REFERENCE_TIME* start, REFERENCE_TIME* end) = 0;  // null clears
  virtual HRESULT IsSyncPoint() = 0;                                        // S_OK or S_FALSE
  virtual HRESULT SetSyncPoint(BOOL sync) = 0;
  // A pre-roll sample is decoded but never presented (it precedes the seek target).
  virtual HRESULT IsPreroll() = 0;
  virtual HRESULT SetPreroll(BOOL preroll) = 0;
  virtual LONG GetActualDataLength() = 0;
  virtual HRESULT SetActualDataLength(LONG length) = 0;
  // S_FALSE and null when the type did not change from the previous sample.
  virtual HRESULT GetMediaType(AM_MEDIA_TYPE** type) = 0;
  virtual HRESULT SetMediaType(AM_MEDIA_TYPE* type) = 0;
  virtual HRESULT IsDiscontinuity() = 0;
  virtual HRESULT SetDiscontinuity(BOOL discontinuity) = 0;
  virtual HRESULT GetMediaTime(LONGLONG* start, LONGLONG* end) = 0;
  virtual HRESULT SetMediaTime(LONGLONG* start, LONGLONG* end) = 0;
};

struct IMemAllocator : IUnknown {
  virtual HRESULT SetProperties(ALLOCATOR_PROPERTIES* request, ALLOCATOR_PROPERTIES* actual) = 0;
  virtual HRESULT GetProperties(ALLOCATOR_PROPERTIES* properties) = 0;
  virtual HRESULT Commit() = 0;
  // Makes waiting and later GetBuffer calls fail with VFW_E_NOT_COMMITTED; buffers are freed
  // when the last sample comes back.
  virtual HRESULT Decommit() = 0;
  // Waits for a free sample unless AM_GBF_NOWAIT is given.
  virtual HRESULT GetBuffer(IMediaSample** sample, REFERENCE_TIME* start, REFERENCE_TIME* end,
                            DWORD flags) = 0;
  virtual HRESULT ReleaseBuffer(IMediaSample* sample) = 0;
};

struct IMemInputPin : IUnknown {
  virtual HRESULT GetAllocator(IMemAllocator** allocator) = 0;
  virtual HRESULT NotifyAllocator(IMemAllocator* allocator, BOOL readOnly) = 0;
  virtual HRESULT GetAllocatorRequirements(ALLOCATOR_PROPERTIES* properties) = 0;
  // On the upstream streaming thread; the callee adds a reference to keep the sample.
  virtual HRESULT Receive(IMediaSample* sample) = 0;
  virtual HRESULT ReceiveMultiple(IMediaSample** samples, LONG count, LONG* processed) = 0;
  virtual HRESULT ReceiveCanBlock() = 0;
};

struct IAMFilterMiscFlags : IUnknown {
  virtual ULONG GetMiscFlags() = 0;
};

// Pins tell their category (AMPROPSETID_Pin, AMPROPERTY_PIN_CATEGORY) through this.
struct IKsPropertySet : IUnknown {
  virtual HRESULT Set(REFGUID set, DWORD id, void* instance, DWORD instanceLength, void* data,
                      DWORD dataLength) = 0;
  virtual HRESULT Get(REFGUID set, DWORD id, void* instance, DWORD instanceLength, void* data,
                      DWORD dataLength, DWORD* returned) = 0;
  virtual HRESULT QuerySupported(REFGUID set, DWORD id, DWORD* support) = 0;
};

struct ICaptureGraphBuilder2 : IUnknown {
  virtual HRESULT SetFiltergraph(IGraphBuilder* graph) = 0;
  virtual HRESULT GetFiltergraph(IGraphBuilder** graph) = 0;
  // Connects the source's output pin of the category (a capture pin stands in for a missing
  // preview pin) and major type, through the intermediate filter if given, to the sink, or
  // renders it when there is no sink. source is an IBaseFilter or an IPin.
  virtual HRESULT RenderStream(const GUID* category, const GUID* type, IUnknown* source,
                               IBaseFilter* intermediate, IBaseFilter* sink) = 0;
  virtual HRESULT FindPin(IUnknown* source, PIN_DIRECTION direction, const GUID* category,
                          const GUID* type, BOOL unconnected, int index, IPin** pin) = 0;
};

struct IPropertyBag : IUnknown {
  // Reads a property into value; a value prepared as VT_BSTR receives a new BSTR that the
  // caller frees with SysFreeString.
  virtual HRESULT Read(LPCOLESTR name, VARIANT* value, IErrorLog* log) = 0;
  virtual HRESULT Write(LPCOLESTR name, VARIANT* value) = 0;
};

struct IMoniker : IUnknown {
  virtual HRESULT BindToObject(IBindCtx* context, IMoniker* left, REFIID iid, void** object) = 0;
  virtual HRESULT BindToStorage(IBindCtx* context, IMoniker* left, REFIID iid, void** object) = 0;
  virtual HRESULT GetDisplayName(IBindCtx* context, IMoniker* left, LPWSTR* name) = 0;
};

struct IEnumMoniker : IUnknown {
  virtual HRESULT Next(ULONG count, IMoniker** monikers, ULONG* fetched) = 0;
  virtual HRESULT Skip(ULONG count) = 0;
  virtual HRESULT Reset() = 0;
  virtual HRESULT Clone(IEnumMoniker** copy) = 0;
};

struct ICreateDevEnum : IUnknown {
  // S_FALSE and a null enumerator when the category has no devices.
  virtual HRESULT CreateClassEnumerator(REFCLSID category, IEnumMoniker** enumerator,
                                        DWORD flags) = 0;
};
