// TOakDataSet: key entry (SetKey, EditKey, SetRangeStart ...), GotoKey and
// GotoNearest, raw keys built from key buffers, and the master-detail
// link that restricts a detail to its master's row by a range.
#include <cstring>

#include "data/oak/oakdata_filter.h"
#include "platform/rtl/charset.h"
#include "platform/rtl/sysutils.h"

namespace {

// Reaches the dataset's key-entry state for the free functions below.
struct TKeyEntry : TOakDataSet {
  static TOakKeyBuffer*& Current(TOakDataSet* D) { return D->*(&TKeyEntry::FKeyBuffer); }
  static void ChangeState(TOakDataSet* D, TDataSetState S) { (D->*(&TKeyEntry::SetState))(S); }
};

void BeginKeyEntry(TOakDataSet* D, TOakKeyIndex Index, bool Clear) {
  D->CheckBrowseMode();
  TOakKeyBuffer& B = D->KeyBuffer(Index);
  if (Clear) OakClearKeyBuffer(D, B);
  D->KeyBuffer(kiSave) = B;
  TKeyEntry::Current(D) = &B;
  TKeyEntry::ChangeState(D, dsSetKey);
  D->DataEvent(deDataSetChange, 0);
}

// The character field's text in a raw record (table characters up to the
// first NUL), without trailing blanks.
std::string RawText(const TOCEFieldDef& Def, const Byte* Raw) {
  std::size_t N = 0;
  while (N < Def.Length && Raw[N] != 0) ++N;
  while (N > 0 && Raw[N - 1] == ' ') --N;
  return std::string(reinterpret_cast<const char*>(Raw), N);
}

const TOCEFieldDef* FindDef(TOakDataSet* D, const String& Name) {
  for (auto& Def : D->OCEFieldDefs())
    if (SameText(Def.FieldName, Name)) return &Def;
  return nullptr;
}

String SegmentName(TOakDataSet* D, OAKHANDLE Order, UNSIGNED16 Segment) {
  char Name[129] = {};
  UNSIGNED16 Len = sizeof(Name);
  RaiseOakError(D, OakGetSegmentFieldname(Order, Segment, Name, &Len));
  return String(Name, std::min<std::size_t>(Len, 128));
}

// Sets one segment field of the key record from the raw value in Raw.
void SetKeySegment(TOakDataSet* D, OAKHANDLE Order, const TOCEFieldDef& Def, const Byte* Raw) {
  if (IsRawFieldNull(Def, Raw, D->TableTypeCode())) {
    RaiseOakError(D, OakSetEmpty(Order, Def.FieldNo));
  } else if (Def.IsCharacter()) {
    String Text = AnsiToUtf8(RawText(Def, Raw));
    UNSIGNED32 Code = Text.empty() ? OakSetEmpty(Order, Def.FieldNo)
                                   : OakSetField(Order, Def.FieldNo, Text.data(),
                                                 static_cast<UNSIGNED32>(Text.size()));
    RaiseOakError(D, Code);
  } else {
    RaiseOakError(D, OakSetFieldRaw(Order, Def.FieldNo, Raw, Def.Length));
  }
}

}  // namespace

// ---- Key entry ---------------------------------------------------------------------

void OakClearKeyBuffer(TOakDataSet* DataSet, TOakKeyBuffer& Buffer) {
  Buffer.Clear();
  RaiseOakError(DataSet, OakClearRecordBuffer(DataSet->TableHandle(), Buffer.Record.data(),
                                              static_cast<UNSIGNED32>(Buffer.Record.size())));
}

void OakPostKeyBuffer(TOakDataSet* DataSet, bool Commit) {
  DataSet->DataEvent(deCheckBrowseMode, 0);
  TOakKeyBuffer* B = TKeyEntry::Current(DataSet);
  if (B) {
    if (Commit) {
      B->Modified = true;
      B->FieldCount = 0;
      while (B->FieldCount < DataSet->GetNumSegments()) {
        TField* F = DataSet->GetSegmentField(B->FieldCount + 1);
        TOCEFieldDef* Def = DataSet->OCEFieldDef(F);
        if (!Def || B->KeyPart[Def->FieldNo - 1] == 0) break;
        ++B->FieldCount;
      }
    } else {
      *B = DataSet->KeyBuffer(kiSave);
    }
  }
  TKeyEntry::ChangeState(DataSet, dsBrowse);
  DataSet->DataEvent(deDataSetChange, 0);
}

void TOakDataSet::SetKey() { BeginKeyEntry(this, kiLookup, true); }
void TOakDataSet::EditKey() { BeginKeyEntry(this, kiLookup, false); }
void TOakDataSet::SetRangeStart() { BeginKeyEntry(this, kiRangeStart, true); }
void TOakDataSet::SetRangeEnd() { BeginKeyEntry(this, kiRangeEnd, true); }
void TOakDataSet::EditRangeStart() { BeginKeyEntry(this, kiRangeStart, false); }
void TOakDataSet::EditRangeEnd() { BeginKeyEntry(this, kiRangeEnd, false); }

