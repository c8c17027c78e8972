#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "host/file_loader.h"
#include "host/file_saver.h"
#include "host/hx_list.h"

TEST(HxList, SetItemOnAListNeverFilledGrowsWithNulls) {
  Hx_List list;
  int marker = 0;
  list.SetItem(&marker, 5);
  EXPECT_EQ(list.GetItemCount(), 6);
  EXPECT_EQ(list.GetItem(5), &marker);
  EXPECT_EQ(list.GetItem(2), nullptr);
  EXPECT_EQ(list.GetItem(6), nullptr);
  EXPECT_EQ(list.GetItem(-1), nullptr);
  EXPECT_EQ(list.AddItem(&marker), 6);
  list.ReleaseItems();
  EXPECT_EQ(list.GetItemCount(), 0);
  EXPECT_EQ(marker, 0);  // items are never freed or touched
}

TEST(TaggedData, TagsWithSeveralBlocksRoundTrip) {
  HxFileSaver saver;
  const std::int32_t depth = 40;
  const float values[2] = {1.5f, -2.0f};
  ASSERT_TRUE(saver.SaveTag("COTD") && saver.SaveBlockSize(4) && saver.SaveDataToFile(&depth, 4));
  ASSERT_TRUE(saver.SaveTag("MTMC") && saver.SaveBlockSize(4) && saver.SaveDataToFile(&values[0], 4) &&
              saver.SaveBlockSize(4) && saver.SaveDataToFile(&values[1], 2) &&
              saver.SaveDataToFile(reinterpret_cast<const char*>(&values[1]) + 2, 2));
  ASSERT_TRUE(saver.SaveTag("EMPT") && saver.SaveBlockSize(0));

  HxFileLoader loader(saver.GetData());
  ASSERT_TRUE(loader.IsValid());
  EXPECT_FALSE(loader.GetInfoIfTag("NONE"));
  std::int32_t loadedDepth = 0;
  ASSERT_TRUE(loader.GetInfoIfTag("COTD"));
  EXPECT_EQ(loader.GetSizeDataBlock(false), 4u);
  EXPECT_EQ(loader.CopyTagDataToPointer(&loadedDepth), 4u);
  EXPECT_EQ(loadedDepth, 40);
  EXPECT_EQ(loader.GetSizeDataBlock(false), 0u);  // no block left in this tag

  float loaded[2] = {};
  ASSERT_TRUE(loader.GetInfoIfTag("MTMC"));
  loader.CopyTagDataToPointer(&loaded[0]);
  loader.CopyTagDataToPointer(&loaded[1]);
  EXPECT_EQ(loaded[0], 1.5f);
  EXPECT_EQ(loaded[1], -2.0f);
  ASSERT_TRUE(loader.GetInfoIfTag("EMPT"));
  EXPECT_EQ(loader.GetSizeDataBlock(false), 0u);
}

TEST(TaggedData, SaverRefusesCallsThatBreakTheShape) {
  const std::uint8_t byte = 1;
  struct Case {
    const char* what;
    bool (*run)(HxFileSaver&, const std::uint8_t&);
  } cases[] = {
      {"tag of three letters", [](HxFileSaver& s, const std::uint8_t&) { return s.SaveTag("ABC"); }},
      {"more data than the block",
       [](HxFileSaver& s, const std::uint8_t& b) {
         return s.SaveTag("ABCD") && s.SaveBlockSize(0) && s.SaveDataToFile(&b, 1);
       }},
      {"new block while one is unfilled",
       [](HxFileSaver& s, const std::uint8_t&) {
         return s.SaveTag("ABCD") && s.SaveBlockSize(2) && s.SaveBlockSize(1);
       }},
      {"new tag while a block is unfilled",
       [](HxFileSaver& s, const std::uint8_t&) { return s.SaveTag("ABCD") && s.SaveBlockSize(2) && s.SaveTag("EFGH"); }},
  };
  for (const Case& c : cases) {
    HxFileSaver saver;
    EXPECT_FALSE(c.run(saver, byte)) << c.what;
    EXPECT_FALSE(saver.IsGood()) << c.what;
    EXPECT_FALSE(saver.SaveTag("WXYZ")) << c.what << ": a failed saver stays failed";
  }
}

TEST(TaggedData, SaverFailsPastItsByteLimit) {
  HxFileSaver saver;
  saver.SetByteLimit(6);
  EXPECT_TRUE(saver.SaveTag("ABCD"));  // 5 bytes
  EXPECT_FALSE(saver.SaveBlockSize(1));
  EXPECT_FALSE(saver.IsGood());
}

TEST(TaggedData, MalformedDataGiveAnInvalidLoaderWithNoTags) {
  HxFileSaver saver;
  const std::uint32_t value = 7;
  saver.SaveTag("ABCD");
  saver.SaveBlockSize(4);
  saver.SaveDataToFile(&value, 4);
  const auto good = saver.GetData();

  std::vector<std::vector<std::uint8_t>> bad;
  for (std::size_t cut = 1; cut < good.size(); ++cut)
    if (cut != 5)  // a tag without blocks is well-formed
      bad.emplace_back(good.begin(), good.begin() + static_cast<long>(cut));  // truncated
  auto hugeBlock = good;
  hugeBlock[6] = 0xFF;  // block size far past the end
  bad.push_back(hugeBlock);
  bad.push_back({'B', 0, 0, 0, 0});  // block before any tag
  bad.push_back({'X', 'A', 'B', 'C', 'D'});
  for (const auto& data : bad) {
    HxFileLoader loader(data);
    EXPECT_FALSE(loader.IsValid());
    EXPECT_FALSE(loader.GetInfoIfTag("ABCD"));
    std::uint32_t out = 99;
    EXPECT_EQ(loader.CopyTagDataToPointer(&out), 0u);
    EXPECT_EQ(out, 99u);
  }
}

TEST(TaggedData, RandomBytesNeverReadPastTheData) {
  std::mt19937 random(1234);
  for (int round = 0; round < 2000; ++round) {
    std::vector<std::uint8_t> data(random() % 64);
    for (auto& b : data) b = static_cast<std::uint8_t>(random() % 4 == 0 ? 'T' : random() % 4 == 0 ? 'B' : random());
    HxFileLoader loader(data);
    char tag[5] = {};
    for (int i = 0; i < 4; ++i) tag[i] = static_cast<char>('A' + random() % 3);
    if (loader.GetInfoIfTag(tag)) {
      std::vector<std::uint8_t> out(loader.GetSizeDataBlock(false) + 1);
      loader.CopyTagDataToPointer(out.data());
    }
  }
}

TEST(TaggedData, PlainFileModeWritesRawBytes) {
  const std::string path = testing::TempDir() + "plain.bin";
  HxFileSaver saver;
  ASSERT_TRUE(saver.OpenSaveFile(path.c_str(), false));
  EXPECT_FALSE(saver.SaveTag("ABCD"));
  HxFileSaver raw;
  ASSERT_TRUE(raw.OpenSaveFile(path.c_str(), false));
  EXPECT_TRUE(raw.SaveDataToFile("hello", 5));
  EXPECT_TRUE(raw.CloseSaveFile());
  std::FILE* f = std::fopen(path.c_str(), "rb");
  ASSERT_NE(f, nullptr);
  char buffer[16] = {};
  EXPECT_EQ(std::fread(buffer, 1, sizeof buffer, f), 5u);
  std::fclose(f);
  EXPECT_STREQ(buffer, "hello");
}
