#include "platform/os/filechange.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>

namespace {

// How long a watcher waits before it looks whether it was told to end.
constexpr DWORD kPollMs = 100;

bool SameDrives(const std::vector<TShellDrive>& A, const std::vector<TShellDrive>& B, bool& Arrived, bool& Gone) {
  auto Has = [](const std::vector<TShellDrive>& L, const TShellDrive& D) {
    return std::any_of(L.begin(), L.end(), [&](const TShellDrive& E) { return E.Dir == D.Dir; });
  };
  Arrived = std::any_of(B.begin(), B.end(), [&](const TShellDrive& D) { return !Has(A, D); });
  Gone = std::any_of(A.begin(), A.end(), [&](const TShellDrive& D) { return !Has(B, D); });
  return !Arrived && !Gone;
}

}  // namespace

DWORD FileChangeFilter(TFileChangeKinds Kinds) {
  static const DWORD kFlags[] = {FILE_NOTIFY_CHANGE_FILE_NAME, FILE_NOTIFY_CHANGE_DIR_NAME,
                                 FILE_NOTIFY_CHANGE_ATTRIBUTES, FILE_NOTIFY_CHANGE_SIZE,
                                 FILE_NOTIFY_CHANGE_LAST_WRITE, FILE_NOTIFY_CHANGE_SECURITY};
  DWORD Filter = 0;
  for (int K = fcFileName; K <= fcSecurity; ++K)
    if (Kinds.Contains(TFileChangeKind(K))) Filter |= kFlags[K];
  return Filter;
}

// ---- TFileChangeThread -------------------------------------------------------------------------

TFileChangeThread::TFileChangeThread(const String& Folder, bool WatchSubtree, TFileChangeKinds Kinds,
                                     TNotifyEvent OnDone)
    : TThread(true),
      FFolder(Folder),
      FHandle(FindFirstChangeNotification(Folder, WatchSubtree, FileChangeFilter(Kinds))) {
  OnTerminate = std::move(OnDone);
  SetFreeOnTerminate(true);
  Start();
}

TFileChangeThread::~TFileChangeThread() = default;

void TFileChangeThread::Execute() {
  TChangeHandle& H = FHandle;
  if (!H.Valid()) return;  // nothing to watch: end at once
  while (!Terminated()) {
    DWORD R = WaitForSingleObject(H, kPollMs);
    if (R == WAIT_OBJECT_0) {
      FChangeSeen = !Terminated();
      break;
    }
    if (R != WAIT_TIMEOUT) break;
  }
  FindCloseChangeNotification(H);
}

// ---- TMountTableWatcher ------------------------------------------------------------------------

TMountTableWatcher::TMountTableWatcher(std::function<void(unsigned Event)> Handler)
    : TThread(true), FHandler(std::move(Handler)), FTable(MountTablePath()) {
  if (FTable.rfind("/proc/", 0) == 0) FFd = ::open(FTable.c_str(), O_RDONLY | O_CLOEXEC);
  else WatchFile();
  FKnown = ShellDrives(FTable);
  Start();
}

TMountTableWatcher::~TMountTableWatcher() {
  Terminate();
  WaitFor();
  RemoveQueuedEvents(this);
  if (FFd >= 0) ::close(FFd);
  if (FHandle.Valid()) FindCloseChangeNotification(FHandle);
}

// A table in a plain file: its folder is watched for the file being
// written or replaced.
void TMountTableWatcher::WatchFile() {
  String Dir = FTable.substr(0, FTable.rfind('/') == 0 ? 1 : FTable.rfind('/'));
  FHandle = FindFirstChangeNotification(
      Dir, false, FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_LAST_WRITE | FILE_NOTIFY_CHANGE_SIZE);
}

void TMountTableWatcher::Compare() {
  std::vector<TShellDrive> Now = ShellDrives(FTable);
  bool Arrived, Gone;
  if (SameDrives(FKnown, Now, Arrived, Gone)) return;
  FKnown = std::move(Now);
  for (unsigned Event : {DBT_DEVICEARRIVAL, DBT_DEVICEREMOVECOMPLETE}) {
    if (Event == DBT_DEVICEARRIVAL ? !Arrived : !Gone) continue;
    Queue([this, Event] {
      if (FHandler) FHandler(Event);
    });
  }
}

void TMountTableWatcher::Execute() {
  bool Kernel = FTable.rfind("/proc/", 0) == 0;
  while (!Terminated()) {
    if (Kernel) {
      // The kernel's table signals a change as an exceptional condition.
      pollfd P{FFd, POLLPRI | POLLERR, 0};
      if ((FFd >= 0 ? ::poll(&P, 1, int(kPollMs)) : ::poll(nullptr, 0, int(kPollMs))) > 0) Compare();
      continue;
    }
    if (!FHandle.Valid()) {
      // The folder is missing: look again a little later.
      ::poll(nullptr, 0, int(kPollMs));
      WatchFile();
      Compare();
      continue;
    }
    DWORD R = WaitForSingleObject(FHandle, kPollMs);
    if (R == WAIT_OBJECT_0) {
      FindNextChangeNotification(FHandle);
      Compare();
    } else if (R != WAIT_TIMEOUT) {
      FindCloseChangeNotification(FHandle);
      FHandle.Reset();
    }
  }
}
