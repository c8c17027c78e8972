#include "host/show_debug_message.h"

#include <cstdio>

void ShowDebugMessage::operator()(const char* text) {
  const std::string message = text ? text : "";
  std::lock_guard lock(mutex_);
  received_.push_back(message);
  if (echo_) std::fprintf(stderr, "[%s] %s\n", sinkName_.c_str(), message.c_str());
}

std::vector<std::string> ShowDebugMessage::Received() const {
  std::lock_guard lock(mutex_);
  return received_;
}

void ShowDebugMessage::Clear() {
  std::lock_guard lock(mutex_);
  received_.clear();
}
