// make_samples DIRECTORY [COUNT] [WIDTH HEIGHT]: writes COUNT example pictures
// (scene-01.bmp, scene-02.bmp, ...) made by RenderScene.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/directories.h"
#include "samples/bmp_file.h"
#include "samples/scenes.h"

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: make_samples DIRECTORY [COUNT] [WIDTH HEIGHT]\n");
    return 2;
  }
  int count = argc > 2 ? std::atoi(argv[2]) : 3;
  int width = argc > 4 ? std::atoi(argv[3]) : 320;
  int height = argc > 4 ? std::atoi(argv[4]) : 240;
  for (int i = 1; i <= count; ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "scene-%02d.bmp", i);
    std::string path = platform::JoinPath(argv[1], name);
    DibImage image = RenderScene(width, height, static_cast<uint32_t>(i));
    int ok = image && WriteBmpFile(path.c_str(), image);
    FreeDibImage(image);
    if (!ok) {
      std::fprintf(stderr, "make_samples: cannot write %s\n", path.c_str());
      return 1;
    }
  }
  return 0;
}
