#include "host/picture_header.h"

#include <atomic>
#include <cstring>

#include "framework/dib_image.h"

namespace {

std::atomic<size_t> g_maxPictureBytes{kMaxPictureBytes};

uint32_t Little16(const unsigned char* p) { return p[0] | (p[1] << 8); }
uint32_t Little24(const unsigned char* p) { return p[0] | (p[1] << 8) | (p[2] << 16); }
uint32_t Little32(const unsigned char* p) { return Little24(p) | (static_cast<uint32_t>(p[3]) << 24); }
uint32_t Big16(const unsigned char* p) { return (p[0] << 8) | p[1]; }
uint32_t Big32(const unsigned char* p) { return (Big16(p) << 16) | Big16(p + 2); }

bool CutShort(std::string* error) {
  *error = "damaged (the file ends inside its header)";
  return false;
}

bool BmpHeader(const unsigned char* data, size_t size, PictureHeader* header, std::string* error) {
  if (size < 14 + 16) return CutShort(error);
  const uint32_t headerSize = Little32(data + 14);
  if (headerSize == 12) {  // the old core header: 16-bit sizes
    header->width = Little16(data + 18);
    header->height = Little16(data + 20);
    return true;
  }
  if (headerSize < 40 || size < 14 + 40) {
    if (headerSize < 40) *error = "damaged (a BMP header of " + std::to_string(headerSize) + " bytes)";
    else CutShort(error);
    return false;
  }
  header->width = static_cast<int32_t>(Little32(data + 18));
  header->height = static_cast<int32_t>(Little32(data + 22));
  if (header->height < 0) header->height = -header->height;
  header->bitsPerPixel = static_cast<int>(Little16(data + 28));
  return true;
}

bool GifHeader(const unsigned char* data, size_t size, PictureHeader* header, std::string* error) {
  if (size < 13) return CutShort(error);
  header->width = Little16(data + 6);
  header->height = Little16(data + 8);
  return true;
}

bool PngHeader(const unsigned char* data, size_t size, PictureHeader* header, std::string* error) {
  if (size < 8 + 8 + 13) return CutShort(error);
  if (std::memcmp(data + 12, "IHDR", 4) != 0 || Big32(data + 8) != 13) {
    *error = "damaged (the PNG does not start with its header)";
    return false;
  }
  header->width = Big32(data + 16);
  header->height = Big32(data + 20);
  const int depth = data[24], colourType = data[25];
  const int channels = colourType == 0 || colourType == 3 ? 1 : colourType == 4 ? 2 : colourType == 2 ? 3 : 4;
  header->bitsPerPixel = depth * channels;
  header->indexedColour = colourType == 3;
  header->sampleBits = depth;
  return true;
}

// The first frame header of a JPEG: markers are walked from the start to it.
bool JpegHeader(const unsigned char* data, size_t size, PictureHeader* header, std::string* error) {
  size_t at = 2;
  while (true) {
    while (at < size && data[at] != 0xFF) ++at;  // bytes between segments are skipped, as decoders do
    while (at < size && data[at] == 0xFF) ++at;  // fill bytes
    if (at >= size) return CutShort(error);
    const unsigned marker = data[at++];
    if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD8)) continue;  // no length
    if (marker == 0xD9 || marker == 0xDA) {
      *error = "damaged (the JPEG has no frame header)";
      return false;
    }
    if (size - at < 2) return CutShort(error);
    const size_t length = Big16(data + at);
    if (length < 2) {
      *error = "damaged (a JPEG segment of length " + std::to_string(length) + ")";
      return false;
    }
    const bool frame = marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
    if (frame) {
      if (length < 8 || size - at < 8) return CutShort(error);
      header->height = Big16(data + at + 3);
      header->width = Big16(data + at + 5);
      header->bitsPerPixel = 8 * data[at + 7];
      header->progressive = marker == 0xC2 || marker == 0xC6 || marker == 0xCA || marker == 0xCE;
      return true;
    }
    if (size - at < length) return CutShort(error);
    at += length;
  }
}

