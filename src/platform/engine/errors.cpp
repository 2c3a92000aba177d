// Result codes, texts and the per-thread last error of the engine.
#include "platform/engine/errors.h"

#include <cstdio>
#include <cstring>
#include <map>
#include <mutex>

namespace oak {

namespace {

const std::map<UNSIGNED32, const char*>& Texts() {
  static const std::map<UNSIGNED32, const char*> T = {
      {E_INTERNAL, "Internal engine error"},
      {E_FILE_NOT_FOUND, "The file or folder was not found"},
      {E_NOT_SUPPORTED, "The operation is not supported by this engine"},
      {E_BUFFER_TOO_SMALL, "The buffer is too small for the value"},
      {E_IO, "A read or write of a file failed"},
      {E_CORRUPT_TABLE, "The table file is corrupt"},
      {E_CORRUPT_MEMO, "The memo file is corrupt"},
      {E_INVALID_FIELD, "The field name or number is not valid"},
      {E_BAD_VALUE, "The value is not valid for the field"},
      {E_EXPRESSION, "The expression is not valid"},
      {E_INVALID_OPTION, "An option or argument is not valid"},
      {E_NOT_CUSTOM, "The index is not a custom index"},
      {E_INVALID_HANDLE, "The handle is not valid"},
      {E_INVALID_BOOKMARK, "The bookmark is not valid"},
      {E_NOT_CONNECTED, "The connection is not valid"},
      {E_NOT_EXCLUSIVE, "The table must be opened exclusively or locked"},
      {E_RECORD_NOT_LOCKED, "The record is not locked"},
      {E_DUPLICATE_KEY, "The key already exists in a unique index"},
      {E_LOCKED, "The record or table is locked by another user"},
      {E_READ_ONLY, "The table is opened read only"},
      {E_NO_FILTER, "No filter is set"},
      {E_NO_SCOPE, "No scope is set"},
      {E_NO_KEY_POSITION, "The index order has no key position"},
      {E_INDEX_NOT_FOUND, "The index tag was not found"},
      {E_KEY_TOO_LONG, "The key is longer than the index key"},
      {E_BAD_TABLE_DEFINITION, "The field definitions are not valid"},
      {E_NO_MORE_TABLES, "No more tables"},
      {E_NO_CURRENT_RECORD, "There is no current record"},
      {E_RECORD_CHANGED, "The record was changed by another program since it was read"},
      {E_TABLE_EXISTS, "The table file already exists"},
      {E_NO_PENDING_UPDATE, "There is no pending update"},
      {E_TRANSACTION, "The transaction state does not allow the operation"},
      {E_STATEMENT_NOT_OPEN, "The SQL statement is not open"},
      {E_NO_ROW_COUNT, "The statement changed no rows"},
      {E_NOT_IN_DICTIONARY, "The table is not in the data dictionary"},
      {E_NO_MORE_OBJECTS, "No more objects"},
      {E_PROPERTY_NOT_SET, "The property is not set"},
      {E_REPLACEMENT, "A pending replacement of the folder's tables cannot be completed"},
      {E_SQL, "Error 7200: the SQL statement failed"},
      // Codes of the expression language and the index files (expr_error.h).
      {kExprSyntax, "Expression syntax error"},
      {kExprUnknownField, "Unknown field in expression"},
      {kExprUnknownFunction, "Unknown function in expression"},
      {kExprTypeMismatch, "Type mismatch in expression"},
      {kExprArgCount, "Wrong number of function arguments"},
      {kExprNotLogical, "The expression is not logical"},
      {kExprTooComplex, "The expression is too complex"},
      {kExprDivByZero, "Division by zero"},
      {kExprKeyLength, "Key length exceeded"},
      {kExprRange, "Value out of range"},
      {kExprBadSeekKey, "The seek key does not fit the index"},
      {kIndexCorrupt, "The index file is corrupt"},
      {kIndexBadMagic, "The file is not an index file"},
      {kIndexTagNotFound, "The index tag was not found"},
      {kIndexTagExists, "The index tag already exists"},
      {kIndexKeyTooLong, "The key is too long for the index page size"},
      {kIndexDirectoryFull, "Too many index tags"},
      {kIndexIOError, "A read or write of the index file failed"},
      {kIndexBadTag, "The index tag definition is not valid"},
      {kIndexReadOnly, "The index file is read only"},
  };
  return T;
}

struct TLastError {
  UNSIGNED32 Code = 0;
  std::string Text;
  TRefusedJournal Refused;  // of the last error, when it refused a journal
};
thread_local TLastError GLast;

std::recursive_mutex& EngineMutex() {
  static std::recursive_mutex M;
  return M;
}

}  // namespace

std::string ErrorText(UNSIGNED32 Code) {
  auto It = Texts().find(Code);
  return It == Texts().end() ? std::string("Unknown error") : std::string(It->second);
}

void Fail(UNSIGNED32 Code, const std::string& Detail) {
  std::string Text = ErrorText(Code);
  if (!Detail.empty()) Text += ": " + Detail;
  throw EEngineError(Code, Text);
}

void SetLastError(UNSIGNED32 Code, const std::string& Text) {
  GLast.Code = Code;
  GLast.Text = Text;
  GLast.Refused = TRefusedJournal();
}

void ClearLastError() { SetLastError(0, std::string()); }

namespace {
const char kRefusedHead[] = "journal ";
const char kRefusedTail[] = " is not applied and stays in place: ";
}  // namespace

std::string JournalRefusal(const std::string& JournalPath, const std::string& Why) {
  return kRefusedHead + JournalPath + kRefusedTail + Why;
}

std::string RefusedJournalPath(const std::string& Text) {
  const std::string Head = kRefusedHead;
  const size_t Start = Text.find(Head), End = Text.find(kRefusedTail);
  if (Start == std::string::npos || End == std::string::npos || Start + Head.size() >= End) return std::string();
  return Text.substr(Start + Head.size(), End - Start - Head.size());
}

RTL_IMPLEMENT_CLASS(EJournalRefused, EEngineError, nullptr)

EJournalRefused::EJournalRefused(TRefusedJournal What, const std::string& Why)
    : EEngineError(E_TRANSACTION, ErrorText(E_TRANSACTION) + ": " + JournalRefusal(What.Path, Why)),
      Refused(std::move(What)) {}

TRefusedJournal LastRefusedJournal() { return GLast.Refused; }

UNSIGNED32 StoreLastError(const std::exception& E) {
  if (auto* Engine = dynamic_cast<const EEngineError*>(&E)) {
    SetLastError(Engine->Code, Engine->Message());
    if (auto* Refusal = dynamic_cast<const EJournalRefused*>(&E)) GLast.Refused = Refusal->Refused;
    return Engine->Code;
  }
  SetLastError(E_INTERNAL, ErrorText(E_INTERNAL) + ": " + E.what());
  return E_INTERNAL;
}

void PutText32(const std::string& Text, char* Buf, UNSIGNED32* Len) {
  if (!Len) Fail(E_INVALID_OPTION, "missing length parameter");
  UNSIGNED32 Size = *Len;
  *Len = static_cast<UNSIGNED32>(Text.size());
  if (!Buf) {
    if (Size < Text.size()) Fail(E_BUFFER_TOO_SMALL);
    return;
  }
  size_t N = std::min<size_t>(Text.size(), Size);
  std::memcpy(Buf, Text.data(), N);
  if (N < Size) Buf[N] = 0;
  if (Text.size() > Size) Fail(E_BUFFER_TOO_SMALL);
}

void PutText(const std::string& Text, char* Buf, UNSIGNED16* Len) {
  if (!Len) Fail(E_INVALID_OPTION, "missing length parameter");
  UNSIGNED32 L = *Len;
  try {
    PutText32(Text, Buf, &L);
  } catch (...) {
    *Len = static_cast<UNSIGNED16>(std::min<UNSIGNED32>(L, 0xFFFF));
    throw;
  }
  *Len = static_cast<UNSIGNED16>(L);
}

void LockEngine() { EngineMutex().lock(); }
void UnlockEngine() { EngineMutex().unlock(); }

}  // namespace oak

using namespace oak;

extern "C" {

UNSIGNED32 OakGetLastError(UNSIGNED32* pulError, char* pucBuf, UNSIGNED16* pusBufLen) {
  // Reading the last error must not overwrite it, so no Call() here.
  if (pulError) *pulError = GLast.Code;
  if (!pusBufLen) return 0;
  std::string Text = GLast.Text;
  try {
    PutText(Text, pucBuf, pusBufLen);
  } catch (const EEngineError& E) {
    return E.Code;
  }
  return 0;
}

UNSIGNED32 OakGetErrorString(UNSIGNED32 ulErrCode, char* pucBuf, UNSIGNED16* pusBufLen) {
  return Call([&] { PutText(ErrorText(ulErrCode), pucBuf, pusBufLen); });
}

UNSIGNED32 OakSetLastError(UNSIGNED32 ulErrCode, const char* pucDetails) {
  SetLastError(ulErrCode, pucDetails ? pucDetails : "");
  return 0;
}

UNSIGNED32 OakShowError(const char* pucTitle) {
  std::fprintf(stderr, "%s: %u %s\n", pucTitle ? pucTitle : "Oak Error", GLast.Code,
               GLast.Text.c_str());
  return 0;
}

}  // extern "C"
