// The fireworks simulation: rockets burst at random places over a plain background; each
// burst throws its particles along ballistic paths, whose trails of flickering colour are
// wiped from their start from the middle of the burst's life on. Every simulation step
// becomes one true-colour frame.
//
// All rockets of an animation share one speed scale, particle count and lifetime, drawn
// from the seeded random source. The order of the draws is part of the animation: the
// same seed and settings always give the same frames.
#pragma once

#include <cstdint>
#include <memory>

#include "effects/pyrotechnics/draw_surface.h"
#include "framework/frame_list.h"
#include "framework/random_source.h"

// Size of the rocket colour table; at most this many rockets burst at once.
constexpr int kMostRockets = 32;
// A rocket colour with this bit set takes a random colour of its own.
constexpr uint32_t kRandomColourFlag = 0x80000000u;
// The largest surface the fireworks are drawn on, and the most memory the frames of one
// animation may take (a 32-bit host could not hold more); beyond them the render fails
// before any frame is made.
constexpr int64_t kMostSurfaceBytes = 64ll << 20;
constexpr int64_t kMostAnimationBytes = 1ll << 30;

struct Rocket {
  int32_t speed = 0;      // e: speed scale of the burst
  int32_t particles = 0;  // P
  int32_t lifetime = 0;   // L, in steps
  int32_t width = 0;
  int32_t height = 0;
  int32_t gravity = 0;
  int32_t x0 = 0;  // where the burst starts
  int32_t y0 = 0;
  std::unique_ptr<int32_t[]> vx;  // particle velocities; vy is positive upward
  std::unique_ptr<int32_t[]> vy;
  int32_t red = 0;
  int32_t green = 0;
  int32_t blue = 0;
  int32_t step = 0;  // s
};

// One render of the animation.
struct FireworksScene {
  void* window = nullptr;        // the dialog; its device context is the surface's model
  FrameList* frames = nullptr;   // appended to, one frame per step
  RandomSource* random = nullptr;
  int32_t width = 128;   // W
  int32_t height = 128;  // H
  int32_t delay = 5;     // of every frame
  int32_t rockets = 5;   // R, 1 to kMostRockets
  int32_t background = 0;  // PackedColour
  int32_t rocketColours[kMostRockets] = {};  // PackedColour, or kRandomColourFlag set
  int32_t explosion = 850;  // E
  int32_t gravity = 400;    // g
  int32_t energy = 80;      // N
  // Threads the frames are made on. With one, every step is drawn on the surface and
  // copied out; with more, the steps' pixels are kept a batch of steps at a time and the
  // threads draw the batch's frames from them: the same frames either way.
  int threads = 1;

  // While rendering.
  DrawSurface* surface = nullptr;
  class FrameBatch* batch = nullptr;  // with several threads: where the steps go
};

// Draws the whole animation into scene.frames: L + 1 frames, the last equal to the one
// before it. 1 when every frame was appended; 0 on any failure (a size the surface cannot
// have, no memory), with everything it made released (frames already appended stay the
// list's).
int RenderFireworks(FireworksScene& scene);

// Starts rocket `index`: its speed scale, particle count and lifetime, its colour, its
// launch point and its particles' velocities. 0 when the particles cannot be had.
int LaunchRocket(FireworksScene& scene, Rocket& rocket, int32_t speed, int32_t particles, int32_t lifetime,
                 int index);

// Draws one step of a rocket: its colour flickers, every particle sets its pixel, and
// from the middle of its life on the oldest two points of every trail are wiped. 0 (with
// nothing drawn and nothing drawn from the random source) when its lifetime is over.
int StepRocket(FireworksScene& scene, Rocket& rocket);

// Appends a copy of the surface as the next frame (with several threads: ends the step,
// whose frame is made with its batch). 0 when it cannot be made or appended.
int CaptureFrame(FireworksScene& scene);

// trunc(value) toward zero, held to the range of a 32-bit integer (the fields of a
// settings file may hold any number; a value past that range is no pixel anyway).
int64_t TruncateWhole(double value);
