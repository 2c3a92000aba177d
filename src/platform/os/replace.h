// Replacing a group of files in one folder all or nothing, also across a
// crash, while no other handle uses them.
//
// The caller writes a complete copy of every new file beside its target
// (the "prepared" copy). FileReplacement then
//   1. takes every target and every prepared copy exclusively (deny all,
//      the share modes of os::File), so that no other handle of this or
//      another process holds a target while it is replaced: a target still
//      open elsewhere refuses the whole group before anything changed;
//   2. forces the prepared copies to the disk;
//   3. writes the intent record (which prepared copy replaces which target,
//      and the stamp of each target as it stands) under a temporary name
//      (created new, never through a link or a file already there), forces
//      it to the disk, renames it to its final name and forces the folder:
//      from this point on the group is committed;
//   4. renames every prepared copy over its target and forces the folder;
//   5. removes the intent record and forces the folder;
// and only then lets the files go. The handles taken in 1 stay on the new
// files (a rename keeps the open file), so nobody opens a target in the
// middle of the group.
//
// A process killed before the record has its final name leaves the targets
// untouched (a half-written record keeps its temporary name); a process
// killed after leaves a committed record. RecoverReplacement completes a
// committed record (every prepared copy still present replaces its target)
// and throws a half-written one away, so the group is all old or all new
// afterwards. It never replaces a target that changed after the record was
// written: it then stops before renaming anything and keeps both files.
// Removing stale prepared copies that no record names is the caller's part:
// only the caller knows their names.
//
// Record format (text, LF-ended lines, names relative to the folder):
//   MDS-REPLACE 3
//   <count>
//   <prepared name> TAB <target name> TAB <stamp>     (count lines)
//   END
// where <stamp> is "-" for a target that did not exist, else
// "<size>:<modified ns>:<head checksum>" (decimal; see FileStamp). The
// stamp holds only what shows a change of the content: a copy that keeps
// the times (cp -a) or a change of rights or owner leaves it as it was.
// Older records are still read: "MDS-REPLACE 2" lines end in
// "<inode>:<size>:<modified ns>:<changed ns>", of which only the size and
// the modification time are compared (the inode and the changed time move
// with such a copy or a change of rights); "MDS-REPLACE 1" lines have no
// stamp, and a target counts as changed when it was modified after the
// record was last written. A name is non-empty, not "." or "..", and holds
// no '/', TAB, CR, LF or NUL; no two names of a record lead to one file
// (compared as ResolvePath matches them: without regard to case or trailing
// dots). A record that does not read exactly so is refused.
//
// Thread safety: a FileReplacement belongs to one thread; RecoverReplacement
// may run in several threads and processes at once (one carries the record
// out, the others find it held); the step hook is process-wide and meant
// for tests.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "platform/os/files.h"

namespace os {

// What identifies a file's content at one moment: its size, its last
// modification time (nanoseconds since 1970) and a 64-bit checksum of its
// bytes (FNV-1a over 8-byte words, each product rotated).
struct FileIdentity {
  std::uint64_t Size = 0;
  std::int64_t ModifiedNs = 0;
  std::uint64_t Checksum = 0;
  bool operator==(const FileIdentity&) const = default;
};

// The checksum of FileIdentity over Count bytes in memory, for a short key
// that stands for a longer text (a file name made from a path).
std::uint64_t ChecksumOf(const void* Data, std::size_t Count);

// The identity of an open file (read through the handle; its position is
// not involved). Fails with what reading fails with.
Result<FileIdentity> IdentityOf(const File& F);
// The identity of the file Path, opened for reading sharing everything.
// Fails with 2/3 when missing, 32 never (deny none).
Result<FileIdentity> IdentityOf(const String& Path);

// What shows whether the content of a file changed since a moment, read
// without reading the file whole: its size, its last modification time
// (nanoseconds since 1970) and a checksum of its first kStampHeadBytes
// bytes, where the engine's table, memo and index files keep their change
// counters (a table's counter moves with every record write, so a write
// that keeps the size within one tick of a coarse clock still shows).
// Neither where the file lives (inode) nor who may read it is part of it.
struct FileStamp {
  std::uint64_t Size = 0;
  std::int64_t ModifiedNs = 0;
  std::uint64_t HeadChecksum = 0;
  bool operator==(const FileStamp&) const = default;
};
constexpr std::size_t kStampHeadBytes = 64;

// The stamp of an open file (read through the handle, which needs read
// access). Fails with what fstat or reading fails with.
Result<FileStamp> StampOf(const File& F);

// Whether a file whose stamp is Now still holds what Then was taken of: the
// same size and head, and the same modification time or that time cut to
// a coarser step (100 ns, 1 µs, 1 ms, 1 s or 2 s), as a copy that keeps
// the times onto a file system with a coarser clock stores it. With
// CompareHead false (records of the second format) the heads are not
// compared.
bool SameContentStamp(const FileStamp& Then, const FileStamp& Now, bool CompareHead = true);

// One replacement of a group: Prepared takes the place of Target; both are
// names in the group's folder. Format is the record format that holds it
// (see the header): 1 without the target's state, 2 with size and
// modification time (read from an older record), 3 with the full stamp;
// TargetExisted and Stamp are that state (formats 2 and 3).
struct Replacement {
  Replacement() = default;
  Replacement(String APrepared, String ATarget) : Prepared(std::move(APrepared)), Target(std::move(ATarget)) {}
  String Prepared;
  String Target;
  int Format = 1;
  bool TargetExisted = false;
  FileStamp Stamp;
  bool operator==(const Replacement&) const = default;
};

// The text of an intent record for Items, in the lowest format among them
// (3 for none). The fields a format does not hold are written as 0.
String FormatReplaceRecord(const std::vector<Replacement>& Items);
// Reads an intent record; false (Items left empty) for anything that is not
// a complete, well-formed record. Never raises.
bool ParseReplaceRecord(const String& Text, std::vector<Replacement>& Items);

class FileReplacement {
 public:
  // A group of replacements in Folder whose intent record is called
  // RecordName there.
  FileReplacement(String Folder, String RecordName);
  // Lets every held file go; removes nothing.
  ~FileReplacement();
  FileReplacement(const FileReplacement&) = delete;
  FileReplacement& operator=(const FileReplacement&) = delete;

