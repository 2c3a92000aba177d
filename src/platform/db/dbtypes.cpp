#include "platform/db/dbtypes.h"

#include <cmath>
#include <cstdio>
#include <cstring>

const char* const FieldTypeNames[FieldTypeCount] = {
    "Unknown", "String", "SmallInt", "Integer", "Word", "Boolean", "Float",
    "Currency", "BCD", "Date", "Time", "DateTime", "Bytes", "VarBytes",
    "AutoInc", "Blob", "Memo", "Graphic", "FmtMemo", "ParadoxOle", "DBaseOle",
    "TypedBinary", "Cursor", "FixedChar", "WideString", "Largeint", "OAT",
    "Array", "Reference", "DataSet", "OraBlob", "OraClob", "Variant",
    "Interface", "IDispatch", "Guid", "TimeStamp", "FMTBcd"};

const char* const FieldKindNames[5] = {"Data", "Calculated", "Lookup", "InternalCalc",
                                       "Aggregate"};

bool IsBlobFieldType(TFieldType T) {
  switch (T) {
    case ftBlob: case ftMemo: case ftGraphic: case ftFmtMemo: case ftParadoxOle:
    case ftDBaseOle: case ftTypedBinary: case ftOraBlob: case ftOraClob:
      return true;
    default:
      return false;
  }
}

namespace {

// Days since 1.1.0001 plus one, and milliseconds of the day, of a TDateTime;
// the time part of a negative date counts forward from that day's midnight.
void SplitTimeStamp(TDateTime Value, Integer& Date, Integer& Time) {
  double Ms = std::nearbyint(std::fabs(Value - std::trunc(Value)) * MSecsPerDayF);
  Date = DateDelta + static_cast<Integer>(std::trunc(Value));
  Time = static_cast<Integer>(Ms);
  if (Time >= 86400000) {  // rounding reached the next midnight
    Time -= 86400000;
    Date += Value < 0 ? -1 : 1;
  }
}

TDateTime JoinTimeStamp(Integer Date, Integer Time) {
  double Days = static_cast<double>(Date - DateDelta);
  double Frac = Time / MSecsPerDayF;
  return Days < 0 ? Days - Frac : Days + Frac;
}

}  // namespace

TDateTimeRec DateTimeToNative(TFieldType DataType, TDateTime Value) {
  TDateTimeRec R;
  R.DateTime = 0;
  Integer Date, Time;
  SplitTimeStamp(Value, Date, Time);
  switch (DataType) {
    case ftDate: R.Date = Date; break;
    case ftTime: R.Time = Time; break;
    default: R.DateTime = static_cast<double>(Date) * MSecsPerDayF + Time; break;
  }
  return R;
}

TDateTime NativeToDateTime(TFieldType DataType, const TDateTimeRec& Data) {
  switch (DataType) {
    case ftDate: return JoinTimeStamp(Data.Date, 0);
    case ftTime: return JoinTimeStamp(DateDelta, Data.Time);
    default: {
      double Days = std::floor(Data.DateTime / MSecsPerDayF);
      double Ms = Data.DateTime - Days * MSecsPerDayF;
      return JoinTimeStamp(static_cast<Integer>(Days), static_cast<Integer>(std::nearbyint(Ms)));
    }
  }
}

TBCD DoubleToBCD(double Value, int Decimals) {
  TBCD R;
  if (Decimals < 0) Decimals = 0;
  if (Decimals > 20) Decimals = 20;
  char Text[400];
  std::snprintf(Text, sizeof Text, "%.*f", Decimals, std::fabs(Value));
  std::string Digits;
  for (const char* p = Text; *p; ++p)
    if (*p >= '0' && *p <= '9') Digits += *p;
  // Drop leading zeros of the integer part, keep at least one digit.
  while (Digits.size() > static_cast<size_t>(Decimals) + 1 && Digits[0] == '0') Digits.erase(0, 1);
  if (Digits.size() > 64) Digits.erase(0, Digits.size() - 64);
  R.Precision = static_cast<Byte>(Digits.size());
  bool Negative = Value < 0 && Digits.find_first_not_of('0') != std::string::npos;
  R.SignSpecialPlaces = static_cast<Byte>((Negative ? 0x80 : 0) | Decimals);
  for (size_t i = 0; i < Digits.size(); ++i) {
    Byte D = static_cast<Byte>(Digits[i] - '0');
    R.Fraction[i / 2] |= (i % 2 == 0) ? static_cast<Byte>(D << 4) : D;
  }
  return R;
}

double BCDToDouble(const TBCD& Value) {
  double R = 0;
  for (int i = 0; i < Value.Precision && i < 64; ++i) {
    Byte B = Value.Fraction[i / 2];
    R = R * 10 + ((i % 2 == 0) ? (B >> 4) : (B & 0x0F));
  }
  int Places = Value.SignSpecialPlaces & 0x3F;
  R /= std::pow(10.0, Places);
  return (Value.SignSpecialPlaces & 0x80) ? -R : R;
}
