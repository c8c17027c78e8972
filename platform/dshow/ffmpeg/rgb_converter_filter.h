#pragma once
// The colour converter: raw pictures of any pixel format in, 24-bit RGB out as a bottom-up
// bitmap (positive biHeight, rows padded to 4 bytes). The graph builder inserts it between a
// decoder or a capture pin and a renderer that takes RGB only.

#include "platform/dshow/base/transform.h"
#include "platform/dshow/ffmpeg/rgb24_converter.h"

namespace ffmedia {

inline constexpr CLSID CLSID_RgbConverterFilter{
    0x5D93A1C8, 0x7E24, 0x4B6F, {0x8C, 0x1A, 0x03, 0xF7, 0xB9, 0x52, 0xE6, 0x4D}};

class CRgbConverterFilter : public CTransformFilter {
 public:
  CRgbConverterFilter();

  HRESULT CheckInputType(const CMediaType* in) override;
  HRESULT CheckTransform(const CMediaType* in, const CMediaType* out) override;
  HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) override;
  HRESULT GetMediaType(int position, CMediaType* mt) override;
  HRESULT SetMediaType(PIN_DIRECTION direction, const CMediaType* mt) override;
  HRESULT Transform(IMediaSample* in, IMediaSample* out) override;

 private:
  AVPixelFormat format_ = AV_PIX_FMT_NONE;  // of the connected input
  int width_ = 0, height_ = 0;
  Rgb24Converter converter_;  // streaming thread
};

}  // namespace ffmedia
