// Threads for work sharing: the processor count, a way to run a few parts of one job at
// once and wait for all of them, and the process environment through which a host tells
// a plug-in how many threads to use. Windows threads in the plug-in DLLs; std::thread on
// POSIX.
#pragma once

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

// A variable of the process environment; false when it is not set.
bool ReadEnvironment(const char* name, std::string* value);
// Sets (or, with a null value, removes) a variable of the process environment for this
// process and the plug-ins it loads; false on failure.
bool WriteEnvironment(const char* name, const char* value);

}  // namespace platform
