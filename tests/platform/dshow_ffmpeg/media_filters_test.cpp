// The FFmpeg filters in the filter graph: RenderFile on generated media, pixels through the
// whole chain, seeking, http URLs, capture preview, and media that cannot be played.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "platform/dshow/default_renderers.h"
#include "platform/dshow/device_registry.h"
#include "platform/dshow/ffmpeg/ffmpeg_filters.h"
#include "platform/dshow/ffmpeg/media_decoder.h"
#include "platform/dshow/ffmpeg/media_demuxer.h"
#include "platform/dshow/ffmpeg/rgb24_converter.h"
#include "platform/dshow/ffmpeg/video_decoder_filter.h"
#include "platform/dshow/ffmpeg/rgb_converter_filter.h"
#include "platform/dshow/ffmpeg/audio_decoder_filter.h"
#include "platform/dshow/ffmpeg/media_splitter.h"
#include "tests/platform/dshow_ffmpeg/loopback_http_server.h"
#include "tests/platform/dshow_ffmpeg/picture_renderer.h"
#include "tests/platform/dshow_ffmpeg/test_media.h"

namespace {

using namespace ffmedia;

constexpr REFERENCE_TIME kFrame = 10'000'000 / TestMedia::kLosslessRate;

std::u16string Wide(const std::string& text) { return std::u16string(text.begin(), text.end()); }

ComPtr<IPin> PinOf(IBaseFilter* filter, PIN_DIRECTION direction) {
  ComPtr<IEnumPins> pins;
  filter->EnumPins(pins.put());
  IPin* pin = nullptr;
  while (pins->Next(1, &pin, nullptr) == S_OK) {
    auto held = ComPtr<IPin>::Adopt(pin);
    PIN_DIRECTION d;
    pin->QueryDirection(&d);
    if (d == direction) return held;
  }
  return {};
}

struct FilterView {
  std::u16string name;
  CLSID clsid;
};

class MediaGraphTest : public ::testing::Test {
 protected:
  void SetUp() override {
    RegisterFfmpegFilters();
    CoInitialize(nullptr);
    ASSERT_EQ(S_OK, CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER,
                                     IID_IGraphBuilder, reinterpret_cast<void**>(graph.put())));
    control = graph.As<IMediaControl>(IID_IMediaControl);
    seeking = graph.As<IMediaSeeking>(IID_IMediaSeeking);
    events = graph.As<IMediaEvent>(IID_IMediaEvent);
    ASSERT_TRUE(control && seeking && events);
  }
  void TearDown() override {
    if (control) control->Stop();
    control.reset();
    seeking.reset();
    events.reset();
    graph.reset();
    CoUninitialize();
  }

  std::vector<FilterView> Filters() {
    std::vector<FilterView> out;
    ComPtr<IEnumFilters> list;
    graph->EnumFilters(list.put());
    IBaseFilter* f = nullptr;
    while (list->Next(1, &f, nullptr) == S_OK) {
      FILTER_INFO info{};
      f->QueryFilterInfo(&info);
      if (info.pGraph) info.pGraph->Release();
      CLSID clsid{};
      f->GetClassID(&clsid);
      out.push_back({info.achName, clsid});
      f->Release();
    }
    return out;
  }
  int CountClass(const CLSID& clsid) {
    int n = 0;
    for (const FilterView& f : Filters()) n += f.clsid == clsid;
    return n;
  }

  // What the media player does after RenderFile: the video renderer makes way for a
  // renderer of the test's own, connected by intelligent connect.
  PictureRenderer* ReplaceVideoRenderer() {
    ComPtr<IBaseFilter> video;
    if (graph->FindFilterByName(kVideoRendererName, video.put()) != S_OK) return nullptr;
    ComPtr<IPin> in = PinOf(video.get(), PINDIR_INPUT);
    ComPtr<IPin> upstream;
    if (in->ConnectedTo(upstream.put()) != S_OK) return nullptr;
    EXPECT_EQ(S_OK, graph->Disconnect(in.get()));
    EXPECT_EQ(S_OK, graph->Disconnect(upstream.get()));
    EXPECT_EQ(S_OK, graph->RemoveFilter(video.get()));
    auto* renderer = new PictureRenderer();
    EXPECT_EQ(S_OK, graph->AddFilter(renderer, u"Pictures"));
    if (graph->Connect(upstream.get(), PinOf(renderer, PINDIR_INPUT).get()) != S_OK) return nullptr;
    return renderer;
  }
  void RunUnthrottled() {
    ComPtr<IMediaFilter> filter = graph.As<IMediaFilter>(IID_IMediaFilter);
    ASSERT_EQ(S_OK, filter->SetSyncSource(nullptr));
  }
  bool WaitForComplete() {
    LONG code = 0;
    return events->WaitForCompletion(30000, &code) == S_OK && code == EC_COMPLETE;
  }
  void SeekTo(REFERENCE_TIME time) {
    LONGLONG at = time;
    ASSERT_TRUE(SUCCEEDED(seeking->SetPositions(&at, AM_SEEKING_AbsolutePositioning, nullptr,
                                                AM_SEEKING_NoPositioning)));
  }

