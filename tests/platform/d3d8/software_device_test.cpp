#include "platform/d3d8/software_device.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <cstring>
#include <mutex>
#include <thread>

#include "platform/d3d8/texture_readback.h"
#include "tests/platform/d3d8/d3d8_test_support.h"

namespace {

class DeviceTest : public ::testing::Test {
 protected:
  ComPtr<IDirect3DTexture8> Create(UINT width, UINT height, D3DFORMAT format = D3DFMT_A8R8G8B8) {
    IDirect3DTexture8* texture = nullptr;
    EXPECT_EQ(device->CreateTexture(width, height, 1, 0, format, D3DPOOL_MANAGED, &texture),
              D3D_OK);
    return ComPtr<IDirect3DTexture8>(texture);
  }
  // Fills level 0 with 0xFF000000 | seed << 16 | y << 8 | x.
  static void Fill(IDirect3DTexture8* texture, std::uint32_t seed) {
    D3DSURFACE_DESC desc;
    texture->GetLevelDesc(0, &desc);
    D3DLOCKED_RECT locked;
    ASSERT_EQ(texture->LockRect(0, &locked, nullptr, 0), D3D_OK);
    for (UINT y = 0; y < desc.Height; ++y)
      for (UINT x = 0; x < desc.Width; ++x) {
        const std::uint32_t v = 0xFF000000u | seed << 16 | y << 8 | x;
        std::memcpy(static_cast<BYTE*>(locked.pBits) + y * locked.Pitch + x * 4, &v, 4);
      }
    texture->UnlockRect(0);
  }
  static std::vector<std::uint32_t> Pixels(IDirect3DTexture8* texture) {
    std::vector<std::uint32_t> pixels;
    UINT width, height;
    EXPECT_EQ(ReadTextureArgb(texture, &pixels, &width, &height), D3D_OK);
    return pixels;
  }
  static ComPtr<IDirect3DSurface8> Level0(IDirect3DTexture8* texture) {
    IDirect3DSurface8* surface = nullptr;
    EXPECT_EQ(texture->GetSurfaceLevel(0, &surface), D3D_OK);
    return ComPtr<IDirect3DSurface8>(surface);
  }

