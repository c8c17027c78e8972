#include <gtest/gtest.h>

#include "platform/dshow/device_registry.h"
#include "tests/platform/dshow/test_filters.h"

using namespace enginetest;

namespace {

class CaptureTest : public ::testing::Test {
 protected:
  void SetUp() override {
    CoInitialize(nullptr);
    ASSERT_EQ(S_OK, CoCreateInstance(CLSID_SystemDeviceEnum, nullptr, CLSCTX_INPROC_SERVER,
                                     IID_ICreateDevEnum, reinterpret_cast<void**>(devices.put())));
  }
  void TearDown() override {
    devices.reset();
    for (int cookie : cookies) UnregisterVideoCapture(cookie);
    for (int cookie : filterCookies) UnregisterFilter(cookie);
    CoUninitialize();
    EXPECT_EQ(0, liveFilters.load());
  }

  // A live source whose only video pin is a capture pin in the private format.
  void AddCamera(const std::string& name, bool readable = true) {
    cookies.push_back(RegisterVideoCaptureDevice(
        name,
        [](HRESULT* hr) {
          SourceSpec spec;
          spec.live = true;
          spec.endless = true;
          spec.category = PIN_CATEGORY_CAPTURE;
          spec.subtype = MEDIASUBTYPE_TestFrames;
          *hr = S_OK;
          return FrameSource::Create(spec);
        },
        readable));
  }

  // Friendly names in enumeration order; "?" for a device whose name cannot be read.
  std::vector<std::string> Names() {
    std::vector<std::string> names;
    ComPtr<IEnumMoniker> list;
    if (devices->CreateClassEnumerator(CLSID_VideoInputDeviceCategory, list.put(), 0) != S_OK)
      return names;
    IMoniker* moniker = nullptr;
    while (list->Next(1, &moniker, nullptr) == S_OK) {
      auto held = ComPtr<IMoniker>::Adopt(moniker);
      ComPtr<IPropertyBag> bag;
      if (FAILED(moniker->BindToStorage(nullptr, nullptr, IID_IPropertyBag,
                                        reinterpret_cast<void**>(bag.put())))) {
        names.push_back("?");
        continue;
      }
      VARIANT value;
      VariantInit(&value);
      value.vt = VT_BSTR;
      EXPECT_EQ(S_OK, bag->Read(u"FriendlyName", &value, nullptr));
      std::string name;
      for (UINT i = 0; i < SysStringLen(value.bstrVal); ++i)
        name += static_cast<char>(value.bstrVal[i]);
      SysFreeString(value.bstrVal);
      names.push_back(name);
    }
    return names;
  }

  ComPtr<ICreateDevEnum> devices;
  std::vector<int> cookies, filterCookies;
};

TEST_F(CaptureTest, NoDeviceGivesSFalseAndNoEnumerator) {
  IEnumMoniker* list = reinterpret_cast<IEnumMoniker*>(1);
  EXPECT_EQ(S_FALSE, devices->CreateClassEnumerator(CLSID_VideoInputDeviceCategory, &list, 0));
  EXPECT_EQ(nullptr, list);
}

TEST_F(CaptureTest, ListsDevicesInRegistrationOrderAndSimulatesAnUnreadableName) {
  AddCamera("First camera");
  AddCamera("Broken camera", false);
  AddCamera("Caméra trois");
  // UTF-8 in, UTF-16 out: the accented letter is one unit, shown here by its low byte.
  EXPECT_EQ((std::vector<std::string>{"First camera", "?", "Cam\xE9ra trois"}), Names());

  UnregisterVideoCapture(cookies[1]);
  EXPECT_EQ(2u, Names().size());
}

TEST_F(CaptureTest, ProvidersComeBeforeVirtualDevices) {
  AddCamera("Virtual");
  cookies.push_back(RegisterVideoCaptureProvider([] {
    return std::vector<VideoCaptureDevice>{{"Hardware", true, nullptr}};
  }));
  EXPECT_EQ((std::vector<std::string>{"Hardware", "Virtual"}), Names());
}

TEST_F(CaptureTest, PreviewOfACaptureOnlyDeviceStreamsIntoARendererThroughAConverter) {
  filterCookies.push_back(RegisterTransformFilter(u"Test Converter", CLSID_TestConverter,
                                                  MERIT_NORMAL, TestConverter::Create));
  AddCamera("Camera");

  ComPtr<IEnumMoniker> list;
  ASSERT_EQ(S_OK, devices->CreateClassEnumerator(CLSID_VideoInputDeviceCategory, list.put(), 0));
  ComPtr<IMoniker> moniker;
  ASSERT_EQ(S_OK, list->Next(1, moniker.put(), nullptr));
  ComPtr<IBaseFilter> source;
  ASSERT_EQ(S_OK, moniker->BindToObject(nullptr, nullptr, IID_IBaseFilter,
                                        reinterpret_cast<void**>(source.put())));

  ComPtr<IGraphBuilder> graph;
  ComPtr<ICaptureGraphBuilder2> builder;
  ASSERT_EQ(S_OK, CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER,
                                   IID_IGraphBuilder, reinterpret_cast<void**>(graph.put())));
  ASSERT_EQ(S_OK,
            CoCreateInstance(CLSID_CaptureGraphBuilder2, nullptr, CLSCTX_INPROC_SERVER,
                             IID_ICaptureGraphBuilder2, reinterpret_cast<void**>(builder.put())));
  ASSERT_EQ(S_OK, builder->SetFiltergraph(graph.get()));
  auto* renderer = new RecordingRenderer();
  ASSERT_EQ(S_OK, graph->AddFilter(source.get(), u"Video Capture"));
  ASSERT_EQ(S_OK, graph->AddFilter(renderer, u"TEXTURERENDERER"));

  EXPECT_TRUE(FAILED(builder->RenderStream(&PIN_CATEGORY_PREVIEW, &MEDIATYPE_Audio, source.get(),
                                           nullptr, renderer)));
  ASSERT_EQ(S_OK, builder->RenderStream(&PIN_CATEGORY_PREVIEW, &MEDIATYPE_Video, source.get(),
                                        nullptr, renderer));

  auto control = graph.As<IMediaControl>(IID_IMediaControl);
  auto seeking = graph.As<IMediaSeeking>(IID_IMediaSeeking);
  EXPECT_EQ(S_OK, seeking->SetTimeFormat(&TIME_FORMAT_MEDIA_TIME));
  LONGLONG position = -1;
  EXPECT_EQ(S_OK, seeking->GetCurrentPosition(&position))
      << "a live graph still reports a position";
  EXPECT_EQ(S_OK, control->Run()) << "a live source does not hold up the pause";
  ASSERT_TRUE(renderer->WaitForFrames(3));
  auto frames = renderer->Frames();
  EXPECT_EQ(0, frames[0]);
  EXPECT_EQ(S_OK, control->Stop());
}

}  // namespace
