// TmtCustomMemTable: reading and writing field values in the record that
// the state selects, blob streams and copying field properties.
#include <algorithm>
#include <cstring>

#include "data/memtable/mtMemTable.h"
#include "platform/db/fieldkinds.h"

RTL_IMPLEMENT_CLASS(TmtBlobStream, TMemoryStream, nullptr)

namespace {

bool IsTextType(TFieldType T) { return T == ftString || T == ftFixedChar || T == ftWideString; }

bool IsCalcKind(const TField* F) {
  return F->FieldKind() == fkCalculated || F->FieldKind() == fkLookup;
}

}  // namespace

// ---- The record under access ------------------------------------------------

Byte* TmtCustomMemTable::FieldAccessData() const {
  if (FOverrideRecord) return FOverrideRecord->Data;
  switch (State()) {
    case dsSetKey:
      return FKeyBuffer;
    case dsOldValue: {
      TRecordBuffer B = ActiveBuffer();
      if (!B) return nullptr;
      TmtRecord* R = Info(B)->Record;
      if (!R || FCommon->RecordAt(Info(B)->RecordID) != R) return nullptr;
      while (R->PrevRecordVersion) R = R->PrevRecordVersion;
      return R->Data;
    }
    default:
      return GetActiveRecordBuffer();
  }
}

// ---- Reading ------------------------------------------------------------------

bool TmtCustomMemTable::GetFieldData(TField* Field, void* Buffer) const {
  if (IsCalcKind(Field)) {
    TRecordBuffer B = FOverrideRecord ? nullptr : GetActiveRecordBuffer();
    return B ? GetCalcData(CalcArea(B), Field, Buffer) : false;
  }
  const TmtFieldLayout* L = FCommon->FieldLayout(Field->FieldNo());
  const Byte* Data = FieldAccessData();
  if (!L || !Data) return false;
  if (L->Offset >= 0) {
    if (Data[L->Offset] == 0) return false;
    if (Buffer)
      std::memcpy(Buffer, Data + L->Offset + 1,
                  static_cast<size_t>(std::min(L->ValueSize, Field->DataSize())));
    return true;
  }
  const Byte* Slot = Data + L->OutOffset;
  if (Slot[0] == 0) return false;
  if (!Buffer || Field->DataSize() == 0) return true;
  const Byte* Block = mtGetSlotBlock(Slot);
  String Value(reinterpret_cast<const char*>(mtHeapBlockData(Block)),
               static_cast<size_t>(mtHeapBlockLength(Block)));
  if ((L->Flags & mtlfCompressed) && OnDecompressField) {
    String Plain;
    OnDecompressField(const_cast<TmtCustomMemTable*>(this), Field, Value, Plain);
    Value = Plain;
  }
  auto Size = static_cast<size_t>(Field->DataSize());
  std::memset(Buffer, 0, Size);
  std::memcpy(Buffer, Value.data(), std::min(Value.size(), IsTextType(L->DataType) ? Size - 1 : Size));
  return true;
}

// ---- Writing --------------------------------------------------------------------

