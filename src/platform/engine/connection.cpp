// Connections, engine settings and the handle table.
#include "platform/engine/connection.h"

#include <chrono>
#include <map>

#include "platform/engine/cursor.h"
#include "platform/engine/errors.h"
#include "platform/engine/locks.h"
#include "platform/engine/sql.h"
#include "platform/os/fileapi.h"

namespace oak {

namespace {

struct THandleTable {
  std::map<OAKHANDLE, THandled*> Objects;
  OAKHANDLE Next = 1;
  // The handles found last, one slot per low bits of the handle: every
  // engine call looks its handle up, a walk over a few tables mostly the
  // same handles. A slot is emptied when its handle is unregistered.
  struct TSlot {
    OAKHANDLE Handle = OAK_INVALID_HANDLE;
    THandled* Object = nullptr;
  };
  static constexpr std::size_t kSlots = 16;
  TSlot Recent[kSlots];
  TSlot& SlotOf(OAKHANDLE H) { return Recent[H % kSlots]; }
};

THandleTable& Handles() {
  static THandleTable T;
  return T;
}

bool EndsWithOad(const std::string& Path) {
  if (Path.size() < 4) return false;
  std::string Tail = Path.substr(Path.size() - 4);
  for (char& C : Tail) C = static_cast<char>(std::toupper(static_cast<unsigned char>(C)));
  return Tail == ".OAD";
}

// Paths written with backslashes, as the original platform wrote them, work too.
std::string ForwardSlashes(std::string Path) {
  for (char& C : Path)
    if (C == '\\') C = '/';
  return Path;
}

bool IsFolder(const std::string& Path) { return ::DirectoryExists(Path); }

}  // namespace

TEngineSettings& Settings() {
  static TEngineSettings S;
  return S;
}

OAKHANDLE RegisterHandle(THandled* Obj) {
  THandleTable& T = Handles();
  OAKHANDLE H = T.Next++;
  if (T.Next == OAK_INVALID_HANDLE) T.Next = 1;
  T.Objects[H] = Obj;
  T.SlotOf(H) = {H, Obj};
  Obj->Handle = H;
  return H;
}

void UnregisterHandle(OAKHANDLE H) {
  THandleTable& T = Handles();
  T.Objects.erase(H);
  if (T.SlotOf(H).Handle == H) T.SlotOf(H) = {};
}

THandled* FindHandle(OAKHANDLE H) {
  THandleTable& T = Handles();
  THandleTable::TSlot& Slot = T.SlotOf(H);
  if (Slot.Handle == H && H != OAK_INVALID_HANDLE) return Slot.Object;
  auto It = T.Objects.find(H);
  if (It == T.Objects.end()) return nullptr;
  Slot = {H, It->second};
  return It->second;
}

THandled* LookupHandle(OAKHANDLE H, THandleKind K) {
  THandled* O = FindHandle(H);
  if (!O || O->Kind() != K) Fail(E_INVALID_HANDLE, "handle " + std::to_string(H));
  return O;
}

size_t CountHandles(THandleKind K) {
  size_t N = 0;
  for (auto& [H, O] : Handles().Objects) N += O->Kind() == K;
  return N;
}

std::vector<THandled*> HandlesOf(THandleKind K) {
  std::vector<THandled*> Out;
  for (auto& [H, O] : Handles().Objects)
    if (O->Kind() == K) Out.push_back(O);
  return Out;
}

TConnection& ConnectionOf(OAKHANDLE H) {
  THandled* O = FindHandle(H);
  if (!O || O->Kind() != THandleKind::Connection) Fail(E_NOT_CONNECTED);
  return *static_cast<TConnection*>(O);
}

TConnection::TConnection(const std::string& APath, UNSIGNED16 ServerTypes)
    : FConnectPath(APath) {
  std::string Path = ForwardSlashes(APath);
  FConnectPath = Path;
  FDictionary = EndsWithOad(Path);
  std::string Folder = Path;
  if (FDictionary) {
    size_t Slash = Path.find_last_of('/');
    Folder = Slash == std::string::npos ? "." : Path.substr(0, Slash);
  }
  while (Folder.size() > 1 && Folder.back() == '/') Folder.pop_back();
  FDataPath = os::ResolvePath(Folder.empty() ? std::string(".") : Folder);
  if (!IsFolder(FDataPath)) Fail(E_FILE_NOT_FOUND, Folder);
  if (FDictionary) {
    os::File F;
    os::Status S = F.Open(Path, os::Access::Read, os::Share::DenyNone);
    if (!S.ok()) Fail(E_FILE_NOT_FOUND, Path);
  }
  FType = (ServerTypes & OAK_LOCAL_SERVER) || ServerTypes == 0 ? OAK_CONNECTION_LOCAL
                                                               : OAK_CONNECTION_REMOTE;
  Handle = RegisterHandle(this);
}

TConnection::~TConnection() {
  // Nothing may escape a destructor: a failed close or rollback is the
  // thread's last error (and a rollback's journal stays for the next open).
  try {
    if (FJournal) Rollback();
  } catch (const std::exception& E) {
    StoreLastError(E);
  }
  try {
    CloseAll();
  } catch (const std::exception& E) {
    StoreLastError(E);
  }
  UnregisterHandle(Handle);
}

std::string TConnection::TablePath(const std::string& Name) const {
  std::string Given = ForwardSlashes(Name);
  std::string Path = Given.find('/') == std::string::npos ? FDataPath + "/" + Given : Given;
  size_t Slash = Path.find_last_of('/');
  size_t Dot = Path.find_last_of('.');
  if (Dot == std::string::npos || Dot < Slash) Path += ".OAT";
  return Path;
}

void TConnection::CloseAll() {
  while (!FStatements.empty()) delete *FStatements.begin();
  while (!FCursors.empty()) delete *FCursors.begin();
}

void TConnection::ReleaseHolds(TCursor* Self, const std::string& Path) {
  for (TCursor* C : FCursors)
    if (C != Self && C->Table().Path() == Path) C->FlushTxnBatch();
}

void TConnection::HoldTable(TCursor& C) {
  const std::string& Path = C.Table().Path();
  if (FHeld.count(Path)) return;
  TLockSet& Locks = C.Locks();
  const auto Deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kLockWaitMs);
  for (;;) {
    Locks.BeginWrite();
    // Looked at under W: a table lock taken later waits for W to go.
    try {
      Locks.RequireNoTableLockOfOther();
    } catch (...) {
      Locks.EndWrite();
      throw;
    }
    if (C.Writable(C.Table().State())) break;
    // A dead program's marker or odd sequence: settled without W, then
    // W is taken again.
    Locks.EndWrite();
    C.SettleDead();
    if (std::chrono::steady_clock::now() > Deadline)
      Fail(E_LOCKED, Path + " (left by a program that died; it is being settled)");
  }
  try {
    FJournal->MarkTable(C.Table());
  } catch (...) {
    Locks.EndWrite();
    throw;
  }
  FHeld[Path] = &Locks;
}

