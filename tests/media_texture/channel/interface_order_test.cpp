// Calls the media texture the way another library does: through an independent declaration of
// its virtual operations 53 to 86 in their fixed order, without linking its plug-in. Each
// position must answer as its operation, so a reordering, insertion or removal fails here.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>

#include "frame/type_guids.h"
#include "host/hx_engine.h"
#include "host/siblings/texture/texture_channel.h"

// A named namespace, not an anonymous one: for a class of internal linkage the optimiser knows
// every class derived from it (none here) and would turn the calls into calls of the pure
// declarations instead of going through the object's virtual table.
namespace interface_order {

class MediaTextureInterface : public Kv_DX8_Texture {
 public:
  virtual void SetTexturePointer(IDirect3DTexture8*) = 0;      // 53
  virtual bool GetIsRenderReady() const = 0;                   // 54
  virtual void SetPlaybackRate(float) = 0;                     // 55
  virtual float GetPlaybackRate() const = 0;                   // 56
  virtual float GetDuration() const = 0;                       // 57
  virtual char* GetFileName() = 0;                             // 58
  virtual char* GetTruncatedFileName() = 0;                    // 59
  virtual char* GetMediaURL() = 0;                             // 60
  virtual void SetStartPosition(float) = 0;                    // 61
  virtual void SetEndPosition(float) = 0;                      // 62
  virtual float GetStartPosition() const = 0;                  // 63
  virtual float GetEndPosition() const = 0;                    // 64
  virtual void SeekToPosition(unsigned long) = 0;              // 65
  virtual void StartPlayback() = 0;                            // 66
  virtual void StopPlayback() = 0;                             // 67
  virtual void PausePlayback() = 0;                            // 68
  virtual void RewindPlayback() = 0;                           // 69
  virtual float GetCurrentPosition() const = 0;                // 70
  virtual int GetPlaybackStatus() const = 0;                   // 71
  virtual void SetMediaType(int) = 0;                          // 72
  virtual int GetMediaType() const = 0;                        // 73
  virtual void SetLoopingEnabled(bool) = 0;                    // 74
  virtual bool GetIsLoopingEnabled() const = 0;                // 75
  virtual void SetPlayLoad(bool) = 0;                          // 76
  virtual bool GetPlayLoad() const = 0;                        // 77
  virtual int GetCaptureDevicesCount() = 0;                    // 78
  virtual char* GetCaptureDeviceName(unsigned long) = 0;       // 79
  virtual void SelectCaptureDeviceByIndex(unsigned long) = 0;  // 80
  virtual unsigned long GetSelectedCaptureDeviceIndex() const = 0;  // 81
  virtual void CacheCaptureDeviceList() = 0;                   // 82
  virtual void SetIncludeMediaFile(bool) = 0;                  // 83
  virtual bool GetIsIncludeMediaFile() const = 0;              // 84
  virtual void SetNoSound(bool) = 0;                           // 85
  virtual bool GetIsNoSound() const = 0;                       // 86
};

TEST(MediaTextureInterfaceOrder, EveryPositionAnswersAsItsOperation) {
  HxEngine engine;
  engine.errorMessage.SetEcho(false);
  engine.secondMessage.SetEcho(false);
  auto* c = static_cast<MediaTextureInterface*>(engine.CreateChannel(MakeGuid(type_guids::kMediaTexture)));
  ASSERT_NE(c, nullptr);

  EXPECT_FALSE(c->GetIsNoSound());
  c->SetNoSound(true);  // opens nothing: no file name yet
  EXPECT_TRUE(c->GetIsNoSound());

  // Texts (58-60) are the channel's own writable buffers.
  EXPECT_STREQ(c->GetMediaURL(), "http://");
  std::strcpy(c->GetFileName(), "file");
  std::strcpy(c->GetTruncatedFileName(), "truncated");
  EXPECT_STREQ(c->GetFileName(), "file");
  EXPECT_STREQ(c->GetTruncatedFileName(), "truncated");
  EXPECT_STREQ(c->GetMediaURL(), "http://");

  // Setter and getter pairs, each set away from its default.
  EXPECT_EQ(c->GetMediaType(), 0);
  c->SetMediaType(2);
  EXPECT_EQ(c->GetMediaType(), 2);
  EXPECT_TRUE(c->GetIsLoopingEnabled());
  c->SetLoopingEnabled(false);
  EXPECT_FALSE(c->GetIsLoopingEnabled());
  EXPECT_TRUE(c->GetPlayLoad());
  c->SetPlayLoad(false);
  EXPECT_FALSE(c->GetPlayLoad());
  EXPECT_TRUE(c->GetIsIncludeMediaFile());
  c->SetIncludeMediaFile(false);
  EXPECT_FALSE(c->GetIsIncludeMediaFile());
  EXPECT_EQ(c->GetSelectedCaptureDeviceIndex(), ULONG_MAX);
  c->SelectCaptureDeviceByIndex(5);
  EXPECT_EQ(c->GetSelectedCaptureDeviceIndex(), 5u);
  c->CacheCaptureDeviceList();  // the selection stays
  EXPECT_EQ(c->GetSelectedCaptureDeviceIndex(), 5u);
  EXPECT_EQ(c->GetCaptureDeviceName(static_cast<unsigned long>(c->GetCaptureDevicesCount())), nullptr);

  // Without media: the player's values, and controls that change nothing.
  c->SetPlaybackRate(2.0f);
  EXPECT_EQ(c->GetPlaybackRate(), 1.0f);  // no graph to run at it
  EXPECT_EQ(c->GetDuration(), 0.0f);
  c->SetEndPosition(100.0f);
  EXPECT_EQ(c->GetEndPosition(), 0.0f);
  c->SetStartPosition(100.0f);
  EXPECT_EQ(c->GetStartPosition(), 0.0f);
  c->SeekToPosition(10);
  c->RewindPlayback();
  c->StartPlayback();
  c->PausePlayback();
  c->StopPlayback();
  EXPECT_EQ(c->GetCurrentPosition(), 0.0f);
  EXPECT_EQ(c->GetPlaybackStatus(), 2);  // eStopped

  EXPECT_FALSE(c->GetIsRenderReady());
  IDirect3DTexture8* fake = reinterpret_cast<IDirect3DTexture8*>(&engine);  // never dereferenced
  c->SetTexturePointer(fake);
  EXPECT_TRUE(c->GetIsRenderReady());
  EXPECT_EQ(c->GetTexture(), fake);
  c->SetTexturePointer(nullptr);
  EXPECT_FALSE(c->GetIsRenderReady());
  EXPECT_EQ(engine.secondMessage.Received(), std::vector<std::string>{"Invalid media texture set"});
}

}  // namespace interface_order
