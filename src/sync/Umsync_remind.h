// Reminders beside the office data: files in the office data folder that
// each keep one thing the user has to read until he has read it, across
// kills and across workstations: that the laptop has not received a
// synchronisation's data (LaptopReminders, made by the run right before
// its write-back commits), or that a journal of another program's
// unfinished change was set aside (JournalReminders, made by the start
// that shows the refusal).
//
// A reminder holds a short text. It is made under a name of its own
// (created new and exclusively, never through a link), locked (byte 0,
// exclusively, as the engine's journals are), written, forced to the disk,
// and only then takes the first free name of its kind: Base + Ext, then
// Base + "-2" + Ext ... Base + "-32" + Ext, never replacing one. Whoever
// holds a reminder keeps it locked: the run that made it while its work is
// under way, the start that shows it while its message box is open. Nobody
// else takes a reminder that is held, on this workstation or another; the
// lock of a holder that is killed goes with its process, and the reminder
// waits for the next start. The holder removes it once the user has closed
// the box that says it (Done), or leaves it for the next start (Release).
//
// Thread safety: GUI thread; a TReminder belongs to one thread.
#pragma once

#include <functional>
#include <vector>

#include "platform/os/files.h"
#include "platform/rtl/strings.h"

// The names of one kind of reminder.
struct TReminderKind {
  const char* Base;
  const char* Ext;
};

// How many reminders of one kind a folder can hold, and the most of one
// that is read.
constexpr int kReminderSlots = 32;
constexpr std::size_t kReminderMaxBytes = 16384;

// One reminder, held (open and locked) or none. Move-only; destroying one
// that is held lets it go and leaves it (Release).
class TReminder {
 public:
  TReminder() = default;
  TReminder(TReminder&&) = default;
  TReminder& operator=(TReminder&&) = default;

  // Makes a reminder of Kind holding Text in Folder (with a trailing '/')
  // and holds it; one held before is let go first. Raises EInOutError
  // naming the file and the reason when it cannot be made (every name of
  // the kind taken: "Die Datei ist bereits vorhanden."); nothing of it is
  // left then.
  void Make(const String& Folder, const TReminderKind& Kind, const String& Text);
  // Takes the reminder at Path when it is a plain file that nobody holds
  // and that was reached without a link: locks it and reads its text. False,
  // with nothing held, when it is missing, held, no plain file, longer than
  // kReminderMaxBytes or unreadable. One held before is let go first.
  // Never raises.
  bool Take(const String& Path);
  bool Held() const { return FFile.IsOpen(); }
  // The held reminder's path and text ("" when none is held).
  const String& Path() const { return FFile.Path(); }
  const String& Text() const { return FText; }
  // Removes the held reminder (while its name still names the file held)
  // and lets it go. Nothing when none is held. Never raises.
  void Done();
  // Lets the held reminder go and leaves it for the next start.
  void Release();

 private:
  os::File FFile;
  String FText;
};

// For each reminder of Kind in Folder that nobody holds, in the order of
// its names: takes it, calls Show with its text and removes it when Show
// returns (the user has closed its box); when Show raises, the reminder
// stays and the exception passes on. Unfinished reminders (a maker killed
// before it named one) that nobody holds are removed. Raises what Show
// raises.
void ShowReminders(const String& Folder, const TReminderKind& Kind, const std::function<void(const String& Text)>& Show);
// Removes every reminder of Kind in Folder that nobody holds and whose text
// Applies (null: every one), and the unfinished ones. Never raises.
void RemoveReminders(const String& Folder, const TReminderKind& Kind,
                     const std::function<bool(const String& Text)>& Applies = nullptr);
