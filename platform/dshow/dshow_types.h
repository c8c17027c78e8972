#pragma once
// Identifiers, records and result codes of the media engine. Media types follow the usual
// convention that a subtype made from a FOURCC is XXXXXXXX-0000-0010-8000-00AA00389B71, so
// a filter can make a private subtype for a compressed format with MediaSubtypeFromFourCC
// (or declare its own GUID when no FOURCC fits).

#include <cstdint>

#include "platform/com/com_runtime.h"

using LONG_PTR = std::intptr_t;
using REFTIME = double;  // seconds
using OLECHAR = WCHAR;
using LPCOLESTR = const OLECHAR*;
using OAFilterState = LONG;

// --- result codes -------------------------------------------------------------------------
constexpr HRESULT VFW_S_NO_MORE_ITEMS = 0x00040103;
constexpr HRESULT VFW_S_PARTIAL_RENDER = 0x00040242;
constexpr HRESULT VFW_S_STATE_INTERMEDIATE = 0x00040237;
constexpr HRESULT VFW_S_CANT_CUE = 0x00040268;
constexpr HRESULT VFW_E_INVALIDMEDIATYPE = MakeHResult(0x80040200u);
constexpr HRESULT VFW_E_NEED_OWNER = MakeHResult(0x80040202u);
constexpr HRESULT VFW_E_ALREADY_CONNECTED = MakeHResult(0x80040204u);
constexpr HRESULT VFW_E_NO_ACCEPTABLE_TYPES = MakeHResult(0x80040207u);
constexpr HRESULT VFW_E_INVALID_DIRECTION = MakeHResult(0x80040208u);
constexpr HRESULT VFW_E_NOT_CONNECTED = MakeHResult(0x80040209u);
constexpr HRESULT VFW_E_NO_ALLOCATOR = MakeHResult(0x8004020Au);
constexpr HRESULT VFW_E_RUNTIME_ERROR = MakeHResult(0x8004020Bu);
constexpr HRESULT VFW_E_BUFFER_NOTSET = MakeHResult(0x8004020Cu);
constexpr HRESULT VFW_E_BUFFER_OVERFLOW = MakeHResult(0x8004020Du);
constexpr HRESULT VFW_E_BADALIGN = MakeHResult(0x8004020Eu);
constexpr HRESULT VFW_E_ALREADY_COMMITTED = MakeHResult(0x8004020Fu);
constexpr HRESULT VFW_E_BUFFERS_OUTSTANDING = MakeHResult(0x80040210u);
constexpr HRESULT VFW_E_NOT_COMMITTED = MakeHResult(0x80040211u);
constexpr HRESULT VFW_E_SIZENOTSET = MakeHResult(0x80040212u);
constexpr HRESULT VFW_E_NO_CLOCK = MakeHResult(0x80040213u);
constexpr HRESULT VFW_E_NO_SINK = MakeHResult(0x80040214u);
constexpr HRESULT VFW_E_NO_INTERFACE = MakeHResult(0x80040215u);
constexpr HRESULT VFW_E_NOT_FOUND = MakeHResult(0x80040216u);
constexpr HRESULT VFW_E_CANNOT_CONNECT = MakeHResult(0x80040217u);
constexpr HRESULT VFW_E_CANNOT_RENDER = MakeHResult(0x80040218u);
constexpr HRESULT VFW_E_NOT_STOPPED = MakeHResult(0x80040224u);
constexpr HRESULT VFW_E_WRONG_STATE = MakeHResult(0x80040227u);
constexpr HRESULT VFW_E_START_TIME_AFTER_END = MakeHResult(0x80040228u);
constexpr HRESULT VFW_E_TYPE_NOT_ACCEPTED = MakeHResult(0x8004022Au);
constexpr HRESULT VFW_E_SAMPLE_REJECTED = MakeHResult(0x8004022Bu);
constexpr HRESULT VFW_E_NO_TRANSPORT = MakeHResult(0x8004022Du);
constexpr HRESULT VFW_E_NOT_PAUSED = MakeHResult(0x80040235u);
constexpr HRESULT VFW_E_UNSUPPORTED_STREAM = MakeHResult(0x80040265u);
constexpr HRESULT VFW_E_NO_TIME_FORMAT = MakeHResult(0x80040257u);
constexpr HRESULT VFW_E_TIME_NOT_SET = MakeHResult(0x80040272u);
constexpr HRESULT VFW_E_UNKNOWN_FILE_TYPE = MakeHResult(0x80040240u);
constexpr HRESULT VFW_E_CANNOT_LOAD_SOURCE_FILTER = MakeHResult(0x80040241u);
constexpr HRESULT VFW_E_FILE_NOT_FOUND = MakeHResult(0x80040281u);
constexpr HRESULT VFW_E_DUPLICATE_NAME = MakeHResult(0x8004028Eu);
constexpr HRESULT E_PROP_ID_UNSUPPORTED_VALUE = MakeHResult(0x80070490u);

