// Folder change notifications, Win32 style, over inotify.
//
// FindFirstChangeNotification returns a handle that becomes signalled when
// something of the kinds in Filter changes in the folder (or, with
// WatchSubtree, anywhere below it, folders made later included). A wait
// returns at once while the handle is signalled; FindNextChangeNotification
// resets it for the next change. A folder tree's watcher thread typically
// waits with a short time-out in a loop so that it can be told to end.
//
// Thread safety: one thread waits on a handle; FindCloseChangeNotification
// may be called from another thread and wakes that waiter (its wait then
// returns WAIT_FAILED).
#pragma once

#include <memory>

#include "platform/os/errors.h"

constexpr DWORD FILE_NOTIFY_CHANGE_FILE_NAME = 0x001;
constexpr DWORD FILE_NOTIFY_CHANGE_DIR_NAME = 0x002;
constexpr DWORD FILE_NOTIFY_CHANGE_ATTRIBUTES = 0x004;
constexpr DWORD FILE_NOTIFY_CHANGE_SIZE = 0x008;
constexpr DWORD FILE_NOTIFY_CHANGE_LAST_WRITE = 0x010;
constexpr DWORD FILE_NOTIFY_CHANGE_SECURITY = 0x100;

namespace os::detail {
struct ChangeState;
}

class TChangeHandle {
 public:
  TChangeHandle() = default;
  explicit TChangeHandle(std::shared_ptr<os::detail::ChangeState> S) : FState(std::move(S)) {}
  // False for INVALID_HANDLE_VALUE (a failed FindFirstChangeNotification).
  bool Valid() const { return FState != nullptr; }
  std::shared_ptr<os::detail::ChangeState> State() const { return FState; }
  void Reset() { FState.reset(); }

 private:
  std::shared_ptr<os::detail::ChangeState> FState;
};

// Starts watching PathName. Returns an invalid handle with GetLastError()
// 2/3 when the folder is missing, 267 when it is a file.
TChangeHandle FindFirstChangeNotification(const String& PathName, bool WatchSubtree,
                                          DWORD NotifyFilter);
// Resets a signalled handle (changes seen so far are forgotten).
bool FindNextChangeNotification(const TChangeHandle& Handle);
// Stops watching and wakes a waiting thread.
bool FindCloseChangeNotification(TChangeHandle& Handle);
// Waits up to Milliseconds (INFINITE for ever) for a change: WAIT_OBJECT_0,
// WAIT_TIMEOUT, or WAIT_FAILED when the handle is invalid or closed.
DWORD WaitForSingleObject(const TChangeHandle& Handle, DWORD Milliseconds);
