#pragma once
// The source filter for media files and http(s) URLs: it demuxes the media with libavformat
// and offers one output pin per video and audio stream ("Video", "Audio", then "Video 2"...),
// each delivering the stream's compressed packets stamped with stream times on a streaming
// thread of its own. IMediaSeeking on the filter seeks every stream together.
//
// The pins share one demuxer. A pin that needs a packet reads the demuxer itself and queues
// the packets of the other streams for their pins, so a renderer holding one stream (a
// paused audio renderer) never starves another. Queues exist only for pins that stream;
// packets of a stream nobody consumes are dropped.

#include <atomic>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/dshow/base/source.h"
#include "platform/dshow/ffmpeg/media_demuxer.h"

namespace ffmedia {

inline constexpr CLSID CLSID_MediaSplitter{
    0x6A1F3E52, 0x0B7C, 0x4D29, {0x95, 0x1E, 0x3C, 0x84, 0xA2, 0x7D, 0x60, 0xF1}};

class CMediaSplitter;

class CSplitterOutputPin : public CSourceStream {
 public:
  CSplitterOutputPin(CMediaSplitter* splitter, int stream, LPCWSTR name, HRESULT* result);

  HRESULT CheckMediaType(const CMediaType* mt) override;
  HRESULT GetMediaType(int position, CMediaType* mt) override;
  HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) override;
  HRESULT FillBuffer(IMediaSample* sample) override;
  HRESULT OnThreadDestroy() override;

  int StreamIndex() const { return stream_; }

 private:
  CMediaSplitter* splitter_;
  int stream_;
  CMediaType type_;
  bool lastPacketSkipped_ = false;  // streaming thread
};

class CMediaSplitter : public CSource, public CSourceSeeking {
 public:
  // Opens the media; null with *result set when it cannot be opened or has neither video nor
  // audio (VFW_E_UNKNOWN_FILE_TYPE for content that is no media, VFW_E_FILE_NOT_FOUND for a
  // missing file or URL, VFW_E_UNSUPPORTED_STREAM for media without a stream to offer).
  static CMediaSplitter* Open(const std::u16string& url, HRESULT* result);
  ~CMediaSplitter() override;

  DECLARE_IUNKNOWN
  HRESULT NonDelegatingQueryInterface(REFIID iid, void** object) override;
  ULONG GetMiscFlags() override { return AM_FILTER_MISC_FLAGS_IS_SOURCE; }
  HRESULT Stop() override;
  HRESULT Pause() override;

  // Streaming threads: the next packet of a stream (0), AVERROR_EOF at the end, or another
  // negative AVERROR.
  int NextPacket(int stream, AVPacket* packet);
  // Streaming thread of a pin whose downstream refused a sample: its packets are dropped
  // until the next pause or seek.
  void StopQueueing(int stream);
  const Demuxer& Media() const { return demuxer_; }

  // The segment the pins stamp against; changed only while their threads are stopped.
  REFERENCE_TIME SegmentStart() const { return segmentStart_; }
  REFERENCE_TIME SegmentStop() const { return segmentStop_.load(std::memory_order_acquire); }
  double SegmentRate() const { return segmentRate_; }

 protected:
  HRESULT ChangeStart() override;
  HRESULT ChangeStop() override;
  HRESULT ChangeRate() override;

 private:
  CMediaSplitter();
  void SetDuration(REFERENCE_TIME duration);  // before the pins exist
  HRESULT Reposition();
  void QueueAllStreams();  // readLock_ held

  Demuxer demuxer_;
  std::mutex readLock_;  // the demuxer and the queues
  struct Queue {
    bool active = false;
    std::deque<PacketPtr> packets;
  };
  std::vector<Queue> queues_;  // by stream index
  int readResult_ = 0;         // sticky end or error of the demuxer
  bool seekPending_ = false;   // the demuxer moves to segmentStart_ at the next pause

  REFERENCE_TIME segmentStart_ = 0;
  std::atomic<REFERENCE_TIME> segmentStop_{0};  // may change while streaming
  double segmentRate_ = 1.0;
};

}  // namespace ffmedia
