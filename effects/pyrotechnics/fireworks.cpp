#include "effects/pyrotechnics/fireworks.h"

#include <cmath>
#include <new>
#include <vector>

#include "framework/dib_view.h"
#include "framework/parallel.h"

namespace {

// A 24-bit image of the surface's size, or none.
DibImage NewFrameImage(const FireworksScene& scene) {
  return CreateDibImage(scene.width, scene.height, nullptr, 24);
}

// The same for a frame whose every pixel the caller writes.
DibImage NewFrameToFill(const FireworksScene& scene) {
  return CreateDibImageToFill(scene.width, scene.height, nullptr, 24);
}

// trunc(u × scale × 3 × 0.25) + scale / 4 + 1: a value from a quarter of `scale` to
// `scale`, in the order of operations the animation has always used.
int32_t QuarterToWhole(double u, int32_t scale) {
  int64_t value = TruncateWhole(u * scale * 3 * 0.25) + scale / 4 + 1;
  return static_cast<int32_t>(TruncateWhole(static_cast<double>(value)));
}

// Where particle k is at time t (in hundredths of a step count).
void ParticleAt(const Rocket& rocket, int k, double t, int64_t* x, int64_t* y) {
  *x = rocket.x0 + TruncateWhole(rocket.vx[k] * t);
  *y = rocket.y0 - TruncateWhole(rocket.vy[k] * t - rocket.gravity * t * t);
}

void Plot(DrawSurface& surface, int64_t x, int64_t y, int32_t colour) {
  if (x < 0 || y < 0 || x > INT32_MAX || y > INT32_MAX) return;  // off the surface
  surface.setPixel(static_cast<int32_t>(x), static_cast<int32_t>(y), colour);
}

// The random channel of a random-coloured rocket: 128 to 255.
int32_t BrightChannel(RandomSource& random) { return static_cast<int32_t>(TruncateWhole(random.UnitDraw() * 128)) + 128; }

// One channel's flicker: moved by -32 to 31, kept when that leaves 0 to 255.
void Flicker(RandomSource& random, int32_t* channel) {
  int32_t value = *channel + static_cast<int32_t>(TruncateWhole(random.UnitDraw() * 64)) - 32;
  if (value >= 0 && value <= 255) *channel = value;
}

// Whether the surface can have the size W x H.
bool SurfaceFits(int32_t width, int32_t height) {
  if (width < 1 || height < 1) return false;
  uint32_t stride = DibStride(width, 24);
  return stride != 0 && static_cast<int64_t>(stride) * height <= kMostSurfaceBytes;
}

// Whether L + 1 frames of W x H (two when there is no lifetime) fit the limit.
bool AnimationFits(int32_t width, int32_t height, int32_t lifetime) {
  int64_t frames = lifetime < 1 ? 2 : static_cast<int64_t>(lifetime) + 1;
  return static_cast<int64_t>(DibStride(width, 24)) * height * frames <= kMostAnimationBytes;
}

}  // namespace

// The surface of a render on several threads. The steps are drawn into a log, not onto
// pixels: for each step the pixels it sets, in order, clipped as the surface clips them.
// Every few steps a batch of frames is made from the log, each part of the batch on a
// thread of its own: its first frame from the frame before the batch with the batch's
// earlier steps replayed on it, every later one from the frame before it plus its step.
// A frame is thus exactly the surface as it stood after its step.
class FrameBatch : public DrawSurface {
 public:
  FrameBatch(FireworksScene& scene, platform::PartTeam& team)
      : scene_(scene), team_(team), steps_(32 * team.parts()) {}

  void fill(int32_t colour) override { background_ = colour; }

  void setPixel(int32_t x, int32_t y, int32_t colour) override {
    if (x < 0 || y < 0 || x >= scene_.width || y >= scene_.height || failed_) return;
    try {
      plots_.push_back(Plotted{x, y, colour});
    } catch (const std::bad_alloc&) {
      failed_ = true;
    }
  }

  int copyInto(DibImage) override { return 0; }  // frames come from the log

  // Ends a step; its frame is made when the batch is full. False when memory ran out.
  bool endStep() {
    if (failed_) return false;
    try {
      ends_.push_back(plots_.size());
    } catch (const std::bad_alloc&) {
      return false;
    }
    return static_cast<int>(ends_.size()) < steps_ || flush();
  }

