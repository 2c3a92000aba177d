// TOakDataSet: field assignment and the encoding of field values into the
// raw engine record.
//
// Assigned values go into the record buffer as raw engine bytes, exactly as
// OakGetRecord would give them, and the field is marked modified; only the
// post hands the modified fields to the engine.
#include <cmath>
#include <cstring>

#include "data/oak/oakdata.h"
#include "platform/rtl/byteorder.h"
#include "platform/rtl/charset.h"
#include "platform/rtl/format.h"
#include "platform/rtl/sysutils.h"

namespace {

template <class T>
T ReadNative(const void* Buffer) {
  T V;
  std::memcpy(&V, Buffer, sizeof(T));
  return V;
}

bool IsIntegerKind(TFieldType T) {
  return T == ftSmallint || T == ftWord || T == ftInteger || T == ftAutoInc || T == ftLargeint;
}

// The value of a numeric field's native buffer.
double NativeNumber(const TField* Field, const void* Buffer) {
  switch (Field->DataType()) {
    case ftSmallint: return ReadNative<std::int16_t>(Buffer);
    case ftWord: return ReadNative<std::uint16_t>(Buffer);
    case ftInteger:
    case ftAutoInc: return ReadNative<std::int32_t>(Buffer);
    case ftLargeint: return static_cast<double>(ReadNative<std::int64_t>(Buffer));
    case ftBCD: return BCDToDouble(ReadNative<TBCD>(Buffer));
    case ftBoolean: return ReadNative<std::int16_t>(Buffer) != 0 ? 1 : 0;
    default: return ReadNative<double>(Buffer);
  }
}

// Milliseconds since 1 January 0001 minus one day (the native DateTime)
// of a date, time or timestamp field's native buffer.
double NativeMilliseconds(const TField* Field, const void* Buffer) {
  switch (Field->DataType()) {
    case ftDate: return ReadNative<Integer>(Buffer) * MSecsPerDayF;
    case ftTime: return ReadNative<Integer>(Buffer);
    default: return ReadNative<double>(Buffer);
  }
}

// The class library's day number (native Date) of a date value.
Integer NativeDay(const TField* Field, const void* Buffer) {
  if (Field->DataType() == ftDate) return ReadNative<Integer>(Buffer);
  return static_cast<Integer>(std::floor(NativeMilliseconds(Field, Buffer) / MSecsPerDayF));
}

void RaiseOutOfRange(TOakDataSet* DataSet) {
  OakDatabaseError(DataSet, OAK_ERR_STATE, "Numeric out of range.");
}

// The engine's text of a Julian day ("CCYYMMDD").
String JulianText(TOakDataSet* DataSet, Integer Julian) {
  char Text[13] = {};
  UNSIGNED16 Len = sizeof(Text);
  RaiseOakError(DataSet, OakConvertJulianToString(Julian, Text, &Len));
  return String(Text, std::min<std::size_t>(Len, sizeof(Text)));
}

void EncodeNull(const TOCEFieldDef& Def, Byte* Raw, UNSIGNED16 TableType) {
  if (TableType != OAK_OAT) {
    switch (Def.FieldType) {
      case OAK_MEMO: case OAK_BINARY: case OAK_IMAGE: case OAK_VARCHAR: case OAK_COMPACTDATE:
      case OAK_DOUBLE: case OAK_INTEGER: case OAK_SHORTINT: case OAK_CURDOUBLE:
        std::memset(Raw, 0, Def.Length);
        return;
      default:
        std::memset(Raw, ' ', Def.Length);
        return;
    }
  }
  switch (Def.FieldType) {
    case OAK_LOGICAL: Raw[0] = ' '; return;
    case OAK_DOUBLE:
    case OAK_CURDOUBLE: WriteOakDoubleNull(Raw); return;
    case OAK_INTEGER: StoreLEAs<std::uint32_t>(Raw, 0x80000000u); return;
    case OAK_SHORTINT: StoreLEAs<std::uint16_t>(Raw, 0x8000u); return;
    case OAK_TIME:
    case OAK_AUTOINC: StoreLEAs<std::uint32_t>(Raw, 0xFFFFFFFFu); return;
    case OAK_TIMESTAMP:
      StoreLEAs<std::int32_t>(Raw, 0);
      StoreLEAs<std::uint32_t>(Raw + 4, 0xFFFFFFFFu);
      return;
    default: std::memset(Raw, 0, Def.Length); return;
  }
}

}  // namespace

// ---- Encoding by engine type --------------------------------------------------------

