// fwhost studio: the plug-ins' own dialogs in a browser, served on this machine only.
#pragma once

#include <string>
#include <vector>

#include "platform/manual_page.h"

// `fwhost studio [--port N] [--plugin-dir DIR]`: serves the studio until Ctrl-C; the
// exit status as fwhost's.
int RunStudio(const std::vector<std::string>& words);

// What `fwhost studio` does and its options, for its help and the manual page.
extern const char* const kStudioSummary;
std::vector<manual::Entry> StudioOptionEntries();
