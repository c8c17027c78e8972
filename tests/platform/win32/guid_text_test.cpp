#include "platform/win32/guid_text.h"

#include <gtest/gtest.h>

TEST(GuidText, RoundTripsTheWindowsLayout) {
  const GUID g = MakeGuid("7E1C95B3-A620-48FD-9D37-0C8B5E2A61F4");
  EXPECT_EQ(g.Data1, 0x7E1C95B3u);
  EXPECT_EQ(g.Data2, 0xA620);
  EXPECT_EQ(g.Data3, 0x48FD);
  EXPECT_EQ(g.Data4[0], 0x9D);
  EXPECT_EQ(g.Data4[1], 0x37);
  EXPECT_EQ(g.Data4[7], 0xF4);
  EXPECT_EQ(GuidToString(g), "7E1C95B3-A620-48FD-9D37-0C8B5E2A61F4");
}

TEST(GuidText, AcceptsBracesAndLowerCasePrintsUpperCase) {
  const auto g = GuidFromString("{71771540-2017-11cf-ae26-0020afd79767}");
  ASSERT_TRUE(g);
  EXPECT_EQ(GuidToString(*g), "71771540-2017-11CF-AE26-0020AFD79767");
}

TEST(GuidText, RejectsMalformedText) {
  for (const char* bad : {"", "7E1C95B3A620-48FD-9D37-0C8B5E2A61F4", "7E1C95B3-A620-48FD-9D37-0C8B5E2A61F",
                          "7E1C95B3-A620-48FD-9D37-0C8B5E2A61FG", "{7E1C95B3-A620-48FD-9D37-0C8B5E2A61F4",
                          "7E1C95B3-A620-48FD-9D3-70C8B5E2A61F4"})
    EXPECT_FALSE(GuidFromString(bad)) << bad;
}
