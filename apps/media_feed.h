#pragma once
// The media half of the demo: the "DX8 MediaTexture" channel made by the host, opened on the
// chosen source (the generated clip, a file, a URL or a capture device), looping and playing
// from the start; and the consumer side: binding its texture on the software device each
// frame, counting the frames it copies and writing some of them out as PNG.

#include <string>
#include <vector>

#include "apps/demo_options.h"
#include "host/hx_engine.h"
#include "media_texture/kv_dx8_media_texture.h"
#include "platform/d3d8/software_device.h"

// Whether the media texture plug-in's library is in the engine's plug-in folder.
bool MediaPluginAvailable(const HxEngine& engine);

// A new media texture channel; null with a reason in error.
Kv_DX8_MediaTexture* CreateMediaTexture(HxEngine& engine, std::string* error);

// Opens the source the options name (file is the path for the generated clip and --media
// FILE). Looping and play-on-load are on and the file is embedded when saved. False with a
// one-line reason when the source cannot be opened.
bool OpenMediaSource(Kv_DX8_MediaTexture* media, const DemoOptions& options, const std::string& file,
                     std::string* error);

// "N: name" lines for the capture devices the channel sees.
std::vector<std::string> CaptureDeviceLines(Kv_DX8_MediaTexture* media);

// Binds the channel's texture on stage 0 as a drawing consumer does and watches the device
// for the frame copies this causes.
class TextureConsumer {
 public:
  TextureConsumer(Kv_DX8_MediaTexture* media, SoftwareDevice* device) : media_(media), device_(device) {}

  // One SetTexture; true when it copied a new frame into the channel texture.
  bool Bind();
  // Writes the texture bound on stage 0 as PNG; false when none is bound or writing failed.
  bool SaveBoundTexture(const std::string& file);
  int FramesShown() const { return framesShown_; }

 private:
  Kv_DX8_MediaTexture* media_;
  SoftwareDevice* device_;
  int framesShown_ = 0;
};