// --- events -------------------------------------------------------------------------------
constexpr LONG EC_COMPLETE = 0x01;  // param1: HRESULT, param2: 0 from the graph
constexpr LONG EC_USERABORT = 0x02;
constexpr LONG EC_ERRORABORT = 0x03;  // param1: HRESULT
constexpr LONG EC_STREAM_ERROR_STOPPED = 0x06;
constexpr LONG EC_PAUSED = 0x0E;  // param1: HRESULT
constexpr LONG EC_CLOCK_CHANGED = 0x0D;

// --- GUIDs --------------------------------------------------------------------------------
constexpr GUID MediaSubtypeFromFourCC(std::uint32_t fourcc) {
  return GUID{fourcc, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71}};
}
constexpr std::uint32_t MakeFourCC(char a, char b, char c, char d) {
  return std::uint32_t(std::uint8_t(a)) | std::uint32_t(std::uint8_t(b)) << 8 |
         std::uint32_t(std::uint8_t(c)) << 16 | std::uint32_t(std::uint8_t(d)) << 24;
}

inline constexpr GUID MEDIATYPE_Video = MediaSubtypeFromFourCC(MakeFourCC('v', 'i', 'd', 's'));
inline constexpr GUID MEDIATYPE_Audio = MediaSubtypeFromFourCC(MakeFourCC('a', 'u', 'd', 's'));
inline constexpr GUID MEDIATYPE_Stream{
    0x6259A364, 0x0153, 0x4EBD, {0xB2, 0xDF, 0x0C, 0xD8, 0xAB, 0x14, 0xB0, 0x66}};
inline constexpr GUID MEDIASUBTYPE_RGB24{
    0xD50BFD9E, 0x96A4, 0x4E3B, {0xAD, 0xAD, 0xFA, 0xB5, 0x00, 0x2B, 0x2C, 0x4B}};
inline constexpr GUID MEDIASUBTYPE_RGB32{
    0xAFCB90BD, 0xC33D, 0x4E7D, {0x91, 0x6E, 0x12, 0xE2, 0x75, 0xEC, 0xCC, 0xE3}};
inline constexpr GUID MEDIASUBTYPE_PCM = MediaSubtypeFromFourCC(1);  // WAVE_FORMAT_PCM
inline constexpr GUID MEDIASUBTYPE_IEEE_FLOAT =
    MediaSubtypeFromFourCC(3);  // WAVE_FORMAT_IEEE_FLOAT
inline constexpr GUID FORMAT_VideoInfo{
    0x863E5074, 0xF28E, 0x45DC, {0x86, 0xE0, 0x68, 0x0A, 0x9E, 0x53, 0xCD, 0x50}};
inline constexpr GUID FORMAT_WaveFormatEx{
    0xDAD18341, 0xED48, 0x4848, {0x93, 0x94, 0x27, 0x27, 0x2E, 0x16, 0xA2, 0x85}};
inline constexpr GUID FORMAT_None{
    0x5B65948E, 0xEA15, 0x453C, {0x9F, 0xC7, 0xE5, 0x68, 0xC5, 0xC9, 0x30, 0xE5}};
inline constexpr GUID TIME_FORMAT_MEDIA_TIME{
    0xC02A7A81, 0x4BA7, 0x46A1, {0xB6, 0x80, 0xE5, 0xFA, 0xFC, 0x47, 0xE4, 0xF5}};
inline constexpr GUID TIME_FORMAT_FRAME{
    0x917EA8B5, 0x3C2E, 0x4CB3, {0xAA, 0xEA, 0xC4, 0xD6, 0x55, 0x2C, 0x81, 0xF5}};
inline constexpr GUID TIME_FORMAT_NONE{
    0xD055881D, 0xFAA2, 0x4EB6, {0xAC, 0x95, 0x46, 0xA8, 0xC4, 0xA2, 0x85, 0xD6}};

