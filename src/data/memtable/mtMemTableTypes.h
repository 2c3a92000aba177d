// Basic types of the in-memory table: its exception classes and English
// messages, the option sets (performance, versioning, compare options,
// progress codes, copy options, update flags), the record statuses and the
// limits.
//
// Everything here is a plain type or a constant; the table itself is in
// mtMemTable.h, the record storage in mtMemTableStorage.h, indexes in
// mtMemTableIndex.h.
//
// Thread safety: constants and plain types; safe from any thread.
#pragma once

#include "platform/db/dbconsts.h"
#include "platform/db/dbtypes.h"
#include "platform/rtl/typinfo.h"

// ---- Exceptions ---------------------------------------------------------

// Every failure of the in-memory table; a database error of the class
// library, so callers that catch EDatabaseError see it too.
RTL_DECLARE_EXCEPTION(EMemTableError, EDatabaseError)
// The storage can not go on (bookmark counter exhausted, foreign record).
RTL_DECLARE_EXCEPTION(EMemTableFatalError, EMemTableError)
// A record pointer that is not a record of the storage.
RTL_DECLARE_EXCEPTION(EMemTableInvalidRecord, EMemTableFatalError)
// A unique index refused a key.
RTL_DECLARE_EXCEPTION(EMemTableDupKey, EMemTableError)
RTL_DECLARE_EXCEPTION(EMemTableLocaleError, EMemTableError)
// String comparison with a locale the platform does not know.
RTL_DECLARE_EXCEPTION(EMemTableInvalidLocale, EMemTableLocaleError)

// Messages (English, as the table reports them). Texts with %s / %d take
// their arguments through DbFormat (dbconsts.h).
extern const char* const mtSBookmarkCounterOutOfRange;  // "Bookmark counter is out of range. ..."
extern const char* const mtSInvalidRecord;              // "Invalid record "
extern const char* const mtSTableMustBeClosed;          // "Table must be closed for this operation."
extern const char* const mtSChildrenAttached;           // "Children are attached to this table."
extern const char* const mtSAtLeastOneField;            // "There must be at least one field"
extern const char* const mtSFieldDefPrefix;             // "Fielddef "
extern const char* const mtSDataTypeNotSupported;       // " Datatype %d not supported."
extern const char* const mtSInvalidArgument;            // "Invalid argument."
extern const char* const mtSNoFormat;                   // "No format specified."
extern const char* const mtSTableIsAttached;            // "Table is attached to another table."
extern const char* const mtSCantAttachToSelf;           // "Cant attach memorytable to it self."
extern const char* const mtSCantAttachToAttachment;     // "Cant attach to another table which ..."
extern const char* const mtSSelfReferencingMasterDetail;  // "Selfreferencing master/detail ..."
extern const char* const mtSTransactionVersioning;      // "Transactioning requires multiversion ..."
extern const char* const mtSTooManyFieldDefs;           // "Too many fielddefs. Please raise ..."
extern const char* const mtSNotInEditMode;              // "Dataset is not in edit mode."
extern const char* const mtSFieldReadOnly;              // "Field %s is read only"
extern const char* const mtSBookmarkNotFound;           // "Bookmark %d not found."
extern const char* const mtSVarArrayDimensions;         // "Values variant array has invalid ..."
extern const char* const mtSMoreFieldsThanValues;       // "More fields than values"
extern const char* const mtSRecordNotFound;             // "Record not found"
extern const char* const mtSAppendAndStructure;         // "Cannot both append and copy structure."
extern const char* const mtSInvalidLocale;              // "Invalid locale."
extern const char* const mtSDuplicateIndexValue;        // "Duplicate index value. Operation aborted."
extern const char* const mtSMissingIndexDefName;        // "Missing Name or FieldNames in IndexDef!"
extern const char* const mtSCantIndexOnField;           // "Can't index on field %s"
extern const char* const mtSDeltaHandlerNotAssigned;    // "Delta handler is not assigned to ..."
extern const char* const mtSCouldntDetermineFieldCount;  // "Couldnt determine field count for load."

// ---- Limits and fixed names -----------------------------------------------

// Most field definitions (and key fields) a table takes.
constexpr int MT_MAX_FIELDS = 286;
// The index that always exists: records in the order they were added.
constexpr const char* MT_ROWORDER_INDEX_NAME = "__MT__ROWORDER";
// Prefix of the indexes a search adds for itself (followed by the fields).
constexpr const char* MT_AUTO_INDEX_PREFIX = "__MT__AUTO_";
// The unique-id counter may not pass this value.
constexpr Integer MT_MAX_UNIQUE_RECORD_ID = 2147483600;
// The table's own version text.
constexpr const char* MT_MEMTABLE_VERSION = "5.60";
// The user default locale (language 0, sub-language 1, sort 0).
constexpr Integer MT_DEFAULT_LOCALE_ID = 1024;

