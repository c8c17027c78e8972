#include "platform/dshow/media_type.h"

#include <cstdlib>
#include <cstring>
#include <utility>

void* CoTaskMemAlloc(std::size_t size) { return std::malloc(size ? size : 1); }
void CoTaskMemFree(void* block) { std::free(block); }

namespace {
void ClearRecord(AM_MEDIA_TYPE& type) {
  std::memset(static_cast<void*>(&type), 0, sizeof(AM_MEDIA_TYPE));
  type.bFixedSizeSamples = TRUE;
  type.lSampleSize = 1;
}
}  // namespace

void FreeMediaType(AM_MEDIA_TYPE& type) {
  if (type.pbFormat) CoTaskMemFree(type.pbFormat);
  type.pbFormat = nullptr;
  type.cbFormat = 0;
  if (type.pUnk) type.pUnk->Release();
  type.pUnk = nullptr;
}

HRESULT CopyMediaType(AM_MEDIA_TYPE* target, const AM_MEDIA_TYPE* source) {
  if (!target || !source) return E_POINTER;
  *target = *source;
  if (source->cbFormat && source->pbFormat) {
    target->pbFormat = static_cast<BYTE*>(CoTaskMemAlloc(source->cbFormat));
    if (!target->pbFormat) {
      target->cbFormat = 0;
      return E_OUTOFMEMORY;
    }
    std::memcpy(target->pbFormat, source->pbFormat, source->cbFormat);
  } else {
    target->pbFormat = nullptr;
    target->cbFormat = 0;
  }
  if (target->pUnk) target->pUnk->AddRef();
  return S_OK;
}

AM_MEDIA_TYPE* CreateMediaType(const AM_MEDIA_TYPE* source) {
  auto* type = static_cast<AM_MEDIA_TYPE*>(CoTaskMemAlloc(sizeof(AM_MEDIA_TYPE)));
  if (!type) return nullptr;
  if (FAILED(CopyMediaType(type, source))) {
    CoTaskMemFree(type);
    return nullptr;
  }
  return type;
}

void DeleteMediaType(AM_MEDIA_TYPE* type) {
  if (!type) return;
  FreeMediaType(*type);
  CoTaskMemFree(type);
}

CMediaType::CMediaType() { ClearRecord(*this); }

CMediaType::CMediaType(const GUID& major) : CMediaType() { majortype = major; }

CMediaType::CMediaType(const AM_MEDIA_TYPE& other) : CMediaType() {
  if (FAILED(CopyMediaType(this, &other))) ClearRecord(*this);
}

CMediaType::CMediaType(const CMediaType& other)
    : CMediaType(static_cast<const AM_MEDIA_TYPE&>(other)) {}

CMediaType::CMediaType(CMediaType&& other) noexcept : AM_MEDIA_TYPE(other) { ClearRecord(other); }

CMediaType& CMediaType::operator=(const AM_MEDIA_TYPE& other) {
  if (&other == this) return *this;
  FreeMediaType(*this);
  if (FAILED(CopyMediaType(this, &other))) ClearRecord(*this);
  return *this;
}

CMediaType& CMediaType::operator=(const CMediaType& other) {
  return *this = static_cast<const AM_MEDIA_TYPE&>(other);
}

CMediaType& CMediaType::operator=(CMediaType&& other) noexcept {
  if (&other == this) return *this;
  FreeMediaType(*this);
  static_cast<AM_MEDIA_TYPE&>(*this) = other;
  ClearRecord(other);
  return *this;
}

CMediaType::~CMediaType() { FreeMediaType(*this); }

void CMediaType::SetSampleSize(ULONG size) {
  if (size == 0) {
    bFixedSizeSamples = FALSE;
  } else {
    bFixedSizeSamples = TRUE;
    lSampleSize = size;
  }
}

bool CMediaType::SetFormat(const BYTE* format, ULONG length) {
  if (!ReallocFormatBuffer(length) && length) return false;
  if (length) std::memcpy(pbFormat, format, length);
  cbFormat = length;
  return true;
}

BYTE* CMediaType::ReallocFormatBuffer(ULONG length) {
  if (length == 0) {
    ResetFormatBuffer();
    return nullptr;
  }
  if (pbFormat && cbFormat == length) return pbFormat;
  auto* block = static_cast<BYTE*>(CoTaskMemAlloc(length));
  if (!block) return nullptr;
  std::memset(block, 0, length);
  if (pbFormat) {
    std::memcpy(block, pbFormat, cbFormat < length ? cbFormat : length);
    CoTaskMemFree(pbFormat);
  }
  pbFormat = block;
  cbFormat = length;
  return block;
}

void CMediaType::ResetFormatBuffer() {
  if (pbFormat) CoTaskMemFree(pbFormat);
  pbFormat = nullptr;
  cbFormat = 0;
}

bool CMediaType::IsPartiallySpecified() const {
  return majortype == GUID_NULL || subtype == GUID_NULL || formattype == GUID_NULL;
}

bool CMediaType::MatchesPartial(const CMediaType* other) const {
  if (!(majortype == GUID_NULL) && !(majortype == other->majortype)) return false;
  if (!(subtype == GUID_NULL) && !(subtype == other->subtype)) return false;
  if (!(formattype == GUID_NULL)) {
    if (!(formattype == other->formattype)) return false;
    if (cbFormat != other->cbFormat) return false;
    if (cbFormat && std::memcmp(pbFormat, other->pbFormat, cbFormat) != 0) return false;
  }
  return true;
}

bool CMediaType::operator==(const CMediaType& other) const {
  return majortype == other.majortype && subtype == other.subtype &&
         formattype == other.formattype && cbFormat == other.cbFormat &&
         (cbFormat == 0 || std::memcmp(pbFormat, other.pbFormat, cbFormat) == 0);
}

const VIDEOINFOHEADER* CMediaType::VideoInfo() const {
  if (!(formattype == FORMAT_VideoInfo) || !pbFormat || cbFormat < sizeof(VIDEOINFOHEADER))
    return nullptr;
  return reinterpret_cast<const VIDEOINFOHEADER*>(pbFormat);
}

const WAVEFORMATEX* CMediaType::WaveFormat() const {
  if (!(formattype == FORMAT_WaveFormatEx) || !pbFormat || cbFormat < sizeof(WAVEFORMATEX))
    return nullptr;
  return reinterpret_cast<const WAVEFORMATEX*>(pbFormat);
}

CMediaType MakeRgbVideoType(LONG width, LONG height, WORD bitCount, REFERENCE_TIME timePerFrame) {
  CMediaType type(MEDIATYPE_Video);
  type.subtype = bitCount == 32 ? MEDIASUBTYPE_RGB32 : MEDIASUBTYPE_RGB24;
  type.formattype = FORMAT_VideoInfo;
  VIDEOINFOHEADER info{};
  info.AvgTimePerFrame = timePerFrame;
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = bitCount;
  info.bmiHeader.biCompression = BI_RGB;
  const LONG rows = height < 0 ? -height : height;
  info.bmiHeader.biSizeImage = static_cast<DWORD>(DibRowBytes(width, bitCount) * rows);
  info.rcSource = RECT{0, 0, width, rows};
  info.rcTarget = info.rcSource;
  type.SetFormat(reinterpret_cast<const BYTE*>(&info), sizeof(info));
  type.SetSampleSize(info.bmiHeader.biSizeImage);
  type.bTemporalCompression = FALSE;
  return type;
}
