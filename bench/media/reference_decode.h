#pragma once
// FFmpeg alone: demux, decode and convert every picture of a file to packed bgr24, as fast
// as it goes. The yardstick for decoding through the filter graph.

#include <string>

struct DecodeRun {
  int frames = 0;
  double seconds = 0;     // wall clock
  double cpuSeconds = 0;  // all threads of the process, user and system
  bool ok = false;
};

// CPU time used so far by every thread of the process.
double ProcessCpuSeconds();

DecodeRun ReferenceDecode(const std::string& path);
