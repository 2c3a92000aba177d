// StrToDate, StrToTime, StrToDateTime and their Try/Def variants.
#include <cctype>

#include "platform/rtl/charset.h"
#include "platform/rtl/datetime_internal.h"

namespace {

enum TDateOrder { doDMY, doMDY, doYMD };

// The order of day, month and year in a short date format: the first of
// the letters d, m, y outside quoted text decides.
TDateOrder DateOrder(const String& ShortDateFormat) {
  for (std::size_t I = 0; I < ShortDateFormat.size(); ++I) {
    const char C = static_cast<char>(std::toupper(static_cast<unsigned char>(ShortDateFormat[I])));
    if (C == '\'' || C == '"') {
      const std::size_t Close = ShortDateFormat.find(ShortDateFormat[I], I + 1);
      if (Close == String::npos) break;
      I = Close;
    } else if (C == 'D') {
      return doDMY;
    } else if (C == 'M') {
      return doMDY;
    } else if (C == 'Y') {
      return doYMD;
    }
  }
  return doDMY;
}

// A cursor over the text being parsed.
class TScanner {
 public:
  explicit TScanner(const String& S) : FText(S) {}

  void SkipBlanks() {
    while (FPos < FText.size() && FText[FPos] == ' ') ++FPos;
  }
  bool AtEnd() const { return FPos >= FText.size(); }
  std::size_t Position() const { return FPos; }
  void Reset(std::size_t Pos) { FPos = Pos; }

  // Reads up to nine decimal digits; Digits receives their count.
  bool Number(Word& Value, int& Digits) {
    Integer V = 0;
    Digits = 0;
    while (FPos < FText.size() && std::isdigit(static_cast<unsigned char>(FText[FPos])) && Digits < 9) {
      V = V * 10 + (FText[FPos++] - '0');
      ++Digits;
    }
    if (Digits == 0 || V > 65535) return false;
    Value = static_cast<Word>(V);
    return true;
  }

  bool Char(char C) {
    if (FPos < FText.size() && FText[FPos] == C) {
      ++FPos;
      return true;
    }
    return false;
  }

  // Consumes Word when the text continues with it, ignoring case.
  bool Text(const String& Word) {
    if (Word.empty()) return false;
    if (!AnsiSameText(FText.substr(FPos, Word.size()), Word)) return false;
    FPos += Word.size();
    return true;
  }

 private:
  const String& FText;
  std::size_t FPos = 0;
};

Word CurrentYear() { return NowLocal().Year; }

// Places a one- or two-digit year in the century window.
Word WindowYear(Word Year, const TFormatSettings& FS) {
  const Integer Base = CurrentYear() - FS.TwoDigitYearCenturyWindow;
  Integer Y = Year + Base / 100 * 100;
  if (FS.TwoDigitYearCenturyWindow > 0 && Y < Base) Y += 100;
  return static_cast<Word>(Y);
}

bool ScanDate(TScanner& Sc, const TFormatSettings& FS, TDateTime& Value) {
  Word N[3] = {0, 0, 0};
  int Digits[3] = {0, 0, 0};
  Sc.SkipBlanks();
  if (!Sc.Number(N[0], Digits[0]) || !Sc.Char(FS.DateSeparator) || !Sc.Number(N[1], Digits[1]))
    return false;
  int Count = 2;
  if (Sc.Char(FS.DateSeparator) && Sc.Number(N[2], Digits[2])) Count = 3;
  Word Y, M, D;
  int YearDigits = 4;
  switch (DateOrder(FS.ShortDateFormat)) {
    case doYMD:
      if (Count == 3) { Y = N[0]; M = N[1]; D = N[2]; YearDigits = Digits[0]; }
      else { Y = CurrentYear(); M = N[0]; D = N[1]; }
      break;
    case doMDY:
      M = N[0]; D = N[1];
      Y = Count == 3 ? N[2] : CurrentYear();
      if (Count == 3) YearDigits = Digits[2];
      break;
    default:
      D = N[0]; M = N[1];
      Y = Count == 3 ? N[2] : CurrentYear();
      if (Count == 3) YearDigits = Digits[2];
      break;
  }
  if (YearDigits <= 2) Y = WindowYear(Y, FS);
  return TryEncodeDate(Y, M, D, Value);
}

bool ScanAmPm(TScanner& Sc, const TFormatSettings& FS, int& Half) {
  Sc.SkipBlanks();
  Half = 0;
  if (Sc.Text(FS.TimeAMString) || Sc.Text("AM")) Half = 1;
  else if (Sc.Text(FS.TimePMString) || Sc.Text("PM")) Half = 2;
  return true;
}

bool ScanTime(TScanner& Sc, const TFormatSettings& FS, TDateTime& Value) {
  Word H = 0, N = 0, S = 0, Ms = 0;
  int Digits = 0;
  Sc.SkipBlanks();
  if (!Sc.Number(H, Digits) || !Sc.Char(FS.TimeSeparator) || !Sc.Number(N, Digits)) return false;
  if (Sc.Char(FS.TimeSeparator)) {
    if (!Sc.Number(S, Digits)) return false;
    if (Sc.Char(FS.DecimalSeparator) && !Sc.Number(Ms, Digits)) return false;
  }
  int Half = 0;
  ScanAmPm(Sc, FS, Half);
  if (Half != 0) {
    if (H > 12) return false;
    if (Half == 1 && H == 12) H = 0;
    if (Half == 2 && H < 12) H += 12;
  }
  return TryEncodeTime(H, N, S, Ms, Value);
}

bool Finished(TScanner& Sc) {
  Sc.SkipBlanks();
  return Sc.AtEnd();
}

[[noreturn]] void Raise(const char* Template, const String& S) {
  throw EConvertError(Format(Template, {S}));
}

}  // namespace

