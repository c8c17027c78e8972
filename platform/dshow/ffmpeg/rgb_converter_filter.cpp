#include "platform/dshow/ffmpeg/rgb_converter_filter.h"

extern "C" {
#include <libavutil/imgutils.h>
}

#include "platform/dshow/ffmpeg/raw_picture_writer.h"
#include "platform/dshow/ffmpeg/stream_media_types.h"

namespace ffmedia {

CRgbConverterFilter::CRgbConverterFilter()
    : CTransformFilter("colour converter", nullptr, CLSID_RgbConverterFilter) {}

HRESULT CRgbConverterFilter::CheckInputType(const CMediaType* in) {
  AVPixelFormat format;
  int width, height;
  if (!in || !ReadRawPictureType(*in, &format, &width, &height)) return VFW_E_TYPE_NOT_ACCEPTED;
  return sws_isSupportedInput(format) ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT CRgbConverterFilter::CheckTransform(const CMediaType* in, const CMediaType* out) {
  AVPixelFormat format;
  int width, height;
  if (!ReadRawPictureType(*in, &format, &width, &height)) return VFW_E_TYPE_NOT_ACCEPTED;
  const VIDEOINFOHEADER* info = out->VideoInfo();
  if (!info || !(out->majortype == MEDIATYPE_Video) || !(out->subtype == MEDIASUBTYPE_RGB24))
    return VFW_E_TYPE_NOT_ACCEPTED;
  // Bottom-up only: a positive height.
  return info->bmiHeader.biWidth == width && info->bmiHeader.biHeight == height &&
                 info->bmiHeader.biBitCount == 24
             ? S_OK
             : VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT CRgbConverterFilter::GetMediaType(int position, CMediaType* mt) {
  if (position < 0) return E_INVALIDARG;
  if (position > 0) return VFW_S_NO_MORE_ITEMS;
  const CMediaType& in = Input()->CurrentMediaType();
  AVPixelFormat format;
  int width, height;
  if (!ReadRawPictureType(in, &format, &width, &height)) return E_UNEXPECTED;
  *mt = MakeRgbVideoType(width, height, 24, in.VideoInfo()->AvgTimePerFrame);
  return S_OK;
}

HRESULT CRgbConverterFilter::SetMediaType(PIN_DIRECTION direction, const CMediaType* mt) {
  if (direction == PINDIR_OUTPUT) return S_OK;
  return ReadRawPictureType(*mt, &format_, &width_, &height_) ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT CRgbConverterFilter::DecideBufferSize(IMemAllocator* allocator,
                                              ALLOCATOR_PROPERTIES* request) {
  ALLOCATOR_PROPERTIES wanted = *request;
  wanted.cbBuffer = static_cast<LONG>(Rgb24ImageSize(width_, height_));
  // One picture in flight, as for the decoder: the renderer returns it before the next.
  wanted.cBuffers = std::max<LONG>(wanted.cBuffers, 1);
  wanted.cbAlign = std::max<LONG>(wanted.cbAlign, 1);
  ALLOCATOR_PROPERTIES actual{};
  const HRESULT hr = allocator->SetProperties(&wanted, &actual);
  if (FAILED(hr)) return hr;
  return actual.cbBuffer < wanted.cbBuffer ? E_FAIL : S_OK;
}

HRESULT CRgbConverterFilter::Transform(IMediaSample* in, IMediaSample* out) {
  const std::size_t size = Rgb24ImageSize(width_, height_);
  out->SetActualDataLength(static_cast<LONG>(size));
  // A pre-roll picture is dropped by the renderer unseen.
  if (in->IsPreroll() == S_OK) return S_OK;
  BYTE* source = nullptr;
  BYTE* target = nullptr;
  in->GetPointer(&source);
  out->GetPointer(&target);
  if (static_cast<std::size_t>(in->GetActualDataLength()) < RawPictureSize(format_, width_, height_))
    return S_FALSE;  // a short sample is dropped
  std::uint8_t* planes[4];
  int strides[4];
  if (av_image_fill_arrays(planes, strides, source, format_, width_, height_, 1) < 0) return S_FALSE;
  return converter_.Convert(planes, strides, width_, height_, format_, target,
                            static_cast<std::size_t>(out->GetSize()))
             ? S_OK
             : S_FALSE;
}

}  // namespace ffmedia
