#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "platform/dshow/default_renderers.h"
#include "platform/dshow/filter_registry.h"
#include "tests/platform/dshow/test_filters.h"

using namespace enginetest;

namespace {

ComPtr<IPin> PinOf(IBaseFilter* filter, PIN_DIRECTION direction, int index = 0) {
  ComPtr<IEnumPins> pins;
  filter->EnumPins(pins.put());
  IPin* pin = nullptr;
  while (pins->Next(1, &pin, nullptr) == S_OK) {
    auto held = ComPtr<IPin>::Adopt(pin);
    PIN_DIRECTION d;
    pin->QueryDirection(&d);
    if (d == direction && index-- == 0) return held;
  }
  return {};
}

struct FilterView {
  std::u16string name;
  CLSID clsid;
};

class GraphTest : public ::testing::Test {
 protected:
  void SetUp() override {
    CoInitialize(nullptr);
    ASSERT_EQ(S_OK, CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER,
                                     IID_IGraphBuilder, reinterpret_cast<void**>(graph.put())));
    control = graph.As<IMediaControl>(IID_IMediaControl);
    seeking = graph.As<IMediaSeeking>(IID_IMediaSeeking);
    events = graph.As<IMediaEvent>(IID_IMediaEvent);
    ASSERT_TRUE(control && seeking && events);
  }
  void TearDown() override {
    control.reset();
    seeking.reset();
    events.reset();
    graph.reset();
    for (int cookie : cookies) UnregisterFilter(cookie);
    CoUninitialize();
    EXPECT_EQ(0, liveFilters.load()) << "a filter outlived its graph";
  }

