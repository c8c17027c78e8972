// The FFmpeg layer below the filters: demuxing files and URLs, decoding, conversion to
// bottom-up 24-bit RGB, seeking, and live pattern sources.

#include <gtest/gtest.h>

#include <cmath>

#include "platform/dshow/ffmpeg/capture_inputs.h"
#include "platform/dshow/ffmpeg/media_decoder.h"
#include "platform/dshow/ffmpeg/media_demuxer.h"
#include "platform/dshow/ffmpeg/pcm16_converter.h"
#include "platform/dshow/ffmpeg/rgb24_converter.h"
#include "tests/platform/dshow_ffmpeg/loopback_http_server.h"
#include "tests/platform/dshow_ffmpeg/test_media.h"

namespace {

using namespace ffmedia;

struct DecodedPicture {
  REFERENCE_TIME time;
  std::vector<std::uint8_t> bitmap;
};

// Decodes the first video stream of an open input into bitmaps, from the current read
// position, until `limit` pictures or the end.
std::vector<DecodedPicture> DecodeVideo(Demuxer& input, int limit) {
  int stream = -1;
  for (int i = 0; i < input.StreamCount() && stream < 0; ++i)
    if (input.Stream(i)->codecpar->codec_type == AVMEDIA_TYPE_VIDEO) stream = i;
  EXPECT_GE(stream, 0);
  Decoder decoder;
  EXPECT_EQ(decoder.Open(input.Stream(stream)->codecpar, input.Stream(stream)->time_base), 0);
  Rgb24Converter converter;
  PacketPtr packet = MakePacket();
  FramePtr frame = MakeFrame();
  std::vector<DecodedPicture> pictures;
  bool draining = false;
  while (static_cast<int>(pictures.size()) < limit) {
    const int received = decoder.Receive(frame.get());
    if (received == 0) {
      DecodedPicture picture;
      picture.time = ToReferenceTime(frame->best_effort_timestamp, input.Stream(stream)->time_base);
      picture.bitmap.assign(Rgb24ImageSize(frame->width, frame->height), 0);
      EXPECT_TRUE(converter.Convert(*frame, picture.bitmap.data(), picture.bitmap.size()));
      pictures.push_back(std::move(picture));
      av_frame_unref(frame.get());
      continue;
    }
    if (received == AVERROR_EOF || draining) break;
    const int read = input.ReadPacket(packet.get());
    if (read < 0) {
      draining = true;
      decoder.Send(nullptr);
      continue;
    }
    if (packet->stream_index == stream) {
      EXPECT_EQ(decoder.Send(packet.get()), 0);
    }
    av_packet_unref(packet.get());
  }
  return pictures;
}

constexpr REFERENCE_TIME kLosslessFrameTime = 10'000'000 / TestMedia::kLosslessRate;

TEST(FfmpegLayer, LosslessFileDecodesToTheGeneratorsBottomUpPixels) {
  const TestMedia& media = TestMedia::Get();
  Demuxer input;
  ASSERT_EQ(input.Open(media.lossless.string()), 0);
  EXPECT_NEAR(static_cast<double>(input.Duration()), 3e7, 1e5);
  const std::vector<DecodedPicture> pictures = DecodeVideo(input, 1000);
  ASSERT_EQ(pictures.size(), std::size_t{TestMedia::kLosslessFrames});
  for (int n = 0; n < TestMedia::kLosslessFrames; ++n) {
    EXPECT_EQ(pictures[n].time, n * kLosslessFrameTime);
    EXPECT_TRUE(pictures[n].bitmap == media.LosslessBitmap(n)) << "frame " << n;
  }
  // Every frame differs from the next, so a picture match identifies the frame.
  for (int n = 1; n < TestMedia::kLosslessFrames; ++n)
    EXPECT_NE(media.LosslessBitmap(n), media.LosslessBitmap(n - 1));
}

TEST(FfmpegLayer, SeekingToAFrameBetweenKeyFramesLandsOnIt) {
  const TestMedia& media = TestMedia::Get();
  Demuxer input;
  ASSERT_EQ(input.Open(media.lossless.string()), 0);
  DecodeVideo(input, 5);
  for (int target : {17, 3, 29, 0, 10}) {
    SCOPED_TRACE(target);
    ASSERT_EQ(input.SeekToKeyFrame(target * kLosslessFrameTime), 0);
    const std::vector<DecodedPicture> pictures = DecodeVideo(input, 40);
    ASSERT_FALSE(pictures.empty());
    // Decoding resumes at the key frame at or before the target (every tenth frame).
    EXPECT_EQ(pictures.front().time, target / 10 * 10 * kLosslessFrameTime);
    bool found = false;
    for (const DecodedPicture& picture : pictures)
      if (picture.time == target * kLosslessFrameTime) {
        found = true;
        EXPECT_TRUE(picture.bitmap == media.LosslessBitmap(target));
      }
    EXPECT_TRUE(found);
  }
}

TEST(FfmpegLayer, LossyFileDecodesPicturesAndTheSine) {
  const TestMedia& media = TestMedia::Get();
  Demuxer input;
  ASSERT_EQ(input.Open(media.lossyWithSound.string()), 0);
  int audioStream = -1;
  for (int i = 0; i < input.StreamCount(); ++i)
    if (input.Stream(i)->codecpar->codec_type == AVMEDIA_TYPE_AUDIO) audioStream = i;
  ASSERT_GE(audioStream, 0);
  Decoder audio;
  ASSERT_EQ(audio.Open(input.Stream(audioStream)->codecpar, input.Stream(audioStream)->time_base), 0);
  Pcm16Converter converter;
  std::vector<std::uint8_t> pcm;
  PacketPtr packet = MakePacket();
  FramePtr frame = MakeFrame();
  int videoPackets = 0;
  while (input.ReadPacket(packet.get()) == 0) {
    if (packet->stream_index == audioStream) {
      ASSERT_EQ(audio.Send(packet.get()), 0);
      while (audio.Receive(frame.get()) == 0) {
        ASSERT_TRUE(converter.Convert(*frame, pcm));
        av_frame_unref(frame.get());
      }
    } else {
      ++videoPackets;
    }
    av_packet_unref(packet.get());
  }
  EXPECT_EQ(videoPackets, TestMedia::kLossyFrames);
  // Mono 16-bit at 44100 Hz: count sign changes in the middle second of the tone.
  const auto* samples = reinterpret_cast<const std::int16_t*>(pcm.data());
  const std::size_t count = pcm.size() / 2;
  ASSERT_GT(count, std::size_t{88200 - 4096});
  int crossings = 0, peak = 0;
  for (std::size_t i = 22050 + 1; i < 22050 + 44100; ++i) {
    if ((samples[i - 1] < 0) != (samples[i] < 0)) ++crossings;
    peak = std::max(peak, std::abs(int{samples[i]}));
  }
  EXPECT_NEAR(crossings, 2 * TestMedia::kSineFrequency, 4);
  EXPECT_GT(peak, 4000);

  ASSERT_EQ(input.SeekToKeyFrame(0), 0);
  const std::vector<DecodedPicture> pictures = DecodeVideo(input, 1000);
  ASSERT_EQ(pictures.size(), std::size_t{TestMedia::kLossyFrames});
  EXPECT_EQ(pictures[0].bitmap.size(), Rgb24ImageSize(TestMedia::kLossyWidth, TestMedia::kLossyHeight));
}

TEST(FfmpegLayer, HttpUrlFromALoopbackServerDecodesLikeTheFile) {
  const TestMedia& media = TestMedia::Get();
  LoopbackHttpServer server(media.folder);
  Demuxer input;
  ASSERT_EQ(input.Open(server.Url("lossless.mkv")), 0);
  ASSERT_EQ(input.SeekToKeyFrame(25 * kLosslessFrameTime), 0);
  const std::vector<DecodedPicture> pictures = DecodeVideo(input, 1000);
  ASSERT_EQ(pictures.size(), std::size_t{10});
  EXPECT_TRUE(pictures.back().bitmap == media.LosslessBitmap(29));
  EXPECT_GE(server.FilesServed(), 1);

  Demuxer absent;
  EXPECT_LT(absent.Open(server.Url("absent.mkv")), 0);
}

TEST(FfmpegLayer, BrokenMediaFailsToOpen) {
  const TestMedia& media = TestMedia::Get();
  for (const auto& path : {media.missing, media.corrupt, media.truncated}) {
    Demuxer input;
    EXPECT_LT(input.Open(path.string()), 0) << path;
    EXPECT_EQ(input.StreamCount(), 0);
  }
}

TEST(FfmpegLayer, FilterGraphInputIsALiveVideoSourceOfThePattern) {
  const TestMedia& media = TestMedia::Get();
  Demuxer input;
  ASSERT_EQ(OpenFilterGraphInput(input, TestMedia::LosslessPattern()), 0);
  EXPECT_EQ(input.Duration(), 0);
  const std::vector<DecodedPicture> pictures = DecodeVideo(input, 3);
  ASSERT_EQ(pictures.size(), std::size_t{3});
  for (int n = 0; n < 3; ++n) EXPECT_TRUE(pictures[n].bitmap == media.LosslessBitmap(n));

  Demuxer invalid;
  EXPECT_LT(OpenFilterGraphInput(invalid, "nosuchsource=size=2x2"), 0);
}

TEST(FfmpegLayer, V4l2DevicesAreListedWithPaths) {
  for (const V4l2Device& device : ListV4l2Devices()) EXPECT_FALSE(device.path.empty());
}

}  // namespace
