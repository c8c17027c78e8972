#include "apps/media_feed.h"

#include <cstring>
#include <filesystem>

#include "frame/type_guids.h"
#include "platform/d3d8/png_writer.h"

namespace {

// Opens text through the channel's only opening operation, which takes a writable buffer.
bool Open(Kv_DX8_MediaTexture* media, const std::string& text) {
  std::vector<char> buffer(text.begin(), text.end());
  buffer.push_back('\0');
  return media->LoadTextureFromFile(buffer.data());
}

}  // namespace

bool MediaPluginAvailable(const HxEngine& engine) {
  std::error_code ignored;
  return std::filesystem::exists(std::filesystem::path(engine.GetPluginFolder()) /
                                     (std::string(type_guids::kMediaTexture) + ".so"),
                                 ignored);
}

Kv_DX8_MediaTexture* CreateMediaTexture(HxEngine& engine, std::string* error) {
  if (!MediaPluginAvailable(engine)) {
    *error = "media texture plug-in not available";
    return nullptr;
  }
  auto* media = static_cast<Kv_DX8_MediaTexture*>(engine.CreateChannel(MakeGuid(type_guids::kMediaTexture)));
  if (!media) *error = "media texture plug-in not available (it did not load)";
  return media;
}

bool OpenMediaSource(Kv_DX8_MediaTexture* media, const DemoOptions& options, const std::string& file,
                     std::string* error) {
  media->SetLoopingEnabled(true);
  media->SetPlayLoad(true);
  media->SetIncludeMediaFile(true);
  std::string source = file;
  switch (options.media) {
    case DemoOptions::MediaKind::GeneratedClip:
    case DemoOptions::MediaKind::File:
      if (file.size() >= sizeof media->fileName) return *error = "media file path too long: " + file, false;
      media->SetMediaType(Kv_DX8_MediaTexture::eMediaFile);
      break;
    case DemoOptions::MediaKind::Url:
      source = options.mediaSource;
      if (source.size() >= sizeof media->mediaUrl) return *error = "media URL too long: " + source, false;
      media->SetMediaType(Kv_DX8_MediaTexture::eMediaURL);
      break;
    case DemoOptions::MediaKind::Capture: {
      const int count = media->GetCaptureDevicesCount();
      if (options.captureIndex >= static_cast<unsigned long>(count)) {
        *error = "no capture device " + std::to_string(options.captureIndex) + " (" + std::to_string(count) +
                 " found; see --list-devices)";
        return false;
      }
      media->SelectCaptureDeviceByIndex(options.captureIndex);
      media->SetMediaType(Kv_DX8_MediaTexture::eMediaCapture);
      source = "capture device " + std::to_string(options.captureIndex);
      break;
    }
  }
  if (!Open(media, source)) {
    *error = "media source cannot be opened: " + source;
    return false;
  }
  return true;
}

std::vector<std::string> CaptureDeviceLines(Kv_DX8_MediaTexture* media) {
  std::vector<std::string> lines;
  const int count = media->GetCaptureDevicesCount();
  for (int i = 0; i < count; ++i) {
    const char* name = media->GetCaptureDeviceName(static_cast<unsigned long>(i));
    lines.push_back(std::to_string(i) + ": " + (name ? name : "(no name)"));
  }
  return lines;
}

bool TextureConsumer::Bind() {
  device_->ClearCalls();
  media_->SetTexture(0);
  bool copied = false;
  for (const DeviceCall& call : device_->Calls())
    if (call.kind == DeviceCallKind::CopyRects && call.result == D3D_OK) copied = true;
  device_->ClearCalls();
  if (copied) ++framesShown_;
  return copied;
}

bool TextureConsumer::SaveBoundTexture(const std::string& file) {
  IDirect3DBaseTexture8* bound = nullptr;
  if (device_->GetTexture(0, &bound) != D3D_OK || !bound) return false;
  // The software device makes only 2D textures.
  const bool saved = SaveTextureToPng(static_cast<IDirect3DTexture8*>(bound), file.c_str()) == D3D_OK;
  bound->Release();
  return saved;
}
