#include "tests/host/webp_decoder.h"

#include <webp/demux.h>

#include <fstream>
#include <iterator>

bool DecodeWebp(const std::vector<uint8_t>& bytes, DecodedWebp* out, std::string* error) {
  WebPAnimDecoderOptions options;
  if (!WebPAnimDecoderOptionsInit(&options)) {
    *error = "libwebp version mismatch";
    return false;
  }
  options.color_mode = MODE_RGBA;
  options.use_threads = 0;
  WebPData data{bytes.data(), bytes.size()};
  WebPAnimDecoder* decoder = WebPAnimDecoderNew(&data, &options);
  if (!decoder) {
    *error = "not an animated WebP libwebp reads";
    return false;
  }
  WebPAnimInfo info;
  if (!WebPAnimDecoderGetInfo(decoder, &info)) {
    WebPAnimDecoderDelete(decoder);
    *error = "no animation information";
    return false;
  }
  *out = DecodedWebp();
  out->width = static_cast<int>(info.canvas_width);
  out->height = static_cast<int>(info.canvas_height);
  out->loopCount = static_cast<int>(info.loop_count);
  while (WebPAnimDecoderHasMoreFrames(decoder)) {
    uint8_t* rgba = nullptr;
    int timestamp = 0;
    if (!WebPAnimDecoderGetNext(decoder, &rgba, &timestamp)) {
      WebPAnimDecoderDelete(decoder);
      *error = "frame " + std::to_string(out->frames.size()) + " cannot be decoded";
      return false;
    }
    DecodedWebpFrame frame;
    frame.endTime = timestamp;
    const size_t pixels = static_cast<size_t>(out->width) * out->height;
    frame.screen.resize(pixels);
    frame.alpha.resize(pixels);
    for (size_t i = 0; i < pixels; ++i) {
      frame.screen[i] = {rgba[4 * i], rgba[4 * i + 1], rgba[4 * i + 2]};
      frame.alpha[i] = rgba[4 * i + 3];
    }
    out->frames.push_back(std::move(frame));
  }
  WebPAnimDecoderDelete(decoder);
  return true;
}

bool DecodeWebpFile(const std::string& path, DecodedWebp* webp, std::string* error) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    *error = "cannot open " + path;
    return false;
  }
  std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  return DecodeWebp(bytes, webp, error);
}
