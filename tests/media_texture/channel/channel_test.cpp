// The media texture channel through the host runtime, with the real plug-ins, the software
// device and media made by FFmpeg's encoders for the test.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>

#include "frame/plugin_frame.h"
#include "host/siblings/value/value_channel.h"
#include "platform/d3d8/texture_readback.h"
#include "platform/d3dx/d3dx8_texture.h"
#include "platform/dshow/device_registry.h"
#include "tests/media_texture/channel/media_scene.h"
#include "tests/platform/dshow_ffmpeg/loopback_http_server.h"

namespace {

using namespace media_scene;
using MT = Kv_DX8_MediaTexture;

int CountCalls(const SoftwareDevice* device, DeviceCallKind kind) {
  int n = 0;
  for (const DeviceCall& call : device->Calls()) n += call.kind == kind;
  return n;
}

std::vector<std::uint32_t> ChannelPixels(Kv_DX8_MediaTexture* channel) {
  std::vector<std::uint32_t> pixels;
  UINT w = 0, h = 0;
  EXPECT_EQ(ReadTextureArgb(channel->GetTexture(), &pixels, &w, &h), D3D_OK);
  // Only the video's corner is written where the device made the texture larger.
  std::vector<std::uint32_t> corner;
  for (UINT y = 0; y < static_cast<UINT>(TestMedia::kLosslessHeight) && y < h; ++y)
    for (UINT x = 0; x < static_cast<UINT>(TestMedia::kLosslessWidth) && x < w; ++x)
      corner.push_back(pixels[y * w + x]);
  return corner;
}

TEST(MediaTextureChannel, ANewChannelHasItsDefaults) {
  // One device with a readable name and one without: only the first is listed.
  const int readable = RegisterFilterGraphCaptureDevice("Bench camera", TestMedia::LosslessPattern());
  const int unreadable = RegisterFilterGraphCaptureDevice("Hidden", TestMedia::LosslessPattern(), false);
  int present = 0;
  for (const VideoCaptureDevice& d : EnumerateVideoCaptureDevices()) present += d.nameReadable;
  Scene s;
  MT* c = s.channel;
  ASSERT_NE(c, nullptr);
  EXPECT_STREQ(c->GetChannelName(), "DX8 MediaTexture");
  EXPECT_EQ(c->GetChildCreationCount(), 0);
  EXPECT_EQ(c->GetChildSlotCount(), 0);
  const ChannelType* type = s.engine.FindChannelType(MakeGuid(type_guids::kMediaTexture));
  ASSERT_NE(type, nullptr);
  EXPECT_STREQ(type->name, "DX8 MediaTexture");
  EXPECT_EQ(type->baseTypeGuid, MakeGuid(type_guids::kTexture));
  EXPECT_EQ(type->typeFlag, 1);

  EXPECT_STREQ(c->GetFileName(), "");
  EXPECT_STREQ(c->GetTruncatedFileName(), "");
  EXPECT_STREQ(c->GetMediaURL(), "http://");
  EXPECT_TRUE(c->GetIsIncludeMediaFile());
  EXPECT_EQ(c->GetMediaType(), MT::eMediaFile);
  EXPECT_EQ(c->playbackRate, 1.0f);
  EXPECT_EQ(c->GetPlaybackRate(), 1.0f);
  EXPECT_FALSE(c->GetIsRenderReady());
  EXPECT_EQ(c->GetPlaybackStatus(), MT::eStopped);
  EXPECT_EQ(c->GetSelectedCaptureDeviceIndex(), ULONG_MAX);
  EXPECT_TRUE(c->GetPlayLoad());
  EXPECT_TRUE(c->GetIsLoopingEnabled());
  EXPECT_FALSE(c->GetIsNoSound());
  EXPECT_EQ(c->GetDuration(), 0.0f);
  EXPECT_EQ(c->GetCaptureDevicesCount(), present);
  ASSERT_GE(present, 1);
  EXPECT_STREQ(c->GetCaptureDeviceName(static_cast<unsigned long>(present - 1)), "Bench camera");
  EXPECT_EQ(c->GetCaptureDeviceName(static_cast<unsigned long>(present)), nullptr);
  EXPECT_EQ(c->GetCaptureDeviceName(ULONG_MAX), nullptr);
  EXPECT_TRUE(c->LoadTextureFromMemory(nullptr, 0));  // nothing to open from memory
  EXPECT_FALSE(c->GetIsRenderReady());
  UnregisterVideoCapture(readable);
  UnregisterVideoCapture(unreadable);
}

TEST(MediaTextureChannel, RefusedSourcesLeaveTheOpenGraphAlone) {
  TempFolder folder;
  Scene s;
  ASSERT_TRUE(s.Open(folder.PutClip("clip.avi")));
  IDirect3DTexture8* texture = s.channel->GetTexture();
  TextureRenderer* renderer = s.Renderer();
  ASSERT_NE(renderer, nullptr);
  char empty[] = "", defaultUrl[] = "http://";
  for (char* source : {static_cast<char*>(nullptr), empty, defaultUrl}) {
    EXPECT_FALSE(s.channel->LoadTextureFromFile(source));
    EXPECT_EQ(s.channel->GetTexture(), texture);
    EXPECT_EQ(s.Renderer(), renderer);
  }
  // A capture channel without a selected device tears nothing down either.
  s.channel->SetMediaType(MT::eMediaCapture);
  char capture[] = "__cap__";
  EXPECT_FALSE(s.channel->LoadTextureFromFile(capture));
  EXPECT_EQ(s.channel->GetTexture(), texture);
  EXPECT_EQ(s.Renderer(), renderer);
  EXPECT_TRUE(s.Errors().empty());
}

TEST(MediaTextureChannel, OpeningAFileRemembersItsPathAndLastComponent) {
  TempFolder folder;
  // '\' is an ordinary character in names here, so a file can be called "media\clip.avi".
  folder.PutClip("media\\clip.avi");
  folder.PutClip("clip.avi");
  const std::string forward = folder.PutClip("movies/clip.avi").string();
  const fs::path previous = fs::current_path();
  fs::current_path(folder.Path());
  struct Case {
    std::string source, truncated;
  } cases[] = {{"media\\clip.avi", "clip.avi"}, {"clip.avi", "clip.avi"}, {forward, "clip.avi"}};
  for (const Case& c : cases) {
    Scene s;
    std::string source = c.source;
    EXPECT_TRUE(s.channel->LoadTextureFromFile(source.data())) << c.source;
    EXPECT_EQ(s.channel->GetFileName(), c.source);
    EXPECT_EQ(s.channel->GetTruncatedFileName(), c.truncated);
    EXPECT_STREQ(s.channel->GetMediaURL(), "http://");
    EXPECT_TRUE(s.channel->GetIsRenderReady());
    EXPECT_NEAR(s.channel->GetDuration(), 3000.0f, 0.01f);
    EXPECT_NEAR(s.channel->GetEndPosition(), 3000.0f, 0.01f);
    EXPECT_EQ(s.channel->GetPlaybackStatus(), MT::ePlaying);  // play-on-load
    // The channel texture has the video's size, one level, 32-bit ARGB.
    const D3DSURFACE_DESC desc = s.channel->GetTextureDescription(0);
    EXPECT_EQ(desc.Width, static_cast<UINT>(TestMedia::kLosslessWidth));
    EXPECT_EQ(desc.Height, static_cast<UINT>(TestMedia::kLosslessHeight));
    EXPECT_EQ(desc.Format, D3DFMT_A8R8G8B8);
    EXPECT_EQ(s.channel->GetTexture()->GetLevelCount(), 1u);
  }
  fs::current_path(previous);
}

TEST(MediaTextureChannel, WithoutPlayOnLoadTheGraphStaysStopped) {
  TempFolder folder;
  Scene s;
  s.channel->SetPlayLoad(false);
  ASSERT_TRUE(s.Open(folder.PutClip("clip.avi")));
  EXPECT_EQ(s.channel->GetPlaybackStatus(), MT::eStopped);
  s.channel->StartPlayback();
  EXPECT_EQ(s.channel->GetPlaybackStatus(), MT::ePlaying);
  s.channel->PausePlayback();
  EXPECT_EQ(s.channel->GetPlaybackStatus(), MT::ePaused);
  s.channel->StopPlayback();
  EXPECT_EQ(s.channel->GetPlaybackStatus(), MT::eStopped);
  s.channel->SetPlaybackRate(2.0f);
  EXPECT_EQ(s.channel->playbackRate, 2.0f);
  EXPECT_EQ(s.channel->GetPlaybackRate(), 2.0f);
  s.channel->SetLoopingEnabled(false);
  EXPECT_FALSE(s.channel->GetIsLoopingEnabled());
  s.channel->SetEndPosition(5000.0f);  // beyond the media: clamped
  EXPECT_NEAR(s.channel->GetEndPosition(), 3000.0f, 0.01f);
  s.channel->SetStartPosition(4000.0f);  // beyond the end: clamped
  EXPECT_EQ(s.channel->GetStartPosition(), s.channel->GetEndPosition());
  s.channel->SeekToPosition(1500);
  EXPECT_NEAR(s.channel->GetCurrentPosition(), 1500.0f, 0.01f);
  s.channel->RewindPlayback();
  EXPECT_EQ(s.channel->GetCurrentPosition(), 0.0f);
}

TEST(MediaTextureChannel, FailedOpensReportAndForgetTheNames) {
  TempFolder folder;
  const fs::path clip = folder.PutClip("clip.avi");
  struct Case {
    const char* what;
    std::string source;
    SoftwareDeviceOptions options;
  } cases[] = {
      {"missing file", (folder.Path() / "missing.avi").string(), {}},
      {"longer than the name buffer", "/" + std::string(300, 'a') + ".avi", {}},
      // The renderer's video texture is the first texture made, the channel's the second.
      {"channel texture refused", clip.string(), [] {
         SoftwareDeviceOptions o;
         o.failTextureCreationAfter = 1;
         return o;
       }()},
  };
  for (Case& c : cases) {
    Scene s({}, c.options);
    std::strcpy(s.channel->GetMediaURL(), "http://example.invalid/clip");
    std::strcpy(s.channel->GetFileName(), "earlier.avi");
    EXPECT_FALSE(s.channel->LoadTextureFromFile(c.source.data())) << c.what;
    EXPECT_TRUE(Contains(s.Errors(), "Error loading texture")) << c.what;
    EXPECT_STREQ(s.channel->GetFileName(), "") << c.what;
    EXPECT_STREQ(s.channel->GetMediaURL(), "http://") << c.what;
    EXPECT_FALSE(s.channel->GetIsRenderReady()) << c.what;
  }
  // The refused channel texture also takes the graph down.
  Scene s({}, cases[2].options);
  s.Open(clip);
  EXPECT_EQ(s.Renderer(), nullptr);
}

TEST(MediaTextureChannel, WithoutADeviceNothingOpensAndTheNamesStay) {
  TempFolder folder;
  Scene s;
  const fs::path clip = folder.PutClip("clip.avi");
  ASSERT_TRUE(s.Open(clip));
  s.engine.GetDirectGraphics().SetDevice(nullptr);
  EXPECT_FALSE(s.Open(clip));
  EXPECT_EQ(s.channel->GetFileName(), clip.string());
  EXPECT_FALSE(s.channel->GetIsRenderReady());
  s.channel->SetTexture(0);  // opens nothing, binds nothing
  EXPECT_FALSE(s.channel->GetIsRenderReady());
  EXPECT_TRUE(s.Errors().empty());
}

TEST(MediaTextureChannel, EndPositionWithNoMediaIsZero) {
  Scene s;
  s.channel->SetEndPosition(2500.0f);
  EXPECT_EQ(s.channel->GetEndPosition(), 0.0f);
  EXPECT_EQ(s.channel->GetStartPosition(), 0.0f);
  EXPECT_EQ(s.channel->GetCurrentPosition(), 0.0f);
}

TEST(MediaTextureChannel, NoSoundReopensAFileButNotAStream) {
  TempFolder folder;
  const fs::path clip = folder.PutClip("clip.avi");
  {
    Scene s;
    ASSERT_TRUE(s.Open(clip));
    IBaseFilter* before = s.Renderer();
    before->AddRef();  // keeps its address from being reused by the next graph
    s.channel->SetNoSound(true);
    EXPECT_TRUE(s.channel->GetIsNoSound());
    EXPECT_TRUE(s.channel->GetIsRenderReady());
    EXPECT_NE(static_cast<IBaseFilter*>(s.Renderer()), before);  // built again
    before->Release();
  }
  LoopbackHttpServer server(TestMedia::Get().folder);
  Scene s;
  s.channel->SetMediaType(MT::eMediaURL);
  std::string url = server.Url("lossy.mp4");
  ASSERT_TRUE(s.channel->LoadTextureFromFile(url.data()));
  EXPECT_EQ(s.channel->GetMediaURL(), url);
  EXPECT_STREQ(s.channel->GetFileName(), "");
  TextureRenderer* renderer = s.Renderer();
  s.channel->SetNoSound(true);
  EXPECT_TRUE(s.channel->GetIsNoSound());
  EXPECT_EQ(s.Renderer(), renderer);  // the stream keeps playing, with its sound
  EXPECT_TRUE(s.channel->GetIsRenderReady());
  EXPECT_TRUE(s.Errors().empty());
}

TEST(MediaTextureChannel, InvalidateDeviceObjectsClosesAndSetTextureReopens) {
  TempFolder folder;
  Scene s;
  s.channel->InvalidateDeviceObjects();  // closed: nothing happens
  EXPECT_FALSE(s.channel->GetIsRenderReady());
  const fs::path clip = folder.PutClip("clip.avi");
  ASSERT_TRUE(s.Open(clip));
  s.channel->InvalidateDeviceObjects();
  EXPECT_FALSE(s.channel->GetIsRenderReady());
  EXPECT_EQ(s.Renderer(), nullptr);
  EXPECT_EQ(s.Device()->LiveTextureCount(), 0);
  s.channel->SetTexture(0);
  EXPECT_TRUE(s.channel->GetIsRenderReady());
  EXPECT_NE(s.Renderer(), nullptr);
  EXPECT_EQ(s.channel->GetFileName(), clip.string());
}

TEST(MediaTextureChannel, SetTextureCopiesEachNewFrameOnceAndBindsIt) {
  TempFolder folder;
  Scene s;
  s.channel->SetPlayLoad(false);
  ASSERT_TRUE(s.Open(folder.PutClip("clip.avi")));
  s.channel->PausePlayback();  // the first frame arrives while paused
  TextureRenderer* renderer = s.Renderer();
  ASSERT_TRUE(WaitFor([&] { return renderer->IsFrameReady(); }));
  s.Device()->ClearCalls();

  s.channel->SetTexture(3);
  std::vector<DeviceCall> calls = s.Device()->Calls();
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_EQ(calls[0].kind, DeviceCallKind::CopyRects);
  EXPECT_EQ(calls[0].rectCount, 0u);
  EXPECT_EQ(calls[0].result, D3D_OK);
  EXPECT_EQ(calls[1].kind, DeviceCallKind::SetTexture);
  EXPECT_EQ(calls[1].stage, 3u);
  EXPECT_EQ(calls[1].texture, s.channel->GetTexture());
  EXPECT_FALSE(renderer->IsFrameReady());
  EXPECT_EQ(ChannelPixels(s.channel), ClipFrameArgb(0));

  // No new frame while paused: bound again, nothing copied.
  s.Device()->ClearCalls();
  s.channel->SetTexture(0);
  EXPECT_EQ(CountCalls(s.Device(), DeviceCallKind::CopyRects), 0);
  EXPECT_EQ(CountCalls(s.Device(), DeviceCallKind::SetTexture), 1);
}

TEST(MediaTextureChannel, AFailedCopyIsTriedAgainAtTheNextCall) {
  TempFolder folder;
  Scene s;
  s.channel->SetPlayLoad(false);
  ASSERT_TRUE(s.Open(folder.PutClip("clip.avi")));
  s.channel->PausePlayback();
  TextureRenderer* renderer = s.Renderer();
  ASSERT_TRUE(WaitFor([&] { return renderer->IsFrameReady(); }));

  // A channel texture of another size makes the surface copy fail.
  IDirect3DTexture8* own = s.channel->GetTexture();
  IDirect3DTexture8* other = nullptr;
  ASSERT_EQ(D3DXCreateTexture(s.Device(), 8, 8, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &other), D3D_OK);
  s.channel->SetTexturePointer(other);
  s.Device()->ClearCalls();
  s.channel->SetTexture(0);
  std::vector<DeviceCall> calls = s.Device()->Calls();
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0].kind, DeviceCallKind::CopyRects);
  EXPECT_NE(calls[0].result, D3D_OK);
  EXPECT_TRUE(renderer->IsFrameReady());  // still pending

  s.channel->SetTexturePointer(own);
  other->Release();
  s.Device()->ClearCalls();
  s.channel->SetTexture(0);
  EXPECT_EQ(CountCalls(s.Device(), DeviceCallKind::CopyRects), 1);
  EXPECT_EQ(CountCalls(s.Device(), DeviceCallKind::SetTexture), 1);
  EXPECT_FALSE(renderer->IsFrameReady());
  EXPECT_EQ(ChannelPixels(s.channel), ClipFrameArgb(0));
}