  ComPtr<IGraphBuilder> graph;
  ComPtr<IMediaControl> control;
  ComPtr<IMediaSeeking> seeking;
  ComPtr<IMediaEvent> events;
};

// Every picture of a file as FFmpeg alone decodes and converts it.
std::vector<std::vector<std::uint8_t>> DecodeDirectly(const std::string& path) {
  std::vector<std::vector<std::uint8_t>> pictures;
  Demuxer input;
  EXPECT_EQ(0, input.Open(path));
  int stream = 0;
  while (input.Stream(stream)->codecpar->codec_type != AVMEDIA_TYPE_VIDEO) ++stream;
  Decoder decoder;
  EXPECT_EQ(0, decoder.Open(input.Stream(stream)->codecpar, input.Stream(stream)->time_base));
  Rgb24Converter converter;
  PacketPtr packet = MakePacket();
  FramePtr frame = MakeFrame();
  auto take = [&] {
    while (decoder.Receive(frame.get()) == 0) {
      std::vector<std::uint8_t> bitmap(Rgb24ImageSize(frame->width, frame->height));
      converter.Convert(*frame, bitmap.data(), bitmap.size());
      pictures.push_back(std::move(bitmap));
      av_frame_unref(frame.get());
    }
  };
  while (input.ReadPacket(packet.get()) == 0) {
    if (packet->stream_index == stream) decoder.Send(packet.get());
    av_packet_unref(packet.get());
    take();
  }
  decoder.Send(nullptr);
  take();
  return pictures;
}

