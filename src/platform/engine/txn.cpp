// Before-image journal of a transaction.
#include "platform/engine/txn.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <optional>
#include <random>
#include <set>
#include <vector>

#include "platform/engine/errors.h"
#include "platform/engine/table.h"
#include "platform/os/fileapi.h"
#include "platform/os/find.h"
#include "platform/rtl/byteorder.h"

namespace oak {

namespace {

constexpr std::uint64_t kPage = 4096;
constexpr std::uint64_t kSizeRecord = ~std::uint64_t(0);
// The payload of a size record: device, inode and change counter of the
// file when the transaction first touched it, and the transaction's id
// (see TIdentity).
constexpr std::uint32_t kIdentityBytes = 32;

void Append(std::string& Out, const void* P, size_t N) {
  Out.append(static_cast<const char*>(P), N);
}

std::string FolderOf(const std::string& Path) {
  size_t Slash = Path.find_last_of('/');
  if (Slash == std::string::npos) return ".";
  return Slash == 0 ? "/" : Path.substr(0, Slash);
}

// The file kinds a transaction writes: their extension, the first bytes
// of their header and where the header keeps its change counter (-1:
// none).
struct TJournaledKind {
  const char* Ext;
  char Magic[8];
  int CounterAt;
};
constexpr TJournaledKind kTableKind = {".OAT", {'O', 'A', 'K', 'T', 'A', 'B', 'L', 0x1A}, 32};
constexpr TJournaledKind kMemoKind = {".OAM", {'O', 'A', 'K', 'M', 'E', 'M', 'O', 0x1A}, -1};
constexpr TJournaledKind kIndexKind = {".OAI", {'O', 'A', 'K', 'I', 'N', 'D', 'X', 0x1A}, 28};
constexpr const TJournaledKind* kJournaledKinds[] = {&kTableKind, &kMemoKind, &kIndexKind};

const TJournaledKind* KindOf(const std::string& Path) {
  size_t Dot = Path.find_last_of('.');
  if (Dot == std::string::npos || Path.find('/', Dot) != std::string::npos) return nullptr;
  for (const TJournaledKind* K : kJournaledKinds)
    if (SameName(Path.substr(Dot), K->Ext)) return K;
  return nullptr;
}

// Path without its extension, in capitals: the table a memo or structural
// index file belongs to.
std::string BaseOf(const std::string& Path) {
  std::string Base = ChangeExtension(Path, "");
  for (char& C : Base) C = static_cast<char>(std::toupper(static_cast<unsigned char>(C)));
  return Base;
}

bool SameFolder(const std::string& A, const std::string& B) {
  struct stat SA, SB;
  return ::stat(A.c_str(), &SA) == 0 && ::stat(B.c_str(), &SB) == 0 && SA.st_dev == SB.st_dev &&
         SA.st_ino == SB.st_ino;
}

[[noreturn]] void RefuseJournal(const std::string& JPath, const std::string& Why,
                                TJournalCause Cause = TJournalCause::Form, const std::string& File = std::string()) {
  throw EJournalRefused({JPath, Cause, File}, Why);
}

// True when counter A lies at or after B (counters wrap around).
bool NotBefore(std::uint32_t A, std::uint32_t B) { return static_cast<std::int32_t>(A - B) >= 0; }

// The change counter in the header of F (of kind K, which keeps one), or
// nullopt when it cannot be read.
std::optional<std::uint32_t> CounterOf(const os::File& F, const TJournaledKind& K) {
  if (K.CounterAt < 0) return std::nullopt;
  std::uint8_t Buf[4];
  size_t Got = 0;
  if (!F.Read(static_cast<std::uint64_t>(K.CounterAt), Buf, sizeof Buf, &Got).ok() || Got < sizeof Buf)
    return std::nullopt;
  return LoadLE32(Buf);
}

// Who a file was when a transaction first touched it: a file put back at
// its name since (another inode, or a change counter behind this one) is
// another file, which the journal must not write. With the transaction's
// id, which its marker holds while the table may be changed.
struct TIdentity {
  std::uint64_t Dev = 0, Ino = 0;
  std::uint32_t Counter = 0;
  bool HasCounter = false;
  std::uint64_t Txn = 0;
};

std::string EncodeIdentity(const TIdentity& Id) {
  std::uint8_t B[kIdentityBytes] = {};
  StoreLE64(B, Id.Dev);
  StoreLE64(B + 8, Id.Ino);
  StoreLE32(B + 16, Id.Counter);
  StoreLE32(B + 20, Id.HasCounter ? 1 : 0);
  StoreLE64(B + 24, Id.Txn);
  return std::string(reinterpret_cast<const char*>(B), sizeof B);
}

TIdentity DecodeIdentity(const std::uint8_t* B) {
  TIdentity Id;
  Id.Dev = LoadLE64(B);
  Id.Ino = LoadLE64(B + 8);
  Id.Counter = LoadLE32(B + 16);
  Id.HasCounter = LoadLE32(B + 20) & 1;
  Id.Txn = LoadLE64(B + 24);
  return Id;
}

// Where the old bytes of each page lie in a journal (offset, length).
using TPageMap = std::map<std::uint64_t, std::pair<std::uint64_t, std::uint32_t>>;

// A file to be written back from a journal.
struct TTarget {
  const os::File* F;           // open for writing
  const TJournaledKind* Kind;  // null: a file of another kind (written back, never counted)
  std::uint64_t OriginalSize;
  const TPageMap* Pages;
};

void CheckOs(const os::Status& S, const std::string& Path) {
  if (!S.ok()) FailOs(S, Path);
}

// The old bytes of a page, read from the journal J into Buf.
const std::string& PageBytes(const os::File& J, std::pair<std::uint64_t, std::uint32_t> Where, std::string& Buf) {
  Buf.resize(Where.second);
  size_t Got = 0;
  CheckOs(J.Read(Where.first, Buf.data(), Buf.size(), &Got), J.Path());
  if (Got < Buf.size()) Fail(E_TRANSACTION, "journal " + J.Path() + " shrank while it was read");
  return Buf;
}

// Writes the targets back to their state before the transaction from the
// journal J, in an order that a kill at any step leaves to the next
// recovery: the memo and index files first, then each table's records,
// and each table's header page last of all, since its marker, cleared
// there, says that the table still has to be written back.
//
// Every handle must then see the tables and indexes as changed (a counter
// equal to one it read would keep its pages of the rolled-back state):
// each change counter moves past both the one before the transaction and
// the one before the write-back. The structural index of a table keeps
// matching it when it matched before (its stamp follows), so that nobody
// rebuilds it.
void WriteBack(const os::File& J, const std::vector<TTarget>& Targets) {
  struct TTableCounters {
    std::uint32_t Restored, Now;
  };
  std::map<std::string, TTableCounters> Tables;  // by BaseOf
  std::string Buf;
  for (const TTarget& T : Targets) {
    if (T.Kind != &kTableKind) continue;
    const std::optional<std::uint32_t> Before = CounterOf(*T.F, kTableKind);
    auto Head = T.Pages->find(0);
    std::uint32_t Restored = Before.value_or(0);
    if (Head != T.Pages->end() && Head->second.second >= 36)
      Restored = LoadLE32(PageBytes(J, Head->second, Buf).data() + 32);
    const std::uint32_t Now = (Before && NotBefore(*Before, Restored) ? *Before : Restored) + 1;
    Tables[BaseOf(T.F->Path())] = {Restored, Now};
  }
  auto PutPages = [&](const TTarget& T, bool HeaderPage) {
    for (auto& [Page, Where] : *T.Pages)
      if ((Page == 0) == HeaderPage)
        CheckOs(T.F->Write(Page * kPage, PageBytes(J, Where, Buf).data(), Where.second), T.F->Path());
  };
  std::set<std::string> Indexed;
  for (const TTarget& T : Targets) {
    if (T.Kind == &kTableKind) continue;
    const std::optional<std::uint32_t> Before = T.Kind ? CounterOf(*T.F, *T.Kind) : std::nullopt;
    PutPages(T, true);
    PutPages(T, false);
    CheckOs(T.F->Truncate(T.OriginalSize), T.F->Path());
    if (T.Kind != &kIndexKind) continue;
    std::uint8_t H[kIndexHeaderBytes];
    size_t Got = 0;
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
    const TTableCounters& C = Tables[BaseOf(T.F->Path())];
    // A structural index the transaction never wrote: only its stamp
    // follows the table.
    if (!Indexed.count(BaseOf(T.F->Path()))) {
      os::File Index;
      std::uint8_t H[kIndexHeaderBytes];
      size_t Got = 0;
      if (Index.Open(ChangeExtension(T.F->Path(), ".OAI"), os::Access::ReadWrite, os::Share::DenyNone).ok() &&
          Index.Read(0, H, sizeof H, &Got).ok() && Got == sizeof H && IndexTableStamp(H) == C.Restored &&
          RestampIndexHeader(H, 0, false, C.Now))
        CheckOs(Index.Write(0, H, sizeof H), Index.Path());
    }
    PutPages(T, false);
    CheckOs(T.F->Truncate(T.OriginalSize), T.F->Path());
    auto Head = T.Pages->find(0);
    if (Head == T.Pages->end() || Head->second.second < 36) {
      TTableFile::StoreChangeCounter(*T.F, C.Now);
      continue;
    }
    std::string Page = PageBytes(J, Head->second, Buf);
    StoreLE32(reinterpret_cast<std::uint8_t*>(Page.data()) + 32, C.Now);
    CheckOs(T.F->Write(0, Page.data(), Page.size()), T.F->Path());
  }
}

}  // namespace

TTxnJournal::TTxnJournal() {
  std::random_device Seed;
  std::mt19937_64 Gen((std::uint64_t(Seed()) << 32) ^ Seed() ^ std::uint64_t(::getpid()));
  do FId = Gen(); while (FId == 0);
}

TTxnJournal::~TTxnJournal() {
  if (FFiles.empty() && FJournals.empty()) return;
  // A destructor cannot raise: a rollback that fails is left as the
  // thread's last error, and its journal files stay for the next open.
  try {
    Rollback();
  } catch (const std::exception& E) {
    StoreLastError(E);
  }
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
  if (!FJournals.empty() && !FJournals.count(Folder))
    Fail(E_TRANSACTION, "a transaction changes the tables of one folder; " + F.Path() + " lies outside " +
                            FJournals.begin()->first);
  auto Size = F.Size();
  if (!Size.ok()) FailOs(Size.status(), F.Path());
  TIdentity Id;
  Id.Txn = FId;
  struct stat St;
  if (::fstat(F.fd(), &St) == 0) Id.Dev = St.st_dev, Id.Ino = St.st_ino;
  if (const TJournaledKind* Kind = KindOf(F.Path()))
    if (std::optional<std::uint32_t> Counter = CounterOf(F, *Kind)) Id.Counter = *Counter, Id.HasCounter = true;
  TFileImage Img;
  Img.Live = &F;
  Img.Path = F.Path();
  Img.OriginalSize = Size.value();
  AppendToJournalFile(Img, kSizeRecord, EncodeIdentity(Id));
  return FFiles.emplace(F.Path(), std::move(Img)).first->second;
}

std::uint64_t TTxnJournal::AppendToJournalFile(const TFileImage& Img, std::uint64_t Page,
                                               const std::string& Bytes) {
  // Each folder has a journal of its own: a journal is replayed only into
  // files of the folder it lies in.
  TJournalFile& J = FJournals[FolderOf(Img.Path)];
  if (!J.File) {
    J.Path = Img.Path + ".OAJ";
    auto F = std::make_unique<os::File>();
    // Made new, never through a link: anything at the name (a journal the
    // open of this table did not apply, a link) refuses the write.
    os::Status S = F->Open(J.Path, os::Access::ReadWrite, os::Share::DenyNone,
                           os::Disposition::CreateNew);
    if (!S.ok()) FJournals.erase(FolderOf(Img.Path));
    if (S.code() == ERROR_FILE_EXISTS || S.code() == ERROR_ALREADY_EXISTS)
      Fail(E_TRANSACTION, "journal " + Img.Path + ".OAJ exists already");
    if (!S.ok()) FailOs(S, Img.Path + ".OAJ");
    // The lock tells other handles that this journal is alive, not hot.
    S = F->Lock(0, 1, os::LockKind::Exclusive);
    if (!S.ok()) FailOs(S, J.Path);
    J.File = std::move(F);
    J.Size = 0;
  }
  std::string Rec;
  std::uint32_t PathLen = static_cast<std::uint32_t>(Img.Path.size());
  std::uint32_t Len = static_cast<std::uint32_t>(Bytes.size());
  Append(Rec, &PathLen, 4);
  Rec += Img.Path;
  Append(Rec, &Img.OriginalSize, 8);
  Append(Rec, &Page, 8);
  Append(Rec, &Len, 4);
  Rec += Bytes;
  os::Status S = J.File->Write(J.Size, Rec.data(), Rec.size());
  if (!S.ok()) FailOs(S, J.Path);
  J.Size += Rec.size();
  return J.Size - Bytes.size();
}

void TTxnJournal::DropJournalFiles(bool Keep) {
  // The name goes while the file is still held and locked: an open in
  // another process that finds the journal unlocked finds it removed too
  // (RecoverJournalFile), and never replays a transaction that ended.
  // A journal this transaction could not make is not its own to remove.
  for (auto& [Folder, J] : FJournals) {
    if (!J.File) continue;
    if (!Keep) os::RemoveLeftover(J.File->Path());
    J.File.reset();
  }
  FJournals.clear();
}

void TTxnJournal::BeforeWrite(const os::File& F, std::uint64_t Offset, std::size_t Len) {
  TFileImage& Img = Touch(F);
  std::uint64_t End = std::min<std::uint64_t>(Offset + Len, Img.OriginalSize);
  for (std::uint64_t P = Offset / kPage; P * kPage < End; ++P) {
    if (Img.Pages.count(P)) continue;
    std::string Old(kPage, '\0');
    size_t Got = 0;
    os::Status S = F.Read(P * kPage, Old.data(), kPage, &Got);
    if (!S.ok()) FailOs(S, F.Path());
    Old.resize(Got);
    Img.Pages.emplace(P, std::make_pair(AppendToJournalFile(Img, P, Old), static_cast<std::uint32_t>(Got)));
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
  auto Marked = FMarked.find(F.Path());
  if (Marked != FMarked.end() && Marked->second == &F) Marked->second = nullptr;
}

void TTxnJournal::MarkTable(TTableFile& T) {
  // The header page goes to the journal first: a rollback, or the
  // recovery after a death, writes it back and so clears the marker.
  BeforeWrite(T.File(), TTableFile::kMarkerOffset, 8);
  TTableFile::StoreTxnMarker(T.File(), FId);
  FMarked[T.Path()] = &T.File();
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
  DropJournalFiles();
  FFiles.clear();
  // A marker left by a kill from here on costs the next writer a look for
  // a journal, nothing more.
  for (auto& [Path, Live] : FMarked) {
    try {
      if (Live) {
        TTableFile::StoreTxnMarker(*Live, 0);
      } else {
        TTableFile::StoreTxnMarker(*OpenForRestore(Path), 0);
      }
    } catch (const EEngineError&) {
    }
  }
  FMarked.clear();
}

void TTxnJournal::Rollback() {
  // A restore that fails is raised and the journal files stay, so that
  // the next open, or the next writer of a table still marked, completes
  // it.
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
    // One journal: a transaction changes the files of one folder.
    if (!FJournals.empty()) WriteBack(*FJournals.begin()->second.File, Targets);
  } catch (const EEngineError& E) {
    Code = E.Code, Failure = E.Message();
  }
  FFiles.clear();
  FMarked.clear();
  if (!Failure.empty()) {
    std::string Kept;
    for (auto& [Folder, J] : FJournals) Kept += (Kept.empty() ? "" : ", ") + J.Path;
    DropJournalFiles(true);
    Fail(Code, "rollback failed (journal " + Kept + " kept for the next open): " + Failure);
  }
  DropJournalFiles();
}

bool TTxnJournal::RecoverHotJournal(const std::string& TablePath) {
  // A transaction writes one journal, named after the first file it
  // touched in the folder: every journal of the folder may hold this
  // table's before-images.
  const std::string Folder = FolderOf(TablePath);
  std::vector<std::string> Journals;
  TSearchRec Rec;
  for (int R = FindFirst(Folder + "/*.OAJ", 0, Rec); R == 0; R = FindNext(Rec)) {
    const std::string Written = Rec.Name.substr(0, Rec.Name.size() - 4);
    if (Written.size() > 4 && KindOf(Written)) Journals.push_back(Rec.Name);
  }
  FindClose(Rec);
  bool Any = false;
  for (const std::string& Name : Journals) Any = RecoverJournalFile(Folder + "/" + Name) || Any;
  return Any;
}

namespace {

// Bytes of a journal read at once: a journal is read front to back in
// pieces of this size, never whole, whatever size it claims.
constexpr std::size_t kJournalPiece = 64 * 1024;
// A journal names the files of one folder that one transaction wrote; a
// path longer than a path can be, or more files than any transaction
// holds open, is no journal of ours.
constexpr std::uint32_t kMaxJournalPath = 4096;
constexpr std::size_t kMaxJournalFiles = 65536;

// Reads a journal file front to back through a buffer of kJournalPiece.
class TJournalReader {
 public:
  TJournalReader(const os::File& F, std::uint64_t Size) : FFile(F), FSize(Size) {}
  std::uint64_t Pos() const { return FPos; }
  std::uint64_t Left() const { return FSize - FPos; }
  // Copies the next N bytes to Out; false (nothing taken) when fewer are
  // left: a record cut short by the crash.
  bool Take(void* Out, std::size_t N) {
    if (N > Left()) return false;
    auto* P = static_cast<char*>(Out);
    while (N > 0) {
      if (FPos < FBufAt || FPos >= FBufAt + FBuf.size()) Fill();
      const std::size_t From = static_cast<std::size_t>(FPos - FBufAt);
      const std::size_t Step = std::min(N, FBuf.size() - From);
      std::memcpy(P, FBuf.data() + From, Step);
      P += Step, N -= Step, FPos += Step;
    }
    return true;
  }
  // Passes over N bytes (N <= Left()) without reading them.
  void Skip(std::uint64_t N) { FPos += N; }

