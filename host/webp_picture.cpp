// WebP pictures through libwebp: a still picture straight into the 24-bit picture (one
// with transparency through a buffer of red, green, blue, alpha), an animation through
// libwebp's animation decoder, which composes every frame on the canvas as it is shown.
//
// libwebp allocates on its own, so what it will hold is worked out from the header
// before it starts: a lossless picture holds 4 bytes a pixel inside the decoder, a
// transparent one 4 more (and a lossy one its alpha plane), and the animation decoder
// two canvases of 4 bytes a pixel besides the frame it decodes. A file whose decoding
// would take more than the decoders' cap is refused.
#include <webp/decode.h>
#include <webp/demux.h>

#include <cstring>

#include "host/decoder_memory.h"
#include "host/picture_canvas.h"
#include "host/picture_decoders.h"

namespace {

std::string WebpReason(VP8StatusCode status) {
  switch (status) {
    case VP8_STATUS_OUT_OF_MEMORY: return "not enough memory for the picture";
    case VP8_STATUS_NOT_ENOUGH_DATA: return "damaged (the file is cut short)";
    case VP8_STATUS_UNSUPPORTED_FEATURE: return "a WebP feature libwebp does not read";
    default: return "damaged (the WebP data is unreadable)";
  }
}

bool ReadFeatures(const unsigned char* data, size_t size, WebPBitstreamFeatures* features, std::string* error) {
  const VP8StatusCode status = WebPGetFeatures(data, size, features);
  if (status != VP8_STATUS_OK) {
    *error = WebpReason(status);
    return false;
  }
  *error = CheckPictureSize(features->width, features->height);
  return error->empty();
}

// The bytes libwebp and this reader hold while decoding.
uint64_t DecodingBytes(const WebPBitstreamFeatures& f) {
  const uint64_t pixels = static_cast<uint64_t>(f.width) * static_cast<uint64_t>(f.height);
  const bool lossless = f.format == 2;
  uint64_t bytes = lossless ? 4 * pixels : 0;
  if (f.has_alpha) bytes += 4 * pixels + (lossless ? 0 : pixels);
  if (f.has_animation) bytes = 12 * pixels;
  return bytes;
}

bool WithinCap(const WebPBitstreamFeatures& f, std::string* error) {
  if (DecodingBytes(f) <= DecoderMemoryCap()) return true;
  *error = OverDecoderCap();
  return false;
}

// The animation decoder, deleted with it.
class AnimationReader {
 public:
  AnimationReader(const unsigned char* data, size_t size) {
    WebPAnimDecoderOptions options;
    if (!WebPAnimDecoderOptionsInit(&options)) return;
    options.color_mode = MODE_RGBA;
    options.use_threads = 0;
    const WebPData bytes{data, size};
    decoder_ = WebPAnimDecoderNew(&bytes, &options);
    if (decoder_ && !WebPAnimDecoderGetInfo(decoder_, &info_)) {
      WebPAnimDecoderDelete(decoder_);
      decoder_ = nullptr;
    }
  }
  ~AnimationReader() { WebPAnimDecoderDelete(decoder_); }
  AnimationReader(const AnimationReader&) = delete;
  AnimationReader& operator=(const AnimationReader&) = delete;
  bool ok() const { return decoder_ != nullptr; }
  const WebPAnimInfo& info() const { return info_; }
  bool more() const { return WebPAnimDecoderHasMoreFrames(decoder_) != 0; }
  // The canvas after the next frame, and when that frame gives way (milliseconds).
  bool next(uint8_t** canvas, int* endTime) { return WebPAnimDecoderGetNext(decoder_, canvas, endTime) != 0; }

