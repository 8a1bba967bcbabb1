#include "host/picture_file.h"

#include <cstdio>
#include <cstdint>
#include <cstring>
#include <unordered_map>

#include "framework/dib_view.h"
#include "host/jpeg_orientation.h"

namespace {

uint32_t Little16(const unsigned char* p) { return p[0] | (p[1] << 8); }
uint32_t Little32(const unsigned char* p) {
  return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24);
}
uint32_t Big32(const unsigned char* p) {
  return (static_cast<uint32_t>(p[0]) << 24) | (p[1] << 16) | (p[2] << 8) | p[3];
}

bool BmpPalette(const unsigned char* data, size_t size, std::vector<RgbColour>* palette) {
  if (size < 14 + 12 || data[0] != 'B' || data[1] != 'M') return false;
  uint32_t headerSize = Little32(data + 14);
  uint32_t bits, entries, entrySize;
  if (headerSize == 12) {  // the old core header: 3-byte entries
    bits = Little16(data + 14 + 10);
    entries = bits <= 8 ? 1u << bits : 0;
    entrySize = 3;
  } else {
    if (headerSize < 40 || size < 14 + 40) return false;
    bits = Little16(data + 14 + 14);
    uint32_t used = Little32(data + 14 + 32);
    entries = bits <= 8 ? (used && used < (1u << bits) ? used : 1u << bits) : 0;
    entrySize = 4;
  }
  if (entries == 0 || headerSize > size - 14) return false;
  size_t at = 14 + static_cast<size_t>(headerSize);
  if (static_cast<uint64_t>(entries) * entrySize > size - at) return false;
  palette->clear();
  for (uint32_t i = 0; i < entries; ++i) {
    const unsigned char* e = data + at + i * entrySize;
    palette->push_back({e[2], e[1], e[0]});
  }
  return true;
}

bool PngPalette(const unsigned char* data, size_t size, std::vector<RgbColour>* palette) {
  static const unsigned char kSignature[8] = {137, 'P', 'N', 'G', 13, 10, 26, 10};
  if (size < 8 + 25 || std::memcmp(data, kSignature, 8) != 0) return false;
  if (std::memcmp(data + 12, "IHDR", 4) != 0 || data[8 + 8 + 9] != 3) return false;  // indexed colour
  size_t at = 8;
  while (size - at >= 12) {
    uint32_t length = Big32(data + at);
    const unsigned char* type = data + at + 4;
    if (length > size - at - 12) return false;
    if (std::memcmp(type, "PLTE", 4) == 0) {
      if (length % 3 != 0 || length / 3 > 256 || length == 0) return false;
      palette->clear();
      for (uint32_t i = 0; i < length / 3; ++i) {
        const unsigned char* e = data + at + 8 + 3 * i;
        palette->push_back({e[0], e[1], e[2]});
      }
      return true;
    }
    if (std::memcmp(type, "IDAT", 4) == 0) return false;  // the palette comes before the pixels
    at += 12 + static_cast<size_t>(length);
  }
  return false;
}

bool GifTable(const unsigned char* table, size_t available, unsigned flags, std::vector<RgbColour>* palette) {
  size_t entries = size_t{1} << ((flags & 7) + 1);
  if (3 * entries > available) return false;
  palette->clear();
  for (size_t i = 0; i < entries; ++i) palette->push_back({table[3 * i], table[3 * i + 1], table[3 * i + 2]});
  return true;
}

