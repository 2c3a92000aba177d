// The table file (.OAT): a header with the field descriptors, then
// fixed-length records in the raw layout the dataset layer decodes. The
// byte layout is written down in FORMAT.md.
//
// TTableFile is one open description of a table file: it reads and writes
// the header and records through the os layer and holds the lock bytes of
// its handle (locks.h). Every handle of the engine has its own TTableFile,
// so that locks and share modes exclude handles of one process as well as
// other processes.
//
// The record count and change counter live in the header; Refresh re-reads
// them so that records appended by other handles become visible. A shared
// handle compares them in a mapped view of the header page first (no call
// into the kernel while nothing changed, which makes a walk as fast as on
// a handle of its own), and reads the header through the file only when
// they differ or no view could be made. A file cut short by another
// program under the view breaks it: the handle gives the view up and reads
// the header through the file from then on, where a header cut short is
// E_CORRUPT_TABLE naming the file and a header written again is read as
// before. A record
// count that the file's size cannot hold means a truncated file
// (E_CORRUPT_TABLE); bytes after the last counted record are ignored and
// overwritten by the next append (a write cut short by a crash).
//
// Thread safety: none; the engine lock serialises every use.
#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/engine/keys.h"
#include "platform/engine/oak.h"
#include "platform/os/files.h"
#include "platform/os/headview.h"

namespace oak {

class TTxnJournal;

// One field of a table.
struct TFieldDesc {
  std::string Name;           // as defined (UTF-8, at most 47 bytes)
  UNSIGNED16 Type = 0;        // OAK_LOGICAL ...
  UNSIGNED16 Decimals = 0;    // numeric fields
  UNSIGNED32 Length = 0;      // bytes in the record
  UNSIGNED32 Offset = 0;      // from the start of the record (byte 0 is the deleted flag)
};

constexpr std::uint32_t kTableHeaderSize = 64;
constexpr std::uint32_t kFieldDescSize = 64;
constexpr std::uint32_t kMaxFieldName = 47;
constexpr std::uint32_t kMaxFields = 2048;
constexpr char kRecordLive = ' ';
constexpr char kRecordDeleted = '*';

// True for memo, binary, image and variable character fields (their record
// bytes reference a block of the memo file).
bool IsBlobType(UNSIGNED16 Type);
// True for the two character types.
bool IsCharType(UNSIGNED16 Type);

// Parses "NAME,Type[,Length[,Decimals]];..." into field descriptors with
// their offsets. Raises E_BAD_TABLE_DEFINITION naming the faulty entry.
std::vector<TFieldDesc> ParseFieldDefinitions(const std::string& Text);

// The header's changing part, as last read or written.
struct TTableCounters {
  UNSIGNED32 RecordCount = 0;
  UNSIGNED32 LastAutoinc = 0;
  UNSIGNED32 ChangeCounter = 0;
};

class TTableFile {
 public:
  // Creates a new table file (fails with E_TABLE_EXISTS when it exists).
  static void Create(const std::string& Path, const std::vector<TFieldDesc>& Fields,
                     CharType Chars);
  // Opens the table at Path (resolved case-insensitively). Exclusive opens
  // deny every other open; shared opens deny only exclusive ones; a clash
  // raises E_LOCKED. Missing file: E_FILE_NOT_FOUND; bad header or a file
  // shorter than its record count: E_CORRUPT_TABLE.
  TTableFile(const std::string& Path, bool Exclusive, bool ReadOnly);

  const std::string& Path() const { return FFile.Path(); }
  const std::vector<TFieldDesc>& Fields() const { return FFields; }
  UNSIGNED32 RecordLength() const { return FRecordLength; }
  CharType Chars() const { return FChars; }
  bool Exclusive() const { return FExclusive; }
  bool ReadOnly() const { return FReadOnly; }
  bool HasBlobs() const;
  const os::File& File() const { return FFile; }

  // The counters as last read or written.
  const TTableCounters& Counters() const { return FCounters; }
  // Re-reads the counters from the header; returns true when another
  // handle changed the table since the last Refresh or write of this one.
  // A handle that holds the table exclusively reads them once, and again
  // only when Always (after a rollback wrote old bytes back).
  bool Refresh(bool Always = false);

  // Reads record RecNo (1-based, <= RecordCount) into Buf (RecordLength).
  void ReadRecord(UNSIGNED32 RecNo, void* Buf) const;
  // Writes record RecNo (1-based; RecordCount + 1 appends) and bumps the
  // change counter. The caller holds the table's write lock.
  void WriteRecord(UNSIGNED32 RecNo, const void* Buf);
  // Tells other handles that something beside the records changed (an
  // index tag was made or dropped): bumps the change counter.
  void Touch();
  // The next autoincrement value (stored at once).
  UNSIGNED32 NextAutoinc();
  // Sets the record count (pack, zap) and cuts the file after it.
  void Truncate(UNSIGNED32 RecordCount);
  // Forces the file to the disk.
  void Sync();
  // The journal of the transaction in progress (null: none); every write
  // is announced to it first.
  void SetJournal(TTxnJournal* J) {
    FlushCounters();
    FJournal = J;
    ForgetReadAhead();
  }
  TTxnJournal* Journal() const { return FJournal; }

