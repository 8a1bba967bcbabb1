// Extracting one entry: its local header, the safety checks on its name, then the
// stored copy or the raw inflate, the CRC check and the file time.
#include <zlib.h>

#include <cstring>

#include "installer/zip/entry_names.h"
#include "installer/zip/extraction.h"
#include "platform/directories.h"
#include "platform/memory.h"

namespace installer {
namespace {

constexpr uint16_t kMethodStored = 0;
constexpr uint16_t kMethodDeflated = 8;

// zlib's tables and window come from movable blocks like every other allocation, each
// locked for its whole life; the block's handle sits in front of the bytes handed out.
constexpr size_t kAllocationHeader = 16;

voidpf AllocateForInflate(voidpf, uInt items, uInt size) {
  if (size != 0 && items > (SIZE_MAX - kAllocationHeader) / size) return Z_NULL;
  platform::MemoryHandle block = platform::AllocateBlock(kAllocationHeader + size_t{items} * size);
  if (!block) return Z_NULL;
  auto* bytes = static_cast<unsigned char*>(platform::LockBlock(block));
  if (!bytes) {
    platform::FreeBlock(block);
    return Z_NULL;
  }
  std::memcpy(bytes, &block, sizeof block);
  return bytes + kAllocationHeader;
}

void FreeForInflate(voidpf, voidpf address) {
  platform::MemoryHandle block;
  std::memcpy(&block, static_cast<unsigned char*>(address) - kAllocationHeader, sizeof block);
  platform::UnlockBlock(block);
  platform::FreeBlock(block);
}

// Writes one piece of output, adding it to the CRC first. A short write means the
// disk is full: the whole extraction stops after this entry.
class EntryWriter {
 public:
  EntryWriter(Extraction& x, const std::string& name) : x_(x), name_(name) {}

  bool Write(const unsigned char* data, size_t bytes) {
    if (bytes == 0) return true;
    crc_ = crc32(crc_, data, static_cast<uInt>(bytes));
    if (x_.output.Write(data, bytes) == bytes) return true;
    x_.Show(kStatusWriteError, name_);
    x_.outOfSpace = true;
    return false;
  }

  uint32_t crc() const { return static_cast<uint32_t>(crc_); }

