// Threads for work sharing: the processor count, a way to run a few parts of one job at
// once and wait for all of them, and the process environment through which a host tells
// a plug-in how many threads to use. Windows threads in the plug-in DLLs; std::thread on
// POSIX.
#pragma once

#include <memory>
#include <string>

namespace platform {

// Processors this process may run on; at least 1.
int ProcessorCount();

// Runs work(context, part) for every part in [0, parts) and returns when all have
// finished: part 0 on the calling thread, every other part on a thread of its own. A part
// whose thread cannot be started runs on the calling thread after part 0, so every part
// runs exactly once whatever happens. `work` must not throw.
using PartWork = void (*)(void* context, int part);
void RunParts(int parts, PartWork work, void* context);

// Helper threads kept for a run of many short jobs (one or two per frame), so that a job
// costs a wake-up rather than the start of a thread. The helpers start with the team,
// wait between jobs and end with it; a team lives no longer than the build that made it.
class PartTeam {
 public:
  // A team for jobs of up to `parts` parts: parts - 1 helpers (fewer when some cannot
  // be started; their parts then run on the calling thread).
  explicit PartTeam(int parts);
  ~PartTeam();
  PartTeam(const PartTeam&) = delete;
  PartTeam& operator=(const PartTeam&) = delete;

  // The parts a job may have.
  int parts() const { return parts_; }
  // RunParts on the team's helpers: part 0 on the calling thread, part p on helper p, the
  // parts of helpers that could not be started on the calling thread after part 0. At
  // most parts() parts; one thread runs jobs of one team.
  void run(int parts, PartWork work, void* context);

 private:
  struct Helpers;
  int parts_;
  std::unique_ptr<Helpers> helpers_;
};

// A variable of the process environment; false when it is not set.
bool ReadEnvironment(const char* name, std::string* value);
// Sets (or, with a null value, removes) a variable of the process environment for this
// process and the plug-ins it loads; false on failure.
bool WriteEnvironment(const char* name, const char* value);

}  // namespace platform
