#include "tests/platform/dshow_ffmpeg/test_media.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>

namespace {

std::string Quote(const std::filesystem::path& path) { return "'" + path.string() + "'"; }

class RemoveFolder : public ::testing::Environment {
 public:
  static std::filesystem::path& Folder() {
    static std::filesystem::path folder;
    return folder;
  }
  void TearDown() override {
    std::error_code ignored;
    if (!Folder().empty()) std::filesystem::remove_all(Folder(), ignored);
  }
};
::testing::Environment* const removeFolder =
    ::testing::AddGlobalTestEnvironment(new RemoveFolder);

std::vector<std::uint8_t> ReadAll(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void Require(bool ok, const char* what) {
  if (!ok) {
    std::fprintf(stderr, "test media: %s failed\n", what);
    std::abort();
  }
}

}  // namespace

bool RunFfmpeg(const std::string& arguments) {
  const std::string command = std::string(CORVANE_FFMPEG_TOOL) + " -nostdin -v error -y " + arguments;
  return std::system(command.c_str()) == 0;
}

std::string TestMedia::LosslessPattern() {
  return "testsrc=size=" + std::to_string(kLosslessWidth) + "x" + std::to_string(kLosslessHeight) +
         ":rate=" + std::to_string(kLosslessRate);
}

const TestMedia& TestMedia::Get() {
  static const TestMedia media = [] {
    TestMedia m;
    m.folder = std::filesystem::temp_directory_path() /
               ("corvane-dshow-ffmpeg-" + std::to_string(getpid()));
    std::filesystem::create_directories(m.folder);
    RemoveFolder::Folder() = m.folder;
    m.lossless = m.folder / "lossless.mkv";
    m.lossyWithSound = m.folder / "lossy.mp4";
    m.truncated = m.folder / "truncated.mp4";
    m.corrupt = m.folder / "corrupt.mp4";
    m.damaged = m.folder / "damaged.mp4";
    m.cutShort = m.folder / "cut_short.mkv";
    m.missing = m.folder / "missing.mkv";
    const std::string pattern = "-f lavfi -i " + LosslessPattern() +
                                ":duration=" + std::to_string(kLosslessFrames / kLosslessRate);
    const std::filesystem::path reference = m.folder / "lossless.bgr";
    Require(RunFfmpeg(pattern + " -c:v ffv1 -g 10 -pix_fmt bgr0 " + Quote(m.lossless)), "FFV1");
    Require(RunFfmpeg(pattern + " -f rawvideo -pix_fmt bgr24 " + Quote(reference)), "raw");
    Require(RunFfmpeg("-f lavfi -i testsrc=size=160x120:rate=25:duration=2 "
                      "-f lavfi -i sine=frequency=440:sample_rate=44100:duration=2 "
                      "-c:v mpeg4 -q:v 4 -g 12 -c:a aac -b:a 96k " + Quote(m.lossyWithSound)),
            "MPEG-4");
    m.reference_ = ReadAll(reference);
    const std::vector<std::uint8_t> lossless = ReadAll(m.lossless);
    std::ofstream(m.cutShort, std::ios::binary)
        .write(reinterpret_cast<const char*>(lossless.data()),
               static_cast<std::streamsize>(lossless.size() * 6 / 10));
    Require(m.reference_.size() ==
                std::size_t{kLosslessWidth} * kLosslessHeight * 3 * kLosslessFrames,
            "reference size");
    const std::vector<std::uint8_t> lossy = ReadAll(m.lossyWithSound);
    std::ofstream(m.truncated, std::ios::binary)
        .write(reinterpret_cast<const char*>(lossy.data()),
               static_cast<std::streamsize>(lossy.size() / 2));
    std::string noise(4096, '\0');
    std::uint32_t seed = 12345;
    for (char& c : noise) c = static_cast<char>((seed = seed * 1103515245u + 12345u) >> 24);
    std::ofstream(m.corrupt, std::ios::binary).write(noise.data(), noise.size());
    // The index sits at the end of the file; the noise lands among the coded pictures and
    // sound in the middle.
    std::vector<std::uint8_t> damaged = lossy;
    for (std::size_t i = damaged.size() * 3 / 10; i < damaged.size() * 4 / 10; ++i)
      damaged[i] = static_cast<std::uint8_t>((seed = seed * 1103515245u + 12345u) >> 24);
    std::ofstream(m.damaged, std::ios::binary)
        .write(reinterpret_cast<const char*>(damaged.data()),
               static_cast<std::streamsize>(damaged.size()));
    return m;
  }();
  return media;
}

std::vector<std::uint8_t> TestMedia::LosslessBitmap(int n) const {
  const int pitch = (kLosslessWidth * 3 + 3) & ~3;
  std::vector<std::uint8_t> bitmap(static_cast<std::size_t>(pitch) * kLosslessHeight, 0);
  const std::uint8_t* frame =
      reference_.data() + static_cast<std::size_t>(n) * kLosslessWidth * kLosslessHeight * 3;
  for (int row = 0; row < kLosslessHeight; ++row)
    std::copy_n(frame + static_cast<std::size_t>(row) * kLosslessWidth * 3, kLosslessWidth * 3,
                bitmap.data() + static_cast<std::size_t>(kLosslessHeight - 1 - row) * pitch);
  return bitmap;
}
