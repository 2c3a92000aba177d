// The mapped view of a file's first page.
#include "platform/os/headview.h"

#include <sys/mman.h>
#include <sys/vfs.h>
#include <unistd.h>

#include <atomic>

namespace os {

namespace {

// File systems whose mapped pages are the page cache that pread and pwrite
// use (statfs f_type).
bool MapsThePageCache(int Fd) {
  struct statfs S {};
  if (::fstatfs(Fd, &S) != 0) return false;
  switch (static_cast<unsigned long>(S.f_type)) {
    case 0xEF53UL:      // ext2, ext3, ext4
    case 0x58465342UL:  // XFS
    case 0x9123683EUL:  // Btrfs
    case 0x01021994UL:  // tmpfs
    case 0xF2F52010UL:  // F2FS
    case 0x794C7630UL:  // overlay (the mapping is the layer's file)
      return true;
    default:
      return false;
  }
}

}  // namespace

HeadView::~HeadView() { Unmap(); }

void HeadView::Unmap() {
  if (FData) ::munmap(const_cast<unsigned char*>(FData), FBytes);
  FData = nullptr;
  FBytes = 0;
}

bool HeadView::Map(const File& F, std::size_t Bytes) {
  Unmap();
  const long Page = ::sysconf(_SC_PAGESIZE);
  if (!F.IsOpen() || Bytes == 0 || Page <= 0 || Bytes > static_cast<std::size_t>(Page) ||
      !MapsThePageCache(F.fd()))
    return false;
  void* P = ::mmap(nullptr, Bytes, PROT_READ, MAP_SHARED, F.fd(), 0);
  if (P == MAP_FAILED) return false;
  FData = static_cast<const volatile unsigned char*>(P);
  FBytes = Bytes;
  return true;
}

void HeadView::Read(std::size_t Offset, void* Out, std::size_t Count) const {
  auto* To = static_cast<unsigned char*>(Out);
  for (std::size_t I = 0; I < Count; ++I) To[I] = FData[Offset + I];
  // What the caller reads after the view (records written before these
  // bytes) is not read ahead of it.
  std::atomic_thread_fence(std::memory_order_acquire);
}

}  // namespace os
