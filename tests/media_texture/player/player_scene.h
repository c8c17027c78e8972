#pragma once
// A player on the calling thread with an engine that collects its messages and a software
// device, the generated media it opens, and the helpers the player tests share.

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "host/hx_engine.h"
#include "media_texture/media_graph_player.h"
#include "media_texture/texture_renderer.h"
#include "platform/d3d8/software_device.h"
#include "platform/d3d8/texture_readback.h"
#include "platform/dshow/base/com_object.h"
#include "tests/platform/dshow_ffmpeg/test_media.h"

namespace player_scene {

// Waits for a condition that the graph's threads bring about, re-checking it every few
// milliseconds; false after a generous deadline.
template <class Condition>
bool WaitFor(Condition condition, std::chrono::seconds deadline = std::chrono::seconds(30)) {
  const auto end = std::chrono::steady_clock::now() + deadline;
  while (!condition()) {
    if (std::chrono::steady_clock::now() > end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return true;
}

// Media with sound and no video: one second of a sine in WAV.
inline const std::filesystem::path& AudioOnly() {
  static const std::filesystem::path path = [] {
    const std::filesystem::path p = TestMedia::Get().folder / "sine.wav";
    if (!RunFfmpeg("-f lavfi -i sine=frequency=440:sample_rate=44100:duration=1 '" + p.string() + "'"))
      ADD_FAILURE() << "ffmpeg could not make sine.wav";
    return p;
  }();
  return path;
}

// Frame n of the lossless pattern as a texture holds it: top-down 0xAARRGGBB, opaque.
inline std::vector<std::uint32_t> LosslessFrameArgb(int n) {
  const std::vector<std::uint8_t> bitmap = TestMedia::Get().LosslessBitmap(n);
  const int w = TestMedia::kLosslessWidth, h = TestMedia::kLosslessHeight, pitch = (w * 3 + 3) & ~3;
  std::vector<std::uint32_t> argb;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const std::uint8_t* p = bitmap.data() + static_cast<std::size_t>(h - 1 - y) * pitch + 3 * x;
      argb.push_back(0xFF000000u | std::uint32_t{p[2]} << 16 | std::uint32_t{p[1]} << 8 | p[0]);
    }
  return argb;
}

// Which frame of the lossless pattern the texture holds exactly, or -1.
inline int LosslessFrameIn(IDirect3DTexture8* texture) {
  std::vector<std::uint32_t> pixels;
  UINT w = 0, h = 0;
  if (FAILED(ReadTextureArgb(texture, &pixels, &w, &h))) return -1;
  if (int(w) != TestMedia::kLosslessWidth || int(h) != TestMedia::kLosslessHeight) return -1;
  for (int n = 0; n < TestMedia::kLosslessFrames; ++n)
    if (pixels == LosslessFrameArgb(n)) return n;
  return -1;
}

// Class IDs of the filters in the renderer's graph.
inline std::vector<CLSID> FilterClasses(TextureRenderer* renderer) {
  std::vector<CLSID> classes;
  ComPtr<IEnumFilters> filters;
  if (!renderer || !renderer->Graph() || FAILED(renderer->Graph()->EnumFilters(filters.put()))) return classes;
  for (IBaseFilter* f = nullptr; filters->Next(1, &f, nullptr) == S_OK;) {
    CLSID clsid;
    f->GetClassID(&clsid);
    classes.push_back(clsid);
    f->Release();
  }
  return classes;
}

inline bool HasClass(const std::vector<CLSID>& classes, const CLSID& clsid) {
  for (const CLSID& c : classes)
    if (c == clsid) return true;
  return false;
}

class Scene : public ::testing::Test {
 protected:
  Scene() {
    engine.errorMessage.SetEcho(false);
    device = CreateSoftwareDevice({});
  }
  ~Scene() override {
    player.reset();
    device->Release();
  }
  HRESULT Build(const std::filesystem::path& path) {
    return player->BuildFileGraph(path.string().c_str(), device);
  }
  std::vector<std::string> Messages() const { return engine.errorMessage.Received(); }

  HxEngine engine;  // current while the player is made: its messages go here
  SoftwareDevice* device;
  std::unique_ptr<MediaGraphPlayer> player = std::make_unique<MediaGraphPlayer>();
};

}  // namespace player_scene