  FrameSource* AddSource(const SourceSpec& spec = {}) {
    auto* source = new FrameSource(spec);
    EXPECT_EQ(S_OK, graph->AddFilter(source, u"Source"));
    return source;
  }
  RecordingRenderer* AddRenderer() {
    auto* renderer = new RecordingRenderer();
    EXPECT_EQ(S_OK, graph->AddFilter(renderer, u"Recorder"));
    return renderer;
  }
  // A source connected straight to a recording renderer.
  RecordingRenderer* BuildChain(const SourceSpec& spec = {}) {
    FrameSource* source = AddSource(spec);
    RecordingRenderer* renderer = AddRenderer();
    EXPECT_EQ(S_OK, graph->Connect(PinOf(source, PINDIR_OUTPUT).get(),
                                   PinOf(renderer, PINDIR_INPUT).get()));
    return renderer;
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
  bool HasFilter(const std::u16string& name) {
    for (auto& f : Filters())
      if (f.name == name) return true;
    return false;
  }
  // Takes events until EC_COMPLETE, with a generous deadline.
  bool WaitForComplete() {
    LONG code = 0;
    return events->WaitForCompletion(20000, &code) == S_OK && code == EC_COMPLETE;
  }
  void RegisterConverter() {
    cookies.push_back(RegisterTransformFilter(u"Test Converter", CLSID_TestConverter, MERIT_NORMAL,
                                              TestConverter::Create));
  }

  ComPtr<IGraphBuilder> graph;
  ComPtr<IMediaControl> control;
  ComPtr<IMediaSeeking> seeking;
  ComPtr<IMediaEvent> events;
  std::vector<int> cookies;
};

// --- building -------------------------------------------------------------------------------

TEST_F(GraphTest, ConnectsDisconnectsRemovesAndAddsFilters) {
  FrameSource* source = AddSource();
  RecordingRenderer* renderer = AddRenderer();
  auto out = PinOf(source, PINDIR_OUTPUT);
  auto in = PinOf(renderer, PINDIR_INPUT);

  EXPECT_EQ(VFW_E_INVALID_DIRECTION, graph->Connect(in.get(), out.get()));
  ASSERT_EQ(S_OK, graph->Connect(out.get(), in.get()));
  EXPECT_EQ(VFW_E_ALREADY_CONNECTED, graph->Connect(out.get(), in.get()));

  ComPtr<IPin> peer;
  ASSERT_EQ(S_OK, in->ConnectedTo(peer.put()));
  EXPECT_EQ(out.get(), peer.get());
  AM_MEDIA_TYPE mt{};
  ASSERT_EQ(S_OK, in->ConnectionMediaType(&mt));
  EXPECT_TRUE(mt.subtype == MEDIASUBTYPE_RGB24);
  FreeMediaType(mt);
  EXPECT_EQ(1, renderer->SetMediaTypeCalls());

  PIN_INFO info{};
  ASSERT_EQ(S_OK, in->QueryPinInfo(&info));
  EXPECT_EQ(std::u16string(u"In"), std::u16string(info.achName));
  EXPECT_EQ(static_cast<IBaseFilter*>(renderer), info.pFilter);
  info.pFilter->Release();
  ComPtr<IPin> found;
  EXPECT_EQ(S_OK, renderer->FindPin(u"In", found.put()));
  EXPECT_EQ(VFW_E_NOT_FOUND, renderer->FindPin(u"Out", found.put()));

  // The way a player swaps renderers: both sides disconnected, the old one removed.
  EXPECT_EQ(S_OK, in->Disconnect());
  EXPECT_EQ(S_OK, out->Disconnect());
  EXPECT_EQ(S_FALSE, out->Disconnect());
  EXPECT_EQ(VFW_E_NOT_CONNECTED, in->ConnectedTo(peer.put()));
  EXPECT_EQ(nullptr, peer.get());
  EXPECT_EQ(S_OK, graph->RemoveFilter(renderer));
  EXPECT_EQ(VFW_E_NOT_FOUND, graph->RemoveFilter(renderer));
  EXPECT_EQ(1u, Filters().size());

  RecordingRenderer* second = AddRenderer();
  EXPECT_EQ(S_OK, graph->Connect(out.get(), PinOf(second, PINDIR_INPUT).get()));
  in.reset();  // the removed renderer goes with its last reference
}

TEST_F(GraphTest, DuplicateNamesAreMadeUniqueAndFoundByName) {
  AddRenderer();
  AddRenderer();
  AddRenderer();
  auto filters = Filters();
  ASSERT_EQ(3u, filters.size());
  EXPECT_EQ(u"Recorder", filters[0].name);
  EXPECT_EQ(u"Recorder 0001", filters[1].name);
  EXPECT_EQ(u"Recorder 0002", filters[2].name);
  ComPtr<IBaseFilter> found;
  EXPECT_EQ(S_OK, graph->FindFilterByName(u"Recorder", found.put()));
  EXPECT_EQ(VFW_E_NOT_FOUND, graph->FindFilterByName(u"Nobody", found.put()));
}

TEST_F(GraphTest, RefusedMediaTypeLeavesBothPinsUnconnected) {
  FrameSource* source = AddSource();
  RecordingRenderer* renderer = AddRenderer();
  renderer->RefuseType(true);
  auto out = PinOf(source, PINDIR_OUTPUT);
  auto in = PinOf(renderer, PINDIR_INPUT);
  EXPECT_TRUE(FAILED(graph->Connect(out.get(), in.get())));
  ComPtr<IPin> peer;
  EXPECT_EQ(VFW_E_NOT_CONNECTED, out->ConnectedTo(peer.put()));
  EXPECT_EQ(VFW_E_NOT_CONNECTED, in->ConnectedTo(peer.put()));
  EXPECT_EQ(2u, Filters().size());
}

TEST_F(GraphTest, ConnectInsertsARegisteredConverterOnlyWhenNeeded) {
  SourceSpec spec;
  spec.subtype = MEDIASUBTYPE_TestFrames;
  FrameSource* source = AddSource(spec);
  RecordingRenderer* renderer = AddRenderer();
  auto out = PinOf(source, PINDIR_OUTPUT);
  auto in = PinOf(renderer, PINDIR_INPUT);

  EXPECT_EQ(VFW_E_CANNOT_CONNECT, graph->Connect(out.get(), in.get()));
  EXPECT_EQ(2u, Filters().size()) << "a failed attempt leaves nothing behind";

  RegisterConverter();
  ASSERT_EQ(S_OK, graph->Connect(out.get(), in.get()));
  EXPECT_TRUE(HasFilter(u"Test Converter"));
  ComPtr<IPin> peer;
  ASSERT_EQ(S_OK, in->ConnectedTo(peer.put()));
  PIN_INFO info{};
  peer->QueryPinInfo(&info);
  CLSID clsid{};
  info.pFilter->GetClassID(&clsid);
  info.pFilter->Release();
  EXPECT_TRUE(clsid == CLSID_TestConverter);

  // Frames flow through the converter.
  ASSERT_EQ(S_OK, control->Run());
  ASSERT_TRUE(WaitForComplete());
  EXPECT_EQ((std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9}), renderer->Frames());
}

