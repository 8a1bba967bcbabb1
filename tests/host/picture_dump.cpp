// Writes what fwhost's decoders make of each picture file as text, one NAME.txt a file in
// DIRECTORY: the still picture (its depth, palette and the colour of every pixel, or why
// it was refused), then every frame with its delay. Built for every target, so that the
// Windows build's decoders can be compared with the native ones on the same files
// (tests/win32/compare_pictures.py).
//
//   picture_dump DIRECTORY FILES...
#include <cstdio>
#include <string>

#include "framework/dib_view.h"
#include "host/picture_file.h"

namespace {

void WritePicture(std::FILE* out, DibImage image) {
  int32_t width = 0, height = 0;
  int bits = 0;
  RgbPalette palette{};
  GetDibImageInfo(image, &width, &height, &bits, &palette);
  std::fprintf(out, "%d %d %d\n", bits, width, height);
  if (bits == 8) {
    for (const RgbColour& c : palette.entries) std::fprintf(out, "%02x%02x%02x", c.red, c.green, c.blue);
    std::fprintf(out, "\n");
  }
  for (int32_t y = 0; y < height; ++y) {
    for (int32_t x = 0; x < width; ++x) {
      int32_t value = GetDibPixel(image, x, y);
      RgbColour c = bits == 8 ? palette.entries[value & 0xFF]
                              : RgbColour{static_cast<uint8_t>(PackedRed(value)), static_cast<uint8_t>(PackedGreen(value)),
                                          static_cast<uint8_t>(PackedBlue(value))};
      std::fprintf(out, "%02x%02x%02x", c.red, c.green, c.blue);
    }
    std::fprintf(out, "\n");
  }
}

std::string NameOf(const std::string& path) {
  size_t slash = path.find_last_of("/\\");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: picture_dump DIRECTORY FILES...\n");
    return 2;
  }
  const std::string directory = argv[1];
  // Pictures past 32 MiB are refused here, as in the fuzz target: a 200-byte seed can ask
  // for 150 MB of pixels, whose text would run to hundreds of megabytes.
  SetMaxPictureBytes(32u << 20);
  SetDecoderMemoryCap(32u << 20);
  for (int i = 2; i < argc; ++i) {
    const std::string path = argv[i];
    std::FILE* out = std::fopen((directory + "/" + NameOf(path) + ".txt").c_str(), "wb");
    if (!out) {
      std::fprintf(stderr, "picture_dump: cannot write into %s\n", directory.c_str());
      return 1;
    }
    std::string error;
    DibImage still = LoadPictureFile(path, &error);
    if (still) {
      std::fprintf(out, "still ");
      WritePicture(out, still);
      FreeDibImage(still);
    } else {
      std::fprintf(out, "still refused: %s\n", error.c_str());
    }
    FrameBudget budget(64u << 20);
    PictureFrames frames;
    if (LoadPictureFrames(path, budget, &frames, &error)) {
      std::fprintf(out, "frames %zu\n", frames.size());
      for (size_t f = 0; f < frames.size(); ++f) {
        std::fprintf(out, "delay %d ", frames[f].delay);
        WritePicture(out, frames[f].image);
      }
    } else {
      std::fprintf(out, "frames refused: %s\n", error.c_str());
    }
    std::fclose(out);
  }
  return 0;
}
