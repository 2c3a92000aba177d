// Cursor: opening, closing, fields as expression values, filters, handles.
#include "platform/engine/cursor.h"

#include <algorithm>
#include <chrono>
#include <cstring>

#include "platform/engine/errors.h"
#include "platform/engine/replacement.h"
#include "platform/engine/table_fields.h"
#include "platform/os/fileapi.h"
#include "platform/os/find.h"

namespace oak {

bool FileExists(const std::string& Path) {
  os::File F;
  os::Status S = F.Open(Path, os::Access::Read, os::Share::DenyNone);
  return S.ok() || S.code() == ERROR_SHARING_VIOLATION;
}

// ---- TRecordView ------------------------------------------------------------

bool TRecordView::FindField(std::string_view Name, ExprFieldInfo& Info) const {
  return FCursor.FindField(Name, Info);
}

ExprValue TRecordView::FieldValue(int Index) const {
  return FCursor.ValueOf(FRec, Index, FPending);
}

bool TRecordView::StoredText(int Index, ExprStoredText& Out) const {
  return FCursor.StoredTextOf(FRec, Index, Out);
}

bool TRecordView::StoredNumber(int Index, bool& Null, double& Value) const {
  return FCursor.StoredNumberOf(FRec, Index, Null, Value);
}

// ---- TIndexOrder --------------------------------------------------------------

TIndexOrder::TIndexOrder(TCursor& Owner, IndexFile& File, std::string TagName)
    : FOwner(Owner), FFile(File), FTagName(std::move(TagName)) {
  Handle = RegisterHandle(this);
}

TIndexOrder::~TIndexOrder() { UnregisterHandle(Handle); }

IndexTag& TIndexOrder::Tag() const {
  IndexTag* T = FFile.FindTag(FTagName);
  if (!T) Fail(E_INDEX_NOT_FOUND, FTagName);
  return *T;
}

BTreeCursor& TIndexOrder::Pos() {
  if (!FPos || FPosGeneration != FOwner.IndexGeneration()) {
    FPos = std::make_unique<BTreeCursor>(Tag().Tree());
    FPosGeneration = FOwner.IndexGeneration();
  }
  return *FPos;
}

bool TIndexOrder::InScope(std::string_view Key) const {
  if (ScopeTop && Key.substr(0, ScopeTop->size()) < std::string_view(*ScopeTop)) return false;
  if (ScopeBottom && Key.substr(0, ScopeBottom->size()) > std::string_view(*ScopeBottom))
    return false;
  return true;
}

// ---- TCursor: open and close ----------------------------------------------------

TCursor::TCursor(TConnection& Conn, const std::string& Path, const TOpenOptions& Options)
    : FConn(Conn), FOptions(Options) {
  CompletePendingReplacementBeforeOpen(Path);
  TTxnJournal::RecoverHotJournal(os::ResolvePath(Path));
  FTable = std::make_unique<TTableFile>(Path, Options.Exclusive, Options.ReadOnly);
  FOptions.Chars = FTable->Chars();
  FLocks = std::make_unique<TLockSet>(FTable->File(), Options.Exclusive);
  FRec.assign(FTable->RecordLength(), 0);
  ClearRecord(Fields(), FRec.data(), FRec.size());
  FLoaded = FRec;
  ShowDeleted = Settings().ShowDeleted;
  // The memo and index headers are read from files at rest: a table that
  // another program writes now is waited for, one a dead program left is
  // settled, and one written under the reads is read again.
  const auto Deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kLockWaitMs);
  for (;;) {
    const UNSIGNED32 Seq = AwaitRest();
    std::exception_ptr Failure;
    try {
      OpenMemoAndIndex();
    } catch (...) {
      Failure = std::current_exception();
    }
    if (FOptions.Exclusive || FTable->State().WriteSeq == Seq) {
      if (Failure) std::rethrow_exception(Failure);
      break;
    }
    if (std::chrono::steady_clock::now() > Deadline)
      Fail(E_LOCKED, FTable->Path() + " (written by another program throughout the open)");
  }
  Handle = RegisterHandle(this);
  FConn.Attach(this);
  SetJournal(JoinsTransactions() ? FConn.Journal() : nullptr);
}

void TCursor::OpenMemoAndIndex() {
  FOrders.clear();
  FIndexFiles.clear();
  FIndexPaths.clear();
  FHasStructural = false;
  FMemo.reset();
  FTable->Refresh(true);
  if (FTable->HasBlobs())
    FMemo = std::make_unique<TMemoFile>(ChangeExtension(FTable->Path(), ".OAM"), FOptions.Exclusive, FOptions.ReadOnly);
  if (FileExists(ChangeExtension(FTable->Path(), ".OAI"))) {
    OpenStructuralIndex(false, 0);
    CatchUpOnOpen();
  }
}

