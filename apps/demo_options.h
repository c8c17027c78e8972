#pragma once
// The demo's command line.

#include <string>
#include <vector>

struct DemoOptions {
  enum class MediaKind { GeneratedClip, File, Url, Capture };

  std::string levelFile;  // empty: the built-in level
  MediaKind media = MediaKind::GeneratedClip;
  std::string mediaSource;  // file or URL
  unsigned long captureIndex = 0;
  bool listDevices = false;
  int frames = 600;
  std::string outFolder = "out/demo";
  bool paced = true;
  bool help = false;
};

// Parses the arguments after the program name. False with a one-line reason in error.
bool ParseDemoOptions(const std::vector<std::string>& arguments, DemoOptions* options, std::string* error);

// The --help text.
std::string DemoUsage();
