#pragma once
// Small filters for the engine's tests: a source pushing numbered frames (optionally live,
// with a pin category, in a private format, with a silent audio stream), a converter from
// that private format to 24-bit RGB, and a renderer that records what it was given.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <functional>
#include <mutex>
#include <vector>

#include "platform/dshow/base/streams.h"

namespace enginetest {

inline constexpr GUID MEDIASUBTYPE_TestFrames =
    MediaSubtypeFromFourCC(MakeFourCC('T', 'S', 'T', 'F'));
inline constexpr GUID CLSID_TestSource{0x1A2B3C4D, 0x0001, 0x4000, {0x80, 0, 0, 0, 0, 0, 0, 1}};
inline constexpr GUID CLSID_TestConverter{0x1A2B3C4D, 0x0002, 0x4000, {0x80, 0, 0, 0, 0, 0, 0, 2}};
inline constexpr GUID CLSID_TestRenderer{0x1A2B3C4D, 0x0003, 0x4000, {0x80, 0, 0, 0, 0, 0, 0, 3}};

// Filters alive, so tests can see a released graph free everything.
inline std::atomic<int> liveFilters{0};

struct SourceSpec {
  LONG width = 4, height = 2;
  int frames = 10;
  REFERENCE_TIME frameTime = 100000;  // 10 ms
  int keyInterval = 1;
  GUID subtype = MEDIASUBTYPE_RGB24;
  bool live = false;          // capture-like: no seeking, no cue while paused
  GUID category = GUID_NULL;  // pin category of the video pin
  bool endless = false;
  bool withAudio = false;  // a second pin with 10 ms PCM blocks, as long as the video
  bool stall = false;      // never produces a frame (a camera that sends nothing)
};

// The frame number is written in the first four bytes of each frame.
inline int FrameNumber(IMediaSample* sample) {
  BYTE* data = nullptr;
  sample->GetPointer(&data);
  int n = 0;
  std::memcpy(&n, data, sizeof n);
  return n;
}

class FrameSource;

class FrameStream : public CSourceStream {
 public:
  FrameStream(FrameSource* source, const SourceSpec& spec, bool audio, HRESULT* hr);
  HRESULT FillBuffer(IMediaSample* sample) override;
  HRESULT GetMediaType(int position, CMediaType* mt) override;
  HRESULT CheckMediaType(const CMediaType* mt) override;
  HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) override;
  // Positions at the key frame at or before the media time (thread stopped).
  void SeekTo(REFERENCE_TIME time);
  void OnStopRequested() override {
    std::lock_guard lock(stallMutex_);
    stallWake_.notify_all();
  }

 private:
  std::mutex stallMutex_;
  std::condition_variable stallWake_;
  SourceSpec spec_;
  bool audio_;
  int next_ = 0;
};

class FrameSource : public CSource, public CSourceSeeking {
 public:
  explicit FrameSource(const SourceSpec& spec = {})
      : CSource("frame source", nullptr, CLSID_TestSource),
        CSourceSeeking(spec.endless ? 0 : spec.frames * spec.frameTime),
        spec_(spec) {
    ++liveFilters;
    HRESULT hr = S_OK;
    new FrameStream(this, spec, false, &hr);
    if (spec.withAudio) new FrameStream(this, spec, true, &hr);
  }
  ~FrameSource() override { --liveFilters; }
  DECLARE_IUNKNOWN
  HRESULT NonDelegatingQueryInterface(REFIID iid, void** object) override {
    if (iid == IID_IMediaSeeking && !spec_.live)
      return GetInterface(static_cast<IMediaSeeking*>(this), object);
    return CSource::NonDelegatingQueryInterface(iid, object);
  }
  HRESULT GetState(DWORD timeout, FILTER_STATE* state) override {
    const HRESULT hr = CSource::GetState(timeout, state);
    return spec_.live && *state == State_Paused ? VFW_S_CANT_CUE : hr;
  }
  ULONG GetMiscFlags() override { return AM_FILTER_MISC_FLAGS_IS_SOURCE; }

  static IBaseFilter* Create(const SourceSpec& spec) {
    IBaseFilter* f = new FrameSource(spec);
    f->AddRef();
    return f;
  }

