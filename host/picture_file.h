// Pictures the host hands to plug-ins (loading a file, the clipboard): BMP, GIF, PNG,
// JPEG and WebP, decoded by the field's hardened libraries (picture_decoders.h), never by
// our own code but for plain BMP rows.
//
// A still picture is the first frame of an animated file, as a viewer shows it first.
// The result is a DibImage that the caller owns: 8-bit with the file's own palette when
// the file is paletted (a BMP of up to 8 bits, an indexed-colour PNG, a GIF) and every
// pixel is an opaque colour of it, 24-bit otherwise. Transparent pixels are shown over
// white; a JPEG's orientation tag is applied. Hostile files are refused, never trusted:
// the size is read from the header and checked (picture_header.h) before any decoder
// runs, at most kMaxPictureFileBytes are read, and the decoders' memory is capped
// (decoder_memory.h).
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "framework/dib_image.h"
#include "host/decoder_memory.h"
#include "host/picture_header.h"

// The picture of a file's bytes; null, with the reason in `error`, when it cannot be read.
DibImage DecodePictureFile(const unsigned char* data, size_t size, std::string* error);

// Reads and decodes a file.
DibImage LoadPictureFile(const std::string& path, std::string* error);

// One frame of a file as a viewer shows it, and for how long (hundredths of a second;
// 0 for a still picture).
struct PictureFrame {
  DibImage image = nullptr;
  int delay = 0;
};

// The frames of one file, owned: whatever is still held is freed with it.
class PictureFrames {
 public:
  PictureFrames() = default;
  ~PictureFrames() { clear(); }
  PictureFrames(const PictureFrames&) = delete;
  PictureFrames& operator=(const PictureFrames&) = delete;
  PictureFrames(PictureFrames&& other) noexcept : frames_(std::move(other.frames_)) { other.frames_.clear(); }
  PictureFrames& operator=(PictureFrames&& other) noexcept {
    if (this != &other) {
      clear();
      frames_.swap(other.frames_);
    }
    return *this;
  }

  // Takes `image` (null is refused and returns false).
  bool add(DibImage image, int delay) {
    if (!image) return false;
    frames_.push_back(PictureFrame{image, delay});
    return true;
  }
  size_t size() const { return frames_.size(); }
  bool empty() const { return frames_.empty(); }
  const PictureFrame& operator[](size_t i) const { return frames_[i]; }
  // Hands frame i over to the caller; the frame then holds nothing.
  DibImage take(size_t i) {
    DibImage image = frames_[i].image;
    frames_[i].image = nullptr;
    return image;
  }
  void clear() {
    for (PictureFrame& frame : frames_) FreeDibImage(frame.image);
    frames_.clear();
  }

 private:
  std::vector<PictureFrame> frames_;
};

// Memory that the frames of one or several files may take together, shared by the
// threads that decode them.
class FrameBudget {
 public:
  explicit FrameBudget(uint64_t bytes) : left_(bytes) {}
  // Takes `bytes` from what is left; false (taking nothing) when there is not that much.
  bool take(uint64_t bytes) {
    uint64_t left = left_.load();
    do {
      if (bytes > left) return false;
    } while (!left_.compare_exchange_weak(left, left - bytes));
    return true;
  }

 private:
  std::atomic<uint64_t> left_;
};

// Every frame of a file: each frame of an animated GIF or WebP as it is shown, its
// disposal and blending applied (a delay of 0 or 1 shows as 10, as browsers show it),
// or the one picture of any other file, each taken from `budget`. False, with the
// reason, when the file cannot be read or the budget runs out.
bool DecodePictureFrames(const unsigned char* data, size_t size, FrameBudget& budget, PictureFrames* frames,
                         std::string* error);
bool LoadPictureFrames(const std::string& path, FrameBudget& budget, PictureFrames* frames, std::string* error);

// Reads a whole file of at most `limit` bytes.
bool ReadWholeFile(const std::string& path, size_t limit, std::vector<unsigned char>* bytes, std::string* error);
