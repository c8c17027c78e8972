#include "platform/dshow/ffmpeg/decoder_filter.h"

namespace ffmedia {

CDecoderFilter::CDecoderFilter(const char* name, REFCLSID clsid, int threads)
    : CTransformFilter(name, nullptr, clsid), threads_(threads), frame_(MakeFrame()), packet_(MakePacket()) {}

HRESULT CDecoderFilter::StartStreaming() {
  if (!parameters_) return E_UNEXPECTED;
  // Stream times in 100 ns units are the packets' timestamps.
  if (decoder_.Open(parameters_.get(), kReferenceTimeBase, threads_) < 0) return E_FAIL;
  nextTime_ = kUnknownTime;
  discontinuity_ = true;
  return S_OK;
}

HRESULT CDecoderFilter::StopStreaming() {
  decoder_ = Decoder();
  return S_OK;
}

HRESULT CDecoderFilter::Receive(IMediaSample* sample) {
  if (!decoder_.IsOpen()) return E_UNEXPECTED;
  BYTE* data = nullptr;
  sample->GetPointer(&data);
  packet_->data = data;
  packet_->size = sample->GetActualDataLength();
  REFERENCE_TIME start, end;
  if (SUCCEEDED(sample->GetTime(&start, &end))) {
    packet_->pts = start;
    packet_->duration = end > start ? end - start : 0;
  } else {
    packet_->pts = AV_NOPTS_VALUE;
    packet_->duration = 0;
  }
  packet_->dts = AV_NOPTS_VALUE;
  packet_->flags = IsKeyPacket(sample) ? AV_PKT_FLAG_KEY : 0;
  HRESULT hr = S_OK;
  for (;;) {
    // The decoder copies the bytes: the packet owns no buffer.
    const int sent = decoder_.Send(packet_.get());
    if (sent != AVERROR(EAGAIN)) break;  // accepted, or a damaged packet that is skipped
    hr = DeliverDecoded();
    if (hr != S_OK) break;
  }
  packet_->data = nullptr;
  packet_->size = 0;
  return hr == S_OK ? DeliverDecoded() : hr;
}

HRESULT CDecoderFilter::DeliverDecoded() {
  while (decoder_.Receive(frame_.get()) == 0) {
    const HRESULT hr = DeliverFrame(*frame_);
    av_frame_unref(frame_.get());
    if (hr != S_OK) return hr;
  }
  return S_OK;
}

HRESULT CDecoderFilter::EndOfStream() {
  if (decoder_.IsOpen()) {
    decoder_.Send(nullptr);
    const HRESULT hr = DeliverDecoded();
    decoder_.Flush();  // ready for a restart after the end
    if (hr != S_OK) return hr;
  }
  return CTransformFilter::EndOfStream();
}

HRESULT CDecoderFilter::EndFlush() {
  decoder_.Flush();
  nextTime_ = kUnknownTime;
  discontinuity_ = true;
  return CTransformFilter::EndFlush();
}

HRESULT CDecoderFilter::NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) {
  rate_ = rate > 0 ? rate : 1.0;
  return CTransformFilter::NewSegment(start, stop, rate);
}

}  // namespace ffmedia
