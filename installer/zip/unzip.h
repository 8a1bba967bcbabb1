// The installer's ZIP extractor: unpacks every stored or deflated entry of a
// single-disk archive into one directory, showing its progress on a status line.
//
// It asks nothing and replaces existing files. Its own memory is a few tens of
// kilobytes whatever the archive's size: the archive is read through a 2048-byte block
// buffer and output leaves through a 2048-byte buffer or the 32 KB inflate window.
// Entries whose names would reach outside the destination (absolute names, drive
// letters, "..", device names), entries stored as symbolic links and names that run
// through an existing link are refused with a warning and the others go on.
#pragma once

#include <string>

#include "installer/zip/output_files.h"
#include "installer/zip/status_line.h"
#include "installer/zip/unzip_codes.h"

namespace installer {

// Extracts the archive at `archivePath` (".zip" is appended when that names no file)
// into the existing directory `destination`, writing through `output`. Returns an
// UnzipResult code; entries extracted before a failure stay on disk.
int ExtractArchive(const std::string& archivePath, const std::string& destination,
                   StatusLine& status, OutputFiles& output);

// The same, writing real files.
int ExtractArchive(const std::string& archivePath, const std::string& destination,
                   StatusLine& status);

}  // namespace installer
