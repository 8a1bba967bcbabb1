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
