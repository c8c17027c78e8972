#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "host/hx_engine.h"
#include "host/siblings/value/value_channel.h"
#include "host/siblings/value_vector/vector_channel.h"
#include "tests/host/fixtures/linking_channel.h"

namespace {

const GUID kLinking = MakeGuid(kLinkingChannelGuid);
const GUID kValue = MakeGuid("A4E7C2D9-5B18-4F3A-9C60-E2B7D41F8A35");
const GUID kVector = MakeGuid("93B5D04E-7A1C-4F28-B0E6-D42A8C1957F3");

std::string TempFile(const std::string& name) {
  return (std::filesystem::path(testing::TempDir()) / name).string();
}

bool Contains(const std::vector<std::string>& messages, const std::string& part) {
  for (const auto& m : messages)
    if (m.find(part) != std::string::npos) return true;
  return false;
}

// Builds: a linking channel (its "Amount" value auto-created) with two vectors in its list.
LinkingChannel* BuildScene(HxEngine& engine) {
  auto* channel = static_cast<LinkingChannel*>(engine.CreateChannel(kLinking));
  if (!channel) return nullptr;
  channel->SetCounter(17);
  static_cast<Kv_ValueChannel*>(channel->GetChild(0))->SetValue(0.25f);
  for (float x : {1.0f, 2.0f}) {
    auto* v = static_cast<Kv_VectorChannel*>(engine.CreateChannel(kVector));
    v->SetVector({x, 0, 0});
    engine.Link(channel, 1, v);
  }
  return channel;
}

}  // namespace

TEST(HxEngine, CreatesChannelsWithAutoCreatedChildrenAndInitialisesOnce) {
  HxEngine engine;
  auto* channel = BuildScene(engine);
  ASSERT_NE(channel, nullptr);
  EXPECT_STREQ(channel->GetChannelName(), "Linking Channel");
  EXPECT_STREQ(channel->GetChannelType().name, "Linking Channel");
  EXPECT_EQ(channel->engine, &engine);
  ASSERT_NE(channel->GetChild(0), nullptr);
  EXPECT_STREQ(channel->GetChild(0)->GetChannelName(), "Value");
  EXPECT_EQ(channel->GetChildLinkPositionCount(1), 2);
  EXPECT_EQ(channel->GetChildFromLinkPosition(1, 2), nullptr);
  EXPECT_EQ(channel->GetInitialiseCount(), 1);
  EXPECT_EQ(channel->GetChild(-1), nullptr);
  ChildInfo info{};
  EXPECT_EQ(channel->GetChannelFromChannel(channel->GetChildFromLinkPosition(1, 1), &info),
            channel->GetChildFromLinkPosition(1, 1));
  EXPECT_EQ(info.linkPosition, 1);
  EXPECT_EQ(info.index, 1);
}

TEST(HxEngine, RefusesLinksOfTheWrongTypeOrToUndeclaredSlots) {
  HxEngine engine;
  engine.errorMessage.SetEcho(false);
  auto* channel = BuildScene(engine);
  auto* value = engine.CreateChannel(kValue);
  EXPECT_FALSE(engine.Link(channel, 1, value));  // the list takes vectors
  EXPECT_FALSE(engine.Link(channel, 7, value));
  EXPECT_TRUE(engine.Link(channel, 0, value));   // replaces the single child
  EXPECT_EQ(channel->GetChild(0), value);
  EXPECT_TRUE(Contains(engine.errorMessage.Received(), "link refused"));
}

TEST(HxEngine, MissingOrMisnamedPluginIsAnErrorNotACrash) {
  HxEngine engine;
  engine.errorMessage.SetEcho(false);
  EXPECT_EQ(engine.CreateChannel(MakeGuid("00000000-0000-0000-0000-0000000000AA")), nullptr);
  EXPECT_TRUE(Contains(engine.errorMessage.Received(), "00000000-0000-0000-0000-0000000000AA.so"));

  // A plug-in file under another type's name.
  const auto folder = std::filesystem::path(testing::TempDir()) / "misnamed";
  std::filesystem::create_directories(folder);
  const GUID other = MakeGuid("11111111-2222-3333-4444-555555555555");
  std::filesystem::copy_file(std::filesystem::path(engine.GetPluginFolder()) / (GuidToString(kValue) + ".so"),
                             folder / (GuidToString(other) + ".so"),
                             std::filesystem::copy_options::overwrite_existing);
  HxEngine misnamed(folder.string());
  misnamed.errorMessage.SetEcho(false);
  EXPECT_EQ(misnamed.CreateChannel(other), nullptr);
  EXPECT_TRUE(Contains(misnamed.errorMessage.Received(), "describes channel type A4E7C2D9"));
}

