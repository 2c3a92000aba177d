// TOakDataSet: the empty engine record of a new row and the default values
// of its fields (DefaultExpression).
#include <cmath>
#include <cstring>

#include "data/oak/oakdata.h"
#include "platform/rtl/charset.h"
#include "platform/rtl/format.h"
#include "platform/rtl/sysutils.h"

namespace {

// The default applies to every stored field except autoincrement values and
// values kept outside the record.
bool TakesDefault(const TField* Field, const TOCEFieldDef* Def) {
  return Def && Field->FieldKind() == fkData && !Field->DefaultExpression().empty() &&
         Def->FieldType != OAK_AUTOINC && !Def->IsBlob();
}

bool LogicalDefault(const String& Text) {
  String U = UpperCase(Text);
  return U == "TRUE" || U == "T" || U == ".T." || U == "1";
}

// A number of a default expression: "." or the process's decimal separator.
double NumberDefault(const String& Text) {
  TFormatSettings FS = FormatSettings;
  FS.DecimalSeparator = '.';
  double V = 0;
  if (TryStrToFloat(Text, V, FS)) return V;
  return StrToFloat(Text);
}

[[noreturn]] void NumericOutOfRange(const String& Text) {
  throw Exception("Numeric out of range: " + Text);
}

// Writes V into the native buffer of Field; a value outside the field
// type's range, or too wide for a numeric column, does not fit.
void StoreNumberDefault(const TOCEFieldDef& Def, TField* Field, const String& Text, double V,
                        std::vector<Byte>& Native) {
  auto Fits = [&](double Lo, double Hi) {
    if (V < Lo || V > Hi) NumericOutOfRange(Text);
  };
  switch (Field->DataType()) {
    case ftSmallint: {
      Fits(-32768, 32767);
      auto S = static_cast<std::int16_t>(std::lround(V));
      std::memcpy(Native.data(), &S, 2);
      break;
    }
    case ftInteger:
    case ftAutoInc: {
      Fits(-2147483648.0, 2147483647.0);
      auto I = static_cast<std::int32_t>(std::lround(V));
      std::memcpy(Native.data(), &I, 4);
      break;
    }
    case ftBCD: {
      TBCD B = DoubleToBCD(V);
      std::memcpy(Native.data(), &B, sizeof B);
      break;
    }
    default: std::memcpy(Native.data(), &V, 8); break;
  }
  if (Def.FieldType == OAK_NUMERIC) {
    double Limit = std::pow(10.0, double(Def.Length) - (Def.Decimals ? Def.Decimals + 1 : 0));
    if (std::fabs(V) >= Limit) NumericOutOfRange(Text);
  }
}

void StoreDateDefault(TField* Field, const String& Text, UNSIGNED16 EngineType,
                      std::vector<Byte>& Native) {
  TDateTime V = EngineType == OAK_TIME        ? StrToTime(Text)
                : EngineType == OAK_TIMESTAMP ? StrToDateTime(Text)
                                              : StrToDate(Text);
  TDateTimeRec R = DateTimeToNative(Field->DataType(), V);
  std::memcpy(Native.data(), &R, std::min<std::size_t>(sizeof R, Native.size()));
}

// The native buffer of Field holding the default Text (converted by the
// engine type of its column).
std::vector<Byte> DefaultValue(const TOCEFieldDef& Def, TField* Field, const String& Text) {
  std::vector<Byte> Native(std::max<std::size_t>(Field->DataSize(), sizeof(TBCD)) + 1, 0);
  switch (Def.FieldType) {
    case OAK_LOGICAL: {
      std::int16_t B = LogicalDefault(Text) ? -1 : 0;
      std::memcpy(Native.data(), &B, 2);
      break;
    }
    case OAK_NUMERIC: case OAK_DOUBLE: case OAK_CURDOUBLE: case OAK_INTEGER: case OAK_SHORTINT:
      StoreNumberDefault(Def, Field, Text, NumberDefault(Text), Native);
      break;
    case OAK_DATE: case OAK_COMPACTDATE: case OAK_TIME: case OAK_TIMESTAMP:
      StoreDateDefault(Field, Text, Def.FieldType, Native);
      break;
    default: {
      Native.assign(Text.size() + 1, 0);
      std::memcpy(Native.data(), Text.data(), Text.size());
      break;
    }
  }
  return Native;
}

String WithoutLineBreaks(const String& S) {
  String Out;
  for (char C : S)
    if (C != '\r' && C != '\n') Out += C;
  return Out;
}

}  // namespace

void TOakDataSet::InternalInitRecord(TRecordBuffer Buffer) {
  ResetRecordInfo(Buffer);
  RaiseOakError(this, OakClearRecordBuffer(FTableHandle, Buffer, FRawRecordLength));
  for (auto& D : FOCEFieldDefs) D.Modified = false;
  for (TField* Field : Fields().Items()) {
    TOCEFieldDef* Def = OCEFieldDef(Field);
    if (!TakesDefault(Field, Def)) continue;
    try {
      std::vector<Byte> Native = DefaultValue(*Def, Field, Trim(Field->DefaultExpression()));
      EncodeRawField(*Def, Buffer + Def->Offset, Field, Native.data());
    } catch (Exception& E) {
      OakDatabaseError(this, OAK_ERR_STATE,
                       "Error setting default field value. (" + WithoutLineBreaks(E.Message()) + ")");
    }
    Def->Modified = true;
  }
}
