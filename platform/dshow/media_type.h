#pragma once
// CMediaType: an AM_MEDIA_TYPE that owns its format block (and the reference on pUnk), with
// value semantics. Helpers for plain AM_MEDIA_TYPE records handed across interfaces.

#include "platform/dshow/dshow_types.h"

class CMediaType : public AM_MEDIA_TYPE {
 public:
  CMediaType();
  explicit CMediaType(const GUID& major);
  CMediaType(const AM_MEDIA_TYPE& other);  // deep copy
  CMediaType(const CMediaType& other);
  CMediaType(CMediaType&& other) noexcept;
  CMediaType& operator=(const AM_MEDIA_TYPE& other);
  CMediaType& operator=(const CMediaType& other);
  CMediaType& operator=(CMediaType&& other) noexcept;
  ~CMediaType();

  const GUID* Type() const { return &majortype; }
  void SetType(const GUID* major) { majortype = *major; }
  const GUID* Subtype() const { return &subtype; }
  void SetSubtype(const GUID* sub) { subtype = *sub; }
  const GUID* FormatType() const { return &formattype; }
  void SetFormatType(const GUID* format) { formattype = *format; }
  BYTE* Format() const { return pbFormat; }
  ULONG FormatLength() const { return cbFormat; }
  void SetSampleSize(ULONG size);
  void SetVariableSize() { bFixedSizeSamples = FALSE; }
  void SetTemporalCompression(BOOL compressed) { bTemporalCompression = compressed; }

  // Replaces the format block with a copy of the given bytes; false when out of memory.
  bool SetFormat(const BYTE* format, ULONG length);
  // Makes the block at least length bytes long, keeping its start, zeroing the rest; null
  // when out of memory.
  BYTE* ReallocFormatBuffer(ULONG length);
  void ResetFormatBuffer();

  bool IsValid() const { return !(majortype == GUID_NULL); }
  // True when a major type, subtype or format type is GUID_NULL (a wildcard).
  bool IsPartiallySpecified() const;
  // Equal types; a GUID_NULL field of this type matches any value (partial types match).
  bool MatchesPartial(const CMediaType* other) const;
  bool operator==(const CMediaType& other) const;
  bool operator!=(const CMediaType& other) const { return !(*this == other); }

  // The format block as the given record, or null when the format type differs or the block
  // is too short for it.
  const struct VIDEOINFOHEADER* VideoInfo() const;
  const struct WAVEFORMATEX* WaveFormat() const;
};

void FreeMediaType(AM_MEDIA_TYPE& type);  // format block and pUnk
HRESULT CopyMediaType(AM_MEDIA_TYPE* target, const AM_MEDIA_TYPE* source);
AM_MEDIA_TYPE* CreateMediaType(const AM_MEDIA_TYPE* source);  // CoTaskMem copy, null on failure
void DeleteMediaType(AM_MEDIA_TYPE* type);                    // frees a CreateMediaType copy

// An RGB video type (24 or 32 bits) with a VIDEOINFOHEADER: bottom-up when height is
// positive, rows padded to 4 bytes.
CMediaType MakeRgbVideoType(LONG width, LONG height, WORD bitCount, REFERENCE_TIME timePerFrame);
// Bytes per row of an RGB bitmap, padded to 4 bytes.
constexpr LONG DibRowBytes(LONG width, WORD bitCount) { return ((width * bitCount + 31) / 32) * 4; }
