#pragma once
// A media file or http(s) stream opened with libavformat: its streams, its compressed
// packets in order, and seeking back to a key frame. Media times are 100-nanosecond units
// counted from the first timestamp of the media, so the first frame is at time 0.
//
// One thread reads and seeks; RequestAbort may be called from any thread to make a blocked
// network read (or open) return promptly with AVERROR_EXIT.

#include <atomic>
#include <string>

#include "platform/dshow/ffmpeg/av_handles.h"
#include "platform/dshow/ffmpeg/media_time.h"

namespace ffmedia {

class Demuxer {
 public:
  Demuxer() = default;
  Demuxer(const Demuxer&) = delete;
  Demuxer& operator=(const Demuxer&) = delete;

  // Opens a path or URL and reads enough of it to know every stream's parameters. format
  // forces an input format (capture devices); null probes the content. options may hold
  // format-specific settings (frame size of a device); unused entries are left in it.
  // 0, or a negative AVERROR (missing file, unknown or corrupt content, no streams).
  int Open(const std::string& url, const AVInputFormat* format = nullptr,
           AVDictionary** options = nullptr);

  int StreamCount() const { return context_ ? static_cast<int>(context_->nb_streams) : 0; }
  const AVStream* Stream(int index) const { return context_->streams[index]; }
  AVFormatContext* Context() const { return context_.get(); }

  // The length of the media; 0 when it is not known (live sources).
  REFERENCE_TIME Duration() const;

  // The next packet of any stream (the caller unreferences it). 0, AVERROR_EOF at the end,
  // AVERROR_EXIT after RequestAbort, or another negative AVERROR.
  int ReadPacket(AVPacket* packet);

  // Media time of a packet's presentation (its decoding time when it has none); kUnknownTime
  // when it carries neither.
  REFERENCE_TIME PacketTime(const AVPacket& packet) const;
  REFERENCE_TIME PacketDuration(const AVPacket& packet) const;

  // Positions the reading at a key frame at or before the given media time, so that decoding
  // forward from there reaches the frame at that time. 0 or a negative AVERROR.
  int SeekToKeyFrame(REFERENCE_TIME time);

  void RequestAbort() { abort_.store(true, std::memory_order_release); }
  void ClearAbort() { abort_.store(false, std::memory_order_release); }

 private:
  static int InterruptCallback(void* self);

  InputContextPtr context_;
  int64_t startTime_ = 0;  // in AV_TIME_BASE units
  std::atomic<bool> abort_{false};
};

// Text of an AVERROR, for diagnostics.
std::string ErrorText(int error);

}  // namespace ffmedia
