#include "apps/demo_options.h"

#include <cerrno>
#include <cstdlib>

namespace {

// A whole decimal number in [low, high].
bool ParseCount(const std::string& text, long long low, long long high, long long* value) {
  if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos || text.size() > 12) return false;
  errno = 0;
  const long long v = std::strtoll(text.c_str(), nullptr, 10);
  if (errno || v < low || v > high) return false;
  *value = v;
  return true;
}

bool LooksLikeUrl(const std::string& source) { return source.find("://") != std::string::npos; }

}  // namespace

bool ParseDemoOptions(const std::vector<std::string>& arguments, DemoOptions* options, std::string* error) {
  bool mediaGiven = false;
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string& name = arguments[i];
    const bool takesValue = name == "--level" || name == "--media" || name == "--capture" || name == "--frames" ||
                            name == "--out";
    if (takesValue && i + 1 >= arguments.size()) {
      *error = "option " + name + " needs a value";
      return false;
    }
    const std::string value = takesValue ? arguments[++i] : std::string();
    if (takesValue && value.empty()) {
      *error = "option " + name + " needs a value";
      return false;
    }
    long long number = 0;
    if (name == "--help" || name == "-h") {
      options->help = true;
    } else if (name == "--unpaced") {
      options->paced = false;
    } else if (name == "--list-devices") {
      options->listDevices = true;
    } else if (name == "--level") {
      options->levelFile = value;
    } else if (name == "--out") {
      options->outFolder = value;
    } else if (name == "--frames") {
      if (!ParseCount(value, 1, 10000000, &number)) {
        *error = "--frames takes a whole number from 1 to 10000000, not '" + value + "'";
        return false;
      }
      options->frames = static_cast<int>(number);
    } else if (name == "--media" || name == "--capture") {
      if (mediaGiven) {
        *error = "give one media source: --media or --capture, once";
        return false;
      }
      mediaGiven = true;
      if (name == "--capture") {
        if (!ParseCount(value, 0, 1000000, &number)) {
          *error = "--capture takes a device number (see --list-devices), not '" + value + "'";
          return false;
        }
        options->media = DemoOptions::MediaKind::Capture;
        options->captureIndex = static_cast<unsigned long>(number);
      } else {
        options->media = LooksLikeUrl(value) ? DemoOptions::MediaKind::Url : DemoOptions::MediaKind::File;
        options->mediaSource = value;
      }
    } else {
      *error = "unknown argument '" + name + "' (see --help)";
      return false;
    }
  }
  return true;
}

std::string DemoUsage() {
  return "usage: corvane_demo [options]\n"
         "\n"
         "Builds an application in the host from the three plug-ins: a level of 3D objects with\n"
         "collision objects, a fast collision response walking an ellipsoid through it and a media\n"
         "texture playing a clip. Runs it, draws the path, saves the application, loads it into a\n"
         "fresh host and checks that it behaves the same.\n"
         "\n"
         "  --level FILE       a level mesh read with Assimp (OBJ, glTF, PLY, ...) in place of the\n"
         "                     built-in level\n"
         "  --media FILE|URL   the media texture's source in place of the generated clip\n"
         "  --capture N        the media texture shows video capture device N\n"
         "  --list-devices     lists the video capture devices and exits\n"
         "  --frames N         frames to run (default 600, ten seconds)\n"
         "  --out DIR          output folder (default out/demo)\n"
         "  --unpaced          runs the frames as fast as they go instead of 60 per second\n"
         "  --help             this text\n"
         "\n"
         "Writes DIR/path.png, DIR/texture-NNN.png and DIR/demo.cvapp; the generated clip is kept\n"
         "as DIR/clip.avi, and the reloaded application extracts its media into DIR/cache/movies.\n";
}
