#include "media_texture/kv_dx8_media_texture.h"

#include <cstring>
#include <string>

#include "frame/type_guids.h"
#include "host/hx_engine.h"
#include "host/siblings/value/value_channel.h"
#include "media_texture/media_graph_player.h"
#include "media_texture/texture_renderer.h"
#include "platform/d3dx/d3dx8_texture.h"

CORVANE_PLUGIN_ENTRY(Kv_DX8_MediaTexture, "DX8 MediaTexture", type_guids::kMediaTexture, type_guids::kTexture, 1)

namespace {

constexpr char kDefaultUrl[] = "http://";

template <std::size_t N>
void SetText(char (&buffer)[N], const char* text) {
  std::strncpy(buffer, text, N - 1);
  buffer[N - 1] = 0;
}

// The text after the last separator; '\' and '/' both separate on this platform.
const char* LastPathComponent(const char* path) {
  const char* last = path;
  for (const char* c = path; *c; ++c)
    if (*c == '\\' || *c == '/') last = c + 1;
  return last;
}

}  // namespace

Kv_DX8_MediaTexture::Kv_DX8_MediaTexture()
    : fileName{}, mediaUrl{}, includeMediaFile(true), truncatedFileName{}, player(nullptr), mediaType(eMediaFile),
      playbackRate(0.0f) {
  SetChannelName("DX8 MediaTexture");
  SetText(mediaUrl, kDefaultUrl);
  SetChildCreationCount(0);
  // Initialises COM on this thread and lists the capture devices.
  player = new MediaGraphPlayer();
  player->SetOwner(this);
  player->SetMessageEngine(engine);  // the graph builder's messages go to the owner's engine
  playbackRate = 1.0f;
}

Kv_DX8_MediaTexture::~Kv_DX8_MediaTexture() {
  // The graph goes first: its renderer writes into a texture on the device the base still knows.
  delete player;
  player = nullptr;
}

Kv_DX8_MediaTexture::Kv_DX8_MediaTexture(const Kv_DX8_MediaTexture& other)
    : Kv_DX8_Texture(other), fileName{}, mediaUrl{}, includeMediaFile(true), truncatedFileName{},
      player(new MediaGraphPlayer()), mediaType(eMediaFile), playbackRate(1.0f) {
  player->SetOwner(this);
  player->SetMessageEngine(engine);
  Kv_DX8_Texture::Release();  // the copy's texture would be fed by no graph
  CopySettings(other);
}

Kv_DX8_MediaTexture& Kv_DX8_MediaTexture::operator=(const Kv_DX8_MediaTexture& other) {
  if (this == &other) return *this;
  Kv_DX8_Texture::operator=(other);
  player->Teardown();
  Kv_DX8_Texture::Release();
  CopySettings(other);
  return *this;
}

void Kv_DX8_MediaTexture::CopySettings(const Kv_DX8_MediaTexture& other) {
  std::memcpy(fileName, other.fileName, sizeof fileName);
  std::memcpy(mediaUrl, other.mediaUrl, sizeof mediaUrl);
  includeMediaFile = other.includeMediaFile;
  std::memcpy(truncatedFileName, other.truncatedFileName, sizeof truncatedFileName);
  mediaType = other.mediaType;
  playbackRate = other.playbackRate;
  if (!other.player) return;
  player->SetNoSound(other.player->GetNoSound());
  player->SetPlayLoad(other.player->GetPlayLoad());
  player->SetLooping(other.player->GetLooping());
  player->SetEndPosition(other.player->GetEndPosition(), false);
  player->SetStartPosition(other.player->GetStartPosition(), false);
  player->SelectCaptureDevice(other.player->GetSelectedCaptureDevice());
  player->SetRate(other.player->GetRate());
}

// ---- Opening and feeding the device

void Kv_DX8_MediaTexture::FailOpen() {
  if (engine) engine->errorMessage("Error loading texture");
  fileName[0] = 0;
  SetText(mediaUrl, kDefaultUrl);
}

