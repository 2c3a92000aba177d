// TOakDataSet: reading field values out of the raw engine record.
#include <cmath>
#include <cstring>

#include "data/oak/oakdata.h"
#include "platform/rtl/byteorder.h"
#include "platform/rtl/sysutils.h"

// ---- Raw value helpers ------------------------------------------------------------

void PackCompactDate(Word Year, Word Month, Word Day, Byte* Raw) {
  StoreBE16(Raw, static_cast<Word>(Year * 2 + (Month >> 3)));
  Raw[2] = static_cast<Byte>((Month * 32 + Day) & 255);
}

void UnpackCompactDate(const Byte* Raw, Word& Year, Word& Month, Word& Day) {
  Word W = LoadBE16(Raw);
  Year = W >> 1;
  Month = static_cast<Word>((W & 1) * 8 + (Raw[2] >> 5));
  Day = Raw[2] & 31;
}

void WriteOakDoubleNull(Byte* Raw) {
  static const Byte Null[8] = {0x20, 0, 0, 0, 0, 0, 0, 0x80};
  std::memcpy(Raw, Null, 8);
}

namespace {
// A field's value in its native buffer, in the machine's own layout.
template <class T>
void CopyToNative(T V, void* Buffer) {
  std::memcpy(Buffer, &V, sizeof V);
}

bool AllBytes(const Byte* Raw, UNSIGNED32 Len, bool BlankToo) {
  for (UNSIGNED32 I = 0; I < Len; ++I)
    if (Raw[I] != 0 && !(BlankToo && Raw[I] == ' ')) return false;
  return true;
}

bool IsOatNull(const TOCEFieldDef& Def, const Byte* Raw) {
  switch (Def.FieldType) {
    case OAK_LOGICAL:
      return Raw[0] == ' ';
    case OAK_NUMERIC:
    case OAK_DATE:
    case OAK_STRING:
    case OAK_COMPACTDATE:
    case OAK_RAW:
    case OAK_CISTRING:
      return AllBytes(Raw, Def.Length, false);
    case OAK_MEMO:
    case OAK_BINARY:
    case OAK_IMAGE:
    case OAK_VARCHAR:
      return LoadLEAs<Integer>(Raw) == 0;
    case OAK_DOUBLE:
    case OAK_CURDOUBLE: {
      static const Byte Null[8] = {0x20, 0, 0, 0, 0, 0, 0, 0x80};
      return std::memcmp(Raw, Null, 8) == 0;
    }
    case OAK_INTEGER:
      return LoadLEAs<std::uint32_t>(Raw) == 0x80000000u;
    case OAK_SHORTINT:
      return LoadLEAs<std::uint16_t>(Raw) == 0x8000u;
    case OAK_TIME:
    case OAK_AUTOINC:
      return LoadLEAs<std::uint32_t>(Raw) == 0xFFFFFFFFu;
    case OAK_TIMESTAMP:
      return LoadLEAs<std::int32_t>(Raw) == 0;
    default:
      return true;
  }
}

bool IsOtherNull(const TOCEFieldDef& Def, const Byte* Raw) {
  switch (Def.FieldType) {
    case OAK_LOGICAL:
    case OAK_NUMERIC:
    case OAK_STRING:
    case OAK_CISTRING:
      return AllBytes(Raw, Def.Length, true);
    case OAK_DATE:
      return Def.Length == 4 ? LoadLEAs<std::int32_t>(Raw) == 0 : AllBytes(Raw, Def.Length, true);
    case OAK_MEMO:
    case OAK_BINARY:
    case OAK_IMAGE:
    case OAK_VARCHAR:
      return LoadLEAs<Integer>(Raw) == 0;
    case OAK_COMPACTDATE:
      return AllBytes(Raw, Def.Length, false);
    case OAK_DOUBLE:
    case OAK_INTEGER:
    case OAK_SHORTINT:
    case OAK_CURDOUBLE:
      return false;
    default:
      return true;
  }
}
}  // namespace

bool IsRawFieldNull(const TOCEFieldDef& Def, const Byte* Raw, UNSIGNED16 TableType) {
  return TableType == OAK_OAT ? IsOatNull(Def, Raw) : IsOtherNull(Def, Raw);
}

// ---- Field classes and buffers ---------------------------------------------------------

TFieldClass TOakDataSet::GetFieldClass(TFieldType FieldType) const {
  if (FieldType == ftString) return TOakStringField::StaticClass();
  if (FieldType == ftBCD) return TOakBCDField::StaticClass();
  return TDataSet::GetFieldClass(FieldType);
}

TRecordBuffer TOakDataSet::OakRecordBuffer() const {
  switch (State()) {
    case dsSetKey:
      return FKeyBuffer ? const_cast<Byte*>(FKeyBuffer->Record.data()) : nullptr;
    case dsOldValue:
      return FOldRecord.empty() ? nullptr : const_cast<Byte*>(FOldRecord.data());
    default:
      return GetActiveRecordBuffer();
  }
}

bool TOakDataSet::GetFieldData(TField* Field, void* Buffer) const {
  TRecordBuffer B = OakRecordBuffer();
  if (!B || !Field) return false;
  auto* Self = const_cast<TOakDataSet*>(this);
  if (Field->FieldKind() != fkData) {
    if (State() == dsSetKey || State() == dsOldValue) return false;
    return GetCalcData(CalcArea(B), Field, Buffer);
  }
  const TOCEFieldDef* Def = Self->OCEFieldDef(Field);
  if (!Def) return false;
  if (Def->IsBlob()) {
    TOakBlobCache* Cache =
        State() == dsSetKey || State() == dsOldValue ? nullptr : BlobCache(B, Field);
    if (Cache && Cache->Loaded()) return Cache->Size() > 0;
    return LoadLEAs<Integer>(B + Def->Offset) != 0;
  }
  return DecodeRawField(*Def, B + Def->Offset, Field, Buffer);
}

