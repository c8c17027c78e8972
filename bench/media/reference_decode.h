#pragma once
// FFmpeg alone: demux, decode and convert every picture of a file to packed bgr24, as fast
// as it goes. The yardstick for decoding through the filter graph.

#include <string>

struct DecodeRun {
  int frames = 0;
  double seconds = 0;
  bool ok = false;
};

DecodeRun ReferenceDecode(const std::string& path);