 protected:
  HRESULT ChangeStart() override {
    for (CSourceStream* s : streams_) {
      auto* stream = static_cast<FrameStream*>(s);
      stream->Restart(start_, stop_, rate_, [&] { stream->SeekTo(start_); });
    }
    return S_OK;
  }
  HRESULT ChangeStop() override { return S_OK; }
  HRESULT ChangeRate() override { return S_OK; }

 private:
  SourceSpec spec_;
};

inline FrameStream::FrameStream(FrameSource* source, const SourceSpec& spec, bool audio,
                                HRESULT* hr)
    : CSourceStream(audio ? "audio stream" : "frame stream", hr, source,
                    audio ? u"Audio" : u"Video"),
      spec_(spec),
      audio_(audio) {
  if (!audio && !(spec.category == GUID_NULL)) SetCategory(spec.category);
}

inline HRESULT FrameStream::GetMediaType(int position, CMediaType* mt) {
  if (position != 0) return VFW_S_NO_MORE_ITEMS;
  if (audio_) {
    CMediaType type(MEDIATYPE_Audio);
    type.subtype = MEDIASUBTYPE_PCM;
    type.formattype = FORMAT_WaveFormatEx;
    WAVEFORMATEX wave{WAVE_FORMAT_PCM, 1, 8000, 16000, 2, 16, 0};
    type.SetFormat(reinterpret_cast<const BYTE*>(&wave), sizeof wave);
    *mt = type;
    return S_OK;
  }
  *mt = MakeRgbVideoType(spec_.width, spec_.height, 24, spec_.frameTime);
  mt->subtype = spec_.subtype;
  return S_OK;
}

inline HRESULT FrameStream::CheckMediaType(const CMediaType* mt) {
  CMediaType ours;
  GetMediaType(0, &ours);
  return ours == *mt && ours.subtype == mt->subtype && ours.majortype == mt->majortype ? S_OK
                                                                                       : E_FAIL;
}

inline HRESULT FrameStream::DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES*) {
  ALLOCATOR_PROPERTIES want{3, audio_ ? 160 : DibRowBytes(spec_.width, 24) * spec_.height, 1, 0},
      got{};
  return allocator->SetProperties(&want, &got);
}

inline void FrameStream::SeekTo(REFERENCE_TIME time) {
  int frame = static_cast<int>(time / spec_.frameTime);
  if (audio_) {
    next_ = frame;
    return;
  }
  next_ = frame - frame % spec_.keyInterval;
}

inline HRESULT FrameStream::FillBuffer(IMediaSample* sample) {
  if (spec_.stall) {
    std::unique_lock lock(stallMutex_);
    stallWake_.wait(lock, [&] { return StopRequested(); });
    return S_FALSE;
  }
  if (!spec_.endless && next_ >= spec_.frames) return S_FALSE;
  const REFERENCE_TIME media = next_ * spec_.frameTime;
  const double rate = SegmentRate();
  REFERENCE_TIME start = static_cast<REFERENCE_TIME>((media - SegmentStart()) / rate);
  REFERENCE_TIME end = start + static_cast<REFERENCE_TIME>(spec_.frameTime / rate);
  BYTE* data = nullptr;
  sample->GetPointer(&data);
  const LONG size = sample->GetSize();
  for (LONG i = 0; i < size; ++i) data[i] = static_cast<BYTE>(next_ * 7 + i);
  std::memcpy(data, &next_, sizeof next_);
  sample->SetActualDataLength(size);
  sample->SetTime(&start, &end);
  REFERENCE_TIME mediaEnd = media + spec_.frameTime;
  REFERENCE_TIME mediaStart = media;
  sample->SetMediaTime(&mediaStart, &mediaEnd);
  sample->SetPreroll(media < SegmentStart());
  sample->SetSyncPoint(audio_ || next_ % spec_.keyInterval == 0);
  ++next_;
  return S_OK;
}