 private:
  Extraction& x_;
  const std::string& name_;
  uLong crc_ = crc32(0L, Z_NULL, 0);
};

// Copies exactly `size` bytes, writing each full output buffer and the remainder at
// the end. False when the archive ends first or a write fails.
bool CopyStored(Extraction& x, uint32_t size, EntryWriter& writer) {
  unsigned char* buffer = x.work.output;
  const size_t capacity = ArchiveReader::kBlockSize;
  size_t filled = 0;
  uint32_t left = size;
  bool complete = true;
  while (left > 0) {
    size_t want = capacity - filled;
    if (want > left) want = left;
    size_t got = x.reader.Read(buffer + filled, want);
    filled += got;
    left -= static_cast<uint32_t>(got);
    if (got < want) {
      complete = false;
      break;
    }
    if (filled == capacity) {
      if (!writer.Write(buffer, filled)) return false;
      filled = 0;
    }
  }
  return writer.Write(buffer, filled) && complete;
}

// Decodes raw DEFLATE data, reading no more than `size` bytes, and writes the output
// each time the window fills and at the end. False when the data does not decode to
// its end (the output stands as far as it got) or a write fails.
bool Inflate(Extraction& x, uint32_t size, EntryWriter& writer) {
  z_stream stream;
  std::memset(&stream, 0, sizeof stream);
  stream.zalloc = AllocateForInflate;
  stream.zfree = FreeForInflate;
  if (inflateInit2(&stream, -MAX_WBITS) != Z_OK) {
    x.Show(kStatusMemoryError);
    return false;
  }
  unsigned char* window = x.work.window;
  stream.next_out = window;
  stream.avail_out = kInflateWindowSize;
  uint32_t left = size;
  bool complete = false;
  bool written = true;
  for (;;) {
    if (stream.avail_in == 0 && left > 0) {
      size_t got = 0;
      const unsigned char* input = x.reader.Borrow(left, &got);
      left = got ? left - static_cast<uint32_t>(got) : 0;  // the file ended: no more input
      stream.next_in = const_cast<Bytef*>(input);
      stream.avail_in = static_cast<uInt>(got);
    }
    int status = inflate(&stream, Z_NO_FLUSH);
    if (stream.avail_out == 0) {
      written = writer.Write(window, kInflateWindowSize);
      if (!written) break;
      stream.next_out = window;
      stream.avail_out = kInflateWindowSize;
    }
    if (status == Z_STREAM_END) {
      complete = true;
      break;
    }
    if (status == Z_MEM_ERROR) {
      x.Show(kStatusMemoryError);
      break;
    }
    if (status != Z_OK && status != Z_BUF_ERROR) break;  // the data does not decode
    if (status == Z_BUF_ERROR && stream.avail_in == 0 && left == 0) break;  // input used up
  }
  if (written) written = writer.Write(window, kInflateWindowSize - stream.avail_out);
  inflateEnd(&stream);
  return complete && written;
}

// The file for the entry: the destination, a separator unless it already ends with
// one, and the name as stored. No directory is created and nothing is converted.
std::string OutputPath(const Extraction& x, const std::string& name) {
  return platform::JoinPath(x.destination, name);
}

// Reads the name that follows a local header (cut to the longest name kept) and skips
// its extra field; false when the archive ends first.
bool ReadLocalName(Extraction& x, const LocalHeader& local, std::string* name) {
  char bytes[kMaxNameLength];
  size_t kept = local.nameLength < kMaxNameLength ? local.nameLength : kMaxNameLength;
  if (x.reader.Read(bytes, kept) != kept) return false;
  if (kept < local.nameLength) x.Note(kUnzipWarning);
  name->assign(bytes, kept);
  x.reader.Skip(static_cast<uint64_t>(local.nameLength - kept) + local.extraLength);
  return true;
}

}  // namespace

void ExtractEntry(Extraction& x, const CollectedEntry& entry) {
  const CentralHeader& central = entry.header;
  const int64_t offset = static_cast<int64_t>(central.localOffset) + x.prefixLength;
  unsigned char bytes[kLocalFixedSize];
  if (offset < 0 || !x.reader.Seek(static_cast<uint64_t>(offset)) ||
      x.reader.Read(bytes, 4) != 4 || !HasSignature(bytes, kLocalSignature)) {
    x.Note(kUnzipDamaged);
    return;
  }
  if (x.reader.Read(bytes, kLocalFixedSize) != kLocalFixedSize) {
    x.Note(kUnzipEndsEarly);
    return;
  }
  LocalHeader local = DecodeLocalHeader(bytes);
  if (local.flags & kFlagDataDescriptor) {
    local.crc = central.crc;
    local.compressedSize = central.compressedSize;
  }
  std::string name;
  if (!ReadLocalName(x, local, &name)) {
    x.Note(kUnzipEndsEarly);
    return;
  }

  // Nothing is written outside the destination: not through a crafted name, not as a
  // link, not through a link already there.
  if (!IsSafeEntryName(name) || IsSymbolicLinkEntry(central.hostMadeBy, central.externalAttributes) ||
      x.output.MeetsLink(x.destination, name)) {
    x.Show(kStatusUnsafeEntry, name);
    x.Note(kUnzipWarning);
    return;
  }
  if (!x.output.Create(OutputPath(x, name))) {
    x.Show(kStatusCantCreate, name);
    x.Note(kUnzipWriteFailed);
    return;
  }

  EntryWriter writer(x, name);
  int code = kUnzipOk;
  bool complete = true;
  switch (local.method) {
    case kMethodStored:
      x.Show(kStatusExtracting, name);
      complete = CopyStored(x, local.compressedSize, writer);
      break;
    case kMethodDeflated:
      x.Show(kStatusInflating, name);
      complete = Inflate(x, local.compressedSize, writer);
      break;
    default:
      x.Show(kStatusUnknownMethod, name);
      code = kUnzipWarning;  // the file stays empty
      break;
  }
  x.output.SetTime(local.dosDate, local.dosTime);
  if (!x.output.Close() && !x.outOfSpace) {
    x.Show(kStatusProbablyCorrupt, name);
    code = kUnzipWarning;
  }
  if (x.outOfSpace) {
    x.Note(kUnzipWriteFailed);
    return;
  }
  // Data that ends before its end, or does not decode to its end, fails like a CRC
  // mismatch even when the CRC of what was written happens to match.
  if (local.method == kMethodStored || local.method == kMethodDeflated) {
    if (!complete || writer.crc() != local.crc) code = kUnzipWarning;
  }
  x.Note(code);
}

}  // namespace installer