bool TOakDataSet::KeyExclusive() const {
  return State() == dsSetKey && FKeyBuffer && FKeyBuffer->Exclusive;
}

void TOakDataSet::SetKeyExclusive(bool Value) {
  if (State() != dsSetKey || !FKeyBuffer)
    OakDatabaseError(this, OAK_ERR_STATE, "Dataset not in edit mode");
  FKeyBuffer->Exclusive = Value;
}

namespace {
// Seeks the lookup key buffer's key (hard: exact key only; soft: the
// next greater key).
bool SeekLookupKey(TOakDataSet* D, bool Hard) {
  if (D->State() == dsSetKey) OakPostKeyBuffer(D, true);
  D->CheckBrowseMode();
  std::string Key = OakBuildKeyFromBuffer(D, D->KeyBuffer(kiLookup), !Hard);
  UNSIGNED16 Found = 0;
  RaiseOakError(D, OakSeek(D->SeekHandle(), Key.data(), static_cast<UNSIGNED16>(Key.size()),
                           OAK_RAWKEY, Hard ? OAK_HARDSEEK : OAK_SOFTSEEK, &Found));
  D->CursorPosChanged();
  return Found != 0;
}
}  // namespace

bool TOakDataSet::GotoKey() {
  if (State() != dsSetKey) CheckBrowseMode();
  DoBeforeScroll();
  bool Found = SeekLookupKey(this, true);
  if (Found) {
    Resync(TResyncMode{rmExact, rmCenter});
    DoAfterScroll();
  }
  return Found;
}

void TOakDataSet::GotoNearest() {
  if (State() != dsSetKey) CheckBrowseMode();
  DoBeforeScroll();
  SeekLookupKey(this, false);
  Resync(TResyncMode{rmCenter});
  DoAfterScroll();
}

// ---- Raw keys -------------------------------------------------------------------------

std::string OakBuildKeyFromBuffer(TOakDataSet* DataSet, const TOakKeyBuffer& Buffer,
                                  bool Partial, OAKHANDLE Order) {
  if (Order == OAK_INVALID_HANDLE) Order = DataSet->SeekHandle();
  RaiseOakError(DataSet, OakInitRawKey(Order));
  UNSIGNED16 Segments = 0;
  RaiseOakError(DataSet, OakGetNumSegments(Order, &Segments));
  // Where the key bytes of the values set end, while every segment up to
  // there is a character field (whose key bytes are its characters).
  std::size_t Offset = 0, SetEnd = 0;
  bool Measurable = true;
  for (UNSIGNED16 S = 1; S <= Segments; ++S) {
    const TOCEFieldDef* Def = FindDef(DataSet, SegmentName(DataSet, Order, S));
    if (!Def) {
      Measurable = false;
      continue;
    }
    const Byte* Raw = Buffer.Record.data() + Def->Offset;
    bool Set = Def->FieldNo <= Buffer.KeyPart.size() && Buffer.KeyPart[Def->FieldNo - 1] != 0;
    if (Set) SetKeySegment(DataSet, Order, *Def, Raw);
    if (!Def->IsCharacter()) Measurable = false;
    if (Measurable && Set)
      SetEnd = Offset + (Partial ? RawText(*Def, Raw).size() : Def->Length);
    Offset += Def->Length;
  }
  UNSIGNED16 KeyLength = 0;
  RaiseOakError(DataSet, OakGetKeyLength(Order, &KeyLength));
  std::string Key(static_cast<std::size_t>(KeyLength) + 1, '\0');
  UNSIGNED16 Len = static_cast<UNSIGNED16>(Key.size());
  RaiseOakError(DataSet, OakBuildRawKey(Order, Key.data(), &Len));
  Key.resize(Len);
  if (Measurable && SetEnd > 0 && SetEnd < Key.size()) Key.resize(SetEnd);
  return Key;
}

// ---- Values into key buffers -------------------------------------------------------------

namespace {
template <class T>
void PutNative(std::vector<Byte>& Out, T Value) {
  Out.resize(sizeof(T));
  std::memcpy(Out.data(), &Value, sizeof(T));
}
}  // namespace

