// The capture half of the player with virtual capture devices made from FFmpeg test
// patterns: the name list, the selection and the capture graph.

#include <cstring>
#include <string>

#include "platform/dshow/device_registry.h"
#include "platform/dshow/ffmpeg/ffmpeg_filters.h"
#include "tests/media_texture/player/player_scene.h"

namespace {

using namespace player_scene;

class CaptureTest : public Scene {
 protected:
  void SetUp() override {
    if (!EnumerateVideoCaptureDevices().empty()) GTEST_SKIP() << "this machine has capture devices of its own";
  }
  void TearDown() override {
    for (int cookie : cookies) UnregisterVideoCapture(cookie);
  }
  // A device whose pictures are a test pattern of the given size.
  void AddDevice(const std::string& name, int width, int height, bool nameReadable = true) {
    cookies.push_back(RegisterFilterGraphCaptureDevice(
        name, "testsrc=size=" + std::to_string(width) + "x" + std::to_string(height) + ":rate=30",
        nameReadable));
  }
  std::vector<std::string> Names() {
    std::vector<std::string> names;
    for (int i = 0; i < player->GetCaptureDeviceCount(); ++i) names.emplace_back(player->GetCaptureDeviceName(i));
    return names;
  }

  std::vector<int> cookies;
};

TEST_F(CaptureTest, WithoutDevicesTheListIsEmptyAndNothingBuilds) {
  EXPECT_EQ(player->EnumerateCaptureDevices(), E_FAIL);
  EXPECT_EQ(player->GetCaptureDeviceCount(), 0);
  EXPECT_EQ(player->GetCaptureDeviceName(0), nullptr);
  EXPECT_EQ(player->GetSelectedCaptureDevice(), -1);
  EXPECT_EQ(player->BuildCaptureGraph(device), E_FAIL) << "nothing selected";
  player->SelectCaptureDevice(0);
  EXPECT_EQ(player->BuildCaptureGraph(device), E_FAIL);
  IBaseFilter* source = reinterpret_cast<IBaseFilter*>(1);
  EXPECT_EQ(player->FindCaptureDevice(&source, 0), E_FAIL);
  EXPECT_EQ(source, nullptr);
  EXPECT_EQ(player->GetRenderer(), nullptr);
  EXPECT_TRUE(Messages().empty()) << "capture failures have no message";
}

TEST_F(CaptureTest, SelectingTheSecondOfTwoDevicesBuildsWithIt) {
  AddDevice("Camera A", 32, 24);
  AddDevice("Camera B", 48, 36);
  ASSERT_EQ(player->EnumerateCaptureDevices(), S_OK);
  EXPECT_EQ(Names(), (std::vector<std::string>{"Camera A", "Camera B"}));
  EXPECT_EQ(player->GetCaptureDeviceName(2), nullptr);
  EXPECT_EQ(player->GetCaptureDeviceName(-1), nullptr);

  player->SelectCaptureDevice(1);
  ASSERT_EQ(player->BuildCaptureGraph(device), S_OK);
  TextureRenderer* renderer = player->GetRenderer();
  ASSERT_NE(renderer, nullptr);
  EXPECT_EQ(renderer->videoWidth, 48);
  EXPECT_EQ(renderer->videoHeight, 36);
  EXPECT_TRUE(player->IsStopped()) << "building does not change the status";
  EXPECT_TRUE(WaitFor([&] { return renderer->IsFrameReady(); })) << "the graph runs once built";
  EXPECT_EQ(player->BuildCaptureGraph(device), E_FAIL) << "a graph exists";

  player->Teardown();
  player->SelectCaptureDevice(2);
  EXPECT_EQ(player->BuildCaptureGraph(device), E_FAIL);
  player->Teardown();
  player->SelectCaptureDevice(0);
  ASSERT_EQ(player->BuildCaptureGraph(device), S_OK);
  EXPECT_EQ(player->GetRenderer()->videoWidth, 32);
}

TEST_F(CaptureTest, ADeviceWithoutAFriendlyNameIsSkippedInTheListAndTheBinding) {
  AddDevice("Camera A", 32, 24);
  AddDevice("Unnamed", 16, 16, false);
  AddDevice("Camera B", 48, 36);
  ASSERT_EQ(player->EnumerateCaptureDevices(), S_OK);
  EXPECT_EQ(Names(), (std::vector<std::string>{"Camera A", "Camera B"}));
  player->SelectCaptureDevice(1);
  ASSERT_EQ(player->BuildCaptureGraph(device), S_OK);
  EXPECT_EQ(player->GetRenderer()->videoWidth, 48) << "index 1 names Camera B";
}

TEST_F(CaptureTest, ReEnumerationKeepsTheSelection) {
  AddDevice("Camera A", 32, 24);
  ASSERT_EQ(player->EnumerateCaptureDevices(), S_OK);
  player->SelectCaptureDevice(0);
  AddDevice("Camera B", 48, 36);
  ASSERT_EQ(player->EnumerateCaptureDevices(), S_OK);
  EXPECT_EQ(Names(), (std::vector<std::string>{"Camera A", "Camera B"}));
  EXPECT_EQ(player->GetSelectedCaptureDevice(), 0);
  UnregisterVideoCapture(cookies.front());
  cookies.erase(cookies.begin());
  EXPECT_EQ(player->EnumerateCaptureDevices(), S_OK);
  EXPECT_EQ(Names(), std::vector<std::string>{"Camera B"});
  EXPECT_EQ(player->GetSelectedCaptureDevice(), 0) << "kept even though the devices changed";
}

TEST_F(CaptureTest, ALongFriendlyNameIsCutAtACharacterBoundary) {
  std::string name;
  for (int i = 0; i < 200; ++i) name += "\xC3\xA9";  // 400 bytes of two-byte characters
  AddDevice(name, 16, 16);
  AddDevice(std::string(300, 'n'), 16, 16);
  ASSERT_EQ(player->EnumerateCaptureDevices(), S_OK);
  ASSERT_EQ(player->GetCaptureDeviceCount(), 2);
  const std::string first = player->GetCaptureDeviceName(0);
  EXPECT_EQ(first.size(), 258u);
  EXPECT_EQ(first, name.substr(0, 258));
  EXPECT_EQ(std::string(player->GetCaptureDeviceName(1)), std::string(259, 'n'));
}

TEST_F(CaptureTest, UpdateOnACaptureGraphTreatsEveryPositionAsTheEnd) {
  AddDevice("Camera A", 32, 24);
  ASSERT_EQ(player->EnumerateCaptureDevices(), S_OK);
  player->SelectCaptureDevice(0);
  ASSERT_EQ(player->BuildCaptureGraph(device), S_OK);
  EXPECT_EQ(player->GetEndPosition(), 0.0f) << "left unchanged by a capture build";
  ASSERT_EQ(player->Play(), S_OK);
  EXPECT_TRUE(player->IsPlaying());
  player->Update();  // looping: back to the start, still playing
  EXPECT_TRUE(player->IsPlaying());
  player->SetLooping(false);
  player->Update();
  EXPECT_TRUE(player->IsStopped());
}

}  // namespace
