// The system device enumerator (CLSID_SystemDeviceEnum): monikers over the registered video
// capture devices, each with a property bag holding "FriendlyName".

#include <string>
#include <vector>

#include "platform/dshow/device_registry.h"
#include "platform/dshow/enum_snapshot.h"
#include "platform/win32/text_conversion.h"

namespace {

std::u16string Utf8ToUtf16(const std::string& text) {
  if (text.empty()) return {};
  const int n =
      MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  if (n <= 0) return {};
  std::u16string out(static_cast<std::size_t>(n), u'\0');
  MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n);
  return out;
}

constexpr char16_t kFriendlyName[] = u"FriendlyName";

class CDevicePropertyBag final : public CUnknown, public IPropertyBag {
 public:
  explicit CDevicePropertyBag(std::u16string friendlyName)
      : CUnknown("device property bag", nullptr), friendlyName_(std::move(friendlyName)) {}
  DECLARE_IUNKNOWN
  HRESULT NonDelegatingQueryInterface(REFIID iid, void** object) override {
    if (iid == IID_IUnknown || iid == IID_IPropertyBag)
      return GetInterface(static_cast<IPropertyBag*>(this), object);
    return CUnknown::NonDelegatingQueryInterface(iid, object);
  }
  HRESULT Read(LPCOLESTR name, VARIANT* value, IErrorLog*) override {
    if (!name || !value) return E_POINTER;
    if (std::u16string(name) != kFriendlyName) return E_INVALIDARG;
    if (value->vt != VT_BSTR && value->vt != VT_EMPTY) return E_FAIL;
    value->vt = VT_BSTR;
    value->bstrVal =
        SysAllocStringLen(friendlyName_.data(), static_cast<UINT>(friendlyName_.size()));
    return value->bstrVal ? S_OK : E_OUTOFMEMORY;
  }
  HRESULT Write(LPCOLESTR, VARIANT*) override { return E_FAIL; }

 private:
  std::u16string friendlyName_;
};

class CDeviceMoniker final : public CUnknown, public IMoniker {
 public:
  explicit CDeviceMoniker(VideoCaptureDevice device)
      : CUnknown("device moniker", nullptr), device_(std::move(device)) {}
  DECLARE_IUNKNOWN
  HRESULT NonDelegatingQueryInterface(REFIID iid, void** object) override {
    if (iid == IID_IUnknown || iid == IID_IMoniker)
      return GetInterface(static_cast<IMoniker*>(this), object);
    return CUnknown::NonDelegatingQueryInterface(iid, object);
  }
  HRESULT BindToObject(IBindCtx*, IMoniker*, REFIID iid, void** object) override {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (!device_.create) return E_FAIL;
    HRESULT hr = S_OK;
    IBaseFilter* filter = device_.create(&hr);
    if (!filter) return FAILED(hr) ? hr : E_FAIL;
    hr = filter->QueryInterface(iid, object);
    filter->Release();
    return hr;
  }
  HRESULT BindToStorage(IBindCtx*, IMoniker*, REFIID iid, void** object) override {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (!(iid == IID_IPropertyBag)) return E_NOINTERFACE;
    // A device whose name cannot be read has no property storage at all.
    if (!device_.nameReadable) return E_FAIL;
    return GetInterface(
        static_cast<IPropertyBag*>(new CDevicePropertyBag(Utf8ToUtf16(device_.friendlyName))),
        object);
  }
  HRESULT GetDisplayName(IBindCtx*, IMoniker*, LPWSTR* name) override {
    if (!name) return E_POINTER;
    const std::u16string text = u"@device:" + Utf8ToUtf16(device_.friendlyName);
    *name = static_cast<LPWSTR>(CoTaskMemAlloc((text.size() + 1) * sizeof(WCHAR)));
    if (!*name) return E_OUTOFMEMORY;
    std::copy(text.begin(), text.end(), *name);
    (*name)[text.size()] = 0;
    return S_OK;
  }

 private:
  VideoCaptureDevice device_;
};

using CEnumMonikers = CEnumSnapshot<IEnumMoniker, IMoniker, IID_IEnumMoniker>;

class CSystemDeviceEnum final : public CUnknown, public ICreateDevEnum {
 public:
  CSystemDeviceEnum() : CUnknown("system device enumerator", nullptr) {}
  DECLARE_IUNKNOWN
  HRESULT NonDelegatingQueryInterface(REFIID iid, void** object) override {
    if (iid == IID_IUnknown || iid == IID_ICreateDevEnum)
      return GetInterface(static_cast<ICreateDevEnum*>(this), object);
    return CUnknown::NonDelegatingQueryInterface(iid, object);
  }
  HRESULT CreateClassEnumerator(REFCLSID category, IEnumMoniker** enumerator, DWORD) override {
    if (!enumerator) return E_POINTER;
    *enumerator = nullptr;
    if (!(category == CLSID_VideoInputDeviceCategory))
      return S_FALSE;  // no other device kinds here
    std::vector<IMoniker*> monikers;
    for (VideoCaptureDevice& device : EnumerateVideoCaptureDevices())
      monikers.push_back(new CDeviceMoniker(std::move(device)));
    if (monikers.empty()) return S_FALSE;
    *enumerator = CEnumMonikers::Create(monikers);  // the snapshot holds the only references
    return S_OK;
  }
};

IUnknown* CreateDeviceEnum(IUnknown*, HRESULT* result) {
  auto* object = new CSystemDeviceEnum();
  object->NonDelegatingAddRef();
  if (result) *result = S_OK;
  return static_cast<ICreateDevEnum*>(object);
}

const bool registered = [] {
  CoRegisterClass(CLSID_SystemDeviceEnum, CreateDeviceEnum);
  return true;
}();

}  // namespace
