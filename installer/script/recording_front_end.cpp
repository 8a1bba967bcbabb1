#include "installer/script/recording_front_end.h"

namespace installer {

int RecordingFrontEnd::Ask(const std::string& question) {
  questions.push_back(question);
  if (answers.empty()) return defaultAnswer;
  int answer = answers.front();
  answers.pop_front();
  return answer;
}

bool RecordingFrontEnd::ShowLicense(const std::string& text) {
  licenses.push_back(text);
  return agreeToLicense;
}

}  // namespace installer
