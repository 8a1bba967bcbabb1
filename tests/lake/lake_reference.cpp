#include "tests/lake/lake_reference.h"

#include <cmath>

#include "framework/portable_math.h"

namespace {

int32_t Height(DibImage image) {
  int32_t width = 0, height = 0;
  GetDibImageInfo(image, &width, &height, nullptr, nullptr);
  return height;
}

int32_t Width(DibImage image) {
  int32_t width = 0, height = 0;
  GetDibImageInfo(image, &width, &height, nullptr, nullptr);
  return width;
}

}  // namespace

DibImage ReferenceMirror(DibImage picture) {
  const int32_t width = Width(picture), height = Height(picture);
  DibImage mirror = CreateDibImage(width, height, nullptr, 24);
  if (!mirror) return nullptr;
  for (int32_t i = 0; i < height; ++i) CopyDibRect(mirror, 0, height - 1 - i, picture, 0, i, width, 1);
  return mirror;
}

DibImage ReferenceLakeFrame(DibImage mirror, int32_t frame, int32_t frameCount) {
  const int32_t width = Width(mirror), height = Height(mirror);
  DibImage result = CreateDibImage(width, height, nullptr, 24);
  if (!result) return nullptr;
  CopyDibRect(result, 0, 0, mirror, 0, 0, width, height);
  const double phase = frame * 6.283185307179586 / frameCount;
  const int32_t k = height / 14;
  for (int32_t i = 0; i < height; ++i) {
    double a = static_cast<double>(k * (height - i)) / (i + 1) + phase;
    int32_t e = static_cast<int32_t>(std::trunc(PortableSin(a) * k * (i + 28.0) / height));
    if (i + e < 0) continue;
    CopyDibRect(result, 0, i, mirror, 0, i + e, width, 1);  // nothing below the mirror
  }
  return result;
}

DibImage ReferenceComposeLakeFrame(DibImage picture, DibImage reflection) {
  const int32_t width = Width(picture), height = Height(picture);
  DibImage result = CreateDibImage(width, 2 * height, nullptr, 24);
  if (!result) return nullptr;
  CopyDibRect(result, 0, 0, picture, 0, 0, width, height);
  CopyDibRect(result, 0, height, reflection, 0, 0, width, height);
  return result;
}
