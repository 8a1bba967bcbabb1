// fwhost: the substitute host. Lists the plug-ins it finds, runs one plug-in's dialog
// from the command line and writes the animation it delivers.
//
//   fwhost list [--plugin-dir DIR]
//   fwhost EFFECT [PICTURES...] [OPTIONS...] -o OUTPUT.gif
//   fwhost EFFECT --help
#include <cctype>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "framework/parallel.h"
#include "host/capture_file.h"
#include "host/command_line.h"
#include "host/effect_table.h"
#include "host/gif_file.h"
#include "framework/settings_file.h"
#include "host/exit_cleanup.h"
#include "host/host_platform.h"
#include "host/host_service.h"
#include "host/memory_estimate.h"
#include "host/output_file.h"
#include "host/plugin_library.h"
#include "host/plugin_session.h"
#include "host/png_file.h"
#include "host/preflight.h"
#include "host/quality_gif.h"
#ifdef KESTREL_HAVE_WEBP
#include "host/webp_file.h"
#endif
#include "host/selection_buffer.h"
#include "platform/library.h"
#include "platform/memory.h"

namespace {

constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

// The version of the host, shown by --version.
constexpr const char* kFwhostVersion = "1.0";

void PrintUsage(std::FILE* out) {
  std::fprintf(out,
               "usage: fwhost list [--plugin-dir DIR]\n"
               "       fwhost EFFECT [PICTURES...] [OPTIONS...] -o OUTPUT.gif\n"
               "       fwhost EFFECT --help\n"
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
  std::fprintf(out, "\nPlug-ins are looked for in --plugin-dir, $FWHOST_PLUGIN_PATH and the directory of fwhost.\n"
                    "Every run starts from the plug-in's built-in settings and leaves no settings file;\n"
                    "--remember starts from the saved ones and saves the run's, as the editor does.\n"
                    "The output is written whole or not at all; pictures and names are checked first.\n");
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

bool EndsWith(std::string text, const char* suffix) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  size_t n = std::strlen(suffix);
  return text.size() >= n && text.compare(text.size() - n, n, suffix) == 0;
}

// Writes the animation into the prepared output file and gives it its name. With
// --quality the host makes the GIF's colours itself from the true-colour frames.
bool WriteAnimation(const Delivery& delivered, const RunPlan& plan, OutputKind kind, OutputFile& file,
                    std::string* error) {
  bool ok = false;
  const Delivery* chosen = &delivered;
  Delivery reduced;
  if (kind == OutputKind::Gif && plan.quality) {
    if (!MakeQualityDelivery(delivered, QualityGifOptions{plan.qualityDither}, &reduced, error)) return false;
    chosen = &reduced;
  }
  const Delivery& delivery = *chosen;
#ifdef KESTREL_HAVE_WEBP
  if (kind == OutputKind::Webp) ok = WriteWebpAnimation(delivery, WebpOptions{plan.webpQuality}, file.sink(), error);
#endif
  if (kind == OutputKind::Gif) {
    if (!GifCanHold(delivery)) {
      *error = "a true-colour frame shows more than 256 colours, more than a GIF frame holds; nothing was written. "
               "Name the output .png for an animated PNG";
      return false;
    }
    ok = WriteGifAnimation(delivery, file.sink(), error, BuildThreadCount());
  }
  if (kind == OutputKind::Png) ok = WriteApngAnimation(delivery, file.sink(), error, BuildThreadCount());
  return ok && file.commit(error);
}

long FileSize(const std::string& path) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (!file) return -1;
  std::fseek(file, 0, SEEK_END);
  long size = std::ftell(file);
  std::fclose(file);
  return size;
}

// True when the word names a library file rather than an effect.
bool LooksLikePath(const std::string& word) {
  return word.find_first_of("/\\") != std::string::npos || EndsWith(word, platform::LibrarySuffix());
}

int UnknownEffect(const std::string& word) {
  std::string suggestion = ClosestEffectName(word);
  std::fprintf(stderr, "fwhost: unknown effect '%s'%s; fwhost --help lists the effects\n", word.c_str(),
               suggestion.empty() ? "" : (" (did you mean " + suggestion + "?)").c_str());
  return kExitUsage;
}

// Deletes the plug-in's saved settings (--forget).
void ForgetSettings(const std::string& path) {
  std::error_code failure;
  if (std::filesystem::remove(path, failure))
    std::fprintf(stderr, "fwhost: deleted the saved settings %s\n", path.c_str());
  else if (failure)
    std::fprintf(stderr, "fwhost: %s: cannot be deleted (%s)\n", path.c_str(), failure.message().c_str());
  else
    std::fprintf(stderr, "fwhost: no saved settings at %s\n", path.c_str());
}

int RunEffect(const std::string& effect, const std::vector<std::string>& words) {
  const EffectRow* row = FindEffectRow(effect.c_str());
  bool byPath = !row;
  if (byPath) {
    std::error_code failure;
    if (!LooksLikePath(effect) && !std::filesystem::exists(effect, failure)) return UnknownEffect(effect);
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
  if (!CanShowDialogs()) {
    std::fprintf(stderr, "fwhost: the plug-in's dialog needs a display, and none can be opened here (under Wine, "
                         "set DISPLAY or run inside xvfb-run); nothing was done\n");
    return kExitUsage;
  }
  std::error_code failure;
  if (!plan.pluginDirectory.empty() && !std::filesystem::is_directory(plan.pluginDirectory, failure)) {
    std::fprintf(stderr, "fwhost: --plugin-dir %s: no such directory\n", plan.pluginDirectory.c_str());
    return kExitUsage;
  }

  // The plug-ins read their thread count from the environment.
  if (plan.threads > 0) platform::WriteEnvironment(kThreadsVariable, std::to_string(plan.threads).c_str());

  // Everything the user named is checked before any work.
  const bool builtIn = !byPath && !row->library;
  std::string settingsName = SettingsFileNameOf(byPath ? effect : builtIn ? "" : row->library);
  if (plan.forget && !settingsName.empty()) ForgetSettings(SettingsFilePath(settingsName.c_str()));
  if (plan.output.empty() && plan.capture.empty()) {
    if (plan.forget) return 0;
    std::fprintf(stderr, "fwhost: give the output: -o NAME.gif, -o NAME.png, or -o - for standard output\n");
    return kExitUsage;
  }
  PluginLibrary library;
  PluginExports exports;
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
        std::fprintf(stderr, "fwhost: the %s plug-in (%s%s) is not installed in any of:%s\n", row->title, row->library,
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

  error = CheckOutputNames(plan);
  if (!error.empty()) {
    std::fprintf(stderr, "fwhost: %s\n", error.c_str());
    return kExitUsage;
  }
  OutputKind kind = OutputKind::Refused;
  if (!plan.output.empty()) kind = OutputKindOf(plan.output, &error);
  std::vector<PictureSize> sizes;
  std::vector<std::string> problems;
  std::map<std::string, DibImage> decoded;  // handed to the run, which takes them as asked
  std::map<std::string, PictureFrames> decodedFrames;  // the same for the built-in Frames: every frame
  // The frames of animations may take at most the memory the run may use.
  const uint64_t memoryLimit = plan.maxMemory ? plan.maxMemory : AvailableMemory();
  const uint64_t frameBudget = memoryLimit ? memoryLimit : UINT64_MAX;
  if (builtIn) CheckPictureFrames(plan.pictures, frameBudget, &sizes, &problems, &decodedFrames);
  else CheckPictureFiles(plan.pictures, &sizes, &problems, &decoded);
  struct FreeUnused {
    std::map<std::string, DibImage>& pictures;
    ~FreeUnused() {
      for (auto& [path, image] : pictures) FreeDibImage(image);
    }
  } freeUnused{decoded};
  for (const std::string& problem : problems) std::fprintf(stderr, "fwhost: %s\n", problem.c_str());
  if (!problems.empty() && !plan.keepGoing) {
    std::fprintf(stderr, "fwhost: nothing was done; --keep-going hands unreadable pictures to the plug-in, which "
                         "skips them\n");
    return kExitUsage;
  }
  size_t frameCount = 0;  // each press of Add adds every frame of its file
  for (const std::string& path : plan.pictures) {
    auto found = decodedFrames.find(path);
    if (found != decodedFrames.end()) frameCount += found->second.size();
  }
  if (builtIn && problems.empty() && frameCount < 2) {
    std::fprintf(stderr, "fwhost: %s needs at least two frames: two pictures or more, or an animated GIF or WebP; "
                         "nothing was done\n", kFramesEffectName);
    return kExitUsage;
  }
  MemoryEstimate estimate;
  if (EstimateBuildMemory(*row, plan, sizes, &estimate)) {
    uint64_t limit = plan.maxMemory ? plan.maxMemory : AvailableMemory();
    if (limit && estimate.bytes > limit) {
      std::fprintf(stderr, "fwhost: %s\n",
                   ExplainTooLarge(*row, plan, sizes, estimate, limit, plan.maxMemory != 0).c_str());
      return kExitUsage;
    }
  }
  // The temporary files are made now: a directory that cannot be written is found here.
  OutputFile output, capture;
  for (auto [file, name, option] : {std::tuple{&output, &plan.output, "-o"}, {&capture, &plan.capture, "--capture"}}) {
    if (!name->empty() && !file->open(*name, &error)) {
      std::fprintf(stderr, "fwhost: %s %s: %s\n", option, name->c_str(), error.c_str());
      return kExitUsage;
    }
  }


  // Without --remember the plug-in starts from its built-in settings and keeps none:
  // its settings files go to a private directory removed afterwards.
  PrivateSettingsDirectory privateSettings;
  if (!plan.remember || builtIn) {
    if (!privateSettings.open(&error)) {
      std::fprintf(stderr, "fwhost: %s\n", error.c_str());
      return kExitFailure;
    }
  } else if (!settingsName.empty()) {
    std::string saved = SettingsFilePath(settingsName.c_str());
    if (std::filesystem::exists(saved, failure))
      std::fprintf(stderr, "fwhost: starting from the saved settings in %s (--forget deletes them)\n", saved.c_str());
  }

  ProgressDisplay display(stderr, plan.quiet           ? ProgressDisplay::Mode::Quiet
                                  : IsTerminal(stderr) ? ProgressDisplay::Mode::Terminal
                                                       : ProgressDisplay::Mode::Lines);
  HostService service(display);
  service.selections = plan.selections;
  service.colours = plan.colours;
  service.clipboardFile = plan.clipboardFile;
  service.fitWidth = plan.fitWidth;
  service.fitHeight = plan.fitHeight;
  service.preloaded.swap(decoded);
  service.preloadedFrames.swap(decodedFrames);
  service.keepFileDelays = !plan.delayGiven;
  service.frameBudget = frameBudget;
  SessionResult session = RunPluginSession(exports, service, plan);
  display.clear();

  if (session.dialogResult < 0 && !session.error.empty()) {
    std::fprintf(stderr, "fwhost: %s; nothing was written\n", ExplainRefusedAction(*row, plan, session.error).c_str());
    return kExitUsage;
  }
  if (service.deliveries().empty()) {
    std::fprintf(stderr, "fwhost: no animation was delivered%s; nothing was written\n",
                 service.messageCount() ? " (see the message above)" : "");
    return kExitFailure;
  }
  const Delivery& delivery = service.deliveries().back();
  bool ok = true;
  if (capture.isOpen()) {
    WriteCapture(delivery, capture.stream());
    if (!capture.commit(&error)) {
      std::fprintf(stderr, "fwhost: --capture %s: %s\n", plan.capture.c_str(), error.c_str());
      ok = false;
    }
  }
  bool written = false;
  if (output.isOpen()) {
    written = WriteAnimation(delivery, plan, kind, output, &error);
    if (!written) {
      if (error.find("nothing was written") == std::string::npos)
        error += "; nothing was written" + std::string(plan.output == "-" ? "" : ", an earlier file of that name is kept");
      std::fprintf(stderr, "fwhost: %s: %s\n", plan.output.c_str(), error.c_str());
    }
    ok = written && ok;
  }
  // The summary says OK (or Test) only of an animation that was written.
  if (!plan.quiet && (written || !output.isOpen())) {
    FramePicture first;
    bool trueColour = !delivery.frames.empty() && ReadFramePicture(delivery.frames[0].bitmap, &first) && first.bits == 24;
    std::string colours = trueColour ? "true colour (24-bit frames)" : std::to_string(delivery.bits) + "-bit palette";
    if (trueColour && plan.quality && kind == OutputKind::Gif) colours += ", colours reduced by fwhost";
    std::fprintf(stderr, "%s: %lu frames, %d x %d, %s", delivery.test ? "Test" : "OK",
                 static_cast<unsigned long>(delivery.frames.size()), delivery.width, delivery.height, colours.c_str());
    if (written && plan.output == "-") std::fprintf(stderr, " -> standard output");
    else if (written) std::fprintf(stderr, " -> %s (%ld bytes)", plan.output.c_str(), FileSize(plan.output));
    std::fprintf(stderr, "\n");
  }
  if (service.messageCount()) {
    std::fprintf(stderr, "fwhost: the plug-in reported a problem (see above)\n");
    ok = false;
  }
  return ok ? 0 : kExitFailure;
}

}  // namespace

int main(int argc, char** argv) {
  platform::UseLargePagesForHeap(argv);
  InstallExitCleanup();
  std::vector<std::string> words(argv + 1, argv + argc);
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
  return RunEffect(command, words);
}
