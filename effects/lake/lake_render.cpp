// Rows are moved whole: a row of the reflection is always a whole row of the mirror, so
// each one is one copy of width x 3 bytes between locked views, with one sine per row
// per frame. The bytes are those of copying pixel by pixel (the padding at the end of a
// row stays zero, as a new image has it).
#include "effects/lake/lake_render.h"

#include <cstring>

#include "framework/dib_view.h"
#include "framework/portable_math.h"

namespace {

constexpr double kFullTurn = 6.283185307179586;

bool IsTrueColour(const DibView& view) { return view.ok() && view.bits() == 24; }

size_t RowBytes(const DibView& view) { return static_cast<size_t>(view.width()) * 3; }

// A new 24-bit image of the view's size; its rows are filled by the caller.
DibImage NewLike(const DibView& view, int32_t height) { return CreateDibImage(view.width(), height, nullptr, 24); }

}  // namespace

DibImage MakeMirror(DibImage picture) {
  DibView from(picture);
  if (!IsTrueColour(from)) return nullptr;
  DibImage mirror = NewLike(from, from.height());
  DibView to(mirror);
  if (!to.ok()) {
    FreeDibImage(mirror);
    return nullptr;
  }
  const int32_t height = from.height();
  for (int32_t i = 0; i < height; ++i) std::memcpy(to.pictureRow(height - 1 - i), from.pictureRow(i), RowBytes(from));
  return mirror;
}

int32_t LakeRowShift(int32_t row, int32_t height, int32_t frame, int32_t frameCount) {
  const int64_t k = height / 14;
  const double phase = frame * kFullTurn / frameCount;
  // k (H - i) is a whole number; 64 bits keep it exact for any picture height.
  const double a = static_cast<double>(k * (height - row)) / (row + 1) + phase;
  return static_cast<int32_t>(PortableSin(a) * static_cast<double>(k) * (row + 28.0) / height);
}

DibImage LakeFrame(DibImage mirror, int32_t frame, int32_t frameCount) {
  DibView from(mirror);
  if (!IsTrueColour(from) || frameCount < 1) return nullptr;
  const int32_t height = from.height();
  DibImage result = NewLike(from, height);
  DibView to(result);
  if (!to.ok()) {
    FreeDibImage(result);
    return nullptr;
  }
  for (int32_t i = 0; i < height; ++i) {
    const int32_t shift = LakeRowShift(i, height, frame, frameCount);
    // A row whose source lies above or below the reflection keeps the mirror's own row.
    const int32_t source = i + shift < 0 || i + shift >= height ? i : i + shift;
    std::memcpy(to.pictureRow(i), from.pictureRow(source), RowBytes(from));
  }
  return result;
}

int RenderLake(DibImage picture, int32_t frameCount, int32_t delay, FrameList* frames) {
  DibImage mirror = MakeMirror(picture);
  if (!mirror) return 0;
  for (int32_t j = 0; j < frameCount; ++j) {
    DibImage frame = LakeFrame(mirror, j, frameCount);
    if (!frame || !AppendFrame(frames, frame, delay)) {
      FreeDibImage(frame);
      FreeDibImage(mirror);
      return 0;
    }
  }
  FreeDibImage(mirror);
  return 1;
}

DibImage ComposeLakeFrame(DibImage picture, DibImage reflection) {
  DibView top(picture);
  DibView bottom(reflection);
  if (!IsTrueColour(top) || !IsTrueColour(bottom) || top.width() != bottom.width() ||
      top.height() != bottom.height() || top.height() > INT32_MAX / 2)
    return nullptr;
  const int32_t height = top.height();
  DibImage result = NewLike(top, 2 * height);
  DibView to(result);
  if (!to.ok()) {
    FreeDibImage(result);
    return nullptr;
  }
  for (int32_t i = 0; i < height; ++i) {
    std::memcpy(to.pictureRow(i), top.pictureRow(i), RowBytes(top));
    std::memcpy(to.pictureRow(height + i), bottom.pictureRow(i), RowBytes(top));
  }
  return result;
}

int ComposeLakeFrames(DibImage picture, FrameList* frames, void (*progress)(void* context, int32_t done, int32_t total),
                      void* progressContext) {
  for (int32_t i = 0; i < frames->count; ++i) {
    if (progress) progress(progressContext, i, frames->count);
    FrameEntry entry;
    if (!ReadFrameEntry(frames, i, &entry)) return 0;
    DibImage composed = ComposeLakeFrame(picture, entry.image);
    if (!composed) return 0;
    DibImage reflection = entry.image;
    entry.image = composed;
    if (!WriteFrameEntry(frames, i, entry)) {
      FreeDibImage(composed);
      return 0;
    }
    FreeDibImage(reflection);
  }
  return 1;
}