  // Adds one replacement (names in the folder; the target is looked up
  // without regard to case when it exists).
  void Add(const String& PreparedName, const String& TargetName);

  // Takes every prepared copy and every existing target exclusively.
  // ERROR_SHARING_VIOLATION (32) with the target's path as context when
  // another handle holds one; 2 when a prepared copy is missing. On failure
  // nothing stays held and nothing was changed.
  Status Hold();
  // The held target of replacement I, or a closed File when that target
  // does not exist. REQUIRES: Hold() succeeded, I < number added.
  const File& HeldTarget(std::size_t I) const;

  // Steps 2 to 5 of the header. Holds first when Hold was not called.
  // A failure before the record is committed leaves every target as it
  // was; a failure after it leaves a committed record for
  // RecoverReplacement. The prepared copies are never removed here.
  Status Commit();

  // Lets every held file go.
  void Release();

 private:
  struct Item {
    String Prepared;  // full path
    String Target;    // full path, resolved
    File PreparedFile;
    File TargetFile;
  };
  String FFolder;
  String FRecord;
  std::vector<Item> FItems;
};

// True when Folder holds the committed record RecordName (exact names, one
// status call; Folder as resolved by ResolvePath).
bool ReplacementPending(const String& Folder, const String& RecordName);

// What one RecoverReplacement call did itself, in growing weight.
enum class RecoveryOutcome {
  Nothing,     // no record of its own to settle (none, or held by another)
  ThrownAway,  // a half-written record went: the group never committed,
               // its targets are as they were
  CarriedOut,  // a committed record was carried out and removed: every
               // target is its replacement
};

// Completes or throws away an interrupted replacement in Folder (see the
// header). OK when there was nothing to do or the record was carried out;
// ERROR_SHARING_VIOLATION when the record or a file it names is held by
// another handle, such as the replacement still at work or another
// recovery (the record stays for a later attempt); ERROR_FILE_INVALID, with
// the paths of the changed targets as context (", " between them), when a
// target not yet replaced changed after the record was written (nothing is
// renamed; record, targets and prepared copies stay; the replacements of
// those targets are appended to *Changed when given); ERROR_INVALID_DATA,
// with the record's path as context, when the committed record cannot be
// read or cannot be carried out as written: it is no regular file, it
// names one file twice or its own name, or a file it names is a folder or
// another non-regular file (it stays; nothing is changed). A half-written
// record that is no regular file is left alone. *Done (when given) tells
// what this call itself settled: a record another process or thread
// settles meanwhile is not counted, so a caller can report exactly what it
// did.
Status RecoverReplacement(const String& Folder, const String& RecordName,
                          std::vector<Replacement>* Changed = nullptr, RecoveryOutcome* Done = nullptr);

// Moves the record RecordName of Folder and the prepared copies named in
// PreparedNames that exist out of the way, each renamed by appending
// Suffix (and a number when that name is taken), so that an unreadable
// record no longer stops every later recovery. Returns the record's new
// path. Fails with what renaming fails with.
Result<String> SetRecordAside(const String& Folder, const String& RecordName,
                              const std::vector<String>& PreparedNames, const String& Suffix);

// Test hook: called before each step of Commit and of RecoverReplacement
// that changes the disk, with a running step number from 0. Returning
// false stops the routine right there, leaving the disk as a process
// killed at that point would (the result is ERROR_OPERATION_ABORTED).
// Returns the previous hook; null: none.
using ReplaceStepHook = std::function<bool(int Step)>;
ReplaceStepHook SetReplaceStepHook(ReplaceStepHook Hook);

}  // namespace os
