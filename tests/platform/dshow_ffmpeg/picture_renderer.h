#pragma once
// A video renderer for the tests that keeps a copy of every picture it is given: the ones it
// presents (DoRenderSample) and the one it holds while paused (OnReceiveFirstSample). It
// takes 24-bit bottom-up RGB, as the texture renderer does.

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <vector>

#include "platform/dshow/base/renderer.h"

inline constexpr CLSID CLSID_PictureRenderer{
    0x0E6B9F31, 0x4C27, 0x4D8A, {0xA1, 0x53, 0x7F, 0x20, 0x9C, 0xE4, 0x16, 0xB8}};

struct Picture {
  REFERENCE_TIME start = 0;
  std::vector<std::uint8_t> bitmap;
};

class PictureRenderer : public CBaseVideoRenderer {
 public:
  static constexpr auto kDeadline = std::chrono::seconds(30);

  PictureRenderer() : CBaseVideoRenderer(CLSID_PictureRenderer, "picture renderer", nullptr, nullptr) {}

  HRESULT CheckMediaType(const CMediaType* mt) override {
    const VIDEOINFOHEADER* info = mt->VideoInfo();
    return mt->majortype == MEDIATYPE_Video && mt->subtype == MEDIASUBTYPE_RGB24 && info &&
                   info->bmiHeader.biHeight > 0
               ? S_OK
               : E_FAIL;
  }
  HRESULT DoRenderSample(IMediaSample* sample) override {
    Picture picture = Copy(sample);
    std::lock_guard lock(mutex_);
    presented_.push_back(std::move(picture));
    changed_.notify_all();
    return S_OK;
  }
  void OnReceiveFirstSample(IMediaSample* sample) override {
    Picture picture = Copy(sample);
    std::lock_guard lock(mutex_);
    cued_.push_back(std::move(picture));
    changed_.notify_all();
  }

  bool WaitForPresented(std::size_t count) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, kDeadline, [&] { return presented_.size() >= count; });
  }
  std::vector<Picture> Presented() {
    std::lock_guard lock(mutex_);
    return presented_;
  }
  std::vector<Picture> Cued() {
    std::lock_guard lock(mutex_);
    return cued_;
  }
  void Clear() {
    std::lock_guard lock(mutex_);
    presented_.clear();
    cued_.clear();
  }

 private:
  static Picture Copy(IMediaSample* sample) {
    Picture picture;
    REFERENCE_TIME end = 0;
    sample->GetTime(&picture.start, &end);
    BYTE* data = nullptr;
    sample->GetPointer(&data);
    picture.bitmap.assign(data, data + sample->GetActualDataLength());
    return picture;
  }

  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<Picture> presented_;
  std::vector<Picture> cued_;
};