inline constexpr GUID CLSID_FilterGraph{
    0x38D32D18, 0xB9A9, 0x4AE5, {0xBF, 0xC6, 0x04, 0x2E, 0x24, 0x17, 0x31, 0x2F}};
inline constexpr GUID CLSID_CaptureGraphBuilder2{
    0x83C68D8E, 0x9049, 0x426C, {0xA1, 0x8C, 0x9E, 0x61, 0xE8, 0x68, 0x44, 0x54}};
inline constexpr GUID CLSID_SystemDeviceEnum{
    0x3DC84F1C, 0xDC01, 0x49B9, {0xAA, 0x7D, 0x4E, 0xF1, 0x6C, 0x94, 0xD2, 0xA6}};
inline constexpr GUID CLSID_VideoInputDeviceCategory{
    0x0678F3EE, 0x32A0, 0x4601, {0xAE, 0x15, 0x8C, 0xE5, 0xF5, 0xA1, 0xF5, 0x96}};
inline constexpr GUID CLSID_AudioInputDeviceCategory{
    0x03EE1AFC, 0xD894, 0x49DC, {0xB3, 0x33, 0x72, 0x06, 0xDB, 0x7C, 0x14, 0xE4}};
inline constexpr GUID CLSID_DSoundRender{
    0x2755ED63, 0x05A0, 0x42B8, {0xB0, 0x5D, 0x2C, 0xA6, 0xA2, 0x69, 0xCB, 0xC8}};
inline constexpr GUID CLSID_VideoRenderer{
    0x31DE6B19, 0xCC1B, 0x4467, {0x95, 0xEE, 0xF6, 0xF5, 0x97, 0x2B, 0x0C, 0xE0}};
inline constexpr GUID CLSID_SystemClock{
    0xF2FEFA46, 0xEE21, 0x4C27, {0x88, 0x00, 0x56, 0xC4, 0xCD, 0x99, 0x56, 0xAE}};
inline constexpr GUID PIN_CATEGORY_PREVIEW{
    0xFFFEF92E, 0x3D54, 0x4BC5, {0xA7, 0xDB, 0x28, 0xF6, 0x3B, 0xC3, 0x66, 0xD4}};
inline constexpr GUID PIN_CATEGORY_CAPTURE{
    0x08CC9936, 0xC0B0, 0x4188, {0xB6, 0xAE, 0x65, 0xD0, 0xC5, 0x94, 0x0B, 0x92}};
inline constexpr GUID AMPROPSETID_Pin{
    0xCCCAB42E, 0x21DE, 0x4456, {0xBB, 0xF7, 0x11, 0xD6, 0xA5, 0x18, 0x15, 0x21}};
constexpr DWORD AMPROPERTY_PIN_CATEGORY = 0;

inline constexpr GUID IID_IPersist{
    0x5C482CB0, 0xAB59, 0x4D01, {0xA0, 0xD7, 0xE1, 0xCD, 0xFB, 0x4F, 0xF5, 0xB2}};
inline constexpr GUID IID_IMediaFilter{
    0x305DA810, 0xB6B2, 0x473A, {0x9E, 0xDB, 0xC0, 0x64, 0xFF, 0x64, 0x95, 0x5D}};
inline constexpr GUID IID_IBaseFilter{
    0x5075271F, 0x9C61, 0x4E4A, {0x96, 0x82, 0xF9, 0xAF, 0xEA, 0xB5, 0xB4, 0x9C}};
inline constexpr GUID IID_IPin{
    0xC04BF058, 0x6119, 0x400C, {0xB7, 0x7B, 0x1F, 0x7D, 0x07, 0x73, 0x04, 0x59}};
inline constexpr GUID IID_IEnumPins{
    0x33D4F84F, 0x9EDC, 0x4EE8, {0xB4, 0x83, 0xCF, 0x03, 0x7E, 0x41, 0xBF, 0xFA}};
inline constexpr GUID IID_IEnumFilters{
    0x0C173F60, 0x67DC, 0x45E0, {0xA2, 0x1A, 0xE5, 0xCA, 0xD0, 0x7C, 0x5E, 0x6B}};
inline constexpr GUID IID_IEnumMediaTypes{
    0x5DC84C19, 0x9C17, 0x41DB, {0xB4, 0xE2, 0xD5, 0x3F, 0x40, 0xCC, 0x50, 0x51}};