TEST(HxEngine, CheckRenderCountIsTrueOncePerFrame) {
  HxEngine engine;
  auto* channel = BuildScene(engine);
  engine.RunFrame();
  engine.RunFrame();
  EXPECT_EQ(channel->GetCallCount(), 2);
  EXPECT_FALSE(channel->CheckRenderCount());  // already called in this frame
  engine.BeginFrame();
  EXPECT_TRUE(channel->CheckRenderCount());
  EXPECT_FALSE(channel->CheckRenderCount());
}

TEST(HxEngine, CreateObjectByGuidGivesAnObjectTheCallerDeletes) {
  HxEngine engine;
  DllInterface* object = engine.CreateObjectByGuid(MakeGuid("1D4B7E90-6C3A-4F05-8B2D-E7A9C6053B1E"), 0, 0);
  ASSERT_NE(object, nullptr);
  EXPECT_TRUE(engine.GetChannels().empty());
  delete object;
  engine.SetDirectGraphicsAvailable(false);
  EXPECT_EQ(engine.GetInterfaceByGuid(kDirectGraphicsGuid, 0), nullptr);
  engine.SetDirectGraphicsAvailable(true);
  EXPECT_EQ(engine.GetInterfaceByGuid(kDirectGraphicsGuid, 0), &engine.GetDirectGraphics());
}

TEST(HxEngine, ApplicationFileRoundTripsChannelsLinksAndSettings) {
  const std::string path = TempFile("scene.cvapp");
  {
    HxEngine engine;
    ASSERT_NE(BuildScene(engine), nullptr);
    ASSERT_TRUE(engine.SaveApplication(path.c_str()));
  }
  HxEngine engine;
  ASSERT_TRUE(engine.LoadApplication(path.c_str()));
  ASSERT_EQ(engine.GetChannels().size(), 4u);  // the channel, its value and two vectors
  LinkingChannel* channel = nullptr;
  for (Hx_Channel* c : engine.GetChannels())
    if (c->GetChannelType().typeGuid == kLinking) channel = static_cast<LinkingChannel*>(c);
  ASSERT_NE(channel, nullptr);
  EXPECT_EQ(channel->GetCounter(), 17);
  EXPECT_EQ(channel->GetInitialiseCount(), 1);
  EXPECT_EQ(static_cast<Kv_ValueChannel*>(channel->GetChild(0))->GetValue(), 0.25f);
  ASSERT_EQ(channel->GetChildLinkPositionCount(1), 2);
  EXPECT_EQ(static_cast<Kv_VectorChannel*>(channel->GetChildFromLinkPosition(1, 1))->GetVector().x, 2.0f);
  ASSERT_NE(engine.GetGroup().GetSourcePath(), nullptr);
  EXPECT_EQ(std::filesystem::path(engine.GetGroup().GetSourcePath()),
            std::filesystem::path(path).parent_path());
}

TEST(HxEngine, MalformedApplicationFilesAddNothing) {
  const std::string path = TempFile("whole.cvapp");
  {
    HxEngine engine;
    BuildScene(engine);
    ASSERT_TRUE(engine.SaveApplication(path.c_str()));
  }
  std::ifstream in(path, std::ios::binary);
  const std::vector<char> whole((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const std::string broken = TempFile("broken.cvapp");
  HxEngine engine;
  engine.errorMessage.SetEcho(false);
  for (std::size_t cut = 0; cut < whole.size(); cut += 7) {
    std::ofstream(broken, std::ios::binary | std::ios::trunc).write(whole.data(), static_cast<long>(cut));
    EXPECT_FALSE(engine.LoadApplication(broken.c_str())) << cut;
  }
  EXPECT_TRUE(engine.GetChannels().empty());
  EXPECT_FALSE(engine.LoadApplication(TempFile("does-not-exist.cvapp").c_str()));
  EXPECT_TRUE(Contains(engine.errorMessage.Received(), "malformed application file"));
  EXPECT_TRUE(Contains(engine.errorMessage.Received(), "cannot read application file"));
}
