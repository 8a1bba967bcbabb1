#include "framework/parallel.h"

int ParseThreadCount(const std::string& text) {
  if (text.empty() || text.size() > 2) return 0;
  int value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return 0;
    value = value * 10 + (c - '0');
  }
  return value >= 1 && value <= kMaxBuildThreads ? value : 0;
}

int BuildThreadCount() {
  std::string text;
  if (platform::ReadEnvironment(kThreadsVariable, &text)) {
    const int count = ParseThreadCount(text);
    if (count > 0) return count;
  }
  const int processors = platform::ProcessorCount();
  return processors < 1 ? 1 : processors > kMaxBuildThreads ? kMaxBuildThreads : processors;
}
