// A view of the first bytes of an open file that is read with loads from
// memory, without a call into the kernel: a shared read-only mapping of the
// file's first page. The page is the kernel's cached page of the file, so
// every write made to those bytes through any handle of any process shows
// in the view once that write returned.
//
// Only local file systems whose mapped pages are the very pages that reads
// and writes go through are viewed (ext2/3/4, XFS, Btrfs, tmpfs, F2FS,
// overlay). On others (network and FUSE file systems, whose mappings need
// not see another machine's writes) Map answers false and the caller keeps
// reading through the file.
//
// A file cut to zero bytes by another program while it is viewed has no
// page left to read: reading the view then faults. Files the engine views
// never shrink below their header.
//
// Thread safety: Map and the destructor belong to one thread; Read may be
// called from any thread while the view lives.
#pragma once

#include <cstddef>

#include "platform/os/files.h"

namespace os {

class HeadView {
 public:
  HeadView() = default;
  ~HeadView();
  HeadView(const HeadView&) = delete;
  HeadView& operator=(const HeadView&) = delete;

  // Views the first Bytes (1 .. one page) of F, which must hold at least
  // that many bytes. False, and no view, on a file system not named above
  // or when the mapping fails; a view held before is given up first.
  bool Map(const File& F, std::size_t Bytes);
  bool IsMapped() const { return FData != nullptr; }
  // Copies Count bytes from Offset (Offset + Count at most the Bytes
  // mapped) into Out, each byte loaded from the page anew; what a write
  // that returned before the call stored is seen. REQUIRES: IsMapped.
  void Read(std::size_t Offset, void* Out, std::size_t Count) const;

 private:
  void Unmap();
  const volatile unsigned char* FData = nullptr;
  std::size_t FBytes = 0;
};

}  // namespace os
