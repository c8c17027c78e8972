#include "apps/clip_generator.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <vector>

#include "apps/argb_canvas.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/imgutils.h>
}

namespace {

struct FormatDeleter {
  void operator()(AVFormatContext* f) const {
    if (f->pb) avio_closep(&f->pb);
    avformat_free_context(f);
  }
};
struct CodecDeleter {
  void operator()(AVCodecContext* c) const { avcodec_free_context(&c); }
};
struct FrameDeleter {
  void operator()(AVFrame* f) const { av_frame_free(&f); }
};
struct PacketDeleter {
  void operator()(AVPacket* p) const { av_packet_free(&p); }
};
using FormatPtr = std::unique_ptr<AVFormatContext, FormatDeleter>;
using CodecPtr = std::unique_ptr<AVCodecContext, CodecDeleter>;
using FramePtr = std::unique_ptr<AVFrame, FrameDeleter>;
using PacketPtr = std::unique_ptr<AVPacket, PacketDeleter>;

std::string AvError(int code) {
  char text[AV_ERROR_MAX_STRING_SIZE] = {};
  av_strerror(code, text, sizeof text);
  return text;
}

// One encoder and the stream it feeds.
struct Track {
  CodecPtr codec;
  AVStream* stream = nullptr;
  std::int64_t next = 0;  // pts of the next frame, in the codec's time base
};

// The picture of frame n as ARGB.
ArgbCanvas PatternFrame(int n, const ClipSettings& s) {
  ArgbCanvas canvas(s.width, s.height, 0xFF000000);
  const float t = static_cast<float>(n) / s.framesPerSecond;
  // Diagonal colour bands drifting to the right: one colour per diagonal.
  std::vector<std::uint32_t> diagonal(static_cast<std::size_t>(s.width + s.height));
  for (std::size_t d = 0; d < diagonal.size(); ++d)
    diagonal[d] = Shade(HeatColour(std::fmod(d * 0.01f - t * 0.5f + 10.0f, 1.0f)), 0.55f);
  for (int y = 0; y < s.height; ++y)
    for (int x = 0; x < s.width; ++x) canvas.Plot(x, y, diagonal[static_cast<std::size_t>(x + y)]);
  // A disc going round, one turn per second.
  const float angle = 6.2831853f * t;
  canvas.Disc(s.width * 0.5f + s.width * 0.3f * std::cos(angle), s.height * 0.62f + s.height * 0.22f * std::sin(angle),
              s.height * 0.08f, 0xFFFFFFFF);
  // The frame number, large, on a dark bar across the top.
  char counter[16];
  std::snprintf(counter, sizeof counter, "%03d", n);
  const int small = std::max(1, s.height / 80), large = std::max(1, s.height / 24);
  const int digitsWidth = 3 * 6 * large - large;
  canvas.Rectangle(0, 0, s.width, 3 * small + 7 * small + 7 * large + 4 * small, 0xFF101010);
  canvas.Text(3 * small, 3 * small, "FRAME", 0xFFE0E0E0, small);
  canvas.Text((s.width - digitsWidth) / 2, 3 * small + 7 * small + 2 * small, counter, 0xFFFFD040, large);
  return canvas;
}

// ARGB to 4:2:0 YUV (BT.601, studio range).
void FillYuv(const ArgbCanvas& picture, AVFrame* frame) {
  for (int y = 0; y < frame->height; ++y)
    for (int x = 0; x < frame->width; ++x) {
      const std::uint32_t p = picture.At(x, y);
      const int r = (p >> 16) & 0xFF, g = (p >> 8) & 0xFF, b = p & 0xFF;
      frame->data[0][y * frame->linesize[0] + x] = static_cast<std::uint8_t>(((66 * r + 129 * g + 25 * b + 128) >> 8) + 16);
      if ((x | y) & 1) continue;
      frame->data[1][(y / 2) * frame->linesize[1] + x / 2] =
          static_cast<std::uint8_t>(((-38 * r - 74 * g + 112 * b + 128) >> 8) + 128);
      frame->data[2][(y / 2) * frame->linesize[2] + x / 2] =
          static_cast<std::uint8_t>(((112 * r - 94 * g - 18 * b + 128) >> 8) + 128);
    }
}

// Samples first .. first + count of the tone, mono 16-bit.
void FillTone(std::int64_t first, const ClipSettings& s, AVFrame* frame) {
  auto* samples = reinterpret_cast<std::int16_t*>(frame->data[0]);
  for (int i = 0; i < frame->nb_samples; ++i) {
    const std::int64_t k = first + i;
    const bool beep = k % s.sampleRate < s.sampleRate / 10;
    const double hz = beep ? 880.0 : 440.0;
    samples[i] = static_cast<std::int16_t>((beep ? 9000 : 3000) * std::sin(6.283185307 * hz * k / s.sampleRate));
  }
}

bool Open(AVFormatContext* format, Track& track, const AVCodec* encoder, std::string* error) {
  if (format->oformat->flags & AVFMT_GLOBALHEADER) track.codec->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
  int result = avcodec_open2(track.codec.get(), encoder, nullptr);
  if (result >= 0) result = avcodec_parameters_from_context(track.stream->codecpar, track.codec.get());
  if (result < 0) {
    *error = std::string("cannot open the ") + encoder->name + " encoder: " + AvError(result);
    return false;
  }
  track.stream->time_base = track.codec->time_base;
  return true;
}

bool AddVideo(AVFormatContext* format, const ClipSettings& s, Track& track, std::string* error) {
  const AVCodec* encoder = avcodec_find_encoder(AV_CODEC_ID_MPEG4);
  if (!encoder) return *error = "no MPEG-4 video encoder in this FFmpeg", false;
  track.stream = avformat_new_stream(format, nullptr);
  track.codec.reset(avcodec_alloc_context3(encoder));
  if (!track.stream || !track.codec) return *error = "out of memory", false;
  AVCodecContext* c = track.codec.get();
  c->width = s.width;
  c->height = s.height;
  c->time_base = {1, s.framesPerSecond};
  c->framerate = {s.framesPerSecond, 1};
  c->pix_fmt = AV_PIX_FMT_YUV420P;
  c->gop_size = s.framesPerSecond / 2;
  c->bit_rate = 1500000;
  return Open(format, track, encoder, error);
}

bool AddAudio(AVFormatContext* format, const ClipSettings& s, Track& track, std::string* error) {
  const AVCodec* encoder = avcodec_find_encoder(AV_CODEC_ID_PCM_S16LE);
  if (!encoder) return *error = "no PCM audio encoder in this FFmpeg", false;
  track.stream = avformat_new_stream(format, nullptr);
  track.codec.reset(avcodec_alloc_context3(encoder));
  if (!track.stream || !track.codec) return *error = "out of memory", false;
  AVCodecContext* c = track.codec.get();
  c->sample_fmt = AV_SAMPLE_FMT_S16;
  c->sample_rate = s.sampleRate;
  av_channel_layout_default(&c->ch_layout, 1);
  c->time_base = {1, s.sampleRate};
  return Open(format, track, encoder, error);
}

// Sends frame (null to drain) and writes what the encoder gives back.
bool Encode(AVFormatContext* format, Track& track, AVFrame* frame, AVPacket* packet, std::string* error) {
  int result = avcodec_send_frame(track.codec.get(), frame);
  while (result >= 0) {
    result = avcodec_receive_packet(track.codec.get(), packet);
    if (result == AVERROR(EAGAIN) || result == AVERROR_EOF) return true;
    if (result < 0) break;
    av_packet_rescale_ts(packet, track.codec->time_base, track.stream->time_base);
    packet->stream_index = track.stream->index;
    result = av_interleaved_write_frame(format, packet);
  }
  *error = "encoding failed: " + AvError(result);
  return false;
}

FramePtr MakeFrame(const Track& track, bool video, int samples) {
  FramePtr frame(av_frame_alloc());
  if (!frame) return frame;
  if (video) {
    frame->format = track.codec->pix_fmt;
    frame->width = track.codec->width;
    frame->height = track.codec->height;
  } else {
    frame->format = track.codec->sample_fmt;
    frame->sample_rate = track.codec->sample_rate;
    frame->nb_samples = samples;
    av_channel_layout_copy(&frame->ch_layout, &track.codec->ch_layout);
  }
  if (av_frame_get_buffer(frame.get(), 0) < 0) frame.reset();
  return frame;
}

bool WriteClip(const std::string& path, const ClipSettings& s, std::string* error) {
  AVFormatContext* raw = nullptr;
  if (avformat_alloc_output_context2(&raw, nullptr, "avi", path.c_str()) < 0 || !raw)
    return *error = "no AVI muxer in this FFmpeg", false;
  FormatPtr format(raw);
  Track video, audio;
  if (!AddVideo(raw, s, video, error) || !AddAudio(raw, s, audio, error)) return false;
  int result = avio_open(&raw->pb, path.c_str(), AVIO_FLAG_WRITE);
  if (result >= 0) result = avformat_write_header(raw, nullptr);
  if (result < 0) return *error = "cannot write " + path + ": " + AvError(result), false;

  constexpr int kSamplesPerFrame = 1024;
  FramePtr picture = MakeFrame(video, true, 0), sound = MakeFrame(audio, false, kSamplesPerFrame);
  PacketPtr packet(av_packet_alloc());
  if (!picture || !sound || !packet) return *error = "out of memory", false;
  const std::int64_t frames = static_cast<std::int64_t>(s.framesPerSecond) * s.seconds;
  const std::int64_t samples = static_cast<std::int64_t>(s.sampleRate) * s.seconds;
  while (video.next < frames || audio.next < samples) {
    const bool videoFirst =
        audio.next >= samples || (video.next < frames && av_compare_ts(video.next, video.codec->time_base, audio.next,
                                                                      audio.codec->time_base) <= 0);
    Track& track = videoFirst ? video : audio;
    AVFrame* frame = videoFirst ? picture.get() : sound.get();
    if (av_frame_make_writable(frame) < 0) return *error = "out of memory", false;
    if (videoFirst) {
      FillYuv(PatternFrame(static_cast<int>(video.next), s), frame);
    } else {
      frame->nb_samples = static_cast<int>(std::min<std::int64_t>(kSamplesPerFrame, samples - audio.next));
      FillTone(audio.next, s, frame);
    }
    frame->pts = track.next;
    track.next += videoFirst ? 1 : frame->nb_samples;
    if (!Encode(raw, track, frame, packet.get(), error)) return false;
  }
  if (!Encode(raw, video, nullptr, packet.get(), error) || !Encode(raw, audio, nullptr, packet.get(), error))
    return false;
  result = av_write_trailer(raw);
  if (result < 0) return *error = "cannot finish " + path + ": " + AvError(result), false;
  return true;
}

}  // namespace

bool GenerateClip(const std::string& path, const ClipSettings& settings, std::string* error) {
  const std::string partial = path + ".part";
  if (!WriteClip(partial, settings, error)) {
    std::error_code ignored;
    std::filesystem::remove(partial, ignored);
    return false;
  }
  std::error_code failed;
  std::filesystem::rename(partial, path, failed);
  if (failed) return *error = "cannot rename " + partial + ": " + failed.message(), false;
  return true;
}

bool EnsureClip(const std::string& path, const ClipSettings& settings, std::string* error) {
  std::error_code ignored;
  if (std::filesystem::is_regular_file(path, ignored) && std::filesystem::file_size(path, ignored) > 0) return true;
  return GenerateClip(path, settings, error);
}
