// fwhost: the substitute host. Lists the plug-ins it finds, runs one plug-in's dialog
// from the command line and writes the animation it delivers.
//
//   fwhost list [--plugin-dir DIR]
//   fwhost EFFECT [PICTURES...] [OPTIONS...] -o OUTPUT.gif
//   fwhost EFFECT --help
//   fwhost studio [--port N] [--plugin-dir DIR]   (native only: host/studio/)
#include <cctype>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "framework/parallel.h"
#include "host/capture_file.h"
#include "host/command_line.h"
#include "host/effect_run.h"
#include "host/effect_table.h"
#include "host/exit_cleanup.h"
#include "host/host_platform.h"
#include "host/plugin_library.h"
#include "host/plugin_session.h"
#include "host/preflight.h"
#include "host/selection_buffer.h"
#ifndef _WIN32
#include "host/studio/studio.h"
#endif
#include "platform/library.h"
#include "platform/manual_page.h"
#include "platform/memory.h"

namespace {

// The version of the host, shown by --version.
constexpr const char* kFwhostVersion = "1.0";

void PrintUsage(std::FILE* out) {
  std::fprintf(out,
               "usage: fwhost list [--plugin-dir DIR]\n"
               "       fwhost EFFECT [PICTURES...] [OPTIONS...] -o OUTPUT.gif\n"
               "       fwhost EFFECT --help\n"
#ifndef _WIN32
               "       fwhost studio [--port N] [--plugin-dir DIR]   (the dialogs in a browser)\n"
#endif
               "       fwhost --version\n\n"
               "EFFECT is an effect name or the path of a plug-in library. Effects:\n");
  size_t count = 0;
  const EffectRow* rows = EffectRows(&count);
  std::vector<std::string> directories = PluginDirectories("");
  for (size_t i = 0; i < count; ++i) {
    bool installed = !rows[i].library || !LocatePlugin(rows[i].library, directories).empty();
    std::fprintf(out, "  %-14s %s: %s%s\n", rows[i].name, rows[i].title, rows[i].summary,
                 installed ? "" : " (not installed)");
  }
  std::fprintf(out, "\nPlug-ins are looked for in --plugin-dir, $FWHOST_PLUGIN_PATH, the directory of fwhost"
#ifndef _WIN32
                    " and\nwhere plugin installs them ($XDG_DATA_HOME/kestrel/plugins)"
#endif
                    ".\n"
                    "Every run starts from the plug-in's built-in settings and leaves no settings file;\n"
                    "--remember starts from the saved ones and saves the run's, as the editor does.\n"
                    "The output is written whole or not at all; pictures and names are checked first.\n");
}

// The manual page, from the tables that give the help: the effects, their options and
// the options of every effect.
std::string ManualPage() {
  std::vector<manual::Section> sections;
  sections.push_back({"SYNOPSIS",
                      "fwhost list [--plugin-dir DIR]\nfwhost EFFECT [PICTURES...] [OPTIONS...] -o OUTPUT\n"
                      "fwhost EFFECT --help\n"
#ifndef _WIN32
                      "fwhost studio [--port N] [--plugin-dir DIR]\n"
#endif
                      "fwhost --version\nfwhost --manual",
                      {}});
  sections.push_back({"DESCRIPTION",
                      "fwhost runs an animation-effect plug-in as its host editor would: it loads the plug-in, works "
                      "the plug-in's own dialog as the options say (each picture one press of Add, each option the "
                      "control a user would set), answers the plug-in's requests for files, pictures and colours, "
                      "and writes the animation the plug-in delivers. It writes " +
                          std::string(WritableFormats()) +
                          " files, chosen by the output's name, whole or not at all. Every run starts from the "
                          "plug-in's built-in settings and leaves no settings file, unless --remember is given.",
                      {}});
  size_t count = 0;
  const EffectRow* rows = EffectRows(&count);
  manual::Section effects{"EFFECTS", "EFFECT is one of these names, or the path of a plug-in library.", {}};
  for (size_t i = 0; i < count; ++i) {
    std::string text = std::string(rows[i].title) + ": " + rows[i].summary + ".";
    for (const manual::Entry& option : EffectOptionEntries(rows[i])) text += "\n" + option.term + ": " + option.text;
    effects.entries.push_back({rows[i].name, text});
  }
  sections.push_back(effects);
  sections.push_back({"OPTIONS", "Options of every effect.", CommonOptionEntries(false)});
#ifndef _WIN32
  sections.push_back({"STUDIO", kStudioSummary, StudioOptionEntries()});
#endif
  sections.push_back({"DRIVING ANY CONTROL", "Controls named by their ids in the effect's dialog.", CommonOptionEntries(true)});
  sections.push_back({"ENVIRONMENT",
                      "",
                      {{"FWHOST_PLUGIN_PATH", "directories to look for plug-ins in, after --plugin-dir"},
                       {kThreadsVariable, "the builds' thread count when --threads is not given"}}});
  sections.push_back({"EXIT STATUS", "0 the animation was written; 1 the build or the writing failed; 2 a mistake in "
                                     "what was asked, found before any work.", {}});
  return manual::Page("fwhost", "run animation-effect plug-ins from the command line", sections);
}

int ListPlugins(const std::vector<std::string>& words) {
  std::string directory;
  for (size_t i = 0; i < words.size(); ++i) {
    if (words[i] == "--plugin-dir" && i + 1 < words.size()) directory = words[++i];
    else if (words[i].compare(0, 13, "--plugin-dir=") == 0) directory = words[i].substr(13);
    else {
      std::fprintf(stderr, "fwhost: list takes only --plugin-dir DIR\n");
      return kExitUsage;
    }
  }
  std::error_code failure;
  if (!directory.empty() && !std::filesystem::is_directory(directory, failure)) {
    std::fprintf(stderr, "fwhost: --plugin-dir %s: no such directory\n", directory.c_str());
    return kExitUsage;
  }
  std::string name, notice;
  if (DescribePlugin(BuiltInExports(), &name, &notice))
    std::printf("%-14s %-14s %s\n", kFramesEffectName, name.c_str(), notice.c_str());
  int failures = 0;
  for (const std::string& path : FindPluginFiles(PluginDirectories(directory))) {
    PluginLibrary library;
    std::string error;
    if (!library.open(path, &error) || !DescribePlugin(library.exports(), &name, &notice)) {
      std::fprintf(stderr, "fwhost: %s: %s\n", path.c_str(), error.empty() ? "gives no description" : error.c_str());
      ++failures;
      continue;
    }
    const EffectRow* row = RowOfLibrary(path);
    std::printf("%-14s %-14s %s (%s)\n", row ? row->name : "-", name.c_str(), notice.c_str(), path.c_str());
  }
  // The effects fwhost knows whose plug-in is not there.
  size_t count = 0;
  const EffectRow* rows = EffectRows(&count);
  std::vector<std::string> directories = PluginDirectories(directory);
  for (size_t i = 0; i < count; ++i)
    if (rows[i].library && LocatePlugin(rows[i].library, directories).empty())
      std::printf("%-14s %-14s not installed (%s%s)\n", rows[i].name, rows[i].title, rows[i].library,
                  platform::LibrarySuffix());
  return failures ? kExitFailure : 0;
}

}  // namespace

