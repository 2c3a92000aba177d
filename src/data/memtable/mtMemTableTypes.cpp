// Exception classes, messages and option mappings of the in-memory table.
#include "data/memtable/mtMemTableTypes.h"

RTL_IMPLEMENT_CLASS(EMemTableError, EDatabaseError, nullptr)
RTL_IMPLEMENT_CLASS(EMemTableFatalError, EMemTableError, nullptr)
RTL_IMPLEMENT_CLASS(EMemTableInvalidRecord, EMemTableFatalError, nullptr)
RTL_IMPLEMENT_CLASS(EMemTableDupKey, EMemTableError, nullptr)
RTL_IMPLEMENT_CLASS(EMemTableLocaleError, EMemTableError, nullptr)
RTL_IMPLEMENT_CLASS(EMemTableInvalidLocale, EMemTableLocaleError, nullptr)

const char* const mtSBookmarkCounterOutOfRange =
    "Bookmark counter is out of range. Please close and reopen table.";
const char* const mtSInvalidRecord = "Invalid record ";
const char* const mtSTableMustBeClosed = "Table must be closed for this operation.";
const char* const mtSChildrenAttached = "Children are attached to this table.";
const char* const mtSAtLeastOneField = "There must be at least one field";
const char* const mtSFieldDefPrefix = "Fielddef ";
const char* const mtSDataTypeNotSupported = " Datatype %d not supported.";
const char* const mtSInvalidArgument = "Invalid argument.";
const char* const mtSNoFormat = "No format specified.";
const char* const mtSTableIsAttached = "Table is attached to another table.";
const char* const mtSCantAttachToSelf = "Cant attach memorytable to it self.";
const char* const mtSCantAttachToAttachment =
    "Cant attach to another table which itself is an attachment.";
const char* const mtSSelfReferencingMasterDetail =
    "Selfreferencing master/detail relations not allowed.";
const char* const mtSTransactionVersioning = "Transactioning requires multiversion versioning.";
const char* const mtSTooManyFieldDefs = "Too many fielddefs. Please raise MT_MAX_FIELDS value.";
const char* const mtSNotInEditMode = "Dataset is not in edit mode.";
const char* const mtSFieldReadOnly = "Field %s is read only";
const char* const mtSBookmarkNotFound = "Bookmark %d not found.";
const char* const mtSVarArrayDimensions = "Values variant array has invalid dimension count";
const char* const mtSMoreFieldsThanValues = "More fields than values";
const char* const mtSRecordNotFound = "Record not found";
const char* const mtSAppendAndStructure = "Cannot both append and copy structure.";
const char* const mtSInvalidLocale = "Invalid locale.";
const char* const mtSDuplicateIndexValue = "Duplicate index value. Operation aborted.";
const char* const mtSMissingIndexDefName = "Missing Name or FieldNames in IndexDef!";
const char* const mtSCantIndexOnField = "Can't index on field %s";
const char* const mtSDeltaHandlerNotAssigned =
    "Delta handler is not assigned to any memorytables.";
const char* const mtSCouldntDetermineFieldCount = "Couldnt determine field count for load.";

TmtMemTableCompareOptions IndexOptionsToCompareOptions(TIndexOptions Options) {
  TmtMemTableCompareOptions R;
  if (Options.Contains(ixUnique)) R.Include(mtcoUnique);
  if (Options.Contains(ixDescending)) R.Include(mtcoDescending);
  if (Options.Contains(ixCaseInsensitive)) R.Include(mtcoCaseInsensitive);
  if (Options.Contains(ixNonMaintained)) R.Include(mtcoNonMaintained);
  return R;
}

TIndexOptions CompareOptionsToIndexOptions(TmtMemTableCompareOptions Options) {
  TIndexOptions R;
  if (Options.Contains(mtcoUnique)) R.Include(ixUnique);
  if (Options.Contains(mtcoDescending)) R.Include(ixDescending);
  if (Options.Contains(mtcoCaseInsensitive)) R.Include(ixCaseInsensitive);
  if (Options.Contains(mtcoNonMaintained)) R.Include(ixNonMaintained);
  return R;
}
