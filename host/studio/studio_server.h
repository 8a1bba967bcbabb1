// The studio's web server: one page, and the requests the page makes, on the loopback
// address only. Every request carries the token printed with the address; each open
// page is a session of its own with a private folder for its pictures and animations;
// builds run one at a time on a worker thread, in the order asked for.
#pragma once

#include <memory>
#include <string>

struct StudioLimits {
  size_t uploadBytes = size_t{64} << 20;  // one picture file
  int uploadsPerPage = 32;
  int pages = 16;                // open at once
  // A page not heard from for this long is closed (a tab the browser put to sleep
  // still asks once a minute).
  int idleSeconds = 180;
};

class StudioServer {
 public:
  // `directory`: a private, empty folder of the studio's own, where everything it keeps
  // lives; `pluginDirectory` as --plugin-dir.
  StudioServer(const std::string& directory, const std::string& pluginDirectory, const StudioLimits& limits);
  ~StudioServer();
  StudioServer(const StudioServer&) = delete;
  StudioServer& operator=(const StudioServer&) = delete;

  // Listens on 127.0.0.1 at `port` (0: a free one). False, with the reason.
  bool bind(int port, std::string* error);
  int port() const;
  const std::string& token() const;
  // The address to open, token included.
  std::string address() const;
  // Serves until stop(); false when serving failed.
  bool serve();
  void stop();

 private:
  class Impl;
  std::unique_ptr<Impl> impl_;
};
