#include "platform/d3d8/png_writer.h"

#include <gtest/gtest.h>
#include <png.h>

#include <cstring>
#include <filesystem>

#include "tests/platform/d3d8/d3d8_test_support.h"

namespace {

TEST(PngWriter, TextureReadsBackFromTheFile) {
  ComPtr<SoftwareDevice> device(CreateSoftwareDevice());
  IDirect3DTexture8* raw = nullptr;
  ASSERT_EQ(device->CreateTexture(3, 2, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &raw), D3D_OK);
  ComPtr<IDirect3DTexture8> texture(raw);
  const std::uint32_t argb[6] = {0xFF102030u, 0x80405060u, 0x00000000u,
                                 0xFFFFFFFFu, 0xFF0000FFu, 0x7FFF0000u};
  D3DLOCKED_RECT locked;
  ASSERT_EQ(texture->LockRect(0, &locked, nullptr, 0), D3D_OK);
  for (int y = 0; y < 2; ++y)
    std::memcpy(static_cast<BYTE*>(locked.pBits) + y * locked.Pitch, argb + 3 * y, 12);
  texture->UnlockRect(0);

  const auto path = std::filesystem::temp_directory_path() /
                    ("corvane_png_" + std::to_string(::getpid()) + ".png");
  ASSERT_EQ(SaveTextureToPng(texture.get(), path.c_str()), S_OK);

  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  ASSERT_NE(png_image_begin_read_from_file(&image, path.c_str()), 0);
  EXPECT_EQ(image.width, 3u);
  EXPECT_EQ(image.height, 2u);
  image.format = PNG_FORMAT_RGBA;
  std::vector<png_byte> rgba(PNG_IMAGE_SIZE(image));
  ASSERT_NE(png_image_finish_read(&image, nullptr, rgba.data(), 0, nullptr), 0);
  std::filesystem::remove(path);
  for (int i = 0; i < 6; ++i) {
    const std::uint32_t read = std::uint32_t{rgba[4 * i + 3]} << 24 |
                               std::uint32_t{rgba[4 * i]} << 16 |
                               std::uint32_t{rgba[4 * i + 1]} << 8 | rgba[4 * i + 2];
    EXPECT_EQ(read, argb[i]) << "pixel " << i;
  }

  EXPECT_FALSE(WriteArgbPng("/nonexistent-folder/x.png", 1, 1, argb));
  EXPECT_FALSE(WriteArgbPng(path.c_str(), 0, 1, argb));
}

}  // namespace
