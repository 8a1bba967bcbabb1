// Starting programs from a command line, with or without waiting for them to end.
//
// A command line is one text in the Windows manner: words separated by blanks, double
// quotes grouping blanks into a word. Windows hands it to the system whole; POSIX splits
// it into words with SplitCommandLine and starts the first word found on the PATH.
#pragma once

#include <string>
#include <vector>

namespace platform {

enum class WindowShow { Normal, Maximised };

// Starts `commandLine` as a new process (handles inherited, normal priority, its first
// window shown as `show`); with `wait`, waits without limit for it to end. False when
// the program cannot be started.
bool RunCommandLine(const std::string& commandLine, WindowShow show, bool wait);

// True when a program of that name can be started by name alone (found on the PATH;
// on Windows, where the system searches for programs).
bool ProgramOnPath(const std::string& program);

// The words of a command line: blanks (space and tab) outside double quotes separate
// words; a double quote toggles quoting and is not kept; a backslash kept as it stands
// except that \" gives a literal quote. Empty quotes ("") make an empty word.
std::vector<std::string> SplitCommandLine(const std::string& commandLine);

}  // namespace platform
