#include "platform/d3dx/d3dx8_texture.h"

#include <gtest/gtest.h>

#include "platform/d3d8/software_device.h"
#include "tests/platform/d3d8/d3d8_test_support.h"

namespace {

struct Created {
  HRESULT result;
  D3DSURFACE_DESC desc{};
  DWORD levels = 0;
};

Created CreateOn(const SoftwareDeviceOptions& options, UINT width, UINT height, UINT levels,
                 D3DFORMAT format) {
  ComPtr<SoftwareDevice> device(CreateSoftwareDevice(options));
  IDirect3DTexture8* texture = reinterpret_cast<IDirect3DTexture8*>(0x1);
  Created created{
      D3DXCreateTexture(device.get(), width, height, levels, 0, format, D3DPOOL_MANAGED, &texture)};
  if (SUCCEEDED(created.result)) {
    texture->GetLevelDesc(0, &created.desc);
    created.levels = texture->GetLevelCount();
    texture->Release();
  } else {
    EXPECT_EQ(texture, nullptr);
  }
  EXPECT_EQ(device->LiveTextureCount(), 0);
  return created;
}

TEST(D3DXCreateTexture, RoundsUpToPowersOfTwoWhereTheDeviceNeedsThem) {
  struct Case {
    bool powerOfTwoOnly;
    UINT width, height;
    UINT expectedWidth, expectedHeight;
  };
  const Case cases[] = {
      {false, 320, 240, 320, 240},    {true, 320, 240, 512, 256}, {true, 256, 1, 256, 1},
      {true, 1920, 1080, 2048, 2048}, {true, 3, 5, 4, 8},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message()
                 << c.width << "x" << c.height << " pow2 " << c.powerOfTwoOnly);
    SoftwareDeviceOptions options;
    options.powerOfTwoOnly = c.powerOfTwoOnly;
    const Created created = CreateOn(options, c.width, c.height, 1, D3DFMT_A8R8G8B8);
    ASSERT_EQ(created.result, D3D_OK);
    EXPECT_EQ(created.desc.Width, c.expectedWidth);
    EXPECT_EQ(created.desc.Height, c.expectedHeight);
    EXPECT_EQ(created.desc.Format, D3DFMT_A8R8G8B8);
    EXPECT_EQ(created.levels, 1u);
  }
}

TEST(D3DXCreateTexture, SubstitutesTheClosestFormatTheDeviceHas) {
  struct Case {
    const char* name;
    std::vector<D3DFORMAT> deviceFormats;
    D3DFORMAT requested;
    D3DFORMAT expected;
  };
  const Case cases[] = {
      {"present", {D3DFMT_A8R8G8B8, D3DFMT_A1R5G5B5}, D3DFMT_A8R8G8B8, D3DFMT_A8R8G8B8},
      {"one-bit alpha", {D3DFMT_X8R8G8B8, D3DFMT_A1R5G5B5}, D3DFMT_A8R8G8B8, D3DFMT_A1R5G5B5},
      {"alpha before depth", {D3DFMT_X8R8G8B8, D3DFMT_A4R4G4B4}, D3DFMT_A8R8G8B8, D3DFMT_A4R4G4B4},
      {"no alpha at all", {D3DFMT_R5G6B5, D3DFMT_X8R8G8B8}, D3DFMT_A8R8G8B8, D3DFMT_X8R8G8B8},
      {"opaque keeps opaque", {D3DFMT_A8R8G8B8, D3DFMT_R5G6B5}, D3DFMT_X8R8G8B8, D3DFMT_R5G6B5},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SoftwareDeviceOptions options;
    options.textureFormats = c.deviceFormats;
    const Created created = CreateOn(options, 16, 16, 1, c.requested);
    ASSERT_EQ(created.result, D3D_OK);
    EXPECT_EQ(created.desc.Format, c.expected);
  }
  SoftwareDeviceOptions none;
  none.textureFormats = {};
  EXPECT_EQ(CreateOn(none, 16, 16, 1, D3DFMT_A8R8G8B8).result, D3DERR_NOTAVAILABLE);
}

TEST(D3DXCreateTexture, LevelsDefaultToTheFullChain) {
  const SoftwareDeviceOptions options;
  EXPECT_EQ(CreateOn(options, 64, 32, 0, D3DFMT_A8R8G8B8).levels, 7u);
  EXPECT_EQ(CreateOn(options, 64, 32, D3DX_DEFAULT, D3DFMT_A8R8G8B8).levels, 7u);
  EXPECT_EQ(CreateOn(options, 64, 32, 20, D3DFMT_A8R8G8B8).levels, 7u);
  EXPECT_EQ(CreateOn(options, 64, 32, 2, D3DFMT_A8R8G8B8).levels, 2u);
}

TEST(D3DXCreateTexture, FailuresLeaveNoTexture) {
  SoftwareDeviceOptions failing;
  failing.failTextureCreationAfter = 0;
  failing.textureCreationError = E_OUTOFMEMORY;
  EXPECT_EQ(CreateOn(failing, 16, 16, 1, D3DFMT_A8R8G8B8).result, E_OUTOFMEMORY);

  const SoftwareDeviceOptions normal;
  EXPECT_EQ(CreateOn(normal, 0, 16, 1, D3DFMT_A8R8G8B8).result, D3DERR_INVALIDCALL);
  EXPECT_EQ(CreateOn(normal, 5000, 16, 1, D3DFMT_A8R8G8B8).result, D3DERR_INVALIDCALL);
  SoftwareDeviceOptions small;
  small.powerOfTwoOnly = true;
  small.maxTextureSize = 1024;
  // 1025 would round up past the maximum; a smaller texture than asked is never handed out.
  EXPECT_EQ(CreateOn(small, 1025, 16, 1, D3DFMT_A8R8G8B8).result, D3DERR_INVALIDCALL);

  IDirect3DTexture8* texture = reinterpret_cast<IDirect3DTexture8*>(0x1);
  EXPECT_EQ(D3DXCreateTexture(nullptr, 16, 16, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture),
            D3DERR_INVALIDCALL);
  EXPECT_EQ(texture, nullptr);
  ComPtr<SoftwareDevice> device(CreateSoftwareDevice());
  EXPECT_EQ(
      D3DXCreateTexture(device.get(), 16, 16, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, nullptr),
      D3DERR_INVALIDCALL);
}

}  // namespace
