#include "platform/dshow/ffmpeg/pcm16_converter.h"

namespace ffmedia {

bool Pcm16Converter::Convert(const AVFrame& frame, std::vector<std::uint8_t>& pcm) {
  const int channels = frame.ch_layout.nb_channels;
  if (channels <= 0 || frame.sample_rate <= 0 || frame.nb_samples < 0) return false;
  if (!context_ || frame.sample_rate != rate_ || frame.format != format_ ||
      av_channel_layout_compare(&frame.ch_layout, &layout_) != 0) {
    context_.reset();
    av_channel_layout_uninit(&layout_);
    if (av_channel_layout_copy(&layout_, &frame.ch_layout) < 0) return false;
    SwrContext* raw = nullptr;
    if (swr_alloc_set_opts2(&raw, &layout_, AV_SAMPLE_FMT_S16, frame.sample_rate, &layout_,
                            static_cast<AVSampleFormat>(frame.format), frame.sample_rate, 0,
                            nullptr) < 0)
      return false;
    context_.reset(raw);
    if (swr_init(context_.get()) < 0) {
      context_.reset();
      return false;
    }
    rate_ = frame.sample_rate;
    format_ = frame.format;
  }
  // Same rate in and out: at most the input count plus what the resampler still holds.
  const int capacity = swr_get_out_samples(context_.get(), frame.nb_samples);
  if (capacity < 0) return false;
  const std::size_t start = pcm.size();
  pcm.resize(start + static_cast<std::size_t>(capacity) * channels * 2);
  std::uint8_t* out = pcm.data() + start;
  const int converted = swr_convert(context_.get(), &out, capacity,
                                    const_cast<const std::uint8_t**>(frame.extended_data),
                                    frame.nb_samples);
  if (converted < 0) {
    pcm.resize(start);
    return false;
  }
  pcm.resize(start + static_cast<std::size_t>(converted) * channels * 2);
  return true;
}

}  // namespace ffmedia