bool OakVariantToNative(TField* Field, const Variant& V, std::vector<Byte>& Out) {
  Out.clear();
  if (VarIsNullOrEmpty(V)) return false;
  switch (Field->DataType()) {
    case ftSmallint: PutNative<std::int16_t>(Out, static_cast<std::int16_t>(V.AsInteger())); break;
    case ftWord: PutNative<std::uint16_t>(Out, static_cast<std::uint16_t>(V.AsInteger())); break;
    case ftInteger:
    case ftAutoInc: PutNative<std::int32_t>(Out, V.AsInteger()); break;
    case ftLargeint: PutNative<std::int64_t>(Out, V.AsInt64()); break;
    case ftBoolean: PutNative<std::int16_t>(Out, V.AsBoolean() ? -1 : 0); break;
    case ftFloat:
    case ftCurrency: PutNative<double>(Out, V.AsDouble()); break;
    case ftBCD:
      PutNative<TBCD>(Out, DoubleToBCD(V.AsDouble(), Field->Size() > 0 ? Field->Size() : 4));
      break;
    case ftDate:
    case ftTime: PutNative<Integer>(Out, DateTimeToNative(Field->DataType(), VarToDateTime(V)).Date); break;
    case ftDateTime:
      PutNative<double>(Out, DateTimeToNative(ftDateTime, VarToDateTime(V)).DateTime);
      break;
    default: {
      String S = VarToStr(V);
      Out.assign(S.begin(), S.end());
      if (Field->DataType() == ftBytes) {
        Out.resize(static_cast<std::size_t>(Field->DataSize()), 0);
      } else {
        if (Field->DataSize() > 0 && Out.size() >= static_cast<std::size_t>(Field->DataSize()))
          Out.resize(static_cast<std::size_t>(Field->DataSize()) - 1);
        Out.push_back(0);
      }
    }
  }
  return true;
}

void OakPutKeyValues(TOakDataSet* DataSet, TOakKeyBuffer& Buffer,
                     const std::vector<TField*>& Fields, const Variant& V) {
  std::vector<Byte> Native;
  for (std::size_t I = 0; I < Fields.size(); ++I) {
    TField* F = Fields[I];
    TOCEFieldDef* Def = DataSet->OCEFieldDef(F);
    if (!Def) continue;
    const Variant& Value = V.IsArray() ? V[V.LowBound() + static_cast<int>(I)] : V;
    bool Has = OakVariantToNative(F, Value, Native);
    DataSet->EncodeRawField(*Def, Buffer.Record.data() + Def->Offset, F,
                            Has ? Native.data() : nullptr);
    Integer Part = 1;
    if (Has && Def->IsCharacter()) Part = std::max<Integer>(1, static_cast<Integer>(Native.size()) - 1);
    Buffer.KeyPart[Def->FieldNo - 1] = Part;
  }
  Buffer.FieldCount = static_cast<Integer>(Fields.size());
}

// ---- Master-detail link ------------------------------------------------------------------

namespace {
// Restricts the detail to the master's row: both range ends get the
// master fields' values on the active index's segments.
void ApplyMasterRange(TOakDataSet* D) {
  if (!D->Active() || D->State() == dsSetKey || !D->MasterSource()) return;
  TDataSet* Master = D->MasterSource()->DataSet();
  if (!Master || !Master->Active() || D->MasterFields().empty()) return;
  D->CheckBrowseMode();
  std::vector<TField*> MasterList, Segments;
  Master->GetFieldList(MasterList, D->MasterFields());
  std::vector<Variant> Values;
  for (std::size_t I = 0; I < MasterList.size(); ++I) {
    TField* Seg = D->GetSegmentField(static_cast<Integer>(I) + 1);
    if (!Seg) break;
    Segments.push_back(Seg);
    Values.push_back(MasterList[I]->Value());
  }
  for (TOakKeyIndex K : {kiRangeStart, kiRangeEnd}) {
    OakClearKeyBuffer(D, D->KeyBuffer(K));
    OakPutKeyValues(D, D->KeyBuffer(K), Segments, VarArrayOf(Values));
  }
  D->ApplyRange();
}

// A master row change re-applies the range; a master that closes or loses
// its fields lifts it.
void HookMasterLink(TOakDataSet* D, TMasterDataLink& Link) {
  if (Link.OnMasterChange) return;
  Link.OnMasterChange = [D](TObject*) { ApplyMasterRange(D); };
  Link.OnMasterDisable = [D](TObject*) {
    if (D->Active() && !D->Scoped()) D->CancelRange();
  };
}
}  // namespace

bool OakLeadsBackTo(TDataSource* Source, TDataSet* DataSet) {
  TDataSet* D = Source ? Source->DataSet() : nullptr;
  for (int Depth = 0; D && Depth < 100; ++Depth) {
    if (D == DataSet) return true;
    D = D->DataSource() ? D->DataSource()->DataSet() : nullptr;
  }
  return false;
}

void TOakDataSet::SetMasterSource(TDataSource* Value) {
  if (OakLeadsBackTo(Value, this)) DatabaseError(SCircularDataLink, this);
  HookMasterLink(this, *FMasterLink);
  FMasterLink->SetDataSource(Value);
}

void TOakDataSet::SetMasterFields(const String& Value) {
  HookMasterLink(this, *FMasterLink);
  FMasterLink->SetFieldNames(Value);
}
