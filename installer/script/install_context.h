// Everything an install-script command works with: the installer settings made by the
// setup pass, the substitution values of the action pass, the install options, a few
// facts about the machine, and the front end through which it talks to the user.
#pragma once

#include <string>

#include "installer/script/front_end.h"
#include "installer/script/script_text.h"

namespace installer {

// The settings words fill these; each text holds at most kScriptLineLimit characters.
struct InstallerSettings {
  std::string productName = "Untitled";
  std::string iniSection;
  std::string defaultPath;
  bool existingPath = false;  // the path field shows defaultPath without a drive letter
  std::string introText;
  std::string closingText;
};

// Chosen in the options dialog, carried out by `processoptions`.
struct InstallOptions {
  bool whatsNew = false;
  bool startMenu = false;
  bool desktop = false;
  bool screenSaver = false;
};

// Facts about the machine that some checks compare against, read at start-up by the
// front end that starts the installer (fixed values in tests).
struct MachineFacts {
  int windowsMajorVersion = 10;
  unsigned processorType = 586;
  int screenColourBits = 24;  // planes x bits per pixel
};

// The date the installer was built ("Sep 13 2002") and today's year and month, for the
// age notice of `checkdate`.
struct AgeFacts {
  std::string buildDate;
  int year = 0;
  int month = 0;  // 1 to 12
};

class ScriptObserver;

struct InstallContext {
  FrontEnd* ui = nullptr;
  InstallerSettings settings;
  // %1 install path (at most 999 characters), %2 Windows directory, %3 system
  // directory, %4 Startup folder.
  Substitutions substitutions;
  InstallOptions options;
  MachineFacts machine;
  AgeFacts age;
  // Told of every command handed to a handler, in order (the developer tool, tests).
  ScriptObserver* observer = nullptr;
  // Set when a command ended the installer at once (a declined licence) and the front
  // end could not end the process: the running pass stops with 0.
  bool quitRequested = false;

  const std::string& InstallPath() const { return substitutions.values[0]; }
  const std::string& WindowsDirectory() const { return substitutions.values[1]; }
  const std::string& SystemDirectory() const { return substitutions.values[2]; }
  const std::string& StartupDirectory() const { return substitutions.values[3]; }
};

// The most characters of the install path (the text of the path field).
constexpr size_t kInstallPathLimit = 999;

}  // namespace installer
