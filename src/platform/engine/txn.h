// Transactions: a before-image journal over the files a transaction writes.
//
// A transaction takes each table it changes with that table's write lock,
// held until it ends (the connection holds it, TConnection::HoldTable),
// and sets the table's transaction marker (TTxnJournal::MarkTable)
// before it changes any file of the table. Before the transaction first
// overwrites a page (4096 bytes) of a file, the page's old bytes go to the
// journal, and the file's size at that moment. Its changes stay in its
// handles' memory until the commit (see locks.h for what others see): the
// commit makes the write sequence of its tables odd, writes the changes,
// forces the files to the disk, removes the journal (the commit point) and
// sets the tables at rest (marker 0, sequence even). Rollback writes the
// old pages back with the marker kept, forces them to the disk, removes
// the journal and then sets the tables at rest, their change counters and
// sequences moved on past every value they had, so that every other handle
// drops what it read of them. The journal lies beside the first file the
// transaction touched ("<file>.OAJ", locked while the transaction runs; it
// names only files of its own folder: a transaction changes the tables of
// one folder), so that a process killed in the middle of a transaction
// leaves a hot journal that the next open of a table in that folder, or
// the next handle that finds a table marked by it, rolls back
// (RecoverJournalFile). The bytes are described in FORMAT.md (".OAJ").
//
// Thread safety: none; the engine lock serialises every use.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>

#include "platform/engine/btree_pager.h"
#include "platform/os/files.h"

namespace oak {

class TTableFile;

class TTxnJournal {
 public:
  TTxnJournal();
  ~TTxnJournal();
  TTxnJournal(const TTxnJournal&) = delete;
  TTxnJournal& operator=(const TTxnJournal&) = delete;

  // The transaction's id (never 0): the marker value of its tables.
  std::uint64_t Id() const { return FId; }

  // Called before F is written at [Offset, Offset + Len): keeps the old
  // bytes of every page not kept yet. F must stay open until commit or
  // rollback, or be released with Forget. Raises E_TRANSACTION when F lies
  // in another folder than the files the transaction wrote before, or when
  // a journal lies at the journal's name already.
  void BeforeWrite(const os::File& F, std::uint64_t Offset, std::size_t Len);
  // Called before F is cut or extended without a write.
  void BeforeResize(const os::File& F);
  // F is being closed: its before-images are written back by path at
  // rollback (through a handle of the journal's own).
  void Forget(const os::File& F);

  // Sets the transaction marker of T, whose write lock the transaction
  // holds, the header page kept first. T stays open until the transaction
  // ends. Raises like BeforeWrite.
  void MarkTable(TTableFile& T);
  // The commit's write phase begins: every marked table's write sequence
  // goes odd (TTableFile::BeginInPlace) before its changes are written.
  void BeginWritePhase();

  // Forces the written files to the disk and removes the journal (the
  // commit point). The files a pack or zap shortened are then cut by their
  // handles (TCursor::FinishCuts), and EndWritePhase sets the marked
  // tables at rest.
  void Commit();
  void EndWritePhase();
  // Restores every file to its state at the first touch and sets the
  // tables at rest (see above). A restore that fails leaves the journal
  // file hot for the next open, and raises the first failure.
  void Rollback();

  // Rolls back the journal files that a killed process left in the folder
  // of the table at TablePath, if any; journals that are locked (their
  // transaction runs, or another program applies them) are left alone.
  // Returns true when one was applied. Raises what RecoverJournalFile
  // raises.
  static bool RecoverHotJournal(const std::string& TablePath);

  // Applies the journal at JournalPath unless it is locked (false then,
  // and when it is gone). The journal's tables that carry its marker are
  // its own and are written back (with their memo and index files) under
  // their write locks, taken for the whole run; a table that does not
  // carry the marker and of which the journal keeps more than the header
  // page was put back since (from a backup): it is left as it is, the rest
  // is written back, the journal is set aside as "<journal>.aside" (a name
  // of its own when that is taken) and EJournalRefused (5095) with the
  // cause Replaced names it and the file. A journal that cannot be read,
  // is damaged or cut short, names anything but the table, memo and index
  // files of its own folder (plain files with one name, each with the
  // header of its kind) or holds entries that do not fit them is refused
  // (5095, cause Form) and stays; so it does, with the cause Held, while
  // another program holds one of its files exclusively or keeps a table's
  // write lock for 5 s. Nothing is written before every check passed.
  // Memory and time follow the pages the journal holds, never the size it
  // claims.
  static bool RecoverJournalFile(const std::string& JournalPath);

  // Where the journal of transaction Id stands in Folder.
  enum class TFound { Gone, Locked, Hot };
  struct TLookup {
    TFound State = TFound::Gone;
    std::string Path;
  };
  // Looks at the header of every journal of Folder. Raises
  // EJournalRefused (cause Form) naming a journal that cannot be read:
  // it may be Id's, so nothing may take its marker for one that ended.
  static TLookup FindJournalOf(const std::string& Folder, std::uint64_t Id);

 private:
  struct TFileImage {
    const os::File* Live = nullptr;  // null after Forget
    std::string Path;
    std::uint64_t OriginalSize = 0;
    // Page number -> where its old bytes lie in the journal file (offset,
    // length): a rollback reads them back from there.
    std::map<std::uint64_t, std::pair<std::uint64_t, std::uint32_t>> Pages;
  };
  TFileImage& Touch(const os::File& F);
  // Makes the journal file (new, locked, its header written) beside the
  // file at FilePath.
  void MakeJournalFile(const std::string& FilePath);
  // Appends entries of Img's file (whole, each with its checksum) and then
  // counts them in the header.
  void AppendEntries(const TFileImage& Img, const std::string& Entries);
  // Closes the journal file; removes its name unless Keep (a failed
  // rollback: then it is left hot for the next open).
  void DropJournalFile(bool Keep = false);

  std::uint64_t FId;
  std::map<std::string, TFileImage> FFiles;
  std::unique_ptr<os::File> FJournal;  // the journal file (null until the first entry)
  std::string FJournalPath;
  std::uint64_t FJournalEnd = 0;       // its bytes that count
  std::string FFolder;                 // the one folder the transaction writes
  std::map<std::string, TTableFile*> FMarked;  // table path -> its file
};

// An index file's block file over the os layer whose writes go through the
// journal that *Journal points to (when not null). Opens Path with the
// table's share mode (Create: a new, empty file, made exclusively: anything
// at the name, a link too, raises E_TABLE_EXISTS). Raises like TTableFile.
// Outside a transaction a rebuild of the whole file goes to a replacement
// ("<path>.rebuild", made new and exclusively after a stale one's name was
// removed) renamed over it (BlockFile::NewReplacement).
std::unique_ptr<BlockFile> OpenJournaledBlockFile(const std::string& Path, bool Create,
                                                  bool Exclusive, bool ReadOnly,
                                                  TTxnJournal* const* Journal);

// The name of the replacement a rebuild of the index file IndexPath writes.
std::string ReplacementPath(const std::string& IndexPath);
// Removes the name of a replacement that a killed rebuild left (a file or a
// link, never what a link leads to; a folder stays), looked for under its
// exact name. REQUIRES: the table's write lock (no rebuild at work). Raises
// nothing; what cannot be removed stays, and the next rebuild, which makes
// its replacement exclusively, then rebuilds in place.
void RemoveStaleReplacement(const std::string& IndexPath);

}  // namespace oak
