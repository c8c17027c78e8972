// The player's file and URL graphs and its playback controls, on generated media and the
// engine's real graph.

#include <cmath>
#include <string>

#include "platform/dshow/default_renderers.h"
#include "tests/platform/dshow_ffmpeg/loopback_http_server.h"
#include "tests/media_texture/player/player_scene.h"

namespace {

using namespace player_scene;

using PlayerTest = Scene;

constexpr float kLosslessMs = 1000.0f * TestMedia::kLosslessFrames / TestMedia::kLosslessRate;

TEST_F(PlayerTest, BuildsAStoppedGraphEndingInTheTextureRenderer) {
  player->SetEndPosition(12345.0f, false);
  ASSERT_EQ(Build(TestMedia::Get().lossless), S_OK);
  EXPECT_TRUE(Messages().empty());
  TextureRenderer* renderer = player->GetRenderer();
  ASSERT_NE(renderer, nullptr);
  EXPECT_EQ(renderer->videoWidth, TestMedia::kLosslessWidth);
  EXPECT_EQ(renderer->videoHeight, TestMedia::kLosslessHeight);
  EXPECT_NE(renderer->GetVideoTexture(), nullptr);
  EXPECT_NEAR(player->GetDuration(), kLosslessMs, 1.0f);
  EXPECT_EQ(player->GetEndPosition(), player->GetDuration()) << "the end is the whole media";
  EXPECT_TRUE(player->IsStopped());

  const auto classes = FilterClasses(renderer);
  EXPECT_TRUE(HasClass(classes, CLSID_TextureRenderer));
  EXPECT_FALSE(HasClass(classes, CLSID_VideoRenderer)) << "the system's renderer was taken out";
  ComPtr<IBaseFilter> named;
  EXPECT_EQ(renderer->Graph()->FindFilterByName(u"TEXTURERENDERER", named.put()), S_OK);
}

TEST_F(PlayerTest, AUrlIsOpenedLikeAFileAndItsFramesArriveWhole) {
  LoopbackHttpServer server(TestMedia::Get().folder);
  ASSERT_EQ(player->BuildFileGraph(server.Url("lossless.mkv").c_str(), device), S_OK);
  EXPECT_NEAR(player->GetDuration(), kLosslessMs, 1.0f);
  ASSERT_EQ(player->Play(), S_OK);
  TextureRenderer* renderer = player->GetRenderer();
  ASSERT_TRUE(WaitFor([&] { return renderer->IsFrameReady(); }));
  EXPECT_GE(LosslessFrameIn(renderer->GetVideoTexture()), 0);
  player->Teardown();  // before the server goes
  EXPECT_EQ(player->BuildFileGraph(server.Url("missing.mkv").c_str(), device), E_FAIL);
  EXPECT_TRUE(Messages().empty());
  player->Teardown();
}

TEST_F(PlayerTest, ASecondBuildFailsSilentlyUntilTeardown) {
  ASSERT_EQ(Build(TestMedia::Get().lossless), S_OK);
  TextureRenderer* first = player->GetRenderer();
  EXPECT_EQ(Build(TestMedia::Get().lossyWithSound), E_FAIL);
  EXPECT_TRUE(Messages().empty());
  EXPECT_EQ(player->GetRenderer(), first);
  player->Teardown();
  EXPECT_EQ(player->GetRenderer(), nullptr);
  EXPECT_EQ(player->GetDuration(), 0.0f);
  ASSERT_EQ(Build(TestMedia::Get().lossyWithSound), S_OK);
  EXPECT_EQ(player->GetRenderer()->videoWidth, TestMedia::kLossyWidth);
}

TEST_F(PlayerTest, SourcesThatCannotBeRenderedFailWithoutAMessage) {
  const std::string tooLong = "/" + std::string(300, 'a') + ".mkv";
  for (const std::string& source : {TestMedia::Get().missing.string(), TestMedia::Get().corrupt.string(), tooLong}) {
    SCOPED_TRACE(source);
    EXPECT_EQ(player->BuildFileGraph(source.c_str(), device), E_FAIL);
    EXPECT_EQ(player->GetRenderer(), nullptr);
    player->Teardown();
  }
  EXPECT_TRUE(Messages().empty());
}

TEST_F(PlayerTest, ASourceLongerThanThePathBufferIsRefusedNotCut) {
  // 259 characters fit; one more is refused before anything is built, even when its first
  // 259 characters name a file that exists.
  const std::filesystem::path folder = TestMedia::Get().folder / std::string(200, 'd');
  std::filesystem::create_directories(folder);
  std::string name = (folder / "x").string();
  name += std::string(259 - name.size(), 'x');
  ASSERT_EQ(name.size(), 259u);
  std::filesystem::copy_file(TestMedia::Get().lossless, name, std::filesystem::copy_options::overwrite_existing);
  ASSERT_EQ(player->BuildFileGraph(name.c_str(), device), S_OK);
  player->Teardown();
  const std::string longer = name + "x";
  EXPECT_EQ(player->BuildFileGraph(longer.c_str(), device), E_FAIL);
  EXPECT_EQ(player->GetRenderer(), nullptr);
  EXPECT_EQ(player->GetDuration(), 0.0f) << "nothing built";
  EXPECT_TRUE(Messages().empty());
}

TEST_F(PlayerTest, MediaWithoutVideoFailsAtIsFound) {
  EXPECT_EQ(Build(AudioOnly()), E_FAIL);
  EXPECT_EQ(Messages(), std::vector<std::string>{"!isFound"});
  EXPECT_EQ(player->GetRenderer(), nullptr);
  player->Teardown();
  ASSERT_EQ(Build(TestMedia::Get().lossless), S_OK) << "the remains do not block a new build";
}

TEST_F(PlayerTest, NoSoundTakesTheAudioRendererOutWhereThereIsOne) {
  ASSERT_EQ(Build(TestMedia::Get().lossyWithSound), S_OK);
  EXPECT_TRUE(HasClass(FilterClasses(player->GetRenderer()), CLSID_DSoundRender));
  player->Teardown();

  player->SetNoSound(true);
  EXPECT_TRUE(player->GetNoSound());
  ASSERT_EQ(Build(TestMedia::Get().lossyWithSound), S_OK);
  EXPECT_FALSE(HasClass(FilterClasses(player->GetRenderer()), CLSID_DSoundRender));
  // The video still plays without its sound.
  ASSERT_EQ(player->Play(), S_OK);
  EXPECT_TRUE(WaitFor([&] { return player->GetRenderer()->IsFrameReady(); }));
  player->Teardown();

  // Silent media builds unchanged.
  ASSERT_EQ(Build(TestMedia::Get().lossless), S_OK);
  EXPECT_TRUE(Messages().empty());
}

TEST_F(PlayerTest, PlayControlsWithoutAGraphFailAndKeepTheStatus) {
  EXPECT_EQ(player->Play(), E_FAIL);
  EXPECT_EQ(player->Pause(), E_FAIL);
  EXPECT_EQ(player->Stop(), E_FAIL);
  EXPECT_TRUE(player->IsStopped());
  player->SeekTo(1000);
  player->Update();
  EXPECT_EQ(player->GetCurrentPosition(), 0.0f);
  EXPECT_EQ(player->GetRate(), 1.0f);
  player->SetRate(2.0f);
  EXPECT_EQ(player->GetRate(), 1.0f) << "no graph to ask";
}

TEST_F(PlayerTest, StartAndEndPositionsClamp) {
  // Without media the duration is 0.
  player->SetEndPosition(3000.0f, true);
  EXPECT_EQ(player->GetEndPosition(), 0.0f);
  player->SetEndPosition(3000.0f, false);
  player->SetStartPosition(5000.0f, true);
  EXPECT_EQ(player->GetStartPosition(), 3000.0f);
  player->SetStartPosition(5000.0f, false);
  EXPECT_EQ(player->GetStartPosition(), 5000.0f);

  ASSERT_EQ(Build(TestMedia::Get().lossless), S_OK);
  player->SetEndPosition(1000.0f, true);
  EXPECT_EQ(player->GetEndPosition(), 1000.0f);
  player->SetEndPosition(kLosslessMs * 2, true);
  EXPECT_EQ(player->GetEndPosition(), player->GetDuration());
}

TEST_F(PlayerTest, SeekToClampsToTheDurationAndRewinds) {
  ASSERT_EQ(Build(TestMedia::Get().lossless), S_OK);
  player->SeekTo(1500);
  EXPECT_NEAR(player->GetCurrentPosition(), 1500.0f, 0.5f);
  player->SeekTo(1000000);
  EXPECT_EQ(player->GetCurrentPosition(), player->GetDuration());
  player->SeekTo(0xFFFFFFFFul);
  EXPECT_EQ(player->GetCurrentPosition(), player->GetDuration());
  player->SeekTo(0);
  EXPECT_EQ(player->GetCurrentPosition(), 0.0f);
}

TEST_F(PlayerTest, PlayShowsFramesFromTheStartPosition) {
  ASSERT_EQ(Build(TestMedia::Get().lossless), S_OK);
  player->SetStartPosition(2000.0f, true);
  ASSERT_EQ(player->Play(), S_OK);
  EXPECT_TRUE(player->IsPlaying());
  TextureRenderer* renderer = player->GetRenderer();
  ASSERT_TRUE(WaitFor([&] { return renderer->IsFrameReady(); }));
  const int frame = LosslessFrameIn(renderer->GetVideoTexture());
  EXPECT_GE(frame, 20) << "the first frame shown is at the start position or later";

  ASSERT_EQ(player->Pause(), S_OK);
  EXPECT_TRUE(player->IsPaused());
  ASSERT_EQ(player->Stop(), S_OK);
  EXPECT_TRUE(player->IsStopped());
}

TEST_F(PlayerTest, ANegativeStartPositionPlaysFromTheEnd) {
  ASSERT_EQ(Build(TestMedia::Get().lossless), S_OK);
  player->SetStartPosition(-5.0f, false);
  ASSERT_EQ(player->Play(), S_OK);
  EXPECT_EQ(player->GetCurrentPosition(), player->GetDuration());
}

// The end test of Update on a paused graph, where the position stays where it was put.
TEST_F(PlayerTest, UpdateAtTheEndPositionLoopsOrStops) {
  ASSERT_EQ(Build(TestMedia::Get().lossless), S_OK);
  ASSERT_EQ(player->Pause(), S_OK);
  player->SetStartPosition(1200.0f, false);
  player->SetEndPosition(1000.0f, false);
  player->SeekTo(1000);
  player->Update();  // at the end: back to the start
  EXPECT_NEAR(player->GetCurrentPosition(), 1200.0f, 0.5f);
  EXPECT_TRUE(player->IsPaused());

  player->SetEndPosition(2000.0f, false);
  player->Update();  // before the end: nothing
  EXPECT_NEAR(player->GetCurrentPosition(), 1200.0f, 0.5f);

  player->SetLooping(false);
  EXPECT_FALSE(player->GetLooping());
  player->SeekTo(2500);
  player->Update();
  EXPECT_TRUE(player->IsStopped());
}

TEST_F(PlayerTest, AtDoubleRateTheMediaEndsAndStopsWithoutLooping) {
  ASSERT_EQ(Build(TestMedia::Get().lossless), S_OK);
  player->SetLooping(false);
  player->SetRate(2.0f);
  ASSERT_EQ(player->Play(), S_OK);
  EXPECT_EQ(player->GetRate(), 2.0f);
  EXPECT_TRUE(WaitFor([&] {
    player->Update();
    return player->IsStopped();
  }));
}

TEST_F(PlayerTest, AtTheEndOfTheMediaLoopingStartsAgain) {
  ASSERT_EQ(Build(TestMedia::Get().lossless), S_OK);
  player->SetRate(2.0f);
  ASSERT_EQ(player->Play(), S_OK);
  float latest = 0.0f;
  bool reachedEnd = false;
  EXPECT_TRUE(WaitFor([&] {
    player->Update();
    const float position = player->GetCurrentPosition();
    if (position > kLosslessMs * 0.8f) reachedEnd = true;
    latest = position;
    return reachedEnd && position < kLosslessMs * 0.5f;
  })) << "last position " << latest;
  EXPECT_TRUE(player->IsPlaying());
}

TEST_F(PlayerTest, GetPinFindsTheFirstPinOfADirection) {
  ASSERT_EQ(Build(TestMedia::Get().lossless), S_OK);
  IBaseFilter* renderer = player->GetRenderer();
  ComPtr<IPin> in = ComPtr<IPin>::Adopt(player->GetPin(renderer, PINDIR_INPUT));
  ASSERT_TRUE(in);
  PIN_INFO info;
  in->QueryPinInfo(&info);
  info.pFilter->Release();
  EXPECT_EQ(std::u16string(info.achName), u"In");
  EXPECT_EQ(player->GetPin(renderer, PINDIR_OUTPUT), nullptr);
}

TEST(PlayerMessages, GoToTheEngineGivenAndNowhereWithout) {
  HxEngine engine;
  engine.errorMessage.SetEcho(false);
  SoftwareDevice* device = CreateSoftwareDevice({});
  {
    MediaGraphPlayer player;
    player.SetMessageEngine(nullptr);
    EXPECT_EQ(player.BuildFileGraph(AudioOnly().string().c_str(), device), E_FAIL);
    EXPECT_TRUE(engine.errorMessage.Received().empty());
    player.Teardown();
    HxEngine other;
    other.errorMessage.SetEcho(false);
    player.SetMessageEngine(&other);
    EXPECT_EQ(player.BuildFileGraph(AudioOnly().string().c_str(), device), E_FAIL);
    EXPECT_EQ(other.errorMessage.Received(), std::vector<std::string>{"!isFound"});
  }
  device->Release();
}

}  // namespace
