// Before-image journal of a transaction.
#include "platform/engine/txn.h"

#include <sys/stat.h>

#include <cstring>
#include <vector>

#include "platform/engine/errors.h"
#include "platform/engine/table.h"
#include "platform/os/fileapi.h"
#include "platform/os/find.h"

namespace oak {

namespace {

constexpr std::uint64_t kPage = 4096;
constexpr std::uint64_t kSizeRecord = ~std::uint64_t(0);

void Append(std::string& Out, const void* P, size_t N) {
  Out.append(static_cast<const char*>(P), N);
}

std::string ReadAll(const os::File& F) {
  auto Size = F.Size();
  if (!Size.ok()) return std::string();
  std::string Data(Size.value(), '\0');
  size_t Got = 0;
  if (!F.Read(0, Data.data(), Data.size(), &Got).ok()) return std::string();
  Data.resize(Got);
  return Data;
}

void RemoveFile(const std::string& Path) { ::DeleteFile(Path); }

std::string FolderOf(const std::string& Path) {
  size_t Slash = Path.find_last_of('/');
  if (Slash == std::string::npos) return ".";
  return Slash == 0 ? "/" : Path.substr(0, Slash);
}

// The file kinds a transaction writes: their extension and the first bytes
// of their header.
struct TJournaledKind {
  const char* Ext;
  char Magic[8];
};
constexpr TJournaledKind kJournaledKinds[] = {
    {".OAT", {'O', 'A', 'K', 'T', 'A', 'B', 'L', 0x1A}},
    {".OAM", {'O', 'A', 'K', 'M', 'E', 'M', 'O', 0x1A}},
    {".OAI", {'O', 'A', 'K', 'I', 'N', 'D', 'X', 0x1A}},
};

const TJournaledKind* KindOf(const std::string& Path) {
  size_t Dot = Path.find_last_of('.');
  if (Dot == std::string::npos || Path.find('/', Dot) != std::string::npos) return nullptr;
  for (const TJournaledKind& K : kJournaledKinds)
    if (SameName(Path.substr(Dot), K.Ext)) return &K;
  return nullptr;
}

bool SameFolder(const std::string& A, const std::string& B) {
  struct stat SA, SB;
  return ::stat(A.c_str(), &SA) == 0 && ::stat(B.c_str(), &SB) == 0 && SA.st_dev == SB.st_dev &&
         SA.st_ino == SB.st_ino;
}

[[noreturn]] void RefuseJournal(const std::string& JPath, const std::string& Why) {
  Fail(E_TRANSACTION, "journal " + JPath + " is not applied and stays in place: " + Why);
}

}  // namespace

TTxnJournal::~TTxnJournal() {
  if (FFiles.empty()) return;
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
  TFileImage& Img = FFiles[F.Path()];
  Img.Live = &F;
  Img.Path = F.Path();
  auto Size = F.Size();
  if (!Size.ok()) FailOs(Size.status(), F.Path());
  Img.OriginalSize = Size.value();
  AppendToJournalFile(Img, kSizeRecord, std::string());
  return Img;
}

void TTxnJournal::AppendToJournalFile(const TFileImage& Img, std::uint64_t Page,
                                      const std::string& Bytes) {
  // Each folder has a journal of its own: a journal is replayed only into
  // files of the folder it lies in.
  TJournalFile& J = FJournals[FolderOf(Img.Path)];
  if (!J.File) {
    J.Path = Img.Path + ".OAJ";
    auto F = std::make_unique<os::File>();
    os::Status S = F->Open(J.Path, os::Access::ReadWrite, os::Share::DenyNone,
                           os::Disposition::CreateAlways);
    if (!S.ok()) FailOs(S, J.Path);
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
}

void TTxnJournal::DropJournalFiles() {
  for (auto& [Folder, J] : FJournals) {
    J.File.reset();
    RemoveFile(J.Path);
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
    AppendToJournalFile(Img, P, Old);
    Img.Pages.emplace(P, std::move(Old));
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

void TTxnJournal::Restore(const os::File& F, const TFileImage& Img) {
  for (auto& [Page, Bytes] : Img.Pages) {
    os::Status S = F.Write(Page * kPage, Bytes.data(), Bytes.size());
    if (!S.ok()) FailOs(S, Img.Path);
  }
  os::Status S = F.Truncate(Img.OriginalSize);
  if (!S.ok()) FailOs(S, Img.Path);
}

void TTxnJournal::Commit() {
  for (auto& [Path, Img] : FFiles)
    if (Img.Live) Img.Live->Flush();
  FFiles.clear();
  DropJournalFiles();
}

void TTxnJournal::Rollback() {
  // Every file is restored even when one fails; then the first failure is
  // raised and the journal files stay, so that the next open of a table
  // there completes the rollback.
  std::string Failure;
  UNSIGNED32 Code = 0;
  for (auto& [Path, Img] : FFiles) {
    try {
      if (Img.Live) {
        Restore(*Img.Live, Img);
        continue;
      }
      os::File Own;
      os::Status S = Own.Open(Img.Path, os::Access::ReadWrite, os::Share::DenyNone);
      if (!S.ok()) FailOs(S, Img.Path);
      Restore(Own, Img);
    } catch (const EEngineError& E) {
      if (Failure.empty()) Code = E.Code, Failure = E.Message();
    }
  }
  if (!Failure.empty()) {
    std::string Kept;
    for (auto& [Folder, J] : FJournals) Kept += (Kept.empty() ? "" : ", ") + J.Path;
    Fail(Code, "rollback failed (journal " + Kept + " kept for the next open): " + Failure);
  }
  FFiles.clear();
  DropJournalFiles();
}

bool TTxnJournal::RecoverHotJournal(const std::string& TablePath) {
  // A transaction over several tables writes one journal per folder, named
  // after the first file it touched there: every journal of the folder may
  // hold this table's before-images.
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

bool TTxnJournal::RecoverJournalFile(const std::string& JPath) {
  os::File J;
  if (!J.Open(JPath, os::Access::Read, os::Share::DenyNone).ok()) return false;
  // A journal whose transaction is still running is locked by its owner.
  if (J.IsLockedByOther(0, 1, os::LockKind::Exclusive)) return false;
  std::string Data = ReadAll(J);
  J.Close();
  std::map<std::string, TFileImage> Files;
  size_t Pos = 0;
  auto Take = [&](void* Out, size_t N) {
    if (Pos + N > Data.size()) return false;
    std::memcpy(Out, Data.data() + Pos, N);
    Pos += N;
    return true;
  };
  for (;;) {  // a record cut short by the crash ends the journal
    std::uint32_t PathLen = 0, Len = 0;
    std::uint64_t Orig = 0, Page = 0;
    if (!Take(&PathLen, 4) || PathLen > Data.size() - Pos) break;
    std::string Path = Data.substr(Pos, PathLen);
    Pos += PathLen;
    if (!Take(&Orig, 8) || !Take(&Page, 8) || !Take(&Len, 4) || Len > Data.size() - Pos) break;
    auto [It, New] = Files.try_emplace(Path);
    TFileImage& Img = It->second;
    if (New) {
      Img.Path = Path;
      Img.OriginalSize = Orig;
    } else if (Img.OriginalSize != Orig) {
      RefuseJournal(JPath, "two sizes for " + Path);
    }
    if (Page != kSizeRecord) {
      // Only whole pages below the file's size at the transaction's start
      // were kept.
      if (Len > kPage || Page > Orig / kPage || Page * kPage >= Orig)
        RefuseJournal(JPath, "page beyond the size of " + Path);
      Img.Pages.emplace(Page, Data.substr(Pos, Len));
    }
    Pos += Len;
  }
  // Everything is checked before the first byte is written back.
  const std::string Folder = FolderOf(JPath);
  std::vector<std::pair<std::unique_ptr<os::File>, TFileImage*>> Targets;
  for (auto& [Path, Img] : Files) {
    const TJournaledKind* Kind = KindOf(Path);
    if (!Kind || Path.empty() || Path.back() == '/' || !SameFolder(FolderOf(Path), Folder))
      RefuseJournal(JPath, Path + " is not a table, memo or index file of its folder");
    struct stat St;
    if (::lstat(Path.c_str(), &St) != 0) continue;  // gone: nothing to restore
    if (!S_ISREG(St.st_mode)) RefuseJournal(JPath, Path + " is not a plain file");
    auto F = std::make_unique<os::File>();
    os::Status S = F->Open(Path, os::Access::ReadWrite, os::Share::DenyNone);
    if (!S.ok()) FailOs(S, Path);
    char Head[8] = {};
    size_t Got = 0;
    F->Read(0, Head, sizeof Head, &Got);
    auto First = Img.Pages.find(0);
    bool Known = Got == sizeof Head && std::memcmp(Head, Kind->Magic, 8) == 0;
    if (First != Img.Pages.end())  // the header as the transaction found it
      Known = Known || (First->second.size() >= 8 && std::memcmp(First->second.data(), Kind->Magic, 8) == 0);
    if (!Known) RefuseJournal(JPath, Path + " does not carry the header of its kind");
    // A file cut inside the transaction had every page kept first: a size
    // beyond the file is covered page by page, never a hole.
    auto Size = F->Size();
    if (!Size.ok()) FailOs(Size.status(), Path);
    for (std::uint64_t P = Size.value() / kPage; P * kPage < Img.OriginalSize; ++P)
      if (!Img.Pages.count(P)) RefuseJournal(JPath, "no page kept where " + Path + " grows back");
    Targets.emplace_back(std::move(F), &Img);
  }
  for (auto& [F, Img] : Targets) Restore(*F, *Img);
  RemoveFile(JPath);
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
    auto New = std::make_unique<TJournaledBlockFile>(FJournal, FExclusive, FReadOnly);
    if (!New->TryOpen(File.Path() + ".rebuild", os::Disposition::CreateAlways).ok()) return nullptr;
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
  F->Open(Path, Create ? os::Disposition::CreateAlways : os::Disposition::OpenExisting);
  return F;
}

}  // namespace oak
