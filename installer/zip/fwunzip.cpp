// fwunzip ARCHIVE DEST: runs the installer's extractor on an archive file, prints each
// status text on its own line and exits with the extraction's result code. It is how
// archives are tried by hand.
#include <cstdio>

#include "installer/zip/unzip.h"

namespace {

class PrintedStatus : public installer::StatusLine {
 public:
  void Show(const std::string& text) override { std::printf("%s\n", text.c_str()); }
};

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: fwunzip ARCHIVE DEST\n");
    return 100;
  }
  PrintedStatus status;
  int result = installer::ExtractArchive(argv[1], argv[2], status);
  std::fflush(stdout);
  if (result != installer::kUnzipOk)
    std::fprintf(stderr, "fwunzip: result %d: %s\n", result, installer::UnzipResultMeaning(result));
  return result;
}