TEST_F(GraphTest, RenderFileBuildsTheDefaultGraphAndFailsCleanly) {
  RegisterConverter();
  cookies.push_back(RegisterSourceFilter(
      u"Test Source", MERIT_NORMAL, [](const std::u16string& url, HRESULT* hr) -> IBaseFilter* {
        if (url.rfind(u"test:", 0) != 0) return *hr = VFW_E_UNKNOWN_FILE_TYPE, nullptr;
        if (url == u"test:missing") return *hr = VFW_E_FILE_NOT_FOUND, nullptr;
        SourceSpec spec;
        spec.subtype = MEDIASUBTYPE_TestFrames;
        spec.withAudio = url == u"test:av";
        *hr = S_OK;
        return FrameSource::Create(spec);
      }));

  ASSERT_EQ(S_OK, graph->RenderFile(u"test:av", nullptr));
  EXPECT_TRUE(HasFilter(u"test:av"));
  EXPECT_TRUE(HasFilter(u"Test Converter"));
  EXPECT_TRUE(HasFilter(kVideoRendererName));
  int soundRenderers = 0;
  for (auto& f : Filters())
    if (f.clsid == CLSID_DSoundRender) ++soundRenderers;
  EXPECT_EQ(1, soundRenderers);
  EXPECT_EQ(4u, Filters().size());

  // The null renderers consume the streams on the clock and complete.
  ASSERT_EQ(S_OK, control->Run());
  EXPECT_TRUE(WaitForComplete());
  EXPECT_EQ(S_OK, control->Stop());

  ComPtr<IGraphBuilder> other;
  ASSERT_EQ(S_OK, CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER,
                                   IID_IGraphBuilder, reinterpret_cast<void**>(other.put())));
  EXPECT_EQ(VFW_E_FILE_NOT_FOUND, other->RenderFile(u"test:missing", nullptr));
  EXPECT_EQ(VFW_E_UNKNOWN_FILE_TYPE, other->RenderFile(u"elsewhere:clip", nullptr));
  ComPtr<IEnumFilters> left;
  other->EnumFilters(left.put());
  IBaseFilter* f = nullptr;
  EXPECT_EQ(S_FALSE, left->Next(1, &f, nullptr)) << "a failed RenderFile leaves the graph empty";
}

// --- playback -------------------------------------------------------------------------------

TEST_F(GraphTest, PauseHoldsTheFirstFrameBeforeReturning) {
  RecordingRenderer* renderer = BuildChain();
  ASSERT_EQ(S_OK, control->Pause());
  EXPECT_EQ(std::vector<int>{0}, renderer->FirstSamples());
  EXPECT_TRUE(renderer->Frames().empty()) << "nothing is presented while paused";
  OAFilterState state = -1;
  EXPECT_EQ(S_OK, control->GetState(0, &state));
  EXPECT_EQ(State_Paused, state);
  EXPECT_EQ(S_OK, control->Stop());
}

TEST_F(GraphTest, PauseDoesNotWaitForALiveSourceThatSendsNothing) {
  SourceSpec spec;
  spec.live = true;
  spec.stall = true;
  BuildChain(spec);
  EXPECT_EQ(S_OK, control->Pause()) << "S_FALSE would mean the bounded wait ran out";
  OAFilterState state = -1;
  EXPECT_EQ(VFW_S_CANT_CUE, control->GetState(0, &state));
  EXPECT_EQ(State_Paused, state);
  EXPECT_EQ(S_OK, control->Stop());
}

TEST_F(GraphTest, RunPresentsEveryFrameAtItsTimeAndCompletesOnce) {
  SourceSpec spec;
  RecordingRenderer* renderer = BuildChain(spec);
  const auto begin = std::chrono::steady_clock::now();
  ASSERT_EQ(S_OK, control->Run());
  // Nothing may be taken apart under a streaming thread.
  EXPECT_EQ(VFW_E_NOT_STOPPED, PinOf(renderer, PINDIR_INPUT)->Disconnect());
  EXPECT_EQ(VFW_E_NOT_STOPPED, graph->RemoveFilter(renderer));
  ASSERT_TRUE(WaitForComplete());
  const auto elapsed = std::chrono::steady_clock::now() - begin;

  EXPECT_EQ((std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9}), renderer->Frames());
  auto times = renderer->Times();
  for (std::size_t i = 0; i < times.size(); ++i)
    EXPECT_EQ(static_cast<REFERENCE_TIME>(i) * spec.frameTime, times[i]);
  // Paced by the clock: completion comes after the end time of the last frame.
  EXPECT_GE(std::chrono::duration_cast<std::chrono::microseconds>(elapsed).count(),
            spec.frames * spec.frameTime / 10);

  LONG code;
  LONG_PTR p1, p2;
  EXPECT_EQ(E_ABORT, events->GetEvent(&code, &p1, &p2, 0)) << "one EC_COMPLETE per run";
  LONGLONG position = 0;
  EXPECT_EQ(S_OK, seeking->GetCurrentPosition(&position));
  EXPECT_EQ(spec.frames * spec.frameTime, position) << "the position stops at the end";
}