TEST(MediaTextureChannel, ANullTexturePointerIsReportedOnTheSecondSink) {
  TempFolder folder;
  Scene s;
  ASSERT_TRUE(s.Open(folder.PutClip("clip.avi")));
  IDirect3DTexture8* own = s.channel->GetTexture();
  s.channel->SetTexturePointer(nullptr);
  EXPECT_FALSE(s.channel->GetIsRenderReady());
  EXPECT_EQ(s.engine.secondMessage.Received(), std::vector<std::string>{"Invalid media texture set"});
  EXPECT_TRUE(s.Errors().empty());
  own->Release();  // the channel let go of it without a release
}

TEST(MediaTextureChannel, CaptureChannelOpensTheSelectedDeviceAtSetTexture) {
  const int cookie = RegisterFilterGraphCaptureDevice("Pattern camera", TestMedia::LosslessPattern());
  Scene s;
  const int count = s.channel->GetCaptureDevicesCount();
  ASSERT_GE(count, 1);
  s.channel->SelectCaptureDeviceByIndex(static_cast<unsigned long>(count - 1));
  EXPECT_EQ(s.channel->GetSelectedCaptureDeviceIndex(), static_cast<unsigned long>(count - 1));
  s.channel->SetMediaType(MT::eMediaCapture);
  s.channel->SetTexture(0);  // opens through "__cap__"
  ASSERT_TRUE(s.channel->GetIsRenderReady());
  EXPECT_STREQ(s.channel->GetFileName(), "");
  EXPECT_STREQ(s.channel->GetMediaURL(), "http://");
  TextureRenderer* renderer = s.Renderer();
  ASSERT_TRUE(WaitFor([&] { return renderer->IsFrameReady(); }));
  s.Device()->ClearCalls();
  s.channel->SetTexture(0);
  EXPECT_EQ(CountCalls(s.Device(), DeviceCallKind::CopyRects), 1);  // at most one frame per call

  // A selection beyond the devices fails to build, with the message, at every attempt.
  s.channel->InvalidateDeviceObjects();
  s.channel->SelectCaptureDeviceByIndex(static_cast<unsigned long>(count));
  s.channel->SetTexture(0);
  s.channel->SetTexture(0);
  EXPECT_FALSE(s.channel->GetIsRenderReady());
  const std::vector<std::string> errors = s.Errors();
  EXPECT_EQ(std::count(errors.begin(), errors.end(), "Error loading texture"), 2);
  UnregisterVideoCapture(cookie);
}

