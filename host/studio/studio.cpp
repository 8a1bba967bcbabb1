#include "host/studio/studio.h"

#include <signal.h>
#include <stdlib.h>

#include <cstdio>
#include <filesystem>
#include <vector>

#include "host/command_line.h"
#include "host/effect_run.h"
#include "host/exit_cleanup.h"
#include "host/studio/studio_server.h"
#include "platform/directories.h"

const char* const kStudioSummary =
    "Serves the plug-ins' own dialogs, with a preview, to a browser on this machine: open the address it prints "
    "(its token included). What is set by clicking is shown as the fwhost command line that does the same. Ctrl-C "
    "stops it and removes every picture and animation it kept.";

std::vector<manual::Entry> StudioOptionEntries() {
  return {{"--port N", "listen on port N of 127.0.0.1 (built-in: a free port)"},
          {"--plugin-dir DIR", "look for plug-ins in DIR first"},
          {"--help", "show this help"}};
}

int RunStudio(const std::vector<std::string>& words) {
  int port = 0;
  std::string pluginDirectory;
  for (size_t i = 0; i < words.size(); ++i) {
    std::string word = words[i], value;
    size_t equals = word.find('=');
    bool inlineValue = word.compare(0, 2, "--") == 0 && equals != std::string::npos;
    if (inlineValue) value = word.substr(equals + 1), word = word.substr(0, equals);
    if (word == "--help" || word == "-h") {
      std::printf("usage: fwhost studio [--port N] [--plugin-dir DIR]\n\n%s\n", kStudioSummary);
      for (const manual::Entry& entry : StudioOptionEntries())
        std::printf("  %-24s %s\n", entry.term.c_str(), entry.text.c_str());
      return 0;
    }
    if (word != "--port" && word != "--plugin-dir") {
      std::string closest;
      for (const char* known : {"--port", "--plugin-dir", "--help"})
        if (EditDistance(word, known) <= 2) closest = known;
      std::fprintf(stderr, "fwhost: studio takes only --port N and --plugin-dir DIR, not %s%s\n", words[i].c_str(),
                   closest.empty() ? "" : (" (did you mean " + closest + "?)").c_str());
      return kExitUsage;
    }
    if (!inlineValue) {
      if (i + 1 >= words.size()) {
        std::fprintf(stderr, "fwhost: %s needs a value\n", word.c_str());
        return kExitUsage;
      }
      value = words[++i];
    }
    if (word == "--plugin-dir") {
      pluginDirectory = value;
      continue;
    }
    char* end = nullptr;
    long number = std::strtol(value.c_str(), &end, 10);
    if (value.empty() || *end || number < 1 || number > 65535) {
      std::fprintf(stderr, "fwhost: --port takes a number from 1 to 65535\n");
      return kExitUsage;
    }
    port = static_cast<int>(number);
  }
  std::error_code failure;
  if (!pluginDirectory.empty()) {
    if (!std::filesystem::is_directory(pluginDirectory, failure)) {
      std::fprintf(stderr, "fwhost: --plugin-dir %s: no such directory\n", pluginDirectory.c_str());
      return kExitUsage;
    }
    pluginDirectory = std::filesystem::absolute(pluginDirectory, failure).lexically_normal().string();
  }
  // A browser that goes away mid-answer is no reason to stop.
  signal(SIGPIPE, SIG_IGN);
  // Everything the studio keeps (pictures, animations) lives here, removed however it ends.
  std::string pattern = platform::JoinPath(platform::TemporaryDirectory(), "fwhost-studio-XXXXXX");
  std::string directory = MakeRemovedWhenStopped(
      [&] {
        std::vector<char> name(pattern.begin(), pattern.end());
        name.push_back('\0');
        return mkdtemp(name.data()) ? std::string(name.data()) : std::string();
      },
      true);
  if (directory.empty()) {
    std::fprintf(stderr, "fwhost: cannot make a private folder in %s\n", platform::TemporaryDirectory().c_str());
    return kExitFailure;
  }
  int status = 0;
  {
    StudioServer server(directory, pluginDirectory, StudioLimits{});
    std::string error;
    if (!server.bind(port, &error)) {
      std::fprintf(stderr, "fwhost: %s\n", error.c_str());
      status = kExitFailure;
    } else {
      std::printf("fwhost studio: open %s in a browser on this machine; Ctrl-C stops it\n", server.address().c_str());
      std::fflush(stdout);
      if (!server.serve()) status = kExitFailure;
    }
  }
  RemovePath(directory, true);
  ForgetWhenStopped(directory);
  return status;
}