TEST_F(GraphTest, WithoutASyncSourceRunsUnthrottled) {
  SourceSpec spec;
  spec.frames = 200;
  spec.frameTime = 10000000;  // 200 frames of one second each: only unthrottled finishes soon
  RecordingRenderer* renderer = BuildChain(spec);
  auto filter = graph.As<IMediaFilter>(IID_IMediaFilter);
  ASSERT_EQ(S_OK, filter->SetSyncSource(nullptr));
  ASSERT_EQ(S_OK, control->Run());
  EXPECT_EQ(VFW_E_NOT_STOPPED, filter->SetSyncSource(nullptr));
  ASSERT_TRUE(WaitForComplete());
  EXPECT_EQ(200u, renderer->Frames().size());
}

TEST_F(GraphTest, SeekWhilePausedShowsTheRequestedFrameNotTheKeyFrame) {
  SourceSpec spec;
  spec.keyInterval = 5;
  RecordingRenderer* renderer = BuildChain(spec);
  ASSERT_EQ(S_OK, control->Pause());
  LONGLONG target = 7 * spec.frameTime;
  ASSERT_EQ(S_OK, seeking->SetPositions(&target, AM_SEEKING_AbsolutePositioning, nullptr,
                                        AM_SEEKING_NoPositioning));
  EXPECT_EQ((std::vector<int>{0, 7}), renderer->FirstSamples())
      << "frames 5 and 6 are decoded as pre-roll only";
  LONGLONG position = 0;
  seeking->GetCurrentPosition(&position);
  EXPECT_EQ(target, position);

  ASSERT_EQ(S_OK, control->Run());
  ASSERT_TRUE(WaitForComplete());
  EXPECT_EQ((std::vector<int>{7, 8, 9}), renderer->Frames());
  EXPECT_EQ(0, renderer->Times().front()) << "stream time restarts at the seek target";
}

TEST_F(GraphTest, SeekWhileRunningResumesRunningAndSeekingPastTheEndClamps) {
  SourceSpec spec;
  spec.frames = 400;
  RecordingRenderer* renderer = BuildChain(spec);
  ASSERT_EQ(S_OK, control->Run());
  ASSERT_TRUE(renderer->WaitForFrames(2));
  LONGLONG target = 395 * spec.frameTime;
  ASSERT_EQ(S_OK, seeking->SetPositions(&target, AM_SEEKING_AbsolutePositioning, nullptr,
                                        AM_SEEKING_NoPositioning));
  OAFilterState state = -1;
  control->GetState(0, &state);
  EXPECT_EQ(State_Running, state);
  ASSERT_TRUE(WaitForComplete());
  auto frames = renderer->Frames();
  ASSERT_GE(frames.size(), 5u);
  EXPECT_EQ((std::vector<int>{395, 396, 397, 398, 399}),
            std::vector<int>(frames.end() - 5, frames.end()));
  EXPECT_LT(frames.size(), 100u);

  LONGLONG duration = 0, beyond = 10 * spec.frames * spec.frameTime;
  ASSERT_EQ(S_OK, seeking->GetDuration(&duration));
  EXPECT_EQ(spec.frames * spec.frameTime, duration);
  ASSERT_EQ(S_OK,
            seeking->SetPositions(&beyond, AM_SEEKING_AbsolutePositioning | AM_SEEKING_ReturnTime,
                                  nullptr, AM_SEEKING_NoPositioning));
  EXPECT_EQ(duration, beyond);
  EXPECT_TRUE(WaitForComplete()) << "a seek to the end completes again";
}

