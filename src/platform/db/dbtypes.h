// Basic types of the dataset framework: states, field types and kinds, data
// events, record-fetch modes and results, bookmark flags, option sets, the
// native date/time buffer and the packed decimal (BCD) buffer.
//
// Option sets of the class library (TLocateOptions, TResyncMode, ...) are
// TSet<...> values: TLocateOptions{loCaseInsensitive, loPartialKey},
// Options.Contains(loPartialKey).
//
// Thread safety: plain types and pure functions; safe from any thread.
#pragma once

#include <cstdint>
#include <string>

#include "platform/rtl/datetime.h"
#include "platform/rtl/typinfo.h"

// The states of a dataset. dsOpening is the state while an asynchronous
// open is pending; this framework opens synchronously but keeps the state.
enum TDataSetState {
  dsInactive, dsBrowse, dsEdit, dsInsert, dsSetKey, dsCalcFields, dsFilter,
  dsNewValue, dsOldValue, dsCurValue, dsBlockRead, dsInternalCalc, dsOpening
};

// Field types in the class library's declared order; the position is the
// type's number (the text stream of the in-memory table writes the names of
// FieldTypeNames, which follow this order).
enum TFieldType {
  ftUnknown, ftString, ftSmallint, ftInteger, ftWord, ftBoolean, ftFloat,
  ftCurrency, ftBCD, ftDate, ftTime, ftDateTime, ftBytes, ftVarBytes,
  ftAutoInc, ftBlob, ftMemo, ftGraphic, ftFmtMemo, ftParadoxOle, ftDBaseOle,
  ftTypedBinary, ftCursor, ftFixedChar, ftWideString, ftLargeint, ftOAT,
  ftArray, ftReference, ftDataSet, ftOraBlob, ftOraClob, ftVariant,
  ftInterface, ftIDispatch, ftGuid, ftTimeStamp, ftFMTBcd
};
constexpr int FieldTypeCount = ftFMTBcd + 1;
RTL_ENUM_INFO(TFieldType, ftUnknown, ftString, ftSmallint, ftInteger, ftWord, ftBoolean, ftFloat,
              ftCurrency, ftBCD, ftDate, ftTime, ftDateTime, ftBytes, ftVarBytes, ftAutoInc,
              ftBlob, ftMemo, ftGraphic, ftFmtMemo, ftParadoxOle, ftDBaseOle, ftTypedBinary,
              ftCursor, ftFixedChar, ftWideString, ftLargeint, ftOAT, ftArray, ftReference,
              ftDataSet, ftOraBlob, ftOraClob, ftVariant, ftInterface, ftIDispatch, ftGuid,
              ftTimeStamp, ftFMTBcd)

// Names of the field types without the "ft" prefix ("Unknown", "String",
// "SmallInt", ... "Largeint", "OAT", "Array", ...), indexed by TFieldType.
extern const char* const FieldTypeNames[FieldTypeCount];

// True for the types whose value lives outside the record buffer and is
// reached through a blob stream.
bool IsBlobFieldType(TFieldType T);

enum TFieldKind { fkData, fkCalculated, fkLookup, fkInternalCalc, fkAggregate };
RTL_ENUM_INFO(TFieldKind, fkData, fkCalculated, fkLookup, fkInternalCalc, fkAggregate)
extern const char* const FieldKindNames[5];  // "Data", "Calculated", ...

// Notifications a dataset sends to its data sources and links. Info is a
// TField* (as intptr_t) for deFieldChange/deFocusControl, the scroll
// distance for deDataSetScroll, else 0.
enum TDataEvent {
  deFieldChange, deRecordChange, deDataSetChange, deDataSetScroll,
  deLayoutChange, deUpdateRecord, deUpdateState, deCheckBrowseMode,
  dePropertyChange, deFieldListChange, deFocusControl, deParentScroll,
  deConnectChange, deReconcileError, deDisabledStateChange
};

// Record fetch (TDataSet::GetRecord).
enum TGetMode { gmCurrent, gmNext, gmPrior };
enum TGetResult { grOK, grBOF, grEOF, grError };

