// Result codes of one extraction and the status-line texts it shows. Each list lives in
// one table so that a code or a text cannot drift from its meaning.
#pragma once

namespace installer {

// Result of one extraction. A later code may replace an earlier one, but once a code
// other than kUnzipOk has been met the result never returns to kUnzipOk.
#define KESTREL_UNZIP_RESULTS(X)                                                           \
  X(kUnzipOk, 0, "everything extracted and verified")                                      \
  X(kUnzipWarning, 1, "an entry failed, was refused or skipped, or the archive is irregular") \
  X(kUnzipError, 2, "the end record is missing or the directory was found only by a correction") \
  X(kUnzipDamaged, 3, "a record is missing where one must be")                             \
  X(kUnzipNoMemory, 4, "the working buffers cannot be allocated")                          \
  X(kUnzipNoArchive, 9, "the archive cannot be found or opened")                           \
  X(kUnzipMultiDisk, 11, "the archive spans several disks")                                \
  X(kUnzipWriteFailed, 50, "an output file cannot be created or written")                  \
  X(kUnzipEndsEarly, 51, "the archive ends early")

enum UnzipResult : int {
#define KESTREL_UNZIP_RESULT_ENUM(name, value, meaning) name = value,
  KESTREL_UNZIP_RESULTS(KESTREL_UNZIP_RESULT_ENUM)
#undef KESTREL_UNZIP_RESULT_ENUM
};

// What a result code means, for tools that report it; "unknown result" otherwise.
const char* UnzipResultMeaning(int result);

// Status-line texts; %s stands for the archive path or the entry name.
#define KESTREL_UNZIP_STATUS_TEXTS(X)                         \
  X(kStatusCantFind, "Can't find ZIP file %s")                \
  X(kStatusCantOpen, "Can't open file")                       \
  X(kStatusBadZip, "Bad ZIP file")                            \
  X(kStatusMultiDisk, "Multi-disk archives are not supported") \
  X(kStatusDamaged, "The ZIP file is damaged")                \
  X(kStatusCantCreate, "Can't create %s")                     \
  X(kStatusExtracting, "Extracting %s")                       \
  X(kStatusInflating, "Inflating: %s ")                       \
  X(kStatusMemoryError, "Memory error")                       \
  X(kStatusUnknownMethod, "Unknown compression method: %s")   \
  X(kStatusWriteError, "Write error in %s (disk full?)")      \
  X(kStatusProbablyCorrupt, "%s is probably corrupt")         \
  X(kStatusUnsafeEntry, "Skipping unsafe entry %s")

enum UnzipStatusText : int {
#define KESTREL_UNZIP_STATUS_ENUM(name, text) name,
  KESTREL_UNZIP_STATUS_TEXTS(KESTREL_UNZIP_STATUS_ENUM)
#undef KESTREL_UNZIP_STATUS_ENUM
};

// The format of a status text (a printf format with at most one %s).
const char* UnzipStatusFormat(UnzipStatusText text);

}  // namespace installer
