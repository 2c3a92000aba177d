// Engine result codes, their English texts, the per-thread last error and
// the one conversion from an internal failure to a result code.
//
// Inside the engine a failure is an EEngineError (expr_error.h) carrying a
// code and a text; every entry point runs its body through OakCall, which turns
// the exception into the returned code and stores it as the thread's last
// error. Codes the dataset layer relies on keep their published numbers.
//
// Thread safety: the last error is thread-local; the text table is constant.
#pragma once

#include <string>

#include "platform/engine/expr_error.h"
#include "platform/engine/oak.h"

namespace oak {

enum Code : UNSIGNED32 {
  E_INTERNAL = 5000,           // unexpected engine state
  E_FILE_NOT_FOUND = 5002,     // table, memo, index or folder missing
  E_NOT_SUPPORTED = 5004,      // operation this engine does not offer
  E_BUFFER_TOO_SMALL = 5005,   // output buffer too small
  E_IO = 5006,                 // read or write of a file failed
  E_CORRUPT_TABLE = 5010,      // .OAT header or size inconsistent
  E_CORRUPT_MEMO = 5011,       // .OAM block chain broken
  E_INVALID_FIELD = 5012,      // no such field name or number
  E_BAD_VALUE = 5013,          // value does not fit or parse for the field
  E_EXPRESSION = 5014,         // expression does not parse or evaluate
  E_INVALID_OPTION = 5016,     // option value out of range
  E_NOT_CUSTOM = 5017,         // index is not custom
  E_INVALID_HANDLE = 5018,     // handle unknown or of the wrong kind
  E_INVALID_BOOKMARK = 5022,   // bookmark names no record
  E_NOT_CONNECTED = 5024,      // connection handle not connected
  E_NOT_EXCLUSIVE = 5026,      // needs an exclusive open or table lock
  E_RECORD_NOT_LOCKED = 5027,  // unlock of a record not locked
  E_DUPLICATE_KEY = 5030,      // unique index already holds the key
  E_LOCKED = 5035,             // locked by another user
  E_READ_ONLY = 5036,          // table opened read only
  E_NO_FILTER = 5037,          // no filter or AOF set
  E_NO_SCOPE = 5038,           // no scope set
  E_NO_KEY_POSITION = 5041,    // no position in an empty order
  E_INDEX_NOT_FOUND = 5044,    // no tag of that name
  E_KEY_TOO_LONG = 5045,       // key longer than the tag's key
  E_BAD_TABLE_DEFINITION = 5046,  // field definitions do not parse
  E_NO_MORE_TABLES = 5059,     // end of a table list
  E_NO_CURRENT_RECORD = 5068,  // no current record
  E_RECORD_CHANGED = 5075,     // the record changed on the disk since it was read
  E_TABLE_EXISTS = 5069,       // create of an existing file
  E_NO_PENDING_UPDATE = 5085,  // cancel without changes
  E_TRANSACTION = 5095,        // transaction state does not allow this
  E_STATEMENT_NOT_OPEN = 5106,  // statement handle not open
  E_NO_ROW_COUNT = 5117,       // statement changed no rows
  E_NOT_IN_DICTIONARY = 5132,  // table not in the data dictionary
  E_NO_MORE_OBJECTS = 5137,    // end of a dictionary object list
  E_PROPERTY_NOT_SET = 5138,   // dictionary property not set
  E_REPLACEMENT = 5190,        // pending replacement of the folder's tables cannot be completed
  E_SQL = 7200,                // SQL statement failed
};

// English text of a code; "Unknown error" for codes of nobody's.
std::string ErrorText(UNSIGNED32 Code);

// The refusal of a transaction journal an open does not apply (5095):
// JournalRefusal is its detail, "journal <path> is not applied and stays
// in place: <why>"; RefusedJournalPath finds the journal's path again in
// a last-error text holding that detail ("" in any other text).
std::string JournalRefusal(const std::string& JournalPath, const std::string& Why);
std::string RefusedJournalPath(const std::string& Text);

// Why a journal was left where it lies.
enum class TJournalCause {
  // The journal, or a file it names, is not what a journal of this engine
  // may write back (a link, a file with other names, a path outside its
  // folder, entries that do not fit, a file replaced since): somebody has
  // to look at it before it is removed.
  Form,
  // A file it must restore is held by another program (opened
  // exclusively): it is applied by the first open after that program
  // closed the file.
  Held,
  // A file it names was replaced since its transaction began (a copy put
  // back): that file was left as it is, the others restored, and the
  // journal set aside under the path given, where it is no longer applied.
  Replaced,
};
struct TRefusedJournal {
  std::string Path;  // the journal, whole (empty: no journal refused)
  TJournalCause Cause = TJournalCause::Form;
  // Held: the file another program holds; Replaced: the (first) file put
  // back; empty otherwise.
  std::string File;
};
// The refusal as raised: a 5095 whose text is JournalRefusal(Path, Why).
class EJournalRefused : public EEngineError {
  RTL_DECLARE_CLASS(EJournalRefused)
 public:
  EJournalRefused(TRefusedJournal What, const std::string& Why);
  TRefusedJournal Refused;
};
// The journal that the calling thread's last error refused: set when an
// EJournalRefused is stored as the last error, emptied by any other error
// stored (and by OakSetLastError). The path is whole, whatever its length;
// the last-error text a caller reads may be cut by its buffer.
TRefusedJournal LastRefusedJournal();

// Inside the engine a failure is an EEngineError (expr_error.h): the code
// the entry point returns and the text of the last error.

// Raises EEngineError with the code's text, plus Detail after ": " when given.
[[noreturn]] void Fail(UNSIGNED32 Code, const std::string& Detail = std::string());

// Stores the last error of the calling thread.
void SetLastError(UNSIGNED32 Code, const std::string& Text);
// Clears it (code 0, empty text).
void ClearLastError();
// Stores E as the last error, an EEngineError with its code, any other
// exception as E_INTERNAL, and returns the code. For entry points and for
// destructors, which must not raise.
UNSIGNED32 StoreLastError(const std::exception& E);

// Runs the body of an entry point: returns 0 on success; an EEngineError
// becomes its code, any other exception E_INTERNAL; either is stored as the
// last error. Takes the engine lock for the duration.
template <class F>
UNSIGNED32 Call(F&& Body);

// Copies Text into an output buffer of *Len bytes, with a terminating zero
// when there is room for it, and sets *Len to the text's length. A text
// longer than the buffer raises E_BUFFER_TOO_SMALL after filling what fits.
void PutText(const std::string& Text, char* Buf, UNSIGNED16* Len);
void PutText32(const std::string& Text, char* Buf, UNSIGNED32* Len);
// Raises E_INVALID_OPTION when a required out-parameter is null.
template <class T>
T& Out(T* P) {
  if (!P) Fail(E_INVALID_OPTION, "missing output parameter");
  return *P;
}

// The engine's one lock (recursive).
void LockEngine();
void UnlockEngine();

template <class F>
UNSIGNED32 Call(F&& Body) {
  LockEngine();
  UNSIGNED32 Result = 0;
  try {
    Body();
  } catch (const std::exception& E) {
    Result = StoreLastError(E);
  }
  UnlockEngine();
  return Result;
}

}  // namespace oak
