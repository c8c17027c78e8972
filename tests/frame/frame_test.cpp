#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <new>

#include "frame/plugin_frame.h"
#include "frame/tagged_blocks.h"
#include "frame/type_guids.h"
#include "host/hx_engine.h"
#include "host/plugin_library.h"

// The plug-ins allocate their channel with the nothrow operator new; this test binary
// replaces it so that a test can make memory run out.
namespace {
std::atomic<bool> memoryExhausted{false};
}

void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  if (memoryExhausted) return nullptr;
  try {
    return ::operator new(size);  // so that the plain delete of the channel matches
  } catch (...) {
    return nullptr;
  }
}

TEST(ChildCreationRecord, StartsFromTheFixedValues) {
  const ChildCreation slot = MakeChildCreation("DX8 3D Object", type_guids::k3DObject, 0, false, 1, "Objects");
  EXPECT_STREQ(slot.childType.name, "DX8 3D Object");
  EXPECT_EQ(slot.childType.typeGuid, MakeGuid(type_guids::k3DObject));
  EXPECT_EQ(slot.childType.baseTypeGuid, kChildBaseTypeGuid);
  const auto* base = reinterpret_cast<const std::uint8_t*>(&slot.childType.baseTypeGuid);
  for (int i = 0; i < 16; ++i) EXPECT_EQ(base[i], 0x11);
  EXPECT_EQ(slot.childType.typeValue1, 1);
  EXPECT_EQ(slot.childType.typeValue2, 50);
  EXPECT_EQ(slot.childType.typeFlag, 1);
  EXPECT_EQ(slot.childType.typeValue3, 0);
  EXPECT_EQ(slot.childType.typeFlag2, 0);
  EXPECT_EQ(slot.childIndex, 0);
  EXPECT_EQ(slot.extra1, 0);
  EXPECT_EQ(slot.autoCreate, 0);
  EXPECT_STREQ(slot.label, "Objects");
  EXPECT_EQ(slot.extraGuid, GUID_NULL);
  EXPECT_EQ(slot.extra2, 0);
  EXPECT_EQ(slot.extra3, 1);
}

TEST(TaggedBlocks, ABlockOfTheWrongWidthIsSkippedAndTheSettingKept) {
  HxFileSaver saver;
  const std::uint64_t wide = 0x1122334455667788ull;
  const std::int32_t next = 9;
  const std::uint8_t notABool = 5;
  ASSERT_TRUE(saver.SaveTag("WIDE") && tagged_blocks::SaveBlock(saver, &wide, 8) &&
              tagged_blocks::SaveBlock(saver, &next, 4));
  ASSERT_TRUE(saver.SaveTag("BOOL") && tagged_blocks::SaveBlock(saver, &notABool, 1));
  HxFileLoader loader(saver.GetData());

  std::int32_t setting = 3, second = 0;
  ASSERT_TRUE(loader.GetInfoIfTag("WIDE"));
  EXPECT_FALSE(tagged_blocks::LoadNextValue(loader, setting));
  EXPECT_EQ(setting, 3);
  EXPECT_TRUE(tagged_blocks::LoadNextValue(loader, second));  // the next block is still read
  EXPECT_EQ(second, 9);

  bool flag = false;
  EXPECT_TRUE(tagged_blocks::LoadValue(loader, "BOOL", flag));
  EXPECT_TRUE(flag);
  std::int32_t absent = 4;
  EXPECT_FALSE(tagged_blocks::LoadValue(loader, "NONE", absent));
  EXPECT_EQ(absent, 4);
}

class PluginEntry : public testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    library = PluginLibrary::Load(engine.GetPluginFolder(), MakeGuid(type_guids::kValue), &error);
    ASSERT_TRUE(library) << error;
  }
  HxEngine engine;
  std::unique_ptr<PluginLibrary> library;
};

TEST_F(PluginEntry, GetTypeAlwaysReturnsTheSameRecord) {
  ChannelType* first = library->GetType();
  ChannelType copy = *first;
  ChannelType* second = library->GetType();
  EXPECT_EQ(first, second);
  EXPECT_EQ(std::memcmp(&copy, second, sizeof copy), 0);
  EXPECT_STREQ(second->name, "Value");
}

TEST_F(PluginEntry, InitDLLWithoutMemoryReturnsNullAndConstructsNothing) {
  const DWORD before = HxEngine::NextTimeStamp();
  memoryExhausted = true;
  Hx_Channel* channel = library->InitDLL();
  memoryExhausted = false;
  EXPECT_EQ(channel, nullptr);
  // A constructed channel would have taken a time stamp.
  EXPECT_EQ(HxEngine::NextTimeStamp(), before + 1);
  channel = library->InitDLL();
  ASSERT_NE(channel, nullptr);
  delete channel;
}

TEST(HxChannelBase, SaveFailsWhenTheSaverFails) {
  HxEngine engine;
  Hx_Channel channel;
  HxFileSaver saver;
  saver.SetByteLimit(3);
  EXPECT_FALSE(channel.SaveChannel(saver));
  HxFileLoader corrupt(std::vector<std::uint8_t>{'Q'});
  EXPECT_FALSE(channel.LoadChannel(corrupt, nullptr));
}
