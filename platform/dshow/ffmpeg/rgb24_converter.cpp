#include "platform/dshow/ffmpeg/rgb24_converter.h"

namespace ffmedia {

bool Rgb24Converter::Convert(const AVFrame& frame, std::uint8_t* bitmap, std::size_t bitmapSize) {
  if (frame.width <= 0 || frame.height <= 0 || !bitmap) return false;
  const int pitch = Rgb24Pitch(frame.width);
  if (bitmapSize < Rgb24ImageSize(frame.width, frame.height)) return false;
  if (!context_ || frame.width != width_ || frame.height != height_ || frame.format != format_) {
    context_.reset(sws_getContext(frame.width, frame.height, static_cast<AVPixelFormat>(frame.format),
                                  frame.width, frame.height, AV_PIX_FMT_BGR24, SWS_BILINEAR,
                                  nullptr, nullptr, nullptr));
    if (!context_) return false;
    width_ = frame.width;
    height_ = frame.height;
    format_ = frame.format;
  }
  // Bottom-up: the picture's top row goes to the last row of the bitmap, and each next row
  // one pitch lower, so the destination starts at the last row with a negative stride.
  std::uint8_t* destination[4] = {bitmap + static_cast<std::size_t>(frame.height - 1) * pitch,
                                  nullptr, nullptr, nullptr};
  const int strides[4] = {-pitch, 0, 0, 0};
  const int rows = sws_scale(context_.get(), frame.data, frame.linesize, 0, frame.height,
                             destination, strides);
  return rows == frame.height;
}

}  // namespace ffmedia