void TmtCustomMemTable::SetFieldData(TField* Field, const void* Buffer) {
  TDataSetState S = State();
  switch (S) {
    case dsEdit: case dsInsert: case dsSetKey: case dsCalcFields: case dsFilter:
    case dsNewValue: case dsInternalCalc:
      break;
    default:
      if (!FOverrideRecord) DatabaseError(mtSNotInEditMode);
  }
  if ((FReadOnly || Field->ReadOnly()) && S != dsSetKey && S != dsCalcFields && !FLoading &&
      !FOverrideRecord)
    DatabaseErrorFmt(mtSFieldReadOnly, Field->DisplayName());
  if (S != dsSetKey &&
      (Field->FieldKind() == fkData || Field->FieldKind() == fkCalculated ||
       Field->FieldKind() == fkInternalCalc))
    Field->Validate(Buffer);
  if (IsCalcKind(Field)) {
    TRecordBuffer B = GetActiveRecordBuffer();
    if (B) SetCalcData(CalcArea(B), Field, Buffer);
  } else {
    const TmtFieldLayout* L = FCommon->FieldLayout(Field->FieldNo());
    Byte* Data = FieldAccessData();
    if (!L || !Data) DatabaseError(mtSNotInEditMode);
    if (L->Offset >= 0) {
      Data[L->Offset] = Buffer ? 2 : 0;
      if (Buffer)
        std::memcpy(Data + L->Offset + 1, Buffer,
                    static_cast<size_t>(std::min(L->ValueSize, Field->DataSize())));
      else
        std::memset(Data + L->Offset + 1, 0, static_cast<size_t>(L->ValueSize));
    } else if (Field->DataSize() > 0) {
      Byte* Slot = Data + L->OutOffset;
      mtFreeHeapBlock(mtGetSlotBlock(Slot));
      mtSetSlotBlock(Slot, nullptr);
      Slot[0] = 0;
      if (Buffer) {
        const char* P = static_cast<const char*>(Buffer);
        auto Size = static_cast<size_t>(Field->DataSize());
        String Value(P, IsTextType(L->DataType) ? strnlen(P, Size) : Size);
        if ((L->Flags & mtlfCompressed) && OnCompressField) {
          String Packed;
          OnCompressField(this, Field, Value, Packed);
          Value = Packed;
        }
        mtSetSlotBlock(Slot, mtAllocHeapBlock(Value.data(), static_cast<Integer>(Value.size())));
        Slot[0] = 2;
      }
    }
  }
  if (S != dsCalcFields && S != dsFilter && S != dsNewValue && S != dsSetKey && !FOverrideRecord)
    DataEvent(deFieldChange, reinterpret_cast<intptr_t>(Field));
}

bool TmtCustomMemTable::GetIsIndexField(const TField* Field) const {
  return FIndexFieldList->IndexOf(Field) >= 0;
}

TUpdateStatus TmtCustomMemTable::UpdateStatus() {
  if (State() == dsInsert) return usInserted;
  TRecordBuffer B = ActiveBuffer();
  if (!Active() || IsEmpty() || !B) return usUnmodified;
  const TmtBufferInfo* I = Info(B);
  if (!I->Record || FCommon->RecordAt(I->RecordID) != I->Record) return usUnmodified;
  switch (I->Record->Status) {
    case mtrsModified: return usModified;
    case mtrsInserted: return usInserted;
    case mtrsDeleted: return usDeleted;
    default: return usUnmodified;
  }
}

// ---- Blob streams ------------------------------------------------------------

std::unique_ptr<TStream> TmtCustomMemTable::CreateBlobStream(TField* Field, TBlobStreamMode Mode) {
  return std::make_unique<TmtBlobStream>(this, Field, Mode);
}

TmtBlobStream::TmtBlobStream(TmtCustomMemTable* Table, TField* Field, TBlobStreamMode Mode)
    : FTable(Table), FField(Field), FMode(Mode) {
  if (Mode != bmRead && !Table->IsLoading()) {
    if (Field->ReadOnly() || Table->ReadOnly())
      DatabaseErrorFmt(mtSFieldReadOnly, Field->DisplayName());
    if (Table->State() != dsEdit && Table->State() != dsInsert && !Table->OverrideRecord())
      DatabaseError(mtSNotInEditMode);
  }
  TmtCommonLock Lock(Table->Common());
  const TmtFieldLayout* L = Table->Common().FieldLayout(Field->FieldNo());
  Byte* Data = Table->FieldAccessData();
  if (!L || L->OutOffset < 0 || !Data) return;
  Byte* Slot = Data + L->OutOffset;
  if (Mode == bmWrite) {
    mtFreeHeapBlock(mtGetSlotBlock(Slot));
    mtSetSlotBlock(Slot, nullptr);
    Slot[0] = 0;
    FModified = true;
    return;
  }
  const Byte* Block = Slot[0] ? mtGetSlotBlock(Slot) : nullptr;
  if (!Block) return;
  FFilling = true;
  if (Table->OnDecompressBlobStream) {
    TReadOnlyMemoryStream Source(mtHeapBlockData(Block), mtHeapBlockLength(Block));
    Table->OnDecompressBlobStream(Table, Field, &Source, this);
  } else {
    TMemoryStream::Write(mtHeapBlockData(Block), mtHeapBlockLength(Block));
  }
  FFilling = false;
  FModified = Mode == bmWrite;
  Seek(0, soBeginning);
}

TmtBlobStream::~TmtBlobStream() {
  try {
    if (FModified) Commit();
  } catch (...) {
    // A destructor may not throw; the value stays as it was.
  }
}

