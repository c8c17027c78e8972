// The capture half of MediaGraphPlayer: the list of video capture devices by friendly name,
// the selection, and the capture graph from the selected device's preview stream.

#include <cstring>

#include "media_texture/media_graph_player.h"
#include "media_texture/texture_renderer.h"
#include "platform/dshow/base/com_object.h"
#include "platform/win32/text_conversion.h"

namespace {

constexpr int kNameBufferSize = 1024;
constexpr int kConvertedNameSize = 260;

// The device's friendly name in the ANSI code page, at most 259 bytes: a longer name is cut
// after the last character that fits whole. False when it cannot be read.
bool ReadFriendlyName(IMoniker* moniker, char (&name)[kConvertedNameSize]) {
  ComPtr<IPropertyBag> bag;
  if (FAILED(moniker->BindToStorage(nullptr, nullptr, IID_IPropertyBag,
                                    reinterpret_cast<void**>(bag.put()))) ||
      !bag)
    return false;
  VARIANT value;
  VariantInit(&value);
  value.vt = VT_BSTR;
  if (FAILED(bag->Read(u"FriendlyName", &value, nullptr))) return false;
  std::memset(name, 0, sizeof name);
  // Room for the terminator is kept back: a name that does not fit comes back cut at a
  // character boundary (the zeroed buffer ends it).
  WideCharToMultiByte(CP_ACP, 0, value.bstrVal ? value.bstrVal : u"", -1, name,
                      kConvertedNameSize - 1, nullptr, nullptr);
  SysFreeString(value.bstrVal);
  return true;
}

ComPtr<IEnumMoniker> VideoInputDevices() {
  ComPtr<ICreateDevEnum> devices;
  if (FAILED(CoCreateInstance(CLSID_SystemDeviceEnum, nullptr,
                              CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER, IID_ICreateDevEnum,
                              reinterpret_cast<void**>(devices.put()))))
    return {};
  ComPtr<IEnumMoniker> monikers;
  if (devices->CreateClassEnumerator(CLSID_VideoInputDeviceCategory, monikers.put(), 0) != S_OK)
    return {};
  return monikers;
}

}  // namespace

HRESULT MediaGraphPlayer::EnumerateCaptureDevices() {
  for (int i = 0; i < captureDevices.GetItemCount(); ++i)
    delete[] static_cast<char*>(captureDevices.GetItem(i));
  captureDevices.ReleaseItems();

  ComPtr<IEnumMoniker> monikers = VideoInputDevices();
  if (!monikers) return E_FAIL;
  for (IMoniker* moniker = nullptr; monikers->Next(1, &moniker, nullptr) == S_OK;) {
    ComPtr<IMoniker> held = ComPtr<IMoniker>::Adopt(moniker);
    char name[kConvertedNameSize];
    if (!ReadFriendlyName(moniker, name)) continue;
    char* entry = new char[kNameBufferSize]();
    std::memcpy(entry, name, sizeof name);
    captureDevices.AddItem(entry);
  }
  return S_OK;
}

int MediaGraphPlayer::GetCaptureDeviceCount() { return captureDevices.GetItemCount(); }

char* MediaGraphPlayer::GetCaptureDeviceName(int i) {
  if (i < 0 || i >= captureDevices.GetItemCount()) return nullptr;
  return static_cast<char*>(captureDevices.GetItem(i));
}

void MediaGraphPlayer::SelectCaptureDevice(int i) { captureDeviceIndex = i; }

int MediaGraphPlayer::GetSelectedCaptureDevice() { return captureDeviceIndex; }

// Devices without a readable friendly name have no entry in the name list, so they are
// skipped here too: the index of a name always binds the device of that name.
HRESULT MediaGraphPlayer::FindCaptureDevice(IBaseFilter** source, int index) {
  if (!source) return E_POINTER;
  *source = nullptr;
  if (index < 0) return E_FAIL;
  ComPtr<IEnumMoniker> monikers = VideoInputDevices();
  if (!monikers) return E_FAIL;
  int position = 0;
  for (IMoniker* moniker = nullptr; monikers->Next(1, &moniker, nullptr) == S_OK;) {
    ComPtr<IMoniker> held = ComPtr<IMoniker>::Adopt(moniker);
    char name[kConvertedNameSize];
    if (!ReadFriendlyName(moniker, name)) continue;
    if (position++ < index) continue;
    if (FAILED(moniker->BindToObject(nullptr, nullptr, IID_IBaseFilter,
                                     reinterpret_cast<void**>(source))) ||
        !*source) {
      *source = nullptr;
      return E_FAIL;
    }
    return S_OK;
  }
  return E_FAIL;
}

HRESULT MediaGraphPlayer::BuildCaptureGraph(IDirect3DDevice8* device) {
  if (renderer || captureDeviceIndex == -1) return E_FAIL;
  // Remains of a failed build are dropped before the new graph replaces them.
  if (graphBuilder || captureBuilder) ReleaseGraph();

  if (FAILED(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER,
                              IID_IGraphBuilder, reinterpret_cast<void**>(&graphBuilder))))
    return E_FAIL;
  if (FAILED(CoCreateInstance(CLSID_CaptureGraphBuilder2, nullptr,
                              CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER, IID_ICaptureGraphBuilder2,
                              reinterpret_cast<void**>(&captureBuilder))))
    return E_FAIL;
  if (FAILED(captureBuilder->SetFiltergraph(graphBuilder))) return E_FAIL;

  // The graph holds the renderer from AddFilter on; until then this function does.
  HRESULT hr = S_OK;
  auto* created = new TextureRenderer(nullptr, &hr);
  ComPtr<IBaseFilter> rendererHeld(static_cast<IBaseFilter*>(created));
  if (FAILED(hr)) return E_FAIL;
  created->SetDevice(device);

  ComPtr<IBaseFilter> source;
  if (FAILED(FindCaptureDevice(source.put(), captureDeviceIndex))) return E_FAIL;
  if (FAILED(graphBuilder->AddFilter(source.get(), u"Video Capture"))) return E_FAIL;
  if (FAILED(graphBuilder->AddFilter(created, u"TEXTURERENDERER"))) return E_FAIL;
  renderer = created;
  hr = captureBuilder->RenderStream(&PIN_CATEGORY_PREVIEW, &MEDIATYPE_Video, source.get(), nullptr,
                                    created);
  source.reset();
  if (FAILED(hr)) return E_FAIL;

  graphBuilder->QueryInterface(IID_IMediaControl, reinterpret_cast<void**>(&graphControl));
  graphBuilder->QueryInterface(IID_IMediaPosition, reinterpret_cast<void**>(&mediaPosition));
  graphBuilder->QueryInterface(IID_IMediaEvent, reinterpret_cast<void**>(&mediaEvent));
  graphBuilder->QueryInterface(IID_IMediaSeeking, reinterpret_cast<void**>(&mediaSeeking));
  if (!mediaSeeking || FAILED(mediaSeeking->SetTimeFormat(&TIME_FORMAT_MEDIA_TIME))) return E_FAIL;
  if (!graphControl || FAILED(graphControl->Run())) return E_FAIL;
  return S_OK;
}