bool GifPalette(const unsigned char* data, size_t size, std::vector<RgbColour>* palette) {
  if (size < 13 || (std::memcmp(data, "GIF87a", 6) != 0 && std::memcmp(data, "GIF89a", 6) != 0)) return false;
  unsigned screenFlags = data[10];
  size_t at = 13;
  const unsigned char* global = nullptr;
  if (screenFlags & 0x80) {
    global = data + at;
    at += 3 * (size_t{1} << ((screenFlags & 7) + 1));
    if (at > size) return false;
  }
  // Skip extensions up to the first image descriptor.
  while (at < size) {
    unsigned char introducer = data[at];
    if (introducer == 0x2C) {
      if (size - at < 10) return false;
      unsigned flags = data[at + 9];
      if (flags & 0x80) return GifTable(data + at + 10, size - at - 10, flags, palette);
      return global && GifTable(global, size - 13, screenFlags, palette);
    }
    if (introducer != 0x21 || size - at < 2) return false;
    at += 2;
    while (at < size && data[at] != 0) at += 1 + static_cast<size_t>(data[at]);
    ++at;
  }
  return false;
}

// Copies decoded pixels into a 24-bit picture, blending transparency over white.
DibImage TrueColourPicture(const DecodedPixels& decoded) {
  DibImage image = CreateDibImageToFill(decoded.width, decoded.height, nullptr, 24);  // every pixel is written
  if (!image) return nullptr;
  DibView view(image);
  if (!view.ok()) {
    FreeDibImage(image);
    return nullptr;
  }
  const int channels = decoded.channels;
  for (int32_t y = 0; y < decoded.height; ++y) {
    const unsigned char* in = decoded.data + static_cast<size_t>(y) * decoded.width * channels;
    uint8_t* out = view.pictureRow(y);
    if (channels == 3) {
      for (int32_t x = 0; x < decoded.width; ++x, in += 3, out += 3) {
        out[0] = in[2];
        out[1] = in[1];
        out[2] = in[0];
      }
      continue;
    }
    for (int32_t x = 0; x < decoded.width; ++x, in += 4, out += 3) {
      unsigned alpha = in[3];
      for (int c = 0; c < 3; ++c) out[2 - c] = static_cast<uint8_t>((in[c] * alpha + 255 * (255 - alpha) + 127) / 255);
    }
  }
  return image;
}

// An uncompressed 24-bit BMP stores its rows as a 24-bit picture does (blue, green, red;
// rows padded to four bytes; the bottom row first unless the height is negative), so the
// rows are copied as they stand rather than decoded, but for the padding. Null for
// any other kind of BMP or one too short for its rows: the decoder then decides.
DibImage PlainBmpPicture(const unsigned char* data, size_t size) {
  if (size < 14 + 40 || data[0] != 'B' || data[1] != 'M') return nullptr;
  const uint32_t offset = Little32(data + 10);
  const uint32_t headerSize = Little32(data + 14);
  if (headerSize < 40 || Little16(data + 26) != 1 || Little16(data + 28) != 24 || Little32(data + 30) != 0)
    return nullptr;
  const int64_t width = static_cast<int32_t>(Little32(data + 18));
  int64_t height = static_cast<int32_t>(Little32(data + 22));
  const bool topDown = height < 0;
  if (topDown) height = -height;
  if (width < 1 || height < 1 || width > kMaxPictureSide || height > kMaxPictureSide) return nullptr;
  const uint64_t stride = DibStride(static_cast<int32_t>(width), 24);
  if (offset < 14 + static_cast<uint64_t>(headerSize) || offset > size || stride * height > size - offset)
    return nullptr;
  DibImage image = CreateDibImageToFill(static_cast<int32_t>(width), static_cast<int32_t>(height), nullptr, 24);
  if (!image) return nullptr;
  DibView view(image);
  if (!view.ok()) {
    FreeDibImage(image);
    return nullptr;
  }
  const unsigned char* rows = data + offset;
  const size_t used = static_cast<size_t>(width) * 3;
  if (!topDown && used == stride) {
    std::memcpy(view.pixels(), rows, stride * height);
    return image;
  }
  for (int32_t i = 0; i < height; ++i) {
    uint8_t* out = view.storedRow(topDown ? static_cast<int32_t>(height) - 1 - i : i);
    std::memcpy(out, rows + i * stride, used);
  }
  return image;
}

