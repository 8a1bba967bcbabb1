#include "host/progress_display.h"

namespace {
constexpr int kBarWidth = 30;
}

void ProgressDisplay::status(const std::string& text) {
  status_ = text;
  done_ = total_ = 0;
  if (listener_) listener_(status_, 0, 0, "");
  if (mode_ == Mode::Lines) {
    std::fprintf(stream_, "%s\n", text.c_str());
    std::fflush(stream_);
  } else if (mode_ == Mode::Terminal) {
    draw();
  }
}

void ProgressDisplay::progress(long done, long total) {
  if (mode_ != Mode::Terminal && !listener_) return;
  if (total <= 0) {
    done_ = total_ = 0;
  } else {
    done_ = done < 0 ? 0 : (done > total ? total : done);
    total_ = total;
  }
  if (listener_) listener_(status_, done_, total_, "");
  if (mode_ == Mode::Terminal) draw();
}

void ProgressDisplay::message(const std::string& text, const std::string& title) {
  if (listener_) listener_(status_, done_, total_, title + ": " + text);
  clear();
  std::fprintf(stream_, "%s: %s\n", title.c_str(), text.c_str());
  std::fflush(stream_);
  if (mode_ == Mode::Terminal && !status_.empty()) draw();
}

void ProgressDisplay::clear() {
  if (mode_ != Mode::Terminal || !shown_) return;
  std::fprintf(stream_, "\r\x1b[K");
  std::fflush(stream_);
  shown_ = false;
}

void ProgressDisplay::draw() {
  std::string line = "\r" + status_;
  if (total_ > 0) {
    int filled = static_cast<int>(done_ * kBarWidth / total_);
    line += " [" + std::string(filled, '#') + std::string(kBarWidth - filled, '.') + "] " + std::to_string(done_) +
            "/" + std::to_string(total_);
  }
  line += "\x1b[K";
  std::fputs(line.c_str(), stream_);
  std::fflush(stream_);
  shown_ = true;
}