  // Makes and appends the frames of the steps ended since the last batch.
  bool flush() {
    const int32_t count = static_cast<int32_t>(ends_.size());
    if (count == 0) return !failed_;
    std::vector<DibImage> made;
    try {
      made.assign(static_cast<size_t>(count), nullptr);
    } catch (const std::bad_alloc&) {
      return false;
    }
    ParallelParts(team_, count, [&](int, int32_t begin, int32_t end) {
      for (int32_t i = begin; i < end; ++i) {
        DibImage frame = i > begin ? DuplicateDibImage(made[i - 1]) : before_ ? DuplicateDibImage(before_) : filled();
        // The part's first frame replays the batch's steps before it as well.
        if (!frame || !draw(frame, i > begin ? ends_[i - 1] : 0, ends_[i])) {
          FreeDibImage(frame);
          return false;
        }
        made[i] = frame;
      }
      return true;
    });
    bool ok = true;
    for (int32_t i = 0; i < count; ++i) {
      if (ok && made[i] && AppendFrame(scene_.frames, made[i], scene_.delay)) {
        before_ = made[i];  // the list's now; only read from here on
        continue;
      }
      ok = false;
      FreeDibImage(made[i]);
    }
    plots_.clear();
    ends_.clear();
    return ok;
  }

 private:
  struct Plotted {
    int32_t x, y, colour;
  };

  // A new frame of the background colour.
  DibImage filled() const {
    OwnedDib frame(NewFrameToFill(scene_));
    DibView view(frame.get());
    if (!view.ok()) return nullptr;
    for (int32_t y = 0; y < view.height(); ++y) {
      uint8_t* pixel = view.pictureRow(y);
      for (int32_t x = 0; x < view.width(); ++x, pixel += 3) Store(pixel, background_);
    }
    return frame.release();
  }

  // Sets the logged pixels [from, to) on `frame`.
  bool draw(DibImage frame, size_t from, size_t to) const {
    DibView view(frame);
    if (!view.ok()) return false;
    for (size_t k = from; k < to; ++k) Store(view.pictureRow(plots_[k].y) + 3 * static_cast<size_t>(plots_[k].x), plots_[k].colour);
    return true;
  }

  static void Store(uint8_t* pixel, int32_t colour) {
    pixel[0] = static_cast<uint8_t>(PackedBlue(colour));
    pixel[1] = static_cast<uint8_t>(PackedGreen(colour));
    pixel[2] = static_cast<uint8_t>(PackedRed(colour));
  }

  FireworksScene& scene_;
  platform::PartTeam& team_;
  const int steps_;  // steps in a full batch
  int32_t background_ = 0;
  bool failed_ = false;
  std::vector<Plotted> plots_;
  std::vector<size_t> ends_;  // where each step's pixels end in plots_
  DibImage before_ = nullptr;  // the last frame appended
};

int64_t TruncateWhole(double value) {
  if (!(value == value)) return 0;  // not a number
  if (value >= 2147483647.0) return INT32_MAX;
  if (value <= -2147483648.0) return INT32_MIN;
  return static_cast<int64_t>(value);  // truncates toward zero
}

int LaunchRocket(FireworksScene& scene, Rocket& rocket, int32_t speed, int32_t particles, int32_t lifetime,
                 int index) {
  RandomSource& random = *scene.random;
  rocket.speed = speed;
  rocket.particles = particles;
  rocket.lifetime = lifetime;
  rocket.vx.reset(new (std::nothrow) int32_t[particles]());
  rocket.vy.reset(new (std::nothrow) int32_t[particles]());
  if (!rocket.vx || !rocket.vy) return 0;

  uint32_t colour = static_cast<uint32_t>(scene.rocketColours[index]);
  if (colour & kRandomColourFlag) {
    rocket.red = BrightChannel(random);
    rocket.blue = BrightChannel(random);
    rocket.green = BrightChannel(random);
  } else {
    rocket.red = PackedRed(static_cast<int32_t>(colour));
    rocket.green = PackedGreen(static_cast<int32_t>(colour));
    rocket.blue = PackedBlue(static_cast<int32_t>(colour));
  }
  // The burst lies in the middle half of the picture in each direction.
  rocket.x0 = static_cast<int32_t>(TruncateWhole(random.UnitDraw() * rocket.width * 0.5 + rocket.width / 4));
  rocket.y0 = static_cast<int32_t>(TruncateWhole(random.UnitDraw() * rocket.height * 0.5 + rocket.height / 4));
  // vx in [-e/2, e/2), vy (upward) in [-e/8, 3e/4).
  for (int32_t k = 0; k < particles; ++k) {
    rocket.vx[k] = static_cast<int32_t>(
        TruncateWhole(static_cast<double>(TruncateWhole(random.UnitDraw() * speed)) - speed * 0.5));
    rocket.vy[k] = static_cast<int32_t>(
        TruncateWhole(static_cast<double>(TruncateWhole(random.UnitDraw() * speed * 7 * 0.125)) - speed * 0.125));
  }
  return 1;
}

