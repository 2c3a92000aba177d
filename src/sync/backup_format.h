// The archive format written by TBackupFile and read by the update-package
// extractor. See ARCHIVE_FORMAT.md beside this file for the byte layout.
#pragma once

#include <cstdint>

namespace backup_format {

// Largest input of one compressed block.
constexpr int BlockSize = 16384;
// The marker after each entry's date.
constexpr char EntryMarker[4] = {'E', 'C', '2', '\0'};
// Name of the entry that carries the file list.
constexpr const char* FileListName = "FILE:LIST";

}  // namespace backup_format
