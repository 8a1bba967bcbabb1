// Threads for Windows: _beginthreadex (so the C runtime is set up for each thread), and
// the processors the system reports.
#include <windows.h>
#include <process.h>

#include <vector>

#include "platform/threads.h"

namespace platform {
namespace {

struct ThreadStart {
  PartWork work;
  void* context;
  int part;
};

unsigned __stdcall RunThread(void* argument) {
  const ThreadStart* start = static_cast<const ThreadStart*>(argument);
  start->work(start->context, start->part);
  return 0;
}

}  // namespace

int ProcessorCount() {
  DWORD_PTR process = 0, system = 0;
  if (GetProcessAffinityMask(GetCurrentProcess(), &process, &system) && process) {
    int count = 0;
    for (; process; process &= process - 1) ++count;
    return count;
  }
  SYSTEM_INFO info;
  GetSystemInfo(&info);
  return info.dwNumberOfProcessors > 0 ? static_cast<int>(info.dwNumberOfProcessors) : 1;
}

void RunParts(int parts, PartWork work, void* context) {
  if (parts <= 0) return;
  // Fixed storage: the starts must not move while their threads read them.
  std::vector<ThreadStart> starts;
  std::vector<HANDLE> handles;
  std::vector<int> leftOver;
  try {
    starts.reserve(static_cast<size_t>(parts));
    handles.reserve(static_cast<size_t>(parts));
    leftOver.reserve(static_cast<size_t>(parts));
  } catch (...) {
    for (int part = 0; part < parts; ++part) work(context, part);  // no room to share: one thread
    return;
  }
  for (int part = 1; part < parts; ++part) {
    starts.push_back(ThreadStart{work, context, part});
    uintptr_t handle = _beginthreadex(nullptr, 0, &RunThread, &starts.back(), 0, nullptr);
    if (handle) handles.push_back(reinterpret_cast<HANDLE>(handle));
    else leftOver.push_back(part);
  }
  work(context, 0);
  for (HANDLE handle : handles) {
    WaitForSingleObject(handle, INFINITE);
    CloseHandle(handle);
  }
  for (int part : leftOver) work(context, part);
}

// Each helper has a start and a done event (both reset by the wait that sees them): the
// caller sets the starts of the helpers a job needs and waits for their dones.
struct PartTeam::Helpers {
  struct Seat {
    Helpers* helpers;
    int part;
  };
  PartWork work = nullptr;
  void* context = nullptr;
  bool stopping = false;
  std::vector<Seat> seats;  // reserved in full before any helper starts: never moves
  std::vector<HANDLE> threads, starts, dones;

  static unsigned __stdcall Serve(void* argument) {
    const Seat* seat = static_cast<const Seat*>(argument);
    Helpers& helpers = *seat->helpers;
    const size_t index = static_cast<size_t>(seat->part - 1);
    for (;;) {
      WaitForSingleObject(helpers.starts[index], INFINITE);
      if (helpers.stopping) return 0;
      helpers.work(helpers.context, seat->part);
      SetEvent(helpers.dones[index]);
    }
  }

  ~Helpers() {
    for (HANDLE handle : starts) CloseHandle(handle);
    for (HANDLE handle : dones) CloseHandle(handle);
  }
};

PartTeam::PartTeam(int parts) : parts_(parts < 1 ? 1 : parts > MAXIMUM_WAIT_OBJECTS ? MAXIMUM_WAIT_OBJECTS : parts) {
  if (parts_ == 1) return;
  try {
    helpers_.reset(new Helpers);
    const size_t count = static_cast<size_t>(parts_ - 1);
    helpers_->seats.reserve(count);
    helpers_->threads.reserve(count);
    helpers_->starts.reserve(count);
    helpers_->dones.reserve(count);
  } catch (...) {
    helpers_.reset();
    return;
  }
  Helpers& helpers = *helpers_;
  for (int part = 1; part < parts_; ++part) {
    HANDLE start = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    HANDLE done = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    if (!start || !done) {
      if (start) CloseHandle(start);
      if (done) CloseHandle(done);
      break;
    }
    helpers.starts.push_back(start);
    helpers.dones.push_back(done);
    helpers.seats.push_back(Helpers::Seat{&helpers, part});
    uintptr_t thread = _beginthreadex(nullptr, 0, &Helpers::Serve, &helpers.seats.back(), 0, nullptr);
    if (!thread) {
      helpers.seats.pop_back();
      CloseHandle(helpers.starts.back());
      CloseHandle(helpers.dones.back());
      helpers.starts.pop_back();
      helpers.dones.pop_back();
      break;
    }
    helpers.threads.push_back(reinterpret_cast<HANDLE>(thread));
  }
}

PartTeam::~PartTeam() {
  if (!helpers_) return;
  helpers_->stopping = true;
  for (size_t i = 0; i < helpers_->threads.size(); ++i) SetEvent(helpers_->starts[i]);
  if (!helpers_->threads.empty())
    WaitForMultipleObjects(static_cast<DWORD>(helpers_->threads.size()), helpers_->threads.data(), TRUE, INFINITE);
  for (HANDLE thread : helpers_->threads) CloseHandle(thread);
}

void PartTeam::run(int parts, PartWork work, void* context) {
  if (parts <= 0) return;
  if (parts > parts_) parts = parts_;
  const int helped = helpers_ ? static_cast<int>(helpers_->threads.size()) + 1 : 1;  // parts the helpers cover
  const int shared = parts < helped ? parts : helped;
  if (shared > 1) {
    helpers_->work = work;
    helpers_->context = context;
    for (int i = 0; i < shared - 1; ++i) SetEvent(helpers_->starts[static_cast<size_t>(i)]);
  }
  work(context, 0);
  for (int part = shared; part < parts; ++part) work(context, part);
  if (shared > 1) WaitForMultipleObjects(static_cast<DWORD>(shared - 1), helpers_->dones.data(), TRUE, INFINITE);
}

bool ReadEnvironment(const char* name, std::string* value) {
  char buffer[256];
  DWORD length = GetEnvironmentVariableA(name, buffer, sizeof buffer);
  if (length == 0) return false;  // not set, or empty: the same to every reader here
  if (length < sizeof buffer) {
    value->assign(buffer, length);
    return true;
  }
  std::vector<char> large(length);
  DWORD got = GetEnvironmentVariableA(name, large.data(), length);
  if (got == 0 || got >= length) return false;
  value->assign(large.data(), got);
  return true;
}

bool WriteEnvironment(const char* name, const char* value) {
  return SetEnvironmentVariableA(name, value) != 0;
}

}  // namespace platform
