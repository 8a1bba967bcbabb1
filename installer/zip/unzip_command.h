// The install script's `unzip` command: unpacks an archive carried as a raw-data
// resource of the installer into a directory.
#pragma once

#include <cstddef>
#include <string>

#include "installer/zip/status_line.h"

namespace installer {

// What the command needs of the installer's window: the status line for progress
// texts and a modal message box (with no owner) for its failures.
class UnzipCommandUi : public StatusLine {
 public:
  virtual void ShowMessage(const std::string& text) = 0;
};

// The messages the command shows, one per way it can fail.
extern const char* const kUnzipMessageDamaged;
extern const char* const kUnzipMessageNoTempSpace;
extern const char* const kUnzipMessageFailed;

// Writes the bytes of a resource to a new temporary file (a unique "VARN" name in the
// temporary directory, or the fixed fallback name) in one write; its name, or an empty
// text (and nothing left behind) when it cannot be created or written whole.
std::string WriteTemporaryCopy(const unsigned char* data, size_t size);

// Copies the RCDATA resource `resourceName` to a temporary file (a unique "VARN" name
// in the temporary directory, or the fixed fallback name), extracts it into
// `destination`, and deletes the temporary file. Returns 1 when every entry was
// extracted and verified, 0 after showing the message of the failure.
int RunUnzipCommand(const std::string& resourceName, const std::string& destination,
                    UnzipCommandUi& ui);

}  // namespace installer
