#include "host/png_file.h"

#include <zlib.h>

#include <cstdio>
#include <cstring>
#include <vector>

#include "framework/parallel.h"
#include "host/output_file.h"

namespace {

constexpr uint8_t kDisposeNone = 0;
constexpr uint8_t kBlendSource = 0;
constexpr uint8_t kBlendOver = 1;

void Put32(std::vector<uint8_t>* out, uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8) out->push_back(static_cast<uint8_t>(value >> shift));
}
void Put16(std::vector<uint8_t>* out, uint32_t value) {
  out->push_back(static_cast<uint8_t>(value >> 8));
  out->push_back(static_cast<uint8_t>(value));
}

class ChunkWriter {
 public:
  explicit ChunkWriter(const ByteSink& sink) : sink_(sink) {}
  bool raw(const uint8_t* bytes, size_t count) { return ok_ = ok_ && sink_(bytes, count); }
  bool chunk(const char* type, const std::vector<uint8_t>& data) {
    std::vector<uint8_t> head;
    Put32(&head, static_cast<uint32_t>(data.size()));
    head.insert(head.end(), type, type + 4);
    uLong crc = crc32(0, reinterpret_cast<const Bytef*>(type), 4);
    if (!data.empty()) crc = crc32(crc, data.data(), static_cast<uInt>(data.size()));
    std::vector<uint8_t> tail;
    Put32(&tail, static_cast<uint32_t>(crc));
    return raw(head.data(), head.size()) && (data.empty() || raw(data.data(), data.size())) &&
           raw(tail.data(), tail.size());
  }
  bool ok() const { return ok_; }

 private:
  const ByteSink& sink_;
  bool ok_ = true;
};

// The region's pixels as filtered PNG rows (filter 0, RGBA), compressed.
bool CompressRegion(const FramePicture& picture, const FrameRegion& r, int32_t key, std::vector<uint8_t>* out) {
  std::vector<uint8_t> raw;
  raw.reserve(static_cast<size_t>(r.height) * (1 + 4 * static_cast<size_t>(r.width)));
  for (int32_t y = r.top; y < r.top + r.height; ++y) {
    raw.push_back(0);
    for (int32_t x = r.left; x < r.left + r.width; ++x) {
      bool outside = x >= picture.width || y >= picture.height;
      bool clear = outside || picture.pixel(x, y) == key;
      RgbColour c = outside ? RgbColour{0, 0, 0} : picture.colour(x, y);
      raw.insert(raw.end(), {c.red, c.green, c.blue, static_cast<uint8_t>(clear ? 0 : 255)});
    }
  }
  uLongf length = compressBound(static_cast<uLong>(raw.size()));
  out->resize(length);
  if (compress2(out->data(), &length, raw.data(), static_cast<uLong>(raw.size()), 6) != Z_OK) return false;
  out->resize(length);
  return true;
}

// Frames are compressed ahead on several threads, this many per thread at a time.
constexpr size_t kFramesPerThread = 4;

// One frame's region and its compressed pixels, or why it cannot be written.
struct CompressedFrame {
  FrameRegion region;
  bool blend = false;
  std::vector<uint8_t> data;
  std::string error;
};

void CompressFrame(const Delivery& delivery, size_t i, CompressedFrame* out) {
  const DeliveredImage& frame = delivery.frames[i];
  out->error.clear();
  FramePicture picture;
  if (!ReadFramePicture(frame.bitmap, &picture)) {
    out->error = "frame " + std::to_string(i) + " cannot be read";
    return;
  }
  out->blend = i > 0 && frame.transparentKey >= 0;
  // The first frame is the default image and covers the whole canvas.
  FrameRegion r = i == 0 ? FrameRegion{0, 0, delivery.width, delivery.height}
                         : (out->blend ? VisibleRegion(picture, frame.transparentKey)
                                       : FrameRegion{0, 0, picture.width, picture.height});
  if (r.left + r.width > delivery.width) r.width = delivery.width - r.left;
  if (r.top + r.height > delivery.height) r.height = delivery.height - r.top;
  if (r.width < 1 || r.height < 1) r = FrameRegion{0, 0, 1, 1};
  out->region = r;
  if (!CompressRegion(picture, r, out->blend ? frame.transparentKey : -1, &out->data))
    out->error = "frame " + std::to_string(i) + " cannot be compressed";
}

}  // namespace