int main(int argc, char** argv) {
  platform::PrepareHeapForFrames();
  InstallExitCleanup();
  std::vector<std::string> words(argv + 1, argv + argc);
  if (!words.empty() && words[0] == "--manual") {
    std::fputs(ManualPage().c_str(), stdout);
    return 0;
  }
  if (!words.empty() && words[0] == "--version") {
    std::printf("fwhost %s (plug-in interface 0x200; writes %s)\n", kFwhostVersion, WritableFormats());
    return 0;
  }
  if (words.empty() || words[0] == "--help" || words[0] == "-h" || words[0] == "help") {
    PrintUsage(words.empty() ? stderr : stdout);
    return words.empty() ? kExitUsage : 0;
  }
  std::string command = words[0];
  words.erase(words.begin());
  if (command == "list") return ListPlugins(words);
  if (!command.empty() && command[0] == '-') {
    std::fprintf(stderr, "fwhost: the first word is the effect, not %s (see fwhost --help)\n", command.c_str());
    return kExitUsage;
  }
  if (command == "studio") {
#ifdef _WIN32
    std::fprintf(stderr, "fwhost: studio is for Linux, where the plug-ins' dialogs have no windows; here fwhost.exe "
                         "shows the plug-ins' own dialogs: run fwhost EFFECT\n");
    return kExitUsage;
#else
    return RunStudio(words);
#endif
  }
  return RunEffect(command, words).status;
}
