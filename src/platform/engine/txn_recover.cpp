// The recovery of a journal that a dead transaction left: it is read and
// checked whole, each of its files judged the transaction's or not, the
// files opened and checked, the tables' write locks taken, and only then
// is anything written back.
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <set>
#include <thread>

#include "platform/engine/locks.h"
#include "platform/engine/table.h"
#include "platform/engine/txn.h"
#include "platform/engine/txn_format.h"
#include "platform/os/fileapi.h"
#include "platform/os/find.h"
#include "platform/rtl/byteorder.h"

namespace oak {

using namespace journal;

namespace {

// Bytes of a journal read at once: a journal is read front to back in
// pieces of this size, never whole, whatever size it claims.
constexpr std::size_t kJournalPiece = 64 * 1024;

[[noreturn]] void RefuseJournal(const std::string& JPath, const std::string& Why,
                                TJournalCause Cause = TJournalCause::Form, const std::string& File = std::string()) {
  throw EJournalRefused({JPath, Cause, File}, Why);
}

bool Denied(const os::Status& S) {
  return S.code() == ERROR_SHARING_VIOLATION || S.code() == ERROR_LOCK_VIOLATION;
}

// Reads a journal file from one offset to its counted end through a
// buffer of kJournalPiece.
class TJournalReader {
 public:
  TJournalReader(const os::File& F, std::uint64_t From, std::uint64_t End) : FFile(F), FEnd(End), FPos(From) {}
  std::uint64_t Pos() const { return FPos; }
  std::uint64_t Left() const { return FEnd - FPos; }
  // Copies the next N bytes to Out (null: passes over them) and adds them
  // to the running checksum; false (nothing taken) when fewer are left.
  bool Take(void* Out, std::size_t N) {
    if (N > Left()) return false;
    auto* P = static_cast<char*>(Out);
    while (N > 0) {
      if (FPos < FBufAt || FPos >= FBufAt + FBuf.size()) Fill();
      const std::size_t From = static_cast<std::size_t>(FPos - FBufAt);
      const std::size_t Step = std::min(N, FBuf.size() - From);
      FSum = Crc32(FBuf.data() + From, Step, FSum);
      if (P) std::memcpy(P, FBuf.data() + From, Step), P += Step;
      N -= Step, FPos += Step;
    }
    return true;
  }
  // The checksum of the bytes taken since the last call, and a new start.
  std::uint32_t TakeSum() { return std::exchange(FSum, 0); }

