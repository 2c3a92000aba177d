// Transactions: a before-image journal over the files a transaction writes.
//
// A transaction takes each table it changes with that table's write lock,
// held until it ends (the connection holds it, TConnection::HoldTable),
// and sets the table's transaction marker (TTxnJournal::MarkTable)
// before it changes any file of the table. Before the transaction first
// overwrites a page (4096 bytes) of a file, the page's old bytes go to the
// journal; the file's size at that moment and its identity (device, inode,
// change counter) are kept too. Rollback writes the old pages back and cuts
// each file to its old size, then moves the change counters of the tables
// and indexes on past every value they had, so that every other handle
// drops what it read of them; commit forces the files to the disk, removes
// the journal (the commit point) and clears the markers. The journal is
// written to a file beside the first file the transaction touched
// ("<file>.OAJ", locked while the transaction runs; it names only files of
// its own folder: a transaction changes the tables of one folder), so that
// a process killed in the middle of a transaction leaves a hot journal
// that the next open of a table in that folder, or the next writer of a
// marked table, rolls back (RecoverHotJournal).
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
  // in another folder than the files the transaction wrote before.
  void BeforeWrite(const os::File& F, std::uint64_t Offset, std::size_t Len);
  // Called before F is cut or extended without a write.
  void BeforeResize(const os::File& F);
  // F is being closed: its before-images are written back by path at
  // rollback (through a handle of the journal's own).
  void Forget(const os::File& F);

  // Sets the transaction marker of T, whose write lock the transaction
  // holds, the header page kept first (so that a rollback clears it).
  // Raises like BeforeWrite.
  void MarkTable(TTableFile& T);

  // Forces the written files to the disk, removes the journal and clears
  // the markers.
  void Commit();
  // Restores every file to its state at the first touch and moves the
  // change counters on (see above). A restore that fails leaves the
  // journal files hot for the next open, and raises the first failure.
  void Rollback();

  // Rolls back the journal files that a killed process left in the folder
  // of the table at TablePath ("<table, memo or index file>.OAJ"), if any;
  // a journal whose transaction still runs is locked and left alone.
  // Returns true when one was applied. A journal is applied only when it is
  // a plain file, every file it names is a table, memo or index file of its
  // own folder (recognised by name and header) and a plain file with no
  // other name (no hard link reaching elsewhere), and its entries fit the
  // files; otherwise nothing is written, the journal stays, and
  // EJournalRefused (5095) is raised naming it, with the cause Form, or
  // Held when another program holds a file it names exclusively. A file
  // that was replaced since the transaction touched it (another inode, or
  // a change counter behind the one it had then: a copy put back) is not
  // written: the rest is restored, the journal is set aside as
  // "<journal>.aside" (a name of its own when that is taken) and
  // EJournalRefused with the cause Replaced names the set-aside journal
  // and the file. A journal is read in pieces of a bounded size, each
  // record checked as it is read: memory and time follow the pages it
  // holds, never the size it claims. The journal is locked while it is
  // applied, so that two opens never apply it both.
  static bool RecoverHotJournal(const std::string& TablePath);

 private:
  struct TFileImage {
    const os::File* Live = nullptr;  // null after Forget
    std::string Path;
    std::uint64_t OriginalSize = 0;
    // Page number -> where its old bytes lie in the journal file (offset,
    // length): a rollback reads them back from there.
    std::map<std::uint64_t, std::pair<std::uint64_t, std::uint32_t>> Pages;
  };
  // The journal file of one folder.
  struct TJournalFile {
    std::unique_ptr<os::File> File;
    std::uint64_t Size = 0;
    std::string Path;
  };
  TFileImage& Touch(const os::File& F);
  // Appends an entry; returns the offset of Bytes in the journal file.
  std::uint64_t AppendToJournalFile(const TFileImage& Img, std::uint64_t Page, const std::string& Bytes);
  // Closes the journal files; removes them unless Keep (a failed rollback:
  // then they are left hot for the next open).
  void DropJournalFiles(bool Keep = false);
  static bool RecoverJournalFile(const std::string& JournalPath);

  std::uint64_t FId;
  std::map<std::string, TFileImage> FFiles;
  std::map<std::string, TJournalFile> FJournals;  // folder -> its journal file
  std::map<std::string, const os::File*> FMarked;  // table path -> its file
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