TEST_F(GraphTest, RateTwoStampsFramesAtHalfTimeAndPlaysFaster) {
  SourceSpec spec;
  spec.frames = 20;
  RecordingRenderer* renderer = BuildChain(spec);
  auto position = graph.As<IMediaPosition>(IID_IMediaPosition);
  ASSERT_EQ(S_OK, position->put_Rate(2.0));
  double rate = 0;
  position->get_Rate(&rate);
  EXPECT_EQ(2.0, rate);
  EXPECT_EQ(E_INVALIDARG, position->put_Rate(0.0));

  const auto begin = std::chrono::steady_clock::now();
  ASSERT_EQ(S_OK, control->Run());
  ASSERT_TRUE(WaitForComplete());
  const auto elapsed = std::chrono::steady_clock::now() - begin;
  auto times = renderer->Times();
  ASSERT_EQ(20u, times.size());
  for (std::size_t i = 0; i < times.size(); ++i)
    EXPECT_EQ(static_cast<REFERENCE_TIME>(i) * spec.frameTime / 2, times[i]);
  EXPECT_GE(std::chrono::duration_cast<std::chrono::microseconds>(elapsed).count(),
            spec.frames * spec.frameTime / 20);
  LONGLONG at = 0;
  seeking->GetCurrentPosition(&at);
  EXPECT_EQ(spec.frames * spec.frameTime, at) << "positions stay in media time";
}

TEST_F(GraphTest, StopWhenReadyCuesTheFirstFrameThenStops) {
  RecordingRenderer* renderer = BuildChain();
  ASSERT_EQ(S_OK, control->StopWhenReady());
  OAFilterState state = -1;
  control->GetState(0, &state);
  EXPECT_EQ(State_Stopped, state);
  EXPECT_EQ(std::vector<int>{0}, renderer->FirstSamples());
}

TEST_F(GraphTest, StopThenRunGoesOnFromWhereItStopped) {
  SourceSpec spec;
  spec.keyInterval = 1;
  RecordingRenderer* renderer = BuildChain(spec);
  ASSERT_EQ(S_OK, control->Pause());
  LONGLONG target = 4 * spec.frameTime;
  seeking->SetPositions(&target, AM_SEEKING_AbsolutePositioning, nullptr, AM_SEEKING_NoPositioning);
  ASSERT_EQ(S_OK, control->Stop());
  renderer->Clear();
  ASSERT_EQ(S_OK, control->Run());
  ASSERT_TRUE(WaitForComplete());
  EXPECT_EQ((std::vector<int>{4, 5, 6, 7, 8, 9}), renderer->Frames());
}

TEST_F(GraphTest, ReleasingTheGraphWhileFramesStreamStopsAndFreesEverything) {
  SourceSpec spec;
  spec.endless = true;
  spec.frameTime = 10000;  // 1 ms
  RecordingRenderer* renderer = BuildChain(spec);
  ASSERT_EQ(S_OK, control->Run());
  ASSERT_TRUE(renderer->WaitForFrames(3));
  // TearDown releases every interface while the source thread pushes, and checks that no
  // filter is left.
}

TEST_F(GraphTest, StoppingWhileFramesStreamJoinsTheThreadsAndCanRunAgain) {
  SourceSpec spec;
  spec.endless = true;
  spec.frameTime = 10000;
  RecordingRenderer* renderer = BuildChain(spec);
  for (int round = 0; round < 3; ++round) {
    renderer->Clear();
    ASSERT_EQ(S_OK, control->Run());
    ASSERT_TRUE(renderer->WaitForFrames(3));
    ASSERT_EQ(S_OK, control->Stop());
  }
}

// --- events ---------------------------------------------------------------------------------

TEST_F(GraphTest, EventsFromAnyThreadAreQueuedAndTakenWithATimeOut) {
  RecordingRenderer* renderer = AddRenderer();
  LONG code = 0;
  LONG_PTR p1 = 0, p2 = 0;
  EXPECT_EQ(E_ABORT, events->GetEvent(&code, &p1, &p2, 0));

  std::thread notifier([&] { renderer->NotifyEvent(EC_ERRORABORT, E_FAIL, 0); });
  EXPECT_EQ(S_OK, events->GetEvent(&code, &p1, &p2, 20000));
  notifier.join();
  EXPECT_EQ(EC_ERRORABORT, code);
  EXPECT_EQ(E_FAIL, p1);
  EXPECT_EQ(S_OK, events->FreeEventParams(code, p1, p2));

  // A renderer's own EC_COMPLETE is counted, not passed on, while the graph is stopped.
  renderer->NotifyEvent(EC_COMPLETE, S_OK, 0);
  EXPECT_EQ(E_ABORT, events->GetEvent(&code, &p1, &p2, 0));
}

}  // namespace
