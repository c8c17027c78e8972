#pragma once
// The capture source filter of a video capture device: a live source with one output pin,
// "Preview" (category PIN_CATEGORY_PREVIEW), delivering the device's pictures as they come,
// stamped from the first picture of each run. The pin offers the device's raw picture format
// first and 24-bit bottom-up RGB second, so it connects to an RGB renderer directly or
// through the colour converter.

#include <functional>
#include <string>

#include "platform/dshow/base/source.h"
#include "platform/dshow/ffmpeg/media_decoder.h"
#include "platform/dshow/ffmpeg/media_demuxer.h"
#include "platform/dshow/ffmpeg/raw_picture_writer.h"
#include "platform/dshow/ffmpeg/rgb24_converter.h"

namespace ffmedia {

inline constexpr CLSID CLSID_CaptureSourceFilter{
    0x47B8C6E3, 0x2D15, 0x4F90, {0xA4, 0x6E, 0xB1, 0x08, 0x5C, 0x3F, 0x97, 0x2A}};

class CCaptureSourceFilter;

class CCapturePreviewPin : public CSourceStream {
 public:
  CCapturePreviewPin(CCaptureSourceFilter* filter, HRESULT* result);

  HRESULT CheckMediaType(const CMediaType* mt) override;
  HRESULT GetMediaType(int position, CMediaType* mt) override;
  HRESULT SetMediaType(const CMediaType* mt) override;
  HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) override;
  HRESULT OnThreadCreate() override;
  HRESULT FillBuffer(IMediaSample* sample) override;

 private:
  int ReadPicture();  // the next decoded picture into frame_; 0 or a negative AVERROR

  CCaptureSourceFilter* capture_;
  bool rgbOutput_ = false;  // the connected type: RGB24, or the raw picture type
  // Streaming thread.
  Decoder decoder_;
  FramePtr frame_;
  PacketPtr packet_;
  RawPictureWriter writer_;
  Rgb24Converter converter_;
  REFERENCE_TIME firstTime_ = kUnknownTime;
};

class CCaptureSourceFilter : public CSource {
 public:
  // Opens a live input: `open` fills the demuxer (OpenFilterGraphInput, OpenV4l2Input) and
  // returns 0 or a negative AVERROR. Null with *result set when the input cannot be opened
  // or has no video.
  static CCaptureSourceFilter* Create(const std::function<int(Demuxer&)>& open, HRESULT* result);
  ~CCaptureSourceFilter() override;

  ULONG GetMiscFlags() override { return AM_FILTER_MISC_FLAGS_IS_SOURCE; }
  // A live source: while paused the graph does not wait for it.
  HRESULT GetState(DWORD msTimeout, FILTER_STATE* state) override;
  HRESULT Stop() override;

  Demuxer& Input() { return input_; }
  int VideoStream() const { return videoStream_; }
  const CMediaType& NativeType() const { return nativeType_; }
  const CMediaType& RgbType() const { return rgbType_; }

 private:
  CCaptureSourceFilter();

  Demuxer input_;
  int videoStream_ = -1;
  CMediaType nativeType_;
  CMediaType rgbType_;
};

}  // namespace ffmedia
