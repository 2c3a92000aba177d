// An index file: its tags, their definitions and record maintenance.
#include "platform/engine/indexfile.h"

#include <algorithm>
#include <cstring>

#include "platform/engine/btree_entry.h"
#include "platform/engine/indexfile_dir.h"
#include "platform/rtl/charset.h"

namespace oak {

void TagDefinition::SetOptions(std::uint32_t Bits) {
  Unique = Bits & kIndexUnique;
  Custom = Bits & kIndexCustom;
  Descending = Bits & kIndexDescending;
}

std::uint32_t TagDefinition::Options() const {
  return (Unique ? kIndexUnique : 0) | (Custom ? kIndexCustom : 0) |
         (Descending ? kIndexDescending : 0);
}

IndexTag::IndexTag(IndexFile& File, TagDefinition Def, std::unique_ptr<Expression> Key,
                   std::unique_ptr<Expression> Cond, KeySpec Spec, BTreeState State)
    : FFile(File), FDef(std::move(Def)), FKey(std::move(Key)), FCond(std::move(Cond)),
      FSpec(Spec), FState(State), FTree(File.GetPager(), FState) {
  ExprCase Case;
  if (FSpec.Type == KeyType::Character && FKey->IsFieldText(FTextField, Case)) {
    FTextMaps[0] = StoredTextKeyMap(CharType::Ansi, FSpec.Chars, Case);
    FTextMaps[1] = StoredTextKeyMap(CharType::Oem, FSpec.Chars, Case);
  }
  if (FSpec.Type == KeyType::Numeric) FKey->IsFieldNumber(FNumberField);
}

bool IndexTag::KeyOf(const ExprRecordContext& Rec, std::string& Key) const {
  const ExprOptions& Opt = FFile.EvalOptions();
  if (FCond && !FCond->EvaluateLogical(Rec, Opt)) return false;
  bool Null = false;
  double Number = 0;
  if (FNumberField >= 0 && Rec.StoredNumber(FNumberField, Null, Number)) {
    StoredNumberKey(Null, Number, FSpec, Key);
    return true;
  }
  ExprStoredText Text;
  if (FTextField >= 0 && Rec.StoredText(FTextField, Text)) {
    if (const TKeyByteMap* Map = FTextMaps[Text.Chars == CharType::Oem]) {
      StoredTextKey(Text.Bytes, Text.Null, *Map, FSpec, Key);
      return true;
    }
  }
  Key = BuildKey(FKey->Evaluate(Rec, Opt), FSpec);
  return true;
}

bool IndexTag::AddKey(std::string_view Key, std::uint32_t RecNo) {
  if (Key.size() != FSpec.Length)
    ThrowEngineError(kExprKeyLength, "Key of " + std::to_string(Key.size()) + " bytes for tag " +
                                         FDef.Name + " of " + std::to_string(FSpec.Length));
  if (FDef.Unique && FTree.ContainsKey(Key)) return false;
  return FTree.Insert(Key, RecNo);
}

bool IndexTag::DeleteKey(std::string_view Key, std::uint32_t RecNo) {
  return FTree.Remove(Key, RecNo);
}

IndexFile::IndexFile(std::unique_ptr<Pager> P, const ExprFieldCatalog& Catalog,
                     const IndexFileOptions& Options, String Path)
    : FPager(std::move(P)), FCatalog(Catalog), FOptions(Options), FPath(std::move(Path)) {}

IndexFile::~IndexFile() = default;

std::unique_ptr<IndexFile> IndexFile::Create(std::unique_ptr<BlockFile> File,
                                             const ExprFieldCatalog& Catalog,
                                             const IndexFileOptions& Options) {
  std::unique_ptr<Pager> P = Pager::Create(std::move(File), Options.PageSize,
                                           static_cast<std::uint32_t>(Options.Chars));
  std::unique_ptr<IndexFile> F(new IndexFile(std::move(P), Catalog, Options, String()));
  F->SaveDirectory();
  F->FPager->Flush();
  return F;
}

std::unique_ptr<IndexFile> IndexFile::Open(std::unique_ptr<BlockFile> File,
                                           const ExprFieldCatalog& Catalog,
                                           const IndexFileOptions& Options) {
  std::unique_ptr<Pager> P = Pager::Open(std::move(File), Options.ReadOnly);
  std::unique_ptr<IndexFile> F(new IndexFile(std::move(P), Catalog, Options, String()));
  F->LoadDirectory();
  return F;
}

std::unique_ptr<IndexFile> IndexFile::Create(const String& Path, const ExprFieldCatalog& Catalog,
                                             const IndexFileOptions& Options) {
  auto F = Create(OpenDiskBlockFile(Path, true, false), Catalog, Options);
  F->FPath = Path;
  return F;
}

std::unique_ptr<IndexFile> IndexFile::Open(const String& Path, const ExprFieldCatalog& Catalog,
                                           const IndexFileOptions& Options) {
  auto F = Open(OpenDiskBlockFile(Path, false, Options.ReadOnly), Catalog, Options);
  F->FPath = Path;
  return F;
}

std::unique_ptr<IndexTag> IndexFile::MakeTag(const TagDefinition& Def, BTreeState State) {
  std::unique_ptr<Expression> Key = Expression::Parse(Def.KeyExpr, FCatalog);
  std::unique_ptr<Expression> Cond;
  if (Def.Condition.find_first_not_of(" \t") != String::npos) {
    Cond = Expression::Parse(Def.Condition, FCatalog);
    if (Cond->ResultType() != ExprType::Logical && Cond->ResultType() != ExprType::Null)
      ThrowEngineError(kExprNotLogical, "Condition '" + Def.Condition + "' of tag " + Def.Name +
                                            " is not a logical expression");
  }
  KeySpec Spec = KeySpecFor(*Key, Def.Descending, FOptions.Chars, MaxKeyLength(PageSize()));
  if (State.KeyLength == 0) State.KeyLength = Spec.Length;
  if (State.KeyLength != Spec.Length)
    ThrowEngineError(kIndexCorrupt, "Index file corrupt: tag " + Def.Name +
                                        " does not match its key expression");
  return std::unique_ptr<IndexTag>(
      new IndexTag(*this, Def, std::move(Key), std::move(Cond), Spec, State));
}

void IndexFile::LoadDirectory() {
  std::vector<DirectoryEntry> Dir = ReadDirectory(*FPager);
  bool Same = Dir.size() == FTags.size();
  for (std::size_t i = 0; Same && i < Dir.size(); ++i) {
    const TagDefinition& A = Dir[i].Def;
    const TagDefinition& B = FTags[i]->FDef;
    Same = A.Name == B.Name && A.KeyExpr == B.KeyExpr && A.Condition == B.Condition &&
           A.Options() == B.Options() && Dir[i].State.KeyLength == FTags[i]->FSpec.Length;
  }
  if (Same) {  // keep the tag objects: callers may hold them
    for (std::size_t i = 0; i < Dir.size(); ++i) FTags[i]->FState = Dir[i].State;
    return;
  }
  std::vector<std::unique_ptr<IndexTag>> Tags;
  for (DirectoryEntry& E : Dir) {
    auto T = MakeTag(E.Def, E.State);
    if (T->FSpec.Type != E.Type)
      ThrowEngineError(kIndexCorrupt, "Index file corrupt: tag " + E.Def.Name +
                                          " does not match its key expression");
    Tags.push_back(std::move(T));
  }
  FTags.swap(Tags);
}

void IndexFile::SaveDirectory() {
  std::vector<DirectoryEntry> Dir;
  for (const auto& T : FTags) Dir.push_back({T->FDef, T->FSpec.Type, T->FState});
  WriteDirectory(*FPager, Dir);
}

IndexTag* IndexFile::FindTag(std::string_view Name) {
  // Names are unique without regard to case (CreateTag): the usual exact
  // spelling is found without folding.
  for (auto& T : FTags)
    if (T->FDef.Name == Name) return T.get();
  for (auto& T : FTags)
    if (AnsiSameText(T->FDef.Name, String(Name))) return T.get();
  return nullptr;
}

namespace {

// Sorts entries of E bytes bytewise. The first eight bytes of each, read
// high byte first, sit beside its pointer: most comparisons end there
// without reading the entries.
void SortEntries(std::vector<const std::uint8_t*>& Entries, std::size_t E) {
  struct TItem {
    std::uint64_t Head;
    const std::uint8_t* Entry;
  };
  std::vector<TItem> Items;
  Items.reserve(Entries.size());
  const std::size_t HeadBytes = std::min<std::size_t>(8, E);
  for (const std::uint8_t* P : Entries) {
    Items.push_back({rtl_bytes::LoadBE(P, HeadBytes) << (8 * (8 - HeadBytes)), P});
  }
  std::sort(Items.begin(), Items.end(), [E, HeadBytes](const TItem& A, const TItem& B) {
    if (A.Head != B.Head) return A.Head < B.Head;
    return std::memcmp(A.Entry + HeadBytes, B.Entry + HeadBytes, E - HeadBytes) < 0;
  });
  for (std::size_t I = 0; I < Items.size(); ++I) Entries[I] = Items[I].Entry;
}

}  // namespace

void IndexFile::BuildTrees(const std::vector<IndexTag*>& Tags, const RecordScan& Scan) {
  // Each tag's entries in one buffer, as the leaves hold them: the key,
  // then the record number high byte first, so that bytewise order is the
  // order of (key, record).
  std::vector<std::vector<std::uint8_t>> All(Tags.size());
  if (Scan) {
    std::string Key;
    Scan([&](const ExprRecordContext& Rec) {
      for (std::size_t i = 0; i < Tags.size(); ++i) {
        if (Tags[i]->FDef.Custom || !Tags[i]->KeyOf(Rec, Key)) continue;
        if (Key.size() != Tags[i]->FTree.KeyLength())
          ThrowEngineError(kExprKeyLength, "Key of wrong length in bulk load");
        const std::size_t At = All[i].size();
        All[i].resize(At + Key.size() + kEntryRecNoBytes);
        WriteEntry(&All[i][At], Key, Key.size(), Rec.RecordNumber());
      }
    });
  }
  for (std::size_t i = 0; i < Tags.size(); ++i) {
    const std::size_t E = Tags[i]->FTree.KeyLength() + 4u, KeyLen = E - 4;
    std::vector<const std::uint8_t*> Sorted;
    Sorted.reserve(All[i].size() / E);
    for (std::size_t At = 0; At < All[i].size(); At += E) Sorted.push_back(&All[i][At]);
    auto Less = [E](const std::uint8_t* A, const std::uint8_t* B) { return std::memcmp(A, B, E) < 0; };
    // Keys often come in record order already (numbers handed out in turn).
    if (!std::is_sorted(Sorted.begin(), Sorted.end(), Less)) SortEntries(Sorted, E);
    Sorted.erase(std::unique(Sorted.begin(), Sorted.end(),
                             [E](const std::uint8_t* A, const std::uint8_t* B) { return std::memcmp(A, B, E) == 0; }),
                 Sorted.end());
    if (Tags[i]->FDef.Unique)  // the lowest record of each key stays
      Sorted.erase(std::unique(Sorted.begin(), Sorted.end(),
                               [KeyLen](const std::uint8_t* A, const std::uint8_t* B) {
                                 return std::memcmp(A, B, KeyLen) == 0;
                               }),
                   Sorted.end());
    Tags[i]->FState.Root = 0;
    Tags[i]->FTree.BulkLoad(Sorted);
    std::vector<std::uint8_t>().swap(All[i]);
  }
}

IndexTag& IndexFile::CreateTag(const TagDefinition& Def, const RecordScan& Scan) {
  if (FOptions.ReadOnly) ThrowEngineError(kIndexReadOnly, "Index file is opened read only");
  String Name = Def.Name;
  if (Name.empty() || Utf8CharCount(Name) > static_cast<Integer>(kMaxTagName) ||
      Name.find_first_of(" \t") != String::npos)
    ThrowEngineError(kIndexBadTag, "Invalid tag name '" + Name + "'");
  if (FindTag(Name)) ThrowEngineError(kIndexTagExists, "Tag " + Name + " already exists");
  if (FTags.size() >= kMaxTags) ThrowEngineError(kIndexDirectoryFull, "Too many tags in the index file");
  auto T = MakeTag(Def, BTreeState());
  BuildTrees({T.get()}, Scan);
  FTags.push_back(std::move(T));
  return *FTags.back();
}

void IndexFile::DeleteTag(std::string_view Name) {
  IndexTag* T = FindTag(Name);
  if (!T) ThrowEngineError(kIndexTagNotFound, "Tag " + String(Name) + " not found");
  try {
    T->FTree.FreeAll();
  } catch (const EEngineError&) {
    // A damaged tree leaves its pages behind; the next reindex reclaims them.
  }
  FTags.erase(std::find_if(FTags.begin(), FTags.end(), [T](const auto& P) { return P.get() == T; }));
}

void IndexFile::AddRecord(const ExprRecordContext& Rec) {
  std::string Key;
  for (auto& T : FTags)
    if (!T->FDef.Custom && T->KeyOf(Rec, Key)) T->AddKey(Key, Rec.RecordNumber());
}

void IndexFile::RemoveRecord(const ExprRecordContext& Rec) {
  std::string Key;
  for (auto& T : FTags)
    if (T->KeyOf(Rec, Key)) T->DeleteKey(Key, Rec.RecordNumber());
}

void IndexFile::UpdateRecord(const ExprRecordContext& Old, const ExprRecordContext& New) {
  std::string OldKey, NewKey;
  std::uint32_t OldRec = Old.RecordNumber(), NewRec = New.RecordNumber();
  for (auto& T : FTags) {
    bool WasIn = T->KeyOf(Old, OldKey);
    bool IsIn = T->KeyOf(New, NewKey);
    if (WasIn && IsIn && OldKey == NewKey && OldRec == NewRec) continue;
    bool Removed = WasIn && T->DeleteKey(OldKey, OldRec);
    if (IsIn && (!T->FDef.Custom || Removed)) T->AddKey(NewKey, NewRec);
  }
}

void IndexFile::Reindex(const RecordScan& Scan) {
  if (FOptions.ReadOnly) ThrowEngineError(kIndexReadOnly, "Index file is opened read only");
  FPager->Reset();
  RebuildTrees(Scan);
}

void IndexFile::RebuildInMemory(const RecordScan& Scan, std::uint32_t TableStamp) {
  FPager->UseMemoryImage();
  RebuildTrees(Scan);
  FPager->SetTableStamp(TableStamp);
  FPager->Flush();
}

void IndexFile::RebuildTrees(const RecordScan& Scan) {
  std::vector<IndexTag*> Tags;
  for (auto& T : FTags) Tags.push_back(T.get());
  BuildTrees(Tags, Scan);
  SaveDirectory();
}

void IndexFile::Verify() {
  for (auto& T : FTags) T->FTree.Verify();
}

void IndexFile::Flush() {
  if (FOptions.ReadOnly) return;
  if (FPager->HasChanges()) SaveDirectory();
  FPager->Flush();  // writes a changed table stamp alone, too
}

void IndexFile::Discard() {
  FPager->Discard();
  LoadDirectory();
}

void IndexFile::Reload() {
  FPager->Reload();
  LoadDirectory();
}

bool IndexFile::Refresh() {
  if (!FPager->Refresh()) return false;
  LoadDirectory();
  return true;
}

}  // namespace oak
