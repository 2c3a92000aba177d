// Comparison of field values and records of the in-memory table, and the
// parsing of key field lists.
#include <algorithm>
#include <cstring>

#include "data/memtable/mtMemTable.h"
#include "platform/rtl/charset.h"
#include "platform/rtl/sysutils.h"

namespace {

Integer Sign(Int64 V) { return V < 0 ? -1 : (V > 0 ? 1 : 0); }

template <class T>
T ReadValue(const Byte* P) {
  T V;
  std::memcpy(&V, P, sizeof(T));
  return V;
}

template <class T>
Integer CompareNumbers(const Byte* A, const Byte* B) {
  T X = ReadValue<T>(A), Y = ReadValue<T>(B);
  return X < Y ? -1 : (Y < X ? 1 : 0);
}

bool IsStringType(TFieldType T) {
  return T == ftString || T == ftFixedChar || T == ftWideString;
}

// Whether the field's value in Data is null.
bool ValueIsNull(const Byte* Data, const TmtFieldLayout& L) {
  if (L.Offset >= 0) return Data[L.Offset] == 0;
  return Data[L.OutOffset] == 0;
}

// The text of a string field's value in Data.
String TextOf(const Byte* Data, const TmtFieldLayout& L) {
  if (L.Offset >= 0) {
    const char* P = reinterpret_cast<const char*>(Data + L.Offset + 1);
    return String(P, strnlen(P, static_cast<size_t>(L.ValueSize)));
  }
  const Byte* Block = mtGetSlotBlock(Data + L.OutOffset);
  if (!Block) return String();
  return String(reinterpret_cast<const char*>(mtHeapBlockData(Block)),
                static_cast<size_t>(mtHeapBlockLength(Block)));
}

TmtMemTableCompareOptions FieldOptions(TmtMemTableCompareOptions O) {
  TmtMemTableCompareOptions R;
  for (TmtMemTableCompareOption X : {mtcoDescending, mtcoCaseInsensitive, mtcoPartialKey,
                                      mtcoIgnoreNullKey, mtcoIgnoreLocale})
    if (O.Contains(X)) R.Include(X);
  return R;
}

}  // namespace

// ---- Strings ---------------------------------------------------------------

Integer mtCompareBytes(const String& A, const String& B, bool CaseInsensitive) {
  int R = CaseInsensitive ? AnsiUpperCase(A).compare(AnsiUpperCase(B)) : A.compare(B);
  return R < 0 ? -1 : (R > 0 ? 1 : 0);
}

bool mtIsValidLocale(Integer LocaleID) {
  if (LocaleID < 0 || (LocaleID >> 20) != 0) return false;
  Integer Sort = (LocaleID >> 16) & 0xF, Lang = LocaleID & 0x3FF, Sub = (LocaleID >> 10) & 0x3F;
  if (Sort > 1) return false;
  // Neutral, user default and system default; otherwise a known primary
  // language with a sub-language.
  if (Lang == 0) return Sub <= 2;
  return Lang <= 0x5F && Sub >= 1 && Sub <= 0x14;
}

Integer mtCompareLocale(Integer LocaleID, const String& A, const String& B, bool CaseInsensitive) {
  Integer R = 0;
  if (mtIsValidLocale(LocaleID))
    R = CompareStringA(static_cast<Cardinal>(LocaleID), CaseInsensitive ? NORM_IGNORECASE : 0,
                       A.c_str(), static_cast<Integer>(A.size()), B.c_str(),
                       static_cast<Integer>(B.size()));
  if (R == 0) throw EMemTableInvalidLocale(mtSInvalidLocale);
  return R - CSTR_EQUAL;
}

// ---- Values and records ------------------------------------------------------

Integer mtCompareFieldValues(const TmtCommon& Common, const TmtFieldLayout& L, const Byte* A,
                             const Byte* B, TmtMemTableCompareOptions Options, bool& Full) {
  Full = true;
  Integer R = 0;
  if (IsStringType(L.DataType)) {
    String SA = TextOf(A, L), SB = TextOf(B, L);
    if (Options.Contains(mtcoPartialKey)) {
      Integer LA = Utf8CharCount(SA);
      if (Utf8CharCount(SB) > LA) SB.resize(Utf8ByteOffset(SB, LA));
      Full = SA.size() == SB.size();
    }
    bool CI = Options.Contains(mtcoCaseInsensitive);
    if (Options.Contains(mtcoIgnoreLocale))
      R = L.DataType == ftWideString ? mtCompareLocale(MT_DEFAULT_LOCALE_ID, SA, SB, CI)
                                     : mtCompareBytes(SA, SB, CI);
    else
      R = mtCompareLocale(Common.LocaleID(), SA, SB, CI);
  } else if (L.Offset >= 0) {
    const Byte* PA = A + L.Offset + 1;
    const Byte* PB = B + L.Offset + 1;
    switch (L.DataType) {
      case ftSmallint: R = CompareNumbers<int16_t>(PA, PB); break;
      case ftInteger: case ftAutoInc: case ftDate: case ftTime:
        R = CompareNumbers<int32_t>(PA, PB);
        break;
      case ftWord: R = CompareNumbers<uint16_t>(PA, PB); break;
      case ftBoolean: R = Sign(Integer(ReadValue<uint16_t>(PA) != 0) - Integer(ReadValue<uint16_t>(PB) != 0)); break;
      case ftFloat: case ftCurrency: case ftDateTime: R = CompareNumbers<double>(PA, PB); break;
      case ftLargeint: R = CompareNumbers<int64_t>(PA, PB); break;
      default: break;
    }
  }
  return Options.Contains(mtcoDescending) ? -R : R;
}

