#include "framework/help_about.h"

#include <cstdio>

#include "framework/dialog.h"
#include "platform/directories.h"
#include "platform/files.h"
#include "platform/profile.h"
#include "platform/shell.h"

namespace {
constexpr const char* kMessageTitle = "Message";
constexpr size_t kProfileValueLength = 260;
}  // namespace

std::string FormatVersionLine(const AboutInfo& about) {
  char line[64];
  std::snprintf(line, sizeof line, "Version %d.%d%c (patch %d)", about.major, about.minor,
                about.revision, about.patch);
  return line;
}

std::string AboutText(const AboutInfo& about) {
  return FormatVersionLine(about) +
         "\r\n\r\nVisit the maker's web page for news, other effects and help with this one. "
         "The licence under which you may use this plug-in is in the licence document.";
}

bool HelpDocumentPath(const std::string& applicationPath, const char* document, std::string* path) {
  if (applicationPath.size() < 3) return false;
  *path = platform::JoinPath(platform::JoinPath(applicationPath, "html"), document);
  return true;
}

std::string HelpCommandLine(const std::string& program, const std::string& document, const char* topic) {
  std::string line = program + " " + document;
  if (topic && *topic) line += std::string("#") + topic;
  return line;
}

int ShowHelp(Dialog& dialog, const char* topic) {
  std::string applicationPath = platform::ReadProfileString(
      kHostSection, kApplicationPathKey, "", kHostSettingsFile, kProfileValueLength);
  std::string document, program;
  bool found = HelpDocumentPath(applicationPath, kHelpDocument, &document);
#ifndef _WIN32
  // Without a host installation that holds it, the help where the Linux installer puts
  // it: the "help" directory of the data directory.
  if (!found || platform::ExistingSpelling(document).empty()) {
    std::string installed = platform::JoinPath(platform::JoinPath(platform::DataDirectory(), "help"), kHelpDocument);
    if (!platform::ExistingSpelling(installed).empty()) {
      document = installed;
      found = true;
    }
  }
#endif
  bool shown = found && platform::FindAssociatedProgram(document, &program) &&
               platform::StartProgram(HelpCommandLine(program, document, topic), true);
  if (!shown) dialog.showMessage(kHelpError, kMessageTitle);
  return 1;
}

void ShowLicence(Dialog& dialog, const std::string& moduleDirectory, const char* licenceFile) {
  std::string document = platform::JoinPath(moduleDirectory, licenceFile), program;
  bool shown = platform::FindAssociatedProgram(document, &program) &&
               platform::StartProgram(HelpCommandLine(program, document, nullptr), true);
  if (!shown) dialog.showMessage(kLicenceError, kMessageTitle);
}

void ShowWebPage(Dialog& dialog) {
  if (!platform::OpenWithShell(kMakerWebPage)) dialog.showMessage(kWebPageError, kMessageTitle);
}

uint32_t MakeLogoState(int timerId, int frame, int depth, bool running) {
  uint32_t storedDepth = depth > 8 ? 24u : static_cast<uint32_t>(depth & 0xFF);
  return (static_cast<uint32_t>(timerId) & 0xFF) | ((static_cast<uint32_t>(frame) & 0xFF) << 8) |
         (storedDepth << 16) | (running ? 1u << 24 : 0u);
}

uint32_t WithLogoRunning(uint32_t state, bool running) {
  return running ? state | (1u << 24) : state & ~(1u << 24);
}

uint32_t AdvanceLogoFrame(uint32_t state) {
  int next = LogoFrame(state) + 1;
  if (next >= kLogoFrameCount) next = 0;
  return (state & ~0xFF00u) | (static_cast<uint32_t>(next) << 8);
}