inline constexpr GUID IID_IFilterGraph{
    0x6DBFD2DF, 0xB117, 0x459B, {0x92, 0x12, 0x4A, 0x47, 0xE3, 0xBA, 0x3E, 0x17}};
inline constexpr GUID IID_IGraphBuilder{
    0xA81FE38A, 0x2E9D, 0x4BF0, {0x92, 0x3B, 0xB2, 0x8E, 0xF3, 0x41, 0xE4, 0x08}};
inline constexpr GUID IID_IMediaControl{
    0xB33781B5, 0x3878, 0x48C1, {0x8C, 0x52, 0x9D, 0x25, 0x49, 0xBC, 0x16, 0x15}};
inline constexpr GUID IID_IMediaSeeking{
    0xF59F2FDC, 0x5A32, 0x4EF9, {0xBA, 0x0E, 0x89, 0x73, 0xB0, 0xF3, 0x58, 0xC5}};
inline constexpr GUID IID_IMediaPosition{
    0xE126A059, 0x8FD3, 0x4625, {0x8C, 0xDE, 0xC9, 0xC7, 0x43, 0xFE, 0xEF, 0x7C}};
inline constexpr GUID IID_IMediaEvent{
    0x18ADF6B2, 0x968A, 0x4483, {0xB7, 0x58, 0x34, 0x61, 0x9F, 0x1F, 0xA3, 0x2E}};
inline constexpr GUID IID_IMediaEventSink{
    0xE8EDFCBB, 0x199F, 0x4B6B, {0x87, 0x60, 0x4B, 0xC8, 0x17, 0x2C, 0x05, 0x05}};
inline constexpr GUID IID_IReferenceClock{
    0x6B2257BB, 0x29CD, 0x43EB, {0x87, 0x49, 0x36, 0x5A, 0x16, 0x95, 0xFB, 0xAA}};
inline constexpr GUID IID_IMediaSample{
    0x834C39A9, 0xED13, 0x4363, {0x9C, 0xC2, 0x9F, 0xB3, 0xF6, 0x60, 0xDC, 0x2A}};
inline constexpr GUID IID_IMemAllocator{
    0x10915240, 0x3FB7, 0x4868, {0x9A, 0x8F, 0xBC, 0xE9, 0xA6, 0x61, 0x74, 0xB2}};
inline constexpr GUID IID_IMemInputPin{
    0xD8CFF5BB, 0xE472, 0x476C, {0x96, 0x32, 0x71, 0xC7, 0x05, 0xE4, 0xF7, 0x33}};
inline constexpr GUID IID_ICaptureGraphBuilder2{
    0x1EF1B42D, 0x4C2D, 0x4C01, {0xB3, 0xAB, 0x97, 0xAB, 0xA9, 0xDE, 0xAE, 0xBB}};
inline constexpr GUID IID_ICreateDevEnum{
    0xADF2FCF1, 0x7802, 0x416C, {0x83, 0x10, 0x7B, 0xA8, 0xA2, 0xA4, 0xF3, 0x9F}};
inline constexpr GUID IID_IEnumMoniker{
    0xEBEE09FF, 0xD838, 0x43B0, {0x9F, 0xF1, 0xEB, 0x61, 0x73, 0xB6, 0xDC, 0xB2}};
inline constexpr GUID IID_IMoniker{
    0x13C9AC1A, 0x37C8, 0x42A9, {0x90, 0xA3, 0xDE, 0x0C, 0x24, 0x69, 0xE7, 0x0F}};
inline constexpr GUID IID_IPropertyBag{
    0x9FF99DDD, 0x7442, 0x4066, {0x92, 0xBE, 0xE7, 0x0F, 0x8C, 0x81, 0x33, 0x8A}};
inline constexpr GUID IID_IKsPropertySet{
    0x1866DC4C, 0xA7F6, 0x4E97, {0x91, 0xBB, 0x27, 0x7D, 0x42, 0x6B, 0xA0, 0x4F}};
inline constexpr GUID IID_IAMFilterMiscFlags{
    0x331B4718, 0xC7C7, 0x4430, {0x95, 0x6E, 0xB9, 0xF4, 0x6B, 0x15, 0x68, 0x2D}};

// --- enumerations -------------------------------------------------------------------------
enum PIN_DIRECTION : std::int32_t { PINDIR_INPUT = 0, PINDIR_OUTPUT = 1 };
enum FILTER_STATE : std::int32_t { State_Stopped = 0, State_Paused = 1, State_Running = 2 };

