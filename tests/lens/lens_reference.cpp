#include "tests/lens/lens_reference.h"

#include <cmath>
#include <vector>

#include "framework/portable_math.h"

DibImage ReferenceLensFrame(DibImage picture, int32_t cx, int32_t cy, int32_t diameter) {
  int32_t width = 0, height = 0, bits = 0;
  if (!GetDibImageInfo(picture, &width, &height, &bits, nullptr) || diameter < 1) return nullptr;
  const int32_t d = diameter;
  std::vector<double> radii(d);
  for (int32_t i = 0; i < d / 2; ++i) radii[i] = d * i / std::sqrt(10.0 * 10.0 + i * i);
  DibImage frame = CreateDibImage(width, height, nullptr, bits);
  if (!frame) return nullptr;
  CopyDibRect(frame, 0, 0, picture, 0, 0, width, height);
  std::vector<int32_t> sample(static_cast<size_t>(d) * d);
  for (int32_t j = 0; j < d; ++j)
    for (int32_t k = 0; k < d; ++k) sample[j * d + k] = GetDibPixel(frame, cx + j, cy + k);
  for (int32_t a = 0; a <= 627; ++a) {
    const double angle = a * 0.01;
    for (int32_t r = 1; r < d / 2 - 1; ++r) {
      for (int32_t t = static_cast<int32_t>(std::trunc(radii[r - 1])); t < radii[r + 1]; ++t) {
        const int32_t x = static_cast<int32_t>(std::trunc(cx + t * PortableCos(angle)));
        const int32_t y = static_cast<int32_t>(std::trunc(cy + t * PortableSin(angle)));
        const int32_t j = static_cast<int32_t>(std::trunc(r * PortableCos(angle))) + d / 2;
        const int32_t k = static_cast<int32_t>(std::trunc(r * PortableSin(angle))) + d / 2;
        SetDibPixel(frame, x, y, sample[j * d + k]);
      }
    }
  }
  return frame;
}