Integer mtCompareRecords(const TmtCommon& Common, const TmtFieldList& Fields, const Byte* A,
                         Integer IdA, const Byte* B, Integer IdB, Integer Count,
                         const TmtCompareFlags& Flags) {
  Integer N = Count < 0 || Count > Fields.Count() ? Fields.Count() : Count;
  TmtCustomMemTable* Owner = Common.Owner();
  for (Integer I = 0; I < N; ++I) {
    TField* F = Fields.Fields(I);
    const TmtFieldLayout* L = F ? Common.FieldLayout(F->FieldNo()) : nullptr;
    if (!L) continue;
    TmtMemTableCompareOptions O = Fields.Options(I);
    if (Flags.NoDescending) O.Exclude(mtcoDescending);
    if (Flags.PartialKey) O.Include(mtcoPartialKey);
    bool NullA = ValueIsNull(A, *L), NullB = ValueIsNull(B, *L);
    if (NullA && (O.Contains(mtcoIgnoreNullKey) || Flags.IgnoreNullKeys)) continue;
    Integer R;
    if (NullA || NullB) {
      R = NullA == NullB ? 0 : (NullA ? -1 : 1);
      if (O.Contains(mtcoDescending)) R = -R;
    } else if (Owner && Owner->OnCompareFields && L->Offset >= 0) {
      bool Handled = false, Full;
      R = 0;
      Owner->OnCompareFields(Owner, F, A + L->Offset + 1, B + L->Offset + 1, O, R, Handled);
      if (!Handled) R = mtCompareFieldValues(Common, *L, A, B, O, Full);
    } else {
      bool Full;
      R = mtCompareFieldValues(Common, *L, A, B, O, Full);
    }
    if (R != 0) return R;
  }
  if (!Flags.UniqueOrder) return 0;
  Integer R = Sign(Int64(IdA) - Int64(IdB));
  if (N > 0 && !Flags.NoDescending && Fields.Options(0).Contains(mtcoDescending)) R = -R;
  return R;
}

// ---- Sorting with keys made once ---------------------------------------------------

namespace {

// A key field as the keyed sort sees it.
struct TKeyField {
  const TmtFieldLayout* Layout;
  TmtMemTableCompareOptions Options;
  bool Keyed;       // a string compared by the locale: through its sort key
  Cardinal Flags;   // the collation flags of the sort key
};

// A record with the sort key of its first key field when that is keyed;
// the keys lie one after the other in one block, so that comparisons read
// little scattered memory.
struct TKeyedRecord {
  TmtRecord* Record;
  const char* FirstKey;
  std::uint32_t FirstLength;
  bool FirstNull;
};

Integer CompareKeys(const TKeyedRecord& A, const TKeyedRecord& B) {
  const int R = std::memcmp(A.FirstKey, B.FirstKey, std::min(A.FirstLength, B.FirstLength));
  if (R != 0) return Sign(R);
  return A.FirstLength == B.FirstLength ? 0 : (A.FirstLength < B.FirstLength ? -1 : 1);
}

// mtCompareRecords with unique order: the first field through its sort
// key when it is keyed, the others as mtCompareRecords compares them.
Integer CompareKeyed(const TmtCommon& Common, const std::vector<TKeyField>& Fields, const TKeyedRecord& A,
                     const TKeyedRecord& B) {
  for (std::size_t I = 0; I < Fields.size(); ++I) {
    const TKeyField& F = Fields[I];
    if (!F.Layout) continue;
    const bool First = I == 0 && F.Keyed;
    // The records' data only when needed: reaching it costs a cache miss.
    const Byte* DA = First ? nullptr : A.Record->Data;
    const Byte* DB = First ? nullptr : B.Record->Data;
    const bool NullA = First ? A.FirstNull : ValueIsNull(DA, *F.Layout);
    const bool NullB = First ? B.FirstNull : ValueIsNull(DB, *F.Layout);
    if (NullA && F.Options.Contains(mtcoIgnoreNullKey)) continue;
    Integer R;
    if (NullA || NullB) {
      R = NullA == NullB ? 0 : (NullA ? -1 : 1);
      if (F.Options.Contains(mtcoDescending)) R = -R;
    } else if (First) {
      R = CompareKeys(A, B);
      if (F.Options.Contains(mtcoDescending)) R = -R;
    } else {
      bool Full;
      R = mtCompareFieldValues(Common, *F.Layout, DA, DB, F.Options, Full);
    }
    if (R != 0) return R;
  }
  Integer R = Sign(Int64(A.Record->RecordID) - Int64(B.Record->RecordID));
  if (!Fields.empty() && Fields[0].Options.Contains(mtcoDescending)) R = -R;
  return R;
}

}  // namespace

