#include "platform/dshow/ffmpeg/media_decoder.h"

namespace ffmedia {

namespace {

#if defined(__SANITIZE_THREAD__)
// FFmpeg's worker threads hand buffers over through atomics inside its own, uninstrumented
// code, which ThreadSanitizer cannot see: under it, decoders work on the calling thread.
constexpr bool kDecoderThreadsAllowed = false;
#else
constexpr bool kDecoderThreadsAllowed = true;
#endif

}  // namespace

int Decoder::Open(const AVCodecParameters* parameters, AVRational timeBase, int threads) {
  context_.reset();
  const AVCodec* codec = avcodec_find_decoder(parameters->codec_id);
  if (!codec) return AVERROR_DECODER_NOT_FOUND;
  CodecContextPtr context(avcodec_alloc_context3(codec));
  if (!context) return AVERROR(ENOMEM);
  int result = avcodec_parameters_to_context(context.get(), parameters);
  if (result < 0) return result;
  context->pkt_timebase = timeBase;
  context->thread_count = kDecoderThreadsAllowed ? threads : 1;
  if (codec->type == AVMEDIA_TYPE_VIDEO) context->thread_type = FF_THREAD_FRAME | FF_THREAD_SLICE;
  result = avcodec_open2(context.get(), codec, nullptr);
  if (result < 0) return result;
  context_ = std::move(context);
  return 0;
}

int Decoder::Send(const AVPacket* packet) {
  if (!context_) return AVERROR(EINVAL);
  return avcodec_send_packet(context_.get(), packet);
}

int Decoder::Receive(AVFrame* frame) {
  if (!context_) return AVERROR(EINVAL);
  return avcodec_receive_frame(context_.get(), frame);
}

void Decoder::Flush() {
  if (context_) avcodec_flush_buffers(context_.get());
}

}  // namespace ffmedia
