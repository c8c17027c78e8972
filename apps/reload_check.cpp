#include "apps/reload_check.h"

#include <algorithm>
#include <cmath>
#include <filesystem>

#include "apps/frame_loop.h"
#include "apps/media_feed.h"
#include "platform/d3d8/software_device.h"

namespace {

// Teleports the original's ellipsoid onto its own position: one frame away from it and one
// back, each taken as a teleport, which drops the carried velocity.
void Restart(HxEngine& engine, DemoScene& scene) {
  const D3DXVECTOR3 here = scene.Position()->GetVector();
  scene.Position()->SetVector(here + D3DXVECTOR3{0, 1, 0});
  engine.BeginFrame();
  scene.response->GetVector();
  scene.Position()->SetVector(here);
  engine.BeginFrame();
  scene.response->GetVector();
}

bool InsideFolder(const std::filesystem::path& file, const std::filesystem::path& folder) {
  std::error_code ignored;
  const auto f = std::filesystem::weakly_canonical(file, ignored), d = std::filesystem::weakly_canonical(folder, ignored);
  return std::mismatch(d.begin(), d.end(), f.begin(), f.end()).first == d.end();
}

// Holds a device for as long as the host that uses it.
struct DeviceHolder {
  DeviceHolder() : device(CreateSoftwareDevice()) {}
  ~DeviceHolder() { device->Release(); }
  SoftwareDevice* device;
};

}  // namespace

bool ReloadReport::Matches() const {
  return loaded && framesCompared > 0 && framesMatching == framesCompared && (!mediaChecked || mediaPlaying);
}

ReloadReport CheckReload(const std::string& file, const std::string& applicationDirectory, DemoScene& original,
                         HxEngine& originalEngine, const RouteScript& route, int frames, bool paced) {
  ReloadReport report;
  DeviceHolder holder;
  HxEngine engine({}, applicationDirectory);
  engine.errorMessage.SetEcho(false);
  engine.secondMessage.SetEcho(false);
  engine.GetDirectGraphics().SetDevice(holder.device);
  DemoScene loaded;
  if (!engine.LoadApplication(file.c_str())) {
    report.problem = "the host could not load " + file;
  } else if (FindScene(engine, &loaded, &report.problem)) {
    report.loaded = true;
  }
  if (report.loaded) {
    Restart(originalEngine, original);
    RouteScript originalRoute = route, loadedRoute = route;
    TextureConsumer consumer(loaded.media, holder.device);
    FrameLoop reference(originalEngine, original, originalRoute, nullptr, false);
    FrameLoop replay(engine, loaded, loadedRoute, loaded.media ? &consumer : nullptr, paced);
    // The loaded response's first evaluation takes its position as it is.
    engine.BeginFrame();
    loaded.response->GetVector();
    for (int i = 0; i < frames; ++i) {
      const D3DXVECTOR3 want = reference.Frame(), got = replay.Frame();
      const D3DXVECTOR3 gap = got - want;
      const float difference = D3DXVec3Length(&gap);
      report.largestDifference = std::max(report.largestDifference, std::isnan(difference) ? INFINITY : difference);
      ++report.framesCompared;
      report.framesMatching += difference <= 1e-5f ? 1 : 0;
    }
    if (loaded.media) {
      report.mediaChecked = true;
      if (consumer.FramesShown() == 0) replay.WaitForVideoFrame(10.0);
      report.mediaFramesShown = consumer.FramesShown();
      report.mediaPlaying =
          report.mediaFramesShown > 0 && loaded.media->GetPlaybackStatus() == Kv_DX8_MediaTexture::ePlaying;
      if (loaded.media->GetMediaType() == Kv_DX8_MediaTexture::eMediaFile) {
        report.extractedMedia = loaded.media->GetFileName();
        std::error_code ignored;
        report.extractedIntoCache =
            std::filesystem::is_regular_file(report.extractedMedia, ignored) &&
            InsideFolder(report.extractedMedia, std::filesystem::path(applicationDirectory) / "cache" / "movies");
        report.mediaPlaying = report.mediaPlaying && report.extractedIntoCache;
      }
    }
  }
  for (const std::string& m : engine.errorMessage.Received()) report.messages.push_back("reloaded host, error sink: " + m);
  for (const std::string& m : engine.secondMessage.Received()) report.messages.push_back("reloaded host, message sink: " + m);
  engine.GetDirectGraphics().SetDevice(nullptr);
  return report;
}
