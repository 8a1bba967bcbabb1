// The records of a ZIP archive that the extractor reads, decoded from their
// little-endian bytes. Lengths are those of the fixed parts that follow each 4-byte
// signature.
#pragma once

#include <cstddef>
#include <cstdint>

namespace installer {

constexpr unsigned char kEndSignature[4] = {'P', 'K', 5, 6};
constexpr unsigned char kCentralSignature[4] = {'P', 'K', 1, 2};
constexpr unsigned char kLocalSignature[4] = {'P', 'K', 3, 4};

constexpr size_t kEndRecordSize = 22;        // with its signature
constexpr size_t kCentralFixedSize = 42;     // after the signature
constexpr size_t kLocalFixedSize = 26;       // after the signature
constexpr size_t kMaxCommentLength = 65535;
// The furthest the end record can lie from the end of the file.
constexpr size_t kEndSearchLimit = kEndRecordSize + kMaxCommentLength;
// Longest entry name kept; longer names are cut.
constexpr size_t kMaxNameLength = 259;

// Bit 3 of the general purpose flags: CRC and sizes follow the data, so the central
// directory's values are the ones to use.
constexpr uint16_t kFlagDataDescriptor = 1u << 3;

struct EndRecord {
  uint16_t thisDisk;
  uint16_t directoryDisk;
  uint16_t entriesOnDisk;
  uint16_t totalEntries;
  uint32_t directorySize;
  uint32_t directoryOffset;
  uint16_t commentLength;
};

// The fields central and local headers share, in the same order in both.
struct EntryFields {
  uint16_t flags;
  uint16_t method;
  uint16_t dosTime;
  uint16_t dosDate;
  uint32_t crc;
  uint32_t compressedSize;
  uint32_t uncompressedSize;
  uint16_t nameLength;
  uint16_t extraLength;
};

struct CentralHeader : EntryFields {
  uint8_t versionMadeBy;
  uint8_t hostMadeBy;
  uint8_t versionNeeded;
  uint8_t hostNeeded;
  uint16_t commentLength;
  uint32_t externalAttributes;
  uint32_t localOffset;
};

struct LocalHeader : EntryFields {};

bool HasSignature(const unsigned char* bytes, const unsigned char (&signature)[4]);

// Each decodes the fixed part that follows the signature (22 - 4, 42 and 26 bytes).
EndRecord DecodeEndRecord(const unsigned char* afterSignature);
CentralHeader DecodeCentralHeader(const unsigned char* afterSignature);
LocalHeader DecodeLocalHeader(const unsigned char* afterSignature);

}  // namespace installer
