#include "platform/dshow/ffmpeg/raw_picture_writer.h"

extern "C" {
#include <libavutil/imgutils.h>
}

namespace ffmedia {

std::size_t RawPictureSize(AVPixelFormat format, int width, int height) {
  const int size = av_image_get_buffer_size(format, width, height, 1);
  return size > 0 ? static_cast<std::size_t>(size) : 0;
}

bool RawPictureWriter::Write(const AVFrame& frame, AVPixelFormat format, int width, int height,
                             std::uint8_t* buffer, std::size_t bufferSize) {
  const std::size_t size = RawPictureSize(format, width, height);
  if (size == 0 || bufferSize < size || !buffer) return false;
  if (frame.format == format && frame.width == width && frame.height == height) {
    return av_image_copy_to_buffer(buffer, static_cast<int>(size), frame.data, frame.linesize,
                                   format, width, height, 1) >= 0;
  }
  context_.reset(sws_getCachedContext(context_.release(), frame.width, frame.height,
                                      static_cast<AVPixelFormat>(frame.format), width, height,
                                      format, SWS_BILINEAR, nullptr, nullptr, nullptr));
  if (!context_) return false;
  std::uint8_t* planes[4];
  int strides[4];
  if (av_image_fill_arrays(planes, strides, buffer, format, width, height, 1) < 0) return false;
  return sws_scale(context_.get(), frame.data, frame.linesize, 0, frame.height, planes, strides) ==
         height;
}

}  // namespace ffmedia