bool TryStrToDate(const String& S, TDateTime& Value, const TFormatSettings& FS) {
  TScanner Sc(S);
  TDateTime D = 0;
  if (!ScanDate(Sc, FS, D) || !Finished(Sc)) return false;
  Value = D;
  return true;
}

bool TryStrToTime(const String& S, TDateTime& Value, const TFormatSettings& FS) {
  TScanner Sc(S);
  TDateTime T = 0;
  if (!ScanTime(Sc, FS, T) || !Finished(Sc)) return false;
  Value = T;
  return true;
}

bool TryStrToDateTime(const String& S, TDateTime& Value, const TFormatSettings& FS) {
  TScanner Sc(S);
  TDateTime D = 0, T = 0;
  if (ScanDate(Sc, FS, D)) {
    if (Finished(Sc) || (ScanTime(Sc, FS, T) && Finished(Sc))) {
      Value = ComposeDateTime(D, T);
      return true;
    }
    return false;
  }
  Sc.Reset(0);
  if (!ScanTime(Sc, FS, T) || !Finished(Sc)) return false;
  Value = T;
  return true;
}

TDateTime StrToDate(const String& S, const TFormatSettings& FS) {
  TDateTime V = 0;
  if (!TryStrToDate(S, V, FS)) Raise(SInvalidDate, S);
  return V;
}

TDateTime StrToTime(const String& S, const TFormatSettings& FS) {
  TDateTime V = 0;
  if (!TryStrToTime(S, V, FS)) Raise(SInvalidTime, S);
  return V;
}

TDateTime StrToDateTime(const String& S, const TFormatSettings& FS) {
  TDateTime V = 0;
  if (!TryStrToDateTime(S, V, FS)) Raise(SInvalidDateTime, S);
  return V;
}

TDateTime StrToDateDef(const String& S, TDateTime Default, const TFormatSettings& FS) {
  TDateTime V = 0;
  return TryStrToDate(S, V, FS) ? V : Default;
}

TDateTime StrToTimeDef(const String& S, TDateTime Default, const TFormatSettings& FS) {
  TDateTime V = 0;
  return TryStrToTime(S, V, FS) ? V : Default;
}

TDateTime StrToDateTimeDef(const String& S, TDateTime Default, const TFormatSettings& FS) {
  TDateTime V = 0;
  return TryStrToDateTime(S, V, FS) ? V : Default;
}
