#pragma once
// Media types of the FFmpeg filters.
//
// Compressed streams (splitter to decoder): major type video or audio, a subtype per codec
// and the private format type FORMAT_CodecParameters, whose block carries everything a
// decoder needs (codec, picture or sound parameters, time base, codec extradata).
//
// Raw pictures (decoder or capture to colour converter): FORMAT_VideoInfo with a FOURCC
// subtype where one is customary (I420, NV12, YUY2, UYVY) and a private subtype for every
// other pixel format. The sample holds the picture's planes one after another, rows top-down
// and unpadded, as av_image_copy_to_buffer lays them out with alignment 1.
//
// Decoded sound: 16-bit PCM, interleaved, with a WAVEFORMATEX.

#include "platform/dshow/ffmpeg/av_handles.h"
#include "platform/dshow/media_type.h"

extern "C" {
#include <libavutil/pixfmt.h>
}

namespace ffmedia {

inline constexpr GUID FORMAT_CodecParameters{
    0x3F0C9A21, 0x58D4, 0x4E1B, {0x9A, 0x37, 0x6C, 0x02, 0xD1, 0x84, 0x5B, 0x7E}};

struct CodecParametersDeleter {
  void operator()(AVCodecParameters* parameters) const { avcodec_parameters_free(&parameters); }
};
using CodecParametersPtr = std::unique_ptr<AVCodecParameters, CodecParametersDeleter>;

GUID CompressedSubtype(AVCodecID codec);

// The type of a demuxed stream; its sample size is variable.
CMediaType MakeCompressedType(const AVStream& stream);
// The stream parameters, time base and average frame rate (0/0 when unknown) carried by a
// compressed type; null when the type is not one or its block is malformed.
CodecParametersPtr ReadCompressedType(const CMediaType& type, AVRational* timeBase = nullptr,
                                      AVRational* frameRate = nullptr);

GUID RawPictureSubtype(AVPixelFormat format);
// The pixel format a decoder of these parameters delivers, or planar 4:2:0 when they name
// none that has bytes (hardware surfaces, unknown).
AVPixelFormat DecodedPictureFormat(const AVCodecParameters& parameters);
// AV_PIX_FMT_NONE when the subtype is no raw picture subtype.
AVPixelFormat RawPictureFormat(const GUID& subtype);
CMediaType MakeRawPictureType(AVPixelFormat format, int width, int height,
                              REFERENCE_TIME timePerFrame);
// Pixel format and size of a raw picture type; false when the type is not one (wrong major
// or format type, unknown subtype, short block, a size of 0).
bool ReadRawPictureType(const CMediaType& type, AVPixelFormat* format, int* width, int* height);

CMediaType MakePcm16Type(int channels, int sampleRate);

}  // namespace ffmedia