bool Kv_DX8_MediaTexture::LoadTextureFromFile(char* source) {
  if (!source || !*source || std::strcmp(source, kDefaultUrl) == 0 || !player) return false;
  if (mediaType == eMediaCapture && player->GetSelectedCaptureDevice() == -1) return false;
  // source may be one of our own buffers (SetTexture passes fileName), which step 7 rewrites.
  const std::string text(source);

  Kv_DX8_Texture::Release();
  player->Teardown();

  IDirect3DDevice8* device = GetDevice();
  if (!device) return false;

  HRESULT built = E_FAIL;
  switch (mediaType) {
    case eMediaFile:
    case eMediaURL:
      // A name that the buffer it is remembered in cannot hold is refused, never cut short.
      if (text.size() < (mediaType == eMediaFile ? sizeof fileName : sizeof mediaUrl))
        built = player->BuildFileGraph(text.c_str(), device);
      break;
    case eMediaCapture:
      built = player->BuildCaptureGraph(device);
      break;
  }
  TextureRenderer* renderer = player->GetRenderer();
  if (FAILED(built) || !renderer) {
    FailOpen();
    return false;
  }

  if (FAILED(D3DXCreateTexture(device, static_cast<UINT>(renderer->videoWidth),
                               static_cast<UINT>(renderer->videoHeight), 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED,
                               &texture))) {
    texture = nullptr;
    FailOpen();
    player->Teardown();
    return false;
  }

  if (mediaType == eMediaFile) {
    SetText(fileName, text.c_str());
    SetText(truncatedFileName, LastPathComponent(text.c_str()));
  } else if (mediaType == eMediaURL) {
    SetText(mediaUrl, text.c_str());
  }

  if (player->GetPlayLoad()) player->Play();
  return true;
}

bool Kv_DX8_MediaTexture::LoadTextureFromMemory(char*, int) { return true; }

void Kv_DX8_MediaTexture::SetTexture(int stage) {
  if (!texture) {
    // The buffers are writable through their getters; a text there always ends inside them.
    fileName[sizeof fileName - 1] = 0;
    mediaUrl[sizeof mediaUrl - 1] = 0;
    char captureSource[] = "__cap__";
    LoadTextureFromFile(mediaType == eMediaFile ? fileName : mediaType == eMediaURL ? mediaUrl : captureSource);
    if (!texture) return;
  }
  IDirect3DDevice8* device = GetDevice();
  if (!device) return;

  player->Update();

  TextureRenderer* renderer = player->GetRenderer();
  if (!renderer || !renderer->IsFrameReady()) {
    device->SetTexture(static_cast<DWORD>(stage), texture);
    return;
  }

  IDirect3DTexture8* video = renderer->GetVideoTexture();
  IDirect3DSurface8* from = nullptr;
  IDirect3DSurface8* to = nullptr;
  const bool copied = video && SUCCEEDED(video->GetSurfaceLevel(0, &from)) &&
                      SUCCEEDED(texture->GetSurfaceLevel(0, &to)) &&
                      SUCCEEDED(device->CopyRects(from, nullptr, 0, to, nullptr));
  if (from) from->Release();
  if (to) to->Release();
  if (!copied) return;  // the frame stays pending and is copied at the next call
  device->SetTexture(static_cast<DWORD>(stage), texture);
  renderer->SetFrameReady(false);
}

void Kv_DX8_MediaTexture::InvalidateDeviceObjects() {
  if (!texture) return;
  player->Teardown();
  Kv_DX8_Texture::Release();
}

void Kv_DX8_MediaTexture::SetTexturePointer(IDirect3DTexture8* t) {
  texture = t;
  if (!t && engine) engine->secondMessage("Invalid media texture set");
}

bool Kv_DX8_MediaTexture::GetIsRenderReady() const { return texture != nullptr; }

// ---- Controls, forwarded to the player

void Kv_DX8_MediaTexture::SetPlaybackRate(float rate) {
  if (!player) return;
  playbackRate = rate;
  player->SetRate(rate);
}

float Kv_DX8_MediaTexture::GetPlaybackRate() const { return player ? player->GetRate() : 1.0f; }
float Kv_DX8_MediaTexture::GetDuration() const { return player ? player->GetDuration() : 1.0f; }
char* Kv_DX8_MediaTexture::GetFileName() { return fileName; }
char* Kv_DX8_MediaTexture::GetTruncatedFileName() { return truncatedFileName; }
char* Kv_DX8_MediaTexture::GetMediaURL() { return mediaUrl; }

