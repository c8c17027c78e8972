#pragma once
// Converts decoded pictures of any pixel format into the 24-bit RGB bitmap layout that a
// video format with a positive height describes: rows from the bottom of the picture up,
// each row padded to a multiple of 4 bytes, each pixel blue, green, red.

#include <cstddef>
#include <cstdint>

#include "platform/dshow/ffmpeg/av_handles.h"

namespace ffmedia {

constexpr int Rgb24Pitch(int width) { return (width * 3 + 3) & ~3; }
constexpr std::size_t Rgb24ImageSize(int width, int height) {
  return static_cast<std::size_t>(Rgb24Pitch(width)) * static_cast<std::size_t>(height);
}

class Rgb24Converter {
 public:
  // Writes the frame into bitmap, which must hold Rgb24ImageSize(frame width, frame height)
  // bytes. The conversion context is kept and rebuilt only when the source size or format
  // changes. false when the frame's format cannot be converted or bitmapSize is too small.
  bool Convert(const AVFrame& frame, std::uint8_t* bitmap, std::size_t bitmapSize);
  // The same for a picture given by its planes.
  bool Convert(const std::uint8_t* const planes[4], const int strides[4], int width, int height,
               AVPixelFormat format, std::uint8_t* bitmap, std::size_t bitmapSize);

 private:
  ScaleContextPtr context_;
  int width_ = 0;
  int height_ = 0;
  AVPixelFormat format_ = AV_PIX_FMT_NONE;
};

}  // namespace ffmedia