// Where a buffered record stands: a real record, the crack before the first
// or after the last record, or a record being inserted.
enum TBookmarkFlag { bfCurrent, bfBOF, bfEOF, bfInserted };

// A bookmark: the descendant's BookmarkSize bytes; empty means none.
using TBookmark = std::string;
using TBookmarkStr = std::string;

// One record buffer as allocated by TDataSet::AllocRecordBuffer.
using TRecordBuffer = Byte*;

enum TResyncModeItem { rmExact, rmCenter };
RTL_ENUM_INFO(TResyncModeItem, rmExact, rmCenter)
using TResyncMode = TSet<TResyncModeItem>;

enum TLocateOption { loCaseInsensitive, loPartialKey };
RTL_ENUM_INFO(TLocateOption, loCaseInsensitive, loPartialKey)
using TLocateOptions = TSet<TLocateOption>;

enum TFilterOption { foCaseInsensitive, foNoPartialCompare };
RTL_ENUM_INFO(TFilterOption, foCaseInsensitive, foNoPartialCompare)
using TFilterOptions = TSet<TFilterOption>;

enum TIndexOption {
  ixPrimary, ixUnique, ixDescending, ixCaseInsensitive, ixExpression, ixNonMaintained
};
RTL_ENUM_INFO(TIndexOption, ixPrimary, ixUnique, ixDescending, ixCaseInsensitive, ixExpression,
              ixNonMaintained)
using TIndexOptions = TSet<TIndexOption>;

enum TFieldAttribute { faHiddenCol, faReadonly, faRequired, faLink, faUnNamed, faFixed };
RTL_ENUM_INFO(TFieldAttribute, faHiddenCol, faReadonly, faRequired, faLink, faUnNamed, faFixed)
using TFieldAttributes = TSet<TFieldAttribute>;

enum TBlobStreamMode { bmRead, bmWrite, bmReadWrite };
RTL_ENUM_INFO(TBlobStreamMode, bmRead, bmWrite, bmReadWrite)

// What an OnPostError/OnDeleteError/OnEditError handler asks for.
enum TDataAction { daFail, daAbort, daRetry };

// Cached-update status of a record.
enum TUpdateStatus { usUnmodified, usModified, usInserted, usDeleted };

enum TParamType { ptUnknown, ptInput, ptOutput, ptInputOutput, ptResult };
RTL_ENUM_INFO(TParamType, ptUnknown, ptInput, ptOutput, ptInputOutput, ptResult)

// The native buffer of date and time fields:
//   ftDate     Date: days since 1 January 0001, plus 1 (4 bytes);
//   ftTime     Time: milliseconds since midnight (4 bytes);
//   ftDateTime DateTime: milliseconds since 1 January 0001 minus one day,
//              i.e. Date * MSecsPerDay + Time (8-byte double).
union TDateTimeRec {
  Integer Date;
  Integer Time;
  double DateTime;
};

constexpr double MSecsPerDayF = 86400000.0;

// Converts between TDateTime and the native buffer of a field of type
// DataType (ftDate, ftTime or ftDateTime).
TDateTimeRec DateTimeToNative(TFieldType DataType, TDateTime Value);
TDateTime NativeToDateTime(TFieldType DataType, const TDateTimeRec& Data);

// Packed decimal as ftBCD fields store it (34 bytes): Precision digits in
// all, the sign in bit 7 of SignSpecialPlaces and the count of decimal
// places in its low 6 bits; Fraction holds the digits two per byte, high
// nibble first.
struct TBCD {
  Byte Precision = 0;
  Byte SignSpecialPlaces = 0;
  Byte Fraction[32] = {};
};
static_assert(sizeof(TBCD) == 34);

// Converts a value to BCD with at most Decimals places (rounded half away
// from zero) and back. Values beyond 64 digits do not occur in currency
// fields; the conversion keeps the last 64 digits.
TBCD DoubleToBCD(double Value, int Decimals = 4);
double BCDToDouble(const TBCD& Value);
