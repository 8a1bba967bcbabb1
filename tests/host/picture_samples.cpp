#include "tests/host/picture_samples.h"

#include <gif_lib.h>

#include <cstring>

namespace {

int AppendBytes(GifFileType* gif, const GifByteType* bytes, int count) {
  auto* out = static_cast<std::vector<uint8_t>*>(gif->UserData);
  out->insert(out->end(), bytes, bytes + count);
  return count;
}

// A giflib colour map of the table (its size rounded up to a power of two); null when empty.
ColorMapObject* MapOf(const std::vector<RgbColour>& table) {
  if (table.empty()) return nullptr;
  int size = 2;
  while (size < static_cast<int>(table.size())) size *= 2;
  std::vector<GifColorType> colours(size, GifColorType{0, 0, 0});
  for (size_t i = 0; i < table.size(); ++i) colours[i] = GifColorType{table[i].red, table[i].green, table[i].blue};
  return GifMakeMapObject(size, colours.data());
}

void Put16(std::vector<uint8_t>* bytes, size_t at, uint32_t value) {
  (*bytes)[at] = static_cast<uint8_t>(value);
  (*bytes)[at + 1] = static_cast<uint8_t>(value >> 8);
}

void Put32(std::vector<uint8_t>* bytes, size_t at, uint32_t value) {
  Put16(bytes, at, value & 0xFFFF);
  Put16(bytes, at + 2, value >> 16);
}

}  // namespace

std::vector<uint8_t> GifBytes(const GifSample& sample) {
  std::vector<uint8_t> bytes;
  int error = 0;
  GifFileType* gif = EGifOpen(&bytes, AppendBytes, &error);
  if (!gif) return bytes;
  EGifSetGifVersion(gif, true);
  ColorMapObject* global = MapOf(sample.globalTable);
  int globalBits = global ? global->BitsPerPixel : 1;
  EGifPutScreenDesc(gif, sample.width, sample.height, globalBits, 0, global);
  GifFreeMapObject(global);
  if (sample.loops) {
    const GifByteType name[] = {'N', 'E', 'T', 'S', 'C', 'A', 'P', 'E', '2', '.', '0'};
    const GifByteType loop[] = {1, 0, 0};
    EGifPutExtensionLeader(gif, APPLICATION_EXT_FUNC_CODE);
    EGifPutExtensionBlock(gif, sizeof name, name);
    EGifPutExtensionBlock(gif, sizeof loop, loop);
    EGifPutExtensionTrailer(gif);
  }
  for (const GifSampleFrame& frame : sample.frames) {
    if (frame.control) {
      GraphicsControlBlock block{frame.disposal, false, frame.delay, frame.transparent};
      GifByteType control[4];
      EGifGCBToExtension(&block, control);
      EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, sizeof control, control);
    }
    ColorMapObject* local = MapOf(frame.localTable);
    EGifPutImageDesc(gif, frame.left, frame.top, frame.width, frame.height, frame.interlaced, local);
    GifFreeMapObject(local);
    // giflib writes rows in the order given: an interlaced frame takes them pass by pass.
    std::vector<int> order;
    if (frame.interlaced) {
      const int starts[] = {0, 4, 2, 1}, steps[] = {8, 8, 4, 2};
      for (int pass = 0; pass < 4; ++pass)
        for (int y = starts[pass]; y < frame.height; y += steps[pass]) order.push_back(y);
    } else {
      for (int y = 0; y < frame.height; ++y) order.push_back(y);
    }
    for (int y : order) {
      std::vector<GifPixelType> row(frame.indexes.begin() + static_cast<size_t>(y) * frame.width,
                                    frame.indexes.begin() + static_cast<size_t>(y + 1) * frame.width);
      EGifPutLine(gif, row.data(), frame.width);
    }
  }
  EGifCloseFile(gif, &error);
  return bytes;
}

