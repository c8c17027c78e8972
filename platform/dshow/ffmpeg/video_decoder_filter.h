#pragma once
// The video decoder: compressed packets from the splitter in, raw pictures out (the
// decoder's own pixel format, see stream_media_types.h). Pictures that end before the start
// of the current segment, decoded only to reach a seek target from its key frame, are
// delivered flagged as pre-roll.

#include "platform/dshow/ffmpeg/decoder_filter.h"
#include "platform/dshow/ffmpeg/raw_picture_writer.h"
#include "platform/dshow/ffmpeg/stream_media_types.h"

namespace ffmedia {

inline constexpr CLSID CLSID_VideoDecoderFilter{
    0x2C7B0E94, 0x61F3, 0x4A8D, {0xB2, 0x45, 0x9E, 0x13, 0x70, 0xC6, 0x8A, 0x5D}};

class CVideoDecoderFilter : public CDecoderFilter {
 public:
  CVideoDecoderFilter();

  HRESULT CheckInputType(const CMediaType* in) override;
  HRESULT CheckTransform(const CMediaType* in, const CMediaType* out) override;
  HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) override;
  HRESULT GetMediaType(int position, CMediaType* mt) override;
  HRESULT SetMediaType(PIN_DIRECTION direction, const CMediaType* mt) override;


 protected:
  HRESULT DeliverFrame(const AVFrame& frame) override;
  bool IsKeyPacket(IMediaSample* sample) const override;

 private:
  // Set while connecting (application thread), read while streaming.
  AVRational timeBase_{0, 1};
  AVPixelFormat outputFormat_ = AV_PIX_FMT_NONE;  // of the connected output type
  int outputWidth_ = 0, outputHeight_ = 0;
  REFERENCE_TIME timePerFrame_ = 0;

  // Streaming state, under the receive lock.
  RawPictureWriter writer_;
};

}  // namespace ffmedia
