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
// The record count, change counter, transaction marker and write sequence
// live in the header (locks.h says what the marker and the sequence mean
// to the programs on a table); Refresh re-reads them so that records
// appended by other handles become visible. A shared handle compares them
// in a mapped view of the header page first (no call into the kernel
// while nothing changed, which makes a walk as fast as on a handle of its
// own), and reads the header through the file only when they differ or no
// view could be made. A file cut short by another
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
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/engine/keys.h"
#include "platform/engine/oak.h"
#include "platform/engine/spill.h"
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

// Where the header's changing bytes lie (FORMAT.md). Every reader and
// writer of them takes the offsets from here.
constexpr std::uint32_t kOffRecordCount = 20;  // record count (4)
constexpr std::uint32_t kOffAutoinc = 24;      // last autoincrement value (4)
constexpr std::uint32_t kOffFieldCount = 28;   // field count (2), fixed at create
constexpr std::uint32_t kOffCharType = 30;     // character type (2), fixed at create
constexpr std::uint32_t kOffChange = 32;       // change counter (4)
constexpr std::uint32_t kOffChecksum = 36;     // header checksum (4)
constexpr std::uint32_t kOffMarker = 40;       // transaction marker (8)
constexpr std::uint32_t kOffWriteSeq = 48;     // write sequence (4)
// The tail a writer writes in one piece: counters, marker and sequence.
constexpr std::uint32_t kTailOffset = kOffRecordCount;
constexpr std::uint32_t kTailBytes = kOffWriteSeq + 4 - kOffRecordCount;

// The header's changing part, as last read or written.
struct TTableCounters {
  UNSIGNED32 RecordCount = 0;
  UNSIGNED32 LastAutoinc = 0;
  UNSIGNED32 ChangeCounter = 0;
  // The transaction marker: the id of the transaction that holds the
  // table's write lock and may have changed its files, 0 when none.
  std::uint64_t Marker = 0;
  // The write sequence: even while the files are at rest, odd while the
  // holder of the write lock changes them in place (or died doing so). It
  // only moves on, so a reader that finds it as before its reads read
  // files at rest.
  UNSIGNED32 WriteSeq = 0;
};

