// A front end for the shell command tests: it answers questions from a list (No once
// the list is used up) and records every question, message and status text.
#pragma once

#include <deque>
#include <string>
#include <vector>

#include "installer/script/front_end.h"

namespace shell_test {

class ScriptedFrontEnd : public installer::FrontEnd {
 public:
  void Show(const std::string& text) override { status.push_back(text); }
  void ShowMessage(const std::string& text) override { messages.push_back(text); }
  int Ask(const std::string& question) override {
    questions.push_back(question);
    if (answers.empty()) return installer::kAnswerNo;
    int answer = answers.front();
    answers.pop_front();
    return answer;
  }
  bool ShowLicense(const std::string&) override { return true; }
  void QuitAtOnce(int) override {}

  std::deque<int> answers;
  std::vector<std::string> questions, messages, status;
};

}  // namespace shell_test
