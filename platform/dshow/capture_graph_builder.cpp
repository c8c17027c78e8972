// The capture graph builder (CLSID_CaptureGraphBuilder2): finds a capture source's pin by
// category and media type and connects it through the graph's intelligent connect.

#include "platform/dshow/base/com_object.h"
#include "platform/dshow/media_type.h"

namespace {

bool PinHasCategory(IPin* pin, const GUID& category) {
  ComPtr<IKsPropertySet> properties = ComPtr<IPin>(pin).As<IKsPropertySet>(IID_IKsPropertySet);
  if (!properties) return false;
  GUID found = GUID_NULL;
  DWORD returned = 0;
  if (FAILED(properties->Get(AMPROPSETID_Pin, AMPROPERTY_PIN_CATEGORY, nullptr, 0, &found,
                             sizeof(found), &returned)))
    return false;
  return returned == sizeof(GUID) && found == category;
}

bool PinHasMajorType(IPin* pin, const GUID& major) {
  AM_MEDIA_TYPE connected{};
  if (SUCCEEDED(pin->ConnectionMediaType(&connected))) {
    const bool match = connected.majortype == major;
    FreeMediaType(connected);
    return match;
  }
  FreeMediaType(connected);
  ComPtr<IEnumMediaTypes> types;
  if (FAILED(pin->EnumMediaTypes(types.put()))) return false;
  AM_MEDIA_TYPE* type = nullptr;
  bool match = false;
  while (!match && types->Next(1, &type, nullptr) == S_OK) {
    match = type->majortype == major;
    DeleteMediaType(type);
  }
  return match;
}

class CCaptureGraphBuilder final : public CUnknown, public ICaptureGraphBuilder2 {
 public:
  CCaptureGraphBuilder() : CUnknown("capture graph builder", nullptr) {}
  ~CCaptureGraphBuilder() override {
    if (graph_) graph_->Release();
  }
  DECLARE_IUNKNOWN
  HRESULT NonDelegatingQueryInterface(REFIID iid, void** object) override {
    if (iid == IID_IUnknown || iid == IID_ICaptureGraphBuilder2)
      return GetInterface(static_cast<ICaptureGraphBuilder2*>(this), object);
    return CUnknown::NonDelegatingQueryInterface(iid, object);
  }

  HRESULT SetFiltergraph(IGraphBuilder* graph) override {
    if (!graph) return E_POINTER;
    if (graph_) return E_UNEXPECTED;  // set once
    graph_ = graph;
    graph_->AddRef();
    return S_OK;
  }

  HRESULT GetFiltergraph(IGraphBuilder** graph) override {
    if (!graph) return E_POINTER;
    *graph = graph_;
    if (!graph_) return E_UNEXPECTED;
    graph_->AddRef();
    return S_OK;
  }

  HRESULT FindPin(IUnknown* source, PIN_DIRECTION direction, const GUID* category, const GUID* type,
                  BOOL unconnected, int index, IPin** pin) override {
    if (!source || !pin) return E_POINTER;
    *pin = nullptr;
    ComPtr<IBaseFilter> filter = ComPtr<IUnknown>(source).As<IBaseFilter>(IID_IBaseFilter);
    if (!filter) return E_NOINTERFACE;
    ComPtr<IEnumPins> pins;
    if (FAILED(filter->EnumPins(pins.put()))) return E_FAIL;
    IPin* candidate = nullptr;
    while (pins->Next(1, &candidate, nullptr) == S_OK) {
      auto held = ComPtr<IPin>::Adopt(candidate);
      PIN_DIRECTION d;
      if (FAILED(candidate->QueryDirection(&d)) || d != direction) continue;
      if (category && !PinHasCategory(candidate, *category)) continue;
      if (type && !PinHasMajorType(candidate, *type)) continue;
      if (unconnected) {
        ComPtr<IPin> peer;
        if (SUCCEEDED(candidate->ConnectedTo(peer.put()))) continue;
      }
      if (index-- > 0) continue;
      *pin = held.detach();
      return S_OK;
    }
    return E_FAIL;
  }

  HRESULT RenderStream(const GUID* category, const GUID* type, IUnknown* source,
                       IBaseFilter* intermediate, IBaseFilter* sink) override {
    if (!source) return E_POINTER;
    if (!graph_) return E_UNEXPECTED;
    ComPtr<IPin> out = ComPtr<IUnknown>(source).As<IPin>(IID_IPin);
    if (!out) {
      HRESULT hr = FindPin(source, PINDIR_OUTPUT, category, type, TRUE, 0, out.put());
      // Without a preview pin, the capture pin gives the preview.
      if (FAILED(hr) && category && *category == PIN_CATEGORY_PREVIEW)
        hr = FindPin(source, PINDIR_OUTPUT, &PIN_CATEGORY_CAPTURE, type, TRUE, 0, out.put());
      if (FAILED(hr)) return hr;
    }
    if (intermediate) {
      ComPtr<IPin> in;
      if (FAILED(FindPin(intermediate, PINDIR_INPUT, nullptr, nullptr, TRUE, 0, in.put())))
        return E_FAIL;
      const HRESULT hr = graph_->Connect(out.get(), in.get());
      if (FAILED(hr)) return hr;
      ComPtr<IPin> next;
      if (FAILED(FindPin(intermediate, PINDIR_OUTPUT, nullptr, nullptr, TRUE, 0, next.put())))
        return S_OK;
      out = next;
    }
    if (!sink) return graph_->Render(out.get());
    ComPtr<IPin> in;
    if (FAILED(FindPin(sink, PINDIR_INPUT, nullptr, nullptr, TRUE, 0, in.put()))) return E_FAIL;
    return graph_->Connect(out.get(), in.get());
  }

 private:
  IGraphBuilder* graph_ = nullptr;  // one reference
};

IUnknown* CreateCaptureGraphBuilder(IUnknown*, HRESULT* result) {
  auto* object = new CCaptureGraphBuilder();
  object->NonDelegatingAddRef();
  if (result) *result = S_OK;
  return static_cast<ICaptureGraphBuilder2*>(object);
}

const bool registered = [] {
  CoRegisterClass(CLSID_CaptureGraphBuilder2, CreateCaptureGraphBuilder);
  return true;
}();

}  // namespace
