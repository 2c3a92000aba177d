// The replacement record of a data folder: a group of table files replaced
// all or nothing (os::FileReplacement) leaves it while the group is under
// way, and a process killed past its commit point leaves it behind with the
// folder half old and half new.
//
// Every table open completes such a record of the table's folder first (as
// a database rolls a hot journal back at its first open), so no program
// using the engine ever reads a half-replaced folder:
//  - a record whose files are all free is carried out at once;
//  - a record whose files are still held belongs to a replacement at work;
//    the open waits for it (on the process clock, at most
//    kReplacementWaitMs) and then reports the table locked (E_LOCKED);
//  - a record one of whose targets changed after it was written (another
//    program wrote to the old table meanwhile) is not carried out: both
//    files stay and the open fails with E_REPLACEMENT naming the table,
//    the files kept and how to finish by hand. A copy of the folder that
//    keeps the times, or a change of rights, is no change (os::FileStamp);
//  - a record that cannot be read or carried out as written (a folder,
//    one file named twice, a folder named as a table) fails the open with
//    E_REPLACEMENT naming the record (a program that knows the group sets
//    it aside with SetAsidePendingReplacement).
//
// Thread safety: as the rest of the engine (the engine lock serialises the
// open path); processes exclude each other through the record's own lock.
#pragma once

#include <string>
#include <vector>

#include "platform/engine/oak.h"
#include "platform/os/files.h"
#include "platform/os/replace.h"

namespace oak {

// The record's name in the data folder.
extern const char* const kReplacementRecord;
// How long an open waits for a replacement at work.
constexpr UNSIGNED32 kReplacementWaitMs = 3000;

// Completes the pending replacement of Folder, waiting up to WaitMs while
// its files are held. OK when there was none or it was carried out;
// otherwise the status of os::RecoverReplacement (ERROR_SHARING_VIOLATION
// after the wait, ERROR_FILE_INVALID naming the changed tables, whose
// replacements then go to *Changed when given, ERROR_INVALID_DATA for a
// record that cannot be read or carried out ...). *Done (when given) tells
// what this call itself settled over all its attempts (a record carried
// out outweighs one thrown away); a record some other open settles
// meanwhile counts as nothing.
os::Status CompletePendingReplacement(const std::string& Folder, UNSIGNED32 WaitMs,
                                      std::vector<os::Replacement>* Changed = nullptr,
                                      os::RecoveryOutcome* Done = nullptr);

// The open path: completes the pending replacement of the folder of the
// table Path (resolved here). Raises E_LOCKED after the wait, E_REPLACEMENT for a record
// that cannot be carried out (the text names the table or the record),
// E_IO for other failures.
void CompletePendingReplacementBeforeOpen(const std::string& Path);

// Sets an unreadable record of Folder aside, together with those of
// PreparedNames that exist (see os::SetRecordAside); returns the record's
// new path.
os::Result<std::string> SetAsidePendingReplacement(const std::string& Folder,
                                                   const std::vector<std::string>& PreparedNames);

}  // namespace oak
