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
#include <memory>
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
#include "host/composed_frames.h"
#include "host/quality_gif.h"
#ifdef KESTREL_HAVE_WEBP
#include "host/webp_file.h"
#endif
#include "host/selection_buffer.h"
#include "platform/library.h"
#include "platform/manual_page.h"
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
                      "fwhost EFFECT --help\nfwhost --version\nfwhost --manual",
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
  sections.push_back({"DRIVING ANY CONTROL", "Controls named by their ids in the effect's dialog.", CommonOptionEntries(true)});
  sections.push_back({"ENVIRONMENT",
                      "",
                      {{"FWHOST_PLUGIN_PATH", "directories to look for plug-ins in, after --plugin-dir"},
                       {kThreadsVariable, "the builds' thread count when --threads is not given"}}});
  sections.push_back({"EXIT STATUS", "0 the animation was written; 1 the build or the writing failed; 2 a mistake in "
                                     "what was asked, found before any work.", {}});
  return manual::Page("fwhost", "run animation-effect plug-ins from the command line", sections);
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

// The writers of the output kinds, one row each. A writer returns false with the reason;
// what became of the file is said by the caller.
struct OutputWriter {
  OutputKind kind;
  bool (*write)(const Delivery& delivery, const RunPlan& plan, const ByteSink& sink, std::string* error);
};

bool WriteGif(const Delivery& delivered, const RunPlan& plan, const ByteSink& sink, std::string* error) {
  // With --quality the host makes the GIF's colours itself from the true-colour frames.
  Delivery reduced;
  if (plan.quality && !MakeQualityDelivery(delivered, QualityGifOptions{plan.qualityDither}, &reduced, error))
    return false;
  const Delivery& delivery = plan.quality ? reduced : delivered;
  if (!GifCanHold(delivery)) {
    *error = "a true-colour frame shows more than 256 colours, more than a GIF frame holds (name the output .png "
             "for an animated PNG)";
    return false;
  }
  return WriteGifAnimation(delivery, sink, error, BuildThreadCount(), plan.plays);
}

bool WritePng(const Delivery& delivery, const RunPlan& plan, const ByteSink& sink, std::string* error) {
  return WriteApngAnimation(delivery, sink, error, BuildThreadCount(), plan.plays);
}

#ifdef KESTREL_HAVE_WEBP
bool WriteWebp(const Delivery& delivery, const RunPlan& plan, const ByteSink& sink, std::string* error) {
  return WriteWebpAnimation(delivery, WebpOptions{plan.webpQuality, plan.plays}, sink, error);
}
#endif

const OutputWriter kWriters[] = {
    {OutputKind::Gif, &WriteGif},
    {OutputKind::Png, &WritePng},
#ifdef KESTREL_HAVE_WEBP
    {OutputKind::Webp, &WriteWebp},
#endif
};

// Writes the animation into the prepared output file and gives it its name.
bool WriteAnimation(const Delivery& delivery, const RunPlan& plan, OutputKind kind, OutputFile& file,
                    std::string* error) {
  for (const OutputWriter& writer : kWriters)
    if (writer.kind == kind) return writer.write(delivery, plan, file.sink(), error) && file.commit(error);
  *error = "this build has no writer for it";
  return false;
}

