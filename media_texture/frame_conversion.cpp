#include "media_texture/frame_conversion.h"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define CORVANE_FRAME_X86 1
#endif

namespace {

void RowBgr24ToBgra32Portable(const std::uint8_t* s, std::uint8_t* d, int width) {
  for (int x = 0; x < width; ++x, s += 3, d += 4) {
    d[0] = s[0];
    d[1] = s[1];
    d[2] = s[2];
    d[3] = 255;
  }
}

void RowBgr24ToA1R5G5B5(const std::uint8_t* s, std::uint8_t* d, int width) {
  for (int x = 0; x < width; ++x, s += 3, d += 2) {
    const unsigned pixel = 0x8000u | (unsigned(s[2] >> 3) << 10) | (unsigned(s[1] >> 3) << 5) |
                           unsigned(s[0] >> 3);
    d[0] = static_cast<std::uint8_t>(pixel);
    d[1] = static_cast<std::uint8_t>(pixel >> 8);
  }
}

#if CORVANE_FRAME_X86
// Four pixels of 3 bytes spread to four of 4 bytes; the alpha bytes come from the OR.
#define CORVANE_SPREAD_MASK 0, 1, 2, -128, 3, 4, 5, -128, 6, 7, 8, -128, 9, 10, 11, -128

// 16 pixels per step from three 16-byte loads, never reading past the row's 3 x width bytes.
__attribute__((target("ssse3"))) void RowBgr24ToBgra32Ssse3(const std::uint8_t* s, std::uint8_t* d,
                                                            int width) {
  const __m128i spread = _mm_setr_epi8(CORVANE_SPREAD_MASK);
  const __m128i alpha = _mm_set1_epi32(static_cast<int>(0xFF000000u));
  int x = 0;
  for (; x + 16 <= width; x += 16, s += 48, d += 64) {
    const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s));
    const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + 16));
    const __m128i c = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + 32));
    const __m128i p0 = a;
    const __m128i p1 = _mm_alignr_epi8(b, a, 12);
    const __m128i p2 = _mm_alignr_epi8(c, b, 8);
    const __m128i p3 = _mm_srli_si128(c, 4);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(d), _mm_or_si128(_mm_shuffle_epi8(p0, spread), alpha));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(d + 16), _mm_or_si128(_mm_shuffle_epi8(p1, spread), alpha));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(d + 32), _mm_or_si128(_mm_shuffle_epi8(p2, spread), alpha));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(d + 48), _mm_or_si128(_mm_shuffle_epi8(p3, spread), alpha));
  }
  RowBgr24ToBgra32Portable(s, d, width - x);
}

// Eight pixels: each 128-bit lane takes four from a 16-byte load, the lanes 12 bytes apart.
__attribute__((target("avx2"))) inline __m256i SpreadEight(const std::uint8_t* p, __m256i spread,
                                                           __m256i alpha) {
  const __m256i v = _mm256_inserti128_si256(
      _mm256_castsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p))),
      _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 12)), 1);
  return _mm256_or_si256(_mm256_shuffle_epi8(v, spread), alpha);
}

// 32 pixels per step. The last load of a step reads 4 bytes beyond its pixels, so the loop
// stops while those bytes still belong to the row.
__attribute__((target("avx2"))) void RowBgr24ToBgra32Avx2(const std::uint8_t* s, std::uint8_t* d,
                                                          int width) {
  const __m256i spread = _mm256_setr_epi8(CORVANE_SPREAD_MASK, CORVANE_SPREAD_MASK);
  const __m256i alpha = _mm256_set1_epi32(static_cast<int>(0xFF000000u));
  int x = 0;
  for (; x + 34 <= width; x += 32, s += 96, d += 128) {
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(d), SpreadEight(s, spread, alpha));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(d + 32), SpreadEight(s + 24, spread, alpha));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(d + 64), SpreadEight(s + 48, spread, alpha));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(d + 96), SpreadEight(s + 72, spread, alpha));
  }
  RowBgr24ToBgra32Ssse3(s, d, width - x);
}
#undef CORVANE_SPREAD_MASK
#endif

using RowFunction = void (*)(const std::uint8_t*, std::uint8_t*, int);

RowFunction PickBgra32Row() {
#if CORVANE_FRAME_X86
  __builtin_cpu_init();
  if (__builtin_cpu_supports("avx2")) return &RowBgr24ToBgra32Avx2;
  if (__builtin_cpu_supports("ssse3")) return &RowBgr24ToBgra32Ssse3;
#endif
  return &RowBgr24ToBgra32Portable;
}

void ConvertRows(const std::uint8_t* src, std::ptrdiff_t srcPitch, int width, int height,
                 std::uint8_t* dst, std::ptrdiff_t dstPitch, RowFunction row) {
  if (width <= 0 || height <= 0) return;
  const std::uint8_t* s = src + (height - 1) * srcPitch;
  for (int y = 0; y < height; ++y, s -= srcPitch, dst += dstPitch) row(s, dst, width);
}

}  // namespace

void ConvertBgr24BottomUpToBgra32(const std::uint8_t* src, std::ptrdiff_t srcPitch, int width,
                                  int height, std::uint8_t* dst, std::ptrdiff_t dstPitch) {
  static const RowFunction row = PickBgra32Row();
  ConvertRows(src, srcPitch, width, height, dst, dstPitch, row);
}

void ConvertBgr24BottomUpToA1R5G5B5(const std::uint8_t* src, std::ptrdiff_t srcPitch, int width,
                                    int height, std::uint8_t* dst, std::ptrdiff_t dstPitch) {
  ConvertRows(src, srcPitch, width, height, dst, dstPitch, &RowBgr24ToA1R5G5B5);
}
