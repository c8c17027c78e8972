#include "platform/dshow/ffmpeg/ffmpeg_filters.h"

#include <mutex>

#include "platform/dshow/device_registry.h"
#include "platform/dshow/ffmpeg/audio_decoder_filter.h"
#include "platform/dshow/ffmpeg/capture_inputs.h"
#include "platform/dshow/ffmpeg/capture_source_filter.h"
#include "platform/dshow/ffmpeg/media_splitter.h"
#include "platform/dshow/ffmpeg/rgb_converter_filter.h"
#include "platform/dshow/ffmpeg/video_decoder_filter.h"
#include "platform/dshow/filter_registry.h"

namespace {

using namespace ffmedia;

template <class Filter>
IBaseFilter* Create(HRESULT* result) {
  auto* filter = new Filter();
  filter->NonDelegatingAddRef();
  if (result) *result = S_OK;
  return filter;
}

FilterFactory CaptureFactory(std::function<int(Demuxer&)> open) {
  return [open = std::move(open)](HRESULT* result) -> IBaseFilter* {
    return CCaptureSourceFilter::Create(open, result);
  };
}

std::vector<VideoCaptureDevice> V4l2CaptureDevices() {
  std::vector<VideoCaptureDevice> devices;
  for (const V4l2Device& device : ListV4l2Devices()) {
    const std::string path = device.path;
    devices.push_back({device.cardName, !device.cardName.empty(),
                       CaptureFactory([path](Demuxer& input) { return OpenV4l2Input(input, path); })});
  }
  return devices;
}

// The library's initialisation.
const bool registered = (RegisterFfmpegFilters(), true);

}  // namespace

void RegisterFfmpegFilters() {
  static std::once_flag once;
  std::call_once(once, [] {
    // FFmpeg's own diagnostics would go to stderr for every probe of a file that is no
    // media; failures reach the caller as result codes instead.
    av_log_set_level(AV_LOG_FATAL);
    RegisterSourceFilter(u"Media Source", MERIT_NORMAL,
                         [](const std::u16string& url, HRESULT* result) -> IBaseFilter* {
                           return CMediaSplitter::Open(url, result);
                         });
    RegisterTransformFilter(u"Video Decoder", CLSID_VideoDecoderFilter, MERIT_NORMAL,
                            &Create<CVideoDecoderFilter>);
    RegisterTransformFilter(u"Audio Decoder", CLSID_AudioDecoderFilter, MERIT_NORMAL,
                            &Create<CAudioDecoderFilter>);
    RegisterTransformFilter(u"Colour Converter", CLSID_RgbConverterFilter, MERIT_NORMAL,
                            &Create<CRgbConverterFilter>);
    RegisterVideoCaptureProvider(&V4l2CaptureDevices);
  });
}

int RegisterFilterGraphCaptureDevice(const std::string& friendlyName,
                                     const std::string& description, bool nameReadable) {
  RegisterFfmpegFilters();
  return RegisterVideoCaptureDevice(
      friendlyName,
      CaptureFactory([description](Demuxer& input) { return OpenFilterGraphInput(input, description); }),
      nameReadable);
}
