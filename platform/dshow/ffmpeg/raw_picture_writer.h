#pragma once
// Writes decoded pictures into samples of a raw picture type (see stream_media_types.h):
// a plain copy when the picture has the type's format and size, a conversion otherwise (a
// stream whose size or format changes after the pins connected keeps its connection).

#include <cstddef>
#include <cstdint>

#include "platform/dshow/ffmpeg/av_handles.h"

namespace ffmedia {

class RawPictureWriter {
 public:
  // false when the buffer is too small or the picture cannot be converted.
  bool Write(const AVFrame& frame, AVPixelFormat format, int width, int height,
             std::uint8_t* buffer, std::size_t bufferSize);

 private:
  ScaleContextPtr context_;
};

// Bytes of a raw picture sample; 0 for an invalid format or size.
std::size_t RawPictureSize(AVPixelFormat format, int width, int height);

}  // namespace ffmedia
