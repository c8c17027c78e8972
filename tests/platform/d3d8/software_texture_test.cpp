#include <gtest/gtest.h>

#include <cstring>

#include "platform/d3d8/software_device.h"
#include "platform/d3d8/texture_readback.h"
#include "tests/platform/d3d8/d3d8_test_support.h"

namespace {

class TextureTest : public ::testing::Test {
 protected:
  ComPtr<IDirect3DTexture8> Create(UINT width, UINT height, UINT levels,
                                   D3DFORMAT format = D3DFMT_A8R8G8B8) {
    IDirect3DTexture8* texture = nullptr;
    EXPECT_EQ(device->CreateTexture(width, height, levels, 0, format, D3DPOOL_MANAGED, &texture),
              D3D_OK);
    return ComPtr<IDirect3DTexture8>(texture);
  }
  ComPtr<SoftwareDevice> device{CreateSoftwareDevice()};
};

TEST_F(TextureTest, LevelsHalveDownToOnePixel) {
  struct Case {
    UINT width, height, levels;
    UINT expectedLevels;
    UINT lastWidth, lastHeight;
  };
  const Case cases[] = {
      {64, 16, 0, 7, 1, 1},  // full chain follows the larger side
      {5, 3, 0, 3, 1, 1},
      {64, 16, 3, 3, 16, 4},
      {1, 1, 0, 1, 1, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.width << "x" << c.height << " levels " << c.levels);
    auto texture = Create(c.width, c.height, c.levels);
    ASSERT_TRUE(texture);
    ASSERT_EQ(texture->GetLevelCount(), c.expectedLevels);
    EXPECT_EQ(texture->GetType(), D3DRTYPE_TEXTURE);
    D3DSURFACE_DESC desc;
    ASSERT_EQ(texture->GetLevelDesc(0, &desc), D3D_OK);
    EXPECT_EQ(desc.Width, c.width);
    EXPECT_EQ(desc.Height, c.height);
    EXPECT_EQ(desc.Format, D3DFMT_A8R8G8B8);
    EXPECT_EQ(desc.Pool, D3DPOOL_MANAGED);
    EXPECT_EQ(desc.Type, D3DRTYPE_SURFACE);
    ASSERT_EQ(texture->GetLevelDesc(c.expectedLevels - 1, &desc), D3D_OK);
    EXPECT_EQ(desc.Width, c.lastWidth);
    EXPECT_EQ(desc.Height, c.lastHeight);
    EXPECT_EQ(texture->GetLevelDesc(c.expectedLevels, &desc), D3DERR_INVALIDCALL);
  }
}

TEST_F(TextureTest, CreationRefusesWhatTheDeviceCannotHold) {
  struct Case {
    const char* name;
    UINT width, height, levels;
    D3DFORMAT format;
    HRESULT expected;
  };
  const Case cases[] = {
      {"zero width", 0, 4, 1, D3DFMT_A8R8G8B8, D3DERR_INVALIDCALL},
      {"above maximum", 4097, 4, 1, D3DFMT_A8R8G8B8, D3DERR_INVALIDCALL},
      {"too many levels", 4, 4, 4, D3DFMT_A8R8G8B8, D3DERR_INVALIDCALL},
      {"index format", 4, 4, 1, D3DFMT_INDEX16, D3DERR_NOTAVAILABLE},
      {"unknown format", 4, 4, 1, D3DFMT_UNKNOWN, D3DERR_NOTAVAILABLE},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    IDirect3DTexture8* texture = reinterpret_cast<IDirect3DTexture8*>(0x1);
    EXPECT_EQ(
        device->CreateTexture(c.width, c.height, c.levels, 0, c.format, D3DPOOL_MANAGED, &texture),
        c.expected);
    EXPECT_EQ(texture, nullptr);
  }

  SoftwareDeviceOptions options;
  options.powerOfTwoOnly = true;
  options.textureFormats = {D3DFMT_X8R8G8B8};
  options.failTextureCreationAfter = 1;
  ComPtr<SoftwareDevice> weak(CreateSoftwareDevice(options));
  IDirect3DTexture8* texture = nullptr;
  EXPECT_EQ(weak->CreateTexture(6, 8, 1, 0, D3DFMT_X8R8G8B8, D3DPOOL_MANAGED, &texture),
            D3DERR_INVALIDCALL);
  EXPECT_EQ(weak->CreateTexture(8, 8, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture),
            D3DERR_NOTAVAILABLE);
  ASSERT_EQ(weak->CreateTexture(8, 8, 1, 0, D3DFMT_X8R8G8B8, D3DPOOL_MANAGED, &texture), D3D_OK);
  texture->Release();
  // The one permitted creation is used up.
  EXPECT_EQ(weak->CreateTexture(8, 8, 1, 0, D3DFMT_X8R8G8B8, D3DPOOL_MANAGED, &texture),
            D3DERR_OUTOFVIDEOMEMORY);
  EXPECT_EQ(texture, nullptr);
}

TEST_F(TextureTest, LockGivesPaddedRowsAtTheRequestedCorner) {
  auto texture = Create(5, 4, 1);
  D3DLOCKED_RECT whole;
  ASSERT_EQ(texture->LockRect(0, &whole, nullptr, D3DLOCK_DISCARD), D3D_OK);
  EXPECT_GT(whole.Pitch, 5 * 4);  // consumers must step by the pitch
  EXPECT_EQ(whole.Pitch % 4, 0);
  // Second row: pixels 0..4 as 0xAARRGGBB = row * 16 + column.
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 5; ++x) {
      const std::uint32_t v = 0xFF000000u | static_cast<std::uint32_t>(y * 16 + x);
      std::memcpy(static_cast<BYTE*>(whole.pBits) + y * whole.Pitch + x * 4, &v, 4);
    }
  // Locked once at a time.
  D3DLOCKED_RECT again;
  EXPECT_EQ(texture->LockRect(0, &again, nullptr, 0), D3DERR_INVALIDCALL);
  ASSERT_EQ(texture->UnlockRect(0), D3D_OK);
  EXPECT_EQ(texture->UnlockRect(0), D3DERR_INVALIDCALL);

