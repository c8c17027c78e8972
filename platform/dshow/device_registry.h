#pragma once
// Video capture devices that the system device enumerator lists under
// CLSID_VideoInputDeviceCategory: first those of each registered provider (asked afresh at
// every enumeration, in provider registration order), then the virtual devices registered
// one by one (test patterns, tests), in registration order. Thread-safe.

#include <functional>
#include <string>
#include <vector>

#include "platform/dshow/filter_registry.h"

struct VideoCaptureDevice {
  std::string friendlyName;  // UTF-8
  bool nameReadable = true;  // false simulates a device whose "FriendlyName" cannot be read
  FilterFactory create;      // the capture source filter, bound by IMoniker::BindToObject
};

using VideoCaptureProvider = std::function<std::vector<VideoCaptureDevice>()>;

// Each returns a cookie for UnregisterVideoCapture.
int RegisterVideoCaptureProvider(VideoCaptureProvider provider);
int RegisterVideoCaptureDevice(const std::string& friendlyName, FilterFactory create,
                               bool nameReadable = true);
void UnregisterVideoCapture(int cookie);

// The devices in enumeration order.
std::vector<VideoCaptureDevice> EnumerateVideoCaptureDevices();
