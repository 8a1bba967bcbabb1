// Sets the builds' thread count (KESTREL_THREADS) for the span of a test and restores
// what the environment held before.
#pragma once

#include <string>

#include "framework/parallel.h"

class ThreadSetting {
 public:
  explicit ThreadSetting(int threads) : ThreadSetting(std::to_string(threads)) {}
  explicit ThreadSetting(const std::string& text) {
    had_ = platform::ReadEnvironment(kThreadsVariable, &previous_);
    platform::WriteEnvironment(kThreadsVariable, text.c_str());
  }
  ~ThreadSetting() { platform::WriteEnvironment(kThreadsVariable, had_ ? previous_.c_str() : nullptr); }
  ThreadSetting(const ThreadSetting&) = delete;
  ThreadSetting& operator=(const ThreadSetting&) = delete;

 private:
  bool had_ = false;
  std::string previous_;
};