// True when counter A lies at or after B (counters wrap around).
inline bool NotBefore(std::uint32_t A, std::uint32_t B) { return static_cast<std::int32_t>(A - B) >= 0; }
// The first odd sequence after both A and B, and the first even one.
inline std::uint32_t OddSeqAfter(std::uint32_t A, std::uint32_t B) { return ((NotBefore(A, B) ? A : B) + 1) | 1; }
inline std::uint32_t EvenSeqAfter(std::uint32_t A) { return (A + 2) & ~std::uint32_t(1); }

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
  // change counter in memory. The caller holds the table's write lock and
  // has begun a change in place (BeginInPlace) or a batch; the counters
  // go to the disk with EndInPlace (an append of a handle that holds the
  // table exclusively is counted on the disk at once).
  void WriteRecord(UNSIGNED32 RecNo, const void* Buf);
  // Writes Count records from record First on (RecordLength bytes each in
  // Buf) in one piece, as WriteRecord writes one (not in batch mode).
  void WriteRecords(UNSIGNED32 First, const void* Buf, UNSIGNED32 Count);
  // The most bytes of records written in one piece (a batch's runs, a
  // pack's moved records).
  static constexpr std::size_t kRunBytes = 256 * 1024;
  // Tells other handles that something beside the records changed (an
  // index tag was made or dropped): bumps the change counter in memory.
  void Touch();
  // The next autoincrement value (in memory, like the counters).
  UNSIGNED32 NextAutoinc();
  // Sets the record count (pack, zap). The file is cut after it at once,
  // or, under a journal, only by FinishCut once the journal is gone: the
  // bytes past the count are never read, and a rollback then has no page
  // to keep for them.
  void Truncate(UNSIGNED32 RecordCount);
  // Cuts the file after the record count (see Truncate).
  void FinishCut();
  // The same for a cut that a program killed past its commit point did
  // not finish. REQUIRES: W, no batch (nothing past the count is used).
  void CutToCount() {
    FCutPending = true;
    FinishCut();
  }
  // Forces the file to the disk.
  void Sync();
  // The journal of the transaction in progress (null: none); every write
  // is announced to it first.
  void SetJournal(TTxnJournal* J) {
    FJournal = J;
    ForgetReadAhead();
  }
  TTxnJournal* Journal() const { return FJournal; }

  // ---- changes in place (locks.h: the write sequence) --------------------
  // The holder of the table's write lock (or an exclusive handle) makes
  // the write sequence odd before it changes any file of the table in
  // place: BeginInPlace writes it at once (nothing when it is odd by this
  // handle already). EndInPlace writes the counters, the marker 0 and the
  // next even sequence in one write: the table is at rest again. A handle
  // that holds the table exclusively may stay in place across calls and
  // end at its flush (the writes of a pass then write the header once).
  void BeginInPlace();
  void EndInPlace();
  // Writes the counters kept in memory (a commit, before its commit point).
  // REQUIRES: InPlace.
  void StoreCounters() { WriteTail(); }
  bool InPlace() const { return FInPlace; }
  // Forgets a change in place that a rollback wrote back (the sequence on
  // the disk is the rollback's), and a cut it made needless.
  void ForgetInPlace() {
    FInPlace = false;
    FCutPending = false;
    FCountersDirty = false;
  }
  // Sets the transaction marker (the journal kept the header page first).
  void SetMarker(std::uint64_t Id);
  // The marker and write sequence on the disk now (in the header's view
  // when there is one, else read), without touching the counters kept.
  TTableCounters State() const;
  // The write sequence alone, as State reads it (a reader looks at it
  // before and after every call).
  UNSIGNED32 WriteSeqNow() const;
  // Forgets what was read of the records; the next Refresh reads the
  // header through the file.
  void DropCaches() {
    ForgetReadAhead();
    FCountersRead = false;
  }

  // Batch mode, for a handle that holds the write lock through a
  // transaction: changed and appended records and the counters stay with
  // the handle until FlushBatch, so that other handles read the table as
  // it was until the commit; Refresh reads nothing since no other handle
  // can write meanwhile. Memory stays bounded (BatchMemory): appended
  // records beyond half the bound go to the file early, past the record
  // count on the disk, where no reader looks; changed records beyond the
  // bound wait in a spill file (spill.h) by record number, never in the
  // table file, which other handles read in place. ReadRecord of this
  // handle shows its own changed and appended records.
  void BeginBatch();
  bool InBatch() const { return FBatch; }
  // Writes what the batch holds and the counters, and leaves batch mode.
  // REQUIRES: InPlace (the commit's write phase).
  void FlushBatch();
  // Forgets what the batch holds (rollback) and leaves batch mode.
  void DropBatch();
  // The bound of a batch's records in memory, in bytes (16 MiB); a batch
  // takes it at BeginBatch. Tests make it small so that little data
  // spills. Any thread may call these.
  static void SetBatchMemory(std::size_t Bytes);
  static std::size_t BatchMemory();

  // The header's tail of a table file F that no handle of the engine
  // holds (a recovery's own): nullopt when it cannot be read. StoreRest
  // writes the marker and the sequence alone (bytes 40..51).
  static std::optional<TTableCounters> ReadState(const os::File& F);
  static void StoreRest(const os::File& F, std::uint64_t Marker, UNSIGNED32 WriteSeq);
  // The tail (kTailBytes from kTailOffset of a header): read, and changed
  // in place (the static bytes inside it stay as they are).
  static TTableCounters DecodeTail(const std::uint8_t* Tail);
  static void EncodeTail(const TTableCounters& C, std::uint8_t* Tail);

 private:
  void ReadHeader();
  // True when the mapped header holds the counters last read or written;
  // false without a view, and the view given up when the file was cut
  // short under it.
  bool HeaderUnchanged();
  // Writes the counters, marker and sequence kept (one write of the tail).
  void WriteTail();
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
  bool FInPlace = false;
  bool FCountersDirty = false;
  bool FCutPending = false;  // Truncate(CutLater) waits for FinishCut
  // The static bytes of the tail (field count and character type at
  // 28..31, the checksum at 36..39), as read at open.
  std::uint8_t FStaticTail[8] = {};
  UNSIGNED32 FFlushedCount = 0;          // records on disk in batch mode
  std::vector<std::uint8_t> FAppended;   // records FFlushedCount + 1 ... in batch mode
  std::size_t FBatchMemory = 0;          // BatchMemory() at BeginBatch
  void WriteAppended();

  // Records up to FFlushedCount changed in batch mode: the latest in
  // memory (record number -> offset of its bytes in FUpdatedBytes), the
  // older ones, once those outgrow FBatchMemory, in FSpilled; a record's
  // bytes in memory are newer than its spilled ones.
  std::unordered_map<UNSIGNED32, std::size_t> FUpdatedAt;
  std::vector<std::uint8_t> FUpdatedBytes;
  std::unique_ptr<TSpillFile> FSpilled;  // made at the first spill
  void KeepUpdated(UNSIGNED32 RecNo, const void* Buf);
  bool ReadUpdated(UNSIGNED32 RecNo, void* Buf) const;
  // Hands the changed records in memory up to record Last to Sink in
  // record order, in runs of consecutive records (First, count, bytes).
  template <class TSink>
  void ForEachUpdatedRun(UNSIGNED32 Last, TSink&& Sink) const;
  // Moves the changed records in memory to the spill file.
  void SpillUpdated();
  // Writes Count records from First through the journal.
  void WriteRun(UNSIGNED32 First, UNSIGNED32 Count, const std::uint8_t* Bytes);
  // Writes the changed records of the batch up to record Last in record
  // order, then forgets them all.
  void WriteUpdated(UNSIGNED32 Last);
  // Forgets the changed records and gives their memory back.
  void ForgetUpdated();
};

// Raises the engine code for a failed os call on Path (E_FILE_NOT_FOUND,
// E_LOCKED for sharing and lock violations, else E_IO).
[[noreturn]] void FailOs(const os::Status& S, const std::string& Path);

// Path with its extension replaced by (or, without one, extended by) Ext
// (".OAM", ".OAI").
std::string ChangeExtension(const std::string& Path, const char* Ext);
// The folder of Path ("." for a bare name).
std::string FolderOf(const std::string& Path);
// Names compared without regard to ASCII case (fields, tags).
bool SameName(std::string_view A, std::string_view B);

// CRC-32 (the zlib polynomial) of Len bytes.
std::uint32_t Crc32(const void* Data, std::size_t Len, std::uint32_t Seed = 0);

}  // namespace oak
