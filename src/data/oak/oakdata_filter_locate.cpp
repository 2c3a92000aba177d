// TOakDataSet: Locate and Lookup. Both seek on an index whose first
// segments are exactly the key fields when one qualifies, and otherwise
// run a temporary engine filter built from the key values
// (BuildFilterString). The key values travel in the lookup key buffer.
#include <algorithm>
#include <cstring>

#include "data/oak/oakdata_filter.h"
#include "platform/engine/bookmark.h"
#include "platform/rtl/sysutils.h"

namespace {

// Reaches the dataset's temporary states for the lookup key buffer.
struct TLookupAccess : TOakDataSet {
  static TOakKeyBuffer*& Current(TOakDataSet* D) { return D->*(&TLookupAccess::FKeyBuffer); }
  static TDataSetState Enter(TOakDataSet* D, TDataSetState S) {
    return (D->*(&TLookupAccess::SetTempState))(S);
  }
  static void Leave(TOakDataSet* D, TDataSetState S) { (D->*(&TLookupAccess::RestoreState))(S); }
};

// While alive, field access addresses Buffer (the key-entry state).
class TKeyBufferScope {
 public:
  TKeyBufferScope(TOakDataSet* D, TOakKeyBuffer& Buffer)
      : FD(D), FOldBuffer(TLookupAccess::Current(D)) {
    TLookupAccess::Current(D) = &Buffer;
    FOldState = TLookupAccess::Enter(D, dsSetKey);
  }
  ~TKeyBufferScope() {
    TLookupAccess::Leave(FD, FOldState);
    TLookupAccess::Current(FD) = FOldBuffer;
  }

