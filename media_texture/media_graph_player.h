#pragma once
// MediaGraphPlayer: owns and drives one filter graph at a time for a media texture channel.
// File and URL graphs are rendered the usual way and then get the system's video renderer
// swapped for a TextureRenderer; capture graphs connect the selected device's preview stream
// to one (capture_devices.cpp). It also keeps the playback settings and the list of video
// capture devices.
//
// Used only from the thread that created it, which it initialises for COM. Times at this
// interface are float milliseconds; inside the graph they are 100-nanosecond counts.
//
// Messages of BuildFileGraph go to the error sink of the player's engine: the engine current
// on the thread when the player was made (the owner's engine, since a channel makes its
// player in its own constructor), or the one given to SetMessageEngine; none, no message.

#include <cstdint>

#include "host/hx_list.h"
#include "platform/d3d8/d3d8.h"
#include "platform/dshow/dshow_interfaces.h"

class Kv_DX8_MediaTexture;
class TextureRenderer;
class HxEngine;

class MediaGraphPlayer {
 public:
  // Initialises COM on the calling thread and lists the video capture devices.
  MediaGraphPlayer();
  // Releases the graph, the device names and the COM initialisation.
  virtual ~MediaGraphPlayer();
  MediaGraphPlayer(const MediaGraphPlayer&) = delete;
  MediaGraphPlayer& operator=(const MediaGraphPlayer&) = delete;

  // Virtual operations, in their fixed order.
  virtual void SetOwner(Kv_DX8_MediaTexture* owner);
  // Stores the rate and applies it to the graph when one is built.
  virtual void SetRate(float rate);
  virtual float GetRate();       // the graph's rate; 1.0 without a graph
  virtual float GetDuration();   // milliseconds; 0.0 without a graph
  // E_FAIL without a graph; the status changes only on success.
  virtual HRESULT Play();        // from the start position, at the stored rate
  virtual HRESULT Stop();        // stops when the renderers have their data
  virtual HRESULT Pause();
  // With clamp: not after the end position.
  virtual void SetStartPosition(float ms, bool clamp);
  // With clamp: not after the duration (so 0 without a graph).
  virtual void SetEndPosition(float ms, bool clamp);
  virtual float GetStartPosition();
  virtual float GetEndPosition();
  virtual float GetCurrentPosition();  // 0.0 without a graph
  virtual bool IsPlaying();
  virtual bool IsStopped();
  virtual bool IsPaused();
  virtual void SetLooping(bool looping);
  virtual bool GetLooping();
  // Takes effect at the next file or URL build: the audio renderer is taken out.
  virtual void SetNoSound(bool noSound);
  virtual bool GetNoSound();
  virtual void SetPlayLoad(bool playLoad);
  virtual bool GetPlayLoad();

  // Releases the graph; status, positions, rate and flags stay.
  void Teardown();
  void ReleaseGraph();
  // The current graph's renderer (owned by the graph, valid until Teardown), or null.
  TextureRenderer* GetRenderer();
  // Builds a stopped graph for a file or URL ending in a TextureRenderer on device. E_FAIL
  // with no message when a graph exists, the source cannot be rendered or is longer than
  // 259 characters; E_FAIL with the failing step's message otherwise. Parts built before a
  // failure stay until Teardown.
  HRESULT BuildFileGraph(const char* source, IDirect3DDevice8* device);
  // The filter's first pin of the direction, holding one reference; null when none.
  IPin* GetPin(IBaseFilter* filter, PIN_DIRECTION direction);
  // Once per drawn frame: end position, looping, rate and graph events. Never blocks.
  void Update();
  // Seeks to ms (the duration when beyond it); nothing without a graph.
  void SeekTo(unsigned long ms);

  // Video capture devices (capture_devices.cpp).
  // Rebuilds the name list; E_FAIL (list empty) when there is no device. Earlier name
  // pointers become invalid; the selection stays.
  HRESULT EnumerateCaptureDevices();
  int GetCaptureDeviceCount();
  // The i-th name, valid until the next enumeration; null when i is not below the count.
  char* GetCaptureDeviceName(int i);
  // -1 for none; not checked against the list.
  void SelectCaptureDevice(int i);
  int GetSelectedCaptureDevice();
  // The source filter of the device at index in the name list, holding one reference.
  HRESULT FindCaptureDevice(IBaseFilter** source, int index);
  // Builds and runs a capture graph from the selected device; E_FAIL without a message.
  HRESULT BuildCaptureGraph(IDirect3DDevice8* device);

  // Where BuildFileGraph's messages go (null: nowhere).
  void SetMessageEngine(HxEngine* engine);
  Kv_DX8_MediaTexture* GetOwner() const { return owner; }

  // Values of the status, as the channel's ePlayBackStatus.
  enum Status : std::int32_t { kPlaying = 0, kPaused = 1, kStopped = 2 };

 private:
  void ErrorMessage(const char* text);

  IGraphBuilder* graphBuilder = nullptr;
  IMediaControl* graphControl = nullptr;
  IMediaSeeking* mediaSeeking = nullptr;
  IMediaPosition* mediaPosition = nullptr;
  IMediaEvent* mediaEvent = nullptr;
  ICaptureGraphBuilder2* captureBuilder = nullptr;
  TextureRenderer* renderer = nullptr;  // owned by the graph
  float startPosition = 0.0f;
  float endPosition = 0.0f;
  Status status = kStopped;
  Hx_List captureDevices;               // owned 1024-byte name buffers
  std::int32_t captureDeviceIndex = -1;
  bool looping = true;
  bool noSound = false;
  bool playLoad = true;
  Kv_DX8_MediaTexture* owner = nullptr;
  float rate = 1.0f;
  HxEngine* messageEngine = nullptr;
};
