#pragma once
// A host engine with a software device and a media texture made by the runtime from its
// plug-in, a temporary folder for the test's files, and the generated clip the tests open.

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "frame/type_guids.h"
#include "host/hx_engine.h"
#include "media_texture/kv_dx8_media_texture.h"
#include "media_texture/media_graph_player.h"
#include "media_texture/texture_renderer.h"
#include "platform/d3d8/software_device.h"
#include "platform/dshow/ffmpeg/ffmpeg_filters.h"
#include "tests/platform/dshow_ffmpeg/test_media.h"

namespace media_scene {

namespace fs = std::filesystem;

inline std::vector<std::uint8_t> ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void WriteAll(const fs::path& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                              static_cast<std::streamsize>(bytes.size()));
}

inline bool Contains(const std::vector<std::string>& messages, const std::string& text) {
  return std::find(messages.begin(), messages.end(), text) != messages.end();
}

// The 30-frame lossless pattern of TestMedia (50 x 36, 10 frames per second) as FFV1 in AVI,
// made once per test program.
inline const std::vector<std::uint8_t>& ClipBytes() {
  static const std::vector<std::uint8_t> bytes = [] {
    const fs::path clip = TestMedia::Get().folder / "clip.avi";
    const std::string pattern = TestMedia::LosslessPattern() + ":duration=3";
    if (!RunFfmpeg("-f lavfi -i " + pattern + " -c:v ffv1 -g 10 -pix_fmt bgr0 '" + clip.string() + "'"))
      ADD_FAILURE() << "ffmpeg could not make clip.avi";
    return ReadAll(clip);
  }();
  return bytes;
}

// Frame n of the clip as the channel texture holds it: top-down 0xAARRGGBB, opaque.
inline std::vector<std::uint32_t> ClipFrameArgb(int n) {
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

// Waits for a condition that the graph's streaming thread brings about; false after a
// generous deadline.
template <class Condition>
bool WaitFor(Condition condition) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (!condition()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return true;
}

// A folder of its own for each test, removed afterwards.
class TempFolder {
 public:
  TempFolder() {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    path_ = fs::temp_directory_path() /
            ("corvane-media-channel-" + std::to_string(::getpid()) + "-" + (info ? info->name() : "x"));
    fs::remove_all(path_);
    fs::create_directories(path_);
  }
  ~TempFolder() {
    std::error_code ignored;
    fs::remove_all(path_, ignored);
  }
  const fs::path& Path() const { return path_; }
  // Writes the clip under name (folders made as needed) and returns its path.
  fs::path PutClip(const fs::path& name) const {
    const fs::path path = path_ / name;
    fs::create_directories(path.parent_path());
    WriteAll(path, ClipBytes());
    return path;
  }

 private:
  fs::path path_;
};

// Holds the device for the engine's lifetime: declared before the engine, released after it.
class DeviceHolder {
 public:
  explicit DeviceHolder(const SoftwareDeviceOptions& options) : device(CreateSoftwareDevice(options)) {}
  ~DeviceHolder() { device->Release(); }
  SoftwareDevice* device;
};

class Scene {
 public:
  explicit Scene(const std::string& applicationDirectory = {}, const SoftwareDeviceOptions& options = {})
      : holder(options), engine({}, applicationDirectory) {
    RegisterFfmpegFilters();
    engine.errorMessage.SetEcho(false);
    engine.secondMessage.SetEcho(false);
    engine.GetDirectGraphics().SetDevice(holder.device);
    channel = NewChannel();
  }
  ~Scene() { engine.GetDirectGraphics().SetDevice(nullptr); }

  Kv_DX8_MediaTexture* NewChannel() {
    return static_cast<Kv_DX8_MediaTexture*>(engine.CreateChannel(MakeGuid(type_guids::kMediaTexture)));
  }
  bool Open(const fs::path& path) {
    std::string text = path.string();
    return channel->LoadTextureFromFile(text.data());
  }
  TextureRenderer* Renderer() const { return channel->player->GetRenderer(); }
  std::vector<std::string> Errors() const { return engine.errorMessage.Received(); }
  SoftwareDevice* Device() const { return holder.device; }

  DeviceHolder holder;
  HxEngine engine;
  Kv_DX8_MediaTexture* channel = nullptr;
};

}  // namespace media_scene
