// The demo: an application built in the host from the three plug-ins, loaded by their GUID file
// names and driven only through the host and their virtual operations. A level of 3D objects
// with collision objects, a fast collision response walking an ellipsoid through it, a media
// texture playing a clip; then pictures, the saved application, and a check that the saved
// file loads into a fresh host and behaves the same.

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "apps/clip_generator.h"
#include "apps/demo_options.h"
#include "apps/demo_scene.h"
#include "apps/demo_summary.h"
#include "apps/frame_loop.h"
#include "apps/level_import.h"
#include "apps/media_feed.h"
#include "apps/path_picture.h"
#include "apps/reload_check.h"
#include "platform/dshow/ffmpeg/ffmpeg_filters.h"

namespace {

namespace fs = std::filesystem;

constexpr int kReloadFrames = 60;

int Fail(const std::string& problem) {
  std::fprintf(stderr, "corvane_demo: %s\n", problem.c_str());
  return 1;
}

// The level the options ask for.
bool PrepareLevel(const DemoOptions& options, LevelDescription* level, std::string* error) {
  if (options.levelFile.empty()) {
    *level = BuiltInLevel();
    return true;
  }
  std::vector<Triangle> triangles;
  if (!ImportLevel(options.levelFile, &triangles, error)) return false;
  *level = RouteOverImportedLevel(std::move(triangles), fs::path(options.levelFile).filename().string());
  return true;
}

// The media file the texture opens: the generated clip, or the --media file; empty for a URL
// or a capture device.
bool PrepareMediaFile(const DemoOptions& options, std::string* file, std::string* error) {
  if (options.media == DemoOptions::MediaKind::GeneratedClip) {
    *file = (fs::path(options.outFolder) / "clip.avi").string();
    return EnsureClip(*file, ClipSettings{}, error);
  }
  if (options.media == DemoOptions::MediaKind::File) {
    std::error_code ignored;
    if (!fs::is_regular_file(options.mediaSource, ignored) || !std::ifstream(options.mediaSource, std::ios::binary))
      return *error = "cannot read media file " + options.mediaSource, false;
    *file = options.mediaSource;
  }
  return true;
}

// The media source as the summary names it.
std::string SourceName(const DemoOptions& options, const std::string& file) {
  if (options.media == DemoOptions::MediaKind::Url) return options.mediaSource;
  if (options.media == DemoOptions::MediaKind::Capture) return "capture device " + std::to_string(options.captureIndex);
  return file;
}

int ListDevices() {
  HxEngine engine;
  engine.errorMessage.SetEcho(false);
  std::string error;
  Kv_DX8_MediaTexture* media = CreateMediaTexture(engine, &error);
  if (!media) return Fail(error);
  const std::vector<std::string> lines = CaptureDeviceLines(media);
  std::printf("%zu video capture device%s\n", lines.size(), lines.size() == 1 ? "" : "s");
  for (const std::string& line : lines) std::printf("  %s\n", line.c_str());
  return 0;
}

std::vector<std::string> SinkMessages(const HxEngine& engine) {
  std::vector<std::string> messages;
  for (const std::string& m : engine.errorMessage.Received()) messages.push_back("error sink: " + m);
  for (const std::string& m : engine.secondMessage.Received()) messages.push_back("message sink: " + m);
  return messages;
}

// Holds the device for the engine's lifetime: declared before it, released after it.
struct DeviceHolder {
  DeviceHolder() : device(CreateSoftwareDevice()) {}
  ~DeviceHolder() { device->Release(); }
  SoftwareDevice* device;
};

int RunDemo(const DemoOptions& options) {
  std::string error;
  LevelDescription level;
  if (!PrepareLevel(options, &level, &error)) return Fail(error);
  std::error_code made;
  fs::create_directories(options.outFolder, made);
  if (made || !fs::is_directory(options.outFolder)) return Fail("cannot make output folder " + options.outFolder);

  DeviceHolder holder;
  HxEngine engine;
  engine.errorMessage.SetEcho(false);
  engine.secondMessage.SetEcho(false);
  engine.GetDirectGraphics().SetDevice(holder.device);
  DemoScene scene;
  if (!BuildScene(engine, level, &scene, &error)) return Fail(error);

  std::string mediaState, mediaFile;
  scene.media = CreateMediaTexture(engine, &mediaState);
  if (scene.media) {
    if (!PrepareMediaFile(options, &mediaFile, &error) || !OpenMediaSource(scene.media, options, mediaFile, &error))
      return Fail(error);
    mediaState = "playing " + SourceName(options, mediaFile);
  } else {
    std::printf("%s: the run goes on without it\n", mediaState.c_str());
  }
  std::printf("plug-ins from %s\nlevel: %zu objects; %d frames%s\n", engine.GetPluginFolder().c_str(),
              level.objects.size(), options.frames, options.paced ? " at 60 per second" : ", un-paced");

  RouteScript route(level.route, level.walk, level.fall, 4 * level.radius.x);
  TextureConsumer consumer(scene.media, holder.device);
  FrameLoop loop(engine, scene, route, scene.media ? &consumer : nullptr, options.paced);
  loop.Run(options.frames, options.outFolder);

  std::vector<std::string> files;
  const std::string picture = (fs::path(options.outFolder) / "path.png").string();
  if (!WritePathPicture(picture, level.objects, loop.Stats().path)) return Fail("cannot write " + picture);
  files.push_back(picture);
  for (const std::string& name : loop.Stats().texturePictures)
    files.push_back((fs::path(options.outFolder) / name).string());
  const std::string application = (fs::path(options.outFolder) / "demo.cvapp").string();
  if (!engine.SaveApplication(application.c_str())) return Fail("cannot save the application to " + application);
  files.push_back(application);

  const ReloadReport reload = CheckReload(application, options.outFolder, scene, engine, route, kReloadFrames, options.paced);
  PrintSummary({&loop.Stats(), &scene, &level.objects, mediaState, consumer.FramesShown(), &reload, files,
                SinkMessages(engine)});
  engine.GetDirectGraphics().SetDevice(nullptr);
  return reload.Matches() ? 0 : 3;
}

}  // namespace

int main(int argc, char** argv) {
  DemoOptions options;
  std::string error;
  if (!ParseDemoOptions(std::vector<std::string>(argv + 1, argv + argc), &options, &error)) return Fail(error);
  if (options.help) {
    std::fputs(DemoUsage().c_str(), stdout);
    return 0;
  }
  RegisterFfmpegFilters();
  if (options.listDevices) return ListDevices();
  return RunDemo(options);
}