int StepRocket(FireworksScene& scene, Rocket& rocket) {
  if (rocket.step >= rocket.lifetime) return 0;
  RandomSource& random = *scene.random;
  Flicker(random, &rocket.red);
  Flicker(random, &rocket.blue);
  Flicker(random, &rocket.green);
  const int32_t colour = PackColour(rocket.red, rocket.green, rocket.blue);
  DrawSurface& surface = *scene.surface;
  const double t = rocket.step * 0.01;
  int64_t x, y;
  for (int32_t k = 0; k < rocket.particles; ++k) {
    ParticleAt(rocket, k, t, &x, &y);
    Plot(surface, x, y, colour);
  }
  const int32_t half = rocket.lifetime / 2;
  if (rocket.step >= half) {
    // The wiping runs at twice the drawing speed: the trail is gone by the last step.
    for (int32_t k = 0; k < rocket.particles; ++k)
      for (int j = 0; j < 2; ++j) {
        ParticleAt(rocket, k, static_cast<double>(2 * (static_cast<int64_t>(rocket.step) - half) + j) * 0.01, &x, &y);
        Plot(surface, x, y, scene.background);
      }
  }
  ++rocket.step;
  return 1;
}

int CaptureFrame(FireworksScene& scene) {
  if (scene.batch) return scene.batch->endStep() ? 1 : 0;
  DibImage frame = NewFrameToFill(scene);
  if (!frame) return 0;
  if (!scene.surface->copyInto(frame) || !AppendFrame(scene.frames, frame, scene.delay)) {
    FreeDibImage(frame);
    return 0;
  }
  return 1;
}

namespace {

// The passes of the animation, each captured as a frame: the first launches every rocket
// and draws its first step, the later ones step them all; it stops after a pass in which
// no rocket drew.
int RunPasses(FireworksScene& scene, Rocket* rockets) {
  RandomSource& random = *scene.random;
  for (int i = 0; i < 4; ++i) random.UnitDraw();  // not used
  const double u1 = random.UnitDraw();
  const double u2 = random.UnitDraw();
  const double u3 = random.UnitDraw();
  random.UnitDraw();  // u4: not used
  const int32_t speed = QuarterToWhole(u1, scene.explosion);
  const int32_t particles = QuarterToWhole(u2, 90);  // 23 to 90
  const int32_t lifetime = QuarterToWhole(u3, scene.energy);
  if (!AnimationFits(scene.width, scene.height, lifetime)) return 0;
  for (int i = 0; i < scene.rockets; ++i) {
    if (!LaunchRocket(scene, rockets[i], speed, particles, lifetime, i)) return 0;
    rockets[i].step = 0;
    StepRocket(scene, rockets[i]);
  }
  if (!CaptureFrame(scene)) return 0;
  for (;;) {
    if (random.UnitDraw() * 100 < 20)
      for (int i = 0; i < 4; ++i) random.UnitDraw();  // not used
    bool drew = false;
    for (int i = 0; i < scene.rockets; ++i) drew = StepRocket(scene, rockets[i]) != 0 || drew;
    if (!CaptureFrame(scene)) return 0;
    if (!drew) return 1;
  }
}

}  // namespace

int RenderFireworks(FireworksScene& scene) {
  if (!scene.frames || !scene.random || scene.rockets < 1 || scene.rockets > kMostRockets) return 0;
  if (!SurfaceFits(scene.width, scene.height)) return 0;
  std::unique_ptr<Rocket[]> rockets(new (std::nothrow) Rocket[scene.rockets]);
  if (!rockets) return 0;
  for (int i = 0; i < scene.rockets; ++i) {
    rockets[i].width = scene.width;
    rockets[i].height = scene.height;
    rockets[i].gravity = scene.gravity;
  }
  if (scene.threads > 1) {
    platform::PartTeam team(scene.threads);
    FrameBatch batch(scene, team);
    scene.surface = &batch;
    scene.batch = &batch;
    batch.fill(scene.background);
    const int result = RunPasses(scene, rockets.get()) && batch.flush() ? 1 : 0;
    scene.surface = nullptr;
    scene.batch = nullptr;
    return result;
  }
  OwnedDib image(NewFrameImage(scene));
  if (!image) return 0;
  int result = 0;
  // The surface keeps the image locked: it goes first, the image after it.
  if (std::unique_ptr<DrawSurface> surface = CreateDrawSurface(scene.window, image.get())) {
    scene.surface = surface.get();
    surface->fill(scene.background);
    result = RunPasses(scene, rockets.get());
    scene.surface = nullptr;
  }
  return result;
}
