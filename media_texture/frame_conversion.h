#pragma once
// Conversion of one decoded video frame into texture memory, in a single pass from the
// sample buffer (no intermediate buffer). The source is a bottom-up bitmap of 24-bit pixels
// (bytes blue, green, red), rows srcPitch bytes apart, the bottom row first in memory; the
// destination is top-down, rows dstPitch bytes apart. Only width x height pixels of the
// destination are written.

#include <cstddef>
#include <cstdint>

// To 32-bit pixels, bytes blue, green, red, alpha 255 (D3DFMT_A8R8G8B8).
void ConvertBgr24BottomUpToBgra32(const std::uint8_t* src, std::ptrdiff_t srcPitch, int width,
                                  int height, std::uint8_t* dst, std::ptrdiff_t dstPitch);

// To 16-bit little-endian pixels 1-5-5-5, opaque (D3DFMT_A1R5G5B5): each channel keeps its
// top five bits.
void ConvertBgr24BottomUpToA1R5G5B5(const std::uint8_t* src, std::ptrdiff_t srcPitch, int width,
                                    int height, std::uint8_t* dst, std::ptrdiff_t dstPitch);
