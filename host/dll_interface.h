#pragma once
// The root of every object the host hands across a library boundary: channels, the Direct
// Graphics object and objects made by the engine for a GUID. Deleted through its virtual
// destructor, so the library that made an object also frees it.

class HxEngine;

class DllInterface {
 public:
  DllInterface();
  virtual ~DllInterface();

  DllInterface(const DllInterface&) = default;
  DllInterface& operator=(const DllInterface&) = default;

  // The engine the object was made under; set by the constructor from the calling thread's
  // current engine (see HxEngine). Not owned.
  HxEngine* engine;
};