TEST_F(MediaGraphTest, RenderFileBuildsTheChainsAndDecodesEveryPictureOfALossyFileWithSound) {
  const TestMedia& media = TestMedia::Get();
  ASSERT_EQ(S_OK, graph->RenderFile(Wide(media.lossyWithSound.string()).c_str(), nullptr));
  EXPECT_EQ(1, CountClass(CLSID_MediaSplitter));
  EXPECT_EQ(1, CountClass(CLSID_VideoDecoderFilter));
  EXPECT_EQ(1, CountClass(CLSID_RgbConverterFilter));
  EXPECT_EQ(1, CountClass(CLSID_AudioDecoderFilter));
  EXPECT_EQ(1, CountClass(CLSID_DSoundRender));
  EXPECT_EQ(6u, Filters().size());
  LONGLONG duration = 0;
  EXPECT_EQ(S_OK, seeking->GetDuration(&duration));
  EXPECT_NEAR(static_cast<double>(duration), 2e7, 3e5);

  PictureRenderer* renderer = ReplaceVideoRenderer();
  ASSERT_NE(nullptr, renderer);
  RunUnthrottled();
  ASSERT_EQ(S_OK, control->Run());
  ASSERT_TRUE(WaitForComplete());
  const std::vector<Picture> presented = renderer->Presented();
  const auto expected = DecodeDirectly(media.lossyWithSound.string());
  ASSERT_EQ(std::size_t{TestMedia::kLossyFrames}, expected.size());
  ASSERT_EQ(expected.size(), presented.size());
  for (std::size_t n = 0; n < expected.size(); ++n) {
    EXPECT_TRUE(presented[n].bitmap == expected[n]) << "picture " << n;
    EXPECT_EQ(static_cast<REFERENCE_TIME>(n) * 400'000, presented[n].start);
  }
}

TEST_F(MediaGraphTest, WithoutItsAudioRendererTheSoundStreamIsDroppedAndPicturesStillFlow) {
  const TestMedia& media = TestMedia::Get();
  ASSERT_EQ(S_OK, graph->RenderFile(Wide(media.lossyWithSound.string()).c_str(), nullptr));
  // What a silent player does: the audio renderer goes, the audio decoder stays half
  // connected, and the splitter's audio pin stops at its first refused sample.
  for (const FilterView& f : Filters()) {
    if (!(f.clsid == CLSID_DSoundRender)) continue;
    ComPtr<IBaseFilter> sound;
    ASSERT_EQ(S_OK, graph->FindFilterByName(f.name.c_str(), sound.put()));
    ComPtr<IPin> in = PinOf(sound.get(), PINDIR_INPUT);
    ComPtr<IPin> upstream;
    ASSERT_EQ(S_OK, in->ConnectedTo(upstream.put()));
    ASSERT_EQ(S_OK, graph->Disconnect(in.get()));
    ASSERT_EQ(S_OK, graph->Disconnect(upstream.get()));
    ASSERT_EQ(S_OK, graph->RemoveFilter(sound.get()));
  }
  PictureRenderer* renderer = ReplaceVideoRenderer();
  ASSERT_NE(nullptr, renderer);
  RunUnthrottled();
  for (int pass = 0; pass < 2; ++pass) {
    SCOPED_TRACE(pass);
    renderer->Clear();
    SeekTo(0);
    ASSERT_EQ(S_OK, control->Run());
    ASSERT_TRUE(WaitForComplete());
    EXPECT_EQ(std::size_t{TestMedia::kLossyFrames}, renderer->Presented().size());
    ASSERT_EQ(S_OK, control->Stop());
  }
}

TEST_F(MediaGraphTest, LosslessPicturesArriveExactAndSeeksLandOnTheRequestedFrame) {
  const TestMedia& media = TestMedia::Get();
  ASSERT_EQ(S_OK, graph->RenderFile(Wide(media.lossless.string()).c_str(), nullptr));
  EXPECT_EQ(0, CountClass(CLSID_DSoundRender)) << "the file has no sound";
  PictureRenderer* renderer = ReplaceVideoRenderer();
  ASSERT_NE(nullptr, renderer);

  // Pause cues the first picture.
  RunUnthrottled();
  ASSERT_EQ(S_OK, control->Pause());
  ASSERT_EQ(1u, renderer->Cued().size());
  EXPECT_TRUE(renderer->Cued()[0].bitmap == media.LosslessBitmap(0));

  // Frames 17 and 23 lie between key frames (every tenth); 1.75 s is inside frame 17.
  const struct {
    REFERENCE_TIME at;
    int frame;
  } seeks[] = {{17 * kFrame, 17}, {23 * kFrame, 23}, {17 * kFrame + kFrame / 2, 17}, {0, 0}};
  for (const auto& seek : seeks) {
    SCOPED_TRACE(seek.frame);
    renderer->Clear();
    SeekTo(seek.at);
    ASSERT_EQ(1u, renderer->Cued().size());
    EXPECT_TRUE(renderer->Cued()[0].bitmap == media.LosslessBitmap(seek.frame));
  }

  // Running from a seek presents the frames from there to the end, each exactly once.
  renderer->Clear();
  SeekTo(25 * kFrame);
  ASSERT_EQ(S_OK, control->Run());
  ASSERT_TRUE(WaitForComplete());
  const std::vector<Picture> presented = renderer->Presented();
  ASSERT_EQ(5u, presented.size());
  for (int n = 0; n < 5; ++n) {
    EXPECT_TRUE(presented[n].bitmap == media.LosslessBitmap(25 + n)) << "frame " << 25 + n;
    EXPECT_EQ(n * kFrame, presented[n].start);
  }

  // At rate 2 the same pictures come stamped twice as close together.
  ASSERT_EQ(S_OK, control->Stop());
  renderer->Clear();
  ASSERT_EQ(S_OK, seeking->SetRate(2.0));
  SeekTo(20 * kFrame);
  ASSERT_EQ(S_OK, control->Run());
  ASSERT_TRUE(WaitForComplete());
  const std::vector<Picture> fast = renderer->Presented();
  ASSERT_EQ(10u, fast.size());
  for (int n = 0; n < 10; ++n) {
    EXPECT_TRUE(fast[n].bitmap == media.LosslessBitmap(20 + n)) << "frame " << 20 + n;
    EXPECT_EQ(n * kFrame / 2, fast[n].start);
  }
}

TEST_F(MediaGraphTest, HttpUrlFromALoopbackServerPlaysLikeTheFile) {
  const TestMedia& media = TestMedia::Get();
  LoopbackHttpServer server(media.folder);
  ASSERT_EQ(S_OK, graph->RenderFile(Wide(server.Url("lossless.mkv")).c_str(), nullptr));
  PictureRenderer* renderer = ReplaceVideoRenderer();
  ASSERT_NE(nullptr, renderer);
  RunUnthrottled();
  ASSERT_EQ(S_OK, control->Run());
  ASSERT_TRUE(WaitForComplete());
  const std::vector<Picture> presented = renderer->Presented();
  ASSERT_EQ(std::size_t{TestMedia::kLosslessFrames}, presented.size());
  for (int n = 0; n < TestMedia::kLosslessFrames; ++n)
    EXPECT_TRUE(presented[n].bitmap == media.LosslessBitmap(n)) << "frame " << n;
  EXPECT_GE(server.FilesServed(), 1);
  ASSERT_EQ(S_OK, control->Stop());
}

TEST_F(MediaGraphTest, MissingCorruptAndTruncatedMediaFailWithAnErrorAndLeaveNoFilter) {
  const TestMedia& media = TestMedia::Get();
  LoopbackHttpServer server(media.folder);
  const struct {
    std::string source;
    HRESULT expected;
  } cases[] = {
      {media.missing.string(), VFW_E_FILE_NOT_FOUND},
      {server.Url("missing.mkv"), VFW_E_FILE_NOT_FOUND},
      {media.corrupt.string(), VFW_E_UNKNOWN_FILE_TYPE},
      {media.truncated.string(), VFW_E_UNKNOWN_FILE_TYPE},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.source);
    ComPtr<IGraphBuilder> fresh;
    ASSERT_EQ(S_OK, CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER,
                                     IID_IGraphBuilder, reinterpret_cast<void**>(fresh.put())));
    EXPECT_EQ(c.expected, fresh->RenderFile(Wide(c.source).c_str(), nullptr));
    ComPtr<IEnumFilters> left;
    fresh->EnumFilters(left.put());
    IBaseFilter* f = nullptr;
    EXPECT_EQ(S_FALSE, left->Next(1, &f, nullptr));
  }
}

