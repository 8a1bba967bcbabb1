// Files and directories that exist only for the span of one run (an output being
// written, a private settings directory) are removed however the run ends: when their
// owner is done with them, and when the run is stopped by Ctrl-C, a kill or a closed
// pipe. A write past the file-size limit fails as a write instead of stopping the
// program, so the writer cleans up after itself.
#pragma once

#include <functional>
#include <string>

// Installs the handling of stop requests. Call once, early in main, before any other
// thread starts.
void InstallExitCleanup();

// Adds or drops a path to remove when the run is stopped. A directory is removed with
// everything in it.
void RemoveWhenStopped(const std::string& path, bool directory);
// Makes a path with `make` (which returns its name, or an empty text when it failed) and
// adds it, both at once, so that a stop cannot fall between the two and leave it behind.
// Once a stop has arrived nothing is made and the text is empty.
std::string MakeRemovedWhenStopped(const std::function<std::string()>& make, bool directory);
void ForgetWhenStopped(const std::string& path);

// Adds or drops a step to run when the run is stopped (putting files back where they
// belong, for example). Steps run before the paths are removed.
int RunWhenStopped(std::function<void()> step);
void ForgetStep(int id);

// Removes a file, or a directory and everything in it; quiet when it is gone already.
void RemovePath(const std::string& path, bool directory);
