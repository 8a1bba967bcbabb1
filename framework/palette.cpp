#include "framework/palette.h"

#include <cstring>

#include "platform/resources.h"

namespace {

constexpr uint8_t kTwoLevels[] = {0, 255};  // blue of kind 2
constexpr uint8_t kFourLevels[] = {0, 85, 170, 255};
constexpr uint8_t kEightLevels[] = {0, 36, 72, 108, 144, 180, 216, 255};

constexpr RgbColour kWindowsColours[16] = {
    {0, 0, 0},     {128, 0, 0},   {0, 128, 0},   {128, 128, 0}, {0, 0, 128},   {128, 0, 128},
    {0, 128, 128}, {128, 128, 128}, {192, 192, 192}, {255, 0, 0}, {0, 255, 0}, {255, 255, 0},
    {0, 0, 255},   {255, 0, 255}, {0, 255, 255}, {255, 255, 255}};

// Offset of the 768 colour bytes inside a palette resource record.
constexpr size_t kResourceColoursOffset = 85;

struct KindInfo {
  int colours;
  int bits;
};
constexpr KindInfo kKinds[kPaletteKindCount] = {{2, 1},   {16, 4},  {32, 5},  {64, 6}, {128, 7},
                                                {216, 8}, {256, 8}, {256, 8}, {256, 8}};

// Red index outermost, blue innermost; entry = (i * greens + j) * blues + k.
template <size_t R, size_t G, size_t B>
void FillOrthogonal(RgbPalette* palette, const uint8_t (&reds)[R], const uint8_t (&greens)[G],
                    const uint8_t (&blues)[B]) {
  int entry = 0;
  for (size_t i = 0; i < R; ++i)
    for (size_t j = 0; j < G; ++j)
      for (size_t k = 0; k < B; ++k) palette->entries[entry++] = {reds[i], greens[j], blues[k]};
}

void FillFromResource(RgbPalette* palette, const char* name) {
  platform::ResourceBytes resource;
  if (!platform::FindRawData(name, &resource)) return;
  if (resource.size < kResourceColoursOffset + sizeof *palette) return;
  std::memcpy(palette, resource.data + kResourceColoursOffset, sizeof *palette);
}

}  // namespace

int BuildPalette(RgbPalette* palette, int* bits, int kind) {
  if (kind < 0 || kind >= kPaletteKindCount) kind = kDefaultPaletteKind;
  if (bits) *bits = kKinds[kind].bits;
  if (palette) {
    std::memset(palette, 0, sizeof *palette);
    switch (kind) {
      case 0: palette->entries[1] = {255, 255, 255}; break;
      case 1: std::memcpy(palette->entries, kWindowsColours, sizeof kWindowsColours); break;
      case 2: FillOrthogonal(palette, kFourLevels, kFourLevels, kTwoLevels); break;
      case 3: FillOrthogonal(palette, kFourLevels, kFourLevels, kFourLevels); break;
      case 4: FillOrthogonal(palette, kFourLevels, kEightLevels, kFourLevels); break;
      case 5: FillFromResource(palette, "PALETTE216"); break;
      case 6: FillOrthogonal(palette, kEightLevels, kEightLevels, kFourLevels); break;
      case 7: FillFromResource(palette, "PALETTE256G"); break;
      case 8:
        for (int i = 0; i < 256; ++i) palette->entries[i] = {uint8_t(i), uint8_t(i), uint8_t(i)};
        break;
    }
  }
  return kKinds[kind].colours;
}

const char* PaletteKindName(int kind) {
  static char name[256];
  if (platform::LoadStringResource(1600 + kind, name, sizeof name) == 0)
    std::strcpy(name, "String table error - this application may be damaged");
  return name;
}
