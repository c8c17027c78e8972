#pragma once
// The filters on FFmpeg, offered to the graph builder and the system device enumerator.
// Loading this library registers them (its initialisation calls RegisterFfmpegFilters):
//   source        "Media Source"      files and http(s) URLs (CMediaSplitter)
//   transforms    "Video Decoder", "Audio Decoder", "Colour Converter" (to 24-bit RGB)
//   capture       the V4L2 devices of the machine, named by their card names
// Virtual capture devices are registered one by one with RegisterFilterGraphCaptureDevice.

#include <string>

// Registers the filters once; later calls do nothing. A program that uses nothing else of
// this library calls it so that the linker keeps the library.
void RegisterFfmpegFilters();

// Adds a video capture device whose pictures come from an FFmpeg filter graph description,
// e.g. "testsrc=size=320x240:rate=30". nameReadable false simulates a device whose
// "FriendlyName" cannot be read. Returns the cookie for UnregisterVideoCapture.
int RegisterFilterGraphCaptureDevice(const std::string& friendlyName,
                                     const std::string& description, bool nameReadable = true);