std::vector<uint8_t> IndexedBmpBytes(int width, int height, int bits, const std::vector<RgbColour>& table,
                                     const std::vector<uint8_t>& indexes) {
  const size_t stride = ((static_cast<size_t>(width) * bits + 31) / 32) * 4;
  const size_t offset = 14 + 40 + 4 * table.size();
  std::vector<uint8_t> bytes(offset + stride * height, 0);
  bytes[0] = 'B';
  bytes[1] = 'M';
  Put32(&bytes, 2, static_cast<uint32_t>(bytes.size()));
  Put32(&bytes, 10, static_cast<uint32_t>(offset));
  Put32(&bytes, 14, 40);
  Put32(&bytes, 18, static_cast<uint32_t>(width));
  Put32(&bytes, 22, static_cast<uint32_t>(height));
  Put16(&bytes, 26, 1);
  Put16(&bytes, 28, static_cast<uint32_t>(bits));
  Put32(&bytes, 46, static_cast<uint32_t>(table.size()));
  for (size_t i = 0; i < table.size(); ++i) {
    bytes[54 + 4 * i] = table[i].blue;
    bytes[54 + 4 * i + 1] = table[i].green;
    bytes[54 + 4 * i + 2] = table[i].red;
  }
  for (int y = 0; y < height; ++y) {
    uint8_t* row = bytes.data() + offset + static_cast<size_t>(height - 1 - y) * stride;
    for (int x = 0; x < width; ++x) {
      unsigned index = indexes[static_cast<size_t>(y) * width + x];
      int bit = x * bits;
      row[bit / 8] |= static_cast<uint8_t>(index << (8 - bits - bit % 8));
    }
  }
  return bytes;
}

std::vector<uint8_t> BmpBytes(const BmpSample& sample) {
  const int height = sample.height < 0 ? -sample.height : sample.height;
  const size_t stride = ((static_cast<size_t>(sample.width) * sample.bits + 31) / 32) * 4;
  const bool core = sample.headerSize == 12;
  const size_t masks = sample.compression == 3 && sample.headerSize == 40 ? 12 : 0;
  const size_t offset = 14 + sample.headerSize + masks + (core ? 3 : 4) * sample.table.size();
  std::vector<uint8_t> bytes(offset + stride * height, 0);
  bytes[0] = 'B';
  bytes[1] = 'M';
  Put32(&bytes, 2, static_cast<uint32_t>(bytes.size()));
  Put32(&bytes, 10, static_cast<uint32_t>(offset));
  Put32(&bytes, 14, static_cast<uint32_t>(sample.headerSize));
  if (core) {
    Put16(&bytes, 18, static_cast<uint32_t>(sample.width));
    Put16(&bytes, 20, static_cast<uint32_t>(height));
    Put16(&bytes, 22, 1);
    Put16(&bytes, 24, static_cast<uint32_t>(sample.bits));
  } else {
    Put32(&bytes, 18, static_cast<uint32_t>(sample.width));
    Put32(&bytes, 22, static_cast<uint32_t>(sample.height));
    Put16(&bytes, 26, 1);
    Put16(&bytes, 28, static_cast<uint32_t>(sample.bits));
    Put32(&bytes, 30, static_cast<uint32_t>(sample.compression));
    Put32(&bytes, 46, static_cast<uint32_t>(sample.table.size()));
    const int maskCount = sample.headerSize >= 56 ? 4 : 3;
    if (sample.compression == 3 || sample.headerSize >= 56)
      for (int i = 0; i < maskCount; ++i) Put32(&bytes, 54 + 4 * i, sample.masks[i]);
  }
  size_t at = 14 + sample.headerSize + masks;
  for (const RgbColour& c : sample.table) {
    bytes[at] = c.blue;
    bytes[at + 1] = c.green;
    bytes[at + 2] = c.red;
    at += core ? 3 : 4;
  }
  for (int y = 0; y < height; ++y) {
    const int stored = sample.height < 0 ? y : height - 1 - y;
    uint8_t* row = bytes.data() + offset + static_cast<size_t>(stored) * stride;
    for (int x = 0; x < sample.width; ++x) {
      const uint32_t v = sample.pixels[static_cast<size_t>(y) * sample.width + x];
      if (sample.bits >= 8) {
        for (int b = 0; b < sample.bits / 8; ++b) row[x * (sample.bits / 8) + b] = static_cast<uint8_t>(v >> (8 * b));
      } else {
        const int bit = x * sample.bits;
        row[bit / 8] |= static_cast<uint8_t>(v << (8 - sample.bits - bit % 8));
      }
    }
  }
  return bytes;
}
