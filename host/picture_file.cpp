#include "host/picture_file.h"

#include <cstdio>

#include "host/jpeg_orientation.h"
#include "host/picture_decoders.h"

namespace {

// The header read and the size checked; false with the reason.
bool ReadCheckedHeader(const unsigned char* data, size_t size, PictureHeader* header, std::string* error) {
  if (!ReadPictureHeader(data, size, header, error)) return false;
  *error = CheckPictureSize(header->width, header->height);
  return error->empty();
}

}  // namespace

int ShownDelay(int64_t hundredths) {
  if (hundredths <= 1) return 10;
  return hundredths > 65535 ? 65535 : static_cast<int>(hundredths);
}

std::string OverBudget(size_t frames, int32_t width, int32_t height) {
  return "the frames need more memory than there is (" + std::to_string(frames) + " frames of " +
         std::to_string(width) + " x " + std::to_string(height) + " so far)";
}

uint64_t FrameBytes(int32_t width, int32_t height) {
  return sizeof(DibHeader) + static_cast<uint64_t>(DibStride(width, 24)) * static_cast<uint64_t>(height);
}

DibImage DecodePictureFile(const unsigned char* data, size_t size, std::string* error) {
  PictureHeader header;
  if (!ReadCheckedHeader(data, size, &header, error)) return nullptr;
  switch (header.format) {
    case PictureFormat::Bmp: return DecodeBmpPicture(data, size, error);
    case PictureFormat::Gif: return DecodeGifPicture(data, size, error);
    case PictureFormat::Png: return DecodePngPicture(data, size, header, error);
    case PictureFormat::Webp: return DecodeWebpPicture(data, size, header, error);
    case PictureFormat::Jpeg: {
      DibImage stored = DecodeJpegPicture(data, size, header, error);
      const int orientation = JpegOrientation(data, size);
      if (!stored || orientation == 1) return stored;
      // A photograph stored sideways or mirrored is turned upright.
      DibImage upright = OrientPicture(stored, orientation);
      FreeDibImage(stored);
      if (!upright) *error = "not enough memory for the picture";
      return upright;
    }
    case PictureFormat::Unknown: break;
  }
  *error = "not a BMP, GIF, PNG, JPEG or WebP picture";
  return nullptr;
}

bool DecodePictureFrames(const unsigned char* data, size_t size, FrameBudget& budget, PictureFrames* frames,
                         std::string* error) {
  PictureHeader header;
  if (!ReadCheckedHeader(data, size, &header, error)) return false;
  if (header.format == PictureFormat::Gif) return DecodeGifFrames(data, size, budget, frames, error);
  if (header.format == PictureFormat::Webp) return DecodeWebpFrames(data, size, budget, frames, error);
  if (!budget.take(FrameBytes(static_cast<int32_t>(header.width), static_cast<int32_t>(header.height)))) {
    *error = OverBudget(1, static_cast<int32_t>(header.width), static_cast<int32_t>(header.height));
    return false;
  }
  return frames->add(DecodePictureFile(data, size, error), 0);
}

bool ReadWholeFile(const std::string& path, size_t limit, std::vector<unsigned char>* bytes, std::string* error) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (!file) {
    *error = "cannot be opened";
    return false;
  }
  bytes->clear();
  // The size the file has now is read in one go; a file that is still growing is read on
  // to its end below.
  if (std::fseek(file, 0, SEEK_END) == 0) {
    long size = std::ftell(file);
    std::rewind(file);
    if (size > 0 && static_cast<unsigned long>(size) <= limit) {
      bytes->resize(static_cast<size_t>(size));
      bytes->resize(std::fread(bytes->data(), 1, bytes->size(), file));
    }
  }
  unsigned char buffer[65536];
  size_t got;
  bool ok = true;
  while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0) {
    if (bytes->size() + got > limit) {
      *error = "the file is larger than " + std::to_string(limit >> 20) + " MiB";
      ok = false;
      break;
    }
    bytes->insert(bytes->end(), buffer, buffer + got);
  }
  if (ok && std::ferror(file)) {
    *error = "cannot be read";
    ok = false;
  }
  std::fclose(file);
  return ok;
}

DibImage LoadPictureFile(const std::string& path, std::string* error) {
  std::vector<unsigned char> bytes;
  if (!ReadWholeFile(path, kMaxPictureFileBytes, &bytes, error)) return nullptr;
  return DecodePictureFile(bytes.data(), bytes.size(), error);
}

bool LoadPictureFrames(const std::string& path, FrameBudget& budget, PictureFrames* frames, std::string* error) {
  std::vector<unsigned char> bytes;
  if (!ReadWholeFile(path, kMaxPictureFileBytes, &bytes, error)) return false;
  return DecodePictureFrames(bytes.data(), bytes.size(), budget, frames, error);
}
