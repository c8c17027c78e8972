#include "platform/dshow/ffmpeg/stream_media_types.h"

#include <cstring>
#include <vector>

extern "C" {
#include <libavutil/imgutils.h>
#include <libavutil/pixdesc.h>
}

namespace ffmedia {

namespace {

// The format block of a compressed type: fixed fields, then extradataSize bytes.
struct CodecBlock {
  std::uint32_t size;  // of this record, so a block from another layout is refused
  std::int32_t codecType;
  std::int32_t codecId;
  std::uint32_t codecTag;
  std::int32_t format;
  std::int64_t bitRate;
  std::int32_t bitsPerCodedSample, bitsPerRawSample, profile, level;
  std::int32_t width, height, sarNum, sarDen, fieldOrder;
  std::int32_t colorRange, colorPrimaries, colorTrc, colorSpace, chromaLocation, videoDelay;
  std::int32_t sampleRate, channels, channelOrder;
  std::uint64_t channelMask;
  std::int32_t blockAlign, frameSize, initialPadding, trailingPadding, seekPreroll;
  std::int32_t timeBaseNum, timeBaseDen;
  std::int32_t frameRateNum, frameRateDen;
  std::uint32_t extradataSize;
};

// {xxxxxxxx-7C3E-4A51-8F60-2D9B14E0A6C5}: the codec identifier in the first field.
constexpr GUID kCompressedBase{0, 0x7C3E, 0x4A51, {0x8F, 0x60, 0x2D, 0x9B, 0x14, 0xE0, 0xA6, 0xC5}};
// {xxxxxxxx-91D2-4B07-A3E8-5F16C07B2D94}: the pixel format in the first field.
constexpr GUID kRawPictureBase{0, 0x91D2, 0x4B07, {0xA3, 0xE8, 0x5F, 0x16, 0xC0, 0x7B, 0x2D, 0x94}};

struct FourCCFormat {
  AVPixelFormat format;
  std::uint32_t fourcc;
};
constexpr FourCCFormat kFourCCFormats[] = {
    {AV_PIX_FMT_YUV420P, MakeFourCC('I', '4', '2', '0')},
    {AV_PIX_FMT_NV12, MakeFourCC('N', 'V', '1', '2')},
    {AV_PIX_FMT_YUYV422, MakeFourCC('Y', 'U', 'Y', '2')},
    {AV_PIX_FMT_UYVY422, MakeFourCC('U', 'Y', 'V', 'Y')},
};

bool SameTail(const GUID& a, const GUID& b) {
  return a.Data2 == b.Data2 && a.Data3 == b.Data3 && std::memcmp(a.Data4, b.Data4, 8) == 0;
}

}  // namespace

GUID CompressedSubtype(AVCodecID codec) {
  GUID subtype = kCompressedBase;
  subtype.Data1 = static_cast<std::uint32_t>(codec);
  return subtype;
}

CMediaType MakeCompressedType(const AVStream& stream) {
  const AVCodecParameters& p = *stream.codecpar;
  CMediaType type(p.codec_type == AVMEDIA_TYPE_AUDIO ? MEDIATYPE_Audio : MEDIATYPE_Video);
  type.subtype = CompressedSubtype(p.codec_id);
  type.formattype = FORMAT_CodecParameters;
  type.SetVariableSize();
  type.SetTemporalCompression(TRUE);

  CodecBlock block{};
  block.size = sizeof(CodecBlock);
  block.codecType = p.codec_type;
  block.codecId = p.codec_id;
  block.codecTag = p.codec_tag;
  block.format = p.format;
  block.bitRate = p.bit_rate;
  block.bitsPerCodedSample = p.bits_per_coded_sample;
  block.bitsPerRawSample = p.bits_per_raw_sample;
  block.profile = p.profile;
  block.level = p.level;
  block.width = p.width;
  block.height = p.height;
  block.sarNum = p.sample_aspect_ratio.num;
  block.sarDen = p.sample_aspect_ratio.den;
  block.fieldOrder = p.field_order;
  block.colorRange = p.color_range;
  block.colorPrimaries = p.color_primaries;
  block.colorTrc = p.color_trc;
  block.colorSpace = p.color_space;
  block.chromaLocation = p.chroma_location;
  block.videoDelay = p.video_delay;
  block.sampleRate = p.sample_rate;
  block.channels = p.ch_layout.nb_channels;
  block.channelOrder = p.ch_layout.order;
  block.channelMask = p.ch_layout.order == AV_CHANNEL_ORDER_NATIVE ? p.ch_layout.u.mask : 0;
  block.blockAlign = p.block_align;
  block.frameSize = p.frame_size;
  block.initialPadding = p.initial_padding;
  block.trailingPadding = p.trailing_padding;
  block.seekPreroll = p.seek_preroll;
  block.timeBaseNum = stream.time_base.num;
  block.timeBaseDen = stream.time_base.den;
  block.frameRateNum = stream.avg_frame_rate.num;
  block.frameRateDen = stream.avg_frame_rate.den;
  block.extradataSize = p.extradata_size > 0 ? static_cast<std::uint32_t>(p.extradata_size) : 0;

  std::vector<BYTE> bytes(sizeof block + block.extradataSize);
  std::memcpy(bytes.data(), &block, sizeof block);
  if (block.extradataSize) std::memcpy(bytes.data() + sizeof block, p.extradata, block.extradataSize);
  type.SetFormat(bytes.data(), static_cast<ULONG>(bytes.size()));
  return type;
}

CodecParametersPtr ReadCompressedType(const CMediaType& type, AVRational* timeBase,
                                      AVRational* frameRate) {
  if (!(type.formattype == FORMAT_CodecParameters) || !type.pbFormat ||
      type.cbFormat < sizeof(CodecBlock))
    return nullptr;
  CodecBlock block;
  std::memcpy(&block, type.pbFormat, sizeof block);
  if (block.size != sizeof(CodecBlock) || type.cbFormat - sizeof block < block.extradataSize)
    return nullptr;
  CodecParametersPtr p(avcodec_parameters_alloc());
  if (!p) return nullptr;
  p->codec_type = static_cast<AVMediaType>(block.codecType);
  p->codec_id = static_cast<AVCodecID>(block.codecId);
  p->codec_tag = block.codecTag;
  p->format = block.format;
  p->bit_rate = block.bitRate;
  p->bits_per_coded_sample = block.bitsPerCodedSample;
  p->bits_per_raw_sample = block.bitsPerRawSample;
  p->profile = block.profile;
  p->level = block.level;
  p->width = block.width;
  p->height = block.height;
  p->sample_aspect_ratio = AVRational{block.sarNum, block.sarDen};
  p->field_order = static_cast<AVFieldOrder>(block.fieldOrder);
  p->color_range = static_cast<AVColorRange>(block.colorRange);
  p->color_primaries = static_cast<AVColorPrimaries>(block.colorPrimaries);
  p->color_trc = static_cast<AVColorTransferCharacteristic>(block.colorTrc);
  p->color_space = static_cast<AVColorSpace>(block.colorSpace);
  p->chroma_location = static_cast<AVChromaLocation>(block.chromaLocation);
  p->video_delay = block.videoDelay;
  p->sample_rate = block.sampleRate;
  if (block.channelOrder == AV_CHANNEL_ORDER_NATIVE && block.channelMask)
    av_channel_layout_from_mask(&p->ch_layout, block.channelMask);
  else if (block.channels > 0)
    av_channel_layout_default(&p->ch_layout, block.channels);
  p->block_align = block.blockAlign;
  p->frame_size = block.frameSize;
  p->initial_padding = block.initialPadding;
  p->trailing_padding = block.trailingPadding;
  p->seek_preroll = block.seekPreroll;
  if (block.extradataSize) {
    p->extradata = static_cast<std::uint8_t*>(
        av_mallocz(block.extradataSize + AV_INPUT_BUFFER_PADDING_SIZE));
    if (!p->extradata) return nullptr;
    std::memcpy(p->extradata, type.pbFormat + sizeof block, block.extradataSize);
    p->extradata_size = static_cast<int>(block.extradataSize);
  }
  if (timeBase) *timeBase = AVRational{block.timeBaseNum, block.timeBaseDen};
  if (frameRate) *frameRate = AVRational{block.frameRateNum, block.frameRateDen};
  return p;
}

GUID RawPictureSubtype(AVPixelFormat format) {
  for (const FourCCFormat& entry : kFourCCFormats)
    if (entry.format == format) return MediaSubtypeFromFourCC(entry.fourcc);
  GUID subtype = kRawPictureBase;
  subtype.Data1 = static_cast<std::uint32_t>(format);
  return subtype;
}

AVPixelFormat DecodedPictureFormat(const AVCodecParameters& parameters) {
  const auto format = static_cast<AVPixelFormat>(parameters.format);
  const AVPixFmtDescriptor* descriptor = av_pix_fmt_desc_get(format);
  if (!descriptor || (descriptor->flags & (AV_PIX_FMT_FLAG_HWACCEL | AV_PIX_FMT_FLAG_BITSTREAM)))
    return AV_PIX_FMT_YUV420P;
  return format;
}

AVPixelFormat RawPictureFormat(const GUID& subtype) {
  if (SameTail(subtype, kRawPictureBase)) {
    const auto format = static_cast<AVPixelFormat>(subtype.Data1);
    const AVPixFmtDescriptor* descriptor = av_pix_fmt_desc_get(format);
    // Hardware surfaces and bitstreams have no bytes to convert.
    if (!descriptor || (descriptor->flags & (AV_PIX_FMT_FLAG_HWACCEL | AV_PIX_FMT_FLAG_BITSTREAM)))
      return AV_PIX_FMT_NONE;
    return format;
  }
  for (const FourCCFormat& entry : kFourCCFormats)
    if (subtype == MediaSubtypeFromFourCC(entry.fourcc)) return entry.format;
  return AV_PIX_FMT_NONE;
}

CMediaType MakeRawPictureType(AVPixelFormat format, int width, int height,
                              REFERENCE_TIME timePerFrame) {
  CMediaType type(MEDIATYPE_Video);
  type.subtype = RawPictureSubtype(format);
  type.formattype = FORMAT_VideoInfo;
  VIDEOINFOHEADER info{};
  info.AvgTimePerFrame = timePerFrame;
  info.rcSource = RECT{0, 0, width, height};
  info.rcTarget = info.rcSource;
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = static_cast<WORD>(av_get_bits_per_pixel(av_pix_fmt_desc_get(format)));
  info.bmiHeader.biCompression = type.subtype.Data1;
  const int size = av_image_get_buffer_size(format, width, height, 1);
  info.bmiHeader.biSizeImage = size > 0 ? static_cast<DWORD>(size) : 0;
  type.SetFormat(reinterpret_cast<const BYTE*>(&info), sizeof info);
  type.SetSampleSize(info.bmiHeader.biSizeImage);
  type.SetTemporalCompression(FALSE);
  return type;
}

bool ReadRawPictureType(const CMediaType& type, AVPixelFormat* format, int* width, int* height) {
  if (!(type.majortype == MEDIATYPE_Video)) return false;
  const VIDEOINFOHEADER* info = type.VideoInfo();
  if (!info) return false;
  const AVPixelFormat pixelFormat = RawPictureFormat(type.subtype);
  const LONG w = info->bmiHeader.biWidth;
  const LONG h = info->bmiHeader.biHeight < 0 ? -info->bmiHeader.biHeight : info->bmiHeader.biHeight;
  if (pixelFormat == AV_PIX_FMT_NONE || w <= 0 || h <= 0 ||
      av_image_check_size(static_cast<unsigned>(w), static_cast<unsigned>(h), 0, nullptr) < 0)
    return false;
  *format = pixelFormat;
  *width = w;
  *height = h;
  return true;
}

CMediaType MakePcm16Type(int channels, int sampleRate) {
  CMediaType type(MEDIATYPE_Audio);
  type.subtype = MEDIASUBTYPE_PCM;
  type.formattype = FORMAT_WaveFormatEx;
  WAVEFORMATEX wave{};
  wave.wFormatTag = WAVE_FORMAT_PCM;
  wave.nChannels = static_cast<WORD>(channels);
  wave.nSamplesPerSec = static_cast<DWORD>(sampleRate);
  wave.wBitsPerSample = 16;
  wave.nBlockAlign = static_cast<WORD>(channels * 2);
  wave.nAvgBytesPerSec = wave.nSamplesPerSec * wave.nBlockAlign;
  wave.cbSize = 0;
  type.SetFormat(reinterpret_cast<const BYTE*>(&wave), sizeof wave);
  type.SetSampleSize(wave.nBlockAlign);
  type.SetTemporalCompression(FALSE);
  return type;
}

}  // namespace ffmedia
