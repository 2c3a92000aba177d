// Before-image journal of a transaction: the live side (entries as the
// transaction writes, commit, rollback) and the write-back it shares with
// the recovery of a dead one (txn_recover.cpp).
#include "platform/engine/txn.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <random>
#include <set>
#include <thread>

#include "platform/engine/table.h"
#include "platform/engine/txn_format.h"
#include "platform/os/fileapi.h"
#include "platform/rtl/byteorder.h"

namespace oak {

namespace journal {

const TKind kTableKind = {".OAT", {'O', 'A', 'K', 'T', 'A', 'B', 'L', 0x1A}};
const TKind kMemoKind = {".OAM", {'O', 'A', 'K', 'M', 'E', 'M', 'O', 0x1A}};
const TKind kIndexKind = {".OAI", {'O', 'A', 'K', 'I', 'N', 'D', 'X', 0x1A}};

const TKind* KindOf(const std::string& Path) {
  size_t Dot = Path.find_last_of('.');
  if (Dot == std::string::npos || Path.find('/', Dot) != std::string::npos) return nullptr;
  for (const TKind* K : {&kTableKind, &kMemoKind, &kIndexKind})
    if (SameName(Path.substr(Dot), K->Ext)) return K;
  return nullptr;
}

std::string BaseOf(const std::string& Path) {
  std::string Base = ChangeExtension(Path, "");
  for (char& C : Base) C = static_cast<char>(std::toupper(static_cast<unsigned char>(C)));
  return Base;
}

void CheckOs(const os::Status& S, const std::string& Path) {
  if (!S.ok()) FailOs(S, Path);
}

std::string EncodeHeader(std::uint64_t Id, std::uint64_t End) {
  std::uint8_t H[kHeaderBytes] = {};
  std::memcpy(H, kMagic, sizeof kMagic);
  StoreLE32(H + 8, kVersion);
  StoreLE64(H + kOffId, Id);
  StoreLE64(H + kOffEnd, End);
  StoreLE32(H + kOffSum, Crc32(H + kSummedFrom, kHeaderBytes - kSummedFrom));
  return std::string(reinterpret_cast<const char*>(H), sizeof H);
}

std::optional<THeader> DecodeHeader(const std::uint8_t* H, std::string* Why) {
  if (std::memcmp(H, kMagic, sizeof kMagic) != 0) {
    *Why = "it is not a journal of this engine (or of an older form)";
    return std::nullopt;
  }
  if (LoadLE32(H + 8) != kVersion) {
    *Why = "a journal of version " + std::to_string(LoadLE32(H + 8));
    return std::nullopt;
  }
  if (LoadLE32(H + kOffSum) != Crc32(H + kSummedFrom, kHeaderBytes - kSummedFrom)) {
    *Why = "its header is damaged";
    return std::nullopt;
  }
  THeader Out;
  Out.Id = LoadLE64(H + kOffId);
  Out.End = LoadLE64(H + kOffEnd);
  if (Out.Id == 0 || Out.End < kHeaderBytes) {
    *Why = "its header is damaged";
    return std::nullopt;
  }
  return Out;
}

std::string EncodeEntry(const std::string& Path, std::uint64_t OriginalSize, std::uint64_t Page,
                        const std::string& Bytes) {
  std::string E;
  E.reserve(kEntryFrame + Path.size() + Bytes.size());
  std::uint8_t W[8];
  StoreLE32(W, static_cast<std::uint32_t>(Path.size()));
  E.append(reinterpret_cast<const char*>(W), 4);
  E += Path;
  StoreLE64(W, OriginalSize);
  E.append(reinterpret_cast<const char*>(W), 8);
  StoreLE64(W, Page);
  E.append(reinterpret_cast<const char*>(W), 8);
  StoreLE32(W, static_cast<std::uint32_t>(Bytes.size()));
  E.append(reinterpret_cast<const char*>(W), 4);
  E += Bytes;
  StoreLE32(W, Crc32(E.data(), E.size()));
  E.append(reinterpret_cast<const char*>(W), 4);
  return E;
}

namespace {

// The old bytes of a page, read from the journal J into Buf.
const std::string& PageBytes(const os::File& J, std::pair<std::uint64_t, std::uint32_t> Where, std::string& Buf) {
  Buf.resize(Where.second);
  size_t Got = 0;
  CheckOs(J.Read(Where.first, Buf.data(), Buf.size(), &Got), J.Path());
  if (Got < Buf.size()) Fail(E_TRANSACTION, "journal " + J.Path() + " shrank while it was read");
  return Buf;
}

void PutPages(const os::File& J, const TTarget& T, bool HeaderPage, std::string& Buf) {
  for (auto& [Page, Where] : *T.Pages)
    if ((Page == 0) == HeaderPage)
      CheckOs(T.F->Write(Page * kPage, PageBytes(J, Where, Buf).data(), Where.second), T.F->Path());
}

void StoreSeq(const os::File& F, std::uint32_t Seq) {
  std::uint8_t B[4];
  StoreLE32(B, Seq);
  CheckOs(F.Write(kOffWriteSeq, B, sizeof B), F.Path());
}

}  // namespace

void WriteBack(const os::File& J, const std::vector<TTarget>& Targets, std::uint64_t Id) {
  // Each table's counter and sequence: past both the values restored and
  // those it has now, so that every handle reads it anew.
  struct TMove {
    std::uint32_t Restored, Now, Seq;
  };
  std::map<std::string, TMove> Tables;  // by BaseOf
  std::string Buf;
  for (const TTarget& T : Targets) {
    if (T.Kind != &kTableKind) continue;
    const std::optional<TTableCounters> Cur = TTableFile::ReadState(*T.F);
    TTableCounters Img = Cur.value_or(TTableCounters{});
    auto Head = T.Pages->find(0);
    if (Head != T.Pages->end() && Head->second.second >= kTailOffset + kTailBytes)
      Img = TTableFile::DecodeTail(reinterpret_cast<const std::uint8_t*>(PageBytes(J, Head->second, Buf).data()) +
                                   kTailOffset);
    const std::uint32_t Before = Cur ? Cur->ChangeCounter : Img.ChangeCounter;
    const TMove M = {Img.ChangeCounter, (NotBefore(Before, Img.ChangeCounter) ? Before : Img.ChangeCounter) + 1,
                     OddSeqAfter(Img.WriteSeq, Cur ? Cur->WriteSeq : Img.WriteSeq)};
    // Readers wait from here on.
    StoreSeq(*T.F, M.Seq);
    Tables[BaseOf(T.F->Path())] = M;
  }
  std::set<std::string> Indexed;
  for (const TTarget& T : Targets) {
    if (T.Kind == &kTableKind) continue;
    std::optional<std::uint32_t> Before;
    std::uint8_t H[kIndexHeaderBytes];
    size_t Got = 0;
    if (T.Kind == &kIndexKind && T.F->Read(0, H, sizeof H, &Got).ok() && Got == sizeof H) Before = IndexChangeCounter(H);
    PutPages(J, T, true, Buf);
    PutPages(J, T, false, Buf);
    CheckOs(T.F->Truncate(T.OriginalSize), T.F->Path());
    if (T.Kind != &kIndexKind) continue;
    if (!T.F->Read(0, H, sizeof H, &Got).ok() || Got < sizeof H) continue;
    std::optional<std::uint32_t> Stamp;
    auto Table = Tables.find(BaseOf(T.F->Path()));
    if (Table != Tables.end()) {
      Indexed.insert(Table->first);
      if (IndexTableStamp(H) == Table->second.Restored) Stamp = Table->second.Now;
    }
    if (RestampIndexHeader(H, Before.value_or(0), true, Stamp)) CheckOs(T.F->Write(0, H, sizeof H), T.F->Path());
  }
  for (const TTarget& T : Targets) {
    if (T.Kind != &kTableKind) continue;
    const TMove& M = Tables[BaseOf(T.F->Path())];
    // A structural index the transaction never wrote: only its stamp
    // follows the table.
    if (!Indexed.count(BaseOf(T.F->Path()))) {
      os::File Index;
      std::uint8_t H[kIndexHeaderBytes];
      size_t Got = 0;
      if (Index.Open(ChangeExtension(T.F->Path(), ".OAI"), os::Access::ReadWrite, os::Share::DenyNone).ok() &&
          Index.Read(0, H, sizeof H, &Got).ok() && Got == sizeof H && IndexTableStamp(H) == M.Restored &&
          RestampIndexHeader(H, 0, false, M.Now))
        CheckOs(Index.Write(0, H, sizeof H), Index.Path());
    }
    PutPages(J, T, false, Buf);
    CheckOs(T.F->Truncate(T.OriginalSize), T.F->Path());
    // The header page last: its old bytes, the counter and the sequence
    // moved on, the marker kept until the journal is gone.
    auto Head = T.Pages->find(0);
    std::string Page;
    if (Head != T.Pages->end()) Page = PageBytes(J, Head->second, Buf);
    if (Page.size() < kTailOffset + kTailBytes) Fail(E_TRANSACTION, "journal " + J.Path() + " keeps no header of " + T.F->Path());
    auto* Tail = reinterpret_cast<std::uint8_t*>(Page.data()) + kTailOffset;
    TTableCounters C = TTableFile::DecodeTail(Tail);
    C.ChangeCounter = M.Now;
    C.Marker = Id;
    C.WriteSeq = M.Seq;
    TTableFile::EncodeTail(C, Tail);
    CheckOs(T.F->Write(0, Page.data(), Page.size()), T.F->Path());
  }
}

void SyncTargets(const std::vector<TTarget>& Targets) {
  for (const TTarget& T : Targets) CheckOs(T.F->Flush(), T.F->Path());
}

bool IndexMatches(const std::string& TablePath, std::uint32_t Counter) {
  os::File Index;
  std::uint8_t H[kIndexHeaderBytes];
  size_t Got = 0;
  if (!Index.Open(ChangeExtension(TablePath, ".OAI"), os::Access::Read, os::Share::DenyNone).ok()) return true;
  return Index.Read(0, H, sizeof H, &Got).ok() && Got == sizeof H && IndexTableStamp(H) == Counter;
}

void SetAtRest(const std::vector<TTarget>& Targets) {
  for (const TTarget& T : Targets) {
    if (T.Kind != &kTableKind) continue;
    const std::optional<TTableCounters> Cur = TTableFile::ReadState(*T.F);
    if (!Cur) Fail(E_CORRUPT_TABLE, T.F->Path() + ": header cut short");
    // An index that does not match the table written back (a pack or zap
    // had put its rebuilt index in place already) keeps the sequence odd:
    // the next handle rebuilds it before anybody reads it.
    const bool Whole = IndexMatches(T.F->Path(), Cur->ChangeCounter);
    TTableFile::StoreRest(*T.F, 0, Whole ? EvenSeqAfter(Cur->WriteSeq) : Cur->WriteSeq | 1);
  }
}

}  // namespace journal

using namespace journal;

TTxnJournal::TTxnJournal() {
  std::random_device Seed;
  std::mt19937_64 Gen((std::uint64_t(Seed()) << 32) ^ Seed() ^ std::uint64_t(::getpid()));
  do FId = Gen(); while (FId == 0);
}

TTxnJournal::~TTxnJournal() {
  if (FFiles.empty() && !FJournal) return;
  // A destructor cannot raise: a rollback that fails is left as the
  // thread's last error, and its journal file stays for the next open.
  try {
    Rollback();
  } catch (const std::exception& E) {
    StoreLastError(E);
  }
}

void TTxnJournal::MakeJournalFile(const std::string& FilePath) {
  const std::string Path = FilePath + ".OAJ";
  // Made new, never through a link: anything at the name (a journal no
  // open applied yet, a link) refuses the write. Another program's open
  // may find the new file before its lock and header are there; it takes
  // a journal without a header for one never begun and removes its name:
  // the name is checked after the lock, and made again when it went.
  for (int Attempt = 0;; ++Attempt) {
    auto F = std::make_unique<os::File>();
    os::Status S = F->Open(Path, os::Access::ReadWrite, os::Share::DenyNone, os::Disposition::CreateNew);
    if (S.code() == ERROR_FILE_EXISTS || S.code() == ERROR_ALREADY_EXISTS)
      Fail(E_TRANSACTION, "journal " + Path + " exists already");
    if (!S.ok()) FailOs(S, Path);
    // The lock tells other programs that this journal is alive, not hot.
    const bool Locked = F->Lock(0, 1, os::LockKind::Exclusive).ok();
    if (Locked) {
      const std::string Header = EncodeHeader(FId, kHeaderBytes);
      CheckOs(F->Write(0, Header.data(), Header.size()), Path);
      struct stat Named, Own;
      if (::lstat(Path.c_str(), &Named) == 0 && ::fstat(F->fd(), &Own) == 0 && Named.st_ino == Own.st_ino &&
          Named.st_dev == Own.st_dev && Own.st_nlink > 0) {
        FJournal = std::move(F);
        FJournalPath = Path;
        FJournalEnd = kHeaderBytes;
        return;
      }
    }
    if (Attempt >= 100) Fail(E_LOCKED, "journal " + Path + " cannot be made (another program holds the name)");
    F.reset();
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
}

void TTxnJournal::AppendEntries(const TFileImage& Img, const std::string& Entries) {
  if (!FJournal) MakeJournalFile(Img.Path);
  CheckOs(FJournal->Write(FJournalEnd, Entries.data(), Entries.size()), FJournalPath);
  // The entries count only once the header says so, and the header says
  // so before the pages they keep are overwritten: a journal cut short, or
  // one whose program died before it counted an entry, is told apart.
  FJournalEnd += Entries.size();
  const std::string Header = EncodeHeader(FId, FJournalEnd);
  CheckOs(FJournal->Write(kOffSum, Header.data() + kOffSum, kOffEnd + 8 - kOffSum), FJournalPath);
}

void TTxnJournal::DropJournalFile(bool Keep) {
  // The name goes while the file is still held and locked: an open in
  // another program that finds the journal unlocked finds it removed too,
  // and never replays a transaction that ended.
  if (FJournal && !Keep) os::RemoveLeftover(FJournalPath);
  FJournal.reset();
}

TTxnJournal::TFileImage& TTxnJournal::Touch(const os::File& F) {
  auto It = FFiles.find(F.Path());
  if (It != FFiles.end()) {
    It->second.Live = &F;
    return It->second;
  }
  // One journal, in one folder: a commit or a death then ends the whole
  // transaction one way, never one folder's part one way and another's
  // the other.
  const std::string Folder = FolderOf(F.Path());
  if (!FFolder.empty() && Folder != FFolder)
    Fail(E_TRANSACTION, "a transaction changes the tables of one folder; " + F.Path() + " lies outside " + FFolder);
  auto Size = F.Size();
  if (!Size.ok()) FailOs(Size.status(), F.Path());
  TFileImage Img;
  Img.Live = &F;
  Img.Path = F.Path();
  Img.OriginalSize = Size.value();
  AppendEntries(Img, EncodeEntry(Img.Path, Img.OriginalSize, kSizeRecord, std::string()));
  FFolder = Folder;
  return FFiles.emplace(F.Path(), std::move(Img)).first->second;
}

void TTxnJournal::BeforeWrite(const os::File& F, std::uint64_t Offset, std::size_t Len) {
  TFileImage& Img = Touch(F);
  const std::uint64_t End = std::min<std::uint64_t>(Offset + Len, Img.OriginalSize);
  // A run of pages not kept yet is read, and goes to the journal, in one
  // piece (of a bounded size).
  constexpr std::uint64_t kRunPages = 256;
  std::string Old, Entries;
  for (std::uint64_t P = Offset / kPage; P * kPage < End;) {
    if (Img.Pages.count(P)) {
      ++P;
      continue;
    }
    const std::uint64_t First = P;
    std::uint64_t Last = P;
    while (Last * kPage < End && !Img.Pages.count(Last) && Last - First < kRunPages) ++Last;
    Old.resize((Last - First) * kPage);
    size_t Got = 0;
    os::Status S = F.Read(First * kPage, Old.data(), Old.size(), &Got);
    if (!S.ok()) FailOs(S, F.Path());
    Entries.clear();
    std::vector<std::pair<std::uint64_t, std::uint32_t>> Where;  // of each page's old bytes
    for (; P < Last; ++P) {
      const std::size_t From = std::size_t(P - First) * kPage;
      const std::size_t Bytes = From < Got ? std::min<std::size_t>(kPage, Got - From) : 0;
      Entries += EncodeEntry(Img.Path, Img.OriginalSize, P, Old.substr(From, Bytes));
      Where.push_back({FJournalEnd + Entries.size() - 4 - Bytes, std::uint32_t(Bytes)});
    }
    AppendEntries(Img, Entries);
    for (std::uint64_t Q = First; Q < Last; ++Q) Img.Pages.emplace(Q, Where[Q - First]);
  }
}

void TTxnJournal::BeforeResize(const os::File& F) {
  TFileImage& Img = Touch(F);
  // A cut loses the bytes beyond the new end: keep every page.
  BeforeWrite(F, 0, Img.OriginalSize);
}

void TTxnJournal::Forget(const os::File& F) {
  auto It = FFiles.find(F.Path());
  if (It != FFiles.end() && It->second.Live == &F) It->second.Live = nullptr;
}

void TTxnJournal::MarkTable(TTableFile& T) {
  // The header page goes to the journal first: a rollback, or the
  // recovery after a death, writes it back and so clears the marker.
  BeforeWrite(T.File(), 0, kTailOffset + kTailBytes);
  T.SetMarker(FId);
  FMarked[T.Path()] = &T;
}

void TTxnJournal::BeginWritePhase() {
  for (auto& [Path, T] : FMarked) T->BeginInPlace();
}

namespace {

// Opens Path to write its bytes back, for a journal that holds no open
// handle of it.
std::unique_ptr<os::File> OpenForRestore(const std::string& Path) {
  auto F = std::make_unique<os::File>();
  CheckOs(F->Open(Path, os::Access::ReadWrite, os::Share::DenyNone), Path);
  return F;
}

}  // namespace

void TTxnJournal::Commit() {
  // The counters belong to the state committed: they go before the files
  // are forced to the disk.
  for (auto& [Path, T] : FMarked)
    if (T->InPlace()) T->StoreCounters();
  for (auto& [Path, Img] : FFiles) {
    if (Img.Live) {
      CheckOs(Img.Live->Flush(), Path);
    } else {
      // Written through a handle that is closed now.
      os::File Own;
      if (Own.Open(Path, os::Access::Read, os::Share::DenyNone).ok()) CheckOs(Own.Flush(), Path);
    }
  }
  // The commit point: from here on no recovery takes the transaction back.
  DropJournalFile();
  FFiles.clear();
  for (auto& [Path, T] : FMarked) T->SetJournal(nullptr);
}

void TTxnJournal::EndWritePhase() {
  // A marker left by a kill from here on is cleared by the next handle
  // that finds it (its journal is gone).
  for (auto& [Path, T] : FMarked) {
    try {
      T->EndInPlace();
    } catch (const EEngineError&) {
    }
  }
  FMarked.clear();
}

void TTxnJournal::Rollback() {
  // A restore that fails is raised and the journal file stays, so that
  // the next open, or the next handle that finds a table still marked,
  // completes it.
  std::string Failure;
  UNSIGNED32 Code = 0;
  try {
    std::vector<std::unique_ptr<os::File>> Own;
    std::vector<TTarget> Targets;
    for (auto& [Path, Img] : FFiles) {
      const os::File* F = Img.Live;
      if (!F) {
        Own.push_back(OpenForRestore(Img.Path));
        F = Own.back().get();
      }
      Targets.push_back({F, KindOf(Img.Path), Img.OriginalSize, &Img.Pages});
    }
    if (FJournal) {
      WriteBack(*FJournal, Targets, FId);
      SyncTargets(Targets);
      DropJournalFile();
      SetAtRest(Targets);
    }
  } catch (const EEngineError& E) {
    Code = E.Code, Failure = E.Message();
  }
  FFiles.clear();
  for (auto& [Path, T] : FMarked) T->ForgetInPlace();
  FMarked.clear();
  if (!Failure.empty()) {
    const std::string Kept = FJournal ? FJournalPath : std::string();
    DropJournalFile(true);
    Fail(Code, Kept.empty() ? "rollback failed: " + Failure
                            : "rollback failed (journal " + Kept + " kept for the next open): " + Failure);
  }
  DropJournalFile();
}

namespace {

class TJournaledBlockFile : public BlockFile {
 public:
  TJournaledBlockFile(TTxnJournal* const* Journal, bool Exclusive, bool ReadOnly)
      : FJournal(Journal), FExclusive(Exclusive), FReadOnly(ReadOnly) {}
  ~TJournaledBlockFile() override {
    if (*FJournal) (*FJournal)->Forget(File);
  }
  os::Status TryOpen(const std::string& Path, os::Disposition D) {
    return File.Open(Path, FReadOnly ? os::Access::Read : os::Access::ReadWrite,
                     FExclusive ? os::Share::Exclusive : os::Share::DenyNone, D);
  }
  void Open(const std::string& Path, os::Disposition D) {
    os::Status S = TryOpen(Path, D);
    if (!S.ok()) FailOs(S, Path);
  }
  std::size_t ReadAt(std::uint64_t Offset, void* Buffer, std::size_t Count) override {
    size_t Got = 0;
    os::Status S = File.Read(Offset, Buffer, Count, &Got);
    if (!S.ok()) FailOs(S, File.Path());
    return Got;
  }
  void WriteAt(std::uint64_t Offset, const void* Buffer, std::size_t Count) override {
    if (*FJournal) (*FJournal)->BeforeWrite(File, Offset, Count);
    Check(File.Write(Offset, Buffer, Count));
  }
  std::uint64_t Size() override {
    auto R = File.Size();
    if (!R.ok()) FailOs(R.status(), File.Path());
    return R.value();
  }
  void Truncate(std::uint64_t Size) override {
    // Under a journal an index file is not cut: pages past its page count
    // are never read, and a rollback then has none of them to put back.
    if (*FJournal) {
      if (Size <= this->Size()) return;
      (*FJournal)->BeforeWrite(File, Size, 0);
    }
    Check(File.Truncate(Size));
  }
  void Sync() override { Check(File.Flush()); }

  // A transaction's journal restores the file page by page: inside one the
  // file is rebuilt in place. So it is, as ever, in a folder where no new
  // file can be made (the file itself writable).
  std::unique_ptr<BlockFile> NewReplacement() override {
    if (*FJournal || FReadOnly) return nullptr;
    // A rebuild runs under the table's write lock: a replacement already
    // there was left by a killed one. Its name goes; the new one is made
    // new and exclusively, never through a link.
    os::RemoveLeftover(ReplacementPath(File.Path()));
    auto New = std::make_unique<TJournaledBlockFile>(FJournal, FExclusive, FReadOnly);
    if (!New->TryOpen(ReplacementPath(File.Path()), os::Disposition::CreateNew).ok()) return nullptr;
    return New;
  }
  void TakePlaceOf(BlockFile& Old) override {
    Sync();
    Check(File.Rename(static_cast<TJournaledBlockFile&>(Old).File.Path()));
  }
  void Abandon() override {
    std::string Path = File.Path();
    File.Close();
    ::DeleteFile(Path);
  }
  bool Replaced() override { return File.NameTakenByAnother(); }
  void Reopen() override { Open(File.Path(), os::Disposition::OpenExisting); }
  std::string Name() const override { return File.Path(); }

  os::File File;

 private:
  void Check(const os::Status& S) {
    if (!S.ok()) FailOs(S, File.Path());
  }
  TTxnJournal* const* FJournal;
  bool FExclusive, FReadOnly;
};

}  // namespace

std::unique_ptr<BlockFile> OpenJournaledBlockFile(const std::string& Path, bool Create,
                                                  bool Exclusive, bool ReadOnly,
                                                  TTxnJournal* const* Journal) {
  auto F = std::make_unique<TJournaledBlockFile>(Journal, Exclusive, ReadOnly);
  F->Open(Path, Create ? os::Disposition::CreateNew : os::Disposition::OpenExisting);
  return F;
}

std::string ReplacementPath(const std::string& IndexPath) { return IndexPath + ".rebuild"; }

void RemoveStaleReplacement(const std::string& IndexPath) {
  // Looked for under the name a rebuild gives it, with one status call: an
  // open pays no look through the folder. (A rebuild removes whatever
  // matches the name without regard to case before it makes its own.)
  const std::string Path = ReplacementPath(IndexPath);
  struct stat St;
  if (::lstat(Path.c_str(), &St) == 0) os::RemoveLeftover(Path);
}

}  // namespace oak
