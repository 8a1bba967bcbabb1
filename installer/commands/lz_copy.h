// Copies with expansion of the system's compressed-file format ("SZDD" files, made by
// the file compression tool for installation disks): a compressed source is expanded
// while it is copied, any other source is copied byte for byte.
#pragma once

#include <cstddef>
#include <functional>
#include <string>

namespace installer {

// Copies `source` to `destination` (created or truncated). Returns the number of bytes
// written, or -1 when the source cannot be opened, the destination cannot be created
// or a write fails (the destination is then deleted).
long long LzCopyFile(const std::string& source, const std::string& destination);

// Portable expansion over a reader and a writer: `read` fills up to `size` bytes and
// returns how many, 0 at the end; `write` stores all bytes or returns false. Returns
// the bytes written, or -1 when a write failed.
using LzRead = std::function<size_t(unsigned char* buffer, size_t size)>;
using LzWrite = std::function<bool(const unsigned char* data, size_t size)>;
long long LzExpand(const LzRead& read, const LzWrite& write);

}  // namespace installer
