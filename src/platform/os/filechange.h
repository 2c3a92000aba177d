// Watcher threads of a folder tree.
//
// TFileChangeThread watches one folder (optionally its sub-tree) for the
// given kinds of change and ends at the first change it sees, or at once
// when the folder cannot be watched (missing, a file, no permission). It
// frees itself when finished; its OnTerminate runs on the main thread
// (TThread), which is where a folder tree reacts: ChangeSeen tells whether
// the thread ended because of a change. Whoever started it may ask it to
// end with Terminate as long as its OnTerminate has not run.
//
// TMountTableWatcher watches the mount table (MountTablePath of
// platform/os/shellns.h) and hands each change of the drives to the main
// thread: OnDeviceChange(DBT_DEVICEARRIVAL) when a drive appeared,
// OnDeviceChange(DBT_DEVICEREMOVECOMPLETE) when one went (both, one after
// the other, when the table changed both ways). Its owner frees it;
// freeing stops the thread and drops calls not yet delivered.
//
// Thread safety: constructors, Terminate and the destructor from the main
// thread; the handlers run on the main thread.
#pragma once

#include <functional>

#include "platform/os/notify.h"
#include "platform/os/shellns.h"
#include "platform/rtl/threads.h"
#include "platform/rtl/typinfo.h"

// The kinds of change, in the order the watcher hands them to the system
// (FILE_NOTIFY_CHANGE_FILE_NAME ... FILE_NOTIFY_CHANGE_SECURITY).
enum TFileChangeKind { fcFileName, fcDirName, fcAttributes, fcSize, fcLastWrite, fcSecurity };
using TFileChangeKinds = TSet<TFileChangeKind>;

// The FILE_NOTIFY_CHANGE_* mask of a set of kinds.
DWORD FileChangeFilter(TFileChangeKinds Kinds);

class TFileChangeThread : public TThread {
 public:
  // Starts watching at once with OnDone as OnTerminate (set before the
  // thread starts, so that a watcher that ends at once still reports).
  // The object frees itself when finished.
  TFileChangeThread(const String& Folder, bool WatchSubtree, TFileChangeKinds Kinds, TNotifyEvent OnDone);
  ~TFileChangeThread() override;
  const String& Folder() const { return FFolder; }
  // True when the thread ended because of a change (valid in OnTerminate).
  bool ChangeSeen() const { return FChangeSeen.load(); }

 protected:
  void Execute() override;

 private:
  String FFolder;
  TChangeHandle FHandle;  // made by the constructor: no change is missed
  std::atomic<bool> FChangeSeen{false};
};

// Device-change codes handed on by TMountTableWatcher (the shell's DBT_*
// values of WM_DEVICECHANGE).
constexpr unsigned WM_DEVICECHANGE = 537;
constexpr unsigned DBT_DEVICEARRIVAL = 0x8000;
constexpr unsigned DBT_DEVICEREMOVECOMPLETE = 0x8004;

class TMountTableWatcher : public TThread {
 public:
  // Starts watching at once; Handler gets each change on the main thread.
  explicit TMountTableWatcher(std::function<void(unsigned Event)> Handler);
  ~TMountTableWatcher() override;

 protected:
  void Execute() override;

 private:
  void Compare();
  void WatchFile();
  std::function<void(unsigned Event)> FHandler;
  // Made by the constructor, so that no change after it is missed: the
  // table's path (read once, on the main thread), the drives known, and
  // what the thread waits on (the kernel table's descriptor, or a change
  // handle of a plain file's folder).
  String FTable;
  std::vector<TShellDrive> FKnown;
  int FFd = -1;
  TChangeHandle FHandle;
};