 private:
  void Fill() {
    FBuf.resize(static_cast<std::size_t>(std::min<std::uint64_t>(kJournalPiece, Left())));
    std::size_t Got = 0;
    os::Status S = FFile.Read(FPos, FBuf.data(), FBuf.size(), &Got);
    if (!S.ok()) RefuseJournal(FFile.Path(), "it cannot be read: " + S.Message());
    if (Got < FBuf.size()) RefuseJournal(FFile.Path(), "it shrank while it was read");
    FBufAt = FPos;
  }
  const os::File& FFile;
  std::uint64_t FEnd, FPos, FBufAt = 0;
  std::uint32_t FSum = 0;
  std::vector<char> FBuf;
};

// A file as a journal names it: its size at the transaction's start and,
// by page number, where the page's old bytes lie in the journal; what
// stands at its name now.
struct TJournaledFile {
  std::uint64_t OriginalSize = 0;
  const TKind* Kind = nullptr;
  TPageMap Pages;
  bool Present = false;  // false: gone since, nothing to restore
  struct stat Seen = {};
};

// A journal read whole: its transaction and its files.
struct TJournalImage {
  std::uint64_t Id = 0;
  std::map<std::string, TJournaledFile> Files;
};

// True when St describes a plain file with no other name: writing it
// changes nothing outside its folder.
bool SoleName(const struct stat& St) { return S_ISREG(St.st_mode) && St.st_nlink == 1; }

// Reads and checks every entry of the journal J (locked by the caller)
// whose header H counts them: each entry's checksum, its path (a table,
// memo or index file of the journal's folder, at most kMaxFiles of them),
// its size (one per file) and its page (whole, below the file's size at
// the transaction's start). A journal shorter than its header counts, or
// with a damaged entry, is refused: its pages may have been written over
// already.
TJournalImage ReadJournal(const os::File& J, const std::string& JPath, const THeader& H, std::uint64_t Size) {
  if (Size < H.End) RefuseJournal(JPath, "it is cut short (" + std::to_string(Size) + " of " + std::to_string(H.End) + " bytes)");
  const std::string Folder = FolderOf(JPath);
  TJournalImage Out;
  Out.Id = H.Id;
  TJournalReader R(J, kHeaderBytes, H.End);
  while (R.Left() > 0) {
    const std::uint64_t At = R.Pos();
    auto Damaged = [&](const std::string& What) -> void {
      RefuseJournal(JPath, "its entry at byte " + std::to_string(At) + " is " + What);
    };
    std::uint8_t W[8];
    if (!R.Take(W, 4)) Damaged("cut short");
    const std::uint32_t PathLen = LoadLE32(W);
    if (PathLen == 0 || PathLen > kMaxPath || PathLen > R.Left()) Damaged("damaged (path length " + std::to_string(PathLen) + ")");
    std::string Path(PathLen, '\0');
    R.Take(Path.data(), PathLen);
    std::uint64_t Orig = 0, Page = 0;
    std::uint32_t Len = 0;
    if (!R.Take(W, 8)) Damaged("cut short");
    Orig = LoadLE64(W);
    if (!R.Take(W, 8)) Damaged("cut short");
    Page = LoadLE64(W);
    if (!R.Take(W, 4)) Damaged("cut short");
    Len = LoadLE32(W);
    if (Len > kPage || std::uint64_t(Len) + 4 > R.Left()) Damaged("damaged (length " + std::to_string(Len) + ")");
    const std::uint64_t BytesAt = R.Pos();
    R.Take(nullptr, Len);
    const std::uint32_t Sum = R.TakeSum();
    R.Take(W, 4);
    R.TakeSum();
    if (LoadLE32(W) != Sum) Damaged("damaged (checksum)");
    auto It = Out.Files.find(Path);
    if (It == Out.Files.end()) {
      const TKind* Kind = KindOf(Path);
      if (!Kind || Path.back() == '/' || FolderOf(Path) != Folder)
        RefuseJournal(JPath, Path + " is not a table, memo or index file of its folder");
      if (Out.Files.size() >= kMaxFiles) RefuseJournal(JPath, "more files than a transaction writes");
      if (Page != kSizeRecord) Damaged("no size record of " + Path);
      TJournaledFile Img;
      Img.OriginalSize = Orig;
      Img.Kind = Kind;
      Img.Present = ::lstat(Path.c_str(), &Img.Seen) == 0;
      if (Img.Present && !S_ISREG(Img.Seen.st_mode)) RefuseJournal(JPath, Path + " is not a plain file");
      if (Img.Present && !SoleName(Img.Seen)) RefuseJournal(JPath, Path + " is not a plain file (it has other names)");
      Out.Files.emplace(Path, std::move(Img));
      continue;
    }
    TJournaledFile& Img = It->second;
    if (Img.OriginalSize != Orig) RefuseJournal(JPath, "two sizes for " + Path);
    if (Page == kSizeRecord) continue;
    // Only whole pages below the file's size at the transaction's start
    // were kept, each read from a file at least that large.
    if (Page > Orig / kPage || Page * kPage >= Orig) RefuseJournal(JPath, "page beyond the size of " + Path);
    if (Len < std::min(kPage, Orig - Page * kPage)) RefuseJournal(JPath, "a page of " + Path + " cut short");
    // The first image of a page is the one from before the transaction.
    Img.Pages.try_emplace(Page, BytesAt, Len);
  }
  return Out;
}

// Which of the journal's files are its transaction's: a table that
// carries the journal's marker (whatever its inode: a folder copied with
// its journal is rolled back all the same), with its memo and index
// files; a file of no table the journal names (an extra index file)
// while one of its tables is. A table that does not carry the marker is
// left alone: without a word when the journal keeps nothing of it but its
// header page (the transaction died before it marked it), else named as
// put back since the transaction began (from a backup).
struct TVerdicts {
  std::set<std::string> Ours;  // tables, by BaseOf
  std::vector<std::string> PutBack;
};

TVerdicts Judge(const TJournalImage& Image, const std::string& JPath) {
  TVerdicts V;
  // The tables the transaction changed beyond its marker: pages of the
  // table past its header page, or any entry of its memo or index file
  // (values appended to a memo file leave no page, only its size).
  std::set<std::string> Changed;
  for (auto& [Path, Img] : Image.Files)
    if (Img.Kind != &kTableKind || Img.Pages.size() > 1 || (Img.Pages.size() == 1 && !Img.Pages.count(0)))
      Changed.insert(BaseOf(Path));
  std::set<std::string> Tables;
  for (auto& [Path, Img] : Image.Files) {
    if (Img.Kind != &kTableKind) continue;
    Tables.insert(BaseOf(Path));
    if (!Img.Present) continue;
    os::File Probe;
    os::Status S = Probe.Open(Path, os::Access::Read, os::Share::DenyNone);
    if (Denied(S)) RefuseJournal(JPath, Path + " is held by another program", TJournalCause::Held, Path);
    if (!S.ok()) RefuseJournal(JPath, Path + " cannot be read: " + S.Message());
    const std::optional<TTableCounters> State = TTableFile::ReadState(Probe);
    if (State && State->Marker == Image.Id)
      V.Ours.insert(BaseOf(Path));
    else if (Changed.count(BaseOf(Path)))
      V.PutBack.push_back(Path);
  }
  if (!V.Ours.empty())
    for (auto& [Path, Img] : Image.Files)
      if (!Tables.count(BaseOf(Path))) V.Ours.insert(BaseOf(Path));
  return V;
}

// The files to write back, opened for writing and checked before the
// first byte is written: still the file judged, of one name, with the
// header of its kind (or whose kept first page has it), and every page
// kept where it is now shorter than it was.
struct TTargets {
  std::vector<std::unique_ptr<os::File>> Open;
  std::vector<TTarget> List;
};

void OpenTargets(const os::File& J, const std::string& JPath, const TJournalImage& Image, const TVerdicts& V,
                 TTargets& Out) {
  for (auto& [Path, Img] : Image.Files) {
    if (!Img.Present || !V.Ours.count(BaseOf(Path))) continue;
    auto F = std::make_unique<os::File>();
    os::Status S = F->Open(Path, os::Access::ReadWrite, os::Share::DenyNone);
    // Another program holds the file exclusively: the journal waits for it.
    if (Denied(S)) RefuseJournal(JPath, Path + " is held by another program", TJournalCause::Held, Path);
    if (!S.ok()) RefuseJournal(JPath, Path + " cannot be written: " + S.Message());
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
      char Old[8] = {};
      size_t OldGot = 0;
      os::Status RS = J.Read(First->second.first, Old, sizeof Old, &OldGot);
      if (!RS.ok()) RefuseJournal(JPath, "it cannot be read: " + RS.Message());
      Known = OldGot == sizeof Old && std::memcmp(Old, Img.Kind->Magic, 8) == 0;
    }
    if (!Known) RefuseJournal(JPath, Path + " does not carry the header of its kind");
    // A file cut inside the transaction had every page kept first: where
    // it is now shorter than it was, the bytes it grows back by (from the
    // start of the page the cut ended in) are covered page by page, never
    // a hole. A file as long as before, or longer, is only cut back.
    auto Size = F->Size();
    if (!Size.ok()) FailOs(Size.status(), Path);
    if (Size.value() < Img.OriginalSize)
      for (std::uint64_t P = Size.value() / kPage; P * kPage < Img.OriginalSize; ++P)
        if (!Img.Pages.count(P)) RefuseJournal(JPath, "no page kept where " + Path + " grows back");
    Out.List.push_back({F.get(), Img.Kind, Img.OriginalSize, &Img.Pages});
    Out.Open.push_back(std::move(F));
  }
}

// Takes W of every table to write back, for the whole run: no program
// writes them, and readers wait, until they are at rest again.
void HoldTables(const std::string& JPath, const TTargets& T) {
  for (const TTarget& Target : T.List)
    if (Target.Kind == &kTableKind && !TakeWriteByte(*Target.F, kLockWaitMs))
      RefuseJournal(JPath, Target.F->Path() + " is held by another program (it is being written)",
                    TJournalCause::Held, Target.F->Path());
}

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

// The names of the journals in Folder ("<table, memo or index file>.OAJ").
std::vector<std::string> JournalsOf(const std::string& Folder) {
  std::vector<std::string> Out;
  TSearchRec Rec;
  for (int R = FindFirst(Folder + "/*.OAJ", 0, Rec); R == 0; R = FindNext(Rec)) {
    const std::string Written = Rec.Name.substr(0, Rec.Name.size() - 4);
    if (Written.size() > 4 && KindOf(Written)) Out.push_back(Folder + "/" + Rec.Name);
  }
  FindClose(Rec);
  return Out;
}

}  // namespace

