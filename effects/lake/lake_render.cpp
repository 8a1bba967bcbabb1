// Rows are moved whole: a row of the reflection is always a whole row of the mirror, so
// each one is one copy of width x 3 bytes between locked views, with one sine per row
// per frame. The bytes are those of copying pixel by pixel (the padding at the end of a
// row stays zero, as a new image has it).
#include "effects/lake/lake_render.h"

#include <cstring>

#include <vector>

#include "framework/dib_view.h"
#include "framework/frames_in_order.h"
#include "framework/portable_math.h"

namespace {

constexpr double kFullTurn = 6.283185307179586;

bool IsTrueColour(const DibView& view) { return view.ok() && view.bits() == 24; }

size_t RowBytes(const DibView& view) { return static_cast<size_t>(view.width()) * 3; }

// A new 24-bit image of the view's width; every row is filled by the caller.
DibImage NewLike(const DibView& view, int32_t height) { return CreateDibImageToFill(view.width(), height, nullptr, 24); }

}  // namespace

DibImage MakeMirror(DibImage picture) {
  DibView from(picture);
  if (!IsTrueColour(from)) return nullptr;
  OwnedDib mirror(NewLike(from, from.height()));
  DibView to(mirror.get());
  if (!to.ok()) return nullptr;
  const int32_t height = from.height();
  for (int32_t i = 0; i < height; ++i) std::memcpy(to.pictureRow(height - 1 - i), from.pictureRow(i), RowBytes(from));
  return mirror.release();
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
  OwnedDib result(NewLike(from, height));
  DibView to(result.get());
  if (!to.ok()) return nullptr;
  for (int32_t i = 0; i < height; ++i) {
    const int32_t shift = LakeRowShift(i, height, frame, frameCount);
    // A row whose source lies above or below the reflection keeps the mirror's own row.
    const int32_t source = i + shift < 0 || i + shift >= height ? i : i + shift;
    std::memcpy(to.pictureRow(i), from.pictureRow(source), RowBytes(from));
  }
  return result.release();
}

int RenderLake(DibImage picture, int32_t frameCount, int32_t delay, FrameList* frames, int threads) {
  OwnedDib mirror(MakeMirror(picture));
  if (!mirror) return 0;
  const int64_t frameBytes = static_cast<int64_t>(DibView(mirror.get()).stride()) * DibView(mirror.get()).height();
  const bool made = MakeFramesInOrder(
      threads, frameCount, frameBytes,
      [&](int64_t j, int) { return LakeFrame(mirror.get(), static_cast<int32_t>(j), frameCount); },
      [&](int64_t, DibImage frame) {
        if (AppendFrame(frames, frame, delay)) return true;
        FreeDibImage(frame);
        return false;
      });
  return made ? 1 : 0;
}

DibImage ComposeLakeFrame(DibImage picture, DibImage reflection) {
  DibView top(picture);
  DibView bottom(reflection);
  if (!IsTrueColour(top) || !IsTrueColour(bottom) || top.width() != bottom.width() ||
      top.height() != bottom.height() || top.height() > INT32_MAX / 2)
    return nullptr;
  const int32_t height = top.height();
  OwnedDib result(NewLike(top, 2 * height));
  DibView to(result.get());
  if (!to.ok()) return nullptr;
  for (int32_t i = 0; i < height; ++i) {
    std::memcpy(to.pictureRow(i), top.pictureRow(i), RowBytes(top));
    std::memcpy(to.pictureRow(height + i), bottom.pictureRow(i), RowBytes(top));
  }
  return result.release();
}

int ComposeLakeFrames(DibImage picture, FrameList* frames, void (*progress)(void* context, int32_t done, int32_t total),
                      void* progressContext, int threads) {
  const int32_t count = frames->count;
  // The reflections are read before any frame is composed: the list is touched only
  // here, on the calling thread.
  std::vector<FrameEntry> entries(static_cast<size_t>(count));
  for (int32_t i = 0; i < count; ++i)
    if (!ReadFrameEntry(frames, i, &entries[i])) return 0;
  const int64_t frameBytes = 2 * static_cast<int64_t>(DibView(picture).stride()) * DibView(picture).height();
  const bool composed = MakeFramesInOrder(
      threads, count, frameBytes,
      [&](int64_t i, int) { return ComposeLakeFrame(picture, entries[i].image); },
      [&](int64_t i, DibImage image) {
        // Reported here, on the calling thread and in order: the host sees the same
        // progress at any thread count.
        if (progress) progress(progressContext, static_cast<int32_t>(i), count);
        FrameEntry entry = entries[i];
        entry.image = image;
        if (!WriteFrameEntry(frames, static_cast<int32_t>(i), entry)) {
          FreeDibImage(image);
          return false;
        }
        FreeDibImage(entries[i].image);
        return true;
      });
  return composed ? 1 : 0;
}