TEST(MediaTextureChannel, ACopyTakesTheSettingsAndGetsAPlayerOfItsOwn) {
  TempFolder folder;
  Scene s;
  ASSERT_TRUE(s.Open(folder.PutClip("clip.avi")));
  s.channel->SetLoopingEnabled(false);
  s.channel->SetIncludeMediaFile(false);
  s.channel->SelectCaptureDeviceByIndex(1);
  {
    Kv_DX8_MediaTexture copy(*s.channel);
    EXPECT_NE(copy.player, s.channel->player);
    EXPECT_FALSE(copy.GetIsRenderReady());  // closed until its own first SetTexture
    EXPECT_STREQ(copy.GetFileName(), s.channel->GetFileName());
    EXPECT_STREQ(copy.GetTruncatedFileName(), "clip.avi");
    EXPECT_FALSE(copy.GetIsLoopingEnabled());
    EXPECT_FALSE(copy.GetIsIncludeMediaFile());
    EXPECT_EQ(copy.GetSelectedCaptureDeviceIndex(), 1u);
    copy.SetTexture(0);
    EXPECT_TRUE(copy.GetIsRenderReady());
    EXPECT_NE(copy.GetTexture(), s.channel->GetTexture());

    Kv_DX8_MediaTexture assigned;
    assigned = copy;
    EXPECT_FALSE(assigned.GetIsRenderReady());
    EXPECT_STREQ(assigned.GetFileName(), copy.GetFileName());
    EXPECT_NE(assigned.player, copy.player);
  }
  EXPECT_TRUE(s.channel->GetIsRenderReady());  // the original is untouched
  EXPECT_NE(s.Renderer(), nullptr);
}