void TCursor::CloseInTransaction() {
  Cancel();
  FOrders.clear();
  UnregisterHandle(Handle);
  Handle = OAK_INVALID_HANDLE;
  FClosedInTransaction = true;
}

TCursor::~TCursor() {
  FConn.Detach(this);
  if (!FClosedInTransaction) UnregisterHandle(Handle);
  try {
    // Closed inside a transaction: its deferred part goes to the files
    // now, still under the journal, so a rollback restores it too. A
    // failure stays as the last error (OakCloseTable reports its own).
    FlushTxnBatch();
    FlushDeferred();
  } catch (const std::exception& E) {
    StoreLastError(E);
  }
  FOrders.clear();
  try {
    DiscardIndexes();
    FLocks->UnlockAll();
  } catch (...) {
  }
  if (FJournal) {
    if (FMemo) FJournal->Forget(FMemo->File());
    FJournal->Forget(FTable->File());
  }
  if (!RemoveOnClose.empty()) {
    FIndexFiles.clear();
    FMemo.reset();
    FLocks.reset();
    FTable.reset();
    TSearchRec Rec;
    for (int R = FindFirst(RemoveOnClose + "/*", 0, Rec); R == 0; R = FindNext(Rec))
      ::DeleteFile(RemoveOnClose + "/" + Rec.Name);
    FindClose(Rec);
    ::RemoveDirectory(RemoveOnClose);
  }
}

void TCursor::CatchUpInMemory() {
  if (!FHasStructural || !FOptions.ReadOnly) return;
  IndexFile& File = *FIndexFiles.front();
  // A table a writer left in the middle of a change (which this handle
  // may not settle) has an index that may miss that change.
  const bool LeftOdd = FSettledOdd && *FSettledOdd == FTable->Counters().WriteSeq && !File.GetPager().InMemory();
  if (File.GetPager().TableStamp() == FTable->Counters().ChangeCounter && !LeftOdd) return;
  // The table is at rest (the caller reads under Consistently), or left
  // by a writer that died: an index behind it missed a write (or was put
  // back alone). It is rebuilt in memory for this handle, so that no tag
  // answers short; the file waits for the next writing handle.
  RecordScan Scan = [this](const RecordVisitor& Visit) { ScanAll(Visit); };
  File.RebuildInMemory(Scan, FTable->Counters().ChangeCounter);
  ++FIndexGeneration;
}

void TCursor::CatchUpOnOpen() {
  if (FOptions.ReadOnly) return CatchUpInMemory();
  // A writer at work now is not to be waited for: its own write checks the
  // stamp under the write lock, as does this handle's first one.
  if (!FLocks->TryBeginWrite()) return;
  struct TEnd {
    TLockSet& L;
    ~TEnd() { L.EndWrite(); }
  } End{*FLocks};
  // No rebuild is at work under the write lock: a replacement beside the
  // index was left by a killed one.
  RemoveStaleReplacement(IndexPath(*FIndexFiles.front()));
  if (!Writable(FTable->State())) return;
  FTable->Refresh();
  FIndexFiles.front()->Refresh();
  CatchUpIndexes();
}

void TCursor::SetJournal(TTxnJournal* J) {
  FlushDeferred();
  FJournal = J;
  FTable->SetJournal(J);
  if (FMemo) FMemo->SetJournal(J);
}

void TCursor::AfterRollback() {
  FDirty = FAppending = false;
  FPendingBlobs.clear();
  FFlushPending = false;
  FTable->ForgetInPlace();
  if (FMemo) FMemo->ForgetCut();
  // The transaction's write locks are gone: other programs may write
  // already, so the index headers are read again like any other read.
  Consistently([&] {
    for (auto& F : FIndexFiles) F->Reload();
    ++FIndexGeneration;
    if (FMemo) FMemo->ForgetHeader();
    FTable->Refresh(true);
    CatchUpInMemory();
    if (FRecNo > FTable->Counters().RecordCount)
      SetPosition(0, false, true);
    else if (FRecNo)
      LoadRecord(FRecNo);
  });
}

std::unique_ptr<IndexFile> TCursor::OpenIndex(const std::string& Path, bool Create,
                                              UNSIGNED32 PageSize) {
  IndexFileOptions O;
  O.PageSize = PageSize;
  O.Chars = FOptions.Chars;
  O.ReadOnly = FOptions.ReadOnly;
  O.Expr = EvalOptions();
  std::string Resolved = os::ResolvePath(Path);
  auto Block =
      OpenJournaledBlockFile(Resolved, Create, FOptions.Exclusive, FOptions.ReadOnly, &FJournal);
  auto F = Create ? IndexFile::Create(std::move(Block), *this, O)
                  : IndexFile::Open(std::move(Block), *this, O);
  FIndexPaths[F.get()] = Resolved;
  return F;
}