// Copies frames of the private format into 24-bit RGB frames of the same layout.
class TestConverter : public CTransformFilter {
 public:
  TestConverter() : CTransformFilter("test converter", nullptr, CLSID_TestConverter) {
    ++liveFilters;
  }
  ~TestConverter() override { --liveFilters; }
  HRESULT CheckInputType(const CMediaType* in) override {
    return in->majortype == MEDIATYPE_Video && in->subtype == MEDIASUBTYPE_TestFrames &&
                   in->VideoInfo()
               ? S_OK
               : E_FAIL;
  }
  HRESULT CheckTransform(const CMediaType* in, const CMediaType* out) override {
    CMediaType expected;
    Convert(in, &expected);
    return expected == *out && expected.subtype == out->subtype ? S_OK : E_FAIL;
  }
  HRESULT GetMediaType(int position, CMediaType* mt) override {
    if (position != 0) return VFW_S_NO_MORE_ITEMS;
    Convert(&Input()->CurrentMediaType(), mt);
    return S_OK;
  }
  HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES*) override {
    ALLOCATOR_PROPERTIES want{
        2, static_cast<LONG>(Output()->CurrentMediaType().VideoInfo()->bmiHeader.biSizeImage), 1,
        0},
        got{};
    return allocator->SetProperties(&want, &got);
  }
  HRESULT Transform(IMediaSample* in, IMediaSample* out) override {
    BYTE *src = nullptr, *dst = nullptr;
    in->GetPointer(&src);
    out->GetPointer(&dst);
    const LONG n = std::min(in->GetActualDataLength(), out->GetSize());
    std::memcpy(dst, src, n);
    out->SetActualDataLength(n);
    return S_OK;
  }
  static IBaseFilter* Create(HRESULT* hr) {
    IBaseFilter* f = new TestConverter();
    f->AddRef();
    if (hr) *hr = S_OK;
    return f;
  }

 private:
  static void Convert(const CMediaType* in, CMediaType* out) {
    *out = *in;
    out->subtype = MEDIASUBTYPE_RGB24;
  }
};

// Records the frames it is given; every wait has a generous deadline.
class RecordingRenderer : public CBaseVideoRenderer {
 public:
  static constexpr auto kDeadline = std::chrono::seconds(20);

  explicit RecordingRenderer(HRESULT* hr = nullptr)
      : CBaseVideoRenderer(CLSID_TestRenderer, "recording renderer", nullptr, hr) {
    ++liveFilters;
  }
  ~RecordingRenderer() override { --liveFilters; }

  HRESULT CheckMediaType(const CMediaType* mt) override {
    return mt->majortype == MEDIATYPE_Video && mt->subtype == MEDIASUBTYPE_RGB24 && mt->VideoInfo()
               ? S_OK
               : E_FAIL;
  }
  HRESULT SetMediaType(const CMediaType* mt) override {
    std::lock_guard lock(mutex_);
    ++setMediaTypeCalls_;
    width_ = mt->VideoInfo()->bmiHeader.biWidth;
    return refuseType_ ? VFW_E_TYPE_NOT_ACCEPTED : S_OK;
  }
  HRESULT DoRenderSample(IMediaSample* sample) override {
    REFERENCE_TIME start = 0, end = 0;
    sample->GetTime(&start, &end);
    std::lock_guard lock(mutex_);
    frames_.push_back(FrameNumber(sample));
    times_.push_back(start);
    changed_.notify_all();
    return S_OK;
  }
  void OnReceiveFirstSample(IMediaSample* sample) override {
    std::lock_guard lock(mutex_);
    firstSamples_.push_back(FrameNumber(sample));
    changed_.notify_all();
  }

  bool WaitForFrames(std::size_t count) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, kDeadline, [&] { return frames_.size() >= count; });
  }
  std::vector<int> Frames() {
    std::lock_guard lock(mutex_);
    return frames_;
  }
  std::vector<REFERENCE_TIME> Times() {
    std::lock_guard lock(mutex_);
    return times_;
  }
  std::vector<int> FirstSamples() {
    std::lock_guard lock(mutex_);
    return firstSamples_;
  }
  void Clear() {
    std::lock_guard lock(mutex_);
    frames_.clear();
    times_.clear();
    firstSamples_.clear();
  }
  void RefuseType(bool refuse) { refuseType_ = refuse; }
  int SetMediaTypeCalls() {
    std::lock_guard lock(mutex_);
    return setMediaTypeCalls_;
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<int> frames_;
  std::vector<REFERENCE_TIME> times_;
  std::vector<int> firstSamples_;
  int setMediaTypeCalls_ = 0;
  LONG width_ = 0;
  bool refuseType_ = false;
};

}  // namespace enginetest