bool WriteApngAnimation(const Delivery& delivery, const ByteSink& sink, std::string* error, int threads, int plays) {
  if (delivery.width < 1 || delivery.height < 1 || delivery.frames.empty()) {
    *error = "the animation has no size or no frame";
    return false;
  }
  ChunkWriter png(sink);
  static const uint8_t kSignature[8] = {137, 'P', 'N', 'G', 13, 10, 26, 10};
  png.raw(kSignature, sizeof kSignature);
  std::vector<uint8_t> data;
  Put32(&data, delivery.width);
  Put32(&data, delivery.height);
  data.insert(data.end(), {8, 6, 0, 0, 0});  // 8 bits, RGBA, deflate, no filter choice, not interlaced
  png.chunk("IHDR", data);
  data.clear();
  Put32(&data, static_cast<uint32_t>(delivery.frames.size()));
  Put32(&data, static_cast<uint32_t>(plays < 0 ? 0 : plays));  // 0: for ever
  png.chunk("acTL", data);
  if (delivery.hasComment && !delivery.comment.empty()) {
    data.assign({'C', 'o', 'm', 'm', 'e', 'n', 't', 0});
    data.insert(data.end(), delivery.comment.begin(), delivery.comment.end());
    png.chunk("tEXt", data);
  }
  // Frames are read and compressed ahead on the threads, a batch at a time, and their
  // chunks written in order.
  const size_t count = delivery.frames.size();
  const size_t batch = threads > 1 ? static_cast<size_t>(threads) * kFramesPerThread : 1;
  std::vector<CompressedFrame> compressed(batch);
  uint32_t sequence = 0;
  for (size_t first = 0; first < count && png.ok(); first += batch) {
    const int32_t size = static_cast<int32_t>(count - first < batch ? count - first : batch);
    ParallelFor(threads, size, [&](int32_t k, int) {
      CompressFrame(delivery, first + k, &compressed[k]);
      return true;  // every frame of the batch is tried: the first failure is the one told
    });
    for (int32_t k = 0; k < size && png.ok(); ++k) {
      const size_t i = first + k;
      CompressedFrame& frame = compressed[k];
      if (!frame.error.empty()) {
        *error = frame.error;
        return false;
      }
      const FrameRegion& r = frame.region;
      data.clear();
      Put32(&data, sequence++);
      Put32(&data, r.width);
      Put32(&data, r.height);
      Put32(&data, r.left);
      Put32(&data, r.top);
      const int32_t delay = delivery.frames[i].delay;
      Put16(&data, static_cast<uint32_t>(delay < 0 ? 0 : (delay > 65535 ? 65535 : delay)));
      Put16(&data, 100);
      data.push_back(kDisposeNone);
      data.push_back(frame.blend ? kBlendOver : kBlendSource);
      png.chunk("fcTL", data);
      if (i == 0) {
        png.chunk("IDAT", frame.data);
      } else {
        data.clear();
        Put32(&data, sequence++);
        data.insert(data.end(), frame.data.begin(), frame.data.end());
        png.chunk("fdAT", data);
      }
      frame.data = std::vector<uint8_t>();
    }
  }
  png.chunk("IEND", {});
  if (!png.ok()) *error = "cannot be written";
  return png.ok();
}

bool WriteApngFile(const Delivery& delivery, const std::string& path, std::string* error, int threads) {
  return WriteOutputFile(path, error,
                         [&](OutputFile& file) { return WriteApngAnimation(delivery, file.sink(), error, threads); });
}
