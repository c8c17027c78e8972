#pragma once
// A message sink of the engine. Keeps every text it received, in order, and echoes it to
// standard error with the sink's name, so applications and tests can both read it.

#include <mutex>
#include <string>
#include <vector>

class ShowDebugMessage {
 public:
  explicit ShowDebugMessage(std::string sinkName = "message") : sinkName_(std::move(sinkName)) {}

  void operator()(const char* text);

  std::vector<std::string> Received() const;
  void Clear();
  // Silences the echo (the texts are still kept).
  void SetEcho(bool echo) { echo_ = echo; }

 private:
  std::string sinkName_;
  mutable std::mutex mutex_;  // sinks may be called from streaming threads
  std::vector<std::string> received_;
  bool echo_ = true;
};
