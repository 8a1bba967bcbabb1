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

namespace {
// Set and read on the user-interface thread only, around and inside a dialog.
int g_sessionThreads = 0;
}  // namespace

int SetSessionThreadCount(int threads) {
  int previous = g_sessionThreads;
  g_sessionThreads = threads >= 1 && threads <= kMaxBuildThreads ? threads : 0;
  return previous;
}

int BuildThreadCount() {
  if (g_sessionThreads > 0) return g_sessionThreads;
  std::string text;
  if (platform::ReadEnvironment(kThreadsVariable, &text)) {
    const int count = ParseThreadCount(text);
    if (count > 0) return count;
  }
  const int processors = platform::ProcessorCount();
  return processors < 1 ? 1 : processors > kMaxBuildThreads ? kMaxBuildThreads : processors;
}
