#include "platform/dshow/ffmpeg/media_splitter.h"

#include <cmath>
#include <cstring>
#include <functional>

#include "platform/dshow/ffmpeg/stream_media_types.h"
#include "platform/win32/text_conversion.h"

namespace ffmedia {

namespace {

std::string ToUtf8(const std::u16string& text) {
  if (text.empty()) return {};
  const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                       nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<std::size_t>(size > 0 ? size : 0), '\0');
  if (size > 0)
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), size,
                        nullptr, nullptr);
  return out;
}

bool IsOffered(const AVStream& stream) {
  const AVMediaType type = stream.codecpar->codec_type;
  if (stream.disposition & AV_DISPOSITION_ATTACHED_PIC) return false;  // cover art
  if (type == AVMEDIA_TYPE_VIDEO) return stream.codecpar->width > 0 && stream.codecpar->height > 0;
  return type == AVMEDIA_TYPE_AUDIO;
}

HRESULT OpenFailure(int error) {
  switch (error) {
    case AVERROR(ENOENT):
    case AVERROR_HTTP_NOT_FOUND:
    case AVERROR_HTTP_FORBIDDEN:
    case AVERROR_HTTP_UNAUTHORIZED:
      return VFW_E_FILE_NOT_FOUND;
    case AVERROR_INVALIDDATA:
    case AVERROR_DEMUXER_NOT_FOUND:
      return VFW_E_UNKNOWN_FILE_TYPE;
    default:
      return E_FAIL;
  }
}

// Stream time of a media time: its distance from the segment start at the segment's rate.
REFERENCE_TIME StreamTime(REFERENCE_TIME mediaTime, REFERENCE_TIME start, double rate) {
  if (rate == 1.0) return mediaTime - start;
  return std::llround(static_cast<double>(mediaTime - start) / rate);
}

}  // namespace

// --- pin ------------------------------------------------------------------------------------

CSplitterOutputPin::CSplitterOutputPin(CMediaSplitter* splitter, int stream, LPCWSTR name,
                                       HRESULT* result)
    : CSourceStream("splitter output pin", result, splitter, name),
      splitter_(splitter),
      stream_(stream),
      type_(MakeCompressedType(*splitter->Media().Stream(stream))) {}

