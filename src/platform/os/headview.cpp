// The mapped view of a file's first page, and the SIGBUS handler that turns
// a load from a view whose file was cut short into a broken view.
#include "platform/os/headview.h"

#include <cstdint>
#include <cstring>

#include <signal.h>
#include <sys/mman.h>
#include <sys/vfs.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdint>
#include <mutex>

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

// One live view as the SIGBUS handler sees it: the whole pages mapped,
// [Begin, End), and whether a load found the file cut short. An entry is
// taken with Taken; Begin is published last and withdrawn first, so the
// handler, which takes no lock, never matches a range that is not mapped.
struct ViewEntry {
  std::atomic<bool> Taken{false};
  std::atomic<std::uintptr_t> Begin{0};
  std::atomic<std::uintptr_t> End{0};
  std::atomic<bool> Broken{false};
};
static_assert(std::atomic<std::uintptr_t>::is_always_lock_free &&
                  std::atomic<bool>::is_always_lock_free,
              "the SIGBUS handler reads the entries without a lock");

ViewEntry gViews[HeadView::kMaxViews];

// Written once before the handler is installed, read only by it.
std::uintptr_t gPageSize = 0;
struct sigaction gPrevious {};
bool gInstalled = false;
std::once_flag gInstallOnce;

// Gives a SIGBUS that is no view's to the action in place before ours, as
// the kernel would have delivered it.
void PassOn(int Sig, siginfo_t* Info, void* Context) {
  const struct sigaction& P = gPrevious;
  if (P.sa_handler != SIG_DFL && P.sa_handler != SIG_IGN) {
    // A one-shot handler would have found the default action in place.
    if (P.sa_flags & SA_RESETHAND) {
      struct sigaction Default {};
      Default.sa_handler = SIG_DFL;
      ::sigaction(Sig, &Default, nullptr);
    }
    if (P.sa_flags & SA_SIGINFO)
      P.sa_sigaction(Sig, Info, Context);
    else
      P.sa_handler(Sig);
    return;
  }
  const bool Sent = Info->si_code <= 0;  // kill, tgkill, sigqueue
  if (Sent && P.sa_handler == SIG_IGN) return;
  // The default action (or an ignored fault, which the kernel ends the
  // process for): with it back in place, the faulting load runs again and
  // faults for good; a sent signal is sent again.
  ::sigaction(Sig, &P, nullptr);
  if (Sent) ::raise(Sig);
}

// A load from a view whose file no longer holds the page faults here: the
// page becomes a page of zeros, so the load completes when the handler
// returns, and the view is marked broken before that, so that the reader,
// which looks at the mark after its loads, never takes the zeros for the
// file's bytes.
void OnBusError(int Sig, siginfo_t* Info, void* Context) {
  const int SavedErrno = errno;
  if (Info->si_code > 0) {  // a fault, with the address that faulted
    const auto Addr = reinterpret_cast<std::uintptr_t>(Info->si_addr);
    for (ViewEntry& V : gViews) {
      const std::uintptr_t Begin = V.Begin.load(std::memory_order_acquire);
      if (Begin == 0 || Addr < Begin || Addr >= V.End.load(std::memory_order_acquire)) continue;
      V.Broken.store(true, std::memory_order_release);
      void* Page = reinterpret_cast<void*>(Addr & ~(gPageSize - 1));
      if (::mmap(Page, gPageSize, PROT_READ, MAP_FIXED | MAP_PRIVATE | MAP_ANONYMOUS, -1, 0) !=
          MAP_FAILED) {
        errno = SavedErrno;
        return;
      }
      break;
    }
  }
  errno = SavedErrno;
  PassOn(Sig, Info, Context);
}

