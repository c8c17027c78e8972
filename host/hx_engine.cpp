#include "host/hx_engine.h"

#include <dlfcn.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <mutex>

#include "host/file_loader.h"
#include "host/file_saver.h"
#include "host/plugin_library.h"
#include "host/tagged_format.h"

namespace {

thread_local HxEngine* currentEngine = nullptr;

// Makes an engine the thread's current one while it constructs channels.
class ScopedCurrent {
 public:
  explicit ScopedCurrent(HxEngine* engine) : previous_(currentEngine) { currentEngine = engine; }
  ~ScopedCurrent() { currentEngine = previous_; }

 private:
  HxEngine* previous_;
};

// Application files: "CVAPP001", then the channels (type GUID, data size, saved data), then
// the links (parent, link position, child), all counts and numbers 32-bit little-endian.
constexpr char kApplicationMagic[8] = {'C', 'V', 'A', 'P', 'P', '0', '0', '1'};

void PutGuid(std::vector<std::uint8_t>& out, const GUID& g) {
  std::uint8_t bytes[16];
  tagged_format::PutU32(bytes, g.Data1);
  bytes[4] = static_cast<std::uint8_t>(g.Data2);
  bytes[5] = static_cast<std::uint8_t>(g.Data2 >> 8);
  bytes[6] = static_cast<std::uint8_t>(g.Data3);
  bytes[7] = static_cast<std::uint8_t>(g.Data3 >> 8);
  std::memcpy(bytes + 8, g.Data4, 8);
  out.insert(out.end(), bytes, bytes + 16);
}

void PutU32(std::vector<std::uint8_t>& out, std::uint32_t v) {
  std::uint8_t bytes[4];
  tagged_format::PutU32(bytes, v);
  out.insert(out.end(), bytes, bytes + 4);
}

// Reads an application file without ever reading past its end.
class Reader {
 public:
  explicit Reader(const std::vector<std::uint8_t>& data) : data_(data) {}
  bool U32(std::uint32_t& v) {
    if (data_.size() - at_ < 4) return false;
    v = tagged_format::GetU32(&data_[at_]);
    at_ += 4;
    return true;
  }
  bool Guid(GUID& g) {
    if (data_.size() - at_ < 16) return false;
    const std::uint8_t* b = &data_[at_];
    g.Data1 = tagged_format::GetU32(b);
    g.Data2 = static_cast<std::uint16_t>(b[4] | (b[5] << 8));
    g.Data3 = static_cast<std::uint16_t>(b[6] | (b[7] << 8));
    std::memcpy(g.Data4, b + 8, 8);
    at_ += 16;
    return true;
  }
  bool Bytes(std::size_t size, const std::uint8_t*& out) {
    if (data_.size() - at_ < size) return false;
    out = data_.data() + at_;
    at_ += size;
    return true;
  }
  bool AtEnd() const { return at_ == data_.size(); }

 private:
  const std::vector<std::uint8_t>& data_;
  std::size_t at_ = 0;
};

}  // namespace

HxEngine::HxEngine(std::string pluginFolder, std::string applicationDirectory)
    : pluginFolder_(pluginFolder.empty() ? DefaultPluginFolder() : std::move(pluginFolder)),
      applicationDirectory_(applicationDirectory.empty() ? std::filesystem::current_path().string()
                                                         : std::move(applicationDirectory)),
      previousCurrent_(currentEngine) {
  currentEngine = this;
  directGraphics_.engine = this;
}

HxEngine::~HxEngine() {
  {
    ScopedCurrent current(this);
    while (!channels_.empty()) DestroyChannel(channels_.back());
  }
  plugins_.clear();
  if (currentEngine == this) currentEngine = previousCurrent_;
}

const char* HxEngine::GetApplicationDirectory() { return applicationDirectory_.c_str(); }

DllInterface* HxEngine::CreateObjectByGuid(GUID type, int, int) {
  return MakeChannel(type, true);
}

DllInterface* HxEngine::GetInterfaceByGuid(GUID id, int) {
  if (id == kDirectGraphicsGuid && directGraphicsAvailable_) return &directGraphics_;
  return nullptr;
}

std::string HxEngine::DefaultPluginFolder() {
  Dl_info info{};
  if (dladdr(reinterpret_cast<void*>(&HxEngine::DefaultPluginFolder), &info) && info.dli_fname)
    return std::filesystem::path(info.dli_fname).parent_path().string();
  return ".";
}

HxEngine* HxEngine::Current() { return currentEngine; }

DWORD HxEngine::NextTimeStamp() {
  static std::atomic<DWORD> counter{0};
  return ++counter;
}

