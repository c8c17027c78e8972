#pragma once
// The demo's own media: a short clip with sound, made with FFmpeg's encoders so that the demo
// needs no media files and no tool at run time. The picture is an animated pattern with the
// frame number written large, so that a looped or skipped frame shows in the texture; the
// sound is a tone with a higher beep at the start of every second.

#include <string>

struct ClipSettings {
  int width = 320;
  int height = 240;
  int framesPerSecond = 30;
  int seconds = 4;
  int sampleRate = 44100;
};

// Writes the clip (MPEG-4 video and 16-bit PCM sound in AVI) to path, through a temporary
// file so that an interrupted run leaves no half clip. False with the reason in error.
bool GenerateClip(const std::string& path, const ClipSettings& settings, std::string* error);

// The clip at path, made first if it is not there yet. False with the reason in error.
bool EnsureClip(const std::string& path, const ClipSettings& settings, std::string* error);
