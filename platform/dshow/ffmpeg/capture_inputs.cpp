#include "platform/dshow/ffmpeg/capture_inputs.h"

#include <mutex>

extern "C" {
#include <libavdevice/avdevice.h>
}

namespace ffmedia {

namespace {

void RegisterDevicesOnce() {
  static std::once_flag once;
  std::call_once(once, [] { avdevice_register_all(); });
}

const AVInputFormat* DeviceFormat(const char* name) {
  RegisterDevicesOnce();
  return av_find_input_format(name);
}

}  // namespace

std::vector<V4l2Device> ListV4l2Devices() {
  std::vector<V4l2Device> devices;
  const AVInputFormat* format = DeviceFormat("video4linux2");
  if (!format) return devices;
  AVDeviceInfoList* list = nullptr;
  if (avdevice_list_input_sources(format, nullptr, nullptr, &list) >= 0 && list) {
    for (int i = 0; i < list->nb_devices; ++i) {
      const AVDeviceInfo* info = list->devices[i];
      devices.push_back({info->device_name ? info->device_name : "",
                         info->device_description ? info->device_description : ""});
    }
  }
  avdevice_free_list_devices(&list);
  return devices;
}

int OpenV4l2Input(Demuxer& input, const std::string& path) {
  const AVInputFormat* format = DeviceFormat("video4linux2");
  if (!format) return AVERROR_DEMUXER_NOT_FOUND;
  return input.Open(path, format);
}

int OpenFilterGraphInput(Demuxer& input, const std::string& description) {
  const AVInputFormat* format = DeviceFormat("lavfi");
  if (!format) return AVERROR_DEMUXER_NOT_FOUND;
  const int result = input.Open(description, format);
  if (result < 0) return result;
  if (input.StreamCount() != 1 || input.Stream(0)->codecpar->codec_type != AVMEDIA_TYPE_VIDEO)
    return AVERROR(EINVAL);
  return 0;
}

}  // namespace ffmedia