  const RECT corner{2, 1, 5, 4};
  D3DLOCKED_RECT part;
  ASSERT_EQ(texture->LockRect(0, &part, &corner, D3DLOCK_READONLY), D3D_OK);
  std::uint32_t first;
  std::memcpy(&first, part.pBits, 4);
  EXPECT_EQ(first, 0xFF000012u);
  EXPECT_EQ(part.Pitch, whole.Pitch);
  ASSERT_EQ(texture->UnlockRect(0), D3D_OK);

  std::vector<std::uint32_t> pixels;
  UINT width = 0, height = 0;
  ASSERT_EQ(ReadTextureArgb(texture.get(), &pixels, &width, &height), D3D_OK);
  EXPECT_EQ(width, 5u);
  EXPECT_EQ(height, 4u);
  EXPECT_EQ(pixels[1 * 5 + 2], 0xFF000012u);
  EXPECT_EQ(pixels[3 * 5 + 4], 0xFF000034u);
}

TEST_F(TextureTest, BadLockArgumentsFail) {
  auto texture = Create(4, 4, 2);
  D3DLOCKED_RECT locked;
  const RECT cases[] = {
      {0, 0, 5, 4},   // beyond the right edge
      {0, 0, 4, 5},   // beyond the bottom
      {-1, 0, 2, 2},  // negative
      {2, 2, 2, 3},   // empty
      {3, 0, 1, 2},   // inverted
  };
  for (const RECT& r : cases) {
    SCOPED_TRACE(::testing::Message()
                 << r.left << "," << r.top << "," << r.right << "," << r.bottom);
    EXPECT_EQ(texture->LockRect(0, &locked, &r, 0), D3DERR_INVALIDCALL);
  }
  const RECT beyondLevelOne{0, 0, 3, 2};  // level 1 is 2 x 2
  EXPECT_EQ(texture->LockRect(1, &locked, &beyondLevelOne, 0), D3DERR_INVALIDCALL);
  EXPECT_EQ(texture->LockRect(2, &locked, nullptr, 0), D3DERR_INVALIDCALL);
  EXPECT_EQ(texture->LockRect(0, nullptr, nullptr, 0), D3DERR_INVALIDCALL);
  EXPECT_EQ(texture->UnlockRect(2), D3DERR_INVALIDCALL);
  // None of the failures left a lock behind.
  ASSERT_EQ(texture->LockRect(0, &locked, nullptr, 0), D3D_OK);
  EXPECT_EQ(texture->UnlockRect(0), D3D_OK);
}