// ---- Option sets ----------------------------------------------------------

// Record layout: mtpfFast keeps every non-blob field in the record;
// mtpfBalanced and mtpfSmall keep long strings and byte fields outside it
// (mtpfSmall may also compress them).
enum TmtPerformance { mtpfFast, mtpfBalanced, mtpfSmall };
RTL_ENUM_INFO(TmtPerformance, mtpfFast, mtpfBalanced, mtpfSmall)

// How many old versions an edited record keeps between checkpoints.
enum TmtVersioningMode { mtvm1SinceCheckPoint, mtvmAllSinceCheckPoint };
RTL_ENUM_INFO(TmtVersioningMode, mtvm1SinceCheckPoint, mtvmAllSinceCheckPoint)

// Status of a stored record (its status byte).
enum TmtRecordStatus : Byte { mtrsUnmodified, mtrsModified, mtrsInserted, mtrsDeleted };
RTL_ENUM_INFO(TmtRecordStatus, mtrsUnmodified, mtrsModified, mtrsInserted, mtrsDeleted)
using TmtRecordStatuses = TSet<TmtRecordStatus>;
// What an index holds unless told otherwise.
constexpr TmtRecordStatuses MT_DEFAULT_INDEX_STATUSES{mtrsUnmodified, mtrsModified, mtrsInserted};

// Compare options of one key field or of an index.
enum TmtMemTableCompareOption {
  mtcoDescending, mtcoCaseInsensitive, mtcoPartialKey, mtcoIgnoreNullKey, mtcoIgnoreLocale,
  mtcoUnique, mtcoNonMaintained
};
RTL_ENUM_INFO(TmtMemTableCompareOption, mtcoDescending, mtcoCaseInsensitive, mtcoPartialKey,
              mtcoIgnoreNullKey, mtcoIgnoreLocale, mtcoUnique, mtcoNonMaintained)
using TmtMemTableCompareOptions = TSet<TmtMemTableCompareOption>;

// Operations that report progress (OnProgress) and the code they pass.
enum TmtProgressCode {
  mtpcLoad, mtpcSave, mtpcEmpty, mtpcPack, mtpcCheckPoint, mtpcSearch, mtpcCopy, mtpcUpdate,
  mtpcSort
};
RTL_ENUM_INFO(TmtProgressCode, mtpcLoad, mtpcSave, mtpcEmpty, mtpcPack, mtpcCheckPoint,
              mtpcSearch, mtpcCopy, mtpcUpdate, mtpcSort)
using TmtProgressCodes = TSet<TmtProgressCode>;

// What the table is busy with (its work-state byte).
enum TmtWorkState : Byte { mtwsIdle, mtwsLoading, mtwsSaving, mtwsEmptying, mtwsUpdating };

// Copy options of LoadFromDataSet / SaveToDataSet (a 16-bit set; the
// numeric values are the bits).
using TmtCopyOptions = Word;
constexpr TmtCopyOptions mtcpStructure = 1;
constexpr TmtCopyOptions mtcpOnlySourceFields = 2;
constexpr TmtCopyOptions mtcpProperties = 4;
constexpr TmtCopyOptions mtcpLookupFields = 8;
constexpr TmtCopyOptions mtcpCalcFields = 16;
constexpr TmtCopyOptions mtcpAppend = 32;
constexpr TmtCopyOptions mtcpFieldOrder = 64;
constexpr TmtCopyOptions mtcpKeepIndexes = 128;
constexpr TmtCopyOptions mtcpIgnoreErrors = 256;

// Update flags of UpdateToDataSet.
using TmtUpdateFlags = Byte;
constexpr TmtUpdateFlags mtupEditExisting = 1;
constexpr TmtUpdateFlags mtupAppendMissing = 2;

// Kind passed to OnSave / OnLoad: 0 another dataset, 1 a stream, 3 a file.
constexpr Integer mtstDataSet = 0;
constexpr Integer mtstStream = 1;
constexpr Integer mtstFile = 3;

// Maps index-definition options onto compare options (unique, descending,
// case-insensitive, non-maintained).
TmtMemTableCompareOptions IndexOptionsToCompareOptions(TIndexOptions Options);
// The reverse mapping, for index definitions made from compare options.
TIndexOptions CompareOptionsToIndexOptions(TmtMemTableCompareOptions Options);
