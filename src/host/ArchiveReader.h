// Reading the archive that the tool appends to the update package, and
// unpacking an update package into the mobile installation's folders. The
// byte layout is in src/sync/ARCHIVE_FORMAT.md.
//
// Unpacking is all or nothing. The whole archive is read and checked first
// without writing anything: names and folders (no NUL or other control
// character, no absolute path, no ".."), one target per file, no target
// that is a folder or lies under a file, the sizes of the file list, every
// block inflating, the free space. Then every file is written beside its
// target under a temporary name and the targets are replaced through the
// intent record (UpdateIntent.h): after a kill the next run leaves every
// target old or every target new, and no temporary file. A user's file is
// never deleted: the new one is renamed over it. A fault raises
// EArchiveError (or the file layer's exception for a file or folder the
// system refuses to make) and leaves the destination as it was.
//
// Thread safety: none; one reader per thread.
#pragma once

#include <vector>

#include "platform/rtl/streams.h"

RTL_DECLARE_EXCEPTION(EArchiveError, Exception)

struct TArchiveEntry {
  String Name;        // UTF-8; "FILE:LIST" for the file list
  Integer Date = 0;   // DOS date and time
};

class TArchiveReader {
 public:
  // Reads the header of the archive that starts at Stream's position and
  // ends before End (the stream's size when End < 0).
  explicit TArchiveReader(TStream* Stream, Int64 End = -1);

  const String& Title() const { return FTitle; }
  Integer TotalSize() const { return FTotalSize; }
  Integer FileCount() const { return FFileCount; }

  // Reads the next entry's name, date and marker; false at the archive's
  // final 0. The entry's data must be read (ReadData) before the next call.
  bool Next(TArchiveEntry& Entry);
  // Inflates the current entry's blocks into Out; returns the byte count.
  Int64 ReadData(TStream* Out);

 private:
  Integer ReadInt();
  void ReadRaw(void* Buffer, Int64 Count);

  TStream* FStream;
  Int64 FEnd;
  String FTitle;
  Integer FTotalSize = 0;
  Integer FFileCount = 0;
};

// Unpacks the update package at PackagePath: finds the archive by the
// package's last four bytes, and writes each real file into DestRoot +
// the archive title's line of the same number + the file's name. Returns
// the number of files written.
Integer ExtractUpdatePackage(const String& PackagePath, const String& DestRoot);
