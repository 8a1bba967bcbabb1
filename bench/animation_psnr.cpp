// animation_psnr ANIMATION FRAME...: how close an animated GIF or WebP comes to the
// true-colour frames it was made from. Every frame of the animation is decoded as a
// viewer shows it and compared with the picture file of the same position; prints the
// PSNR over all frames and channels (peak 255), and the worst frame's.
//
//   animation_psnr out.gif frame-*.bmp
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "framework/dib_image.h"
#include "host/picture_file.h"
#include "tests/host/gif_decoder.h"
#include "tests/host/webp_decoder.h"

namespace {

double Psnr(double squares, double samples) {
  if (squares <= 0) return 99.0;
  return 10.0 * std::log10(255.0 * 255.0 * samples / squares);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: animation_psnr ANIMATION.gif|.webp FRAME...\n");
    return 2;
  }
  std::string path = argv[1], error;
  std::vector<std::vector<RgbColour>> shown;
  int width = 0, height = 0;
  if (path.size() > 5 && path.compare(path.size() - 5, 5, ".webp") == 0) {
    DecodedWebp webp;
    if (!DecodeWebpFile(path, &webp, &error)) {
      std::fprintf(stderr, "animation_psnr: %s: %s\n", path.c_str(), error.c_str());
      return 1;
    }
    width = webp.width;
    height = webp.height;
    for (DecodedWebpFrame& frame : webp.frames) shown.push_back(std::move(frame.screen));
  } else {
    DecodedGif gif;
    if (!DecodeGifFile(path, &gif, &error)) {
      std::fprintf(stderr, "animation_psnr: %s: %s\n", path.c_str(), error.c_str());
      return 1;
    }
    width = gif.width;
    height = gif.height;
    for (DecodedGifFrame& frame : gif.frames) shown.push_back(std::move(frame.screen));
  }
  const int frames = argc - 2;
  if (static_cast<int>(shown.size()) != frames) {
    std::fprintf(stderr, "animation_psnr: %s has %zu frames, %d pictures were given\n", path.c_str(), shown.size(),
                 frames);
    return 1;
  }
  double total = 0, worst = -1;
  for (int f = 0; f < frames; ++f) {
    DibImage picture = LoadPictureFile(argv[f + 2], &error);
    int32_t w = 0, h = 0;
    if (!picture || !GetDibImageInfo(picture, &w, &h, nullptr, nullptr) || w != width || h != height) {
      std::fprintf(stderr, "animation_psnr: %s: %s\n", argv[f + 2], picture ? "not the animation's size" : error.c_str());
      FreeDibImage(picture);
      return 1;
    }
    DibImage rgb = ConvertToTrueColour(picture);
    FreeDibImage(picture);
    double squares = 0;
    for (int32_t y = 0; y < h; ++y)
      for (int32_t x = 0; x < w; ++x) {
        RgbColour t = UnpackColour(GetDibPixel(rgb, x, y));
        const RgbColour& s = shown[f][static_cast<size_t>(y) * w + x];
        double dr = t.red - s.red, dg = t.green - s.green, db = t.blue - s.blue;
        squares += dr * dr + dg * dg + db * db;
      }
    FreeDibImage(rgb);
    total += squares;
    if (squares > worst) worst = squares;
  }
  const double samples = 3.0 * width * height;
  std::printf("%.2f %.2f\n", Psnr(total, samples * frames), Psnr(worst, samples));
  return 0;
}
