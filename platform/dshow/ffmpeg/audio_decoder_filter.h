#pragma once
// The audio decoder: compressed packets from the splitter in, interleaved 16-bit PCM out, at
// the stream's own sample rate and channel count. Sound that ends before the start of the
// current segment is delivered flagged as pre-roll.

#include <vector>

#include "platform/dshow/base/transform.h"
#include "platform/dshow/ffmpeg/media_decoder.h"
#include "platform/dshow/ffmpeg/media_time.h"
#include "platform/dshow/ffmpeg/pcm16_converter.h"
#include "platform/dshow/ffmpeg/stream_media_types.h"

namespace ffmedia {

inline constexpr CLSID CLSID_AudioDecoderFilter{
    0x8E4D21B6, 0x3A90, 0x47C5, {0x9F, 0x0B, 0x61, 0xDA, 0x25, 0x8C, 0x4E, 0x73}};

class CAudioDecoderFilter : public CTransformFilter {
 public:
  CAudioDecoderFilter();

  HRESULT CheckInputType(const CMediaType* in) override;
  HRESULT CheckTransform(const CMediaType* in, const CMediaType* out) override;
  HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) override;
  HRESULT GetMediaType(int position, CMediaType* mt) override;
  HRESULT SetMediaType(PIN_DIRECTION direction, const CMediaType* mt) override;

  HRESULT StartStreaming() override;
  HRESULT StopStreaming() override;
  HRESULT Receive(IMediaSample* sample) override;
  HRESULT EndOfStream() override;
  HRESULT EndFlush() override;
  HRESULT NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) override;

 private:
  HRESULT DeliverDecoded();
  HRESULT DeliverSound(REFERENCE_TIME start);

  CodecParametersPtr parameters_;
  int channels_ = 0, sampleRate_ = 0;

  Decoder decoder_;
  FramePtr frame_;
  PacketPtr packet_;
  Pcm16Converter converter_;
  std::vector<std::uint8_t> pcm_;
  double rate_ = 1.0;
  REFERENCE_TIME nextTime_ = kUnknownTime;
  bool discontinuity_ = true;
};

}  // namespace ffmedia