void TCursor::OpenStructuralIndex(bool Create, UNSIGNED32 PageSize) {
  auto F = OpenIndex(ChangeExtension(FTable->Path(), ".OAI"), Create, PageSize);
  FIndexFiles.insert(FIndexFiles.begin(), std::move(F));
  FHasStructural = true;
  AddOrders(*FIndexFiles.front());
}

void TCursor::AddOrders(IndexFile& File) {
  for (size_t I = 0; I < File.TagCount(); ++I)
    FOrders.push_back(std::make_unique<TIndexOrder>(*this, File, File.Tag(I).Name()));
}

const std::string& TCursor::IndexPath(const IndexFile& File) const {
  static const std::string None;
  auto It = FIndexPaths.find(&File);
  return It == FIndexPaths.end() ? None : It->second;
}

// ---- fields -----------------------------------------------------------------------

const TFieldDesc& TCursor::Field(UNSIGNED16 N) const {
  if (N == 0 || N > Fields().size()) Fail(E_INVALID_FIELD, "field number " + std::to_string(N));
  return Fields()[N - 1];
}

UNSIGNED16 TCursor::FieldNumber(const std::string& Name) const {
  for (size_t I = 0; I < Fields().size(); ++I)
    if (SameName(Fields()[I].Name, Name)) return static_cast<UNSIGNED16>(I + 1);
  Fail(E_INVALID_FIELD, Name);
}

UNSIGNED32 TCursor::OpenOptions() const {
  UNSIGNED32 O = OAK_PERM_UPDATE | OAK_PERM_INSERT;
  if (FOptions.Exclusive) O |= OAK_EXCLUSIVE;
  if (FOptions.ReadOnly) O = (O & ~(OAK_PERM_UPDATE | OAK_PERM_INSERT)) | OAK_READONLY;
  return O;
}

bool TCursor::FindField(std::string_view Name, ExprFieldInfo& Info) const {
  for (size_t I = 0; I < Fields().size(); ++I) {
    const TFieldDesc& F = Fields()[I];
    if (!SameName(F.Name, Name)) continue;
    Info.Index = static_cast<int>(I + 1);
    Info.Type = ExprTypeOf(F.Type);
    Info.Length = IsCharType(F.Type) || F.Type == OAK_RAW ? static_cast<int>(F.Length) : 0;
    if (F.Type == OAK_NUMERIC) Info.Length = static_cast<int>(F.Length);
    Info.Decimals = F.Decimals;
    return true;
  }
  return false;
}

ExprValue TCursor::ValueOf(const std::uint8_t* Rec, int Index, bool Pending) const {
  const TFieldDesc& F = Field(static_cast<UNSIGNED16>(Index));
  if (!IsBlobType(F.Type)) return FieldToExpr(F, Rec, FOptions.Chars);
  if (Pending) {
    auto It = FPendingBlobs.find(static_cast<UNSIGNED16>(Index));
    if (It != FPendingBlobs.end()) return ExprValue::FromString(It->second);
  }
  UNSIGNED32 Block, Len;
  GetBlobRef(F, Rec, Block, Len);
  if (Block == 0 || !FMemo) return ExprValue::FromString(std::string());
  return ExprValue::FromString(FMemo->Read(Block, Len));
}

void TCursor::RefreshBlobRefs() {
  // A record read before another program changed it may refer to memo
  // runs that program freed (and took again) since: its references are
  // read anew, and so is the whole record when it has no pending changes
  // (a write of it is refused anyway: the record changed since read).
  if (!FReading || !FRecNo || FAppending || FRecNo > FTable->Counters().RecordCount) return;
  thread_local std::vector<std::uint8_t> Now;
  Now.resize(FRec.size());
  FTable->ReadRecord(FRecNo, Now.data());
  if (Now == FLoaded) return;
  if (!FDirty) {
    FRec = Now;
    FLoaded = Now;
    return;
  }
  for (const TFieldDesc& F : Fields())
    if (IsBlobType(F.Type) &&
        std::equal(FRec.begin() + F.Offset, FRec.begin() + F.Offset + F.Length, FLoaded.begin() + F.Offset))
      std::copy(Now.begin() + F.Offset, Now.begin() + F.Offset + F.Length, FRec.begin() + F.Offset);
}

ExprValue TCursor::FieldValue(int Index) const { return ValueOf(FRec.data(), Index, true); }

bool TCursor::StoredText(int Index, ExprStoredText& Out) const {
  return StoredTextOf(FRec.data(), Index, Out);
}