bool TTxnJournal::RecoverJournalFile(const std::string& JPath) {
  // Read where it lies, never through a link (nor from a pipe, which
  // would never end).
  struct stat Named, JSt;
  if (::lstat(JPath.c_str(), &Named) != 0) return false;  // gone meanwhile
  if (!S_ISREG(Named.st_mode)) RefuseJournal(JPath, "the journal is not a plain file");
  os::File J;
  os::Status Opened = J.Open(JPath, os::Access::ReadWrite, os::Share::DenyNone);
  if (Opened.code() == ERROR_FILE_NOT_FOUND || Opened.code() == ERROR_PATH_NOT_FOUND) return false;
  if (!Opened.ok()) RefuseJournal(JPath, "it cannot be opened: " + Opened.Message());
  // A journal whose transaction is still running is locked by its owner,
  // and one being applied by another program by that one. The lock is
  // held while this program applies it.
  os::Status Held = J.Lock(0, 1, os::LockKind::Exclusive);
  if (Held.code() == ERROR_LOCK_VIOLATION) return false;
  if (!Held.ok()) RefuseJournal(JPath, "it cannot be locked: " + Held.Message());
  // An owner that ended its transaction, or a program that applied the
  // journal, removed its name before the lock went.
  if (::fstat(J.fd(), &JSt) != 0 || JSt.st_nlink == 0 || Named.st_ino != JSt.st_ino || Named.st_dev != JSt.st_dev)
    return false;
  auto JSize = J.Size();
  if (!JSize.ok()) FailOs(JSize.status(), JPath);
  std::uint8_t Head[kHeaderBytes] = {};
  size_t Got = 0;
  if (!J.Read(0, Head, sizeof Head, &Got).ok()) RefuseJournal(JPath, "it cannot be read");
  if (Got < sizeof Head) {
    // Its program died before it wrote the header (the header goes first,
    // under the lock): it never changed a file.
    os::RemoveLeftover(JPath);
    return true;
  }
  std::string Why;
  const std::optional<THeader> H = DecodeHeader(Head, &Why);
  if (!H) RefuseJournal(JPath, Why);
  const TJournalImage Image = ReadJournal(J, JPath, *H, JSize.value());
  const TVerdicts V = Judge(Image, JPath);
  TTargets Targets;
  OpenTargets(J, JPath, Image, V, Targets);
  HoldTables(JPath, Targets);
  // Every check passed: from here on the files are written.
  WriteBack(J, Targets.List, Image.Id);
  SyncTargets(Targets.List);
  // The name goes while the lock is held: no program applies it twice.
  std::string Aside;
  if (V.PutBack.empty())
    os::RemoveLeftover(JPath);
  else
    Aside = SetAside(JPath);
  SetAtRest(Targets.List);
  Targets.Open.clear();  // lets the tables' write locks go
  J.Close();
  if (!Aside.empty()) {
    std::string Named;
    for (const std::string& P : V.PutBack) Named += (Named.empty() ? "" : ", ") + P;
    RefuseJournal(Aside,
                  "its transaction's other files were rolled back, but " + Named +
                      " was put back since that transaction began and was left as it is",
                  TJournalCause::Replaced, V.PutBack.front());
  }
  return true;
}

