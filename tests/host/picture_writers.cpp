#include "tests/host/picture_writers.h"

#include <png.h>
#include <jpeglib.h>
#include <webp/encode.h>
#include <webp/mux.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

void AppendPng(png_structp png, png_bytep data, png_size_t count) {
  auto* out = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(png));
  out->insert(out->end(), data, data + count);
}

int ChannelsOf(int colourType) {
  switch (colourType) {
    case 2: return 3;
    case 4: return 2;
    case 6: return 4;
    default: return 1;
  }
}

// The file as it stands, or an empty one when the encoder refused (a test then fails on it).
std::vector<uint8_t> WritePng(const PngSample& sample) {
  std::vector<uint8_t> bytes;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    return {};
  }
  png_set_write_fn(png, &bytes, AppendPng, nullptr);
  png_set_IHDR(png, info, sample.width, sample.height, sample.depth, sample.colourType,
               sample.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  if (sample.colourType == 3) {
    std::vector<png_color> colours;
    for (const RgbColour& c : sample.palette) colours.push_back(png_color{c.red, c.green, c.blue});
    png_set_PLTE(png, info, colours.data(), static_cast<int>(colours.size()));
    if (!sample.paletteAlpha.empty())
      png_set_tRNS(png, info, sample.paletteAlpha.data(), static_cast<int>(sample.paletteAlpha.size()), nullptr);
  } else if (sample.colourType == 0 && sample.transparentGrey >= 0) {
    png_color_16 key{};
    key.gray = static_cast<png_uint_16>(sample.transparentGrey);
    png_set_tRNS(png, info, nullptr, 0, &key);
  } else if (sample.colourType == 2 && sample.transparentRgb[0] >= 0) {
    png_color_16 key{};
    key.red = static_cast<png_uint_16>(sample.transparentRgb[0]);
    key.green = static_cast<png_uint_16>(sample.transparentRgb[1]);
    key.blue = static_cast<png_uint_16>(sample.transparentRgb[2]);
    png_set_tRNS(png, info, nullptr, 0, &key);
  }
  png_write_info(png, info);
  // Rows packed as the file stores them: big-endian 16-bit samples, low depths packed
  // from the most significant bit.
  const int channels = ChannelsOf(sample.colourType);
  const size_t rowBytes = (static_cast<size_t>(sample.width) * channels * sample.depth + 7) / 8;
  std::vector<std::vector<uint8_t>> rows(sample.height, std::vector<uint8_t>(rowBytes, 0));
  for (int y = 0; y < sample.height; ++y)
    for (int i = 0; i < sample.width * channels; ++i) {
      const unsigned v = sample.samples[static_cast<size_t>(y) * sample.width * channels + i];
      if (sample.depth == 16) {
        rows[y][2 * i] = static_cast<uint8_t>(v >> 8);
        rows[y][2 * i + 1] = static_cast<uint8_t>(v);
      } else {
        const size_t bit = static_cast<size_t>(i) * sample.depth;
        rows[y][bit / 8] |= static_cast<uint8_t>(v << (8 - sample.depth - bit % 8));
      }
    }
  std::vector<png_bytep> pointers;
  for (auto& row : rows) pointers.push_back(row.data());
  png_write_image(png, pointers.data());
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return bytes;
}

}  // namespace

std::vector<uint8_t> PngFileBytes(const PngSample& sample) { return WritePng(sample); }

std::vector<uint8_t> JpegFileBytes(const std::vector<uint8_t>& pixels, int width, int height, const JpegOptions& options) {
  jpeg_compress_struct info;
  jpeg_error_mgr errors;
  info.err = jpeg_std_error(&errors);
  jpeg_create_compress(&info);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&info, &buffer, &size);
  info.image_width = width;
  info.image_height = height;
  info.input_components = options.grey ? 1 : options.cmyk ? 4 : 3;
  info.in_color_space = options.grey ? JCS_GRAYSCALE : options.cmyk ? JCS_CMYK : JCS_RGB;
  jpeg_set_defaults(&info);
  if (options.cmyk) jpeg_set_colorspace(&info, JCS_YCCK);  // writes the Adobe marker
  jpeg_set_quality(&info, options.quality, TRUE);
  if (options.progressive) jpeg_simple_progression(&info);
  jpeg_start_compress(&info, TRUE);
  if (options.orientation) {
    const unsigned char exif[] = {'E', 'x', 'i', 'f', 0, 0, 'I', 'I', 42, 0, 8, 0, 0, 0, 1, 0, 0x12, 0x01, 3, 0, 1, 0, 0, 0,
                                  static_cast<unsigned char>(options.orientation), 0, 0, 0, 0, 0, 0, 0};
    jpeg_write_marker(&info, JPEG_APP0 + 1, exif, sizeof exif);
  }
  const size_t rowBytes = static_cast<size_t>(width) * info.input_components;
  while (info.next_scanline < info.image_height) {
    JSAMPROW row = const_cast<JSAMPROW>(pixels.data() + info.next_scanline * rowBytes);
    jpeg_write_scanlines(&info, &row, 1);
  }
  jpeg_finish_compress(&info);
  jpeg_destroy_compress(&info);
  std::vector<uint8_t> bytes(buffer, buffer + size);
  std::free(buffer);
  return bytes;
}

std::vector<uint8_t> WebpFileBytes(const std::vector<uint8_t>& rgba, int width, int height, float quality) {
  uint8_t* output = nullptr;
  size_t size = quality < 0 ? WebPEncodeLosslessRGBA(rgba.data(), width, height, width * 4, &output)
                            : WebPEncodeRGBA(rgba.data(), width, height, width * 4, quality, &output);
  std::vector<uint8_t> bytes(output, output + size);
  WebPFree(output);
  return bytes;
}

std::vector<uint8_t> WebpAnimationBytes(const std::vector<std::vector<uint8_t>>& frames,
                                        const std::vector<int>& durations, int width, int height, bool lossless) {
  WebPAnimEncoderOptions options;
  WebPAnimEncoderOptionsInit(&options);
  WebPAnimEncoder* encoder = WebPAnimEncoderNew(width, height, &options);
  WebPConfig config;
  WebPConfigInit(&config);
  config.lossless = lossless ? 1 : 0;
  int timestamp = 0;
  for (size_t i = 0; i < frames.size(); ++i) {
    WebPPicture picture;
    WebPPictureInit(&picture);
    picture.use_argb = 1;
    picture.width = width;
    picture.height = height;
    WebPPictureImportRGBA(&picture, frames[i].data(), width * 4);
    WebPAnimEncoderAdd(encoder, &picture, timestamp, &config);
    WebPPictureFree(&picture);
    timestamp += durations[i];
  }
  WebPAnimEncoderAdd(encoder, nullptr, timestamp, nullptr);
  WebPData data;
  WebPDataInit(&data);
  WebPAnimEncoderAssemble(encoder, &data);
  std::vector<uint8_t> bytes(data.bytes, data.bytes + data.size);
  WebPDataClear(&data);
  WebPAnimEncoderDelete(encoder);
  return bytes;
}
