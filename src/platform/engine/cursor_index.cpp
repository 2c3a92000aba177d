// Cursor: index orders, tag creation and deletion, extra index files.
#include <algorithm>

#include "platform/engine/cursor.h"
#include "platform/engine/errors.h"

namespace oak {

std::vector<TIndexOrder*> TCursor::Orders() const {
  // Tags that another handle added since the open get their orders now.
  auto* Self = const_cast<TCursor*>(this);
  for (auto& F : FIndexFiles)
    for (size_t I = 0; I < F->TagCount(); ++I) {
      const String& Name = F->Tag(I).Name();
      bool Known = std::any_of(FOrders.begin(), FOrders.end(), [&](auto& O) {
        return &O->File() == F.get() && SameName(O->TagName(), Name);
      });
      if (!Known) Self->FOrders.push_back(std::make_unique<TIndexOrder>(*Self, *F, Name));
    }
  std::vector<TIndexOrder*> Out;
  for (auto& O : FOrders)
    if (O->File().FindTag(O->TagName())) Out.push_back(O.get());
  return Out;
}

TIndexOrder* TCursor::FindOrder(const std::string& Tag) const {
  for (TIndexOrder* O : Orders())
    if (SameName(O->TagName(), Tag)) return O;
  return nullptr;
}

TIndexOrder& TCursor::CreateIndex(const std::string& FileName, const TagDefinition& Def,
                                  UNSIGNED32 PageSize) {
  if (FDirty || FAppending) Write();
  CheckWritable();
  // A transaction's journal writes back the files it found; a file it made
  // would stay behind a rollback. So an index file is made outside one.
  if (FJournal) {
    const std::string Path = FileName.empty() ? ChangeExtension(FTable->Path(), ".OAI") : IndexFilePath(FileName);
    if (!FileExists(Path)) Fail(E_TRANSACTION, "an index file cannot be made inside a transaction: " + Path);
  }
  TWriteScope Guard = WriteLock();
  FlushTxnBatch();
  FlushDeferred();
  Sync();
  IndexFile* File = nullptr;
  if (FileName.empty()) {
    // Another handle may have made the structural index since this one
    // opened: its tags are added to, never overwritten.
    if (!FHasStructural) OpenStructuralIndex(!FileExists(ChangeExtension(FTable->Path(), ".OAI")), PageSize);
    File = FIndexFiles.front().get();
  } else {
    std::string Resolved = os::ResolvePath(IndexFilePath(FileName));
    for (auto& F : FIndexFiles)
      if (IndexPath(*F) == Resolved) File = F.get();
    if (!File) {
      os::File Probe;
      bool Exists = Probe.Open(Resolved, os::Access::Read, os::Share::DenyNone).ok();
      Probe.Close();
      FIndexFiles.push_back(OpenIndex(Resolved, !Exists, PageSize));
      File = FIndexFiles.back().get();
      AddOrders(*File);
    }
  }
  RecordScan Scan = [this](const RecordVisitor& Visit) { ScanAll(Visit); };
  String Name;
  try {
    Name = File->CreateTag(Def, Scan).Name();  // in memory until the flush
  } catch (...) {
    DiscardIndexes();
    throw;
  }
  TInPlace Change(*this);
  FTable->Touch();
  FlushIndexFile(*File);
  ++FIndexGeneration;
  Change.Done();
  FOrders.push_back(std::make_unique<TIndexOrder>(*this, *File, Name));
  return *FOrders.back();
}

std::string TCursor::IndexFilePath(const std::string& FileName) const {
  return FileName.find('/') == std::string::npos ? FolderOf(FTable->Path()) + "/" + FileName : FileName;
}

void TCursor::DeleteIndex(TIndexOrder& Order) {
  CheckWritable();
  TWriteScope Guard = WriteLock();
  FlushTxnBatch();
  FlushDeferred();
  Sync();
  IndexFile& File = Order.File();
  File.DeleteTag(Order.TagName());
  TInPlace Change(*this);
  FTable->Touch();
  FlushIndexFile(File);
  ++FIndexGeneration;
  Change.Done();
  FOrders.erase(std::remove_if(FOrders.begin(), FOrders.end(),
                               [&](auto& O) { return O.get() == &Order; }),
                FOrders.end());
}

std::vector<TIndexOrder*> TCursor::OpenIndexFile(const std::string& Path) {
  std::string Resolved = os::ResolvePath(Path);
  IndexFile* File = nullptr;
  for (auto& F : FIndexFiles)
    if (IndexPath(*F) == Resolved) File = F.get();
  if (!File) {
    FIndexFiles.push_back(OpenIndex(Resolved, false, 0));
    File = FIndexFiles.back().get();
  }
  std::vector<TIndexOrder*> Out;
  for (TIndexOrder* O : Orders())
    if (&O->File() == File) Out.push_back(O);
  return Out;
}

void TCursor::CloseIndexFile(IndexFile& File) {
  if (FHasStructural && &File == FIndexFiles.front().get())
    Fail(E_INVALID_OPTION, "the structural index closes with its table");
  FOrders.erase(std::remove_if(FOrders.begin(), FOrders.end(),
                               [&](auto& O) { return &O->File() == &File; }),
                FOrders.end());
  FIndexPaths.erase(&File);
  FIndexFiles.erase(std::remove_if(FIndexFiles.begin(), FIndexFiles.end(),
                                   [&](auto& F) { return F.get() == &File; }),
                    FIndexFiles.end());
}

}  // namespace oak
