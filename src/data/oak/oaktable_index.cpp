// Index selection (IndexName, IndexFieldNames, the dictionary default),
// the index definitions, segment helpers and the extra index files.
#include "data/oak/oaktable.h"
#include "platform/rtl/sysutils.h"

namespace {
String BufferText(const char* Buf, UNSIGNED16 Len, std::size_t Size) {
  return String(Buf, std::min<std::size_t>(Len, Size - 1));
}

// Every index handle of Table.
std::vector<OAKHANDLE> AllIndexes(TOakDataSet* D, OAKHANDLE Table) {
  UNSIGNED16 Count = 0;
  RaiseOakError(D, OakGetNumIndexes(Table, &Count));
  std::vector<OAKHANDLE> Handles(Count);
  if (Count == 0) return Handles;
  UNSIGNED16 Slots = Count;
  RaiseOakError(D, OakGetAllIndexes(Table, Handles.data(), &Slots));
  Handles.resize(Slots);
  return Handles;
}

String SegmentName(TOakDataSet* D, OAKHANDLE Index, UNSIGNED16 N) {
  char Name[129] = {};
  UNSIGNED16 Len = sizeof(Name);
  RaiseOakError(D, OakGetSegmentFieldname(Index, N, Name, &Len));
  return BufferText(Name, Len, sizeof(Name));
}

bool Flag(TOakDataSet* D, UNSIGNED32 (*Fn)(OAKHANDLE, UNSIGNED16*), OAKHANDLE H) {
  UNSIGNED16 V = 0;
  RaiseOakError(D, Fn(H, &V));
  return V != 0;
}
}  // namespace

// ---- Selecting ------------------------------------------------------------------

void TOakDataSet::SetIndexName(const String& Value) {
  if (Active()) CheckBrowseMode();
  FIndexName = Value;
  FIndexFieldNames.clear();
  FIndexMode = Value.empty() ? 0 : UpperCase(Value) == "OAK_DEFAULT" ? 3 : 1;
  if (FTableHandle == OAK_INVALID_HANDLE) return;
  if (FScoped)
    SetScoped(false);
  else if (FRangeActive)
    CancelRange();
  ApplyIndex();
  if (Active()) Resync(TResyncMode{});
  // A detail of a master selects its rows again on the new index.
  if (Active() && FMasterLink->Active() && !FMasterLink->Fields().empty() &&
      FMasterLink->OnMasterChange)
    FMasterLink->OnMasterChange(this);
}

void TOakDataSet::SetIndexFieldNames(const String& Value) {
  if (Active()) CheckBrowseMode();
  if (FTableHandle != OAK_INVALID_HANDLE && FScoped) SetScoped(false);
  FIndexFieldNames = Trim(Value);
  FIndexName.clear();
  FIndexMode = FIndexFieldNames.empty() ? 0 : 2;
  if (FTableHandle == OAK_INVALID_HANDLE) return;
  ApplyIndex();
  if (Active()) Resync(TResyncMode{});
}

void TOakDataSet::ApplyIndex() {
  if (Active()) {
    CheckBrowseMode();
    UpdateCursorPos();
  }
  OAKHANDLE Handle = FTableHandle;
  String Tag;
  if (FIndexMode == 1) Tag = FIndexName;
  if (FIndexMode == 3) Tag = FDefaultIndexName;
  if (FIndexMode == 2) {
    UpdateIndexDefs();
    TIndexDef* Def = IndexDefs().FindIndexForFields(FIndexFieldNames);
    if (!Def)
      OakDatabaseError(this, OAK_ERR_STATE, "Not a valid index field name:" + FIndexFieldNames);
    Tag = Def->Name();
  }
  if (FIndexMode != 0) RaiseOakError(this, OakGetIndexHandle(FTableHandle, Tag.c_str(), &Handle));
  FOrderHandle = Handle;
  UNSIGNED32 Length = FBookmarkLength;
  RaiseOakError(this, OakGetBookmarkLength(FOrderHandle, &Length));
  if (Length != FBookmarkLength) {
    // The bookmark part of every buffer changes size: build them anew.
    Integer Count = BufferCount();
    ClearBuffers();
    SetBufferCount(0);
    FBookmarkLength = Length;
    ComputeLayout();
    SetBookmarkSize(static_cast<Integer>(Length));
    SetBufferCount(Count);
  }
}

// ---- Index definitions ------------------------------------------------------------

void TOakDataSet::UpdateIndexDefs() {
  if (FIndexDefsUpToDate) return;
  bool Opened = FTableHandle == OAK_INVALID_HANDLE;
  OAKHANDLE Table = Opened ? OpenTableCursor() : FTableHandle;
  try {
    IndexDefs().Clear();
    for (OAKHANDLE H : AllIndexes(this, Table)) {
      char Name[129] = {};
      UNSIGNED16 Len = sizeof(Name);
      RaiseOakError(this, OakGetIndexName(H, Name, &Len));
      UNSIGNED16 Segments = 0;
      RaiseOakError(this, OakGetNumSegments(H, &Segments));
      String Fields;
      for (UNSIGNED16 S = 1; S <= Segments; ++S)
        Fields += (S > 1 ? ";" : "") + SegmentName(this, H, S);
      TIndexOptions Options;
      if (Flag(this, OakIsIndexDescending, H)) Options.Include(ixDescending);
      if (Flag(this, OakIsIndexPrimaryKey, H)) Options.Include(ixPrimary);
      if (Flag(this, OakIsIndexUnique, H)) Options.Include(ixUnique);
      IndexDefs().Add(BufferText(Name, Len, sizeof(Name)), Fields, Options);
    }
  } catch (...) {
    if (Opened) OakCloseTable(Table);
    throw;
  }
  if (Opened) OakCloseTable(Table);
  IndexDefs().SetUpdated(true);
  FIndexDefsUpToDate = true;
}

