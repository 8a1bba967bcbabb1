// libFuzzer target over the whole road fwhost takes from a file's bytes to the picture
// a plug-in receives: the header check, the decoder of the format, the orientation of a
// JPEG, and every frame of an animation.
//
// The checks: every input is either a picture or refused with a reason; a picture is
// 8-bit (a paletted file) or 24-bit, within the size limits, its rows inside its block;
// the frames of a file are 24-bit pictures of one size with their delays, and the first
// frame shows exactly what the still picture shows; the decoders' counted memory never
// passes its cap. The sanitizers watch every read and write on the way. Pictures and the
// decoders' memory are held to 32 MiB here: the checks are the same, and a 140-byte GIF
// of a screen of 60 million pixels no longer costs seconds of clearing memory.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "framework/dib_view.h"
#include "host/decoder_memory.h"
#include "host/jpeg_orientation.h"
#include "host/picture_file.h"

namespace {

[[noreturn]] void Fail(const char* what, const std::string& detail) {
  std::fprintf(stderr, "picture fuzzer: %s: %s\n", what, detail.c_str());
  std::abort();
}

// The colour shown at (x, y) of an 8-bit or 24-bit picture.
int32_t Shown(const DibView& view, int32_t x, int32_t y) {
  const int32_t value = view.get(x, y);
  if (view.bits() != 8) return value;
  const uint8_t* entry = view.colourTable() + 4 * value;
  return PackColour(entry[2], entry[1], entry[0]);
}

void CheckPicture(DibImage image, bool trueColourOnly) {
  DibView view(image);
  if (!view.ok()) Fail("a picture whose view cannot be opened", "");
  if (view.bits() != 24 && (trueColourOnly || view.bits() != 8)) Fail("a picture of bits", std::to_string(view.bits()));
  if (view.width() < 1 || view.height() < 1 || view.width() > kMaxPictureSide || view.height() > kMaxPictureSide)
    Fail("a picture beyond the limits", std::to_string(view.width()) + " x " + std::to_string(view.height()));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  SetMaxPictureBytes(32u << 20);
  SetDecoderMemoryCap(32u << 20);
  ResetDecoderPeakMemory();
  std::string error;
  DibImage still = DecodePictureFile(data, size, &error);
  if (!still && error.empty()) Fail("refused without a reason", std::to_string(size));
  if (still) CheckPicture(still, false);
  JpegOrientation(data, size);

  FrameBudget budget(64u << 20);
  PictureFrames frames;
  error.clear();
  if (DecodePictureFrames(data, size, budget, &frames, &error)) {
    if (frames.empty()) Fail("an animation of no frames", "");
    int32_t width = 0, height = 0;
    for (size_t i = 0; i < frames.size(); ++i) {
      CheckPicture(frames[i].image, frames.size() > 1);
      int32_t w = 0, h = 0;
      GetDibImageInfo(frames[i].image, &w, &h, nullptr, nullptr);
      if (i == 0) width = w, height = h;
      if (w != width || h != height) Fail("frames of different sizes", std::to_string(i));
      if (frames[i].delay < 0 || frames[i].delay > 65535 || (frames.size() > 1 && frames[i].delay < 2))
        Fail("a frame delay out of range", std::to_string(frames[i].delay));
    }
    if (still) {
      DibView a(still), b(frames[0].image);
      if (a.width() != b.width() || a.height() != b.height()) Fail("the first frame is not the still picture", "size");
      for (int32_t y = 0; y < a.height(); ++y)
        for (int32_t x = 0; x < a.width(); ++x)
          if (Shown(a, x, y) != Shown(b, x, y))
            Fail("the first frame is not the still picture", std::to_string(x) + "," + std::to_string(y));
    }
  } else if (error.empty()) {
    Fail("frames refused without a reason", std::to_string(size));
  }
  FreeDibImage(still);
  if (DecoderPeakMemory() > DecoderMemoryCap()) Fail("the decoders passed their cap", std::to_string(DecoderPeakMemory()));
  return 0;
}
