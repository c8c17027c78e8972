#include "platform/dshow/ffmpeg/audio_decoder_filter.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace ffmedia {

namespace {

bool IsDecodableSound(const AVCodecParameters* parameters) {
  return parameters && parameters->codec_type == AVMEDIA_TYPE_AUDIO &&
         parameters->ch_layout.nb_channels > 0 && parameters->ch_layout.nb_channels <= 8 &&
         parameters->sample_rate > 0 && avcodec_find_decoder(parameters->codec_id);
}

}  // namespace

CAudioDecoderFilter::CAudioDecoderFilter() : CDecoderFilter("audio decoder", CLSID_AudioDecoderFilter, 1) {}

HRESULT CAudioDecoderFilter::CheckInputType(const CMediaType* in) {
  if (!in || !(in->majortype == MEDIATYPE_Audio)) return VFW_E_TYPE_NOT_ACCEPTED;
  return IsDecodableSound(ReadCompressedType(*in).get()) ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT CAudioDecoderFilter::CheckTransform(const CMediaType* in, const CMediaType* out) {
  const CodecParametersPtr parameters = ReadCompressedType(*in);
  const WAVEFORMATEX* wave = out->WaveFormat();
  if (!parameters || !wave || !(out->majortype == MEDIATYPE_Audio) ||
      !(out->subtype == MEDIASUBTYPE_PCM))
    return VFW_E_TYPE_NOT_ACCEPTED;
  const bool same = wave->wFormatTag == WAVE_FORMAT_PCM && wave->wBitsPerSample == 16 &&
                    wave->nChannels == parameters->ch_layout.nb_channels &&
                    static_cast<int>(wave->nSamplesPerSec) == parameters->sample_rate;
  return same ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT CAudioDecoderFilter::GetMediaType(int position, CMediaType* mt) {
  if (position < 0) return E_INVALIDARG;
  if (position > 0) return VFW_S_NO_MORE_ITEMS;
  const CodecParametersPtr parameters = ReadCompressedType(Input()->CurrentMediaType());
  if (!parameters) return E_UNEXPECTED;
  *mt = MakePcm16Type(parameters->ch_layout.nb_channels, parameters->sample_rate);
  return S_OK;
}

HRESULT CAudioDecoderFilter::SetMediaType(PIN_DIRECTION direction, const CMediaType* mt) {
  if (direction == PINDIR_OUTPUT) return S_OK;
  parameters_ = ReadCompressedType(*mt);
  if (!IsDecodableSound(parameters_.get())) return VFW_E_TYPE_NOT_ACCEPTED;
  channels_ = parameters_->ch_layout.nb_channels;
  sampleRate_ = parameters_->sample_rate;
  return S_OK;
}

HRESULT CAudioDecoderFilter::DecideBufferSize(IMemAllocator* allocator,
                                              ALLOCATOR_PROPERTIES* request) {
  if (channels_ <= 0) return E_UNEXPECTED;
  // A quarter of a second per buffer; longer decoded frames are split.
  ALLOCATOR_PROPERTIES wanted = *request;
  wanted.cbBuffer = std::max(sampleRate_ / 4, 1024) * channels_ * 2;
  wanted.cBuffers = std::max<LONG>(wanted.cBuffers, 4);
  wanted.cbAlign = std::max<LONG>(wanted.cbAlign, 1);
  ALLOCATOR_PROPERTIES actual{};
  const HRESULT hr = allocator->SetProperties(&wanted, &actual);
  if (FAILED(hr)) return hr;
  return actual.cbBuffer < channels_ * 2 ? E_FAIL : S_OK;
}

HRESULT CAudioDecoderFilter::DeliverFrame(const AVFrame& frame) {
  pcm_.clear();
  const bool converted = frame.ch_layout.nb_channels == channels_ && frame.sample_rate == sampleRate_ &&
                         converter_.Convert(frame, pcm_);
  if (!converted) return S_OK;  // a stream that changes its layout is not followed
  return DeliverSound(frame.best_effort_timestamp);
}

HRESULT CAudioDecoderFilter::DeliverSound(REFERENCE_TIME start) {
  if (start == AV_NOPTS_VALUE) start = nextTime_ == kUnknownTime ? 0 : nextTime_;
  const std::size_t frameBytes = static_cast<std::size_t>(channels_) * 2;
  std::size_t offset = 0;
  while (offset < pcm_.size()) {
    IMediaSample* out = nullptr;
    if (FAILED(Output()->GetDeliveryBuffer(&out, nullptr, nullptr, 0))) return S_FALSE;
    const std::size_t capacity = static_cast<std::size_t>(out->GetSize()) / frameBytes * frameBytes;
    const std::size_t count = std::min(capacity, pcm_.size() - offset);
    BYTE* buffer = nullptr;
    out->GetPointer(&buffer);
    std::memcpy(buffer, pcm_.data() + offset, count);
    out->SetActualDataLength(static_cast<LONG>(count));
    const double seconds = static_cast<double>(count / frameBytes) / sampleRate_;
    REFERENCE_TIME end = start + std::max<REFERENCE_TIME>(std::llround(seconds * 1e7 / rate_), 1);
    out->SetTime(&start, &end);
    out->SetSyncPoint(TRUE);
    out->SetPreroll(end <= 0 ? TRUE : FALSE);
    out->SetDiscontinuity(discontinuity_ ? TRUE : FALSE);
    discontinuity_ = false;
    const HRESULT hr = Output()->Deliver(out);
    out->Release();
    if (hr != S_OK) return hr;
    offset += count;
    start = end;
  }
  nextTime_ = start;
  return S_OK;
}

}  // namespace ffmedia
