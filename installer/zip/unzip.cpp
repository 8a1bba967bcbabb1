// Opening the archive, finding and checking its end record, and walking the central
// directory in batches.
#include "installer/zip/unzip.h"

#include <cstdio>
#include <cstring>

#include "installer/zip/extraction.h"
#include "platform/memory.h"

namespace installer {

void Extraction::Show(UnzipStatusText text, const std::string& argument) {
  std::string line = UnzipStatusFormat(text);
  size_t marker = line.find("%s");
  if (marker != std::string::npos) line.replace(marker, 2, argument);
  status.Show(line);
}

namespace {

bool IsEndSignatureAt(const unsigned char* bytes) { return HasSignature(bytes, kEndSignature); }

// Searches the loaded buffer backwards from index `from` for the end record's
// signature; a record needs its 22 bytes before the end of the file, so a signature
// in the last 21 bytes does not count.
bool SearchBackwards(const unsigned char* buffer, uint64_t blockStart, size_t from,
                     uint64_t fileSize, uint64_t* found) {
  for (size_t i = from + 1; i-- > 0;) {
    if (IsEndSignatureAt(buffer + i) && blockStart + i + kEndRecordSize <= fileSize) {
      *found = blockStart + i;
      return true;
    }
  }
  return false;
}

// Looks for the end of central directory record from the end of the file towards its
// start, at most as far as a record with the longest comment can lie.
bool FindEndRecord(ArchiveReader& reader, uint64_t* found) {
  const uint64_t size = reader.size();
  const size_t block = ArchiveReader::kBlockSize;
  unsigned char* buffer = reader.buffer();
  if (size <= block) {
    if (size < kEndRecordSize || reader.LoadBlock(0, static_cast<size_t>(size)) != size) return false;
    return SearchBackwards(buffer, 0, static_cast<size_t>(size - kEndRecordSize), size, found);
  }
  const size_t tail = static_cast<size_t>(size % block);
  uint64_t top = size - tail;
  // The first bytes of the block above, placed behind each block searched, so that a
  // signature running across the edge between two blocks is still seen.
  unsigned char carried[3] = {0, 0, 0};
  if (tail > 18) {
    if (reader.LoadBlock(top, tail) != tail) return false;
    if (tail >= kEndRecordSize && SearchBackwards(buffer, top, tail - kEndRecordSize, size, found))
      return true;
    std::memcpy(carried, buffer, sizeof carried);
  }
  const uint64_t searchLength = size < kEndSearchLimit ? size : kEndSearchLimit;
  const uint64_t blocks = (searchLength - tail + block - 1) / block;
  for (uint64_t n = 0; n < blocks && top >= block; ++n) {
    top -= block;
    if (reader.LoadBlock(top, block) != block) return false;
    std::memcpy(buffer + block, carried, sizeof carried);
    buffer[block + 3] = 0;
    if (SearchBackwards(buffer, top, block - 1, size, found)) return true;
    std::memcpy(carried, buffer, sizeof carried);
  }
  return false;
}

// True when the 4 bytes at `offset` (which may be negative or past the end) are the
// signature of a central directory header.
bool CentralHeaderAt(ArchiveReader& reader, int64_t offset) {
  unsigned char signature[4];
  return offset >= 0 && reader.Seek(static_cast<uint64_t>(offset)) &&
         reader.Read(signature, 4) == 4 && HasSignature(signature, kCentralSignature);
}

// Reads one central header into `entry`; false (with the code noted) when the
// directory cannot be read on.
bool CollectHeader(Extraction& x, CollectedEntry* entry) {
  unsigned char bytes[kCentralFixedSize];
  if (x.reader.Read(bytes, 4) != 4) {
    x.Note(kUnzipEndsEarly);
    return false;
  }
  if (!HasSignature(bytes, kCentralSignature)) {
    x.Note(kUnzipDamaged);
    return false;
  }
  if (x.reader.Read(bytes, kCentralFixedSize) != kCentralFixedSize) {
    x.Note(kUnzipEndsEarly);
    return false;
  }
  entry->header = DecodeCentralHeader(bytes);
  size_t kept = entry->header.nameLength;
  if (kept > kMaxNameLength) {
    kept = kMaxNameLength;
    x.Note(kUnzipWarning);
  }
  if (x.reader.Read(entry->name, kept) != kept) {
    x.Note(kUnzipEndsEarly);
    return false;
  }
  entry->name[kept] = '\0';
  // The rest of a cut name, the extra field and the comment play no part.
  x.reader.Skip(static_cast<uint64_t>(entry->header.nameLength - kept) +
                entry->header.extraLength + entry->header.commentLength);
  return true;
}

// Extracts `total` entries starting at the reading position.
void ExtractAllEntries(Extraction& x, uint32_t total) {
  uint32_t skipped = 0;
  uint32_t remaining = total;
  while (remaining > 0) {
    const uint32_t headers = remaining < kEntriesPerBatch ? remaining : kEntriesPerBatch;
    size_t collected = 0;
    bool directoryBroken = false;
    for (uint32_t i = 0; i < headers; ++i) {
      CollectedEntry& entry = x.work.batch[collected];
      if (!CollectHeader(x, &entry)) {
        directoryBroken = true;
        break;
      }
      // Entries for host system 2 are skipped. The windowed installer has no one to
      // ask whether to extract them, so the answer is always no.
      if (entry.header.hostNeeded == 2) {
        ++skipped;
        continue;
      }
      ++collected;
    }
    remaining -= headers;
    const uint64_t resume = x.reader.position();
    for (size_t i = 0; i < collected; ++i) {
      ExtractEntry(x, x.work.batch[i]);
      if (x.outOfSpace) {
        x.Note(kUnzipWriteFailed);
        return;
      }
    }
    if (directoryBroken) return;
    x.reader.Restore(resume);
  }
  unsigned char signature[4];
  if (x.result == kUnzipOk &&
      !(x.reader.Read(signature, 4) == 4 && HasSignature(signature, kEndSignature)))
    x.Note(kUnzipWarning);
  if (skipped && x.result == kUnzipOk) x.Note(kUnzipWarning);
}

// Checks the end record found at `where` and, when it leads to a central directory,
// extracts the entries.
void ExtractFromEndRecord(Extraction& x, uint64_t where) {
  unsigned char bytes[kEndRecordSize];
  if (!x.reader.Seek(where) || x.reader.Read(bytes, kEndRecordSize) != kEndRecordSize) {
    x.Note(kUnzipEndsEarly);
    return;
  }
  const EndRecord end = DecodeEndRecord(bytes + 4);
  if (end.thisDisk == 1 && end.directoryDisk == 1) {
    // Some archivers mark a whole archive as the second disk of two; it reads fine.
    std::fprintf(stderr, "warning: the archive calls itself disk 2 of 2; reading it as a single archive\n");
    x.Note(kUnzipWarning);
  } else if (end.thisDisk != 0) {
    x.Show(kStatusMultiDisk);
    x.Note(kUnzipMultiDisk);
    return;
  }
  int64_t directoryOffset = end.directoryOffset;
  x.prefixLength = static_cast<int64_t>(where) - end.directorySize - end.directoryOffset;
  if (x.prefixLength < 0) {
    x.Note(kUnzipError);  // the archive is shorter than its directory says
  } else if (x.prefixLength > 0) {
    if (end.directoryOffset == 0 && end.directorySize != 0) {
      // Written by an archiver that left the directory offset at 0.
      directoryOffset = x.prefixLength;
      x.prefixLength = 0;
      x.Note(kUnzipError);
    } else {
      x.Note(kUnzipWarning);  // data in front of the archive
    }
  }
  if (end.directorySize == 0 && end.directoryOffset == 0) {
    x.Note(kUnzipWarning);  // an empty archive
    return;
  }
  if (!CentralHeaderAt(x.reader, directoryOffset + x.prefixLength)) {
    x.prefixLength = 0;
    if (!CentralHeaderAt(x.reader, directoryOffset)) {
      x.Show(kStatusDamaged);
      x.Note(kUnzipDamaged);
      return;
    }
    x.Note(kUnzipError);
  }
  x.reader.Seek(static_cast<uint64_t>(directoryOffset + x.prefixLength));
  ExtractAllEntries(x, end.totalEntries);
}

}  // namespace

int ExtractArchive(const std::string& archivePath, const std::string& destination,
                   StatusLine& status, OutputFiles& output) {
  std::string path = archivePath;
  uint64_t size = 0;
  if (!platform::FileSizeOf(path, &size)) {
    path += ".zip";
    if (!platform::FileSizeOf(path, &size)) {
      std::string line = UnzipStatusFormat(kStatusCantFind);
      status.Show(line.replace(line.find("%s"), 2, archivePath));
      return kUnzipNoArchive;
    }
  }
  platform::MemoryHandle block = platform::AllocateBlock(sizeof(Workspace));
  if (!block) return kUnzipNoMemory;
  int result;
  {
    platform::BlockLock lock(block);
    platform::FileHandle file = lock ? platform::OpenFileForReading(path) : nullptr;
    if (!lock) {
      result = kUnzipNoMemory;
    } else if (!file) {
      status.Show(UnzipStatusFormat(kStatusCantOpen));
      result = kUnzipNoArchive;
    } else {
      auto* work = static_cast<Workspace*>(lock.data());
      ArchiveReader reader(file, size, work->input);
      // An empty destination is the current directory, never the root.
      Extraction x(reader, *work, status, output, destination.empty() ? "." : destination);
      uint64_t where = 0;
      if (FindEndRecord(reader, &where)) {
        ExtractFromEndRecord(x, where);
      } else {
        x.Show(kStatusBadZip);
        x.Note(kUnzipError);
      }
      result = x.result;
      platform::CloseFile(file);
    }
  }
  platform::FreeBlock(block);
  return result;
}

int ExtractArchive(const std::string& archivePath, const std::string& destination,
                   StatusLine& status) {
  PlatformOutputFiles output;
  return ExtractArchive(archivePath, destination, status, output);
}

}  // namespace installer
