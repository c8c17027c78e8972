#pragma once
// Live video sources opened through libavdevice: V4L2 devices of this machine, and virtual
// devices made from an FFmpeg filter graph description (a test pattern such as
// "testsrc=size=320x240:rate=30"), so capture works on machines without a camera.

#include <string>
#include <vector>

#include "platform/dshow/ffmpeg/media_demuxer.h"

namespace ffmedia {

struct V4l2Device {
  std::string path;      // "/dev/video0"
  std::string cardName;  // the driver's card name; empty when it could not be read
};

// The V4L2 video devices present, in the order the system lists them.
std::vector<V4l2Device> ListV4l2Devices();

// Opens a V4L2 device as a live input.
int OpenV4l2Input(Demuxer& input, const std::string& path);

// Opens a filter graph description as a live input with one video stream.
int OpenFilterGraphInput(Demuxer& input, const std::string& description);

}  // namespace ffmedia