// The picture as indexes into the file's palette, or null when some pixel is not an
// opaque palette colour. Where the palette repeats a colour, its first index is used.
DibImage PalettedPicture(const DecodedPixels& decoded, const std::vector<RgbColour>& colours) {
  RgbPalette palette{};
  std::unordered_map<int32_t, uint8_t> index;
  for (size_t i = 0; i < colours.size(); ++i) {
    palette.entries[i] = colours[i];
    index.emplace(PackColour(colours[i].red, colours[i].green, colours[i].blue), static_cast<uint8_t>(i));
  }
  DibImage image = CreateDibImage(decoded.width, decoded.height, &palette, 8);
  if (!image) return nullptr;
  bool ok;
  {
    // The view is closed before the picture may be freed below.
    DibView view(image);
    ok = view.ok();
    const int channels = decoded.channels;
    int32_t lastColour = -1;
    uint8_t lastIndex = 0;
    for (int32_t y = 0; ok && y < decoded.height; ++y) {
      const unsigned char* in = decoded.data + static_cast<size_t>(y) * decoded.width * channels;
      uint8_t* out = view.pictureRow(y);
      for (int32_t x = 0; x < decoded.width; ++x, in += channels) {
        if (channels == 4 && in[3] != 255) {
          ok = false;
          break;
        }
        int32_t colour = PackColour(in[0], in[1], in[2]);
        if (colour != lastColour) {
          auto found = index.find(colour);
          if (found == index.end()) {
            ok = false;
            break;
          }
          lastColour = colour;
          lastIndex = found->second;
        }
        out[x] = lastIndex;
      }
    }
  }
  if (!ok) {
    FreeDibImage(image);
    return nullptr;
  }
  return image;
}

}  // namespace

bool ReadDeclaredPalette(const unsigned char* data, size_t size, std::vector<RgbColour>* palette) {
  if (!data) return false;
  return BmpPalette(data, size, palette) || PngPalette(data, size, palette) || GifPalette(data, size, palette);
}

DibImage DecodePictureFile(const unsigned char* data, size_t size, std::string* error) {
  int width = 0, height = 0, channels = 0;
  if (!ReadPictureSize(data, size, &width, &height, &channels)) {
    *error = "not a BMP, GIF, PNG or JPEG picture, or damaged";
    return nullptr;
  }
  if (width < 1 || height < 1 || width > kMaxPictureSide || height > kMaxPictureSide) {
    *error = "the picture is larger than " + std::to_string(kMaxPictureSide) + " pixels a side";
    return nullptr;
  }
  if (static_cast<uint64_t>(DibStride(width, 24)) * static_cast<uint64_t>(height) > kMaxPictureBytes) {
    *error = "the picture needs more than " + std::to_string(kMaxPictureBytes >> 20) + " MiB";
    return nullptr;
  }
  if (DibImage plain = PlainBmpPicture(data, size)) return plain;
  DecodedPixels decoded;
  const char* reason = nullptr;
  bool alpha = channels == 2 || channels == 4;
  if (!DecodePicturePixels(data, size, alpha ? 4 : 3, &decoded, &reason)) {
    *error = std::string("cannot be decoded (") + reason + ")";
    return nullptr;
  }
  DibImage image = nullptr;
  int orientation = JpegOrientation(data, size);
  if (orientation != 1) {
    // A photograph stored sideways or mirrored: turned upright first.
    std::vector<unsigned char> upright(decoded.data,
                                       decoded.data + static_cast<size_t>(decoded.width) * decoded.height * decoded.channels);
    DecodedPixels turned = decoded;
    ApplyOrientation(orientation, &upright, &turned.width, &turned.height, turned.channels);
    turned.data = upright.data();
    image = TrueColourPicture(turned);
  } else {
    std::vector<RgbColour> palette;
    if (ReadDeclaredPalette(data, size, &palette)) image = PalettedPicture(decoded, palette);
    if (!image) image = TrueColourPicture(decoded);
  }
  FreeDecodedPixels(&decoded);
  if (!image) *error = "not enough memory for the picture";
  return image;
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