void Kv_DX8_MediaTexture::SetStartPosition(float ms) {
  if (player) player->SetStartPosition(ms, true);
}

void Kv_DX8_MediaTexture::SetEndPosition(float ms) {
  if (player) player->SetEndPosition(ms, true);
}

float Kv_DX8_MediaTexture::GetStartPosition() const { return player ? player->GetStartPosition() : 0.0f; }
float Kv_DX8_MediaTexture::GetEndPosition() const { return player ? player->GetEndPosition() : 0.0f; }

void Kv_DX8_MediaTexture::SeekToPosition(unsigned long ms) {
  if (player) player->SeekTo(ms);
}

void Kv_DX8_MediaTexture::StartPlayback() {
  if (player) player->Play();
}

void Kv_DX8_MediaTexture::StopPlayback() {
  if (player) player->Stop();
}

void Kv_DX8_MediaTexture::PausePlayback() {
  if (player) player->Pause();
}

void Kv_DX8_MediaTexture::RewindPlayback() {
  if (player) player->SeekTo(0);
}

float Kv_DX8_MediaTexture::GetCurrentPosition() const { return player ? player->GetCurrentPosition() : 0.0f; }

Kv_DX8_MediaTexture::ePlayBackStatus Kv_DX8_MediaTexture::GetPlaybackStatus() const {
  if (!player) return eStopped;
  if (player->IsPlaying()) return ePlaying;
  if (player->IsPaused()) return ePaused;
  return eStopped;
}

void Kv_DX8_MediaTexture::SetMediaType(eMediaType type) { mediaType = type; }
Kv_DX8_MediaTexture::eMediaType Kv_DX8_MediaTexture::GetMediaType() const { return mediaType; }

void Kv_DX8_MediaTexture::SetLoopingEnabled(bool looping) {
  if (player) player->SetLooping(looping);
}

bool Kv_DX8_MediaTexture::GetIsLoopingEnabled() const { return player && player->GetLooping(); }

void Kv_DX8_MediaTexture::SetPlayLoad(bool playLoad) {
  if (player) player->SetPlayLoad(playLoad);
}

bool Kv_DX8_MediaTexture::GetPlayLoad() const { return player && player->GetPlayLoad(); }

int Kv_DX8_MediaTexture::GetCaptureDevicesCount() { return player ? player->GetCaptureDeviceCount() : 0; }

char* Kv_DX8_MediaTexture::GetCaptureDeviceName(unsigned long i) {
  if (!player) return nullptr;
  const int count = player->GetCaptureDeviceCount();
  if (count <= 0 || i >= static_cast<unsigned long>(count)) return nullptr;
  return player->GetCaptureDeviceName(static_cast<int>(i));
}

void Kv_DX8_MediaTexture::SelectCaptureDeviceByIndex(unsigned long i) {
  if (player) player->SelectCaptureDevice(static_cast<int>(i));
}

unsigned long Kv_DX8_MediaTexture::GetSelectedCaptureDeviceIndex() const {
  return player ? static_cast<unsigned long>(static_cast<long>(player->GetSelectedCaptureDevice())) : 0;
}

void Kv_DX8_MediaTexture::CacheCaptureDeviceList() {
  if (player) player->EnumerateCaptureDevices();
}

void Kv_DX8_MediaTexture::SetIncludeMediaFile(bool include) { includeMediaFile = include; }
bool Kv_DX8_MediaTexture::GetIsIncludeMediaFile() const { return includeMediaFile; }

void Kv_DX8_MediaTexture::SetNoSound(bool noSound) {
  if (!player) return;
  player->SetNoSound(noSound);
  fileName[sizeof fileName - 1] = 0;
  LoadTextureFromFile(fileName);
}

bool Kv_DX8_MediaTexture::GetIsNoSound() const { return player && player->GetNoSound(); }

float Kv_DX8_MediaTexture::GetChannelValue(int i) {
  Hx_Channel* child = GetChild(i);
  if (!child) return 0.0f;
  const ChannelType type = child->GetChannelType();
  if (type.baseTypeGuid != MakeGuid(type_guids::kValue)) return 0.0f;
  // A "Value" child is called by position, without linking its library.
  return static_cast<Kv_ValueChannel*>(child)->GetValue();
}
