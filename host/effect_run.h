// One run of an effect as the command line asks for it: `fwhost EFFECT [WORDS...]`.
// fwhost's command line and fwhost studio both run effects through here, so the same
// words make the same bytes whichever front end gave them.
#pragma once

#include <cstddef>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "framework/dib_image.h"
#include "host/effect_table.h"
#include "host/progress_display.h"

// Decoded pictures kept from one run to the next by their path, for a front end that
// runs the same dialog again at every step (fwhost studio): a picture is decoded once.
class PictureCache {
 public:
  virtual ~PictureCache() = default;
  // A copy of the picture kept for `path`, the caller's; null when none is kept.
  virtual DibImage copyOf(const std::string& path) = 0;
  // Keeps a copy of a picture just decoded from `path`.
  virtual void keep(const std::string& path, DibImage image) = 0;
};

// fwhost's exit statuses besides 0: the build or the writing failed; a mistake in what
// was asked, found before any work.
constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

// How a run reports and is stopped where it is not fwhost's own command line.
struct RunHooks {
  std::FILE* messages = nullptr;      // the run's sentences; null: standard error
  ProgressDisplay::Listener progress;  // the plug-in's status, progress and messages; null: the terminal's
  std::function<bool()> stopRequested;  // true makes the host refuse the delivery, which ends the build
  // Nothing is built: the words' actions are carried out and the dialog's state, as it
  // stands after them, is kept in RunOutcome::dialogState. No output is needed.
  bool dialogStateOnly = false;
  // With dialogStateOnly: the pictures named are taken from here (and decoded into it).
  PictureCache* pictures = nullptr;
};

struct RunOutcome {
  int status = 0;  // fwhost's exit status: 0 written, 1 failed, 2 a mistake in what was asked
  bool refused = false;  // an action could not be carried out (a disabled control, say)
  bool stopped = false;  // stopRequested ended the build
  std::string dialogState;  // with dialogStateOnly: HeadlessDialog::describe
  size_t frames = 0;  // what was delivered and written
  int width = 0;
  int height = 0;
  bool test = false;
  long bytes = -1;  // the output's size; -1 when none was written to a file
};

RunOutcome RunEffect(const std::string& effect, const std::vector<std::string>& words, const RunHooks& hooks = {});

// The row a library file belongs to, from its file name; null when none.
const EffectRow* RowOfLibrary(const std::string& path);
