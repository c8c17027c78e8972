#include <gtest/gtest.h>

#include <future>

#include "platform/dshow/base/streams.h"

namespace {

struct AllocatorFixture : ::testing::Test {
  void SetUp() override {
    allocator = new CMemAllocator("test allocator", nullptr, nullptr);
    allocator->AddRef();
    ALLOCATOR_PROPERTIES want{1, 64, 1, 0}, got{};
    ASSERT_EQ(S_OK, allocator->SetProperties(&want, &got));
    EXPECT_EQ(1, got.cBuffers);
    EXPECT_EQ(64, got.cbBuffer);
  }
  void TearDown() override {
    if (allocator) allocator->Release();
  }
  IMemAllocator* allocator = nullptr;
};

TEST_F(AllocatorFixture, GetBufferNeedsACommitAndWaitsForAFreeSample) {
  IMediaSample* first = nullptr;
  EXPECT_EQ(VFW_E_NOT_COMMITTED, allocator->GetBuffer(&first, nullptr, nullptr, 0));
  ASSERT_EQ(S_OK, allocator->Commit());
  ASSERT_EQ(S_OK, allocator->GetBuffer(&first, nullptr, nullptr, 0));
  EXPECT_EQ(64, first->GetSize());
  ALLOCATOR_PROPERTIES want{2, 64, 1, 0}, got{};
  EXPECT_EQ(VFW_E_ALREADY_COMMITTED, allocator->SetProperties(&want, &got));
  IMediaSample* none = nullptr;
  EXPECT_TRUE(FAILED(allocator->GetBuffer(&none, nullptr, nullptr, AM_GBF_NOWAIT)));

  // A second request waits until the only sample comes back, and gets it reset.
  REFERENCE_TIME start = 5, end = 6;
  first->SetTime(&start, &end);
  first->SetPreroll(TRUE);
  auto second = std::async(std::launch::async, [&] {
    IMediaSample* sample = nullptr;
    const HRESULT hr = allocator->GetBuffer(&sample, nullptr, nullptr, 0);
    return std::make_pair(hr, sample);
  });
  first->Release();
  auto [hr, sample] = second.get();
  ASSERT_EQ(S_OK, hr);
  REFERENCE_TIME t0, t1;
  EXPECT_EQ(VFW_E_TIME_NOT_SET, sample->GetTime(&t0, &t1));
  EXPECT_EQ(S_FALSE, sample->IsPreroll());
  sample->Release();
}

TEST_F(AllocatorFixture, DecommitReleasesAWaiterAndOutstandingSamplesOutliveTheAllocator) {
  ASSERT_EQ(S_OK, allocator->Commit());
  IMediaSample* held = nullptr;
  ASSERT_EQ(S_OK, allocator->GetBuffer(&held, nullptr, nullptr, 0));
  auto waiter = std::async(std::launch::async, [&] {
    IMediaSample* sample = nullptr;
    return allocator->GetBuffer(&sample, nullptr, nullptr, 0);
  });
  // The waiter may or may not be waiting yet; either way it must fail once decommitted.
  ASSERT_EQ(S_OK, allocator->Decommit());
  EXPECT_EQ(VFW_E_NOT_COMMITTED, waiter.get());

  // The last outside reference goes while a sample is out: the sample keeps it alive.
  allocator->Release();
  allocator = nullptr;
  BYTE* data = nullptr;
  ASSERT_EQ(S_OK, held->GetPointer(&data));
  data[63] = 1;
  held->Release();  // frees the sample and then the allocator (checked by the sanitizers)
}

TEST(MediaTypeTest, CopiesOwnTheirFormatAndPartialTypesMatchAsWildcards) {
  CMediaType rgb = MakeRgbVideoType(3, 2, 24, 400000);
  ASSERT_NE(nullptr, rgb.VideoInfo());
  EXPECT_EQ(12 * 2, static_cast<LONG>(rgb.VideoInfo()->bmiHeader.biSizeImage))
      << "rows padded to 4 bytes";
  CMediaType copy = rgb;
  EXPECT_NE(rgb.Format(), copy.Format());
  EXPECT_TRUE(copy == rgb);

  AM_MEDIA_TYPE* handed = CreateMediaType(&rgb);
  ASSERT_NE(nullptr, handed);
  EXPECT_NE(rgb.pbFormat, handed->pbFormat);
  DeleteMediaType(handed);

  struct Case {
    GUID major, sub;
    bool matches;
  } cases[] = {
      {GUID_NULL, GUID_NULL, true},
      {MEDIATYPE_Video, GUID_NULL, true},
      {MEDIATYPE_Video, MEDIASUBTYPE_RGB24, true},
      {MEDIATYPE_Audio, GUID_NULL, false},
      {MEDIATYPE_Video, MEDIASUBTYPE_RGB32, false},
  };
  for (const Case& c : cases) {
    CMediaType partial(c.major);
    partial.subtype = c.sub;
    EXPECT_TRUE(partial.IsPartiallySpecified());
    EXPECT_EQ(c.matches, partial.MatchesPartial(&rgb));
  }
  EXPECT_EQ(nullptr, rgb.WaveFormat()) << "a format block is read only as its own record";
}

}  // namespace
