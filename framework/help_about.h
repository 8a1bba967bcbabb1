// Help, About and the logo: the parts of every plug-in's user interface that do not touch
// the animation. Drawing lives with the Windows front end; what is decided here is the
// same on every target.
#pragma once

#include <cstdint>
#include <string>

class Dialog;

// Where the help document is found: the host's INI file in the Windows directory names
// the host's directory; the document is in its "html" sub-directory. On Linux, when that
// gives no document, it is looked for in the "help" directory of the data directory
// (where the Linux installer puts it).
constexpr const char* kHostSettingsFile = "FWHOST.INI";
constexpr const char* kHostSection = "Framewright";
constexpr const char* kApplicationPathKey = "ApplicationPath";
constexpr const char* kHelpDocument = "FWPLGKS1.HTML";
constexpr const char* kLicenceFile = "fwplgks1.txt";
constexpr const char* kMakerWebPage = "http://www.varnelquillon.example/kestrel/";
constexpr const char* kHelpError = "There has been an error displaying the Help document.";
constexpr const char* kWebPageError = "There has been an error accessing your web browser.";
constexpr const char* kLicenceError =
    "There has been an error displaying the requested document. Please ensure that there is an "
    "application installed on your system capable of opening text documents associated with the "
    "file extension .TXT.";

// What the main dialog hands to the About box.
struct AboutInfo {
  const char* productName;  // "Page Curl Plugin"
  const char* helpDocument;
  const char* licenceFile;
  int major;
  int minor;
  char revision;
  int patch;
};

// "Version 2.0a (patch 3)".
std::string FormatVersionLine(const AboutInfo& about);

// The About box's text: the version line and a short paragraph.
std::string AboutText(const AboutInfo& about);

// The help document's path for the host directory `applicationPath`; false when the
// value is shorter than 3 characters.
bool HelpDocumentPath(const std::string& applicationPath, const char* document, std::string* path);

// Program, a space, the document and, for a topic, "#" and the topic.
std::string HelpCommandLine(const std::string& program, const std::string& document, const char* topic);

// Opens the help document at `topic` in its associated program, maximised; shows the help
// error on any failure. Always returns 1.
int ShowHelp(Dialog& dialog, const char* topic);

// Opens the licence text that lies next to the plug-in's own file.
void ShowLicence(Dialog& dialog, const std::string& moduleDirectory, const char* licenceFile);

// Opens the maker's web page.
void ShowWebPage(Dialog& dialog);

// The logo button's state word: bits 0-7 the timer id, 8-15 the frame (0-23), 16-23 the
// screen depth (above 8 stored as 24), bit 24 set while the animation runs.
constexpr int kLogoTimerId = 99;
constexpr int kLogoFrameCount = 24;
constexpr int kLogoPeriodMs = 60;
constexpr int kLogoFirstBitmap = 10000;

uint32_t MakeLogoState(int timerId, int frame, int depth, bool running);
inline int LogoTimerId(uint32_t state) { return state & 0xFF; }
inline int LogoFrame(uint32_t state) { return (state >> 8) & 0xFF; }
inline int LogoDepth(uint32_t state) { return (state >> 16) & 0xFF; }
inline bool LogoRunning(uint32_t state) { return (state >> 24) & 1; }
uint32_t WithLogoRunning(uint32_t state, bool running);
// The next frame, from 23 back to 0.
uint32_t AdvanceLogoFrame(uint32_t state);
