#include "tests/host/gif_decoder.h"

#include <gif_lib.h>

#include <cstdio>
#include <cstring>

namespace {

struct Reader {
  const std::vector<uint8_t>* bytes;
  size_t at;
};

int ReadBytes(GifFileType* gif, GifByteType* out, int count) {
  auto* reader = static_cast<Reader*>(gif->UserData);
  size_t left = reader->bytes->size() - reader->at;
  size_t n = static_cast<size_t>(count) < left ? static_cast<size_t>(count) : left;
  std::memcpy(out, reader->bytes->data() + reader->at, n);
  reader->at += n;
  return static_cast<int>(n);
}

}  // namespace

bool DecodeGif(const std::vector<uint8_t>& bytes, DecodedGif* out, std::string* error) {
  Reader reader{&bytes, 0};
  int status = 0;
  GifFileType* gif = DGifOpen(&reader, ReadBytes, &status);
  if (!gif) {
    *error = GifErrorString(status);
    return false;
  }
  if (DGifSlurp(gif) != GIF_OK) {
    *error = GifErrorString(gif->Error);
    DGifCloseFile(gif, &status);
    return false;
  }
  *out = DecodedGif();
  out->width = gif->SWidth;
  out->height = gif->SHeight;
  out->globalColours = gif->SColorMap ? gif->SColorMap->ColorCount : 0;
  std::vector<RgbColour> screen(static_cast<size_t>(gif->SWidth) * gif->SHeight, RgbColour{0, 0, 0});
  for (int i = 0; i < gif->ImageCount; ++i) {
    const SavedImage& image = gif->SavedImages[i];
    DecodedGifFrame frame;
    int extension = 0;  // the extension that continuation blocks belong to
    for (int e = 0; e < image.ExtensionBlockCount; ++e) {
      const ExtensionBlock& block = image.ExtensionBlocks[e];
      const char* bytes = reinterpret_cast<const char*>(block.Bytes);
      if (block.Function != CONTINUE_EXT_FUNC_CODE) extension = block.Function;
      if (block.Function == COMMENT_EXT_FUNC_CODE) out->comments.emplace_back(bytes, block.ByteCount);
      else if (block.Function == CONTINUE_EXT_FUNC_CODE && extension == COMMENT_EXT_FUNC_CODE)
        out->comments.back().append(bytes, block.ByteCount);
      else if (block.Function == APPLICATION_EXT_FUNC_CODE && block.ByteCount == 11 &&
               std::memcmp(bytes, "NETSCAPE2.0", 11) == 0)
        out->loops = true;
      else if (block.Function == CONTINUE_EXT_FUNC_CODE && extension == APPLICATION_EXT_FUNC_CODE && out->loops &&
               block.ByteCount == 3 && bytes[0] == 1)
        out->repeats = block.Bytes[1] | block.Bytes[2] << 8;
    }
    GraphicsControlBlock control;
    if (DGifSavedExtensionToGCB(gif, i, &control) == GIF_OK) {
      frame.delay = control.DelayTime;
      frame.transparent = control.TransparentColor;
      frame.disposal = control.DisposalMode;
    }
    const GifImageDesc& d = image.ImageDesc;
    frame.left = d.Left;
    frame.top = d.Top;
    frame.width = d.Width;
    frame.height = d.Height;
    frame.localTable = d.ColorMap != nullptr;
    const ColorMapObject* map = d.ColorMap ? d.ColorMap : gif->SColorMap;
    std::vector<RgbColour> before;
    if (frame.disposal == DISPOSE_PREVIOUS) before = screen;
    for (int y = 0; y < d.Height; ++y)
      for (int x = 0; x < d.Width; ++x) {
        int index = image.RasterBits[y * d.Width + x];
        if (index == frame.transparent || !map || index >= map->ColorCount) continue;
        int sx = d.Left + x, sy = d.Top + y;
        if (sx >= gif->SWidth || sy >= gif->SHeight) continue;
        const GifColorType& c = map->Colors[index];
        screen[static_cast<size_t>(sy) * gif->SWidth + sx] = {c.Red, c.Green, c.Blue};
      }
    frame.screen = screen;
    // What the frame leaves for the next one: disposal 2 clears its rectangle (to black
    // here), 3 restores what was there before it.
    if (frame.disposal == DISPOSE_BACKGROUND || frame.disposal == DISPOSE_PREVIOUS) {
      for (int y = d.Top; y < d.Top + d.Height && y < gif->SHeight; ++y)
        for (int x = d.Left; x < d.Left + d.Width && x < gif->SWidth; ++x) {
          size_t at = static_cast<size_t>(y) * gif->SWidth + x;
          screen[at] = frame.disposal == DISPOSE_PREVIOUS ? before[at] : RgbColour{0, 0, 0};
        }
    }
    out->frames.push_back(std::move(frame));
  }
  // Extensions after the last image (giflib keeps them apart).
  for (int e = 0; e < gif->ExtensionBlockCount; ++e)
    if (gif->ExtensionBlocks[e].Function == COMMENT_EXT_FUNC_CODE)
      out->comments.emplace_back(reinterpret_cast<const char*>(gif->ExtensionBlocks[e].Bytes),
                                 gif->ExtensionBlocks[e].ByteCount);
  DGifCloseFile(gif, &status);
  return true;
}

bool DecodeGifFile(const std::string& path, DecodedGif* gif, std::string* error) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (!file) {
    *error = "cannot open " + path;
    return false;
  }
  std::vector<uint8_t> bytes;
  uint8_t buffer[65536];
  size_t got;
  while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0) bytes.insert(bytes.end(), buffer, buffer + got);
  std::fclose(file);
  return DecodeGif(bytes, gif, error);
}
