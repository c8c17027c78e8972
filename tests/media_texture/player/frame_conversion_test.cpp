// The frame conversion on its own: every width around the vector block sizes, against a
// plain per-pixel reading of the bitmap.

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

#include "media_texture/frame_conversion.h"

namespace {

TEST(FrameConversion, MatchesAPerPixelReadingForEveryWidth) {
  std::mt19937 random(7);
  for (int width = 1; width <= 70; ++width) {
    SCOPED_TRACE(width);
    const int height = 3;
    const int srcPitch = (width * 3 + 3) & ~3;
    const int dstPitch = width * 4 + 8;  // padded, like a texture row
    std::vector<std::uint8_t> src(static_cast<std::size_t>(srcPitch) * height);
    for (auto& b : src) b = static_cast<std::uint8_t>(random());
    std::vector<std::uint8_t> bgra(static_cast<std::size_t>(dstPitch) * height, 0xCD);
    std::vector<std::uint8_t> a1(static_cast<std::size_t>(dstPitch) * height, 0xCD);
    ConvertBgr24BottomUpToBgra32(src.data(), srcPitch, width, height, bgra.data(), dstPitch);
    ConvertBgr24BottomUpToA1R5G5B5(src.data(), srcPitch, width, height, a1.data(), dstPitch);
    for (int y = 0; y < height; ++y) {
      const std::uint8_t* s = src.data() + (height - 1 - y) * srcPitch;
      const std::uint8_t* d = bgra.data() + y * dstPitch;
      const std::uint8_t* h = a1.data() + y * dstPitch;
      for (int x = 0; x < width; ++x) {
        const std::uint8_t b = s[3 * x], g = s[3 * x + 1], r = s[3 * x + 2];
        ASSERT_EQ(d[4 * x], b);
        ASSERT_EQ(d[4 * x + 1], g);
        ASSERT_EQ(d[4 * x + 2], r);
        ASSERT_EQ(d[4 * x + 3], 255);
        const unsigned v = h[2 * x] | h[2 * x + 1] << 8;
        ASSERT_EQ(v, 0x8000u | unsigned(r >> 3) << 10 | unsigned(g >> 3) << 5 | unsigned(b >> 3));
      }
      for (int x = width * 4; x < dstPitch; ++x) ASSERT_EQ(d[x], 0xCD) << "past the row";
      for (int x = width * 2; x < dstPitch; ++x) ASSERT_EQ(h[x], 0xCD) << "past the row";
    }
  }
}

}  // namespace
