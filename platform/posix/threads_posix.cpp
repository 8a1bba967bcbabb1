// Threads for POSIX: std::thread, and the processors of the process's affinity mask.
#include <sched.h>

#include <condition_variable>
#include <cstdlib>
#include <mutex>
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

// The helpers wait for a new job number; each runs its part of the job and counts down,
// and the last to finish wakes the caller.
struct PartTeam::Helpers {
  std::mutex mutex;
  std::condition_variable start;
  std::condition_variable finished;
  uint64_t job = 0;  // the number of the latest job
  bool stopping = false;
  PartWork work = nullptr;
  void* context = nullptr;
  int jobParts = 0;
  int running = 0;   // helpers still on the latest job
  std::vector<std::thread> threads;

  void serve(int part) {
    uint64_t seen = 0;
    std::unique_lock<std::mutex> lock(mutex);
    for (;;) {
      start.wait(lock, [&] { return stopping || job != seen; });
      if (stopping) return;
      seen = job;
      if (part >= jobParts) continue;
      lock.unlock();
      work(context, part);
      lock.lock();
      if (--running == 0) finished.notify_one();
    }
  }
};

PartTeam::PartTeam(int parts) : parts_(parts < 1 ? 1 : parts) {
  if (parts_ == 1) return;
  try {
    helpers_.reset(new Helpers);
    helpers_->threads.reserve(static_cast<size_t>(parts_ - 1));
    for (int part = 1; part < parts_; ++part) helpers_->threads.emplace_back(&Helpers::serve, helpers_.get(), part);
  } catch (...) {  // no room or no thread: the helpers that started serve, the caller does the rest
  }
}

PartTeam::~PartTeam() {
  if (!helpers_) return;
  {
    std::lock_guard<std::mutex> lock(helpers_->mutex);
    helpers_->stopping = true;
  }
  helpers_->start.notify_all();
  for (std::thread& thread : helpers_->threads) thread.join();
}

void PartTeam::run(int parts, PartWork work, void* context) {
  if (parts <= 0) return;
  if (parts > parts_) parts = parts_;
  const int helped = helpers_ ? static_cast<int>(helpers_->threads.size()) + 1 : 1;  // parts the helpers cover
  const int shared = parts < helped ? parts : helped;
  if (shared > 1) {
    std::lock_guard<std::mutex> lock(helpers_->mutex);
    helpers_->work = work;
    helpers_->context = context;
    helpers_->jobParts = shared;
    helpers_->running = shared - 1;
    ++helpers_->job;
  }
  if (shared > 1) helpers_->start.notify_all();
  work(context, 0);
  for (int part = shared; part < parts; ++part) work(context, part);
  if (shared > 1) {
    std::unique_lock<std::mutex> lock(helpers_->mutex);
    helpers_->finished.wait(lock, [&] { return helpers_->running == 0; });
  }
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