 private:
  void Fill() {
    FBuf.resize(static_cast<std::size_t>(std::min<std::uint64_t>(kJournalPiece, Left())));
    std::size_t Got = 0;
    os::Status S = FFile.Read(FPos, FBuf.data(), FBuf.size(), &Got);
    if (!S.ok()) FailOs(S, FFile.Path());
    if (Got < FBuf.size()) Fail(E_TRANSACTION, "journal " + FFile.Path() + " shrank while it was read");
    FBufAt = FPos;
  }
  const os::File& FFile;
  std::uint64_t FSize, FPos = 0, FBufAt = 0;
  std::vector<char> FBuf;
};

// A file as a journal found it: its size at the transaction's start, who
// it was then and, by page number, where the page's old bytes lie in the
// journal.
struct TJournaledFile {
  std::uint64_t OriginalSize = 0;
  bool Present = false;  // false: gone since, nothing to restore
  bool Replaced = false;  // another file stands at the name now
  struct stat Seen = {};
  const TJournaledKind* Kind = nullptr;
  std::optional<TIdentity> Identity;  // none in journals of older writers
  TPageMap Pages;
};

// True when St describes a plain file with no other name: writing it
// changes nothing outside its folder.
bool SoleName(const struct stat& St) { return S_ISREG(St.st_mode) && St.st_nlink == 1; }

// Gives the journal at JPath, locked by the caller, a name that no open
// looks for ("<journal>.aside", numbered when taken), without replacing
// anything; returns it.
std::string SetAside(const std::string& JPath) {
  for (int N = 1; N < 1000; ++N) {
    const std::string Aside = JPath + ".aside" + (N == 1 ? std::string() : std::to_string(N));
    if (::link(JPath.c_str(), Aside.c_str()) == 0) {
      os::RemoveLeftover(JPath);
      return Aside;
    }
    if (errno != EEXIST) break;
  }
  Fail(E_IO, "journal " + JPath + " cannot be set aside");
}

}  // namespace

bool TTxnJournal::RecoverJournalFile(const std::string& JPath) {
  // Read where it lies, never through a link (nor from a pipe, which
  // would never end).
  struct stat Named, JSt;
  if (::lstat(JPath.c_str(), &Named) != 0) return false;  // gone meanwhile
  if (!S_ISREG(Named.st_mode)) RefuseJournal(JPath, "the journal is not a plain file");
  os::File J;
  if (!J.Open(JPath, os::Access::Read, os::Share::DenyNone).ok()) return false;
  // A journal whose transaction is still running is locked by its owner,
  // and one being applied by another open by that one. The lock is held
  // while this open applies it.
  os::Status Held = J.Lock(0, 1, os::LockKind::Exclusive);
  if (Held.code() == ERROR_LOCK_VIOLATION || J.IsLockedByOther(0, 1, os::LockKind::Exclusive)) return false;
  // An owner that ended its transaction, or an open that applied the
  // journal, removed its name before the lock went.
  if (::fstat(J.fd(), &JSt) != 0 || JSt.st_nlink == 0 || Named.st_ino != JSt.st_ino ||
      Named.st_dev != JSt.st_dev)
    return false;
  auto JSize = J.Size();
  if (!JSize.ok()) FailOs(JSize.status(), JPath);
  const std::string Folder = FolderOf(JPath);
  // Every record is checked as it is read, so that a journal that is no
  // journal of this folder is refused at its first wrong record.
  std::map<std::string, TJournaledFile> Files;
  TJournalReader R(J, JSize.value());
  for (;;) {  // a record cut short by the crash ends the journal
    const std::uint64_t At = R.Pos();
    std::uint32_t PathLen = 0, Len = 0;
    std::uint64_t Orig = 0, Page = 0;
    if (!R.Take(&PathLen, 4) || PathLen > R.Left()) break;
    if (PathLen > kMaxJournalPath)
      RefuseJournal(JPath, "a path of " + std::to_string(PathLen) + " bytes");
    std::string Path(PathLen, '\0');
    R.Take(Path.data(), PathLen);
    if (!R.Take(&Orig, 8) || !R.Take(&Page, 8) || !R.Take(&Len, 4) || Len > R.Left()) break;
    auto It = Files.find(Path);
    if (It == Files.end()) {
      const TJournaledKind* Kind = KindOf(Path);
      // An entry without a path (a journal of zeros, a hole) names no file.
      if (Path.empty()) RefuseJournal(JPath, "its entry at byte " + std::to_string(At) + " names no file");
      if (!Kind || Path.back() == '/' || !SameFolder(FolderOf(Path), Folder))
        RefuseJournal(JPath, Path + " is not a table, memo or index file of its folder");
      if (Files.size() >= kMaxJournalFiles) RefuseJournal(JPath, "more files than a transaction writes");
      TJournaledFile Img;
      Img.OriginalSize = Orig;
      Img.Kind = Kind;
      Img.Present = ::lstat(Path.c_str(), &Img.Seen) == 0;
      if (Img.Present && !S_ISREG(Img.Seen.st_mode)) RefuseJournal(JPath, Path + " is not a plain file");
      if (Img.Present && !SoleName(Img.Seen))
        RefuseJournal(JPath, Path + " is not a plain file (it has other names)");
      It = Files.emplace(Path, std::move(Img)).first;
    } else if (It->second.OriginalSize != Orig) {
      RefuseJournal(JPath, "two sizes for " + Path);
    }
    TJournaledFile& Img = It->second;
    if (Page != kSizeRecord) {
      // Only whole pages below the file's size at the transaction's start
      // were kept, each read from a file at least that large.
      if (Len > kPage || Page > Orig / kPage || Page * kPage >= Orig)
        RefuseJournal(JPath, "page beyond the size of " + Path);
      if (Len < std::min(kPage, Orig - Page * kPage)) RefuseJournal(JPath, "a page of " + Path + " cut short");
      // The first image of a page is the one from before the transaction.
      if (Img.Present) Img.Pages.try_emplace(Page, R.Pos(), Len);
    } else if (Len == kIdentityBytes && !Img.Identity) {
      std::uint8_t B[kIdentityBytes] = {};
      R.Take(B, sizeof B);
      Img.Identity = DecodeIdentity(B);
      continue;
    }
    R.Skip(Len);
  }
  // Files put back at their names since the transaction touched them are
  // not its files any more: they, and the memo and index files of a table
  // put back, are left as they are, and named. So is, without a word, a
  // table the transaction never marked, or whose header page (cleared
  // marker, moved counter) was written back already: nothing of it is the
  // transaction's to take back, and another program may have written it
  // since. A table whose marker was cleared while the journal holds more
  // than its header page, and whose counter is not past the one the
  // transaction found, was put back too.
  std::set<std::string> Skipped, Tables, Changed;  // tables by BaseOf
  for (auto& [Path, Img] : Files)
    if (Img.Kind != &kTableKind || Img.Pages.size() > 1 || (Img.Pages.size() == 1 && !Img.Pages.count(0)))
      Changed.insert(BaseOf(Path));
  bool Marked = false, Legacy = true;
  std::string Replaced, FirstReplaced;
  auto NameReplaced = [&](const std::string& Path) {
    if (Replaced.empty()) FirstReplaced = Path;
    Replaced += (Replaced.empty() ? "" : ", ") + Path;
  };
  for (auto& [Path, Img] : Files) {
    if (Img.Kind == &kTableKind) Tables.insert(BaseOf(Path));
    if (Img.Kind != &kTableKind || !Img.Identity) continue;
    Legacy = false;
    if (!Img.Present) continue;
    const TIdentity& Id = *Img.Identity;
    bool Ours = false, Other = std::uint64_t(Img.Seen.st_dev) != Id.Dev || std::uint64_t(Img.Seen.st_ino) != Id.Ino;
    os::File Probe;
    if (!Other && Probe.Open(Path, os::Access::Read, os::Share::DenyNone).ok()) {
      std::uint8_t Marker[8] = {};
      size_t Got = 0;
      Ours = Probe.Read(TTableFile::kMarkerOffset, Marker, sizeof Marker, &Got).ok() && Got == sizeof Marker &&
             LoadLE64(Marker) == Id.Txn;
      const std::optional<std::uint32_t> Now = CounterOf(Probe, kTableKind);
      if (!Ours && Now && Id.HasCounter)
        Other = !NotBefore(*Now, Id.Counter) || (*Now == Id.Counter && Changed.count(BaseOf(Path)));
    }
    if (Other) NameReplaced(Path);
    if (Other || !Ours) Skipped.insert(BaseOf(Path));
    Marked = Marked || Ours;
  }
  for (auto& [Path, Img] : Files) {
    if (!Img.Present) continue;
    if (Skipped.count(BaseOf(Path))) {
      Img.Replaced = true;
      continue;
    }
    // A file of no table the journal names (an extra index file): the
    // transaction's while one of its tables is still marked.
    if (!Legacy && !Tables.count(BaseOf(Path)) && !Marked) Img.Replaced = true;
    if (Img.Replaced || !Img.Identity) continue;
    const TIdentity& Id = *Img.Identity;
    if (std::uint64_t(Img.Seen.st_dev) != Id.Dev || std::uint64_t(Img.Seen.st_ino) != Id.Ino) {
      Img.Replaced = true;
      NameReplaced(Path);
    }
  }
  // Everything is checked before the first byte is written back.
  std::vector<std::unique_ptr<os::File>> Open;
  std::vector<TTarget> Targets;
  for (auto& [Path, Img] : Files) {
    if (!Img.Present || Img.Replaced) continue;  // gone or another file: nothing to restore
    auto F = std::make_unique<os::File>();
    os::Status S = F->Open(Path, os::Access::ReadWrite, os::Share::DenyNone);
    // Another program holds the file exclusively: the journal waits for it.
    if (S.code() == ERROR_SHARING_VIOLATION || S.code() == ERROR_LOCK_VIOLATION)
      RefuseJournal(JPath, Path + " is held by another program", TJournalCause::Held, Path);
    if (!S.ok()) FailOs(S, Path);
    // The file opened is the one examined above, still of one name.
    struct stat St;
    if (::fstat(F->fd(), &St) != 0 || St.st_ino != Img.Seen.st_ino || St.st_dev != Img.Seen.st_dev)
      RefuseJournal(JPath, Path + " is not a plain file");
    if (!SoleName(St)) RefuseJournal(JPath, Path + " is not a plain file (it has other names)");
    char Head[8] = {};
    size_t Got = 0;
    F->Read(0, Head, sizeof Head, &Got);
    bool Known = Got == sizeof Head && std::memcmp(Head, Img.Kind->Magic, 8) == 0;
    auto First = Img.Pages.find(0);
    if (!Known && First != Img.Pages.end() && First->second.second >= 8) {
      // The header as the transaction found it.
      char Old[8] = {};
      size_t OldGot = 0;
      os::Status RS = J.Read(First->second.first, Old, sizeof Old, &OldGot);
      if (!RS.ok()) FailOs(RS, JPath);
      Known = OldGot == sizeof Old && std::memcmp(Old, Img.Kind->Magic, 8) == 0;
    }
    if (!Known) RefuseJournal(JPath, Path + " does not carry the header of its kind");
    // A file cut inside the transaction had every page kept first: where
    // it is now shorter than it was, the bytes it grows back by (from the
    // start of the page the cut ended in) are covered page by page, never
    // a hole. A file as long as before, or longer, is only cut back: its
    // last page may end inside a page that was never written.
    auto Size = F->Size();
    if (!Size.ok()) FailOs(Size.status(), Path);
    if (Size.value() < Img.OriginalSize)
      for (std::uint64_t P = Size.value() / kPage; P * kPage < Img.OriginalSize; ++P)
        if (!Img.Pages.count(P)) RefuseJournal(JPath, "no page kept where " + Path + " grows back");
    Targets.push_back({F.get(), Img.Kind, Img.OriginalSize, &Img.Pages});
    Open.push_back(std::move(F));
  }
  WriteBack(J, Targets);
  if (!Replaced.empty()) {
    // The name goes while the lock is held (see DropJournalFiles).
    const std::string Aside = SetAside(JPath);
    J.Close();
    RefuseJournal(Aside,
                  "its transaction's other files were rolled back, but " + Replaced +
                      " was put back since that transaction began and was left as it is",
                  TJournalCause::Replaced, FirstReplaced);
  }
  // The name goes while the lock is held (see DropJournalFiles).
  os::RemoveLeftover(JPath);
  J.Close();
  return true;
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
    if (*FJournal) (*FJournal)->BeforeResize(File);
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
