// The record layout of the storage (TmtCommon) and the heap blocks of
// out-of-record values.
#include <cstdlib>
#include <cstring>
#include <string>

#include "data/memtable/mtMemTableStorage.h"
#include "platform/rtl/byteorder.h"

// ---- Heap blocks ---------------------------------------------------------

Byte* mtAllocHeapBlock(const void* Data, Integer Length) {
  if (Length < 0) Length = 0;
  auto* Block = static_cast<Byte*>(std::calloc(1, static_cast<size_t>(Length) + 4));
  if (!Block) throw EOutOfMemory("Zu wenig Arbeitsspeicher");
  StoreLE32(Block, static_cast<uint32_t>(Length));
  if (Data && Length > 0) std::memcpy(Block + 4, Data, static_cast<size_t>(Length));
  return Block;
}

Integer mtHeapBlockLength(const Byte* Block) {
  if (!Block) return 0;
  return static_cast<Integer>(LoadLE32(Block));
}

const Byte* mtHeapBlockData(const Byte* Block) { return Block ? Block + 4 : nullptr; }

void mtFreeHeapBlock(Byte* Block) { std::free(Block); }

Byte* mtGetSlotBlock(const Byte* Slot) {
  Byte* P;
  std::memcpy(&P, Slot + 1, sizeof(P));
  return P;
}

void mtSetSlotBlock(Byte* Slot, Byte* Block) { std::memcpy(Slot + 1, &Block, sizeof(Block)); }

// ---- Layout ------------------------------------------------------------

Integer TmtCommon::ValueSizeOf(TFieldType Type, Integer Size) {
  switch (Type) {
    case ftString: case ftFixedChar: case ftWideString: return Size * 4 + 1;
    case ftSmallint: case ftWord: case ftBoolean: return 2;
    case ftInteger: case ftDate: case ftTime: case ftAutoInc: return 4;
    case ftFloat: case ftCurrency: case ftDateTime: case ftLargeint: return 8;
    case ftBCD: return 34;
    case ftBytes: return Size;
    case ftVarBytes: return Size + 2;
    case ftBlob: case ftMemo: case ftGraphic: case ftFmtMemo: case ftParadoxOle:
    case ftDBaseOle: case ftTypedBinary: case ftOAT: case ftArray:
      return 0;
    default: return -1;
  }
}

bool TmtCommon::DefaultOutOfRecord(TFieldType Type, Integer Size, TmtPerformance Performance) {
  if (ValueSizeOf(Type, Size) == 0) return true;
  bool Long = Type == ftString || Type == ftBytes || Type == ftVarBytes || Type == ftFixedChar ||
              Type == ftWideString;
  return Long && Size >= 13 && Performance != mtpfFast;
}

void TmtCommon::SetupLayout(const TFieldDefs& Defs, const std::vector<Byte>& FlagOverrides) {
  if (Defs.Count() == 0) throw EMemTableError(mtSAtLeastOneField);
  std::vector<TmtFieldLayout> Layout(static_cast<size_t>(Defs.Count()));
  Integer Pos = 0;
  for (Integer I = 0; I < Defs.Count(); ++I) {
    TFieldDef* D = Defs.Items(I);
    TmtFieldLayout& L = Layout[static_cast<size_t>(I)];
    L.DataType = D->DataType();
    L.Size = D->Size();
    L.ValueSize = ValueSizeOf(L.DataType, L.Size);
    if (L.ValueSize < 0)
      throw EMemTableError(String(mtSFieldDefPrefix) + D->Name() + " (" + D->DisplayName() + ")" +
                           DbFormat(mtSDataTypeNotSupported, {std::to_string(L.DataType)}));
    bool Out = DefaultOutOfRecord(L.DataType, L.Size, FPerformance);
    Byte Flags = Out ? mtlfOutOfRecord : 0;
    if (static_cast<size_t>(I) < FlagOverrides.size() && L.ValueSize > 0) Flags = FlagOverrides[static_cast<size_t>(I)];
    if (L.ValueSize == 0) Flags |= mtlfOutOfRecord;
    if (FPerformance != mtpfSmall) Flags &= static_cast<Byte>(~mtlfCompressed);
    L.Flags = Flags;
    if (!(Flags & mtlfOutOfRecord)) {
      L.Offset = Pos;
      Pos += 1 + L.ValueSize;
    }
  }
  FOutOfRecordStart = Pos;
  FOutOfRecordCount = 0;
  for (TmtFieldLayout& L : Layout)
    if (L.Flags & mtlfOutOfRecord) {
      L.OutOffset = Pos;
      Pos += MT_OUT_SLOT_SIZE;
      ++FOutOfRecordCount;
    }
  FLayout = std::move(Layout);
  FDataSize = Pos;
}

const TmtFieldLayout* TmtCommon::FieldLayout(Integer FieldNo) const {
  if (FieldNo < 1 || FieldNo > static_cast<Integer>(FLayout.size())) return nullptr;
  return &FLayout[static_cast<size_t>(FieldNo - 1)];
}
