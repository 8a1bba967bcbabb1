#include "host/effect_run.h"

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
#include "framework/settings_file.h"
#include "host/capture_file.h"
#include "host/command_line.h"
#include "host/dialog_controls.h"
#include "host/gif_file.h"
#include "host/host_platform.h"
#include "host/host_service.h"
#include "host/memory_estimate.h"
#include "host/output_file.h"
#include "host/picture_file.h"
#include "host/plugin_library.h"
#include "host/plugin_session.h"
#include "host/composed_frames.h"
#include "host/png_file.h"
#include "host/preflight.h"
#include "host/quality_gif.h"
#include "host/selection_buffer.h"
#ifdef KESTREL_HAVE_WEBP
#include "host/webp_file.h"
#endif
#include "platform/library.h"

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

namespace {

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

bool WriteGif(const Delivery& delivery, const RunPlan& plan, const ByteSink& sink, std::string* error) {
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
// With --quality the host first makes the frames' colours itself from the true-colour
// frames; every kind of output then holds those frames.
bool WriteAnimation(const Delivery& delivered, const RunPlan& plan, OutputKind kind, OutputFile& file,
                    std::string* error) {
  Delivery reduced;
  if (plan.quality &&
      !MakeQualityDelivery(delivered, QualityGifOptions{plan.qualityDither, plan.qualityLevel, BuildThreadCount()},
                           &reduced, error))
    return false;
  const Delivery& delivery = plan.quality ? reduced : delivered;
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

int UnknownEffect(const std::string& word, std::FILE* err) {
  std::string suggestion = ClosestEffectName(word);
  std::fprintf(err, "fwhost: unknown effect '%s'%s; fwhost --help lists the effects\n", word.c_str(),
               suggestion.empty() ? "" : (" (did you mean " + suggestion + "?)").c_str());
  return kExitUsage;
}

// Deletes the plug-in's saved settings (--forget).
void ForgetSettings(const std::string& path, std::FILE* err) {
  std::error_code failure;
  if (std::filesystem::remove(path, failure))
    std::fprintf(err, "fwhost: deleted the saved settings %s\n", path.c_str());
  else if (failure)
    std::fprintf(err, "fwhost: %s: cannot be deleted (%s)\n", path.c_str(), failure.message().c_str());
  else
    std::fprintf(err, "fwhost: no saved settings at %s\n", path.c_str());
}

// One run of an effect, phase by phase: resolve what was named, check it before any
// work, prepare the outputs, run the plug-in's dialog, write and report. Each phase
// returns kGoOn or the exit status to end with.
class EffectRun {
 public:
  static constexpr int kGoOn = -1;

  explicit EffectRun(const RunHooks& hooks) : hooks_(hooks), err_(hooks.messages ? hooks.messages : stderr) {}
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
  // The dialog's state, for RunHooks::dialogStateOnly.
  int keepDialogState();

  RunOutcome outcome;

 private:
  const RunHooks& hooks_;
  std::FILE* err_;
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
    if (!LooksLikePath(effect) && !std::filesystem::exists(effect, failure)) return UnknownEffect(effect, err_);
    if (!EndsWith(effect, platform::LibrarySuffix())) {
      // A picture, most likely, where the effect belongs.
      std::string names;
      size_t count = 0;
      const EffectRow* rows = EffectRows(&count);
      for (size_t i = 0; i < count; ++i) names += std::string(i ? ", " : "") + rows[i].name;
      std::fprintf(err_,
                   "fwhost: the first word is the effect, and %s is not one: write fwhost EFFECT %s ... "
                   "(effects: %s)\n",
                   effect.c_str(), effect.c_str(), names.c_str());
      return kExitUsage;
    }
    row_ = RowOfLibrary(effect);
    if (!row_) row_ = &GenericEffectRow();
  }
  std::string error;
  plan_.dialogOnly = hooks_.dialogStateOnly;
  if (!ParseRunOptions(*row_, words, &plan_, &error)) {
    std::fprintf(err_, "fwhost: %s\n", error.c_str());
    return kExitUsage;
  }
  if (plan_.dialogOnly) {  // no OK: the dialog stays open for its state
    plan_.actions.pop_back();
    plan_.origins.pop_back();
  }
  for (const std::string& warning : plan_.warnings) std::fprintf(err_, "fwhost: note: %s\n", warning.c_str());
  if (plan_.help) {
    if (row_ == &GenericEffectRow()) PrintCommonHelp(stdout);
    else PrintEffectHelp(*row_, stdout);
    return 0;
  }
  if (!CanShowDialogs()) {
    std::fprintf(err_, "fwhost: the plug-in's dialog needs a display, and none can be opened here (under Wine, "
                         "set DISPLAY or run inside xvfb-run); nothing was done\n");
    return kExitUsage;
  }
  std::error_code failure;
  if (!plan_.pluginDirectory.empty() && !std::filesystem::is_directory(plan_.pluginDirectory, failure)) {
    std::fprintf(err_, "fwhost: --plugin-dir %s: no such directory\n", plan_.pluginDirectory.c_str());
    return kExitUsage;
  }
  // The host's own work (decoding, writing) uses the run's thread count too.
  if (plan_.threads > 0) SetSessionThreadCount(plan_.threads);
  builtIn_ = !byPath_ && !row_->library;
  settingsName_ = SettingsFileNameOf(byPath_ ? effect : builtIn_ ? "" : row_->library);
  if (plan_.forget && !settingsName_.empty()) ForgetSettings(SettingsFilePath(settingsName_.c_str()), err_);
  if (plan_.output.empty() && plan_.capture.empty() && !plan_.dialogOnly) {
    if (plan_.forget) return 0;
    std::fprintf(err_, "fwhost: give the output: -o NAME.gif, -o NAME.png, or -o - for standard output\n");
    return kExitUsage;
  }
  if (plan_.output == "-" && IsTerminal(stdout)) {
    std::fprintf(err_, "fwhost: -o - writes the animation's bytes to standard output, which is a terminal here; "
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
      std::fprintf(err_, "fwhost: the %s plug-in (%s%s) is not installed in any of:%s\n", row_->title, row_->library,
                   platform::LibrarySuffix(), where.c_str());
      return kExitFailure;
    }
  }
  if (!library_.open(path, &error)) {
    std::fprintf(err_, "fwhost: %s: %s\n", path.c_str(), error.c_str());
    return byPath_ ? kExitUsage : kExitFailure;
  }
  exports_ = library_.exports();
  return kGoOn;
}

// Everything the user named, checked before any work: the output names, the pictures
// (decoded once and kept for the run) and the memory the build needs.
int EffectRun::check() {
  // Nothing is built when only the dialog is shown: a picture the plug-in asks for is
  // decoded then.
  if (plan_.dialogOnly) return kGoOn;
  std::string error = CheckOutputNames(plan_);
  if (!error.empty()) {
    std::fprintf(err_, "fwhost: %s\n", error.c_str());
    return kExitUsage;
  }
  if (!plan_.output.empty()) kind_ = OutputKindOf(plan_.output, &error);
  std::vector<std::string> problems;
  // The frames of animations may take at most the memory the run may use.
  const uint64_t memoryLimit = plan_.maxMemory ? plan_.maxMemory : AvailableMemory();
  frameBudget_ = memoryLimit ? memoryLimit : UINT64_MAX;
  if (builtIn_) CheckPictureFrames(plan_.pictures, frameBudget_, &sizes_, &problems, &decodedFrames_);
  else CheckPictureFiles(plan_.pictures, &sizes_, &problems, &decoded_);
  for (const std::string& problem : problems) std::fprintf(err_, "fwhost: %s\n", problem.c_str());
  if (!problems.empty() && !plan_.keepGoing) {
    std::fprintf(err_, "fwhost: nothing was done; --keep-going hands unreadable pictures to the plug-in, which "
                         "skips them\n");
    return kExitUsage;
  }
  if (!builtIn_) {
    std::string refusal = CheckPictureSizes(*row_, plan_, decoded_);
    if (!refusal.empty()) {
      std::fprintf(err_, "fwhost: %s; nothing was done\n", refusal.c_str());
      return kExitUsage;
    }
  }
  size_t frameCount = 0;  // each press of Add adds every frame of its file
  for (const std::string& path : plan_.pictures) {
    auto found = decodedFrames_.find(path);
    if (found != decodedFrames_.end()) frameCount += found->second.size();
  }
  if (builtIn_ && problems.empty() && frameCount < 2) {
    std::fprintf(err_, "fwhost: %s needs at least two frames: two pictures or more, or an animated GIF or WebP; "
                         "nothing was done\n", kFramesEffectName);
    return kExitUsage;
  }
  MemoryEstimate estimate;
  if (EstimateBuildMemory(*row_, plan_, sizes_, &estimate)) {
    uint64_t limit = plan_.maxMemory ? plan_.maxMemory : AvailableMemory();
    if (limit && estimate.bytes > limit) {
      std::fprintf(err_, "fwhost: %s\n",
                   ExplainTooLarge(*row_, plan_, sizes_, estimate, limit, plan_.maxMemory != 0).c_str());
      return kExitUsage;
    }
    std::string note = LargeOutputNote(plan_, estimate);
    if (!note.empty() && !plan_.quiet) std::fprintf(err_, "fwhost: note: %s\n", note.c_str());
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
      std::fprintf(err_, "fwhost: %s %s: %s\n", option, name->c_str(), error.c_str());
      return kExitUsage;
    }
  }
  // Without --remember the plug-in starts from its built-in settings and keeps none:
  // its settings files go to a private directory removed afterwards.
  if (!plan_.remember || builtIn_) {
    if (!privateSettings_.open(&error)) {
      std::fprintf(err_, "fwhost: %s\n", error.c_str());
      return kExitFailure;
    }
  } else if (!settingsName_.empty()) {
    std::string saved = SettingsFilePath(settingsName_.c_str());
    std::error_code failure;
    if (std::filesystem::exists(saved, failure))
      std::fprintf(err_, "fwhost: starting from the saved settings in %s (--forget deletes them)\n", saved.c_str());
  }
  return kGoOn;
}

// The plug-in's dialog, driven by the plan; the host answers its requests.
int EffectRun::run() {
  display_ = std::make_unique<ProgressDisplay>(err_, plan_.quiet || hooks_.progress ? ProgressDisplay::Mode::Quiet
                                                    : IsTerminal(err_)                ? ProgressDisplay::Mode::Terminal
                                                                                      : ProgressDisplay::Mode::Lines);
  if (hooks_.progress) display_->setListener(hooks_.progress);
  service_ = std::make_unique<HostService>(*display_);
  service_->stopRequested = hooks_.stopRequested;
  service_->wantsDialogState = plan_.dialogOnly;
  service_->selections = plan_.selections;
  service_->colours = plan_.colours;
  service_->clipboardFile = plan_.clipboardFile;
  service_->fitWidth = plan_.fitWidth;
  service_->fitHeight = plan_.fitHeight;
  if (hooks_.dialogStateOnly && hooks_.pictures) {
    for (const std::string& path : plan_.pictures) {
      if (decoded_.count(path)) continue;
      DibImage image = hooks_.pictures->copyOf(path);
      std::string error;
      if (!image && (image = LoadPictureFile(path, &error))) hooks_.pictures->keep(path, image);
      if (image) decoded_[path] = image;  // one that cannot be read says so when the plug-in asks for it
    }
  }
  for (const std::string& path : plan_.pictures)
    if (!decoded_.count(path) && !decodedFrames_.count(path)) service_->reported.insert(path);
  service_->preloaded.swap(decoded_);
  service_->preloadedFrames.swap(decodedFrames_);
  service_->keepFileDelays = !plan_.delayGiven;
  service_->frameBudget = frameBudget_;
  session_ = RunPluginSession(exports_, *service_, plan_, privateSettings_);
  display_->clear();
  if (session_.dialogResult < 0 && session_.refusal.refused()) {
    outcome.refused = true;
    std::fprintf(err_, "fwhost: %s; nothing was written\n", ExplainRefusedAction(*row_, plan_, session_.refusal).c_str());
    return kExitUsage;
  }
  if (plan_.dialogOnly) return keepDialogState();
  if (hooks_.stopRequested && hooks_.stopRequested()) {
    std::fprintf(err_, "fwhost: the build was stopped; nothing was written\n");
    outcome.stopped = true;
    return kExitFailure;
  }
  if (service_->deliveries().empty()) {
    std::fprintf(err_, "fwhost: no animation was delivered%s; nothing was written\n",
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
      std::fprintf(err_, "fwhost: --capture %s: %s\n", plan_.capture.c_str(), error.c_str());
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
      std::fprintf(err_, "fwhost: %s: %s; %s\n", plan_.output.c_str(), error.c_str(),
                   WhatWasWritten(plan_, output_).c_str());
    ok = written && ok;
  }
  // The summary says OK (or Test) only of an animation that was written.
  if (!plan_.quiet && (written || plan_.output.empty())) {
    std::string colours = trueColour ? "true colour (24-bit frames)" : std::to_string(delivery.bits) + "-bit palette";
    if (trueColour && plan_.quality) colours += ", colours reduced by fwhost";
    std::string frames = std::to_string(frameCount) + " frames";
    if (plan_.frame && written) frames = "frame " + std::to_string(plan_.frame) + " of " + frames;
    std::fprintf(err_, "%s: %s, %d x %d, %s", delivery.test ? "Test" : "OK", frames.c_str(), delivery.width,
                 delivery.height, colours.c_str());
    if (written && plan_.output == "-") std::fprintf(err_, " -> standard output");
    else if (written) std::fprintf(err_, " -> %s (%ld bytes)", plan_.output.c_str(), FileSize(plan_.output));
    std::fprintf(err_, "\n");
  }
  outcome.frames = frameCount;
  outcome.width = delivery.width;
  outcome.height = delivery.height;
  outcome.test = delivery.test;
  outcome.bytes = written && plan_.output != "-" ? FileSize(plan_.output) : -1;
  if (service_->messageCount()) {
    std::fprintf(err_, "fwhost: the plug-in reported a problem (see above)\n");
    ok = false;
  }
  return ok ? 0 : kExitFailure;
}

int EffectRun::keepDialogState() {
  if (service_->dialogState.empty()) {
    std::fprintf(err_, "fwhost: the plug-in's dialog did not stay open to be shown\n");
    return kExitFailure;
  }
  outcome.dialogState = service_->dialogState;
  if (plan_.controls) {
    std::string table = DialogControlsTable(*row_, outcome.dialogState);
    if (table.empty()) {
      std::fprintf(err_, "fwhost: the plug-in's description of its dialog cannot be read\n");
      return kExitFailure;
    }
    std::fputs(table.c_str(), stdout);
  }
  return 0;
}

}  // namespace

RunOutcome RunEffect(const std::string& effect, const std::vector<std::string>& words, const RunHooks& hooks) {
  EffectRun run(hooks);
  int status = run.resolve(effect, words);
  if (status == EffectRun::kGoOn) status = run.check();
  if (status == EffectRun::kGoOn) status = run.prepareOutputs();
  if (status == EffectRun::kGoOn) status = run.run();
  run.outcome.status = status == EffectRun::kGoOn ? run.report() : status;
  return run.outcome;
}

