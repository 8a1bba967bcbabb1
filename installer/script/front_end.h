// What the install script's commands need of the installer's user interface. Three
// front ends implement it: the real Windows dialogs, the terminal front end of the
// native `plugin`, and a recording one for the tests and the `fwscript` tool.
#pragma once

#include <string>

#include "installer/zip/unzip_command.h"

namespace installer {

// Answers of the question box: the ids of its buttons, and of Escape.
constexpr int kAnswerYes = 6;
constexpr int kAnswerNo = 7;
constexpr int kAnswerClosed = 2;  // every caller treats it as No

class FrontEnd : public UnzipCommandUi {
 public:
  // From StatusLine: Show(text) replaces the status line's text.
  // From UnzipCommandUi: ShowMessage(text) shows the modal message box ("Message",
  // text unchanged, OK) and returns when it is closed.

  // Asks a question in the modal question box; kAnswerYes, kAnswerNo or kAnswerClosed.
  virtual int Ask(const std::string& question) = 0;

  // Shows the licence text (line ends already CR LF) in the licence dialog; true when
  // the user agreed.
  virtual bool ShowLicense(const std::string& text) = 0;

  // Ends the installer at once with `exitCode`, nothing further run or shown (a
  // declined licence). Front ends that cannot end the process (tests, the developer
  // tool) return, and the interpreter then stops the pass with 0.
  virtual void QuitAtOnce(int exitCode) = 0;

  // The window that owns the commands' dialogs (a window handle on Windows), or null.
  virtual void* OwnerWindow() { return nullptr; }
};

}  // namespace installer