HRESULT CSplitterOutputPin::CheckMediaType(const CMediaType* mt) {
  return mt && *mt == type_ ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT CSplitterOutputPin::GetMediaType(int position, CMediaType* mt) {
  if (position < 0) return E_INVALIDARG;
  if (position > 0) return VFW_S_NO_MORE_ITEMS;
  *mt = type_;
  return S_OK;
}

HRESULT CSplitterOutputPin::DecideBufferSize(IMemAllocator* allocator,
                                             ALLOCATOR_PROPERTIES* request) {
  const AVCodecParameters& p = *splitter_->Media().Stream(stream_)->codecpar;
  ALLOCATOR_PROPERTIES wanted = *request;
  if (p.codec_type == AVMEDIA_TYPE_VIDEO) {
    // A compressed picture stays below the raw picture; lossless and raw codecs may not.
    const AVCodecDescriptor* codec = avcodec_descriptor_get(p.codec_id);
    const bool mayBeLarge = !codec || (codec->props & AV_CODEC_PROP_LOSSLESS);
    const long long pixels = static_cast<long long>(p.width) * p.height;
    const long long size = mayBeLarge ? pixels * 8 : std::max(pixels * 3 / 2, 1LL << 20);
    wanted.cbBuffer = static_cast<LONG>(std::min(size + 65536, 1LL << 30));
    wanted.cBuffers = std::max<LONG>(wanted.cBuffers, 2);
  } else {
    wanted.cbBuffer = std::max<LONG>(wanted.cbBuffer, 1 << 18);
    wanted.cBuffers = std::max<LONG>(wanted.cBuffers, 16);
  }
  wanted.cbAlign = std::max<LONG>(wanted.cbAlign, 1);
  ALLOCATOR_PROPERTIES actual{};
  const HRESULT hr = allocator->SetProperties(&wanted, &actual);
  if (FAILED(hr)) return hr;
  return actual.cbBuffer < wanted.cbBuffer || actual.cBuffers < 1 ? E_FAIL : S_OK;
}

HRESULT CSplitterOutputPin::FillBuffer(IMediaSample* sample) {
  PacketPtr packet = MakePacket();
  if (!packet) return E_OUTOFMEMORY;
  for (;;) {
    if (StopRequested()) return S_FALSE;
    const int read = splitter_->NextPacket(stream_, packet.get());
    if (read == AVERROR_EOF || read == AVERROR_EXIT) return S_FALSE;
    if (read < 0) return E_FAIL;

    const Demuxer& media = splitter_->Media();
    const REFERENCE_TIME time = media.PacketTime(*packet);
    const REFERENCE_TIME stop = splitter_->SegmentStop();
    if (time != kUnknownTime && stop < media.Duration() && time >= stop) return S_FALSE;

    BYTE* buffer = nullptr;
    sample->GetPointer(&buffer);
    if (packet->size > sample->GetSize()) {
      // Cannot happen with the sizes chosen in DecideBufferSize short of a damaged file; the
      // decoder learns of the gap through the discontinuity flag.
      lastPacketSkipped_ = true;
      av_packet_unref(packet.get());
      continue;
    }
    std::memcpy(buffer, packet->data, static_cast<std::size_t>(packet->size));
    sample->SetActualDataLength(packet->size);
    if (time != kUnknownTime) {
      const REFERENCE_TIME start = splitter_->SegmentStart();
      const double rate = splitter_->SegmentRate();
      REFERENCE_TIME streamStart = StreamTime(time, start, rate);
      REFERENCE_TIME streamEnd =
          StreamTime(time + std::max<REFERENCE_TIME>(media.PacketDuration(*packet), 1), start, rate);
      sample->SetTime(&streamStart, &streamEnd);
    } else {
      sample->SetTime(nullptr, nullptr);
    }
    sample->SetSyncPoint((packet->flags & AV_PKT_FLAG_KEY) ? TRUE : FALSE);
    if (lastPacketSkipped_) {
      sample->SetDiscontinuity(TRUE);
      lastPacketSkipped_ = false;
    }
    return S_OK;
  }
}

HRESULT CSplitterOutputPin::OnThreadDestroy() {
  // Ended by itself (end of media, or downstream refused): nobody takes this stream's packets
  // until the next pause or seek.
  if (!StopRequested()) splitter_->StopQueueing(stream_);
  return S_OK;
}

// --- filter ---------------------------------------------------------------------------------

CMediaSplitter::CMediaSplitter()
    : CSource("media splitter", nullptr, CLSID_MediaSplitter), CSourceSeeking(0) {}

void CMediaSplitter::SetDuration(REFERENCE_TIME duration) {
  duration_ = stop_ = duration;
  segmentStop_.store(duration, std::memory_order_release);
}

CMediaSplitter* CMediaSplitter::Open(const std::u16string& url, HRESULT* result) {
  auto fail = [result](HRESULT hr) -> CMediaSplitter* {
    if (result) *result = hr;
    return nullptr;
  };
  const std::string path = ToUtf8(url);
  if (path.empty()) return fail(E_INVALIDARG);
  // The filter owns the demuxer from the start: its interrupt callback points at it.
  auto* splitter = new CMediaSplitter();
  splitter->NonDelegatingAddRef();
  auto failAndRelease = [&](HRESULT hr) {
    splitter->NonDelegatingRelease();
    return fail(hr);
  };
  Demuxer& media = splitter->demuxer_;
  const int opened = media.Open(path);
  if (opened < 0) return failAndRelease(OpenFailure(opened));
  std::vector<int> offered;
  for (int i = 0; i < media.StreamCount(); ++i)
    if (IsOffered(*media.Stream(i))) offered.push_back(i);
  if (offered.empty()) return failAndRelease(VFW_E_UNSUPPORTED_STREAM);
  splitter->SetDuration(media.Duration());
  splitter->queues_ = std::vector<Queue>(static_cast<std::size_t>(media.StreamCount()));
  int videos = 0, audios = 0;
  for (int stream : offered) {
    const bool video = media.Stream(stream)->codecpar->codec_type == AVMEDIA_TYPE_VIDEO;
    const int n = video ? ++videos : ++audios;
    std::u16string name = video ? u"Video" : u"Audio";
    if (n > 1) {
      const std::string number = std::to_string(n);
      name += u' ';
      name.append(number.begin(), number.end());
    }
    HRESULT hr = S_OK;
    new CSplitterOutputPin(splitter, stream, name.c_str(), &hr);
    if (FAILED(hr)) return failAndRelease(hr);
  }
  if (result) *result = S_OK;
  return splitter;
}

CMediaSplitter::~CMediaSplitter() {
  // The pins' threads read the demuxer, which goes before the base deletes the pins.
  Stop();
}

HRESULT CMediaSplitter::NonDelegatingQueryInterface(REFIID iid, void** object) {
  if (iid == IID_IMediaSeeking) return GetInterface(static_cast<IMediaSeeking*>(this), object);
  return CSource::NonDelegatingQueryInterface(iid, object);
}

HRESULT CMediaSplitter::Pause() {
  std::lock_guard lock(filterLock_);
  if (IsStopped()) {
    std::lock_guard read(readLock_);
    // Seeks made while stopped move the demuxer only now, when data is wanted again: a
    // graph stopped or released after its server went away does no network reads.
    if (seekPending_) {
      seekPending_ = false;
      demuxer_.SeekToKeyFrame(segmentStart_);
    }
    QueueAllStreams();
  }
  return CSource::Pause();
}

HRESULT CMediaSplitter::Stop() {
  std::lock_guard lock(filterLock_);
  if (IsStopped()) return S_OK;
  // A pin blocked in a network read returns at once; the others stop at their next sample.
  demuxer_.RequestAbort();
  const HRESULT hr = CSource::Stop();
  demuxer_.ClearAbort();
  // The next run starts from the current start position, with no half-read packet left.
  std::lock_guard read(readLock_);
  for (Queue& queue : queues_) queue.packets.clear();
  readResult_ = 0;
  seekPending_ = true;
  return hr;
}

void CMediaSplitter::QueueAllStreams() {
  for (CSourceStream* stream : streams_) {
    auto* pin = static_cast<CSplitterOutputPin*>(stream);
    queues_[static_cast<std::size_t>(pin->StreamIndex())].active = pin->IsConnected();
  }
}

int CMediaSplitter::NextPacket(int stream, AVPacket* packet) {
  std::lock_guard lock(readLock_);
  Queue& own = queues_[static_cast<std::size_t>(stream)];
  if (!own.packets.empty()) {
    av_packet_move_ref(packet, own.packets.front().get());
    own.packets.pop_front();
    return 0;
  }
  if (readResult_ < 0) return readResult_;
  for (;;) {
    const int read = demuxer_.ReadPacket(packet);
    if (read == AVERROR(EAGAIN)) continue;
    if (read < 0) {
      if (read != AVERROR_EXIT) readResult_ = read;
      return read;
    }
    if (packet->stream_index == stream) return 0;
    const auto index = static_cast<std::size_t>(packet->stream_index);
    if (index < queues_.size() && queues_[index].active) {
      PacketPtr queued = MakePacket();
      if (queued) {
        av_packet_move_ref(queued.get(), packet);
        queues_[index].packets.push_back(std::move(queued));
        continue;
      }
    }
    av_packet_unref(packet);
  }
}

void CMediaSplitter::StopQueueing(int stream) {
  std::lock_guard lock(readLock_);
  Queue& queue = queues_[static_cast<std::size_t>(stream)];
  queue.active = false;
  queue.packets.clear();
}

HRESULT CMediaSplitter::Reposition() {
  std::vector<CSourceStream*> pins;
  for (CSourceStream* stream : streams_)
    if (stream->IsConnected()) pins.push_back(stream);
  HRESULT seek = S_OK;
  // Every pin is flushed and stopped before the demuxer moves, and restarted after it.
  auto apply = [&] {
    std::lock_guard lock(readLock_);
    segmentStart_ = start_;
    segmentStop_.store(stop_, std::memory_order_release);
    segmentRate_ = rate_;
    for (Queue& queue : queues_) queue.packets.clear();
    readResult_ = 0;
    if (IsStopped()) {
      seekPending_ = true;
      return;
    }
    QueueAllStreams();
    seekPending_ = false;
    if (demuxer_.SeekToKeyFrame(start_) < 0) seek = E_FAIL;
  };
  std::function<HRESULT(std::size_t)> restart = [&](std::size_t i) -> HRESULT {
    if (i == pins.size()) {
      apply();
      return S_OK;
    }
    return pins[i]->Restart(start_, stop_, rate_, [&] { restart(i + 1); });
  };
  // Under the seeking lock, which comes after the filter lock: the state cannot change
  // meanwhile because both are changed on the application thread only.
  const HRESULT hr = restart(0);
  return FAILED(seek) ? seek : hr;
}

HRESULT CMediaSplitter::ChangeStart() { return Reposition(); }

HRESULT CMediaSplitter::ChangeRate() {
  // Streams are restamped at the next seek, which the graph makes right after a rate change
  // from the position reached; restarting here would replay from the last seek meanwhile.
  if (IsStopped()) segmentRate_ = rate_;
  return S_OK;
}

HRESULT CMediaSplitter::ChangeStop() {
  segmentStop_.store(stop_, std::memory_order_release);
  return S_OK;
}

}  // namespace ffmedia
