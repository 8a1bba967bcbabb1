#include "installer/posix/terminal_front_end.h"

#include <unistd.h>

#include <cstdio>
#include <iostream>

namespace installer {

std::string TerminalText(const std::string& text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r') {
      if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
      out.push_back('\n');
    } else {
      out.push_back(text[i]);
    }
  }
  return out;
}

TerminalFrontEnd::TerminalFrontEnd(TerminalAnswers answers)
    : answers_(std::move(answers)), statusTerminal_(isatty(STDOUT_FILENO) != 0) {}

TerminalFrontEnd::~TerminalFrontEnd() { EndStatus(); }

void TerminalFrontEnd::EndStatus() {
  if (statusShown_) std::fputs("\n", stdout);
  statusShown_ = false;
  std::fflush(stdout);
}

void TerminalFrontEnd::Show(const std::string& text) {
  std::string line = TerminalText(text);
  if (statusTerminal_) {
    // Redrawn in place: back to the start of the line, cleared to its end.
    std::printf("\r\033[K%s", line.c_str());
    statusShown_ = true;
    std::fflush(stdout);
  } else {
    std::printf("%s\n", line.c_str());
  }
}

void TerminalFrontEnd::Title(const std::string& caption) {
  EndStatus();
  std::printf("%s\n\n", caption.c_str());
}

void TerminalFrontEnd::ShowMessage(const std::string& text) {
  EndStatus();
  std::printf("\n%s\n\n", TerminalText(text).c_str());
  std::fflush(stdout);
}

bool TerminalFrontEnd::NextLine(const std::string& prompt, std::string* line) {
  EndStatus();
  if (!answers_.lines.empty()) {
    *line = answers_.lines.front();
    answers_.lines.pop_front();
    std::printf("%s%s\n", prompt.c_str(), line->c_str());
    return true;
  }
  std::printf("%s", prompt.c_str());
  std::fflush(stdout);
  if (!std::getline(std::cin, *line)) {
    std::printf("\n");
    return false;
  }
  if (!answers_.interactive) std::printf("%s\n", line->c_str());
  return true;
}

int TerminalFrontEnd::Ask(const std::string& question) {
  EndStatus();
  std::printf("\n%s\n", TerminalText(question).c_str());
  if (answers_.question) {
    // A question asked again right after an automatic Yes (swapdisk whose file is still
    // missing) would be asked for ever: the repeat is answered No.
    const bool repeat = answers_.question == kAnswerYes && question == lastAutomaticYes_;
    lastAutomaticYes_ = repeat || answers_.question != kAnswerYes ? std::string() : question;
    std::printf("[Yes/No] %s\n", repeat ? "No (asked again after Yes)" : answers_.question == kAnswerYes ? "Yes" : "No");
    return repeat ? kAnswerNo : answers_.question;
  }
  std::string line;
  if (!NextLine("[Yes/No] ", &line)) return kAnswerClosed;
  return !line.empty() && (line[0] == 'y' || line[0] == 'Y') ? kAnswerYes : kAnswerNo;
}

bool TerminalFrontEnd::ShowLicense(const std::string& text) {
  EndStatus();
  std::printf("\nLicense Agreement\n\n%s\n", TerminalText(text).c_str());
  if (answers_.acceptLicense) {
    std::printf("[I Agree / I Do Not Agree] I Agree\n");
    return true;
  }
  std::string line;
  if (!NextLine("Type \"agree\" to accept, anything else to decline: ", &line)) return false;
  return line == "agree" || line == "AGREE" || line == "I Agree" || line == "y" || line == "yes";
}

void TerminalFrontEnd::QuitAtOnce(int) { EndStatus(); }

bool TerminalFrontEnd::AskPath(const std::string& current, std::string* path) {
  std::printf("Your software will be installed in:\n  %s\n", current.c_str());
  std::string line;
  if (!NextLine("Press Enter to install there, type another path, or \"cancel\": ", &line))
    return false;
  if (line == "cancel") return false;
  *path = line.empty() ? current : line;
  return true;
}

}  // namespace installer