// GetChannelValue is protected: reached through a derived class's using-declaration.
struct ValueProbe : Kv_DX8_MediaTexture {
  using Kv_DX8_MediaTexture::GetChannelValue;
};

TEST(MediaTextureChannel, ChannelValueReadsOnlyValueChildren) {
  Scene s;
  s.channel->SetChildCreateType(MakeChildCreation("Value", type_guids::kValue, 0, false, 0, "Value"), 0);
  s.channel->SetChildCreateType(MakeChildCreation("DX8 Texture", type_guids::kTexture, 1, false, 0, "Texture"), 1);
  auto* value = static_cast<Kv_ValueChannel*>(s.engine.CreateChannel(MakeGuid(type_guids::kValue)));
  Hx_Channel* texture = s.engine.CreateChannel(MakeGuid(type_guids::kTexture));
  ASSERT_TRUE(s.engine.Link(s.channel, 0, value));
  ASSERT_TRUE(s.engine.Link(s.channel, 1, texture));
  value->SetValue(2.5f);
  float (Kv_DX8_MediaTexture::*channelValue)(int) = &ValueProbe::GetChannelValue;
  EXPECT_EQ((s.channel->*channelValue)(0), 2.5f);
  EXPECT_EQ((s.channel->*channelValue)(1), 0.0f);  // not a "Value"
  EXPECT_EQ((s.channel->*channelValue)(2), 0.0f);  // no child
}

}  // namespace