bool TTxnJournal::RecoverHotJournal(const std::string& TablePath) {
  // A transaction writes one journal, named after the first file it
  // touched in the folder: every journal of the folder may hold this
  // table's before-images.
  bool Any = false;
  for (const std::string& J : JournalsOf(FolderOf(TablePath))) Any = RecoverJournalFile(J) || Any;
  return Any;
}

TTxnJournal::TLookup TTxnJournal::FindJournalOf(const std::string& Folder, std::uint64_t Id) {
  for (const std::string& Path : JournalsOf(Folder)) {
    os::File J;
    os::Status S = J.Open(Path, os::Access::Read, os::Share::DenyNone);
    if (S.code() == ERROR_FILE_NOT_FOUND || S.code() == ERROR_PATH_NOT_FOUND) continue;
    if (!S.ok()) RefuseJournal(Path, "it cannot be read: " + S.Message());
    std::uint8_t Head[kHeaderBytes] = {};
    size_t Got = 0;
    if (!J.Read(0, Head, sizeof Head, &Got).ok()) RefuseJournal(Path, "it cannot be read");
    if (Got < sizeof Head) continue;  // not begun: it holds no transaction's pages
    std::string Why;
    const std::optional<THeader> H = DecodeHeader(Head, &Why);
    if (!H) RefuseJournal(Path, Why);
    if (H->Id == Id) return {J.IsLockedByOther(0, 1, os::LockKind::Exclusive) ? TFound::Locked : TFound::Hot, Path};
  }
  return {};
}

}  // namespace oak
