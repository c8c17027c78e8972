#include "bench/media/reference_decode.h"

#include <sys/resource.h>

#include <chrono>
#include <vector>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libswscale/swscale.h>
}

double ProcessCpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  auto seconds = [](const timeval& t) { return t.tv_sec + t.tv_usec / 1e6; };
  return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

DecodeRun ReferenceDecode(const std::string& path) {
  DecodeRun run;
  const auto start = std::chrono::steady_clock::now();
  const double cpuStart = ProcessCpuSeconds();
  AVFormatContext* input = nullptr;
  if (avformat_open_input(&input, path.c_str(), nullptr, nullptr) < 0) return run;
  AVCodecContext* decoder = nullptr;
  SwsContext* scaler = nullptr;
  AVPacket* packet = av_packet_alloc();
  AVFrame* frame = av_frame_alloc();
  std::vector<uint8_t> picture;
  const AVCodec* codec = nullptr;
  const int stream = avformat_find_stream_info(input, nullptr) < 0
                         ? -1
                         : av_find_best_stream(input, AVMEDIA_TYPE_VIDEO, -1, -1, &codec, 0);
  if (stream >= 0) {
    decoder = avcodec_alloc_context3(codec);
    avcodec_parameters_to_context(decoder, input->streams[stream]->codecpar);
    decoder->thread_count = 0;
    decoder->thread_type = FF_THREAD_FRAME | FF_THREAD_SLICE;
    if (avcodec_open2(decoder, codec, nullptr) == 0) {
      run.ok = true;
      bool draining = false;
      for (;;) {
        const int received = avcodec_receive_frame(decoder, frame);
        if (received == 0) {
          if (!scaler) {
            scaler = sws_getContext(frame->width, frame->height,
                                    static_cast<AVPixelFormat>(frame->format), frame->width,
                                    frame->height, AV_PIX_FMT_BGR24, SWS_BILINEAR, nullptr,
                                    nullptr, nullptr);
            picture.resize(static_cast<size_t>(frame->width) * frame->height * 3);
          }
          uint8_t* planes[4] = {picture.data(), nullptr, nullptr, nullptr};
          const int strides[4] = {frame->width * 3, 0, 0, 0};
          sws_scale(scaler, frame->data, frame->linesize, 0, frame->height, planes, strides);
          ++run.frames;
          av_frame_unref(frame);
          continue;
        }
        if (received == AVERROR_EOF || (received != AVERROR(EAGAIN))) break;
        if (draining) break;
        if (av_read_frame(input, packet) < 0) {
          draining = true;
          avcodec_send_packet(decoder, nullptr);
          continue;
        }
        if (packet->stream_index == stream) avcodec_send_packet(decoder, packet);
        av_packet_unref(packet);
      }
    }
  }
  sws_freeContext(scaler);
  av_frame_free(&frame);
  av_packet_free(&packet);
  avcodec_free_context(&decoder);
  avformat_close_input(&input);
  run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  run.cpuSeconds = ProcessCpuSeconds() - cpuStart;
  return run;
}