const GUID* HxEngine::InternGuid(const GUID& guid) {
  static std::mutex mutex;
  static std::deque<GUID> guids;  // a deque never moves what it holds
  std::lock_guard lock(mutex);
  for (const GUID& g : guids)
    if (g == guid) return &g;
  guids.push_back(guid);
  return &guids.back();
}

PluginLibrary* HxEngine::LoadPlugin(const GUID& type) {
  const auto found = plugins_.find(type);
  if (found != plugins_.end()) return found->second.get();
  std::string error;
  auto library = PluginLibrary::Load(pluginFolder_, type, &error);
  if (!library) {
    errorMessage(error.c_str());
    return nullptr;
  }
  return plugins_.emplace(type, std::move(library)).first->second.get();
}

const ChannelType* HxEngine::FindChannelType(const GUID& type) {
  PluginLibrary* library = LoadPlugin(type);
  return library ? library->GetType() : nullptr;
}

Hx_Channel* HxEngine::MakeChannel(const GUID& type, bool withChildren) {
  PluginLibrary* library = LoadPlugin(type);
  if (!library) return nullptr;
  ScopedCurrent current(this);
  Hx_Channel* channel = library->InitDLL();
  if (!channel) {
    errorMessage(("plug-in " + PluginLibrary::FileName(type) + " made no channel").c_str());
    return nullptr;
  }
  channel->SetChannelTypeRecord(*library->GetType());
  channel->SetChannelGroup(&group_);
  if (withChildren) {
    for (int position = 0; position < channel->GetChildSlotCount(); ++position) {
      const ChildCreation* slot = channel->GetChildCreateType(position);
      if (!slot || !slot->autoCreate) continue;
      Hx_Channel* child = CreateChannel(slot->childType.typeGuid);
      if (child) channel->AttachChild(position, child);
    }
  }
  Hx_List dependencies;
  channel->DoDependencyInit(&dependencies);
  for (int i = 0; i < dependencies.GetItemCount(); ++i)
    if (const auto* dependency = static_cast<const GUID*>(dependencies.GetItem(i)))
      LoadPlugin(*dependency);
  return channel;
}

Hx_Channel* HxEngine::CreateChannel(const GUID& type) {
  Hx_Channel* channel = MakeChannel(type, true);
  if (!channel) return nullptr;
  channels_.push_back(channel);
  ScopedCurrent current(this);
  channel->OneTimeInitialize();
  return channel;
}

bool HxEngine::Owns(const Hx_Channel* channel) const {
  return channel && std::find(channels_.begin(), channels_.end(), channel) != channels_.end();
}

bool HxEngine::Link(Hx_Channel* parent, int linkPosition, Hx_Channel* child) {
  if (!Owns(parent) || !Owns(child)) {
    errorMessage("link refused: a channel does not belong to this engine");
    return false;
  }
  const ChildCreation* slot = parent->GetChildCreateType(linkPosition);
  if (!slot) {
    errorMessage(("link refused: " + std::string(parent->GetChannelName()) + " has no slot " +
                  std::to_string(linkPosition)).c_str());
    return false;
  }
  const ChannelType childType = child->GetChannelType();
  const GUID& wanted = slot->childType.typeGuid;
  if (!(childType.typeGuid == wanted) && !(childType.baseTypeGuid == wanted)) {
    errorMessage(("link refused: slot \"" + std::string(slot->label) + "\" takes " +
                  GuidToString(wanted) + ", not " + GuidToString(childType.typeGuid)).c_str());
    return false;
  }
  return parent->AttachChild(linkPosition, child);
}

void HxEngine::DestroyChannel(Hx_Channel* channel) {
  const auto found = std::find(channels_.begin(), channels_.end(), channel);
  if (found == channels_.end()) return;
  channels_.erase(found);
  ++destroyedCount_;
  for (Hx_Channel* other : channels_) other->DetachChild(channel);
  ScopedCurrent current(this);
  delete channel;
}

void HxEngine::RunFrame() {
  BeginFrame();
  ScopedCurrent current(this);
  const std::vector<Hx_Channel*> channels = channels_;
  const std::uint64_t destroyedBefore = destroyedCount_;
  for (Hx_Channel* channel : channels)
    // Only after a channel was destroyed during the frame must the others be looked up again.
    if (destroyedCount_ == destroyedBefore || Owns(channel)) channel->CallChannel();
}