bool TCursor::StoredTextOf(const std::uint8_t* Rec, int Index, ExprStoredText& Out) const {
  if (Index < 1 || static_cast<std::size_t>(Index) > Fields().size()) return false;
  const TFieldDesc& F = Fields()[static_cast<std::size_t>(Index) - 1];
  // What FieldToExpr reads through GetFieldText: the null image, else the
  // bytes decoded in the cursor's character type.
  if (F.Type != OAK_STRING && F.Type != OAK_CISTRING) return false;
  Out.Bytes = std::string_view(reinterpret_cast<const char*>(Rec + F.Offset), F.Length);
  Out.Null = IsFieldNull(F, Rec);
  Out.Chars = FOptions.Chars;
  return true;
}

bool TCursor::StoredNumberOf(const std::uint8_t* Rec, int Index, bool& Null, double& Value) const {
  if (Index < 1 || static_cast<std::size_t>(Index) > Fields().size()) return false;
  const TFieldDesc& F = Fields()[static_cast<std::size_t>(Index) - 1];
  // What FieldToExpr gives a number field: Null for the null image, else
  // GetFieldDouble.
  switch (F.Type) {
    case OAK_INTEGER:
    case OAK_SHORTINT:
    case OAK_AUTOINC:
    case OAK_DOUBLE:
    case OAK_CURDOUBLE: break;
    default: return false;
  }
  if (ExprTypeOf(F.Type) != ExprType::Number) return false;
  Null = IsFieldNull(F, Rec);
  Value = Null ? 0 : GetFieldDouble(F, Rec);
  return true;
}

bool TCursor::StoredNumber(int Index, bool& Null, double& Value) const {
  return StoredNumberOf(FRec.data(), Index, Null, Value);
}

ExprOptions TCursor::EvalOptions() const {
  ExprOptions O;
  O.Exact = Exact;
  O.DateFormat = Settings().DateFormat;
  return O;
}

std::string TCursor::BlobValue(UNSIGNED16 N) {
  if (!IsBlobType(Field(N).Type)) Fail(E_INVALID_FIELD, Field(N).Name + " is no memo field");
  std::string Out;
  Consistently([&] {
    Sync();
    RefreshBlobRefs();
    Out = ValueOf(FRec.data(), N, true).Str;
  });
  return Out;
}

UNSIGNED32 TCursor::BlobLength(UNSIGNED16 N) {
  const TFieldDesc& F = Field(N);
  if (!IsBlobType(F.Type)) Fail(E_INVALID_FIELD, F.Name + " is no memo field");
  auto It = FPendingBlobs.find(N);
  if (It != FPendingBlobs.end()) return static_cast<UNSIGNED32>(It->second.size());
  UNSIGNED32 Block = 0, Len = 0;
  Consistently([&] {
    Sync();
    RefreshBlobRefs();
    GetBlobRef(F, FRec.data(), Block, Len);
    // Callers size buffers by this length: it must be one the file can hold.
    if (Block != 0 && FMemo) FMemo->CheckReference(Block, Len);
  });
  return Block == 0 || !FMemo ? 0 : Len;
}

bool TCursor::BlobIsEmpty(UNSIGNED16 N) const {
  auto It = FPendingBlobs.find(N);
  if (It != FPendingBlobs.end()) return It->second.empty();
  return IsFieldNull(Field(N), FRec.data());
}

// ---- filters -------------------------------------------------------------------------

void TCursor::SetFilter(const std::string& Text, bool Aof) {
  auto E = Expression::Parse(Text, *this);
  if (E->ResultType() != ExprType::Logical) Fail(E_EXPRESSION, "filter is not logical: " + Text);
  (Aof ? FAof : FFilter) = std::move(E);
  (Aof ? FAofText : FFilterText) = Text;
}

void TCursor::ClearFilter(bool Aof) {
  if (!(Aof ? FAof : FFilter)) Fail(E_NO_FILTER);
  (Aof ? FAof : FFilter).reset();
  (Aof ? FAofText : FFilterText).clear();
}

const std::string* TCursor::FilterText(bool Aof) const {
  return (Aof ? FAof : FFilter) ? &(Aof ? FAofText : FFilterText) : nullptr;
}

// ---- handles ---------------------------------------------------------------------------

TCursor& CursorOf(OAKHANDLE H) {
  THandled* O = FindHandle(H);
  if (O && O->Kind() == THandleKind::Table) return *static_cast<TCursor*>(O);
  if (O && O->Kind() == THandleKind::Index) return static_cast<TIndexOrder*>(O)->Owner();
  Fail(E_INVALID_HANDLE, "no table handle");
}

TIndexOrder* OrderOf(OAKHANDLE H) {
  THandled* O = FindHandle(H);
  if (O && O->Kind() == THandleKind::Index) return static_cast<TIndexOrder*>(O);
  if (O && O->Kind() == THandleKind::Table) return nullptr;
  Fail(E_INVALID_HANDLE, "no table or index handle");
}

TIndexOrder& IndexOf(OAKHANDLE H) {
  return *static_cast<TIndexOrder*>(LookupHandle(H, THandleKind::Index));
}

}  // namespace oak
