#include "platform/os/notify.h"

#include <dirent.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <map>
#include <mutex>

#include "platform/os/files.h"
#include "platform/os/internal.h"

namespace os::detail {

struct ChangeState {
  int Inotify = -1;
  int Wake = -1;  // eventfd: written by FindCloseChangeNotification
  bool Subtree = false;
  DWORD Filter = 0;
  std::mutex Lock;
  std::map<int, String> Watches;  // watch descriptor -> folder
  bool Signalled = false;
  std::atomic<bool> Closed{false};

  ~ChangeState() {
    if (Inotify >= 0) ::close(Inotify);
    if (Wake >= 0) ::close(Wake);
  }
};

}  // namespace os::detail

using os::detail::ChangeState;

namespace {

constexpr uint32_t kNameEvents = IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO;

uint32_t MaskFor(DWORD Filter, bool Subtree) {
  uint32_t m = 0;
  if (Filter & (FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_DIR_NAME)) m |= kNameEvents;
  if (Filter & (FILE_NOTIFY_CHANGE_ATTRIBUTES | FILE_NOTIFY_CHANGE_SECURITY)) m |= IN_ATTRIB;
  if (Filter & (FILE_NOTIFY_CHANGE_SIZE | FILE_NOTIFY_CHANGE_LAST_WRITE))
    m |= IN_MODIFY | IN_CLOSE_WRITE;
  if (Subtree) m |= IN_CREATE | IN_MOVED_TO;  // to follow new sub-folders
  return m | IN_DELETE_SELF | IN_MOVE_SELF;
}

// True when an event of this kind is one the filter asked for.
bool Wanted(DWORD Filter, uint32_t Mask) {
  if (Mask & (IN_DELETE_SELF | IN_MOVE_SELF)) return true;
  if (Mask & kNameEvents) {
    DWORD kind = (Mask & IN_ISDIR) ? FILE_NOTIFY_CHANGE_DIR_NAME : FILE_NOTIFY_CHANGE_FILE_NAME;
    return (Filter & kind) != 0;
  }
  if (Mask & IN_ATTRIB)
    return (Filter & (FILE_NOTIFY_CHANGE_ATTRIBUTES | FILE_NOTIFY_CHANGE_SECURITY)) != 0;
  if (Mask & (IN_MODIFY | IN_CLOSE_WRITE))
    return (Filter & (FILE_NOTIFY_CHANGE_SIZE | FILE_NOTIFY_CHANGE_LAST_WRITE)) != 0;
  return false;
}

void AddWatch(ChangeState& S, const String& Dir) {
  int wd = ::inotify_add_watch(S.Inotify, Dir.c_str(), MaskFor(S.Filter, S.Subtree));
  if (wd < 0) return;
  S.Watches[wd] = Dir;
  if (!S.Subtree) return;
  DIR* d = ::opendir(Dir.c_str());
  if (!d) return;
  while (dirent* e = ::readdir(d)) {
    String n = e->d_name;
    if (n == "." || n == "..") continue;
    String sub = Dir + "/" + n;
    struct stat st;
    if (::lstat(sub.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) AddWatch(S, sub);
  }
  ::closedir(d);
}

// Reads what inotify has queued; sets Signalled for wanted events and
// follows new sub-folders.
void Drain(ChangeState& S) {
  alignas(inotify_event) char buf[8192];
  for (;;) {
    ssize_t n = ::read(S.Inotify, buf, sizeof buf);
    if (n <= 0) return;
    for (char* p = buf; p < buf + n;) {
      auto* ev = reinterpret_cast<inotify_event*>(p);
      if (Wanted(S.Filter, ev->mask)) S.Signalled = true;
      if (S.Subtree && (ev->mask & IN_ISDIR) && (ev->mask & (IN_CREATE | IN_MOVED_TO)) &&
          ev->len > 0) {
        auto it = S.Watches.find(ev->wd);
        if (it != S.Watches.end()) AddWatch(S, it->second + "/" + ev->name);
      }
      p += sizeof(inotify_event) + ev->len;
    }
  }
}

}  // namespace

TChangeHandle FindFirstChangeNotification(const String& PathName, bool WatchSubtree,
                                          DWORD NotifyFilter) {
  String path = os::ResolvePath(PathName);
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  struct stat st;
  if (::stat(path.c_str(), &st) != 0) {
    os::detail::FailWithErrno(path, errno);
    return TChangeHandle();
  }
  if (!S_ISDIR(st.st_mode)) {
    SetLastError(ERROR_DIRECTORY);
    return TChangeHandle();
  }
  auto s = std::make_shared<ChangeState>();
  s->Inotify = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  s->Wake = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
  if (s->Inotify < 0 || s->Wake < 0) {
    os::SetLastErrorFromErrno(errno);
    return TChangeHandle();
  }
  s->Subtree = WatchSubtree;
  s->Filter = NotifyFilter;
  AddWatch(*s, path);
  if (s->Watches.empty()) {
    os::SetLastErrorFromErrno(errno);
    return TChangeHandle();
  }
  return TChangeHandle(s);
}

bool FindNextChangeNotification(const TChangeHandle& Handle) {
  std::shared_ptr<ChangeState> s = Handle.State();
  if (!s || s->Closed) return os::detail::Fail(ERROR_INVALID_HANDLE);
  std::lock_guard<std::mutex> guard(s->Lock);
  Drain(*s);
  s->Signalled = false;
  return true;
}

bool FindCloseChangeNotification(TChangeHandle& Handle) {
  std::shared_ptr<ChangeState> s = Handle.State();
  if (!s) return os::detail::Fail(ERROR_INVALID_HANDLE);
  s->Closed = true;
  uint64_t one = 1;
  ssize_t ignored = ::write(s->Wake, &one, sizeof one);
  (void)ignored;
  Handle.Reset();
  return true;
}

DWORD WaitForSingleObject(const TChangeHandle& Handle, DWORD Milliseconds) {
  std::shared_ptr<ChangeState> s = Handle.State();
  if (!s) {
    SetLastError(ERROR_INVALID_HANDLE);
    return WAIT_FAILED;
  }
  using Clock = std::chrono::steady_clock;
  const auto deadline = Clock::now() + std::chrono::milliseconds(Milliseconds);
  for (;;) {
    if (s->Closed) return WAIT_FAILED;
    {
      std::lock_guard<std::mutex> guard(s->Lock);
      Drain(*s);
      if (s->Signalled) return WAIT_OBJECT_0;
    }
    int timeout = -1;
    if (Milliseconds != INFINITE) {
      auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
      if (left.count() <= 0) return WAIT_TIMEOUT;
      timeout = static_cast<int>(left.count());
    }
    pollfd fds[2] = {{s->Inotify, POLLIN, 0}, {s->Wake, POLLIN, 0}};
    ::poll(fds, 2, timeout);
  }
}