TEST_F(TextureTest, SurfacesShareTheTexturesReferences) {
  IDirect3DTexture8* texture = Create(8, 8, 0).release();
  EXPECT_EQ(device->LiveTextureCount(), 1);
  IDirect3DSurface8* surface = nullptr;
  ASSERT_EQ(texture->GetSurfaceLevel(1, &surface), D3D_OK);
  EXPECT_EQ(RefCount(texture), 2u);
  D3DSURFACE_DESC desc;
  ASSERT_EQ(surface->GetDesc(&desc), D3D_OK);
  EXPECT_EQ(desc.Width, 4u);
  EXPECT_GE(desc.Size, 4u * 4u * 4u);

  void* asTexture = nullptr;
  EXPECT_EQ(surface->QueryInterface(IID_IDirect3DTexture8, &asTexture), E_NOINTERFACE);
  void* base = nullptr;
  ASSERT_EQ(texture->QueryInterface(IID_IDirect3DBaseTexture8, &base), S_OK);
  EXPECT_EQ(static_cast<IDirect3DBaseTexture8*>(base)->Release(), 2u);

  // The surface keeps the texture alive after the caller's own reference is gone.
  EXPECT_EQ(texture->Release(), 1u);
  EXPECT_EQ(device->LiveTextureCount(), 1);
  D3DLOCKED_RECT locked;
  ASSERT_EQ(surface->LockRect(&locked, nullptr, 0), D3D_OK);
  EXPECT_EQ(surface->UnlockRect(), D3D_OK);
  EXPECT_EQ(surface->Release(), 0u);
  EXPECT_EQ(device->LiveTextureCount(), 0);

  IDirect3DSurface8* none = reinterpret_cast<IDirect3DSurface8*>(0x1);
  auto other = Create(2, 2, 1);
  EXPECT_EQ(other->GetSurfaceLevel(1, &none), D3DERR_INVALIDCALL);
  EXPECT_EQ(none, nullptr);
}

TEST(TextureReadback, WidensEveryFormatToArgb) {
  struct Case {
    D3DFORMAT format;
    std::vector<BYTE> bytes;  // one pixel as it lies in memory
    std::uint32_t argb;
  };
  const Case cases[] = {
      {D3DFMT_A8R8G8B8, {0x30, 0x20, 0x10, 0x80}, 0x80102030u},
      {D3DFMT_X8R8G8B8, {0x30, 0x20, 0x10, 0x00}, 0xFF102030u},
      {D3DFMT_R8G8B8, {0x30, 0x20, 0x10}, 0xFF102030u},
      {D3DFMT_R5G6B5, {0x1F, 0xF8}, 0xFFFF00FFu},    // red 31, green 0, blue 31
      {D3DFMT_A1R5G5B5, {0xE0, 0x83}, 0xFF00FF00u},  // alpha 1, green 31
      {D3DFMT_A1R5G5B5, {0x00, 0x7C}, 0x00FF0000u},  // alpha 0, red 31
      {D3DFMT_X1R5G5B5, {0x1F, 0x00}, 0xFF0000FFu},
      {D3DFMT_A4R4G4B4, {0x4F, 0x8C}, 0x88CC44FFu},
  };
  ComPtr<SoftwareDevice> device(CreateSoftwareDevice());
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << "format " << c.format);
    IDirect3DTexture8* raw = nullptr;
    ASSERT_EQ(device->CreateTexture(1, 1, 1, 0, c.format, D3DPOOL_MANAGED, &raw), D3D_OK);
    ComPtr<IDirect3DTexture8> texture(raw);
    D3DLOCKED_RECT locked;
    ASSERT_EQ(texture->LockRect(0, &locked, nullptr, 0), D3D_OK);
    std::memcpy(locked.pBits, c.bytes.data(), c.bytes.size());
    texture->UnlockRect(0);
    std::vector<std::uint32_t> pixels;
    UINT width, height;
    ASSERT_EQ(ReadTextureArgb(texture.get(), &pixels, &width, &height), D3D_OK);
    ASSERT_EQ(pixels.size(), 1u);
    EXPECT_EQ(pixels[0], c.argb) << std::hex << pixels[0];
  }
}

TEST(TextureReadback, RefusesLockedOrMissingTexture) {
  ComPtr<SoftwareDevice> device(CreateSoftwareDevice());
  IDirect3DTexture8* raw = nullptr;
  ASSERT_EQ(device->CreateTexture(2, 2, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &raw), D3D_OK);
  ComPtr<IDirect3DTexture8> texture(raw);
  std::vector<std::uint32_t> pixels;
  UINT width, height;
  EXPECT_EQ(ReadTextureArgb(nullptr, &pixels, &width, &height), D3DERR_INVALIDCALL);
  D3DLOCKED_RECT locked;
  ASSERT_EQ(texture->LockRect(0, &locked, nullptr, 0), D3D_OK);
  EXPECT_EQ(ReadTextureArgb(texture.get(), &pixels, &width, &height), D3DERR_INVALIDCALL);
  texture->UnlockRect(0);
}

}  // namespace
