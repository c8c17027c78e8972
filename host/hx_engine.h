#pragma once
// The engine object that every channel knows as `engine`, and the runtime around it: plug-in
// loading by GUID file name, channel creation with auto-created children, links, frames,
// saving and loading a whole application, and destruction.
//
// Channels learn their engine when they are constructed: the engine is the calling thread's
// current engine, which an engine becomes when it is made (and while it creates channels).
// The engine owns every channel it creates and destroys them, newest first, when it is
// destroyed; the plug-in libraries stay loaded until then.

#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "host/direct_graphics.h"
#include "host/hx_channel.h"
#include "host/hx_channel_group.h"
#include "host/show_debug_message.h"
#include "platform/win32/guid_text.h"

class PluginLibrary;

class HxEngine {
 public:
  // pluginFolder: where the GUID-named libraries are; empty for DefaultPluginFolder().
  // applicationDirectory: what GetApplicationDirectory answers; empty for the working folder.
  explicit HxEngine(std::string pluginFolder = {}, std::string applicationDirectory = {});
  virtual ~HxEngine();
  HxEngine(const HxEngine&) = delete;
  HxEngine& operator=(const HxEngine&) = delete;

  // The engine object's virtual operations, in their fixed order.
  virtual const char* GetApplicationDirectory();
  // A new object of the channel type, owned by the caller (deleted through its virtual
  // destructor), or null when the type's plug-in is missing.
  virtual DllInterface* CreateObjectByGuid(GUID type, int, int);
  // A shared object (the Direct Graphics object), or null when the engine has none.
  virtual DllInterface* GetInterfaceByGuid(GUID id, int);

  ShowDebugMessage errorMessage{"error"};
  ShowDebugMessage secondMessage{"message"};

  // The folder this host library was loaded from, where the build puts every plug-in.
  static std::string DefaultPluginFolder();
  // The thread's current engine, or null.
  static HxEngine* Current();
  static DWORD NextTimeStamp();
  // A stable address for a GUID, for lists of GUIDs that nobody frees.
  static const GUID* InternGuid(const GUID& guid);

  // Creates a channel of the type, with its auto-created children, declares its dependencies
  // (their plug-ins are loaded) and runs OneTimeInitialize. Null, with a message on the error
  // sink, when the plug-in is missing or fails.
  Hx_Channel* CreateChannel(const GUID& type);
  // Links child into parent's slot at linkPosition. False, with a message, when either is not
  // this engine's channel, the slot is not declared, or the child's type (or base type) is not
  // the slot's child type.
  bool Link(Hx_Channel* parent, int linkPosition, Hx_Channel* child);
  // Unlinks and destroys one channel.
  void DestroyChannel(Hx_Channel* channel);
  const std::vector<Hx_Channel*>& GetChannels() const { return channels_; }
  // The GetType record of a channel type whose plug-in is loaded (or can be), else null.
  const ChannelType* FindChannelType(const GUID& type);

  // Frames: CheckRenderCount answers true once per channel per frame.
  void BeginFrame() { ++frame_; }
  // Begins a frame and calls CallChannel on every channel, oldest first.
  void RunFrame();
  long long GetFrameNumber() const { return frame_; }

  // Saves every channel, its links and its saved data to one file. The group's source path
  // becomes the file's folder first. False, with a message, when the file cannot be written
  // or a channel's SaveChannel failed (its data are still written when the saver kept them).
  bool SaveApplication(const char* path);
  // Adds the channels of an application file to this engine: creates them (without
  // auto-created children: the file holds them), links them, runs OneTimeInitialize, then
  // LoadChannel with the application's group. False, with a message, for a missing or
  // malformed file or a missing plug-in; nothing is added then.
  bool LoadApplication(const char* path);

  DirectGraphics& GetDirectGraphics() { return directGraphics_; }
  // Without Direct Graphics, GetInterfaceByGuid answers null for it, as on a machine
  // without a display.
  void SetDirectGraphicsAvailable(bool available) { directGraphicsAvailable_ = available; }
  Hx_ChannelGroup& GetGroup() { return group_; }
  const std::string& GetPluginFolder() const { return pluginFolder_; }

 private:
  PluginLibrary* LoadPlugin(const GUID& type);
  Hx_Channel* MakeChannel(const GUID& type, bool withChildren);
  bool Owns(const Hx_Channel* channel) const;

  std::string pluginFolder_;
  std::string applicationDirectory_;
  HxEngine* previousCurrent_;
  std::unordered_map<GUID, std::unique_ptr<PluginLibrary>, GuidHash> plugins_;
  std::vector<Hx_Channel*> channels_;
  Hx_ChannelGroup group_;
  DirectGraphics directGraphics_;
  bool directGraphicsAvailable_ = true;
  long long frame_ = 0;
  std::uint64_t destroyedCount_ = 0;  // channels destroyed so far
};