bool HxEngine::SaveApplication(const char* path) {
  if (!path) return false;
  group_.SetSourcePath(std::filesystem::absolute(path).parent_path().string().c_str());
  ScopedCurrent current(this);
  bool allSaved = true;
  std::vector<std::uint8_t> out(kApplicationMagic, kApplicationMagic + sizeof kApplicationMagic);
  PutU32(out, static_cast<std::uint32_t>(channels_.size()));
  for (Hx_Channel* channel : channels_) {
    HxFileSaver saver;
    if (!channel->SaveChannel(saver)) {
      allSaved = false;
      errorMessage(("channel \"" + std::string(channel->GetChannelName()) + "\" was not saved whole").c_str());
    }
    const std::vector<std::uint8_t> empty;
    const auto& data = saver.IsGood() ? saver.GetData() : empty;
    PutGuid(out, channel->GetChannelType().typeGuid);
    PutU32(out, static_cast<std::uint32_t>(data.size()));
    out.insert(out.end(), data.begin(), data.end());
  }
  std::vector<std::uint8_t> links;
  std::uint32_t linkCount = 0;
  for (std::size_t p = 0; p < channels_.size(); ++p) {
    Hx_Channel* parent = channels_[p];
    for (int position = 0; position < parent->GetChildSlotCount(); ++position) {
      for (int i = 0; i < parent->GetChildLinkPositionCount(position); ++i) {
        const auto child = std::find(channels_.begin(), channels_.end(),
                                     parent->GetChildFromLinkPosition(position, i));
        if (child == channels_.end()) continue;  // internal children are the parent's own
        PutU32(links, static_cast<std::uint32_t>(p));
        PutU32(links, static_cast<std::uint32_t>(position));
        PutU32(links, static_cast<std::uint32_t>(child - channels_.begin()));
        ++linkCount;
      }
    }
  }
  PutU32(out, linkCount);
  out.insert(out.end(), links.begin(), links.end());

  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file.write(reinterpret_cast<const char*>(out.data()), static_cast<std::streamsize>(out.size()));
  file.close();
  if (!file) {
    errorMessage((std::string("cannot write application file ") + path).c_str());
    return false;
  }
  return allSaved;
}

bool HxEngine::LoadApplication(const char* path) {
  std::vector<std::uint8_t> data;
  {
    std::ifstream file(path ? path : "", std::ios::binary);
    if (!file) {
      errorMessage((std::string("cannot read application file ") + (path ? path : "(null)")).c_str());
      return false;
    }
    data.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
  }
  const std::string malformed = std::string("malformed application file ") + path;
  Reader reader(data);
  const std::uint8_t* magic = nullptr;
  std::uint32_t channelCount = 0;
  if (!reader.Bytes(sizeof kApplicationMagic, magic) ||
      std::memcmp(magic, kApplicationMagic, sizeof kApplicationMagic) != 0 || !reader.U32(channelCount)) {
    errorMessage(malformed.c_str());
    return false;
  }
  struct Entry {
    GUID type;
    const std::uint8_t* data;
    std::uint32_t size;
  };
  struct LinkEntry {
    std::uint32_t parent, position, child;
  };
  std::vector<Entry> entries;
  for (std::uint32_t i = 0; i < channelCount; ++i) {
    Entry e{};
    if (!reader.Guid(e.type) || !reader.U32(e.size) || !reader.Bytes(e.size, e.data)) {
      errorMessage(malformed.c_str());
      return false;
    }
    entries.push_back(e);
  }
  std::uint32_t linkCount = 0;
  std::vector<LinkEntry> linkEntries;
  if (!reader.U32(linkCount)) {
    errorMessage(malformed.c_str());
    return false;
  }
  for (std::uint32_t i = 0; i < linkCount; ++i) {
    LinkEntry l{};
    if (!reader.U32(l.parent) || !reader.U32(l.position) || !reader.U32(l.child) ||
        l.parent >= channelCount || l.child >= channelCount || l.position > INT32_MAX) {
      errorMessage(malformed.c_str());
      return false;
    }
    linkEntries.push_back(l);
  }
  if (!reader.AtEnd()) {
    errorMessage(malformed.c_str());
    return false;
  }

  std::vector<Hx_Channel*> made;
  for (const Entry& e : entries) {
    Hx_Channel* channel = MakeChannel(e.type, false);
    if (!channel) {
      for (Hx_Channel* c : made) channels_.push_back(c);
      for (Hx_Channel* c : made) DestroyChannel(c);
      return false;
    }
    made.push_back(channel);
  }
  channels_.insert(channels_.end(), made.begin(), made.end());
  bool ok = true;
  for (const LinkEntry& l : linkEntries)
    ok = Link(made[l.parent], static_cast<int>(l.position), made[l.child]) && ok;

  group_.SetSourcePath(std::filesystem::absolute(path).parent_path().string().c_str());
  ScopedCurrent current(this);
  for (Hx_Channel* channel : made) channel->OneTimeInitialize();
  for (std::size_t i = 0; i < made.size(); ++i) {
    HxFileLoader loader(entries[i].data, entries[i].size);
    if (!made[i]->LoadChannel(loader, &group_)) {
      errorMessage(("channel \"" + std::string(made[i]->GetChannelName()) + "\" could not load its data").c_str());
      ok = false;
    }
  }
  return ok;
}
