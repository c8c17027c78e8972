#include "platform/dshow/ffmpeg/video_decoder_filter.h"

#include <cmath>

namespace ffmedia {

namespace {

REFERENCE_TIME FrameTime(AVRational frameRate) {
  if (frameRate.num <= 0 || frameRate.den <= 0) return 0;
  return av_rescale(10'000'000, frameRate.den, frameRate.num);
}

}  // namespace

CVideoDecoderFilter::CVideoDecoderFilter() : CDecoderFilter("video decoder", CLSID_VideoDecoderFilter, 0) {}

HRESULT CVideoDecoderFilter::CheckInputType(const CMediaType* in) {
  if (!in || !(in->majortype == MEDIATYPE_Video)) return VFW_E_TYPE_NOT_ACCEPTED;
  const CodecParametersPtr parameters = ReadCompressedType(*in);
  if (!parameters || parameters->width <= 0 || parameters->height <= 0 ||
      !avcodec_find_decoder(parameters->codec_id))
    return VFW_E_TYPE_NOT_ACCEPTED;
  return S_OK;
}

HRESULT CVideoDecoderFilter::CheckTransform(const CMediaType* in, const CMediaType* out) {
  const CodecParametersPtr parameters = ReadCompressedType(*in);
  AVPixelFormat format;
  int width, height;
  if (!parameters || !ReadRawPictureType(*out, &format, &width, &height))
    return VFW_E_TYPE_NOT_ACCEPTED;
  return width == parameters->width && height == parameters->height ? S_OK
                                                                    : VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT CVideoDecoderFilter::GetMediaType(int position, CMediaType* mt) {
  if (position < 0) return E_INVALIDARG;
  if (position > 0) return VFW_S_NO_MORE_ITEMS;
  AVRational frameRate{0, 0};
  const CodecParametersPtr parameters =
      ReadCompressedType(Input()->CurrentMediaType(), nullptr, &frameRate);
  if (!parameters) return E_UNEXPECTED;
  *mt = MakeRawPictureType(DecodedPictureFormat(*parameters), parameters->width,
                           parameters->height, FrameTime(frameRate));
  return S_OK;
}

HRESULT CVideoDecoderFilter::SetMediaType(PIN_DIRECTION direction, const CMediaType* mt) {
  if (direction == PINDIR_INPUT) {
    AVRational frameRate{0, 0};
    parameters_ = ReadCompressedType(*mt, &timeBase_, &frameRate);
    timePerFrame_ = FrameTime(frameRate);
    return parameters_ ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
  }
  return ReadRawPictureType(*mt, &outputFormat_, &outputWidth_, &outputHeight_)
             ? S_OK
             : VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT CVideoDecoderFilter::DecideBufferSize(IMemAllocator* allocator,
                                              ALLOCATOR_PROPERTIES* request) {
  const std::size_t size = RawPictureSize(outputFormat_, outputWidth_, outputHeight_);
  if (size == 0) return E_UNEXPECTED;
  ALLOCATOR_PROPERTIES wanted = *request;
  wanted.cbBuffer = static_cast<LONG>(size);
  // Each picture goes down to the renderer on this thread and comes back before the next is
  // asked for; a downstream filter that keeps pictures asks for more. Fewer pictures in
  // rotation keep the decoder's reference frames in cache.
  wanted.cBuffers = std::max<LONG>(wanted.cBuffers, 1);
  wanted.cbAlign = std::max<LONG>(wanted.cbAlign, 1);
  ALLOCATOR_PROPERTIES actual{};
  const HRESULT hr = allocator->SetProperties(&wanted, &actual);
  if (FAILED(hr)) return hr;
  return actual.cbBuffer < wanted.cbBuffer ? E_FAIL : S_OK;
}

bool CVideoDecoderFilter::IsKeyPacket(IMediaSample* sample) const { return sample->IsSyncPoint() == S_OK; }

HRESULT CVideoDecoderFilter::DeliverFrame(const AVFrame& frame) {
  REFERENCE_TIME start = frame.best_effort_timestamp != AV_NOPTS_VALUE ? frame.best_effort_timestamp
                                                                       : nextTime_;
  REFERENCE_TIME duration = frame.pkt_duration > 0
                                ? frame.pkt_duration
                                : std::llround(static_cast<double>(timePerFrame_) / rate_);
  if (start == kUnknownTime) start = 0;
  REFERENCE_TIME end = start + std::max<REFERENCE_TIME>(duration, 1);
  nextTime_ = end;

  IMediaSample* out = nullptr;
  if (FAILED(Output()->GetDeliveryBuffer(&out, nullptr, nullptr, 0))) return S_FALSE;  // stopping
  BYTE* buffer = nullptr;
  out->GetPointer(&buffer);
  const bool preroll = end <= 0;
  // A pre-roll picture is never shown: its bytes need not be written.
  if (!preroll && !writer_.Write(frame, outputFormat_, outputWidth_, outputHeight_, buffer,
                                 static_cast<std::size_t>(out->GetSize()))) {
    out->Release();
    return S_OK;  // an unconvertible picture is skipped
  }
  out->SetActualDataLength(
      static_cast<LONG>(RawPictureSize(outputFormat_, outputWidth_, outputHeight_)));
  out->SetTime(&start, &end);
  out->SetSyncPoint(TRUE);
  out->SetPreroll(preroll ? TRUE : FALSE);
  out->SetDiscontinuity(discontinuity_ ? TRUE : FALSE);
  discontinuity_ = false;
  const HRESULT hr = Output()->Deliver(out);
  out->Release();
  return hr;
}

}  // namespace ffmedia
