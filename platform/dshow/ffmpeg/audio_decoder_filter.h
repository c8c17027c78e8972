#pragma once
// The audio decoder: compressed packets from the splitter in, interleaved 16-bit PCM out, at
// the stream's own sample rate and channel count. Sound that ends before the start of the
// current segment is delivered flagged as pre-roll.

#include <vector>

#include "platform/dshow/ffmpeg/decoder_filter.h"
#include "platform/dshow/ffmpeg/pcm16_converter.h"
#include "platform/dshow/ffmpeg/stream_media_types.h"

namespace ffmedia {

inline constexpr CLSID CLSID_AudioDecoderFilter{
    0x8E4D21B6, 0x3A90, 0x47C5, {0x9F, 0x0B, 0x61, 0xDA, 0x25, 0x8C, 0x4E, 0x73}};

class CAudioDecoderFilter : public CDecoderFilter {
 public:
  CAudioDecoderFilter();

  HRESULT CheckInputType(const CMediaType* in) override;
  HRESULT CheckTransform(const CMediaType* in, const CMediaType* out) override;
  HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) override;
  HRESULT GetMediaType(int position, CMediaType* mt) override;
  HRESULT SetMediaType(PIN_DIRECTION direction, const CMediaType* mt) override;


 protected:
  HRESULT DeliverFrame(const AVFrame& frame) override;
  bool IsKeyPacket(IMediaSample*) const override { return true; }

 private:
  HRESULT DeliverSound(REFERENCE_TIME start);

  int channels_ = 0, sampleRate_ = 0;

  Pcm16Converter converter_;
  std::vector<std::uint8_t> pcm_;
};

}  // namespace ffmedia
