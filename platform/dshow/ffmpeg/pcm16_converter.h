#pragma once
// Converts decoded audio of any sample format into interleaved signed 16-bit PCM with the
// source's sample rate and channel count, the layout an audio renderer consumes.

#include <cstdint>
#include <vector>

#include "platform/dshow/ffmpeg/av_handles.h"

namespace ffmedia {

class Pcm16Converter {
 public:
  Pcm16Converter() = default;
  Pcm16Converter(const Pcm16Converter&) = delete;
  Pcm16Converter& operator=(const Pcm16Converter&) = delete;
  ~Pcm16Converter() { av_channel_layout_uninit(&layout_); }

  // Appends the frame's samples to pcm. false when the frame cannot be converted.
  bool Convert(const AVFrame& frame, std::vector<std::uint8_t>& pcm);

 private:
  ResampleContextPtr context_;
  AVChannelLayout layout_{};
  int rate_ = 0;
  int format_ = AV_SAMPLE_FMT_NONE;
};

}  // namespace ffmedia
