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
// A file cut short by another program while it is viewed (a copy made over
// an open table empties it for a moment) has no page left to read. The
// load that finds the page gone does not end the process: a SIGBUS handler,
// installed once with the first view and chained to the handler that was
// in place before it, puts a page of zeros where the file's page was and
// marks the view broken, and Read answers false from then on. The caller
// reads through the file instead, which tells a short file from a good one;
// a new Map sees the file as it is again. A SIGBUS at an address that is
// no view's goes on to the earlier handler (a sanitizer's, a program's), or
// ends the process as it would have without views.
//
// At most kMaxViews views are held at once in the process; Map answers
// false beyond that.
//
// Thread safety: Map and the destructor belong to one thread; Read and
// IsBroken may be called from any thread while the view lives.
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

  // Views held at once in the process, at most.
  static constexpr std::size_t kMaxViews = 1024;

  // Views the first Bytes (1 .. one page) of F, which must hold at least
  // that many bytes. False, and no view, on a file system not named above,
  // when kMaxViews views are held or when the mapping fails; a view held
  // before is given up first. The first view installs the SIGBUS handler
  // (for the rest of the process).
  bool Map(const File& F, std::size_t Bytes);
  // Gives the view up (no-op without one).
  void Unmap();
  bool IsMapped() const { return FData != nullptr; }
  // Copies Count bytes from Offset (Offset + Count at most the Bytes
  // mapped) into Out, each byte loaded from the page anew; what a write
  // that returned before the call stored is seen. True when Out holds the
  // file's bytes; false when the file was cut short under the view (now or
  // before): Out then holds zeros and the view shows nothing more, so the
  // caller reads through the file and may Unmap. REQUIRES: IsMapped.
  [[nodiscard]] bool Read(std::size_t Offset, void* Out, std::size_t Count) const;
  // True when a load from the view found the file cut short.
  // REQUIRES: IsMapped.
  bool IsBroken() const;

 private:
  const volatile unsigned char* FData = nullptr;
  std::size_t FBytes = 0;
  std::size_t FSlot = 0;  // the view's entry in the handler's list
};

}  // namespace os
