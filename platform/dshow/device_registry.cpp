#include "platform/dshow/device_registry.h"

#include <mutex>

namespace {

struct Entry {
  int cookie;
  VideoCaptureProvider provider;  // set for a provider
  VideoCaptureDevice device;      // otherwise
};

struct Devices {
  std::mutex lock;
  std::vector<Entry> entries;
  int nextCookie = 1;
};

Devices& TheDevices() {
  static Devices devices;
  return devices;
}

}  // namespace

int RegisterVideoCaptureProvider(VideoCaptureProvider provider) {
  Devices& d = TheDevices();
  std::lock_guard lock(d.lock);
  d.entries.push_back(Entry{d.nextCookie++, std::move(provider), {}});
  return d.entries.back().cookie;
}

int RegisterVideoCaptureDevice(const std::string& friendlyName, FilterFactory create,
                               bool nameReadable) {
  Devices& d = TheDevices();
  std::lock_guard lock(d.lock);
  d.entries.push_back(Entry{d.nextCookie++, nullptr,
                            VideoCaptureDevice{friendlyName, nameReadable, std::move(create)}});
  return d.entries.back().cookie;
}

void UnregisterVideoCapture(int cookie) {
  Devices& d = TheDevices();
  std::lock_guard lock(d.lock);
  std::erase_if(d.entries, [&](const Entry& e) { return e.cookie == cookie; });
}

std::vector<VideoCaptureDevice> EnumerateVideoCaptureDevices() {
  std::vector<VideoCaptureProvider> providers;
  std::vector<VideoCaptureDevice> out;
  {
    Devices& d = TheDevices();
    std::lock_guard lock(d.lock);
    for (const Entry& e : d.entries) {
      if (e.provider)
        providers.push_back(e.provider);
      else
        out.push_back(e.device);
    }
  }
  // Providers may be slow (they probe hardware): asked outside the lock.
  std::vector<VideoCaptureDevice> all;
  for (const VideoCaptureProvider& provider : providers) {
    std::vector<VideoCaptureDevice> found = provider();
    all.insert(all.end(), found.begin(), found.end());
  }
  all.insert(all.end(), out.begin(), out.end());
  return all;
}
