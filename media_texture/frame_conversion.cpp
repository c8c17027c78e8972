#include "media_texture/frame_conversion.h"

namespace {

void RowBgr24ToBgra32(const std::uint8_t* s, std::uint8_t* d, int width) {
  for (int x = 0; x < width; ++x, s += 3, d += 4) {
    d[0] = s[0];
    d[1] = s[1];
    d[2] = s[2];
    d[3] = 255;
  }
}

void RowBgr24ToA1R5G5B5(const std::uint8_t* s, std::uint8_t* d, int width) {
  for (int x = 0; x < width; ++x, s += 3, d += 2) {
    const unsigned pixel = 0x8000u | (unsigned(s[2] >> 3) << 10) | (unsigned(s[1] >> 3) << 5) |
                           unsigned(s[0] >> 3);
    d[0] = static_cast<std::uint8_t>(pixel);
    d[1] = static_cast<std::uint8_t>(pixel >> 8);
  }
}

}  // namespace

void ConvertBgr24BottomUpToBgra32(const std::uint8_t* src, std::ptrdiff_t srcPitch, int width,
                                  int height, std::uint8_t* dst, std::ptrdiff_t dstPitch) {
  if (width <= 0 || height <= 0) return;
  const std::uint8_t* s = src + (height - 1) * srcPitch;
  for (int y = 0; y < height; ++y, s -= srcPitch, dst += dstPitch) RowBgr24ToBgra32(s, dst, width);
}

void ConvertBgr24BottomUpToA1R5G5B5(const std::uint8_t* src, std::ptrdiff_t srcPitch, int width,
                                    int height, std::uint8_t* dst, std::ptrdiff_t dstPitch) {
  if (width <= 0 || height <= 0) return;
  const std::uint8_t* s = src + (height - 1) * srcPitch;
  for (int y = 0; y < height; ++y, s -= srcPitch, dst += dstPitch) RowBgr24ToA1R5G5B5(s, dst, width);
}
