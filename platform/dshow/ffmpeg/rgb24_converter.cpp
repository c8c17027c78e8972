#include "platform/dshow/ffmpeg/rgb24_converter.h"

#include <cstring>

namespace ffmedia {

bool Rgb24Converter::Convert(const AVFrame& frame, std::uint8_t* bitmap, std::size_t bitmapSize) {
  return Convert(frame.data, frame.linesize, frame.width, frame.height,
                 static_cast<AVPixelFormat>(frame.format), bitmap, bitmapSize);
}

bool Rgb24Converter::Convert(const std::uint8_t* const planes[4], const int strides[4], int width,
                             int height, AVPixelFormat format, std::uint8_t* bitmap,
                             std::size_t bitmapSize) {
  if (width <= 0 || height <= 0 || !bitmap) return false;
  if (bitmapSize < Rgb24ImageSize(width, height)) return false;
  if (!context_ || width != width_ || height != height_ || format != format_) {
    context_.reset(sws_getContext(width, height, format, width, height, AV_PIX_FMT_BGR24,
                                  SWS_BILINEAR, nullptr, nullptr, nullptr));
    width_ = height_ = 0;
    format_ = AV_PIX_FMT_NONE;
    if (!context_) return false;
    width_ = width;
    height_ = height;
    format_ = format;
  }
  // Bottom-up: the picture's top row goes to the last row of the bitmap, and each next row
  // one pitch lower, so the destination starts at the last row with a negative stride.
  const int pitch = Rgb24Pitch(width);
  std::uint8_t* destination[4] = {bitmap + static_cast<std::size_t>(height - 1) * pitch, nullptr,
                                  nullptr, nullptr};
  const int destinationStrides[4] = {-pitch, 0, 0, 0};
  const int rows =
      sws_scale(context_.get(), planes, strides, 0, height, destination, destinationStrides);
  if (rows != height) return false;
  // Padding bytes are part of the bitmap handed on: keep them defined.
  const int used = width * 3;
  if (pitch > used)
    for (int row = 0; row < height; ++row)
      std::memset(bitmap + static_cast<std::size_t>(row) * pitch + used, 0,
                  static_cast<std::size_t>(pitch - used));
  return true;
}

}  // namespace ffmedia
