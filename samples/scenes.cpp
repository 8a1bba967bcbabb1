#include "samples/scenes.h"

#include <cmath>

#include "framework/dib_view.h"
#include "framework/portable_math.h"

namespace {

uint32_t Hash(uint32_t x, uint32_t y, uint32_t seed) {
  uint32_t h = x * 0x8DA6B343u ^ y * 0xD8163841u ^ seed * 0xCB1AB31Fu;
  h ^= h >> 13;
  h *= 0x5BD1E995u;
  h ^= h >> 15;
  return h;
}

// Smooth value noise in 0..1 on a lattice of `cell` pixels.
double ValueNoise(double x, double y, double cell, uint32_t seed) {
  double fx = x / cell, fy = y / cell;
  uint32_t ix = static_cast<uint32_t>(std::floor(fx)), iy = static_cast<uint32_t>(std::floor(fy));
  double tx = fx - std::floor(fx), ty = fy - std::floor(fy);
  tx = tx * tx * (3 - 2 * tx);
  ty = ty * ty * (3 - 2 * ty);
  auto at = [&](uint32_t a, uint32_t b) { return (Hash(a, b, seed) & 0xFFFF) / 65535.0; };
  double top = at(ix, iy) + (at(ix + 1, iy) - at(ix, iy)) * tx;
  double bottom = at(ix, iy + 1) + (at(ix + 1, iy + 1) - at(ix, iy + 1)) * tx;
  return top + (bottom - top) * ty;
}

double Fractal(double x, double y, double cell, uint32_t seed) {
  double sum = 0, weight = 0.5;
  for (int octave = 0; octave < 4; ++octave, cell /= 2, weight /= 2)
    sum += weight * ValueNoise(x, y, cell, seed + octave);
  return sum / 0.9375;
}

struct Colour {
  double r, g, b;
};

Colour Mix(Colour a, Colour b, double t) {
  return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

struct Mood {
  Colour skyTop, skyHorizon, sun, hillNear, hillFar, ground;
};

const Mood kMoods[] = {
    {{40, 90, 190}, {170, 210, 245}, {255, 250, 220}, {40, 95, 45}, {90, 130, 150}, {80, 140, 50}},
    {{60, 30, 110}, {250, 140, 70}, {255, 220, 120}, {50, 30, 50}, {120, 70, 90}, {90, 60, 40}},
    {{10, 15, 45}, {60, 80, 130}, {230, 230, 255}, {20, 30, 40}, {40, 55, 80}, {30, 45, 40}},
    {{120, 160, 200}, {225, 225, 215}, {255, 255, 240}, {110, 100, 80}, {160, 160, 165}, {190, 170, 120}},
};

}  // namespace

DibImage RenderScene(int32_t width, int32_t height, uint32_t seed) {
  DibImage image = CreateDibImage(width, height, nullptr, 24);
  if (!image) return nullptr;
  DibView view(image);
  if (!view.ok()) return image;
  const Mood& mood = kMoods[seed % (sizeof kMoods / sizeof kMoods[0])];
  const double horizon = height * (0.45 + 0.1 * ((seed >> 2) % 3));
  const double sunX = width * (0.2 + 0.15 * (seed % 5)), sunY = horizon * 0.55;
  const double sunRadius = 0.06 * (width < height ? width : height) + 4;
  for (int32_t y = 0; y < height; ++y) {
    uint8_t* row = view.pictureRow(y);
    for (int32_t x = 0; x < width; ++x) {
      double far = horizon - height * 0.12 * Fractal(x, 0, width / 3.0 + 1, seed + 11) -
                   height * 0.05 * (1 + PortableSin(x * 0.013 + seed));
      double near = horizon + height * 0.08 - height * 0.16 * Fractal(x, 7, width / 5.0 + 1, seed + 23);
      Colour c;
      if (y < far) {
        double t = y / (horizon > 1 ? horizon : 1);
        c = Mix(mood.skyTop, mood.skyHorizon, t > 1 ? 1 : t);
        double cloud = Fractal(x, y * 2.5, 60, seed + 5);
        if (cloud > 0.55) c = Mix(c, {245, 245, 250}, (cloud - 0.55) * 1.6);
        double d = std::sqrt((x - sunX) * (x - sunX) + (y - sunY) * (y - sunY));
        if (d < sunRadius) c = mood.sun;
        else c = Mix(c, mood.sun, 0.5 * std::exp(-(d - sunRadius) / (sunRadius * 1.5)));
      } else if (y < near) {
        double shade = Fractal(x, y, 24, seed + 31);
        c = Mix(mood.hillFar, mood.hillNear, 0.3 + 0.5 * shade);
      } else {
        double depth = (y - near) / (height - near + 1);
        double grain = Fractal(x, y, 9, seed + 47);
        c = Mix(mood.hillNear, mood.ground, depth);
        c = Mix(c, {c.r * 0.6, c.g * 0.7, c.b * 0.5}, grain);
      }
      // Sensor-like noise: one or two levels, different per pixel.
      int noise = static_cast<int>(Hash(x, y, seed) % 5) - 2;
      auto channel = [noise](double v) {
        int value = static_cast<int>(v) + noise;
        return static_cast<uint8_t>(value < 0 ? 0 : value > 255 ? 255 : value);
      };
      row[3 * x + 0] = channel(c.b);
      row[3 * x + 1] = channel(c.g);
      row[3 * x + 2] = channel(c.r);
    }
  }
  return image;
}
