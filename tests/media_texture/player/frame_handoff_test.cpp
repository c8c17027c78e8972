// The frame hand-off between the graph's streaming thread, which writes the video texture,
// and a consuming thread that copies it the way the media texture does, through the
// frame-ready flag alone. Built under ThreadSanitizer too: it must find no race.

#include <atomic>
#include <thread>

#include "tests/media_texture/player/player_scene.h"

namespace {

using namespace player_scene;

using FrameHandoffTest = Scene;

TEST_F(FrameHandoffTest, EveryTakenFrameIsWholeAndFramesMoveForward) {
  ASSERT_EQ(Build(TestMedia::Get().lossless), S_OK);
  TextureRenderer* renderer = player->GetRenderer();
  IDirect3DTexture8* copy = nullptr;
  ASSERT_EQ(device->CreateTexture(TestMedia::kLosslessWidth, TestMedia::kLosslessHeight, 1, 0,
                                  D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &copy),
            S_OK);
  player->SetLooping(false);
  player->SetRate(2.0f);
  ASSERT_EQ(player->Play(), S_OK);

  constexpr int kWanted = 8;
  std::vector<int> taken;
  std::atomic<bool> done{false};
  std::thread consumer([&] {
    while (static_cast<int>(taken.size()) < kWanted) {
      if (!WaitFor([&] { return renderer->IsFrameReady(); })) break;
      // As the media texture does: one surface copy, then the flag is cleared.
      IDirect3DSurface8* from = nullptr;
      IDirect3DSurface8* to = nullptr;
      renderer->GetVideoTexture()->GetSurfaceLevel(0, &from);
      copy->GetSurfaceLevel(0, &to);
      const HRESULT hr = device->CopyRects(from, nullptr, 0, to, nullptr);
      from->Release();
      to->Release();
      renderer->SetFrameReady(false);
      if (FAILED(hr)) break;
      taken.push_back(LosslessFrameIn(copy));
    }
    done = true;
  });
  consumer.join();
  ASSERT_TRUE(done);

  ASSERT_EQ(static_cast<int>(taken.size()), kWanted) << "frames kept coming";
  for (std::size_t i = 0; i < taken.size(); ++i) {
    EXPECT_GE(taken[i], 0) << "frame " << i << " is one the media holds, whole";
    // The frame cued while the graph pauses on its way to running is presented again when
    // it runs, so a frame may come twice, but never an earlier one.
    if (i > 0) {
      EXPECT_GE(taken[i], taken[i - 1]) << "frames only move forward";
    }
  }
  EXPECT_GT(taken.back(), taken.front());
  player->Teardown();
  copy->Release();
}

}  // namespace