Int64 TmtBlobStream::Write(const void* Buffer, Int64 Count) {
  if (FFilling) return TMemoryStream::Write(Buffer, Count);
  if (FMode == bmRead) DatabaseErrorFmt(SFieldReadOnly, FField->DisplayName());
  FModified = true;
  return TMemoryStream::Write(Buffer, Count);
}

void TmtBlobStream::SetSize(Int64 NewSize) {
  if (FFilling) {
    TMemoryStream::SetSize(NewSize);
    return;
  }
  if (FMode == bmRead) DatabaseErrorFmt(SFieldReadOnly, FField->DisplayName());
  FModified = true;
  TMemoryStream::SetSize(NewSize);
}

void TmtBlobStream::Commit() {
  FModified = false;
  TmtCommonLock Lock(FTable->Common());
  const TmtFieldLayout* L = FTable->Common().FieldLayout(FField->FieldNo());
  Byte* Data = FTable->FieldAccessData();
  if (!L || L->OutOffset < 0 || !Data) return;
  Byte* Slot = Data + L->OutOffset;
  mtFreeHeapBlock(mtGetSlotBlock(Slot));
  mtSetSlotBlock(Slot, nullptr);
  Slot[0] = 0;
  if (Size() > 0) {
    String Value(static_cast<const char*>(Memory()), static_cast<size_t>(Size()));
    if (FTable->OnCompressBlobStream) {
      TReadOnlyMemoryStream Source(Value.data(), static_cast<Int64>(Value.size()));
      TMemoryStream Packed;
      FTable->OnCompressBlobStream(FTable, FField, &Source, &Packed);
      Value.assign(static_cast<const char*>(Packed.Memory()), static_cast<size_t>(Packed.Size()));
    }
    mtSetSlotBlock(Slot, mtAllocHeapBlock(Value.data(), static_cast<Integer>(Value.size())));
    Slot[0] = 2;
  }
  if (!FTable->OverrideRecord())
    FTable->DataEvent(deFieldChange, reinterpret_cast<intptr_t>(FField));
}

// ---- Field properties ------------------------------------------------------------

void TmtCustomMemTable::CopyFieldsProperties(TDataSet* Source) {
  for (TField* S : Source->Fields().Items()) {
    TField* D = FindField(S->FieldName());
    if (!D) continue;
    D->SetEditMask(S->EditMask());
    if (S->IsDisplayWidthStored()) D->SetDisplayWidth(S->DisplayWidth());
    if (S->HasDisplayLabel()) D->SetDisplayLabel(S->DisplayLabel());
    D->SetRequired(S->Required());
    D->SetReadOnly(S->ReadOnly());
    D->SetVisible(S->Visible());
    D->SetDefaultExpression(S->DefaultExpression());
    D->SetAlignment(S->Alignment());
    auto* SN = dynamic_cast<TNumericField*>(S);
    auto* DN = dynamic_cast<TNumericField*>(D);
    if (SN && DN) {
      DN->SetDisplayFormat(SN->DisplayFormat());
      DN->SetEditFormat(SN->EditFormat());
    }
    auto* SI = dynamic_cast<TIntegerField*>(S);
    auto* DI = dynamic_cast<TIntegerField*>(D);
    if (SI && DI) {
      DI->SetMinValue(SI->MinValue());
      DI->SetMaxValue(SI->MaxValue());
    }
    auto* SF = dynamic_cast<TFloatField*>(S);
    auto* DF = dynamic_cast<TFloatField*>(D);
    if (SF && DF) {
      DF->SetMinValue(SF->MinValue());
      DF->SetMaxValue(SF->MaxValue());
      DF->SetPrecision(SF->Precision());
      DF->SetCurrency(SF->Currency());
    }
    auto* SD = dynamic_cast<TDateTimeField*>(S);
    auto* DD = dynamic_cast<TDateTimeField*>(D);
    if (SD && DD) DD->SetDisplayFormat(SD->DisplayFormat());
    auto* SB = dynamic_cast<TBooleanField*>(S);
    auto* DB = dynamic_cast<TBooleanField*>(D);
    if (SB && DB) DB->SetDisplayValues(SB->DisplayValues());
    if (OnSetupFieldProperties) OnSetupFieldProperties(this, D);
  }
}