 private:
  WebPAnimDecoder* decoder_ = nullptr;
  WebPAnimInfo info_{};
};

// A 24-bit picture of a canvas of red, green, blue, alpha, shown over white.
DibImage ShownPicture(const uint8_t* rgba, int32_t width, int32_t height) {
  PictureCanvas canvas;
  if (!canvas.startTrueColour(width, height, false)) return nullptr;
  for (int32_t y = 0; y < height; ++y) canvas.putRgba(y, rgba + static_cast<size_t>(y) * width * 4, width);
  return canvas.finish();
}

bool DecodeAnimation(const unsigned char* data, size_t size, FrameBudget& budget, size_t most,
                     PictureFrames* frames, std::string* error) {
  AnimationReader reader(data, size);
  if (!reader.ok()) {
    *error = "damaged (the WebP animation is unreadable)";
    return false;
  }
  const int32_t width = static_cast<int32_t>(reader.info().canvas_width);
  const int32_t height = static_cast<int32_t>(reader.info().canvas_height);
  *error = CheckPictureSize(width, height);
  if (!error->empty()) return false;
  int previousEnd = 0;
  while (frames->size() < most && reader.more()) {
    uint8_t* canvas = nullptr;
    int endTime = 0;
    if (!reader.next(&canvas, &endTime)) {
      *error = "damaged (frame " + std::to_string(frames->size() + 1) + " of the WebP animation is unreadable)";
      return false;
    }
    if (!budget.take(FrameBytes(width, height))) {
      *error = OverBudget(frames->size() + 1, width, height);
      return false;
    }
    // A frame of at most 10 ms is shown for 100 ms, as browsers show it.
    const int64_t milliseconds = static_cast<int64_t>(endTime) - previousEnd;
    const int64_t hundredths = milliseconds <= 10 ? 0 : (milliseconds + 5) / 10 < 2 ? 2 : (milliseconds + 5) / 10;
    previousEnd = endTime;
    if (!frames->add(ShownPicture(canvas, width, height), ShownDelay(hundredths))) {
      *error = "not enough memory for the picture";
      return false;
    }
  }
  if (frames->empty()) {
    *error = "damaged (the WebP animation holds no frame)";
    return false;
  }
  return true;
}

}  // namespace

DibImage DecodeWebpPicture(const unsigned char* data, size_t size, const PictureHeader&, std::string* error) {
  WebPBitstreamFeatures features;
  if (!ReadFeatures(data, size, &features, error) || !WithinCap(features, error)) return nullptr;
  if (features.has_animation) {
    PictureFrames first;
    FrameBudget unlimited(UINT64_MAX);
    if (!DecodeAnimation(data, size, unlimited, 1, &first, error)) return nullptr;
    return first.take(0);
  }
  const int32_t width = features.width, height = features.height;
  WebPDecoderConfig config;
  if (!WebPInitDecoderConfig(&config)) {
    *error = "not enough memory for the picture";
    return nullptr;
  }
  PictureCanvas canvas;
  DecoderBuffer rgba;
  if (!canvas.startTrueColour(width, height, false)) {
    *error = "not enough memory for the picture";
    return nullptr;
  }
  config.output.is_external_memory = 1;
  if (features.has_alpha) {
    rgba = DecoderBuffer(static_cast<size_t>(width) * height * 4);
    if (!rgba) {
      *error = OverDecoderCap();
      return nullptr;
    }
    config.output.colorspace = MODE_RGBA;
    config.output.u.RGBA.rgba = rgba.data();
    config.output.u.RGBA.stride = width * 4;
    config.output.u.RGBA.size = rgba.size();
  } else {
    // Straight into the picture, whose rows run bottom-up: from the top row, backwards.
    const int stride = static_cast<int>(DibStride(width, 24));
    config.output.colorspace = MODE_BGR;
    config.output.u.RGBA.rgba = canvas.row(0);
    config.output.u.RGBA.stride = -stride;
    config.output.u.RGBA.size = static_cast<size_t>(stride) * height;
  }
  const VP8StatusCode status = WebPDecode(data, size, &config);
  WebPFreeDecBuffer(&config.output);
  if (status != VP8_STATUS_OK) {
    *error = WebpReason(status);
    return nullptr;
  }
  if (features.has_alpha)
    for (int32_t y = 0; y < height; ++y) canvas.putRgba(y, rgba.data() + static_cast<size_t>(y) * width * 4, width);
  DibImage image = canvas.finish();
  if (!image) *error = "not enough memory for the picture";
  return image;
}

bool DecodeWebpFrames(const unsigned char* data, size_t size, FrameBudget& budget, PictureFrames* frames,
                      std::string* error) {
  WebPBitstreamFeatures features;
  if (!ReadFeatures(data, size, &features, error) || !WithinCap(features, error)) return false;
  if (!features.has_animation) {
    if (!budget.take(FrameBytes(features.width, features.height))) {
      *error = OverBudget(1, features.width, features.height);
      return false;
    }
    return frames->add(DecodeWebpPicture(data, size, PictureHeader(), error), 0);
  }
  return DecodeAnimation(data, size, budget, SIZE_MAX, frames, error);
}
