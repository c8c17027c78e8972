#include "platform/dshow/ffmpeg/capture_source_filter.h"

#include "platform/dshow/ffmpeg/stream_media_types.h"

namespace ffmedia {

namespace {

REFERENCE_TIME FrameTime(const AVStream& stream) {
  const AVRational rate = stream.avg_frame_rate.num > 0 ? stream.avg_frame_rate : stream.r_frame_rate;
  if (rate.num <= 0 || rate.den <= 0) return 333'333;
  return av_rescale(10'000'000, rate.den, rate.num);
}

}  // namespace

// --- pin ------------------------------------------------------------------------------------

CCapturePreviewPin::CCapturePreviewPin(CCaptureSourceFilter* filter, HRESULT* result)
    : CSourceStream("capture preview pin", result, filter, u"Preview"),
      capture_(filter),
      frame_(MakeFrame()),
      packet_(MakePacket()) {
  SetCategory(PIN_CATEGORY_PREVIEW);
}

HRESULT CCapturePreviewPin::CheckMediaType(const CMediaType* mt) {
  if (!mt) return E_POINTER;
  return *mt == capture_->NativeType() || *mt == capture_->RgbType() ? S_OK
                                                                     : VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT CCapturePreviewPin::GetMediaType(int position, CMediaType* mt) {
  if (position < 0) return E_INVALIDARG;
  if (position > 1) return VFW_S_NO_MORE_ITEMS;
  *mt = position == 0 ? capture_->NativeType() : capture_->RgbType();
  return S_OK;
}

HRESULT CCapturePreviewPin::SetMediaType(const CMediaType* mt) {
  const HRESULT hr = CSourceStream::SetMediaType(mt);
  if (SUCCEEDED(hr)) rgbOutput_ = mt->subtype == MEDIASUBTYPE_RGB24;
  return hr;
}

HRESULT CCapturePreviewPin::DecideBufferSize(IMemAllocator* allocator,
                                             ALLOCATOR_PROPERTIES* request) {
  const CMediaType& type = rgbOutput_ ? capture_->RgbType() : capture_->NativeType();
  ALLOCATOR_PROPERTIES wanted = *request;
  wanted.cbBuffer = static_cast<LONG>(type.VideoInfo()->bmiHeader.biSizeImage);
  wanted.cBuffers = std::max<LONG>(wanted.cBuffers, 3);
  wanted.cbAlign = std::max<LONG>(wanted.cbAlign, 1);
  ALLOCATOR_PROPERTIES actual{};
  const HRESULT hr = allocator->SetProperties(&wanted, &actual);
  if (FAILED(hr)) return hr;
  return actual.cbBuffer < wanted.cbBuffer ? E_FAIL : S_OK;
}

HRESULT CCapturePreviewPin::OnThreadCreate() {
  firstTime_ = kUnknownTime;
  if (decoder_.IsOpen()) {
    decoder_.Flush();
    return S_OK;
  }
  const AVStream* stream = capture_->Input().Stream(capture_->VideoStream());
  return decoder_.Open(stream->codecpar, stream->time_base, 1) < 0 ? E_FAIL : S_OK;
}

int CCapturePreviewPin::ReadPicture() {
  for (;;) {
    const int received = decoder_.Receive(frame_.get());
    if (received != AVERROR(EAGAIN)) return received;
    if (StopRequested()) return AVERROR_EXIT;
    const int read = capture_->Input().ReadPacket(packet_.get());
    if (read == AVERROR(EAGAIN)) continue;
    if (read < 0) {
      decoder_.Send(nullptr);  // the device is gone: hand out what is left, then end
      continue;
    }
    if (packet_->stream_index == capture_->VideoStream()) decoder_.Send(packet_.get());
    av_packet_unref(packet_.get());
  }
}

HRESULT CCapturePreviewPin::FillBuffer(IMediaSample* sample) {
  for (;;) {
    const int read = ReadPicture();
    if (read == AVERROR_EOF || read == AVERROR_EXIT) return S_FALSE;
    if (read < 0) return E_FAIL;

    const AVStream* stream = capture_->Input().Stream(capture_->VideoStream());
    const REFERENCE_TIME time = ToReferenceTime(frame_->best_effort_timestamp, stream->time_base);
    BYTE* buffer = nullptr;
    sample->GetPointer(&buffer);
    const auto size = static_cast<std::size_t>(sample->GetSize());
    const VIDEOINFOHEADER* info =
        (rgbOutput_ ? capture_->RgbType() : capture_->NativeType()).VideoInfo();
    const int width = info->bmiHeader.biWidth;
    const int height = info->bmiHeader.biHeight;
    const bool written =
        rgbOutput_
            ? frame_->width == width && frame_->height == height &&
                  converter_.Convert(*frame_, buffer, size)
            : writer_.Write(*frame_, RawPictureFormat(capture_->NativeType().subtype), width,
                            height, buffer, size);
    av_frame_unref(frame_.get());
    if (!written) continue;  // a picture of another size than connected is dropped

    sample->SetActualDataLength(static_cast<LONG>(info->bmiHeader.biSizeImage));
    if (time != kUnknownTime) {
      if (firstTime_ == kUnknownTime) firstTime_ = time;
      REFERENCE_TIME start = time - firstTime_;
      REFERENCE_TIME end = start + info->AvgTimePerFrame;
      sample->SetTime(&start, &end);
    } else {
      sample->SetTime(nullptr, nullptr);
    }
    sample->SetSyncPoint(TRUE);
    return S_OK;
  }
}

// --- filter ---------------------------------------------------------------------------------

CCaptureSourceFilter::CCaptureSourceFilter()
    : CSource("capture source", nullptr, CLSID_CaptureSourceFilter) {}

CCaptureSourceFilter* CCaptureSourceFilter::Create(const std::function<int(Demuxer&)>& open,
                                                   HRESULT* result) {
  auto fail = [result](HRESULT hr) -> CCaptureSourceFilter* {
    if (result) *result = hr;
    return nullptr;
  };
  auto* filter = new CCaptureSourceFilter();
  filter->NonDelegatingAddRef();
  if (open(filter->input_) < 0) {
    filter->NonDelegatingRelease();
    return fail(E_FAIL);
  }
  for (int i = 0; i < filter->input_.StreamCount() && filter->videoStream_ < 0; ++i) {
    const AVCodecParameters* p = filter->input_.Stream(i)->codecpar;
    if (p->codec_type == AVMEDIA_TYPE_VIDEO && p->width > 0 && p->height > 0)
      filter->videoStream_ = i;
  }
  if (filter->videoStream_ < 0) {
    filter->NonDelegatingRelease();
    return fail(VFW_E_UNSUPPORTED_STREAM);
  }
  const AVStream& stream = *filter->input_.Stream(filter->videoStream_);
  const AVCodecParameters& p = *stream.codecpar;
  filter->nativeType_ =
      MakeRawPictureType(DecodedPictureFormat(p), p.width, p.height, FrameTime(stream));
  filter->rgbType_ = MakeRgbVideoType(p.width, p.height, 24, FrameTime(stream));
  HRESULT hr = S_OK;
  new CCapturePreviewPin(filter, &hr);
  if (FAILED(hr)) {
    filter->NonDelegatingRelease();
    return fail(hr);
  }
  if (result) *result = S_OK;
  return filter;
}

CCaptureSourceFilter::~CCaptureSourceFilter() { Stop(); }

HRESULT CCaptureSourceFilter::GetState(DWORD msTimeout, FILTER_STATE* state) {
  const HRESULT hr = CSource::GetState(msTimeout, state);
  return SUCCEEDED(hr) && *state == State_Paused ? VFW_S_CANT_CUE : hr;
}

HRESULT CCaptureSourceFilter::Stop() {
  std::lock_guard lock(filterLock_);
  if (IsStopped()) return S_OK;
  input_.RequestAbort();
  const HRESULT hr = CSource::Stop();
  input_.ClearAbort();
  return hr;
}

}  // namespace ffmedia
