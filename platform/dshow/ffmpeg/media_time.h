#pragma once
// Conversions between FFmpeg timestamps and the graph's 100-nanosecond media times.

#include "platform/win32/win32_types.h"

extern "C" {
#include <libavutil/avutil.h>
#include <libavutil/mathematics.h>
}

namespace ffmedia {

inline constexpr AVRational kReferenceTimeBase{1, 10'000'000};
inline constexpr REFERENCE_TIME kUnknownTime = INT64_MIN;

inline REFERENCE_TIME ToReferenceTime(int64_t timestamp, AVRational timeBase) {
  if (timestamp == AV_NOPTS_VALUE) return kUnknownTime;
  return av_rescale_q(timestamp, timeBase, kReferenceTimeBase);
}

inline int64_t FromReferenceTime(REFERENCE_TIME time, AVRational timeBase) {
  return av_rescale_q(time, kReferenceTimeBase, timeBase);
}

}  // namespace ffmedia
