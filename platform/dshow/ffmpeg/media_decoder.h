#pragma once
// A libavcodec decoder for one stream: compressed packets in, decoded frames out, in the
// send/receive rhythm of libavcodec (a packet may give zero or several frames, and frames may
// come out later than their packet).

#include "platform/dshow/ffmpeg/av_handles.h"

namespace ffmedia {

class Decoder {
 public:
  // Opens a decoder for a stream's parameters. threads: 0 lets the decoder choose (one per
  // core for video), 1 decodes on the calling thread only. 0 or a negative AVERROR
  // (AVERROR_DECODER_NOT_FOUND when no decoder exists for the codec).
  int Open(const AVCodecParameters* parameters, AVRational timeBase, int threads = 0);
  bool IsOpen() const { return context_ != nullptr; }
  const AVCodecContext* Context() const { return context_.get(); }

  // A null packet starts draining: the remaining frames come out, then AVERROR_EOF.
  // AVERROR(EAGAIN) means frames must be received before the packet is accepted.
  int Send(const AVPacket* packet);
  // 0 with a frame, AVERROR(EAGAIN) when more input is needed, AVERROR_EOF when drained.
  int Receive(AVFrame* frame);
  // Forgets buffered packets and frames (after a seek) and leaves a drained decoder usable.
  void Flush();

 private:
  CodecContextPtr context_;
};

}  // namespace ffmedia