constexpr DWORD AM_SEEKING_NoPositioning = 0x0;
constexpr DWORD AM_SEEKING_AbsolutePositioning = 0x1;
constexpr DWORD AM_SEEKING_RelativePositioning = 0x2;
constexpr DWORD AM_SEEKING_IncrementalPositioning = 0x3;
constexpr DWORD AM_SEEKING_PositioningBitsMask = 0x3;
constexpr DWORD AM_SEEKING_SeekToKeyFrame = 0x4;
constexpr DWORD AM_SEEKING_ReturnTime = 0x8;

constexpr DWORD AM_SEEKING_CanSeekAbsolute = 0x1;
constexpr DWORD AM_SEEKING_CanSeekForwards = 0x2;
constexpr DWORD AM_SEEKING_CanSeekBackwards = 0x4;
constexpr DWORD AM_SEEKING_CanGetCurrentPos = 0x8;
constexpr DWORD AM_SEEKING_CanGetStopPos = 0x10;
constexpr DWORD AM_SEEKING_CanGetDuration = 0x20;

constexpr DWORD AM_FILTER_MISC_FLAGS_IS_RENDERER = 0x1;
constexpr DWORD AM_FILTER_MISC_FLAGS_IS_SOURCE = 0x2;

constexpr DWORD AM_GBF_NOWAIT = 0x4;  // GetBuffer: fail instead of waiting for a free sample

constexpr LONG INFINITE_TIMEOUT = -1;  // GetEvent / GetState: wait without a limit

// --- records ------------------------------------------------------------------------------
struct IPin;
struct IBaseFilter;
struct IFilterGraph;

constexpr int MAX_PIN_NAME = 128;
constexpr int MAX_FILTER_NAME = 128;

struct PIN_INFO {
  IBaseFilter* pFilter;  // one reference, released by the caller
  PIN_DIRECTION dir;
  WCHAR achName[MAX_PIN_NAME];
};

struct FILTER_INFO {
  WCHAR achName[MAX_FILTER_NAME];
  IFilterGraph* pGraph;  // one reference when not null, released by the caller
};

struct BITMAPINFOHEADER {
  DWORD biSize;
  LONG biWidth;
  LONG biHeight;  // positive: bottom-up rows; negative: top-down
  WORD biPlanes;
  WORD biBitCount;
  DWORD biCompression;
  DWORD biSizeImage;
  LONG biXPelsPerMeter;
  LONG biYPelsPerMeter;
  DWORD biClrUsed;
  DWORD biClrImportant;
};
static_assert(sizeof(BITMAPINFOHEADER) == 40);
constexpr DWORD BI_RGB = 0;

struct VIDEOINFOHEADER {
  RECT rcSource;
  RECT rcTarget;
  DWORD dwBitRate;
  DWORD dwBitErrorRate;
  REFERENCE_TIME AvgTimePerFrame;
  BITMAPINFOHEADER bmiHeader;
};
static_assert(sizeof(VIDEOINFOHEADER) == 88);

#pragma pack(push, 1)
struct WAVEFORMATEX {
  WORD wFormatTag;
  WORD nChannels;
  DWORD nSamplesPerSec;
  DWORD nAvgBytesPerSec;
  WORD nBlockAlign;
  WORD wBitsPerSample;
  WORD cbSize;
};
#pragma pack(pop)
static_assert(sizeof(WAVEFORMATEX) == 18);
constexpr WORD WAVE_FORMAT_PCM = 1;
constexpr WORD WAVE_FORMAT_IEEE_FLOAT = 3;

// pbFormat is allocated with CoTaskMemAlloc; FreeMediaType releases it.
struct AM_MEDIA_TYPE {
  GUID majortype;
  GUID subtype;
  BOOL bFixedSizeSamples;
  BOOL bTemporalCompression;
  ULONG lSampleSize;
  GUID formattype;
  IUnknown* pUnk;
  ULONG cbFormat;
  BYTE* pbFormat;
};

struct ALLOCATOR_PROPERTIES {
  LONG cBuffers;
  LONG cbBuffer;
  LONG cbAlign;
  LONG cbPrefix;
};

// Task memory: blocks handed across interfaces (pin identifiers, format blocks, enumerated
// media types) are allocated with these and freed by the receiver.
void* CoTaskMemAlloc(std::size_t size);
void CoTaskMemFree(void* block);
