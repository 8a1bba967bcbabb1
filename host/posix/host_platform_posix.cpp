// Stop requests on POSIX: the signals that end a run are blocked in every thread and
// taken by one watching thread with sigwait, so the cleanup runs as ordinary code (not
// inside a signal handler, where removing files and directories is unsafe). It then
// ends the program with the same signal, so the caller sees how it ended.
#include <pthread.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>
#include <vector>

#include "host/exit_cleanup.h"
#include "host/host_platform.h"

namespace {

sigset_t StopSignals() {
  sigset_t set;
  sigemptyset(&set);
  for (int signal : {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGPIPE}) sigaddset(&set, signal);
  return set;
}

}  // namespace

void InstallExitCleanup() {
  // Past the file-size limit a write fails with EFBIG instead of killing the program.
  signal(SIGXFSZ, SIG_IGN);
  sigset_t set = StopSignals();
  pthread_sigmask(SIG_BLOCK, &set, nullptr);
  std::thread([set] {
    int received = 0;
    if (sigwait(&set, &received) != 0) return;
    RemoveRegisteredPaths();
    // The default action of the signal ends the program.
    struct sigaction standard {};
    standard.sa_handler = SIG_DFL;
    sigemptyset(&standard.sa_mask);
    sigaction(received, &standard, nullptr);
    sigset_t one;
    sigemptyset(&one);
    sigaddset(&one, received);
    pthread_sigmask(SIG_UNBLOCK, &one, nullptr);
    raise(received);
    _exit(128 + received);
  }).detach();
}

std::FILE* CreateFileBeside(const std::string& directory, const std::string& prefix, const std::string& like,
                            std::string* path) {
  std::string pattern = directory + "/" + prefix + "XXXXXX";
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  int descriptor = mkstemp(name.data());
  if (descriptor < 0) return nullptr;
  struct stat existing;
  mode_t mode;
  if (stat(like.c_str(), &existing) == 0) {
    mode = existing.st_mode & 07777;
  } else {
    mode_t mask = umask(0);
    umask(mask);
    mode = 0666 & ~mask;
  }
  fchmod(descriptor, mode);
  std::FILE* file = fdopen(descriptor, "wb");
  if (!file) {
    close(descriptor);
    unlink(name.data());
    return nullptr;
  }
  *path = name.data();
  return file;
}

bool MoveIntoPlace(const std::string& from, const std::string& to, std::string* error) {
  if (rename(from.c_str(), to.c_str()) == 0) return true;
  *error = std::strerror(errno);
  return false;
}

std::FILE* BinaryStandardOutput() { return stdout; }

namespace {

// The first number of a file such as /sys/fs/cgroup/memory.max; 0 when absent or "max".
uint64_t ReadNumberFile(const char* path) {
  std::FILE* file = std::fopen(path, "r");
  if (!file) return 0;
  unsigned long long value = 0;
  if (std::fscanf(file, "%llu", &value) != 1) value = 0;
  std::fclose(file);
  return value;
}

}  // namespace

uint64_t AvailableMemory() {
  uint64_t available = 0;
  if (std::FILE* file = std::fopen("/proc/meminfo", "r")) {
    char line[256];
    unsigned long long kib;
    while (std::fgets(line, sizeof line, file))
      if (std::sscanf(line, "MemAvailable: %llu kB", &kib) == 1) available = static_cast<uint64_t>(kib) << 10;
    std::fclose(file);
  }
  uint64_t limit = ReadNumberFile("/sys/fs/cgroup/memory.max");
  uint64_t used = ReadNumberFile("/sys/fs/cgroup/memory.current");
  if (limit > 0 && limit > used && (available == 0 || limit - used < available)) available = limit - used;
  return available;
}

bool CanShowDialogs() { return true; }
