// The texture renderer filter alone: media types, texture creation on devices of different
// abilities, and the frames it writes, with samples from an engine allocator.

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <utility>
#include <vector>

#include "media_texture/texture_renderer.h"
#include "platform/d3d8/software_device.h"
#include "platform/dshow/base/allocator.h"
#include "platform/dshow/media_type.h"

namespace {

// A renderer held by the test (as the graph would hold it) on its own device.
class RendererFixture : public ::testing::Test {
 protected:
  void Use(const SoftwareDeviceOptions& options) {
    if (device) device->Release();
    device = CreateSoftwareDevice(options);
  }
  void SetUp() override {
    Use({});
    HRESULT hr = E_FAIL;
    renderer = new TextureRenderer(nullptr, &hr);
    ASSERT_EQ(hr, S_OK);
    renderer->NonDelegatingAddRef();
  }
  void TearDown() override {
    for (IMediaSample* s : samples) s->Release();
    if (allocator) {
      allocator->Decommit();
      allocator->Release();
    }
    renderer->NonDelegatingRelease();
    EXPECT_EQ(device->LiveTextureCount(), 0) << "the renderer released its texture";
    device->Release();
  }

  HRESULT Connect(LONG width, LONG height) {
    renderer->SetDevice(device);
    CMediaType type = MakeRgbVideoType(2, 2, 24, 400000);
    auto* info = reinterpret_cast<VIDEOINFOHEADER*>(type.Format());
    info->bmiHeader.biWidth = width;
    info->bmiHeader.biHeight = height;
    return renderer->SetMediaType(&type);
  }

  // A sample holding the given bytes.
  IMediaSample* Sample(const std::vector<std::uint8_t>& bytes) {
    if (!allocator) {
      HRESULT hr;
      allocator = new CMemAllocator("test allocator", nullptr, &hr);
      allocator->NonDelegatingAddRef();
      ALLOCATOR_PROPERTIES request{4, 4096, 1, 0}, actual;
      EXPECT_EQ(allocator->SetProperties(&request, &actual), S_OK);
      EXPECT_EQ(allocator->Commit(), S_OK);
    }
    IMediaSample* sample = nullptr;
    EXPECT_EQ(allocator->GetBuffer(&sample, nullptr, nullptr, AM_GBF_NOWAIT), S_OK);
    BYTE* buffer;
    sample->GetPointer(&buffer);
    std::memcpy(buffer, bytes.data(), bytes.size());
    sample->SetActualDataLength(static_cast<LONG>(bytes.size()));
    samples.push_back(sample);
    return sample;
  }

  // Row y of level 0, width x bytesPerPixel bytes.
  std::vector<std::uint8_t> Row(int y, int bytes) {
    D3DLOCKED_RECT locked;
    EXPECT_EQ(renderer->GetVideoTexture()->LockRect(0, &locked, nullptr, D3DLOCK_READONLY), S_OK);
    const auto* p = static_cast<const std::uint8_t*>(locked.pBits) + y * locked.Pitch;
    std::vector<std::uint8_t> row(p, p + bytes);
    renderer->GetVideoTexture()->UnlockRect(0);
    return row;
  }

  void Fill(std::uint8_t value) {
    D3DLOCKED_RECT locked;
    D3DSURFACE_DESC desc;
    renderer->GetVideoTexture()->GetLevelDesc(0, &desc);
    ASSERT_EQ(renderer->GetVideoTexture()->LockRect(0, &locked, nullptr, 0), S_OK);
    std::memset(locked.pBits, value, static_cast<std::size_t>(locked.Pitch) * desc.Height);
    renderer->GetVideoTexture()->UnlockRect(0);
  }

