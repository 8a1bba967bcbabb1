// libFuzzer target over the extractor. Each input is written as an archive file and
// extracted, with real files, into a sandbox that holds traps: a directory link and a
// file link inside the destination that point outside it. After each run nothing may
// have appeared or changed outside the destination, and every file the extractor
// created must lie lexically inside it. Output is capped per run, so a small input
// cannot inflate into gigabytes; hitting the cap exercises the disk-full stop.
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string>

#include "installer/zip/unzip.h"

namespace {

constexpr size_t kOutputCap = 4u << 20;
const char kTargetText[] = "outside, must stay unchanged";

[[noreturn]] void Fail(const char* what, const std::string& detail) {
  std::fprintf(stderr, "unzip fuzzer: %s: %s\n", what, detail.c_str());
  std::abort();
}

struct Sandbox {
  std::string root, archive, destination, outside;
};

void WriteFile(const std::string& path, const void* data, size_t size) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f || std::fwrite(data, 1, size, f) != size || std::fclose(f) != 0) Fail("cannot write", path);
}

const Sandbox& TheSandbox() {
  static Sandbox box = [] {
    Sandbox b;
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/kestrel-unzip-fuzz-XXXXXX";
    if (!mkdtemp(&pattern[0])) Fail("cannot make sandbox", pattern);
    b.root = pattern;
    b.archive = b.root + "/archive.zip";
    b.destination = b.root + "/dest";
    b.outside = b.root + "/outside";
    mkdir(b.destination.c_str(), 0755);
    mkdir((b.destination + "/sub").c_str(), 0755);
    mkdir(b.outside.c_str(), 0755);
    WriteFile(b.outside + "/target", kTargetText, sizeof kTargetText - 1);
    if (symlink("../outside", (b.destination + "/link").c_str()) != 0 ||
        symlink("../outside/target", (b.destination + "/filelink").c_str()) != 0)
      Fail("cannot make links", b.root);
    return b;
  }();
  return box;
}

std::set<std::string> Names(const std::string& directory) {
  std::set<std::string> names;
  if (DIR* dir = opendir(directory.c_str())) {
    while (dirent* entry = readdir(dir))
      if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0)
        names.insert(entry->d_name);
    closedir(dir);
  }
  return names;
}

// Every path handed to Create must be the destination, a separator, and a name with no
// ".." component and no leading separator (an empty name names the destination itself,
// which cannot be created as a file).
bool LexicallyInside(const std::string& path, const std::string& destination) {
  if (path.compare(0, destination.size() + 1, destination + "/") != 0) return false;
  std::string rest = path.substr(destination.size() + 1);
  if (!rest.empty() && rest[0] == '/') return false;
  size_t start = 0;
  while (start <= rest.size()) {
    size_t end = rest.find('/', start);
    if (end == std::string::npos) end = rest.size();
    if (rest.compare(start, end - start, "..") == 0 && end - start == 2) return false;
    start = end + 1;
  }
  return true;
}

class GuardedOutput : public installer::PlatformOutputFiles {
 public:
  explicit GuardedOutput(const std::string& destination) : destination_(destination) {}
  bool Create(const std::string& path) override {
    if (!LexicallyInside(path, destination_)) Fail("create outside the destination", path);
    return PlatformOutputFiles::Create(path);
  }
  size_t Write(const void* data, size_t bytes) override {
    size_t room = kOutputCap - written_;
    size_t allowed = bytes < room ? bytes : room;
    size_t put = PlatformOutputFiles::Write(data, allowed);
    written_ += put;
    return put;
  }

 private:
  std::string destination_;
  size_t written_ = 0;
};

class QuietStatus : public installer::StatusLine {
 public:
  void Show(const std::string& text) override {
    if (text.empty()) Fail("empty status text", "");
  }
};

void CheckSandbox(const Sandbox& box) {
  if (Names(box.root) != std::set<std::string>{"archive.zip", "dest", "outside"})
    Fail("something appeared beside the destination", box.root);
  if (Names(box.outside) != std::set<std::string>{"target"}) Fail("outside changed", box.outside);
  struct stat info;
  if (stat((box.outside + "/target").c_str(), &info) != 0 ||
      info.st_size != static_cast<off_t>(sizeof kTargetText - 1))
    Fail("link target changed", box.outside);
  if (lstat((box.destination + "/link").c_str(), &info) != 0 || !S_ISLNK(info.st_mode) ||
      lstat((box.destination + "/filelink").c_str(), &info) != 0 || !S_ISLNK(info.st_mode))
    Fail("a trap link was replaced", box.destination);
}

void ClearDirectory(const std::string& directory, const std::set<std::string>& keep) {
  for (const std::string& name : Names(directory))
    if (!keep.count(name)) unlink((directory + "/" + name).c_str());
}

bool KnownResult(int result) {
  switch (result) {
#define KESTREL_KNOWN_RESULT(name, value, meaning) case value:
    KESTREL_UNZIP_RESULTS(KESTREL_KNOWN_RESULT)
#undef KESTREL_KNOWN_RESULT
    return true;
  }
  return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const Sandbox& box = TheSandbox();
  WriteFile(box.archive, data, size);
  QuietStatus status;
  GuardedOutput output(box.destination);
  int result = installer::ExtractArchive(box.archive, box.destination, status, output);
  if (!KnownResult(result)) Fail("unknown result code", std::to_string(result));
  CheckSandbox(box);
  ClearDirectory(box.destination + "/sub", {});
  ClearDirectory(box.destination, {"sub", "link", "filelink"});
  return 0;
}
