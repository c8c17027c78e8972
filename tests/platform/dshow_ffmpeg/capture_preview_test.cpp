// Virtual capture devices made from an FFmpeg test pattern, listed by the system device
// enumerator and previewed through the capture graph builder.

#include <gtest/gtest.h>

#include "platform/dshow/device_registry.h"
#include "platform/dshow/ffmpeg/capture_source_filter.h"
#include "platform/dshow/ffmpeg/ffmpeg_filters.h"
#include "tests/platform/dshow_ffmpeg/picture_renderer.h"
#include "tests/platform/dshow_ffmpeg/test_media.h"

namespace {

class CapturePreviewTest : public ::testing::Test {
 protected:
  void SetUp() override {
    CoInitialize(nullptr);
    cookies.push_back(RegisterFilterGraphCaptureDevice("Nameless", "testsrc", false));
    cookies.push_back(RegisterFilterGraphCaptureDevice("Test Pattern", TestMedia::LosslessPattern()));
    cookies.push_back(RegisterFilterGraphCaptureDevice("Broken Pattern", "nosuchsource=size=8x8"));
    ASSERT_EQ(S_OK, CoCreateInstance(CLSID_SystemDeviceEnum, nullptr, CLSCTX_INPROC_SERVER,
                                     IID_ICreateDevEnum, reinterpret_cast<void**>(devices.put())));
  }
  void TearDown() override {
    devices.reset();
    for (int cookie : cookies) UnregisterVideoCapture(cookie);
    CoUninitialize();
  }

  // The moniker of the device with this friendly name; devices whose name cannot be read
  // are passed over.
  ComPtr<IMoniker> Device(const std::u16string& wanted) {
    ComPtr<IEnumMoniker> list;
    if (devices->CreateClassEnumerator(CLSID_VideoInputDeviceCategory, list.put(), 0) != S_OK)
      return {};
    IMoniker* moniker = nullptr;
    while (list->Next(1, &moniker, nullptr) == S_OK) {
      auto held = ComPtr<IMoniker>::Adopt(moniker);
      ComPtr<IPropertyBag> bag;
      if (FAILED(moniker->BindToStorage(nullptr, nullptr, IID_IPropertyBag,
                                        reinterpret_cast<void**>(bag.put()))))
        continue;
      VARIANT value;
      VariantInit(&value);
      value.vt = VT_BSTR;
      if (FAILED(bag->Read(u"FriendlyName", &value, nullptr))) continue;
      const std::u16string name(value.bstrVal, SysStringLen(value.bstrVal));
      SysFreeString(value.bstrVal);
      if (name == wanted) return held;
    }
    return {};
  }

  ComPtr<ICreateDevEnum> devices;
  std::vector<int> cookies;
};

TEST_F(CapturePreviewTest, TestPatternDevicePreviewsItsPicturesInOrder) {
  const TestMedia& media = TestMedia::Get();
  ComPtr<IMoniker> device = Device(u"Test Pattern");
  ASSERT_TRUE(device);
  ComPtr<IBaseFilter> source;
  ASSERT_EQ(S_OK, device->BindToObject(nullptr, nullptr, IID_IBaseFilter,
                                       reinterpret_cast<void**>(source.put())));
  CLSID clsid{};
  source->GetClassID(&clsid);
  EXPECT_EQ(ffmedia::CLSID_CaptureSourceFilter, clsid);

  ComPtr<IGraphBuilder> graph;
  ComPtr<ICaptureGraphBuilder2> builder;
  ASSERT_EQ(S_OK, CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER,
                                   IID_IGraphBuilder, reinterpret_cast<void**>(graph.put())));
  ASSERT_EQ(S_OK, CoCreateInstance(CLSID_CaptureGraphBuilder2, nullptr, CLSCTX_INPROC_SERVER,
                                   IID_ICaptureGraphBuilder2,
                                   reinterpret_cast<void**>(builder.put())));
  ASSERT_EQ(S_OK, builder->SetFiltergraph(graph.get()));
  auto* renderer = new PictureRenderer();
  ASSERT_EQ(S_OK, graph->AddFilter(source.get(), u"Video Capture"));
  ASSERT_EQ(S_OK, graph->AddFilter(renderer, u"TEXTURERENDERER"));
  ASSERT_EQ(S_OK, builder->RenderStream(&PIN_CATEGORY_PREVIEW, &MEDIATYPE_Video, source.get(),
                                        nullptr, renderer));

  // Live: the pictures come at the pattern's rate, one after the other from the first.
  auto control = graph.As<IMediaControl>(IID_IMediaControl);
  ASSERT_EQ(S_OK, control->Run());
  ASSERT_TRUE(renderer->WaitForPresented(4));
  const std::vector<Picture> presented = renderer->Presented();
  constexpr REFERENCE_TIME kFrame = 10'000'000 / TestMedia::kLosslessRate;
  for (int n = 0; n < 4; ++n) {
    EXPECT_TRUE(presented[n].bitmap == media.LosslessBitmap(n)) << "picture " << n;
    EXPECT_EQ(n * kFrame, presented[n].start);
  }
  OAFilterState state = -1;
  EXPECT_EQ(S_OK, control->GetState(0, &state));
  EXPECT_EQ(State_Running, state);

  // Stopped and run again, the device starts over.
  ASSERT_EQ(S_OK, control->Stop());
  renderer->Clear();
  ASSERT_EQ(S_OK, control->Pause());
  EXPECT_EQ(VFW_S_CANT_CUE, control->GetState(0, &state));
  ASSERT_EQ(S_OK, control->Run());
  ASSERT_TRUE(renderer->WaitForPresented(1));
  EXPECT_EQ(S_OK, control->Stop());
}

TEST_F(CapturePreviewTest, UnreadableNameAndUnopenableDeviceAreReportedNotFatal) {
  ComPtr<IEnumMoniker> list;
  ASSERT_EQ(S_OK, devices->CreateClassEnumerator(CLSID_VideoInputDeviceCategory, list.put(), 0));
  int unreadable = 0;
  IMoniker* moniker = nullptr;
  while (list->Next(1, &moniker, nullptr) == S_OK) {
    auto held = ComPtr<IMoniker>::Adopt(moniker);
    ComPtr<IPropertyBag> bag;
    if (FAILED(moniker->BindToStorage(nullptr, nullptr, IID_IPropertyBag,
                                      reinterpret_cast<void**>(bag.put())))) {
      ++unreadable;
      continue;
    }
    VARIANT value;
    VariantInit(&value);
    value.vt = VT_BSTR;
    if (FAILED(bag->Read(u"FriendlyName", &value, nullptr))) ++unreadable;
    else SysFreeString(value.bstrVal);
  }
  EXPECT_EQ(1, unreadable);

  ComPtr<IMoniker> broken = Device(u"Broken Pattern");
  ASSERT_TRUE(broken);
  ComPtr<IBaseFilter> source;
  EXPECT_TRUE(FAILED(broken->BindToObject(nullptr, nullptr, IID_IBaseFilter,
                                          reinterpret_cast<void**>(source.put()))));
  EXPECT_FALSE(source);
}

}  // namespace
