#include "installer/zip/zip_records.h"

#include <cstring>

namespace installer {
namespace {

uint16_t Get16(const unsigned char* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }

uint32_t Get32(const unsigned char* p) {
  return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
         static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

}  // namespace

bool HasSignature(const unsigned char* bytes, const unsigned char (&signature)[4]) {
  return std::memcmp(bytes, signature, 4) == 0;
}

EndRecord DecodeEndRecord(const unsigned char* p) {
  EndRecord r;
  r.thisDisk = Get16(p + 0);
  r.directoryDisk = Get16(p + 2);
  r.entriesOnDisk = Get16(p + 4);
  r.totalEntries = Get16(p + 6);
  r.directorySize = Get32(p + 8);
  r.directoryOffset = Get32(p + 12);
  r.commentLength = Get16(p + 16);
  return r;
}

namespace {
// The shared fields, starting with the general purpose flags at `p`.
void DecodeEntryFields(const unsigned char* p, EntryFields* f) {
  f->flags = Get16(p + 0);
  f->method = Get16(p + 2);
  f->dosTime = Get16(p + 4);
  f->dosDate = Get16(p + 6);
  f->crc = Get32(p + 8);
  f->compressedSize = Get32(p + 12);
  f->uncompressedSize = Get32(p + 16);
  f->nameLength = Get16(p + 20);
  f->extraLength = Get16(p + 22);
}
}  // namespace

CentralHeader DecodeCentralHeader(const unsigned char* p) {
  CentralHeader h;
  h.versionMadeBy = p[0];
  h.hostMadeBy = p[1];
  h.versionNeeded = p[2];
  h.hostNeeded = p[3];
  DecodeEntryFields(p + 4, &h);
  h.commentLength = Get16(p + 28);
  // 30: disk number start, 32: internal attributes (not used)
  h.externalAttributes = Get32(p + 34);
  h.localOffset = Get32(p + 38);
  return h;
}

LocalHeader DecodeLocalHeader(const unsigned char* p) {
  LocalHeader h;
  // 0: version needed and its host (not used here)
  DecodeEntryFields(p + 2, &h);
  return h;
}

}  // namespace installer