// What became of an output that could not be written, after the reason.
std::string WhatWasWritten(const RunPlan& plan, const OutputFile& file) {
  if (plan.output != "-") return "nothing was written, an earlier file of that name is kept";
  if (file.bytesWritten() == 0) return "nothing was written";
  return std::to_string(file.bytesWritten()) + " bytes had gone out to standard output";
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

// One run of an effect, phase by phase: resolve what was named, check it before any
// work, prepare the outputs, run the plug-in's dialog, write and report. Each phase
// returns kGoOn or the exit status to end with.
class EffectRun {
 public:
  static constexpr int kGoOn = -1;

  EffectRun() = default;
  ~EffectRun() {
    for (auto& [path, image] : decoded_) FreeDibImage(image);
  }
  EffectRun(const EffectRun&) = delete;
  EffectRun& operator=(const EffectRun&) = delete;

  int resolve(const std::string& effect, const std::vector<std::string>& words);
  int check();
  int prepareOutputs();
  int run();
  int report();

 private:
  std::string effect_;
  const EffectRow* row_ = nullptr;
  bool byPath_ = false;
  bool builtIn_ = false;
  RunPlan plan_;
  PluginLibrary library_;
  PluginExports exports_;
  std::string settingsName_;
  OutputKind kind_ = OutputKind::Refused;
  std::vector<PictureSize> sizes_;
  std::map<std::string, DibImage> decoded_;  // handed to the run, which takes them as asked
  std::map<std::string, PictureFrames> decodedFrames_;  // the same for the built-in Frames: every frame
  uint64_t frameBudget_ = UINT64_MAX;  // the memory the frames of animations may take
  OutputFile output_, capture_;
  PrivateSettingsDirectory privateSettings_;
  std::unique_ptr<ProgressDisplay> display_;
  std::unique_ptr<HostService> service_;
  SessionResult session_;
};

// The effect or library named, the options parsed, the plug-in found and loaded.
int EffectRun::resolve(const std::string& effect, const std::vector<std::string>& words) {
  effect_ = effect;
  row_ = FindEffectRow(effect.c_str());
  byPath_ = !row_;
  if (byPath_) {
    std::error_code failure;
    if (!LooksLikePath(effect) && !std::filesystem::exists(effect, failure)) return UnknownEffect(effect);
    if (!EndsWith(effect, platform::LibrarySuffix())) {
      // A picture, most likely, where the effect belongs.
      std::string names;
      size_t count = 0;
      const EffectRow* rows = EffectRows(&count);
      for (size_t i = 0; i < count; ++i) names += std::string(i ? ", " : "") + rows[i].name;
      std::fprintf(stderr,
                   "fwhost: the first word is the effect, and %s is not one: write fwhost EFFECT %s ... "
                   "(effects: %s)\n",
                   effect.c_str(), effect.c_str(), names.c_str());
      return kExitUsage;
    }
    row_ = RowOfLibrary(effect);
    if (!row_) row_ = &GenericEffectRow();
  }
  std::string error;
  if (!ParseRunOptions(*row_, words, &plan_, &error)) {
    std::fprintf(stderr, "fwhost: %s\n", error.c_str());
    return kExitUsage;
  }
  for (const std::string& warning : plan_.warnings) std::fprintf(stderr, "fwhost: note: %s\n", warning.c_str());
  if (plan_.help) {
    if (row_ == &GenericEffectRow()) PrintCommonHelp(stdout);
    else PrintEffectHelp(*row_, stdout);
    return 0;
  }
  if (!CanShowDialogs()) {
    std::fprintf(stderr, "fwhost: the plug-in's dialog needs a display, and none can be opened here (under Wine, "
                         "set DISPLAY or run inside xvfb-run); nothing was done\n");
    return kExitUsage;
  }
  std::error_code failure;
  if (!plan_.pluginDirectory.empty() && !std::filesystem::is_directory(plan_.pluginDirectory, failure)) {
    std::fprintf(stderr, "fwhost: --plugin-dir %s: no such directory\n", plan_.pluginDirectory.c_str());
    return kExitUsage;
  }
  // The host's own work (decoding, writing) uses the run's thread count too.
  if (plan_.threads > 0) SetSessionThreadCount(plan_.threads);
  builtIn_ = !byPath_ && !row_->library;
  settingsName_ = SettingsFileNameOf(byPath_ ? effect : builtIn_ ? "" : row_->library);
  if (plan_.forget && !settingsName_.empty()) ForgetSettings(SettingsFilePath(settingsName_.c_str()));
  if (plan_.output.empty() && plan_.capture.empty()) {
    if (plan_.forget) return 0;
    std::fprintf(stderr, "fwhost: give the output: -o NAME.gif, -o NAME.png, or -o - for standard output\n");
    return kExitUsage;
  }
  if (plan_.output == "-" && IsTerminal(stdout)) {
    std::fprintf(stderr, "fwhost: -o - writes the animation's bytes to standard output, which is a terminal here; "
                         "redirect it to a file (> out.gif) or a program (| ...)\n");
    return kExitUsage;
  }
  if (builtIn_) {
    exports_ = BuiltInExports();
    if (exports_.entryPoint) exports_.entryPoint(nullptr, kProcessAttach, nullptr);
    return kGoOn;
  }
  std::string path = effect;
  if (!byPath_) {
    std::vector<std::string> directories = PluginDirectories(plan_.pluginDirectory);
    path = LocatePlugin(row_->library, directories);
    if (path.empty()) {
      std::string where;
      for (const std::string& d : directories) where += "\n  " + d;
      std::fprintf(stderr, "fwhost: the %s plug-in (%s%s) is not installed in any of:%s\n", row_->title, row_->library,
                   platform::LibrarySuffix(), where.c_str());
      return kExitFailure;
    }
  }
  if (!library_.open(path, &error)) {
    std::fprintf(stderr, "fwhost: %s: %s\n", path.c_str(), error.c_str());
    return byPath_ ? kExitUsage : kExitFailure;
  }
  exports_ = library_.exports();
  return kGoOn;
}

// Everything the user named, checked before any work: the output names, the pictures
// (decoded once and kept for the run) and the memory the build needs.
int EffectRun::check() {
  std::string error = CheckOutputNames(plan_);
  if (!error.empty()) {
    std::fprintf(stderr, "fwhost: %s\n", error.c_str());
    return kExitUsage;
  }
  if (!plan_.output.empty()) kind_ = OutputKindOf(plan_.output, &error);
  std::vector<std::string> problems;
  // The frames of animations may take at most the memory the run may use.
  const uint64_t memoryLimit = plan_.maxMemory ? plan_.maxMemory : AvailableMemory();
  frameBudget_ = memoryLimit ? memoryLimit : UINT64_MAX;
  if (builtIn_) CheckPictureFrames(plan_.pictures, frameBudget_, &sizes_, &problems, &decodedFrames_);
  else CheckPictureFiles(plan_.pictures, &sizes_, &problems, &decoded_);
  for (const std::string& problem : problems) std::fprintf(stderr, "fwhost: %s\n", problem.c_str());
  if (!problems.empty() && !plan_.keepGoing) {
    std::fprintf(stderr, "fwhost: nothing was done; --keep-going hands unreadable pictures to the plug-in, which "
                         "skips them\n");
    return kExitUsage;
  }
  if (!builtIn_) {
    std::string refusal = CheckPictureSizes(*row_, plan_, decoded_);
    if (!refusal.empty()) {
      std::fprintf(stderr, "fwhost: %s; nothing was done\n", refusal.c_str());
      return kExitUsage;
    }
  }
  size_t frameCount = 0;  // each press of Add adds every frame of its file
  for (const std::string& path : plan_.pictures) {
    auto found = decodedFrames_.find(path);
    if (found != decodedFrames_.end()) frameCount += found->second.size();
  }
  if (builtIn_ && problems.empty() && frameCount < 2) {
    std::fprintf(stderr, "fwhost: %s needs at least two frames: two pictures or more, or an animated GIF or WebP; "
                         "nothing was done\n", kFramesEffectName);
    return kExitUsage;
  }
  MemoryEstimate estimate;
  if (EstimateBuildMemory(*row_, plan_, sizes_, &estimate)) {
    uint64_t limit = plan_.maxMemory ? plan_.maxMemory : AvailableMemory();
    if (limit && estimate.bytes > limit) {
      std::fprintf(stderr, "fwhost: %s\n",
                   ExplainTooLarge(*row_, plan_, sizes_, estimate, limit, plan_.maxMemory != 0).c_str());
      return kExitUsage;
    }
    std::string note = LargeOutputNote(plan_, estimate);
    if (!note.empty() && !plan_.quiet) std::fprintf(stderr, "fwhost: note: %s\n", note.c_str());
  }
  return kGoOn;
}

// The temporary output files are made now, so that a directory that cannot be written
// is found before the build; then the settings directory of the run.
int EffectRun::prepareOutputs() {
  std::string error;
  for (auto [file, name, option] :
       {std::tuple{&output_, &plan_.output, "-o"}, {&capture_, &plan_.capture, "--capture"}}) {
    if (!name->empty() && !file->open(*name, &error)) {
      std::fprintf(stderr, "fwhost: %s %s: %s\n", option, name->c_str(), error.c_str());
      return kExitUsage;
    }
  }
  // Without --remember the plug-in starts from its built-in settings and keeps none:
  // its settings files go to a private directory removed afterwards.
  if (!plan_.remember || builtIn_) {
    if (!privateSettings_.open(&error)) {
      std::fprintf(stderr, "fwhost: %s\n", error.c_str());
      return kExitFailure;
    }
  } else if (!settingsName_.empty()) {
    std::string saved = SettingsFilePath(settingsName_.c_str());
    std::error_code failure;
    if (std::filesystem::exists(saved, failure))
      std::fprintf(stderr, "fwhost: starting from the saved settings in %s (--forget deletes them)\n", saved.c_str());
  }
  return kGoOn;
}

// The plug-in's dialog, driven by the plan; the host answers its requests.
int EffectRun::run() {
  display_ = std::make_unique<ProgressDisplay>(stderr, plan_.quiet           ? ProgressDisplay::Mode::Quiet
                                                        : IsTerminal(stderr) ? ProgressDisplay::Mode::Terminal
                                                                             : ProgressDisplay::Mode::Lines);
  service_ = std::make_unique<HostService>(*display_);
  service_->selections = plan_.selections;
  service_->colours = plan_.colours;
  service_->clipboardFile = plan_.clipboardFile;
  service_->fitWidth = plan_.fitWidth;
  service_->fitHeight = plan_.fitHeight;
  for (const std::string& path : plan_.pictures)
    if (!decoded_.count(path) && !decodedFrames_.count(path)) service_->reported.insert(path);
  service_->preloaded.swap(decoded_);
  service_->preloadedFrames.swap(decodedFrames_);
  service_->keepFileDelays = !plan_.delayGiven;
  service_->frameBudget = frameBudget_;
  session_ = RunPluginSession(exports_, *service_, plan_, privateSettings_);
  display_->clear();
  if (session_.dialogResult < 0 && session_.refusal.refused()) {
    std::fprintf(stderr, "fwhost: %s; nothing was written\n", ExplainRefusedAction(*row_, plan_, session_.refusal).c_str());
    return kExitUsage;
  }
  if (service_->deliveries().empty()) {
    std::fprintf(stderr, "fwhost: no animation was delivered%s; nothing was written\n",
                 service_->messageCount() ? " (see the message above)" : "");
    return kExitFailure;
  }
  return kGoOn;
}

// The delivery written to the capture and the output, and the summary.
int EffectRun::report() {
  Delivery& delivery = service_->lastDelivery();
  std::string error;
  bool ok = true;
  if (capture_.isOpen()) {
    WriteCapture(delivery, capture_.stream());
    if (!capture_.commit(&error)) {
      std::fprintf(stderr, "fwhost: --capture %s: %s\n", plan_.capture.c_str(), error.c_str());
      ok = false;
    }
  }
  FramePicture first;
  const bool trueColour =
      !delivery.frames.empty() && ReadFramePicture(delivery.frames[0].bitmap, &first) && first.bits == 24;
  const size_t frameCount = delivery.frames.size();
  bool written = false;
  if (output_.isOpen()) {
    written = (!plan_.frame || KeepOneFrame(&delivery, static_cast<size_t>(plan_.frame), &error)) &&
              WriteAnimation(delivery, plan_, kind_, output_, &error);
    if (!written)
      std::fprintf(stderr, "fwhost: %s: %s; %s\n", plan_.output.c_str(), error.c_str(),
                   WhatWasWritten(plan_, output_).c_str());
    ok = written && ok;
  }
  // The summary says OK (or Test) only of an animation that was written.
  if (!plan_.quiet && (written || plan_.output.empty())) {
    std::string colours = trueColour ? "true colour (24-bit frames)" : std::to_string(delivery.bits) + "-bit palette";
    if (trueColour && plan_.quality && kind_ == OutputKind::Gif) colours += ", colours reduced by fwhost";
    std::string frames = std::to_string(frameCount) + " frames";
    if (plan_.frame && written) frames = "frame " + std::to_string(plan_.frame) + " of " + frames;
    std::fprintf(stderr, "%s: %s, %d x %d, %s", delivery.test ? "Test" : "OK", frames.c_str(), delivery.width,
                 delivery.height, colours.c_str());
    if (written && plan_.output == "-") std::fprintf(stderr, " -> standard output");
    else if (written) std::fprintf(stderr, " -> %s (%ld bytes)", plan_.output.c_str(), FileSize(plan_.output));
    std::fprintf(stderr, "\n");
  }
  if (service_->messageCount()) {
    std::fprintf(stderr, "fwhost: the plug-in reported a problem (see above)\n");
    ok = false;
  }
  return ok ? 0 : kExitFailure;
}

int RunEffect(const std::string& effect, const std::vector<std::string>& words) {
  EffectRun run;
  int status = run.resolve(effect, words);
  if (status == EffectRun::kGoOn) status = run.check();
  if (status == EffectRun::kGoOn) status = run.prepareOutputs();
  if (status == EffectRun::kGoOn) status = run.run();
  return status == EffectRun::kGoOn ? run.report() : status;
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
  return RunEffect(command, words);
}
