// A front end that shows nothing: it records what the commands showed and asked, and
// answers from a list (the tests and the `fwscript` tool).
#pragma once

#include <deque>
#include <string>
#include <vector>

#include "installer/script/front_end.h"

namespace installer {

class RecordingFrontEnd : public FrontEnd {
 public:
  // Answers given to questions, in order; once they run out, `defaultAnswer`.
  std::deque<int> answers;
  int defaultAnswer = kAnswerYes;
  bool agreeToLicense = true;

  // What happened, in order.
  std::vector<std::string> messages;
  std::vector<std::string> questions;
  std::vector<std::string> statusTexts;
  std::vector<std::string> licenses;
  int quitCode = -1;  // the exit code asked for by QuitAtOnce, -1 when never

  void Show(const std::string& text) override { statusTexts.push_back(text); }
  void ShowMessage(const std::string& text) override { messages.push_back(text); }
  int Ask(const std::string& question) override;
  bool ShowLicense(const std::string& text) override;
  void QuitAtOnce(int exitCode) override { quitCode = exitCode; }
};

}  // namespace installer