TEST_F(MediaGraphTest, DamagedDataAndAMissingTailPlayWhatCanBeDecodedToTheEnd) {
  const TestMedia& media = TestMedia::Get();
  const struct {
    std::filesystem::path path;
    std::size_t most;  // pictures that can come out
  } cases[] = {{media.damaged, TestMedia::kLossyFrames},
               {media.cutShort, TestMedia::kLosslessFrames - 1}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path);
    ComPtr<IGraphBuilder> fresh;
    ASSERT_EQ(S_OK, CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER,
                                     IID_IGraphBuilder, reinterpret_cast<void**>(fresh.put())));
    graph = fresh;
    control = graph.As<IMediaControl>(IID_IMediaControl);
    events = graph.As<IMediaEvent>(IID_IMediaEvent);
    ASSERT_EQ(S_OK, graph->RenderFile(Wide(c.path.string()).c_str(), nullptr));
    PictureRenderer* renderer = ReplaceVideoRenderer();
    ASSERT_NE(nullptr, renderer);
    RunUnthrottled();
    ASSERT_EQ(S_OK, control->Run());
    EXPECT_TRUE(WaitForComplete());
    EXPECT_GT(renderer->Presented().size(), 0u);
    EXPECT_LE(renderer->Presented().size(), c.most);
    ASSERT_EQ(S_OK, control->Stop());
  }
}

TEST_F(MediaGraphTest, ReleasingTheGraphWhileBothStreamsPlayOnTheClockStopsEverything) {
  const TestMedia& media = TestMedia::Get();
  ASSERT_EQ(S_OK, graph->RenderFile(Wide(media.lossyWithSound.string()).c_str(), nullptr));
  PictureRenderer* renderer = ReplaceVideoRenderer();
  ASSERT_NE(nullptr, renderer);
  ASSERT_EQ(S_OK, control->Run());
  ASSERT_TRUE(renderer->WaitForPresented(3));
  // A seek while running, then the graph goes with frames in flight on two threads.
  SeekTo(1'000'000);
  ASSERT_TRUE(renderer->WaitForPresented(5));
  control.reset();
  seeking.reset();
  events.reset();
  graph.reset();
}

}  // namespace