  ComPtr<SoftwareDevice> device{CreateSoftwareDevice()};
};

TEST_F(DeviceTest, SetTextureHoldsAReferenceUntilReplaced) {
  auto first = Create(4, 4);
  auto second = Create(4, 4);
  ASSERT_EQ(device->SetTexture(0, first.get()), D3D_OK);
  EXPECT_EQ(RefCount(first.get()), 2u);
  // Binding the same texture again keeps one reference for the stage.
  ASSERT_EQ(device->SetTexture(0, first.get()), D3D_OK);
  EXPECT_EQ(RefCount(first.get()), 2u);

  IDirect3DBaseTexture8* bound = nullptr;
  ASSERT_EQ(device->GetTexture(0, &bound), D3D_OK);
  EXPECT_EQ(bound, first.get());
  EXPECT_EQ(bound->Release(), 2u);

  ASSERT_EQ(device->SetTexture(0, second.get()), D3D_OK);
  EXPECT_EQ(RefCount(first.get()), 1u);
  EXPECT_EQ(RefCount(second.get()), 2u);
  ASSERT_EQ(device->SetTexture(3, first.get()), D3D_OK);
  EXPECT_EQ(device->SetTexture(kD3DMaxTextureStages, first.get()), D3DERR_INVALIDCALL);
  EXPECT_EQ(device->GetTexture(kD3DMaxTextureStages, &bound), D3DERR_INVALIDCALL);
  EXPECT_EQ(RefCount(first.get()), 2u);

  ASSERT_EQ(device->SetTexture(0, nullptr), D3D_OK);
  EXPECT_EQ(RefCount(second.get()), 1u);
  ASSERT_EQ(device->GetTexture(0, &bound), D3D_OK);
  EXPECT_EQ(bound, nullptr);

  // A texture released by its owner while bound lives on until the device lets go.
  first.reset();
  EXPECT_EQ(device->LiveTextureCount(), 2);
  device.reset();
  EXPECT_EQ(second->Release(), 0u);
  second.release();
}

TEST_F(DeviceTest, CopyRectsCopiesWholeSurfaceHonouringPitch) {
  auto source = Create(5, 3);
  auto destination = Create(5, 3);
  Fill(source.get(), 1);
  Fill(destination.get(), 2);
  ASSERT_EQ(device->CopyRects(Level0(source.get()).get(), nullptr, 0,
                              Level0(destination.get()).get(), nullptr),
            D3D_OK);
  EXPECT_EQ(Pixels(destination.get()), Pixels(source.get()));

  // A list of rectangles, one moved by a point list: only they change.
  Fill(destination.get(), 2);
  const RECT rects[] = {{0, 0, 2, 1}, {3, 1, 5, 3}};
  const POINT points[] = {{3, 2}, {0, 0}};
  ASSERT_EQ(device->CopyRects(Level0(source.get()).get(), rects, 2, Level0(destination.get()).get(),
                              points),
            D3D_OK);
  const auto pixels = Pixels(destination.get());
  EXPECT_EQ(pixels[2 * 5 + 3], 0xFF010000u);  // source (0,0) at (3,2)
  EXPECT_EQ(pixels[2 * 5 + 4], 0xFF010001u);
  EXPECT_EQ(pixels[0], 0xFF010103u);          // source (3,1) at (0,0)
  EXPECT_EQ(pixels[1 * 5 + 1], 0xFF010204u);  // source (4,2) at (1,1)
  EXPECT_EQ(pixels[2], 0xFF020002u);          // untouched
}

TEST_F(DeviceTest, CopyRectsRefusesMismatchesAndChangesNothing) {
  auto source = Create(4, 4);
  auto same = Create(4, 4);
  auto wider = Create(8, 4);
  auto otherFormat = Create(4, 4, D3DFMT_X8R8G8B8);
  Fill(source.get(), 1);
  Fill(same.get(), 2);
  const auto before = Pixels(same.get());
  const auto src = Level0(source.get());
  const auto dst = Level0(same.get());
  const RECT outside{2, 2, 5, 4};
  const RECT inside{0, 0, 2, 2};
  const POINT overEdge{3, 3};

  struct Case {
    const char* name;
    IDirect3DSurface8* source;
    const RECT* rects;
    UINT count;
    IDirect3DSurface8* destination;
    const POINT* points;
  };
  const Case cases[] = {
      {"null source", nullptr, nullptr, 0, dst.get(), nullptr},
      {"null destination", src.get(), nullptr, 0, nullptr, nullptr},
      {"same surface", dst.get(), nullptr, 0, dst.get(), nullptr},
      {"sizes differ", src.get(), nullptr, 0, Level0(wider.get()).get(), nullptr},
      {"formats differ", src.get(), nullptr, 0, Level0(otherFormat.get()).get(), nullptr},
      {"rectangle outside source", src.get(), &outside, 1, dst.get(), nullptr},
      {"point puts it outside", src.get(), &inside, 1, dst.get(), &overEdge},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(device->CopyRects(c.source, c.rects, c.count, c.destination, c.points),
              D3DERR_INVALIDCALL);
  }
  D3DLOCKED_RECT locked;
  ASSERT_EQ(source->LockRect(0, &locked, nullptr, 0), D3D_OK);
  EXPECT_EQ(device->CopyRects(src.get(), nullptr, 0, dst.get(), nullptr), D3DERR_INVALIDCALL);
  source->UnlockRect(0);
  EXPECT_EQ(Pixels(same.get()), before);
  EXPECT_EQ(RefCount(source.get()), 2u);  // the device kept nothing
}

// The media path: a streaming thread writes frames into one texture while the host's thread
// copies each finished frame into another; unlocking publishes the pixels.
TEST_F(DeviceTest, FramesWrittenOnAnotherThreadAreCopiedWhole) {
  auto video = Create(16, 8);
  auto channel = Create(16, 8);
  std::mutex mutex;
  std::condition_variable changed;
  int written = 0, copied = 0;
  constexpr int kFrames = 20;
  std::thread streaming([&] {
    for (int frame = 1; frame <= kFrames; ++frame) {
      {
        std::unique_lock lock(mutex);
        changed.wait(lock, [&] { return copied == written; });
      }
      Fill(video.get(), static_cast<std::uint32_t>(frame));
      {
        std::lock_guard lock(mutex);
        written = frame;
      }
      changed.notify_all();
    }
  });
  for (int frame = 1; frame <= kFrames; ++frame) {
    {
      std::unique_lock lock(mutex);
      ASSERT_TRUE(
          changed.wait_for(lock, std::chrono::seconds(30), [&] { return written == frame; }));
    }
    ASSERT_EQ(device->CopyRects(Level0(video.get()).get(), nullptr, 0, Level0(channel.get()).get(),
                                nullptr),
              D3D_OK);
    const auto pixels = Pixels(channel.get());
    EXPECT_EQ(pixels.front() >> 16 & 0xFF, static_cast<std::uint32_t>(frame));
    EXPECT_EQ(pixels.back(), 0xFF000000u | static_cast<std::uint32_t>(frame) << 16 | 7u << 8 | 15u);
    {
      std::lock_guard lock(mutex);
      copied = frame;
    }
    changed.notify_all();
  }
  streaming.join();
}

TEST_F(DeviceTest, RecordsDrawingCallsWithCopiesOfTheirData) {
  struct Vertex {
    float x, y, z, u, v;
  };
  static_assert(sizeof(Vertex) == 20);
  Vertex vertices[2] = {{1, 2, 3, 0, 0}, {4, 5, 6, 1, 0}};
  WORD indices[2] = {0, 1};
  D3DXMATRIX world;
  world._11 = world._22 = world._33 = world._44 = 2;
  world._41 = 7;

  ASSERT_EQ(device->SetTransform(D3DTS_WORLD, &world), D3D_OK);
  ASSERT_EQ(device->SetVertexShader(D3DFVF_XYZ | D3DFVF_TEX1), D3D_OK);
  ASSERT_EQ(device->DrawIndexedPrimitiveUP(D3DPT_LINELIST, 0, 2, 1, indices, D3DFMT_INDEX16,
                                           vertices, sizeof(Vertex)),
            D3D_OK);
  // The caller's memory may change or go away after the call.
  vertices[1].x = -1;
  indices[1] = 0;
  world._41 = 0;

  const auto calls = device->Calls();
  ASSERT_EQ(calls.size(), 3u);
  EXPECT_EQ(calls[0].kind, DeviceCallKind::SetTransform);
  EXPECT_EQ(calls[0].transformState, D3DTS_WORLD);
  EXPECT_EQ(calls[0].matrix._41, 7.0f);
  EXPECT_EQ(calls[0].matrix._22, 2.0f);
  EXPECT_EQ(calls[1].kind, DeviceCallKind::SetVertexShader);
  EXPECT_EQ(calls[1].vertexShader, 0x102u);
  const DeviceCall& draw = calls[2];
  EXPECT_EQ(draw.kind, DeviceCallKind::DrawIndexedPrimitiveUP);
  EXPECT_EQ(draw.primitiveType, D3DPT_LINELIST);
  EXPECT_EQ(draw.minVertexIndex, 0u);
  EXPECT_EQ(draw.numVertices, 2u);
  EXPECT_EQ(draw.primitiveCount, 1u);
  EXPECT_EQ(draw.indexFormat, D3DFMT_INDEX16);
  EXPECT_EQ(draw.vertexStride, 20u);
  EXPECT_EQ(draw.IndexValues(), (std::vector<std::uint32_t>{0, 1}));
  ASSERT_EQ(draw.vertices.size(), 40u);
  Vertex recorded[2];
  std::memcpy(recorded, draw.vertices.data(), 40);
  EXPECT_EQ(recorded[1].x, 4.0f);
  EXPECT_EQ(recorded[1].u, 1.0f);

  device->ClearCalls();
  EXPECT_TRUE(device->Calls().empty());
}

TEST_F(DeviceTest, RefusesDrawingThatReadsOutOfRange) {
  const float vertices[4 * 3] = {};  // four xyz vertices
  const WORD indices16[3] = {0, 1, 2};
  const std::uint32_t indices32[3] = {1, 2, 3};
  struct Case {
    const char* name;
    D3DPRIMITIVETYPE type;
    UINT minVertex, numVertices, primitives;
    const void* indices;
    D3DFORMAT indexFormat;
    const void* vertices;
    UINT stride;
    HRESULT expected;
  };
  const Case cases[] = {
      {"triangle", D3DPT_TRIANGLELIST, 0, 3, 1, indices16, D3DFMT_INDEX16, vertices, 12, D3D_OK},
      {"32-bit indices above minimum", D3DPT_TRIANGLELIST, 1, 3, 1, indices32, D3DFMT_INDEX32,
       vertices, 12, D3D_OK},
      {"index past the vertices", D3DPT_TRIANGLELIST, 0, 2, 1, indices16, D3DFMT_INDEX16, vertices,
       12, D3DERR_INVALIDCALL},
      {"index below the minimum", D3DPT_LINELIST, 1, 2, 1, indices16, D3DFMT_INDEX16, vertices, 12,
       D3DERR_INVALIDCALL},
      {"no primitives", D3DPT_LINELIST, 0, 2, 0, indices16, D3DFMT_INDEX16, vertices, 12,
       D3DERR_INVALIDCALL},
      {"null indices", D3DPT_LINELIST, 0, 2, 1, nullptr, D3DFMT_INDEX16, vertices, 12,
       D3DERR_INVALIDCALL},
      {"null vertices", D3DPT_LINELIST, 0, 2, 1, indices16, D3DFMT_INDEX16, nullptr, 12,
       D3DERR_INVALIDCALL},
      {"not an index format", D3DPT_LINELIST, 0, 2, 1, indices16, D3DFMT_A8R8G8B8, vertices, 12,
       D3DERR_INVALIDCALL},
      {"zero stride", D3DPT_LINELIST, 0, 2, 1, indices16, D3DFMT_INDEX16, vertices, 0,
       D3DERR_INVALIDCALL},
      {"unknown primitive", static_cast<D3DPRIMITIVETYPE>(9), 0, 2, 1, indices16, D3DFMT_INDEX16,
       vertices, 12, D3DERR_INVALIDCALL},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    device->ClearCalls();
    EXPECT_EQ(device->DrawIndexedPrimitiveUP(c.type, c.minVertex, c.numVertices, c.primitives,
                                             c.indices, c.indexFormat, c.vertices, c.stride),
              c.expected);
    const auto calls = device->Calls();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].result, c.expected);
    EXPECT_EQ(calls[0].vertices.empty(), FAILED(c.expected));
  }
  D3DXMATRIX m;
  EXPECT_EQ(device->SetTransform(static_cast<D3DTRANSFORMSTATETYPE>(1), &m), D3DERR_INVALIDCALL);
  EXPECT_EQ(device->SetTransform(D3DTS_WORLD, nullptr), D3DERR_INVALIDCALL);
  EXPECT_EQ(device->SetTransform(D3DTS_WORLDMATRIX(3), &m), D3D_OK);
}

}  // namespace