namespace {

void EncodeNumeric(TOakDataSet* DataSet, const TOCEFieldDef& Def, Byte* Raw, TField* Field,
                   const void* Buffer) {
  double V = NativeNumber(Field, Buffer);
  String Text;
  if (IsIntegerKind(Field->DataType())) {
    Text = IntToStr(static_cast<Int64>(std::llround(V)));
  } else {
    // The engine's numbers always use "." whatever the process's separator.
    TFormatSettings FS = FormatSettings;
    FS.DecimalSeparator = '.';
    Text = FloatToStrF(V, ffFixed, 15, Def.Decimals, FS);
  }
  if (Text.size() > Def.Length || Text.find('E') != String::npos) RaiseOutOfRange(DataSet);
  std::memset(Raw, ' ', Def.Length);
  std::memcpy(Raw + Def.Length - Text.size(), Text.data(), Text.size());
}

void EncodeDate(TOakDataSet* DataSet, const TOCEFieldDef& Def, Byte* Raw, TField* Field,
                const void* Buffer) {
  Integer Julian = NativeDay(Field, Buffer) + OakJulianOffset;
  if (Def.Length == 4) {
    StoreLEAs<std::int32_t>(Raw, Julian);
    return;
  }
  String Text = JulianText(DataSet, Julian);
  if (Text.size() > Def.Length)
    OakDatabaseError(DataSet, OAK_ERR_STATE, "Something's wrong with OAK date functions");
  std::memset(Raw, ' ', Def.Length);
  std::memcpy(Raw, Text.data(), Text.size());
}

void EncodeCompactDate(TOakDataSet* DataSet, Byte* Raw, TField* Field, const void* Buffer) {
  String Text = JulianText(DataSet, NativeDay(Field, Buffer) + OakJulianOffset);
  Text.resize(8, '0');
  Word Year = static_cast<Word>(StrToIntDef(Text.substr(0, 4), 0));
  Word Month = static_cast<Word>(StrToIntDef(Text.substr(4, 2), 0));
  Word Day = static_cast<Word>(StrToIntDef(Text.substr(6, 2), 0));
  PackCompactDate(Year, Month, Day, Raw);
}

void EncodeCharacter(const TOCEFieldDef& Def, Byte* Raw, const void* Buffer,
                     UNSIGNED16 TableType) {
  std::string Ansi = Utf8ToAnsi(String(static_cast<const char*>(Buffer)));
  std::memset(Raw, Ansi.empty() && TableType == OAK_OAT ? 0 : ' ', Def.Length);
  std::memcpy(Raw, Ansi.data(), std::min<std::size_t>(Ansi.size(), Def.Length));
}

void EncodeTimeStamp(Byte* Raw, TField* Field, const void* Buffer) {
  double Ms = NativeMilliseconds(Field, Buffer);
  double Days = std::floor(Ms / MSecsPerDayF);
  auto Time = static_cast<std::int64_t>(std::llround(Ms - Days * MSecsPerDayF));
  if (Time >= MSecsPerDay) {
    Days += 1;
    Time -= MSecsPerDay;
  }
  StoreLEAs<std::int32_t>(Raw, static_cast<std::int32_t>(Days) + OakJulianOffset);
  StoreLEAs<std::int32_t>(Raw + 4, static_cast<std::int32_t>(Time));
}

void EncodeTime(Byte* Raw, TField* Field, const void* Buffer) {
  if (Field->DataType() == ftTime) {
    StoreLEAs<std::int32_t>(Raw, ReadNative<std::int32_t>(Buffer));
    return;
  }
  double Ms = NativeMilliseconds(Field, Buffer);
  double Time = Ms - std::floor(Ms / MSecsPerDayF) * MSecsPerDayF;
  StoreLEAs<std::int32_t>(Raw, static_cast<std::int32_t>(std::lround(Time)));
}

// Integer kinds copy their native bytes; other kinds are converted.
template <class T>
void EncodeInteger(Byte* Raw, TField* Field, const void* Buffer) {
  StoreLEAs<T>(Raw, static_cast<T>(std::llround(NativeNumber(Field, Buffer))));
}

void EncodeDouble(Byte* Raw, TField* Field, const void* Buffer) {
  StoreLEAs<double>(Raw, NativeNumber(Field, Buffer));
}

}  // namespace

