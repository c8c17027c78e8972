#pragma once
// Media files made for the tests with FFmpeg's encoders, once per test process, in a
// temporary folder that is removed when the process ends. Nothing here is committed.

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

struct TestMedia {
  // Lossless: a 50x36 test pattern with a frame counter, 10 frames per second, 30 frames,
  // FFV1 in Matroska with a key frame every 10 frames. 50 pixels make 150-byte rows, so the
  // 24-bit bitmaps have 2 bytes of padding per row.
  static constexpr int kLosslessWidth = 50;
  static constexpr int kLosslessHeight = 36;
  static constexpr int kLosslessFrames = 30;
  static constexpr int kLosslessRate = 10;
  // Lossy with sound: 160x120 MPEG-4 part 2 at 25 frames per second for 2 seconds, and a
  // 440 Hz sine in AAC at 44100 Hz, in MP4.
  static constexpr int kLossyWidth = 160;
  static constexpr int kLossyHeight = 120;
  static constexpr int kLossyFrames = 50;
  static constexpr int kSineFrequency = 440;

  std::filesystem::path folder;
  std::filesystem::path lossless;       // lossless.mkv
  std::filesystem::path lossyWithSound; // lossy.mp4
  std::filesystem::path truncated;      // the first half of lossy.mp4
  std::filesystem::path corrupt;        // bytes that are no media
  std::filesystem::path damaged;        // lossy.mp4 with noise over a tenth of its data
  std::filesystem::path cutShort;       // the first 60 % of lossless.mkv: its header is whole
  std::filesystem::path missing;        // a path where no file exists

  // Frame n of the lossless pattern as the generator made it, laid out as a bottom-up
  // 24-bit bitmap with rows padded to 4 bytes.
  std::vector<std::uint8_t> LosslessBitmap(int n) const;

  // The media, made at the first call (aborts the test program when FFmpeg fails).
  static const TestMedia& Get();

  // The lavfi description of the lossless pattern, for live sources of the same picture.
  static std::string LosslessPattern();

 private:
  std::vector<std::uint8_t> reference_;  // top-down bgr24 frames from the generator
};

// Runs the ffmpeg tool with the given arguments; true when it succeeds.
bool RunFfmpeg(const std::string& arguments);
