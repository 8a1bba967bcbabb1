// Where the host shows what a plug-in reports: status texts (operation 10), progress
// (operation 13) and message boxes.
//
// On a terminal: one status line with a progress bar, redrawn in place. Elsewhere (a
// pipe, a log file): each status text as a plain line and no progress bar. Quiet: no
// status and no progress. Messages are always shown.
#pragma once

#include <cstdio>
#include <functional>
#include <string>

class ProgressDisplay {
 public:
  enum class Mode { Terminal, Lines, Quiet };

  ProgressDisplay(std::FILE* stream, Mode mode) : stream_(stream), mode_(mode) {}
  ~ProgressDisplay() { clear(); }

  void status(const std::string& text);
  // (0, 0) ends the progress display.
  void progress(long done, long total);
  void message(const std::string& text, const std::string& title);
  // Removes the status line, before other output.
  void clear();

  Mode mode() const { return mode_; }

  // Also hands every status, progress and message to `listener` (fwhost studio shows
  // them on its page), whatever the mode: the status text, the progress (0, 0 for none),
  // and for a message its text (empty otherwise).
  using Listener = std::function<void(const std::string& status, long done, long total, const std::string& message)>;
  void setListener(Listener listener) { listener_ = std::move(listener); }

 private:
  void draw();

  std::FILE* stream_;
  Mode mode_;
  Listener listener_;
  std::string status_;
  long done_ = 0;
  long total_ = 0;
  bool shown_ = false;
};

// True when the stream is a terminal.
bool IsTerminal(std::FILE* stream);