void TOakDataSet::EncodeRawField(const TOCEFieldDef& Def, Byte* Raw, TField* Field,
                                 const void* Buffer) {
  if (!Buffer) {
    EncodeNull(Def, Raw, FTableTypeCode);
    return;
  }
  switch (Def.FieldType) {
    case OAK_LOGICAL: Raw[0] = NativeNumber(Field, Buffer) != 0 ? 'T' : 'F'; break;
    case OAK_NUMERIC: EncodeNumeric(this, Def, Raw, Field, Buffer); break;
    case OAK_DATE: EncodeDate(this, Def, Raw, Field, Buffer); break;
    case OAK_STRING:
    case OAK_CISTRING: EncodeCharacter(Def, Raw, Buffer, FTableTypeCode); break;
    case OAK_COMPACTDATE: EncodeCompactDate(this, Raw, Field, Buffer); break;
    case OAK_DOUBLE:
    case OAK_CURDOUBLE: EncodeDouble(Raw, Field, Buffer); break;
    case OAK_INTEGER:
    case OAK_AUTOINC: EncodeInteger<std::int32_t>(Raw, Field, Buffer); break;
    case OAK_SHORTINT: EncodeInteger<std::int16_t>(Raw, Field, Buffer); break;
    case OAK_TIME: EncodeTime(Raw, Field, Buffer); break;
    case OAK_TIMESTAMP: EncodeTimeStamp(Raw, Field, Buffer); break;
    case OAK_RAW:
      std::memset(Raw, 0, Def.Length);
      std::memcpy(Raw, Buffer, std::min<std::size_t>(Def.Length, std::size_t(Field->DataSize())));
      break;
    default: break;  // memo, binary, image, varchar: their value lives in the blob cache
  }
}

// ---- Assigning a field ---------------------------------------------------------------

namespace {
bool MayAssign(TDataSetState S) {
  switch (S) {
    case dsEdit: case dsInsert: case dsSetKey: case dsCalcFields: case dsFilter:
    case dsNewValue: case dsInternalCalc:
      return true;
    default:
      return false;
  }
}
}  // namespace

void TOakDataSet::SetFieldData(TField* Field, const void* Buffer) {
  TDataSetState S = State();
  if (!MayAssign(S)) OakDatabaseError(this, OAK_ERR_STATE, "Dataset not in edit mode");
  if (S == dsSetKey && (Field->FieldKind() != fkData ||
                        (GetNumSegments() > 0 && !GetIsIndexField(Field))))
    DatabaseErrorFmt(SNotIndexField, Field->FieldName());
  TRecordBuffer Record = OakRecordBuffer();
  if (!Record) OakDatabaseError(this, OAK_ERR_STATE, "Dataset not in edit mode");
  if (Field->FieldKind() != fkData) {
    SetCalcData(CalcArea(Record), Field, Buffer);
  } else {
    TOCEFieldDef* Def = OCEFieldDef(Field);
    if (!Def) OakDatabaseError(this, OAK_ERR_STATE, "Dataset not in edit mode");
    if (S == dsCalcFields) OakDatabaseError(this, OAK_ERR_STATE, "Dataset not in edit mode");
    if (Field->ReadOnly() && S != dsSetKey && S != dsFilter)
      DatabaseErrorFmt(SFieldReadOnly, Field->DisplayName());
    if (S == dsEdit || S == dsInsert) Field->Validate(Buffer);
    if (S == dsEdit && !(Def->Permissions & OAK_COLUMN_UPDATE))
      NotePermission("Update permission not granted on this field: " + Def->FieldName + ".");
    if (S == dsInsert && !(Def->Permissions & OAK_COLUMN_INSERT))
      NotePermission("Insert permission not granted on this field: " + Def->FieldName + ".");
    EncodeRawField(*Def, Record + Def->Offset, Field, Buffer);
    // A cleared blob value is emptied in its cache, which the post writes.
    TOakBlobCache* Cache = Def->IsBlob() && !Buffer ? BlobCache(Record, Field) : nullptr;
    if (Cache) Cache->Truncate();
    Def->Modified = true;
    if (S == dsSetKey && FKeyBuffer && Def->FieldNo <= FKeyBuffer->KeyPart.size()) {
      Integer Part = 1;
      if (Field->DataType() == ftString)
        Part = Buffer ? Length(String(static_cast<const char*>(Buffer))) : 0;
      FKeyBuffer->KeyPart[Def->FieldNo - 1] = Part;
    }
  }
  if (S != dsCalcFields && S != dsFilter && S != dsNewValue)
    DataEvent(deFieldChange, reinterpret_cast<intptr_t>(Field));
}