// ---- Segments ------------------------------------------------------------------

Integer TOakDataSet::GetNumSegments() {
  if (!HasActiveIndex()) return 0;
  UNSIGNED16 N = 0;
  RaiseOakError(this, OakGetNumSegments(FOrderHandle, &N));
  return N;
}

TField* TOakDataSet::GetSegmentField(Integer N) {
  if (!HasActiveIndex()) return nullptr;
  return FindField(SegmentName(this, FOrderHandle, static_cast<UNSIGNED16>(N)));
}

Integer TOakDataSet::GetSegmentFieldNum(Integer N) {
  if (!HasActiveIndex())
    OakDatabaseError(this, OAK_ERR_STATE, "Internal Error: GetSegmentFieldNum : No Active Index");
  String Name = SegmentName(this, FOrderHandle, static_cast<UNSIGNED16>(N));
  UNSIGNED16 No = 0;
  RaiseOakError(this, OakGetFieldNum(FTableHandle, Name.c_str(), &No));
  return No;
}

bool TOakDataSet::GetIsIndexField(const TField* Field) const {
  auto* Self = const_cast<TOakDataSet*>(this);
  if (!Field || !HasActiveIndex()) return false;
  Integer N = Self->GetNumSegments();
  for (Integer I = 1; I <= N; ++I)
    if (SameText(SegmentName(Self, FOrderHandle, static_cast<UNSIGNED16>(I)), Field->FieldName()))
      return true;
  return false;
}

void TOakDataSet::GetDetailLinkFields(std::vector<TField*>& MasterFieldList,
                                      std::vector<TField*>& DetailFieldList) {
  MasterFieldList.clear();
  DetailFieldList.clear();
  if (!MasterSource() || MasterFields().empty()) return;
  if (TDataSet* Master = MasterSource()->DataSet())
    Master->GetFieldList(MasterFieldList, MasterFields());
  Integer N = GetNumSegments();
  for (Integer I = 1; I <= N && DetailFieldList.size() < MasterFieldList.size(); ++I)
    if (TField* F = GetSegmentField(I)) DetailFieldList.push_back(F);
}

// ---- Index files --------------------------------------------------------------------

namespace {
String IndexFilePath(TOakDataSet* D, const String& FileName) {
  return FileName.find_first_of("/\\") == String::npos ? D->DataPath() + "/" + FileName : FileName;
}
}  // namespace

void TOakDataSet::OpenIndexFile(const String& FileName) {
  if (!Active()) OakDatabaseError(this, OAK_ERR_STATE, "Table must be Active.");
  String Path = IndexFilePath(this, FileName);
  OAKHANDLE Handles[50];
  UNSIGNED16 Count = 50;
  RaiseOakError(this, OakOpenIndex(FTableHandle, Path.c_str(), Handles, &Count));
  FIndexDefsUpToDate = false;
}

void TOakDataSet::CloseIndexFile(const String& FileName) {
  if (!Active()) OakDatabaseError(this, OAK_ERR_STATE, "Table must be Active.");
  String Wanted = ExtractFileName(IndexFilePath(this, FileName));
  for (OAKHANDLE H : AllIndexes(this, FTableHandle)) {
    char Name[260] = {};
    UNSIGNED16 Len = sizeof(Name);
    RaiseOakError(this, OakGetIndexFilename(H, 0, Name, &Len));
    if (!SameText(ExtractFileName(BufferText(Name, Len, sizeof(Name))), Wanted)) continue;
    if (H == FOrderHandle) FOrderHandle = FTableHandle;
    RaiseOakError(this, OakCloseIndex(H));
  }
  FIndexDefsUpToDate = false;
}

TOakIndexFiles::TOakIndexFiles(TOakDataSet* AOwner) : FOwner(AOwner) {
  if (!AOwner)
    OakDatabaseError(nullptr, OAK_ERR_STATE, "TOakIndexFiles instances require a non-nil owner");
}

Integer TOakIndexFiles::Add(const String& S) {
  Integer I = TStringList::Add(S);
  if (FOwner->Active()) FOwner->OpenIndexFile(S);
  FOwner->SetIndexDefsOutOfDate();
  return I;
}

void TOakIndexFiles::Insert(Integer Index, const String& S) {
  TStringList::Insert(Index, S);
  if (FOwner->Active()) FOwner->OpenIndexFile(S);
  FOwner->SetIndexDefsOutOfDate();
}

void TOakIndexFiles::Delete(Integer Index) {
  if (FOwner->Active()) FOwner->CloseIndexFile(Strings(Index));
  TStringList::Delete(Index);
  FOwner->SetIndexDefsOutOfDate();
}

void TOakIndexFiles::Clear() {
  if (FOwner->Active())
    for (Integer I = 0; I < Count(); ++I) FOwner->CloseIndexFile(Strings(I));
  TStringList::Clear();
  FOwner->SetIndexDefsOutOfDate();
}
