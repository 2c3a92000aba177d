// The database layer's exceptions and the check that follows every engine
// call.
//
// Every Oak* entry point answers a 32-bit code, 0 for success. The layer
// checks each answer: RaiseOakError turns a non-zero code into
// EOAKDatabaseError carrying that code and the engine's last error text;
// CheckOakResult does the same but lets 5068 (no current record) pass, as
// the direct table operations want. The codes that a particular call
// absorbs are absorbed at the call itself, not here.
//
// OakError, OakSettingsError and OakConnectionError carry a message only;
// they report failures of the settings and connection components.
//
// The layer's own failures carry one of the codes below with an English
// text (OAK_ERR_STATE 5121 for wrong states and missing properties ...).
//
// Thread safety: the "building" flag that keeps an error raised while
// another is being assembled from raising again is thread-local; the
// classes themselves are plain values.
#pragma once

#include "platform/db/dbconsts.h"
#include "platform/engine/errors.h"
#include "platform/engine/oak.h"

class TOakDataSet;

// Codes the layer raises itself.
constexpr Integer OAK_ERR_STATE = 5121;        // wrong state or missing property
constexpr Integer OAK_ERR_PERMISSION = 5054;   // update or insert not granted
constexpr Integer OAK_ERR_STATIC_VIEW = 5064;  // record lock refused on a static view
constexpr Integer OAK_ERR_CHANGED = 5186;      // optimistic change check failed
constexpr Integer OAK_ERR_PARAM_TYPE = 7209;   // query parameter of an unusable type

// Engine codes that individual calls absorb.
constexpr UNSIGNED32 OAK_NO_CURRENT_RECORD = 5068;
constexpr UNSIGNED32 OAK_INVALID_BOOKMARK = 5022;
constexpr UNSIGNED32 OAK_LOCKED = 5035;
constexpr UNSIGNED32 OAK_NOT_IN_DICTIONARY = 5132;
constexpr UNSIGNED32 OAK_NO_PENDING_UPDATE = 5085;
constexpr UNSIGNED32 OAK_NO_FILTER = 5037;
constexpr UNSIGNED32 OAK_NO_SCOPE = 5038;
constexpr UNSIGNED32 OAK_BUFFER_TOO_SMALL = 5005;
constexpr UNSIGNED32 OAK_NOT_CUSTOM = 5017;
constexpr UNSIGNED32 OAK_NO_KEY_POSITION = 5041;
constexpr UNSIGNED32 OAK_STATEMENT_NOT_OPEN = 5106;
constexpr UNSIGNED32 OAK_NO_ROW_COUNT = 5117;
constexpr UNSIGNED32 OAK_NOT_CONNECTED = 5024;
constexpr UNSIGNED32 OAK_PROPERTY_NOT_SET = 5138;
constexpr UNSIGNED32 OAK_NO_MORE_OBJECTS = 5137;
constexpr UNSIGNED32 OAK_NO_MORE_TABLES = 5059;

// Size of the buffers the engine's error texts are read into.
constexpr UNSIGNED16 OAK_ERROR_TEXT_SIZE = 600;

// An engine failure outside a dataset (settings and connection).
class OakError : public Exception {
  RTL_DECLARE_CLASS(OakError)
 public:
  using Exception::Exception;
  // The engine's text for Code (OakGetErrorString). When that read fails
  // the engine's own message routine is called with the caption
  // "Oak Exception Error" and the message stays empty.
  static OakError FromCode(UNSIGNED32 Code);
  // The engine's last error text of this thread (OakGetLastError), with the
  // same fallback.
  static OakError FromLastError();
};

// A value the settings component refuses.
RTL_DECLARE_EXCEPTION(OakSettingsError, Exception)
// Misuse of the connection component.
RTL_DECLARE_EXCEPTION(OakConnectionError, Exception)

// Every failure of a dataset (table, query, blob stream), and the engine
// failures of connecting, statements and lists without a dataset.
class EOAKDatabaseError : public EDatabaseError {
  RTL_DECLARE_CLASS(EOAKDatabaseError)
 public:
  // Gathers the dataset's names (DataSet may be null) and the server's
  // native error out of Message, and builds the message "Name: text" (the
  // text alone when the dataset has no name). While another error of this
  // thread is being built the fields stay empty and the message is the
  // text alone.
  EOAKDatabaseError(TOakDataSet* DataSet, Integer Code, const String& Message);
  EOAKDatabaseError(const EOAKDatabaseError& E);
  // Clears the thread's building flag.
  ~EOAKDatabaseError() override;

  Integer ErrorCode = 0;
  Integer NativeError = 0;
  String DataSetName;
  String OwnerName;
  String DatabaseName;
  String DataPath;
  String TableName;
  String ColumnName;  // only for the SQL codes 5147, 5148 and 5149
  // The transaction journal that the failing call refused to apply (code
  // 5095), its path whole and its cause, as the engine knew it when the
  // call failed; Path is empty for any other failure. Set only by
  // LastEngineError: the message holds the same path only as far as the
  // engine's text fits its buffer.
  oak::TRefusedJournal RefusedJournal;
};

// The exception for the non-zero Code that the engine call just made
// answered: its text and the journal it refused are the calling thread's
// last error, both read here before any other engine call can replace
// them. Call it directly after the failing call, on the same thread.
EOAKDatabaseError LastEngineError(TOakDataSet* DataSet, UNSIGNED32 Code);

// Returns at once for Code 0. Otherwise raises LastEngineError (DataSet,
// Code): EOAKDatabaseError (DataSet, Code, the engine's last error text);
// when an error of this thread is being built already, returns without
// raising.
void RaiseOakError(TOakDataSet* DataSet, UNSIGNED32 Code);
// As RaiseOakError, but 5068 (no current record) is absorbed.
void CheckOakResult(TOakDataSet* DataSet, UNSIGNED32 Code);
// Stores Text as the engine's last error under Code and raises it through
// RaiseOakError, so that the engine and the exception agree.
[[noreturn]] void RaiseOakLayerError(TOakDataSet* DataSet, Integer Code, const String& Text);
// Raises EOAKDatabaseError (DataSet, Code, Text) directly.
[[noreturn]] void OakDatabaseError(TOakDataSet* DataSet, Integer Code, const String& Text);

// The engine's last error text of this thread (600-character buffer).
String OakLastErrorText();
