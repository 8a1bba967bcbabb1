// The native installer's front end on a terminal: messages and questions as text, the
// licence printed, the status line redrawn in place on a terminal and printed as lines
// when the output is piped. For unattended use the answers come from the command line
// or, one per line in order, from an answers file or the standard input.
#pragma once

#include <deque>
#include <string>

#include "installer/script/front_end.h"

namespace installer {

struct TerminalAnswers {
  int question = 0;             // kAnswerYes or kAnswerNo for every question, 0 to ask
  bool acceptLicense = false;   // agree without asking
  std::deque<std::string> lines;  // answers file: each prompt takes the next line
  bool interactive = false;     // the standard input is a terminal
};

class TerminalFrontEnd : public FrontEnd {
 public:
  explicit TerminalFrontEnd(TerminalAnswers answers);
  ~TerminalFrontEnd() override;

  void Show(const std::string& text) override;
  void ShowMessage(const std::string& text) override;
  int Ask(const std::string& question) override;
  bool ShowLicense(const std::string& text) override;
  // Does not end the process: the pass stops (the interpreter sees the request), and
  // plugin removes what it made and says why it ends.
  void QuitAtOnce(int exitCode) override;

  // Asks for the install path, showing `current`; false when the user cancels (end of
  // input, or the answer "cancel").
  bool AskPath(const std::string& current, std::string* path);
  // A heading line (the window caption).
  void Title(const std::string& caption);

 private:
  bool NextLine(const std::string& prompt, std::string* line);
  void EndStatus();

  TerminalAnswers answers_;
  std::string lastAutomaticYes_;  // the question just answered Yes by --yes
  bool statusTerminal_;
  bool statusShown_ = false;
};

// Text with CR LF line ends as the terminal shows it.
std::string TerminalText(const std::string& text);

}  // namespace installer