  // A handle that holds the table exclusively (outside a transaction)
  // writes the counters with the first record write after a flush and then
  // keeps the change counter in memory until FlushCounters (or Touch, a
  // truncation, a transaction): a walk that rewrites records writes the
  // header once. The record count of an append is written with it at once.
  bool DefersCounters() const { return FExclusive && !FJournal; }
  // Writes counters kept in memory.
  void FlushCounters();

  // Batch mode, for a handle that holds the write lock through a
  // transaction: changed and appended records and the counters stay in
  // memory until FlushBatch, so that other handles read the table as it
  // was until the commit (appended records beyond some megabytes go to the
  // file early, past the record count on the disk, where no reader looks);
  // Refresh reads nothing since no other handle can write meanwhile.
  void BeginBatch();
  bool InBatch() const { return FBatch; }
  // Writes what the batch holds and leaves batch mode.
  void FlushBatch();
  // Forgets what the batch holds (rollback) and leaves batch mode.
  void DropBatch();

  // The transaction marker (header bytes 40..47): the id of the
  // transaction that holds the table's write lock and may have changed its
  // files, 0 when none. A transaction sets it (through its journal, which
  // keeps the header page as it was) before it changes any file of the
  // table, and clears it after its journal is gone; a marker found set by a
  // handle that holds the write lock itself belongs to a transaction whose
  // program died (TCursor::SettleDeadTransaction). TxnMarker reads it anew
  // (in the header's view when there is one).
  static constexpr std::uint32_t kMarkerOffset = 40;
  std::uint64_t TxnMarker() const;
  // Writes the marker of the table file F (open for writing) without a
  // journal.
  static void StoreTxnMarker(const os::File& F, std::uint64_t Id);
  // Writes the change counter of the table file F (open for writing)
  // without a journal (the rollback's last step, see txn.h).
  static void StoreChangeCounter(const os::File& F, UNSIGNED32 Counter);

 private:
  void ReadHeader();
  // The header's bytes 20..35 as FCounters says they are on the disk.
  void EncodeCounters(std::uint8_t (&Buf)[16]) const;
  // True when the mapped header holds the counters last read or written;
  // false without a view, and the view given up when the file was cut
  // short under it.
  bool HeaderUnchanged();
  void WriteCounters();
  // Writes the record count alone (an append of a handle that defers the
  // change counter).
  void WriteRecordCount();
  std::uint64_t RecordOffset(UNSIGNED32 RecNo) const;

  // Read-ahead of a walk: records FAheadFirst .. FAheadFirst + FAheadCount
  // - 1 as last read from the file. A read of the record after the last
  // one read fills it with a block of records; a record this handle
  // writes is kept in it as written; a truncation, a transaction boundary
  // or a change by another handle seen by Refresh empties it.
  void ForgetReadAhead() const {
    FAheadCount = 0;
    FBlocks.clear();
    FBlockOrder.clear();
  }
  bool ReadAhead(UNSIGNED32 RecNo, void* Buf) const;
  void KeepInReadAhead(UNSIGNED32 RecNo, const void* Buf);
  mutable std::vector<std::uint8_t> FAhead;
  mutable UNSIGNED32 FAheadFirst = 0, FAheadCount = 0, FLastRead = 0;

  // Records read out of order (a walk in key order, seeks) come from
  // blocks of records kept by block number, up to a bound in all, the
  // oldest dropped first; kept and emptied like the read-ahead.
  bool ReadFromBlock(UNSIGNED32 RecNo, void* Buf) const;
  UNSIGNED32 RecordsPerBlock() const;
  mutable std::unordered_map<UNSIGNED32, std::unique_ptr<std::uint8_t[]>> FBlocks;
  mutable std::deque<UNSIGNED32> FBlockOrder;

  os::File FFile;
  os::HeadView FHeadView;  // shared handles: the header page, mapped
  bool FExclusive = false;
  bool FReadOnly = false;
  std::vector<TFieldDesc> FFields;
  UNSIGNED32 FRecordLength = 0;
  UNSIGNED32 FDataOffset = 0;
  CharType FChars = CharType::Ansi;
  TTableCounters FCounters;
  bool FCountersRead = false;
  TTxnJournal* FJournal = nullptr;
  bool FBatch = false;
  bool FCountersDirty = false;
  UNSIGNED32 FFlushedCount = 0;          // records on disk in batch mode
  std::vector<std::uint8_t> FAppended;   // records FFlushedCount + 1 ... in batch mode
  // Records up to FFlushedCount changed in batch mode, by number.
  std::unordered_map<UNSIGNED32, std::vector<std::uint8_t>> FUpdated;
  void WriteAppended();
  // Writes the changed records of the batch up to record Last, forgets the
  // others.
  void WriteUpdated(UNSIGNED32 Last);
};

// Raises the engine code for a failed os call on Path (E_FILE_NOT_FOUND,
// E_LOCKED for sharing and lock violations, else E_IO).
[[noreturn]] void FailOs(const os::Status& S, const std::string& Path);

// Path with its extension replaced by (or, without one, extended by) Ext
// (".OAM", ".OAI").
std::string ChangeExtension(const std::string& Path, const char* Ext);
// Names compared without regard to ASCII case (fields, tags).
bool SameName(std::string_view A, std::string_view B);

// CRC-32 (the zlib polynomial) of Len bytes.
std::uint32_t Crc32(const void* Data, std::size_t Len, std::uint32_t Seed = 0);

}  // namespace oak
