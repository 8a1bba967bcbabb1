// The one translation unit that holds the decoder's code.
#include "host/stb_image_decoder.h"

#include <atomic>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {

// Pictures may be decoded on several threads at once: the cap holds for all of them
// together, so the counts are shared and atomic.
std::atomic<size_t> g_cap{kDecoderMemoryCap};
std::atomic<size_t> g_live{0};
std::atomic<size_t> g_peak{0};

// Each block carries its size in front of it, so that freeing can count it back.
constexpr size_t kBlockHeader = 16;

void* CountedAllocate(size_t bytes) {
  const size_t cap = g_cap.load();
  if (bytes > cap) return nullptr;
  // Reserve the bytes first, so that two threads cannot both pass the cap.
  size_t live = g_live.load();
  do {
    if (live > cap - bytes) return nullptr;
  } while (!g_live.compare_exchange_weak(live, live + bytes));
  auto* block = static_cast<unsigned char*>(std::malloc(bytes + kBlockHeader));
  if (!block) {
    g_live -= bytes;
    return nullptr;
  }
  std::memcpy(block, &bytes, sizeof bytes);
  size_t now = live + bytes;
  size_t peak = g_peak.load();
  while (now > peak && !g_peak.compare_exchange_weak(peak, now)) {
  }
  return block + kBlockHeader;
}

void CountedFree(void* pointer) {
  if (!pointer) return;
  unsigned char* block = static_cast<unsigned char*>(pointer) - kBlockHeader;
  size_t bytes;
  std::memcpy(&bytes, block, sizeof bytes);
  g_live -= bytes;
  std::free(block);
}

void* CountedReallocate(void* pointer, size_t bytes) {
  if (!pointer) return CountedAllocate(bytes);
  unsigned char* block = static_cast<unsigned char*>(pointer) - kBlockHeader;
  size_t old;
  std::memcpy(&old, block, sizeof old);
  void* grown = CountedAllocate(bytes);
  if (!grown) return nullptr;  // the old block stays valid, as realloc promises
  std::memcpy(grown, pointer, old < bytes ? old : bytes);
  CountedFree(pointer);
  return grown;
}

}  // namespace

#define STBI_ONLY_BMP
#define STBI_ONLY_GIF
#define STBI_ONLY_PNG
#define STBI_ONLY_JPEG
#define STBI_NO_STDIO
#define STBI_NO_LINEAR
#define STBI_NO_HDR
#define STBI_MAX_DIMENSIONS kMaxPictureSide
#define STBI_MALLOC(bytes) CountedAllocate(bytes)
#define STBI_REALLOC(pointer, bytes) CountedReallocate(pointer, bytes)
#define STBI_FREE(pointer) CountedFree(pointer)
#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#include <stb_image.h>

bool ReadPictureSize(const unsigned char* data, size_t size, int* width, int* height, int* channels) {
  if (!data || size == 0 || size > static_cast<size_t>(INT_MAX)) return false;
  if (!stbi_info_from_memory(data, static_cast<int>(size), width, height, channels)) return false;
  // A BMP stored top row first gives its height as a negative number, and the decoder's
  // size query passes it on as it stands.
  if (size >= 2 && data[0] == 'B' && data[1] == 'M' && *height < 0) {
    if (*height == INT_MIN) return false;
    *height = -*height;
  }
  return true;
}

bool DecodePicturePixels(const unsigned char* data, size_t size, int channels, DecodedPixels* out,
                         const char** reason) {
  *out = DecodedPixels();
  *reason = "unreadable";
  if (!data || size == 0 || size > static_cast<size_t>(INT_MAX) || (channels != 3 && channels != 4))
    return false;
  int width = 0, height = 0, stored = 0;
  unsigned char* pixels = stbi_load_from_memory(data, static_cast<int>(size), &width, &height, &stored, channels);
  if (!pixels) {
    const char* why = stbi_failure_reason();
    if (why) *reason = why;
    return false;
  }
  out->width = width;
  out->height = height;
  out->channels = channels;
  out->data = pixels;
  return true;
}

void FreeDecodedPixels(DecodedPixels* pixels) {
  stbi_image_free(pixels->data);
  pixels->data = nullptr;
}

size_t DecoderPeakMemory() { return g_peak; }
void ResetDecoderPeakMemory() { g_peak = g_live.load(); }
void SetDecoderMemoryCap(size_t bytes) { g_cap = bytes ? bytes : kDecoderMemoryCap; }
