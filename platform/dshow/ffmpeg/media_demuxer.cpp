#include "platform/dshow/ffmpeg/media_demuxer.h"

#include <mutex>

namespace ffmedia {

namespace {

void InitialiseNetworkOnce() {
  static std::once_flag once;
  std::call_once(once, [] { avformat_network_init(); });
}

bool IsNetworkUrl(const std::string& url) {
  return url.rfind("http://", 0) == 0 || url.rfind("https://", 0) == 0;
}

}  // namespace

std::string ErrorText(int error) {
  char text[AV_ERROR_MAX_STRING_SIZE] = {};
  av_strerror(error, text, sizeof text);
  return text;
}

int Demuxer::InterruptCallback(void* self) {
  return static_cast<Demuxer*>(self)->abort_.load(std::memory_order_acquire) ? 1 : 0;
}

int Demuxer::Open(const std::string& url, const AVInputFormat* format, AVDictionary** options) {
  context_.reset();
  if (IsNetworkUrl(url)) InitialiseNetworkOnce();

  AVFormatContext* raw = avformat_alloc_context();
  if (!raw) return AVERROR(ENOMEM);
  raw->interrupt_callback.callback = &Demuxer::InterruptCallback;
  raw->interrupt_callback.opaque = this;

  Options networkOptions;
  AVDictionary** openOptions = options;
  if (IsNetworkUrl(url) && !options) {
    // A server that stops answering must not hold the streaming thread for ever.
    networkOptions.Set("rw_timeout", "15000000");
    openOptions = networkOptions.Address();
  }
  // On failure avformat_open_input frees the context itself.
  int result = avformat_open_input(&raw, url.c_str(), format, openOptions);
  if (result < 0) return result;
  context_.reset(raw);

  result = avformat_find_stream_info(context_.get(), nullptr);
  if (result < 0) {
    context_.reset();
    return result;
  }
  if (context_->nb_streams == 0) {
    context_.reset();
    return AVERROR_INVALIDDATA;
  }
  startTime_ = context_->start_time == AV_NOPTS_VALUE ? 0 : context_->start_time;
  return 0;
}

REFERENCE_TIME Demuxer::Duration() const {
  if (!context_ || context_->duration == AV_NOPTS_VALUE || context_->duration <= 0) return 0;
  return ToReferenceTime(context_->duration, AV_TIME_BASE_Q);
}

int Demuxer::ReadPacket(AVPacket* packet) {
  if (!context_) return AVERROR(EINVAL);
  return av_read_frame(context_.get(), packet);
}

REFERENCE_TIME Demuxer::PacketTime(const AVPacket& packet) const {
  const int64_t stamp = packet.pts != AV_NOPTS_VALUE ? packet.pts : packet.dts;
  if (stamp == AV_NOPTS_VALUE) return kUnknownTime;
  const AVRational timeBase = context_->streams[packet.stream_index]->time_base;
  return ToReferenceTime(stamp, timeBase) - ToReferenceTime(startTime_, AV_TIME_BASE_Q);
}

REFERENCE_TIME Demuxer::PacketDuration(const AVPacket& packet) const {
  if (packet.duration <= 0) return 0;
  return ToReferenceTime(packet.duration, context_->streams[packet.stream_index]->time_base);
}

int Demuxer::SeekToKeyFrame(REFERENCE_TIME time) {
  if (!context_) return AVERROR(EINVAL);
  if (time < 0) time = 0;
  const int64_t target = FromReferenceTime(time, AV_TIME_BASE_Q) + startTime_;
  // The latest key frame not after the target; decoding forward then reaches the target.
  int result = avformat_seek_file(context_.get(), -1, INT64_MIN, target, target, 0);
  if (result < 0) result = av_seek_frame(context_.get(), -1, target, AVSEEK_FLAG_BACKWARD);
  return result < 0 ? result : 0;
}

}  // namespace ffmedia