// ---- Decoding ---------------------------------------------------------------------

namespace {
// A date value in the field's native form from a Julian day number.
void StoreJulian(TField* Field, double Julian, void* Buffer) {
  TDateTime V = std::round(Julian) - OakJulianOffset - DateDelta;
  TDateTimeRec R = DateTimeToNative(Field->DataType() == ftDateTime ? ftDateTime : ftDate, V);
  std::memcpy(Buffer, &R, Field->DataType() == ftDateTime ? 8 : 4);
}

void StoreNumber(TField* Field, double V, void* Buffer) {
  switch (Field->DataType()) {
    case ftSmallint:
    case ftWord: {
      auto S = static_cast<std::int16_t>(std::lround(V));
      std::memcpy(Buffer, &S, 2);
      break;
    }
    case ftInteger:
    case ftAutoInc: {
      auto I = static_cast<std::int32_t>(std::lround(V));
      std::memcpy(Buffer, &I, 4);
      break;
    }
    case ftBCD: {
      TBCD B = DoubleToBCD(V, Field->Size() > 0 ? Field->Size() : 4);
      std::memcpy(Buffer, &B, sizeof(B));
      break;
    }
    default:
      std::memcpy(Buffer, &V, 8);
  }
}

void StoreText(TField* Field, const Byte* Raw, UNSIGNED32 Len, void* Buffer) {
  UNSIGNED32 N = 0;
  bool Ascii = true;
  for (; N < Len && Raw[N] != 0; ++N) Ascii = Ascii && Raw[N] < 0x80;
  if (Ascii) {
    // ASCII is the same bytes in the code page and in UTF-8: copied as it
    // stands, without building texts.
    std::size_t Copied = std::min<std::size_t>(N, static_cast<std::size_t>(Field->DataSize() - 1));
    std::memcpy(Buffer, Raw, Copied);
    static_cast<char*>(Buffer)[Copied] = 0;
    return;
  }
  String Text = AnsiToUtf8(std::string(reinterpret_cast<const char*>(Raw), N));
  std::size_t Max = static_cast<std::size_t>(Field->DataSize() - 1);
  if (Text.size() > Max) Text.resize(Max);
  std::memcpy(Buffer, Text.c_str(), Text.size() + 1);
}
}  // namespace

bool TOakDataSet::DecodeRawField(const TOCEFieldDef& Def, const Byte* Raw, TField* Field,
                                 void* Buffer) const {
  if (IsRawFieldNull(Def, Raw, FTableTypeCode)) return false;
  if (!Buffer) return true;
  auto* Self = const_cast<TOakDataSet*>(this);
  switch (Def.FieldType) {
    case OAK_LOGICAL: {
      char C = static_cast<char>(Raw[0]);
      std::int16_t V = C == '1' || C == 'T' || C == 't' || C == 'Y' || C == 'y' ? -1 : 0;
      std::memcpy(Buffer, &V, 2);
      break;
    }
    case OAK_NUMERIC: {
      String Text(reinterpret_cast<const char*>(Raw), Def.Length);
      Text = Trim(Text.substr(0, Text.find('\0')));
      StoreNumber(Field, Text.empty() ? 0.0 : std::strtod(Text.c_str(), nullptr), Buffer);
      break;
    }
    case OAK_DATE:
      StoreJulian(Field, LoadLEAs<std::int32_t>(Raw), Buffer);
      break;
    case OAK_COMPACTDATE: {
      Word Y, M, D;
      UnpackCompactDate(Raw, Y, M, D);
      char Text[16];
      std::snprintf(Text, sizeof(Text), "%04u%02u%02u", unsigned(Y % 10000), unsigned(M % 100),
                    unsigned(D % 100));
      double Julian = 0;
      RaiseOakError(Self, OakConvertStringToJulian(Text, 8, &Julian));
      StoreJulian(Field, Julian, Buffer);
      break;
    }
    case OAK_STRING:
    case OAK_CISTRING:
      StoreText(Field, Raw, Def.Length, Buffer);
      break;
    case OAK_DOUBLE:
    case OAK_CURDOUBLE:
      if (Field->DataType() == ftBCD)
        StoreNumber(Field, LoadLEAs<double>(Raw), Buffer);
      else
        CopyToNative(LoadLEAs<double>(Raw), Buffer);
      break;
    case OAK_INTEGER:
    case OAK_TIME:
    case OAK_AUTOINC:
      CopyToNative(LoadLEAs<std::int32_t>(Raw), Buffer);
      break;
    case OAK_SHORTINT:
      CopyToNative(LoadLEAs<std::int16_t>(Raw), Buffer);
      break;
    case OAK_TIMESTAMP: {
      double Days = LoadLEAs<std::int32_t>(Raw) - OakJulianOffset;
      CopyToNative(Days * MSecsPerDayF + LoadLEAs<std::int32_t>(Raw + 4), Buffer);
      break;
    }
    case OAK_RAW:
      std::memcpy(Buffer, Raw, std::min<std::size_t>(Def.Length, std::size_t(Field->DataSize())));
      break;
    default:
      return false;
  }
  return true;
}
