#include "host/webp_file.h"

#include <webp/encode.h>
#include <webp/mux.h>

#include <algorithm>
#include <cstdio>
#include <memory>

#include "host/composed_frames.h"

namespace {

// Lossless effort from 0 (fastest) to 9 (smallest): the middle trades little size for
// much time on photographs.
constexpr int kLosslessLevel = 4;
// Lossy: method 0 (fastest) to 6 (smallest).
constexpr int kLossyMethod = 4;

struct EncoderDeleter {
  void operator()(WebPAnimEncoder* encoder) const { WebPAnimEncoderDelete(encoder); }
};

// One frame's picture for the encoder, freed with it.
struct Picture {
  WebPPicture picture;
  Picture() { WebPPictureInit(&picture); }
  ~Picture() { WebPPictureFree(&picture); }
  Picture(const Picture&) = delete;
  Picture& operator=(const Picture&) = delete;
};

}  // namespace

bool WriteWebpAnimation(const Delivery& delivery, const WebpOptions& options, const ByteSink& sink,
                        std::string* error) {
  if (!ComposableSize(delivery.width, delivery.height) || delivery.width > WEBP_MAX_DIMENSION ||
      delivery.height > WEBP_MAX_DIMENSION) {
    *error = "the animation's size does not fit a WebP";
    return false;
  }
  if (options.quality < -1 || options.quality > 100) {
    *error = "the WebP quality must be from 0 to 100";
    return false;
  }
  WebPAnimEncoderOptions encoderOptions;
  WebPConfig config;
  if (!WebPAnimEncoderOptionsInit(&encoderOptions) || !WebPConfigInit(&config)) {
    *error = "libwebp does not match the version it was built with";
    return false;
  }
  encoderOptions.anim_params.loop_count = std::clamp(options.plays, 0, 65535);
  if (options.quality < 0) {
    WebPConfigLosslessPreset(&config, kLosslessLevel);
  } else {
    config.lossless = 0;
    config.quality = static_cast<float>(options.quality);
    config.method = kLossyMethod;
    // The lossy frames keep colour at half resolution; the slower, sharper conversion to
    // it keeps colour edges (about 1 dB closer to the frames on photographs, for 6% more bytes).
    config.use_sharp_yuv = 1;
  }
  std::unique_ptr<WebPAnimEncoder, EncoderDeleter> encoder(
      WebPAnimEncoderNew(delivery.width, delivery.height, &encoderOptions));
  if (!encoder) {
    *error = "the WebP encoder cannot be made (out of memory?)";
    return false;
  }
  FrameComposer composer(delivery.width, delivery.height);
  int timestamp = 0;  // milliseconds
  for (size_t i = 0; i < delivery.frames.size(); ++i) {
    const DeliveredImage& frame = delivery.frames[i];
    if (!composer.draw(frame)) {
      *error = "frame " + std::to_string(i) + " cannot be read";
      return false;
    }
    Picture picture;
    picture.picture.use_argb = 1;
    picture.picture.width = delivery.width;
    picture.picture.height = delivery.height;
    if (!WebPPictureImportRGB(&picture.picture, composer.screen(), delivery.width * 3) ||
        !WebPAnimEncoderAdd(encoder.get(), &picture.picture, timestamp, &config)) {
      *error = "frame " + std::to_string(i) + ": " + WebPAnimEncoderGetError(encoder.get());
      return false;
    }
    timestamp += (frame.delay > 0 ? frame.delay : 0) * 10;
  }
  WebPData data;
  WebPDataInit(&data);
  if (!WebPAnimEncoderAdd(encoder.get(), nullptr, timestamp, nullptr) ||
      !WebPAnimEncoderAssemble(encoder.get(), &data)) {
    *error = WebPAnimEncoderGetError(encoder.get());
    return false;
  }
  bool ok = sink(data.bytes, data.size);
  WebPDataClear(&data);
  if (!ok) *error = "cannot be written";
  return ok;
}

bool WriteWebpFile(const Delivery& delivery, const WebpOptions& options, const std::string& path,
                   std::string* error) {
  std::FILE* out = std::fopen(path.c_str(), "wb");
  if (!out) {
    *error = "cannot be created";
    return false;
  }
  ByteSink sink = [out](const uint8_t* bytes, size_t count) { return std::fwrite(bytes, 1, count, out) == count; };
  bool ok = WriteWebpAnimation(delivery, options, sink, error);
  if (std::fclose(out) != 0 && ok) {
    *error = "cannot be written";
    ok = false;
  }
  if (!ok) std::remove(path.c_str());
  return ok;
}
