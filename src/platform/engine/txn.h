// Transactions: a before-image journal over the files a transaction writes.
//
// Before a transaction first overwrites a page (4096 bytes) of a file that
// existed when the transaction began, the page's old bytes go to the
// journal; the file's size at that moment is kept too. Rollback writes the
// old pages back and cuts each file to its old size, so the files are
// byte for byte what they were; commit forces the files to the disk and
// forgets the journal. The journal is also written to a file beside the
// first file it touches in each folder ("<file>.OAJ", locked while the
// transaction runs; it names only files of its own folder), so that a
// process killed in the middle of a transaction leaves a hot journal that
// the next open of a table in that folder rolls back (RecoverHotJournal).
// Within a transaction the tables hold their write lock and keep appended
// records and index pages in memory until commit (cursor.h).
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

class TTxnJournal {
 public:
  TTxnJournal() = default;
  ~TTxnJournal();
  TTxnJournal(const TTxnJournal&) = delete;
  TTxnJournal& operator=(const TTxnJournal&) = delete;

  // Called before F is written at [Offset, Offset + Len): keeps the old
  // bytes of every page not kept yet. F must stay open until commit or
  // rollback, or be released with Forget.
  void BeforeWrite(const os::File& F, std::uint64_t Offset, std::size_t Len);
  // Called before F is cut or extended without a write.
  void BeforeResize(const os::File& F);
  // F is being closed: its before-images are written back by path at
  // rollback (through a handle of the journal's own).
  void Forget(const os::File& F);

  // Forces the written files to the disk and drops the journal.
  void Commit();
  // Restores every file to its state at the first touch.
  void Rollback();

  // Rolls back the journal files that a killed process left in the folder
  // of the table at TablePath ("<table, memo or index file>.OAJ"), if any;
  // a journal whose transaction still runs is locked and left alone.
  // Returns true when one was applied. A journal is applied only when it is
  // a plain file, every file it names is a table, memo or index file of its
  // own folder (recognised by name and header) and a plain file with no
  // other name (no hard link reaching elsewhere), and its entries fit the
  // files; otherwise nothing is written, the journal stays, and
  // E_TRANSACTION is raised naming it. A journal is read in pieces of a
  // bounded size, each record checked as it is read: memory and time follow
  // the pages it holds, never the size it claims. The journal is locked
  // while it is applied, so that two opens never apply it both.
  static bool RecoverHotJournal(const std::string& TablePath);

 private:
  struct TFileImage {
    const os::File* Live = nullptr;  // null after Forget
    std::string Path;
    std::uint64_t OriginalSize = 0;
    std::map<std::uint64_t, std::string> Pages;  // page number -> old bytes
  };
  // The journal file of one folder.
  struct TJournalFile {
    std::unique_ptr<os::File> File;
    std::uint64_t Size = 0;
    std::string Path;
  };
  TFileImage& Touch(const os::File& F);
  void AppendToJournalFile(const TFileImage& Img, std::uint64_t Page, const std::string& Bytes);
  // Closes and removes every journal file.
  void DropJournalFiles();
  static void Restore(const os::File& F, const TFileImage& Img);
  static bool RecoverJournalFile(const std::string& JournalPath);

  std::map<std::string, TFileImage> FFiles;
  std::map<std::string, TJournalFile> FJournals;  // folder -> its journal file
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
