// fwhost: the substitute host. Lists the plug-ins it finds, runs one plug-in's dialog
// from the command line and writes the animation it delivers.
//
//   fwhost list [--plugin-dir DIR]
//   fwhost EFFECT [PICTURES...] [OPTIONS...] -o OUTPUT.gif
//   fwhost EFFECT --help
#include <cctype>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "framework/parallel.h"
#include "host/capture_file.h"
#include "host/command_line.h"
#include "host/effect_table.h"
#ifdef KESTREL_HAVE_GIF
#include "host/gif_file.h"
#endif
#include "host/host_service.h"
#include "host/plugin_library.h"
#include "host/plugin_session.h"
#include "host/png_file.h"
#include "host/selection_buffer.h"
#include "platform/library.h"

namespace {

constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

void PrintUsage(std::FILE* out) {
  std::fprintf(out,
               "usage: fwhost list [--plugin-dir DIR]\n"
               "       fwhost EFFECT [PICTURES...] [OPTIONS...] -o OUTPUT.gif\n"
               "       fwhost EFFECT --help\n\n"
               "EFFECT is an effect name or the path of a plug-in library. Effects:\n");
  size_t count = 0;
  const EffectRow* rows = EffectRows(&count);
  for (size_t i = 0; i < count; ++i) std::fprintf(out, "  %-14s %s: %s\n", rows[i].name, rows[i].title, rows[i].summary);
  std::fprintf(out, "\nPlug-ins are looked for in --plugin-dir, $FWHOST_PLUGIN_PATH and the directory of fwhost.\n"
                    "Each plug-in remembers its last settings; --fresh starts from its built-in ones.\n");
}

// The row a library file belongs to, from its file name.
const EffectRow* RowOfLibrary(const std::string& path) {
  std::string name = NameOf(path);
  size_t count = 0;
  const EffectRow* rows = EffectRows(&count);
  for (size_t i = 0; i < count; ++i) {
    if (!rows[i].library) continue;
    std::string base = rows[i].library;
    std::string suffix = platform::LibrarySuffix();
    if (name == base + suffix || name == "lib" + base + suffix) return &rows[i];
  }
  return nullptr;
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
  return failures ? kExitFailure : 0;
}

bool EndsWith(std::string text, const char* suffix) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  size_t n = std::strlen(suffix);
  return text.size() >= n && text.compare(text.size() - n, n, suffix) == 0;
}

// Writes the animation; a GIF unless the name asks for a PNG or the frames need one.
bool WriteAnimation(const Delivery& delivery, const std::string& requested, std::string* written) {
  std::string error;
  std::string path = requested;
  bool png = EndsWith(path, ".png") || EndsWith(path, ".apng");
#ifdef KESTREL_HAVE_GIF
  if (!png && !GifCanHold(delivery)) {
    size_t dot = path.rfind('.');
    size_t slash = path.find_last_of("/\\");
    if (dot != std::string::npos && (slash == std::string::npos || dot > slash)) path.erase(dot);
    path += ".png";
    std::fprintf(stderr,
                 "fwhost: a true-colour frame shows more than 256 colours, more than a GIF frame holds; "
                 "writing an animated PNG to %s instead of %s\n",
                 path.c_str(), requested.c_str());
    png = true;
  }
  const int threads = BuildThreadCount();
  bool ok = png ? WriteApngFile(delivery, path, &error, threads) : WriteGifFile(delivery, path, &error, threads);
#else
  // Without giflib (the Windows build) animations are written as animated PNGs only.
  if (!png) error = "this build writes no GIF files; name the output .png, or use --capture";
  bool ok = png && WriteApngFile(delivery, path, &error, BuildThreadCount());
#endif
  if (!ok) std::fprintf(stderr, "fwhost: %s: %s\n", path.c_str(), error.c_str());
  *written = ok ? path : std::string();
  return ok;
}

long FileSize(const std::string& path) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (!file) return -1;
  std::fseek(file, 0, SEEK_END);
  long size = std::ftell(file);
  std::fclose(file);
  return size;
}

