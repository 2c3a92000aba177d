// Before-image journal of a transaction.
#include "platform/engine/txn.h"

#include <cstring>
#include <vector>

#include "platform/engine/errors.h"
#include "platform/engine/table.h"
#include "platform/os/fileapi.h"

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

}  // namespace

TTxnJournal::~TTxnJournal() {
  if (!FFiles.empty()) {
    try {
      Rollback();
    } catch (...) {
    }
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
  if (!FJournalFile) {
    FJournalPath = Img.Path + ".OAJ";
    FJournalFile = std::make_unique<os::File>();
    os::Status S = FJournalFile->Open(FJournalPath, os::Access::ReadWrite, os::Share::DenyNone,
                                      os::Disposition::CreateAlways);
    if (!S.ok()) FailOs(S, FJournalPath);
    // The lock tells other handles that this journal is alive, not hot.
    S = FJournalFile->Lock(0, 1, os::LockKind::Exclusive);
    if (!S.ok()) FailOs(S, FJournalPath);
    FJournalSize = 0;
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
  os::Status S = FJournalFile->Write(FJournalSize, Rec.data(), Rec.size());
  if (!S.ok()) FailOs(S, FJournalPath);
  FJournalSize += Rec.size();
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
  if (FJournalFile) {
    FJournalFile.reset();
    RemoveFile(FJournalPath);
  }
}

void TTxnJournal::Rollback() {
  for (auto& [Path, Img] : FFiles) {
    if (Img.Live) {
      Restore(*Img.Live, Img);
      continue;
    }
    os::File Own;
    os::Status S = Own.Open(Img.Path, os::Access::ReadWrite, os::Share::DenyNone);
    if (!S.ok()) FailOs(S, Img.Path);
    Restore(Own, Img);
  }
  FFiles.clear();
  if (FJournalFile) {
    FJournalFile.reset();
    RemoveFile(FJournalPath);
  }
}

bool TTxnJournal::RecoverHotJournal(const std::string& TablePath) {
  bool Any = false;
  for (const char* Ext : {".OAT", ".OAM", ".OAI"})
    Any = RecoverJournalFile(ChangeExtension(TablePath, Ext) + ".OAJ") || Any;
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
    if (!Take(&PathLen, 4) || Pos + PathLen > Data.size()) break;
    std::string Path = Data.substr(Pos, PathLen);
    Pos += PathLen;
    if (!Take(&Orig, 8) || !Take(&Page, 8) || !Take(&Len, 4) || Pos + Len > Data.size()) break;
    TFileImage& Img = Files[Path];
    Img.Path = Path;
    Img.OriginalSize = Orig;
    if (Page != kSizeRecord) Img.Pages.emplace(Page, Data.substr(Pos, Len));
    Pos += Len;
  }
  for (auto& [Path, Img] : Files) {
    os::File F;
    if (F.Open(Path, os::Access::ReadWrite, os::Share::DenyNone).ok()) Restore(F, Img);
  }
  RemoveFile(JPath);
  return true;
}

namespace {

class TJournaledBlockFile : public BlockFile {
 public:
  TJournaledBlockFile(TTxnJournal* const* Journal) : FJournal(Journal) {}
  ~TJournaledBlockFile() override {
    if (*FJournal) (*FJournal)->Forget(File);
  }
  std::size_t ReadAt(std::uint64_t Offset, void* Buffer, std::size_t Count) override {
    size_t Got = 0;
    os::Status S = File.Read(Offset, Buffer, Count, &Got);
    if (!S.ok()) FailOs(S, File.Path());
    return Got;
  }
  void WriteAt(std::uint64_t Offset, const void* Buffer, std::size_t Count) override {
    if (*FJournal) (*FJournal)->BeforeWrite(File, Offset, Count);
    os::Status S = File.Write(Offset, Buffer, Count);
    if (!S.ok()) FailOs(S, File.Path());
  }
  std::uint64_t Size() override {
    auto R = File.Size();
    if (!R.ok()) FailOs(R.status(), File.Path());
    return R.value();
  }
  void Truncate(std::uint64_t Size) override {
    if (*FJournal) (*FJournal)->BeforeResize(File);
    os::Status S = File.Truncate(Size);
    if (!S.ok()) FailOs(S, File.Path());
  }
  void Sync() override {
    os::Status S = File.Flush();
    if (!S.ok()) FailOs(S, File.Path());
  }
  os::File File;

 private:
  TTxnJournal* const* FJournal;
};

}  // namespace

std::unique_ptr<BlockFile> OpenJournaledBlockFile(const std::string& Path, bool Create,
                                                  bool Exclusive, bool ReadOnly,
                                                  TTxnJournal* const* Journal) {
  auto F = std::make_unique<TJournaledBlockFile>(Journal);
  os::Status S = F->File.Open(Path, ReadOnly ? os::Access::Read : os::Access::ReadWrite,
                              Exclusive ? os::Share::Exclusive : os::Share::DenyNone,
                              Create ? os::Disposition::CreateAlways : os::Disposition::OpenExisting);
  if (!S.ok()) FailOs(S, Path);
  return F;
}

}  // namespace oak