bool WebpHeader(const unsigned char* data, size_t size, PictureHeader* header, std::string* error) {
  if (size < 12 + 8 + 10) return CutShort(error);
  const unsigned char* chunk = data + 12;
  const unsigned char* body = chunk + 8;
  if (std::memcmp(chunk, "VP8X", 4) == 0) {
    header->width = static_cast<int64_t>(Little24(body + 4)) + 1;
    header->height = static_cast<int64_t>(Little24(body + 7)) + 1;
    header->animated = (body[0] & 0x02) != 0;
    return true;
  }
  if (std::memcmp(chunk, "VP8L", 4) == 0) {
    if (body[0] != 0x2F) {
      *error = "damaged (a lossless WebP without its signature)";
      return false;
    }
    const uint32_t bits = Little32(body + 1);
    header->width = static_cast<int64_t>(bits & 0x3FFF) + 1;
    header->height = static_cast<int64_t>((bits >> 14) & 0x3FFF) + 1;
    return true;
  }
  if (std::memcmp(chunk, "VP8 ", 4) == 0) {
    if (body[3] != 0x9D || body[4] != 0x01 || body[5] != 0x2A) {
      *error = "damaged (a WebP frame without its start code)";
      return false;
    }
    header->width = Little16(body + 6) & 0x3FFF;
    header->height = Little16(body + 8) & 0x3FFF;
    return true;
  }
  *error = "damaged (the WebP starts with an unknown chunk)";
  return false;
}

}  // namespace

bool ReadPictureHeader(const unsigned char* data, size_t size, PictureHeader* header, std::string* error) {
  static const unsigned char kPng[8] = {137, 'P', 'N', 'G', 13, 10, 26, 10};
  *header = PictureHeader();
  if (!data) size = 0;
  if (size >= 2 && data[0] == 'B' && data[1] == 'M') header->format = PictureFormat::Bmp;
  else if (size >= 6 && (std::memcmp(data, "GIF87a", 6) == 0 || std::memcmp(data, "GIF89a", 6) == 0))
    header->format = PictureFormat::Gif;
  else if (size >= 8 && std::memcmp(data, kPng, 8) == 0) header->format = PictureFormat::Png;
  else if (size >= 3 && data[0] == 0xFF && data[1] == 0xD8 && data[2] == 0xFF) header->format = PictureFormat::Jpeg;
  else if (size >= 12 && std::memcmp(data, "RIFF", 4) == 0 && std::memcmp(data + 8, "WEBP", 4) == 0)
    header->format = PictureFormat::Webp;
  switch (header->format) {
    case PictureFormat::Bmp: return BmpHeader(data, size, header, error);
    case PictureFormat::Gif: return GifHeader(data, size, header, error);
    case PictureFormat::Png: return PngHeader(data, size, header, error);
    case PictureFormat::Jpeg: return JpegHeader(data, size, header, error);
    case PictureFormat::Webp: return WebpHeader(data, size, header, error);
    case PictureFormat::Unknown: break;
  }
  *error = "not a BMP, GIF, PNG, JPEG or WebP picture";
  return false;
}

std::string CheckPictureSize(int64_t width, int64_t height) {
  if (width < 1 || height < 1)
    return "damaged (a picture of " + std::to_string(width) + " x " + std::to_string(height) + " pixels)";
  if (width > kMaxPictureSide || height > kMaxPictureSide)
    return "the picture is larger than " + std::to_string(kMaxPictureSide) + " pixels a side";
  const size_t limit = g_maxPictureBytes;
  if (static_cast<uint64_t>(DibStride(static_cast<int32_t>(width), 24)) * static_cast<uint64_t>(height) > limit)
    return "the picture needs more than " + std::to_string(limit >> 20) + " MiB";
  return "";
}

void SetMaxPictureBytes(size_t bytes) { g_maxPictureBytes = bytes ? bytes : kMaxPictureBytes; }