int RunEffect(const std::string& effect, const std::vector<std::string>& words) {
  const EffectRow* row = FindEffectRow(effect.c_str());
  bool byPath = !row;
  if (byPath) {
    row = RowOfLibrary(effect);
    if (!row) row = &GenericEffectRow();
  }
  RunPlan plan;
  std::string error;
  if (!ParseRunOptions(*row, words, &plan, &error)) {
    std::fprintf(stderr, "fwhost: %s\n", error.c_str());
    return kExitUsage;
  }
  if (plan.help) {
    if (row == &GenericEffectRow()) PrintCommonHelp(stdout);
    else PrintEffectHelp(*row, stdout);
    return 0;
  }

  // The plug-ins read their thread count from the environment.
  if (plan.threads > 0) platform::WriteEnvironment(kThreadsVariable, std::to_string(plan.threads).c_str());

  PluginLibrary library;
  PluginExports exports;
  const bool builtIn = !byPath && !row->library;
  if (builtIn) {
    exports = BuiltInExports();
    if (exports.entryPoint) exports.entryPoint(nullptr, kProcessAttach, nullptr);
  } else {
    std::string path = effect;
    if (!byPath) {
      std::vector<std::string> directories = PluginDirectories(plan.pluginDirectory);
      path = LocatePlugin(row->library, directories);
      if (path.empty()) {
        std::string where;
        for (const std::string& d : directories) where += "\n  " + d;
        std::fprintf(stderr, "fwhost: the %s plug-in (%s%s) is not in any of:%s\n", row->title, row->library,
                     platform::LibrarySuffix(), where.c_str());
        return kExitFailure;
      }
    }
    if (!library.open(path, &error)) {
      std::fprintf(stderr, "fwhost: %s: %s\n", path.c_str(), error.c_str());
      return byPath ? kExitUsage : kExitFailure;
    }
    exports = library.exports();
  }

  // The built-in effect always starts from its built-in settings.
  PrivateSettingsDirectory privateSettings;
  if ((plan.fresh || builtIn) && !privateSettings.open(&error)) {
    std::fprintf(stderr, "fwhost: %s\n", error.c_str());
    return kExitFailure;
  }

  ProgressDisplay display(stderr, plan.quiet           ? ProgressDisplay::Mode::Quiet
                                  : IsTerminal(stderr) ? ProgressDisplay::Mode::Terminal
                                                       : ProgressDisplay::Mode::Lines);
  HostService service(display);
  service.selections = plan.selections;
  service.colours = plan.colours;
  service.clipboardFile = plan.clipboardFile;
  SessionResult session = RunPluginSession(exports, service, plan);
  display.clear();

  if (session.dialogResult < 0 && !session.error.empty()) {
    std::fprintf(stderr, "fwhost: the dialog refused an action: %s\n", session.error.c_str());
    return kExitUsage;
  }
  if (service.deliveries().empty()) {
    std::fprintf(stderr, "fwhost: no animation was delivered%s\n",
                 service.messageCount() ? " (see the message above)" : "");
    return kExitFailure;
  }
  const Delivery& delivery = service.deliveries().back();
  bool ok = true;
  if (!plan.capture.empty() && !WriteCaptureFile(delivery, plan.capture, &error)) {
    std::fprintf(stderr, "fwhost: %s: %s\n", plan.capture.c_str(), error.c_str());
    ok = false;
  }
  std::string written;
  if (!plan.output.empty()) ok = WriteAnimation(delivery, plan.output, &written) && ok;
  if (!plan.quiet) {
    std::fprintf(stderr, "%s: %lu frames, %d x %d, %d-bit palette%s", delivery.test ? "Test" : "OK",
                 static_cast<unsigned long>(delivery.frames.size()), delivery.width, delivery.height, delivery.bits,
                 written.empty() ? "" : " -> ");
    if (!written.empty()) std::fprintf(stderr, "%s (%ld bytes)", written.c_str(), FileSize(written));
    std::fprintf(stderr, "\n");
  }
  if (plan.output.empty() && plan.capture.empty())
    std::fprintf(stderr, "fwhost: nothing written: give -o OUTPUT.gif\n");
  if (service.messageCount()) {
    std::fprintf(stderr, "fwhost: the plug-in reported a problem (see above)\n");
    ok = false;
  }
  return ok ? 0 : kExitFailure;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> words(argv + 1, argv + argc);
  if (words.empty() || words[0] == "--help" || words[0] == "-h" || words[0] == "help") {
    PrintUsage(words.empty() ? stderr : stdout);
    return words.empty() ? kExitUsage : 0;
  }
  std::string command = words[0];
  words.erase(words.begin());
  if (command == "list") return ListPlugins(words);
  if (!command.empty() && command[0] == '-') {
    std::fprintf(stderr, "fwhost: the first word is the effect (see fwhost --help)\n");
    return kExitUsage;
  }
  return RunEffect(command, words);
}
