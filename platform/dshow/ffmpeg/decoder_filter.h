#pragma once
// What the video and audio decoders share. Packets from the splitter go into an FFmpeg decoder
// on the upstream streaming thread; each decoded frame goes to the derived filter's
// DeliverFrame. Flushing, draining at the end of the stream and the segment's rate are handled
// here. The derived filter opens nothing itself: it sets `parameters` while connecting.

#include "platform/dshow/base/transform.h"
#include "platform/dshow/ffmpeg/media_decoder.h"
#include "platform/dshow/ffmpeg/media_time.h"
#include "platform/dshow/ffmpeg/stream_media_types.h"

namespace ffmedia {

class CDecoderFilter : public CTransformFilter {
 public:
  HRESULT StartStreaming() override;
  HRESULT StopStreaming() override;
  HRESULT Receive(IMediaSample* sample) override;
  HRESULT EndOfStream() override;
  HRESULT EndFlush() override;
  HRESULT NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) override;

 protected:
  // threads: the decoder's worker threads, 0 to let it choose.
  CDecoderFilter(const char* name, REFCLSID clsid, int threads);

  // Delivers one decoded frame downstream; anything but S_OK stops the delivery (S_FALSE when
  // the filter is stopping). Called on the streaming thread under the receive lock.
  virtual HRESULT DeliverFrame(const AVFrame& frame) = 0;
  // Whether a packet may begin decoding: compressed video has key frames, sound does not.
  virtual bool IsKeyPacket(IMediaSample* sample) const = 0;

  // Set while connecting (application thread), read while streaming.
  CodecParametersPtr parameters_;
  // Streaming state, under the receive lock: the segment's rate, the time the next output
  // starts at when a frame has none, and whether the next output follows a break.
  double rate_ = 1.0;
  REFERENCE_TIME nextTime_ = kUnknownTime;
  bool discontinuity_ = true;

 private:
  HRESULT DeliverDecoded();

  const int threads_;
  Decoder decoder_;
  FramePtr frame_;
  PacketPtr packet_;
};

}  // namespace ffmedia
