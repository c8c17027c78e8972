#include "platform/d3d8/png_writer.h"

#include <png.h>

#include <cstring>
#include <vector>

#include "platform/d3d8/texture_readback.h"

bool WriteArgbPng(const char* path, UINT width, UINT height, const std::uint32_t* pixels) {
  if (!path || !pixels || width == 0 || height == 0) return false;
  std::vector<png_byte> rgba(std::size_t{width} * height * 4);
  for (std::size_t i = 0; i < std::size_t{width} * height; ++i) {
    const std::uint32_t p = pixels[i];
    rgba[4 * i + 0] = static_cast<png_byte>(p >> 16);
    rgba[4 * i + 1] = static_cast<png_byte>(p >> 8);
    rgba[4 * i + 2] = static_cast<png_byte>(p);
    rgba[4 * i + 3] = static_cast<png_byte>(p >> 24);
  }
  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  image.width = width;
  image.height = height;
  image.format = PNG_FORMAT_RGBA;
  const bool written = png_image_write_to_file(&image, path, 0, rgba.data(), 0, nullptr) != 0;
  png_image_free(&image);
  return written;
}

HRESULT SaveTextureToPng(IDirect3DTexture8* texture, const char* path) {
  std::vector<std::uint32_t> pixels;
  UINT width = 0, height = 0;
  const HRESULT hr = ReadTextureArgb(texture, &pixels, &width, &height);
  if (FAILED(hr)) return hr;
  return WriteArgbPng(path, width, height, pixels.data()) ? S_OK : E_FAIL;
}
