// make_frame_sequence DIRECTORY [COUNT] [WIDTH HEIGHT] [glide|wipe [PICTURE...]]: writes COUNT frames
// (frame-001.bmp, ...) of a photograph-like animation: a landscape (RenderScene) across
// which a smaller picture of another landscape glides from left to right and back, as
// a card would in a slide show. Most of each frame is unchanged from the one before,
// the moving part is photographic: content for comparing animation writers.
// With "wipe", a second landscape instead replaces the first from left to right, one
// band of columns per frame, the first frame all the first picture and the last all the
// second: twice the colours of one photograph on the screen at once. Picture files
// (each of the frames' size) given after "wipe" come after the first landscape, each
// wiping over the one before in an equal share of the frames.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "framework/dib_image.h"
#include "host/picture_file.h"
#include "platform/directories.h"
#include "samples/bmp_file.h"
#include "samples/scenes.h"

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: make_frame_sequence DIRECTORY [COUNT] [WIDTH HEIGHT] [glide|wipe [PICTURE...]]\n");
    return 2;
  }
  int count = argc > 2 ? std::atoi(argv[2]) : 60;
  int width = argc > 4 ? std::atoi(argv[3]) : 640;
  int height = argc > 4 ? std::atoi(argv[4]) : 480;
  const bool wipe = argc > 5 && std::string(argv[5]) == "wipe";
  if (argc > 5 && !wipe && (std::string(argv[5]) != "glide" || argc > 6)) {
    std::fprintf(stderr, "make_frame_sequence: the kind is glide or wipe\n");
    return 2;
  }
  if (count < 1 || width < 16 || height < 16) {
    std::fprintf(stderr, "make_frame_sequence: COUNT must be at least 1 and the size at least 16 x 16\n");
    return 2;
  }
  int cardWidth = width / 4, cardHeight = height / 4;
  DibImage background = RenderScene(width, height, 1);
  DibImage card = wipe ? nullptr : RenderScene(cardWidth, cardHeight, 2);
  // The pictures a wipe passes through, the background first.
  std::vector<DibImage> wiped{background};
  for (int i = 6; i < argc; ++i) {
    std::string error;
    DibImage picture = LoadPictureFile(argv[i], &error);
    int32_t w = 0, h = 0;
    if (picture) GetDibImageInfo(picture, &w, &h, nullptr, nullptr);
    if (!picture || w != width || h != height) {
      std::fprintf(stderr, "make_frame_sequence: %s: %s\n", argv[i], picture ? "not the frames' size" : error.c_str());
      return 1;
    }
    wiped.push_back(ConvertToTrueColour(picture));
    FreeDibImage(picture);
  }
  if (wipe && wiped.size() == 1) wiped.push_back(RenderScene(width, height, 3));
  if (!background || (!wipe && !card)) {
    std::fprintf(stderr, "make_frame_sequence: out of memory\n");
    return 1;
  }
  int travel = width - cardWidth;
  int status = 0;
  for (int i = 0; i < count && status == 0; ++i) {
    // There and back again over the sequence, two pixels of height per frame downwards.
    int phase = count > 1 ? (2 * travel * i) / (count - 1) : 0;
    int x = phase <= travel ? phase : 2 * travel - phase;
    int y = height / 2 - cardHeight / 2 + (i * 2) % (height / 4);
    DibImage frame = DuplicateDibImage(background);
    if (wipe) {
      // Position along the wipes in columns: wipe k covers picture k with picture k + 1.
      const int64_t wipes = static_cast<int64_t>(wiped.size()) - 1;
      const int64_t at = count > 1 ? wipes * width * i / (count - 1) : wipes * width;
      const size_t k = static_cast<size_t>(at == wipes * width ? wipes - 1 : at / width);
      const int edge = static_cast<int>(at - static_cast<int64_t>(k) * width);
      if (!frame || !CopyDibRect(frame, 0, 0, wiped[k], 0, 0, width, height) ||
          (edge > 0 && !CopyDibRect(frame, 0, 0, wiped[k + 1], 0, 0, edge, height)))
        status = 1;
    } else if (!frame || !CopyDibRect(frame, x, y, card, 0, 0, cardWidth, cardHeight)) {
      status = 1;
    }
    char name[32];
    std::snprintf(name, sizeof name, "frame-%03d.bmp", i + 1);
    std::string path = platform::JoinPath(argv[1], name);
    if (status == 0 && !WriteBmpFile(path.c_str(), frame)) {
      std::fprintf(stderr, "make_frame_sequence: cannot write %s\n", path.c_str());
      status = 1;
    }
    FreeDibImage(frame);
  }
  for (DibImage picture : wiped) FreeDibImage(picture);
  FreeDibImage(card);
  return status;
}
