// The one-line status text of the installer's main window, as a sink: the window, the
// developer tool and the tests each receive the extractor's texts through it.
#pragma once

#include <string>

namespace installer {

class StatusLine {
 public:
  virtual ~StatusLine() = default;
  // Replaces the text shown; the line keeps it until the next call.
  virtual void Show(const std::string& text) = 0;
};

}  // namespace installer
