// Starting programs for documents: the help document and the licence text.
#pragma once

#include <string>

namespace platform {

// The program associated with an existing document, as a command that a command line can
// start; false when the document is missing or nothing can open it.
bool FindAssociatedProgram(const std::string& document, std::string* program);

// Starts a command line as a new process without waiting (maximised where windows
// exist); false when it cannot be started.
bool StartProgram(const std::string& commandLine, bool maximised);

// Opens an address or document with the system's "open" action.
bool OpenWithShell(const std::string& target);

}  // namespace platform
