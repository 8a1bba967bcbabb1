#include "host/decoder_memory.h"

#include <atomic>
#include <cstdlib>
#include <cstring>

namespace {

std::atomic<size_t> g_cap{kDecoderMemoryCap};
std::atomic<size_t> g_live{0};
std::atomic<size_t> g_peak{0};

// Each block carries its size in front of it, so that freeing can count it back; 16
// bytes keep the payload aligned for any type.
constexpr size_t kBlockHeader = 16;

}  // namespace

void* DecoderAllocate(size_t bytes) {
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

void DecoderFree(void* pointer) {
  if (!pointer) return;
  unsigned char* block = static_cast<unsigned char*>(pointer) - kBlockHeader;
  size_t bytes;
  std::memcpy(&bytes, block, sizeof bytes);
  g_live -= bytes;
  std::free(block);
}

size_t DecoderMemoryCap() { return g_cap; }

std::string OverDecoderCap() {
  const size_t cap = g_cap;
  const std::string amount = cap >= (size_t{1} << 20) ? std::to_string(cap >> 20) + " MiB" : std::to_string(cap >> 10) + " KiB";
  return "decoding the picture needs more memory than the " + amount + " a decoder may hold";
}
size_t DecoderPeakMemory() { return g_peak; }
void ResetDecoderPeakMemory() { g_peak = g_live.load(); }
void SetDecoderMemoryCap(size_t bytes) { g_cap = bytes ? bytes : kDecoderMemoryCap; }