void TConnection::EndHolds() {
  for (auto& [Path, Locks] : FHeld) Locks->EndWrite();
  FHeld.clear();
  std::vector<TCursor*> Closed;
  for (TCursor* C : FCursors)
    if (C->ClosedInTransaction()) Closed.push_back(C);
  for (TCursor* C : Closed) delete C;
}

void TConnection::BeginTransaction() {
  if (FJournal) Fail(E_TRANSACTION, "a transaction is active already");
  // A table left by a program that died is settled before this
  // transaction reads it for its changes.
  for (TCursor* C : FCursors)
    if (C->JoinsTransactions()) C->SettleDead();
  FJournal = std::make_unique<TTxnJournal>();
  for (TCursor* C : FCursors) C->SetJournal(C->JoinsTransactions() ? FJournal.get() : nullptr);
}

void TConnection::Commit() {
  if (!FJournal) Fail(E_TRANSACTION, "no transaction is active");
  if (!FSpoiled.empty())
    Fail(E_TRANSACTION, "the transaction can only be rolled back: a write in it failed half way (" + FSpoiled + ")");
  for (TCursor* C : FCursors) C->Write();
  // The write phase: readers of the tables wait from here to the end.
  FJournal->BeginWritePhase();
  for (TCursor* C : FCursors) C->FlushTxnBatch();
  FJournal->Commit();
  for (TCursor* C : FCursors) C->FinishCuts();
  FJournal->EndWritePhase();
  // The write locks go only now: nobody writes a table whose journal a
  // death could still apply.
  for (TCursor* C : FCursors) C->SetJournal(nullptr);
  EndHolds();
  FJournal.reset();
}

void TConnection::Rollback() {
  if (!FJournal) Fail(E_TRANSACTION, "no transaction is active");
  FSpoiled.clear();
  for (TCursor* C : FCursors) {
    C->Cancel();
    C->DropTxnBatch();
  }
  // The files are written back while the transaction still holds their
  // write locks; a restore that fails leaves the journal for the next open.
  std::exception_ptr Failure;
  try {
    FJournal->Rollback();
  } catch (...) {
    Failure = std::current_exception();
  }
  for (TCursor* C : FCursors) C->SetJournal(nullptr);
  EndHolds();
  FJournal.reset();
  for (TCursor* C : FCursors) {
    try {
      C->AfterRollback();
    } catch (...) {
      if (!Failure) Failure = std::current_exception();
    }
  }
  if (Failure) std::rethrow_exception(Failure);
}

}  // namespace oak