bool mtSortRecordsByKeys(const TmtCommon& Common, const TmtFieldList& Fields, std::vector<void*>& Items) {
  TmtCustomMemTable* Owner = Common.Owner();
  if ((Owner && Owner->OnCompareFields) || !mtIsValidLocale(Common.LocaleID())) return false;
  std::vector<TKeyField> Keys;
  for (Integer I = 0; I < Fields.Count(); ++I) {
    TField* F = Fields.Fields(I);
    const TmtFieldLayout* L = F ? Common.FieldLayout(F->FieldNo()) : nullptr;
    const TmtMemTableCompareOptions O = Fields.Options(I);
    if (O.Contains(mtcoPartialKey)) return false;
    const bool Keyed = L && IsStringType(L->DataType) && !O.Contains(mtcoIgnoreLocale);
    Keys.push_back({L, O, Keyed, O.Contains(mtcoCaseInsensitive) ? NORM_IGNORECASE : Cardinal(0)});
  }
  std::vector<TKeyedRecord> Records(Items.size());
  std::string Block;  // every first key, one after the other
  std::vector<std::size_t> Starts(Items.size(), 0);
  for (std::size_t R = 0; R < Items.size(); ++R) {
    TKeyedRecord& K = Records[R];
    K.Record = static_cast<TmtRecord*>(Items[R]);
    K.FirstLength = 0;
    K.FirstNull = false;
    if (Keys.empty() || !Keys[0].Keyed) continue;
    K.FirstNull = ValueIsNull(K.Record->Data, *Keys[0].Layout);
    if (K.FirstNull) continue;
    Starts[R] = Block.size();
    AppendLocaleSortKey(Block, Keys[0].Flags, TextOf(K.Record->Data, *Keys[0].Layout));
    K.FirstLength = static_cast<std::uint32_t>(Block.size() - Starts[R]);
  }
  for (std::size_t R = 0; R < Items.size(); ++R) Records[R].FirstKey = Block.data() + Starts[R];
  // The order is total (ties go by record id), so a merge sort gives the
  // same result as any other sort, and it cannot degrade on patterned
  // input as a quicksort can.
  std::stable_sort(Records.begin(), Records.end(), [&](const TKeyedRecord& A, const TKeyedRecord& B) {
    return CompareKeyed(Common, Keys, A, B) < 0;
  });
  for (std::size_t R = 0; R < Items.size(); ++R) Items[R] = Records[R].Record;
  return true;
}

// ---- Field lists ---------------------------------------------------------------

bool mtIsIndexableType(TFieldType T) {
  switch (T) {
    case ftString: case ftSmallint: case ftInteger: case ftWord: case ftBoolean: case ftFloat:
    case ftCurrency: case ftBCD: case ftDate: case ftTime: case ftDateTime: case ftAutoInc:
    case ftFixedChar: case ftWideString: case ftLargeint: case ftOAT: case ftArray:
      return true;
    default:
      return false;
  }
}

void mtBuildFieldList(TmtCustomMemTable* Table, TDataSet* Over, TmtFieldList& List,
                      const String& FieldNames, TmtMemTableCompareOptions ExtraOptions) {
  List.Clear();
  TmtMemTableCompareOptions Extra = FieldOptions(ExtraOptions);
  for (const String& Item : SplitFieldNames(FieldNames)) {
    String Name = Item, Letters;
    size_t Colon = Item.find(':');
    if (Colon != String::npos) {
      Name = Trim(Item.substr(0, Colon));
      Letters = AnsiUpperCase(Item.substr(Colon + 1));
    }
    TField* F = Over->FieldByName(Name);
    if (F->FieldKind() == fkAggregate || !mtIsIndexableType(F->DataType()))
      DatabaseErrorFmt(mtSCantIndexOnField, F->DisplayName());
    if (F->FieldKind() == fkCalculated && Table) Table->SetRecalcOnIndex(true);
    TmtMemTableCompareOptions O = Extra;
    for (char C : Letters) {
      switch (C) {
        case 'C': O.Include(mtcoCaseInsensitive); break;
        case 'D': O.Include(mtcoDescending); break;
        case 'N': O.Include(mtcoIgnoreNullKey); break;
        case 'P': O.Include(mtcoPartialKey); break;
        case 'L': O.Include(mtcoIgnoreLocale); break;
        default: break;
      }
    }
    List.Add(F, O);
  }
}
