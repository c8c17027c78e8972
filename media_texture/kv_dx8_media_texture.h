#pragma once
// The "DX8 MediaTexture" channel: a texture channel whose picture is a media file, a stream
// opened by URL or a live video capture device. Its player builds the filter graph that decodes
// the source into the texture renderer's video texture; each SetTexture copies the newest frame
// from there into the channel texture and binds it. The channel saves its settings, and may
// embed the media file in its saved data, which loading extracts into the application
// directory's cache/movies folder.
//
// Everything here runs on the host's thread that made the channel. The virtual operations keep
// their fixed order (53 to 86 after the texture base's 14 to 52).

#include <cstdint>

#include "host/plugin_entry.h"
#include "host/siblings/texture/texture_channel.h"

class MediaGraphPlayer;

class CORVANE_EXPORT Kv_DX8_MediaTexture : public Kv_DX8_Texture {
 public:
  enum eMediaType : std::int32_t { eMediaFile = 0, eMediaCapture = 1, eMediaURL = 2 };
  enum ePlayBackStatus : std::int32_t { ePlaying = 0, ePaused = 1, eStopped = 2 };

  Kv_DX8_MediaTexture();
  ~Kv_DX8_MediaTexture() override;
  // A copy takes the settings and gets a player of its own with the same flags, positions,
  // rate and capture selection; it starts closed and opens its source at its first SetTexture.
  Kv_DX8_MediaTexture(const Kv_DX8_MediaTexture& other);
  Kv_DX8_MediaTexture& operator=(const Kv_DX8_MediaTexture& other);

  // 5, 6: the settings as tagged blocks; the media file may travel inside the saved data.
  bool SaveChannel(HxFileSaver& saver) override;
  bool LoadChannel(HxFileLoader& loader, Hx_ChannelGroup* group) override;

  // 12. Open: tears the graph down and releases the channel texture. Closed: nothing.
  void InvalidateDeviceObjects() override;
  // 15. Opens the remembered source when closed, advances the player (its only clock), copies
  //     a newly arrived frame into the channel texture and binds it on the stage. A failed copy
  //     leaves the texture unbound and the frame pending, so the next call tries again.
  void SetTexture(int stage) override;
  // 16. Opens source as mediaType says (a capture channel ignores the text, which must only be
  //     neither empty nor "http://"). False, with nothing changed, for null, "", "http://", or
  //     a capture channel without a selected device; false without a device; false with
  //     "Error loading texture" and the names reset when the graph or texture cannot be made.
  bool LoadTextureFromFile(char* source) override;
  // 17. Media cannot be opened from memory: true, and nothing happens.
  bool LoadTextureFromMemory(char* data, int size) override;

  // 53. Takes t as the channel texture without reference counting: the caller hands over its
  //     reference, and the texture held before is not released. Null also reports
  //     "Invalid media texture set" on the engine's second sink.
  virtual void SetTexturePointer(IDirect3DTexture8* t);
  // 54. True while the channel texture exists (open).
  virtual bool GetIsRenderReady() const;
  virtual void SetPlaybackRate(float rate);      // 55
  virtual float GetPlaybackRate() const;         // 56: the player's; 1.0 without one
  virtual float GetDuration() const;             // 57: milliseconds; 1.0 without a player
  virtual char* GetFileName();                   // 58: the 260-byte buffer
  virtual char* GetTruncatedFileName();          // 59: the 260-byte buffer
  virtual char* GetMediaURL();                   // 60: the 1024-byte buffer
  virtual void SetStartPosition(float ms);       // 61: clamped to the end position
  virtual void SetEndPosition(float ms);         // 62: clamped to the duration (0 with no media)
  virtual float GetStartPosition() const;        // 63
  virtual float GetEndPosition() const;          // 64
  virtual void SeekToPosition(unsigned long ms); // 65: beyond the duration seeks to the end
  virtual void StartPlayback();                  // 66: from the start position
  virtual void StopPlayback();                   // 67
  virtual void PausePlayback();                  // 68
  virtual void RewindPlayback();                 // 69
  virtual float GetCurrentPosition() const;      // 70
  virtual ePlayBackStatus GetPlaybackStatus() const;  // 71
  // 72, 73. Setting the type opens nothing; the next open uses it.
  virtual void SetMediaType(eMediaType type);
  virtual eMediaType GetMediaType() const;
  virtual void SetLoopingEnabled(bool looping);  // 74
  virtual bool GetIsLoopingEnabled() const;      // 75
  virtual void SetPlayLoad(bool playLoad);       // 76: start playing as soon as opened
  virtual bool GetPlayLoad() const;              // 77
  virtual int GetCaptureDevicesCount();          // 78
  // 79. The i-th device name, owned by the list and valid until CacheCaptureDeviceList; null
  //     for i not below the count.
  virtual char* GetCaptureDeviceName(unsigned long i);
  virtual void SelectCaptureDeviceByIndex(unsigned long i);  // 80: not range-checked
  // 81. The selected index; -1 (read as unsigned) when none.
  virtual unsigned long GetSelectedCaptureDeviceIndex() const;
  virtual void CacheCaptureDeviceList();         // 82: enumerates the devices again
  virtual void SetIncludeMediaFile(bool include);  // 83
  virtual bool GetIsIncludeMediaFile() const;      // 84
  // 85. Takes effect at once: the file in fileName is opened again (whatever mediaType is), so
  //     a URL or capture channel with no file name keeps its sound until it is opened again.
  virtual void SetNoSound(bool noSound);
  virtual bool GetIsNoSound() const;             // 86

  // Fields, in their declaration order. Text buffers hold zero-terminated ANSI text.
  char fileName[260];           // the file last opened as eMediaFile
  char mediaUrl[1024];          // the URL last opened as eMediaURL
  bool includeMediaFile;        // embed the media file in the saved data
  char truncatedFileName[260];  // the last path component of fileName
  MediaGraphPlayer* player;     // owned
  eMediaType mediaType;
  float playbackRate;

 protected:
  // The float of the "Value" child under child index i; 0.0 without a child or for a child of
  // another type.
  float GetChannelValue(int i);

 private:
  // Copies the settings of other into this channel's fields and player.
  void CopySettings(const Kv_DX8_MediaTexture& other);
  // Closes after a failed open: the message, and the names are forgotten.
  void FailOpen();
  // Extracts the selected "MTMF" block into the cache folder and makes name the extracted
  // file's path; false when the block is empty or the file cannot be placed there.
  bool ExtractMediaFile(HxFileLoader& loader, char (&name)[260]);
};
