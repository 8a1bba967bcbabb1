// Threads for POSIX: std::thread, and the processors of the process's affinity mask.
#include <sched.h>

#include <cstdlib>
#include <system_error>
#include <thread>
#include <vector>

#include "platform/threads.h"

namespace platform {

int ProcessorCount() {
#ifdef CPU_COUNT
  cpu_set_t set;
  CPU_ZERO(&set);
  if (sched_getaffinity(0, sizeof set, &set) == 0 && CPU_COUNT(&set) > 0) return CPU_COUNT(&set);
#endif
  unsigned count = std::thread::hardware_concurrency();
  return count > 0 ? static_cast<int>(count) : 1;
}

void RunParts(int parts, PartWork work, void* context) {
  if (parts <= 0) return;
  std::vector<std::thread> threads;
  std::vector<int> leftOver;  // parts whose thread could not be started
  try {
    threads.reserve(static_cast<size_t>(parts));
    leftOver.reserve(static_cast<size_t>(parts));
  } catch (...) {
    for (int part = 0; part < parts; ++part) work(context, part);  // no room to share: one thread
    return;
  }
  for (int part = 1; part < parts; ++part) {
    try {
      threads.emplace_back(work, context, part);
    } catch (...) {  // std::system_error: run it here instead
      leftOver.push_back(part);
    }
  }
  work(context, 0);
  for (std::thread& thread : threads) thread.join();
  for (int part : leftOver) work(context, part);
}

bool ReadEnvironment(const char* name, std::string* value) {
  const char* text = std::getenv(name);
  if (!text) return false;
  *value = text;
  return true;
}

bool WriteEnvironment(const char* name, const char* value) {
  return (value ? setenv(name, value, 1) : unsetenv(name)) == 0;
}

}  // namespace platform