// Installs OnBusError once per process; false when it could not be.
bool InstallHandler() {
  std::call_once(gInstallOnce, [] {
    const long Page = ::sysconf(_SC_PAGESIZE);
    if (Page <= 0 || ::sigaction(SIGBUS, nullptr, &gPrevious) != 0) return;
    gPageSize = static_cast<std::uintptr_t>(Page);
    struct sigaction Ours {};
    Ours.sa_sigaction = OnBusError;
    // SA_NODEFER: a handler earlier in the chain may leave by siglongjmp
    // without restoring the signal mask, and a fault inside the chain must
    // not find SIGBUS blocked (the kernel would end the process at once).
    Ours.sa_flags = SA_SIGINFO | SA_NODEFER | SA_ONSTACK | SA_RESTART;
    ::sigemptyset(&Ours.sa_mask);
    struct sigaction Replaced {};
    gInstalled = ::sigaction(SIGBUS, &Ours, &Replaced) == 0;
  });
  return gInstalled;
}

// Takes a free entry; kMaxViews when all are taken.
std::size_t TakeEntry() {
  for (std::size_t I = 0; I < HeadView::kMaxViews; ++I) {
    bool Free = false;
    if (!gViews[I].Taken.load(std::memory_order_relaxed) &&
        gViews[I].Taken.compare_exchange_strong(Free, true, std::memory_order_acq_rel))
      return I;
  }
  return HeadView::kMaxViews;
}

}  // namespace

HeadView::~HeadView() { Unmap(); }

void HeadView::Unmap() {
  if (!FData) return;
  ViewEntry& V = gViews[FSlot];
  V.Begin.store(0, std::memory_order_release);
  V.End.store(0, std::memory_order_release);
  ::munmap(const_cast<unsigned char*>(FData), FBytes);
  V.Broken.store(false, std::memory_order_relaxed);
  V.Taken.store(false, std::memory_order_release);
  FData = nullptr;
  FBytes = 0;
}

bool HeadView::Map(const File& F, std::size_t Bytes) {
  Unmap();
  const long Page = ::sysconf(_SC_PAGESIZE);
  if (!F.IsOpen() || Bytes == 0 || Page <= 0 || Bytes > static_cast<std::size_t>(Page) ||
      !MapsThePageCache(F.fd()) || !InstallHandler())
    return false;
  const std::size_t Slot = TakeEntry();
  if (Slot == kMaxViews) return false;
  void* P = ::mmap(nullptr, Bytes, PROT_READ, MAP_SHARED, F.fd(), 0);
  if (P == MAP_FAILED) {
    gViews[Slot].Taken.store(false, std::memory_order_release);
    return false;
  }
  ViewEntry& V = gViews[Slot];
  const auto Begin = reinterpret_cast<std::uintptr_t>(P);
  V.Broken.store(false, std::memory_order_relaxed);
  V.End.store(Begin + static_cast<std::uintptr_t>(Page), std::memory_order_release);
  V.Begin.store(Begin, std::memory_order_release);
  FData = static_cast<const volatile unsigned char*>(P);
  FBytes = Bytes;
  FSlot = Slot;
  return true;
}

bool HeadView::Read(std::size_t Offset, void* Out, std::size_t Count) const {
  auto* To = static_cast<unsigned char*>(Out);
  std::size_t I = 0;
  // Aligned words in one load each (a caller reads a few every step).
  if (Offset % 4 == 0) {
    const auto* Words = reinterpret_cast<const volatile std::uint32_t*>(FData + Offset);
    for (; I + 4 <= Count; I += 4) {
      const std::uint32_t Word = Words[I / 4];
      std::memcpy(To + I, &Word, 4);
    }
  }
  for (; I < Count; ++I) To[I] = FData[Offset + I];
  // What the caller reads after the view (records written before these
  // bytes) is not read ahead of it, nor is the mark looked at before the
  // loads that may have set it.
  std::atomic_thread_fence(std::memory_order_acquire);
  return !IsBroken();
}

bool HeadView::IsBroken() const {
  return gViews[FSlot].Broken.load(std::memory_order_acquire);
}

}  // namespace os