  SoftwareDevice* device = nullptr;
  TextureRenderer* renderer = nullptr;
  CMemAllocator* allocator = nullptr;
  std::vector<IMediaSample*> samples;
};

// The 2 x 2 frame: bottom row (1,2,3, 4,5,6) first in memory, then (7,8,9, 10,11,12).
const std::vector<std::uint8_t> k2x2 = {1, 2, 3, 4, 5, 6, 0, 0, 7, 8, 9, 10, 11, 12, 0, 0};

TEST_F(RendererFixture, AcceptsOnlyRgb24VideoWithVideoInfo) {
  struct Case {
    GUID major, sub, format;
    HRESULT expected;
  } cases[] = {
      {MEDIATYPE_Video, MEDIASUBTYPE_RGB24, FORMAT_VideoInfo, S_OK},
      {MEDIATYPE_Video, MEDIASUBTYPE_RGB32, FORMAT_VideoInfo, E_FAIL},
      {MEDIATYPE_Video, MediaSubtypeFromFourCC(MakeFourCC('Y', 'U', 'Y', '2')), FORMAT_VideoInfo, E_FAIL},
      {MEDIATYPE_Audio, MEDIASUBTYPE_RGB24, FORMAT_VideoInfo, E_FAIL},
      // The format type is looked at first.
      {MEDIATYPE_Video, MEDIASUBTYPE_RGB24, FORMAT_WaveFormatEx, E_INVALIDARG},
      {MEDIATYPE_Audio, MEDIASUBTYPE_PCM, FORMAT_None, E_INVALIDARG},
  };
  for (const Case& c : cases) {
    CMediaType type = MakeRgbVideoType(4, 4, 24, 0);
    type.majortype = c.major;
    type.subtype = c.sub;
    type.formattype = c.format;
    EXPECT_EQ(renderer->CheckMediaType(&type), c.expected);
  }
}

TEST_F(RendererFixture, ConnectionSizesAndCreatesTheTexture) {
  ASSERT_EQ(Connect(3, 5), S_OK);
  EXPECT_EQ(renderer->videoWidth, 3);
  EXPECT_EQ(renderer->videoHeight, 5);
  EXPECT_EQ(renderer->videoPitch, 12);  // 9 bytes rounded up to 4
  EXPECT_EQ(renderer->textureFormat, D3DFMT_A8R8G8B8);
  D3DSURFACE_DESC desc;
  ASSERT_EQ(renderer->GetVideoTexture()->GetLevelDesc(0, &desc), S_OK);
  EXPECT_EQ(desc.Width, 3u);
  EXPECT_EQ(desc.Height, 5u);
  EXPECT_EQ(renderer->GetVideoTexture()->GetLevelCount(), 1u);
  EXPECT_FALSE(renderer->IsFrameReady());
}

TEST_F(RendererFixture, FlipsRowsAndMakesThemOpaqueWhateverTheHeightSign) {
  for (LONG height : {2, -2}) {
    SCOPED_TRACE(height);
    ASSERT_EQ(Connect(2, height), S_OK);
    EXPECT_EQ(renderer->videoHeight, 2);
    EXPECT_EQ(renderer->videoPitch, 8);
    ASSERT_EQ(renderer->DoRenderSample(Sample(k2x2)), S_OK);
    EXPECT_TRUE(renderer->IsFrameReady());
    EXPECT_EQ(Row(0, 8), (std::vector<std::uint8_t>{7, 8, 9, 255, 10, 11, 12, 255}));
    EXPECT_EQ(Row(1, 8), (std::vector<std::uint8_t>{1, 2, 3, 255, 4, 5, 6, 255}));
    renderer->SetFrameReady(false);
  }
  EXPECT_EQ(device->LiveTextureCount(), 1) << "a reconnection releases the earlier texture";
}

TEST_F(RendererFixture, ReadsEachSourceRowAtThePaddedStride) {
  // 3 x 2: rows of 9 bytes padded to 12; the padding bytes must never be read as pixels.
  ASSERT_EQ(Connect(3, 2), S_OK);
  const std::vector<std::uint8_t> frame = {1, 2, 3, 4, 5, 6, 7, 8, 9, 0xEE, 0xEE, 0xEE,
                                           11, 12, 13, 14, 15, 16, 17, 18, 19, 0xEE, 0xEE, 0xEE};
  ASSERT_EQ(renderer->DoRenderSample(Sample(frame)), S_OK);
  EXPECT_EQ(Row(0, 12), (std::vector<std::uint8_t>{11, 12, 13, 255, 14, 15, 16, 255, 17, 18, 19, 255}));
  EXPECT_EQ(Row(1, 12), (std::vector<std::uint8_t>{1, 2, 3, 255, 4, 5, 6, 255, 7, 8, 9, 255}));
}

TEST_F(RendererFixture, DropsAFrameUntilTheFormerIsTaken) {
  ASSERT_EQ(Connect(2, 2), S_OK);
  ASSERT_EQ(renderer->DoRenderSample(Sample(k2x2)), S_OK);
  std::vector<std::uint8_t> second(k2x2.size(), 99);
  EXPECT_EQ(renderer->DoRenderSample(Sample(second)), S_OK);
  EXPECT_EQ(Row(0, 8), (std::vector<std::uint8_t>{7, 8, 9, 255, 10, 11, 12, 255}));
  renderer->SetFrameReady(false);
  EXPECT_EQ(renderer->DoRenderSample(Sample(second)), S_OK);
  EXPECT_TRUE(renderer->IsFrameReady());
  EXPECT_EQ(Row(0, 8), (std::vector<std::uint8_t>{99, 99, 99, 255, 99, 99, 99, 255}));
}

TEST_F(RendererFixture, FirstSampleWhilePausedReachesTheTexture) {
  ASSERT_EQ(Connect(2, 2), S_OK);
  renderer->OnReceiveFirstSample(Sample(k2x2));
  EXPECT_TRUE(renderer->IsFrameReady());
  EXPECT_EQ(Row(1, 8), (std::vector<std::uint8_t>{1, 2, 3, 255, 4, 5, 6, 255}));
}

TEST_F(RendererFixture, RefusesFramesItCannotWrite) {
  EXPECT_EQ(renderer->DoRenderSample(Sample(k2x2)), E_FAIL) << "no texture before connection";
  EXPECT_FALSE(renderer->IsFrameReady());
  // A sample shorter than the connected frame is never read past its end.
  ASSERT_EQ(Connect(64, 64), S_OK);
  std::vector<std::uint8_t> small(100, 1);
  allocator->Decommit();
  allocator->Release();
  allocator = nullptr;
  HRESULT hr;
  allocator = new CMemAllocator("small", nullptr, &hr);
  allocator->NonDelegatingAddRef();
  ALLOCATOR_PROPERTIES request{1, 100, 1, 0}, actual;
  ASSERT_EQ(allocator->SetProperties(&request, &actual), S_OK);
  ASSERT_EQ(allocator->Commit(), S_OK);
  EXPECT_EQ(renderer->DoRenderSample(Sample(small)), E_FAIL);
  EXPECT_FALSE(renderer->IsFrameReady());
}

TEST_F(RendererFixture, WritesOnlyTheVideoAreaOfALargerTexture) {
  SoftwareDeviceOptions pow2;
  pow2.powerOfTwoOnly = true;
  Use(pow2);
  ASSERT_EQ(Connect(3, 2), S_OK);
  D3DSURFACE_DESC desc;
  renderer->GetVideoTexture()->GetLevelDesc(0, &desc);
  ASSERT_EQ(desc.Width, 4u);
  ASSERT_EQ(desc.Height, 2u);
  Fill(0xCD);
  const std::vector<std::uint8_t> frame(24, 7);
  ASSERT_EQ(renderer->DoRenderSample(Sample(frame)), S_OK);
  for (int y = 0; y < 2; ++y)
    EXPECT_EQ(Row(y, 16), (std::vector<std::uint8_t>{7, 7, 7, 255, 7, 7, 7, 255, 7, 7, 7, 255,
                                                     0xCD, 0xCD, 0xCD, 0xCD}));
}

TEST_F(RendererFixture, ConvertsIntoA1R5G5B5WhenTheDeviceSubstitutesIt) {
  SoftwareDeviceOptions options;
  options.textureFormats = {D3DFMT_A1R5G5B5};
  Use(options);
  ASSERT_EQ(Connect(2, 2), S_OK);
  EXPECT_EQ(renderer->textureFormat, D3DFMT_A1R5G5B5);
  // Bottom row: (b,g,r) = (255,128,8) and (0,0,0); top row: (7,8,255) and (255,255,255).
  const std::vector<std::uint8_t> frame = {255, 128, 8, 0, 0, 0, 0, 0, 7, 8, 255, 255, 255, 255, 0, 0};
  ASSERT_EQ(renderer->DoRenderSample(Sample(frame)), S_OK);
  auto pixel = [](unsigned r, unsigned g, unsigned b) {
    const unsigned v = 0x8000u | (r >> 3) << 10 | (g >> 3) << 5 | (b >> 3);
    return std::vector<std::uint8_t>{std::uint8_t(v), std::uint8_t(v >> 8)};
  };
  std::vector<std::uint8_t> top = pixel(255, 8, 7), bottom = pixel(8, 128, 255);
  const auto white = pixel(255, 255, 255), black = pixel(0, 0, 0);
  top.insert(top.end(), white.begin(), white.end());
  bottom.insert(bottom.end(), black.begin(), black.end());
  EXPECT_EQ(Row(0, 4), top);
  EXPECT_EQ(Row(1, 4), bottom);
  EXPECT_EQ(Row(1, 4)[3], 0x80) << "opaque";
}

TEST_F(RendererFixture, RefusesOtherSubstitutedFormatsAndFailedCreation) {
  SoftwareDeviceOptions noAlpha;
  noAlpha.textureFormats = {D3DFMT_X8R8G8B8};
  Use(noAlpha);
  EXPECT_EQ(Connect(2, 2), VFW_E_TYPE_NOT_ACCEPTED);
  EXPECT_EQ(renderer->textureFormat, D3DFMT_X8R8G8B8);

  SoftwareDeviceOptions failing;
  failing.failTextureCreationAfter = 0;
  Use(failing);
  EXPECT_EQ(Connect(2, 2), D3DERR_OUTOFVIDEOMEMORY);
  EXPECT_EQ(renderer->GetVideoTexture(), nullptr);
  EXPECT_EQ(renderer->DoRenderSample(Sample(k2x2)), E_FAIL);
}

TEST_F(RendererFixture, RefusesSizesWithoutPixelsOrBeyondReason) {
  for (auto [width, height] : {std::pair<LONG, LONG>{0, 4}, {-4, 4}, {4, 0}, {0x7FFFFFFF, 2}, {2, INT32_MIN}}) {
    SCOPED_TRACE(::testing::Message() << width << " x " << height);
    EXPECT_TRUE(FAILED(Connect(width, height)));
    EXPECT_EQ(renderer->GetVideoTexture(), nullptr);
  }
}

TEST_F(RendererFixture, IsAFilterWithTheFixedClassIdAndOneInputPin) {
  CLSID clsid;
  ASSERT_EQ(renderer->GetClassID(&clsid), S_OK);
  EXPECT_TRUE(clsid == (GUID{0x71771540, 0x2017, 0x11CF, {0xAE, 0x26, 0x00, 0x20, 0xAF, 0xD7, 0x97, 0x67}}));
  IPin* in = nullptr;
  ASSERT_EQ(renderer->FindPin(u"In", &in), S_OK);
  PIN_DIRECTION direction;
  in->QueryDirection(&direction);
  EXPECT_EQ(direction, PINDIR_INPUT);
  in->Release();
}

}  // namespace