 private:
  TOakDataSet* FD;
  TOakKeyBuffer* FOldBuffer;
  TDataSetState FOldState = dsBrowse;
};

// ---- Choosing an index ----------------------------------------------------------

bool HasCondition(TOakDataSet* D, OAKHANDLE Index) {
  char Buf[10];
  UNSIGNED16 Len = sizeof(Buf);
  UNSIGNED32 Code = OakGetIndexCondition(Index, Buf, &Len);
  if (Code == OAK_BUFFER_TOO_SMALL) return true;
  RaiseOakError(D, Code);
  return Len > 0;
}

bool EngineFlag(TOakDataSet* D, UNSIGNED32 (*Fn)(OAKHANDLE, UNSIGNED16*), OAKHANDLE H,
                UNSIGNED32 MeansFalse = OAK_SUCCESS) {
  UNSIGNED16 Flag = 0;
  UNSIGNED32 Code = Fn(H, &Flag);
  if (MeansFalse != OAK_SUCCESS && Code == MeansFalse) return false;
  RaiseOakError(D, Code);
  return Flag != 0;
}

// An index may serve a search when it restricts nothing (no scope, no
// condition) and holds every record's key (not unique, except on OAT
// tables; not custom).
bool Qualifies(TOakDataSet* D, OAKHANDLE Index) {
  if (OakIndexHasScope(D, Index) || HasCondition(D, Index)) return false;
  if (D->TableTypeCode() != OAK_OAT && EngineFlag(D, OakIsIndexUnique, Index)) return false;
  return !EngineFlag(D, OakIsIndexCustom, Index, OAK_NOT_CUSTOM);
}

// Whether the index's first segments are exactly Fields, in any order.
bool Matches(TOakDataSet* D, OAKHANDLE Index, const std::vector<TField*>& Fields) {
  UNSIGNED16 Segments = 0;
  RaiseOakError(D, OakGetNumSegments(Index, &Segments));
  if (Segments < Fields.size()) return false;
  std::vector<bool> Used(Fields.size(), false);
  for (UNSIGNED16 S = 1; S <= Fields.size(); ++S) {
    char Name[129] = {};
    UNSIGNED16 Len = sizeof(Name);
    RaiseOakError(D, OakGetSegmentFieldname(Index, S, Name, &Len));
    bool Hit = false;
    for (std::size_t I = 0; I < Fields.size() && !Hit; ++I)
      if (!Used[I] && SameText(Fields[I]->FieldName(), String(Name, Len))) Used[I] = Hit = true;
    if (!Hit) return false;
  }
  return true;
}

// The index to seek on: the active one when it serves, else the first of
// the table's that does; OAK_INVALID_HANDLE when none.
OAKHANDLE ChooseIndex(TOakDataSet* D, const std::vector<TField*>& Fields) {
  if (Fields.empty() || Fields.size() > 100) return OAK_INVALID_HANDLE;
  auto Serves = [&](OAKHANDLE H) { return Matches(D, H, Fields) && Qualifies(D, H); };
  if (D->HasActiveIndex() && Serves(D->OrderHandle())) return D->OrderHandle();
  UNSIGNED16 Count = 0;
  RaiseOakError(D, OakGetNumIndexes(D->TableHandle(), &Count));
  std::vector<OAKHANDLE> All(Count, OAK_INVALID_HANDLE);
  RaiseOakError(D, OakGetAllIndexes(D->TableHandle(), All.data(), &Count));
  for (UNSIGNED16 I = 0; I < Count; ++I)
    if (Serves(All[I])) return All[I];
  return OAK_INVALID_HANDLE;
}

// ---- Searching ------------------------------------------------------------------------

bool SeekKey(TOakDataSet* D, OAKHANDLE Index, bool Partial) {
  std::string Key = OakBuildKeyFromBuffer(D, D->KeyBuffer(kiLookup), Partial, Index);
  UNSIGNED16 Found = 0;
  RaiseOakError(D, OakSeek(Index, Key.data(), static_cast<UNSIGNED16>(Key.size()), OAK_RAWKEY,
                           OAK_SOFTSEEK, &Found));
  return Found != 0;
}

// Whether the engine keeps a filter of that kind (asked without buffer).
bool FilterSet(TOakDataSet* D, UNSIGNED32 (*Get)(OAKHANDLE, char*, UNSIGNED16*)) {
  UNSIGNED16 Len = 0;
  UNSIGNED32 Code = Get(D->TableHandle(), nullptr, &Len);
  if (Code == OAK_NO_FILTER) return false;
  if (Code == OAK_BUFFER_TOO_SMALL) return true;
  RaiseOakError(D, Code);
  return true;
}

bool AtEOF(TOakDataSet* D) { return EngineFlag(D, OakAtEOF, D->TableHandle()); }

// Walks the order from its top until Expression holds (both an AOF and a
// filter of the dataset's own are set, so nothing can be added).
bool ScanForExpression(TOakDataSet* D, const String& Expression) {
  OAKHANDLE Order = D->OrderHandle();
  RaiseOakError(D, OakGotoTop(Order));
  while (!AtEOF(D)) {
    UNSIGNED16 Hit = 0;
    RaiseOakError(D, OakEvalLogicalExpr(Order, Expression.c_str(), &Hit));
    if (Hit) return true;
    RaiseOakError(D, OakSkip(Order, 1));
  }
  return false;
}

bool FilterSearch(TOakDataSet* D, const String& Expression, bool Partial) {
  OAKHANDLE T = D->TableHandle();
  bool HasAOF = FilterSet(D, OakGetAOF), HasFilter = FilterSet(D, OakGetFilter);
  UNSIGNED16 OldExact = 1;
  RaiseOakError(D, OakGetExact22(T, &OldExact));
  RaiseOakError(D, OakSetExact22(T, Partial ? 0 : 1));
  bool Found = false;
  try {
    if (HasAOF && HasFilter) {
      Found = ScanForExpression(D, Expression);
    } else {
      RaiseOakError(D, HasAOF ? OakSetFilter(T, Expression.c_str())
                              : OakSetAOF(T, Expression.c_str(), OAK_AOF_DYNAMIC));
      RaiseOakError(D, OakGotoTop(D->OrderHandle()));
      Found = !AtEOF(D);
    }
  } catch (...) {
    OakSetExact22(T, OldExact);
    if (!(HasAOF && HasFilter)) HasAOF ? OakClearFilter(T) : OakClearAOF(T);
    throw;
  }
  RaiseOakError(D, OakSetExact22(T, OldExact));
  if (!(HasAOF && HasFilter)) {
    UNSIGNED32 Code = HasAOF ? OakClearFilter(T) : OakClearAOF(T);
    if (Code != OAK_NO_FILTER) RaiseOakError(D, Code);
  }
  return Found;
}

// Puts the engine back on record Mark (0: none to return to).
void ReturnTo(TOakDataSet* D, UNSIGNED32 Mark) {
  if (Mark == 0) return;
  Byte Bookmark[OAK_BOOKMARK_LENGTH];
  WriteOakBookmark(Bookmark, Mark);
  UNSIGNED32 Code = OakGotoBookmark(D->TableHandle(), Bookmark, sizeof Bookmark);
  if (Code != OAK_INVALID_BOOKMARK) RaiseOakError(D, Code);
}

// The search of Locate and Lookup. Leaves the engine on the found record,
// or back where it stood; Mark receives that position.
bool LocateRecord(TOakDataSet* D, const String& KeyFields, const Variant& KeyValues,
                  TLocateOptions Options, UNSIGNED32& Mark) {
  D->CheckBrowseMode();
  D->SyncCursor();
  UNSIGNED32 Code = OakGetBookmark(D->TableHandle(), &Mark);
  if (Code == OAK_NO_CURRENT_RECORD)
    Mark = 0;  // an empty dataset: nothing to return to
  else
    RaiseOakError(D, Code);
  std::vector<TField*> Fields;
  D->GetFieldList(Fields, KeyFields);
  TOakKeyBuffer& Lookup = D->KeyBuffer(kiLookup);
  OakClearKeyBuffer(D, Lookup);
  OakPutKeyValues(D, Lookup, Fields, KeyValues);
  bool CaseInsensitive = Options.Contains(loCaseInsensitive);
  bool Partial = Options.Contains(loPartialKey);
  OAKHANDLE Index = CaseInsensitive ? OAK_INVALID_HANDLE : ChooseIndex(D, Fields);
  bool Found;
  if (Index != OAK_INVALID_HANDLE) {
    Found = SeekKey(D, Index, Partial);
  } else {
    String Expression;
    {
      TKeyBufferScope Scope(D, Lookup);
      Expression = D->BuildFilterString(Fields, CaseInsensitive, !Partial);
    }
    Found = FilterSearch(D, Expression, Partial);
  }
  D->CursorPosChanged();
  if (!Found) ReturnTo(D, Mark);
  return Found;
}

}  // namespace

bool TOakDataSet::Locate(const String& KeyFields, const Variant& KeyValues,
                         TLocateOptions Options) {
  DoBeforeScroll();
  UNSIGNED32 Mark = 0;
  bool Found = LocateRecord(this, KeyFields, KeyValues, Options, Mark);
  if (Found) {
    Resync(TResyncMode{rmExact, rmCenter});
    DoAfterScroll();
  }
  return Found;
}

Variant TOakDataSet::Lookup(const String& KeyFields, const Variant& KeyValues,
                            const String& ResultFields) {
  UNSIGNED32 Mark = 0;
  if (!LocateRecord(this, KeyFields, KeyValues, TLocateOptions{}, Mark)) return Null();
  // The found row is read into a scratch buffer and its fields read from
  // there; then the engine goes back to where the dataset stands.
  TOakKeyBuffer Row = FKeyBuffers[kiSave];
  UNSIGNED32 Len = FRawRecordLength;
  RaiseOakError(this, OakGetRecord(FTableHandle, Row.Record.data(), &Len));
  Variant Result;
  {
    TKeyBufferScope Scope(this, Row);
    Result = FieldValues(ResultFields);
  }
  ReturnTo(this, Mark);
  CursorPosChanged();
  return Result;
}
