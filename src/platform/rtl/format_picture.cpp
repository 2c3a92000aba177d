// FormatFloat and FormatCurr: numbers shown through a picture such as
// "#,##0.00;-#,##0.00;0" or "0.000E+00".
#include <algorithm>
#include <vector>

#include "platform/rtl/format_decimal.h"

namespace {

bool IsQuote(char C) { return C == '\'' || C == '"'; }

// Index just past the quoted text that starts at I (the closing quote, or
// the end of the text when it is missing).
std::size_t SkipQuoted(const String& S, std::size_t I) {
  const std::size_t Close = S.find(S[I], I + 1);
  return Close == String::npos ? S.size() : Close + 1;
}

bool IsExponentAt(const String& S, std::size_t I) {
  return (S[I] == 'E' || S[I] == 'e') && I + 1 < S.size() && (S[I + 1] == '+' || S[I + 1] == '-');
}

std::vector<String> SplitSections(const String& Fmt) {
  std::vector<String> Sections(1);
  for (std::size_t I = 0; I < Fmt.size();) {
    if (IsQuote(Fmt[I])) {
      const std::size_t End = SkipQuoted(Fmt, I);
      Sections.back() += Fmt.substr(I, End - I);
      I = End;
    } else if (Fmt[I] == ';') {
      Sections.emplace_back();
      ++I;
    } else {
      Sections.back() += Fmt[I++];
    }
  }
  return Sections;
}

// What a picture section asks for.
struct TPicture {
  Integer IntPlaces = 0;   // digit placeholders before the decimal point
  Integer MinInt = 0;      // digits always shown before the point
  Integer FracPlaces = 0;  // digit placeholders after the point
  Integer MinFrac = 0;     // digits always shown after the point
  bool Thousands = false;
  bool Scientific = false;
  bool ExpSign = false;  // "E+": sign always shown
  Integer ExpDigits = 0;
};

TPicture Analyse(const String& S) {
  TPicture P;
  bool Point = false;
  Integer FirstZero = -1;
  for (std::size_t I = 0; I < S.size() && !P.Scientific;) {
    const char C = S[I];
    if (IsQuote(C)) {
      I = SkipQuoted(S, I);
      continue;
    }
    if (C == '0' || C == '#') {
      if (!Point) {
        if (C == '0' && FirstZero < 0) FirstZero = P.IntPlaces;
        ++P.IntPlaces;
      } else {
        ++P.FracPlaces;
        if (C == '0') P.MinFrac = P.FracPlaces;
      }
    } else if (C == '.') {
      Point = true;
    } else if (C == ',') {
      P.Thousands = true;
    } else if (IsExponentAt(S, I)) {
      P.Scientific = true;
      P.ExpSign = S[I + 1] == '+';
      for (I += 2; I < S.size() && S[I] == '0'; ++I) ++P.ExpDigits;
      P.ExpDigits = std::min(P.ExpDigits, 4);
      continue;
    }
    ++I;
  }
  P.MinInt = FirstZero < 0 ? 0 : P.IntPlaces - FirstZero;
  return P;
}

// The digits that fill the placeholders of one section.
struct TFilled {
  String Int;   // integer digits, left-padded to the minimum
  String Frac;  // fraction digits, right-padded to the minimum
  Integer Exponent = 0;
  bool Negative = false;
};

TFilled Fill(const TPicture& P, const void* Source, TDecimalMaker Make) {
  TFilled F;
  TDecimal D;
  if (P.Scientific) {
    D = Make(Source, std::clamp(P.IntPlaces + P.FracPlaces, 1, 15), 1000);
    const Integer Shift = D.IsZero() ? 0 : P.IntPlaces;
    F.Exponent = D.IsZero() ? 0 : D.Exponent - Shift;
    for (Integer i = 0; i < Shift; ++i) F.Int += i < Integer(D.Digits.size()) ? D.Digits[i] : '0';
    if (Integer(D.Digits.size()) > Shift) F.Frac = D.Digits.substr(Shift);
  } else {
    D = Make(Source, 15, P.FracPlaces);
    for (Integer i = 0; i < D.Exponent; ++i) F.Int += i < Integer(D.Digits.size()) ? D.Digits[i] : '0';
    if (D.Exponent < 0) F.Frac = String(-D.Exponent, '0') + D.Digits;
    else if (D.Exponent < Integer(D.Digits.size())) F.Frac = D.Digits.substr(D.Exponent);
  }
  F.Negative = D.Negative && !D.IsZero();
  if (Integer(F.Int.size()) < P.MinInt) F.Int.insert(0, P.MinInt - F.Int.size(), '0');
  if (Integer(F.Frac.size()) < P.MinFrac) F.Frac.append(P.MinFrac - F.Frac.size(), '0');
  return F;
}

// Writes the filled digits into the picture, left to right.
class TPictureWriter {
 public:
  TPictureWriter(const TPicture& P, const TFilled& F, const TFormatSettings& FS)
      : FPic(P), FFill(F), FSettings(FS) {}

  String Write(const String& S) {
    for (std::size_t I = 0; I < S.size();) I = Step(S, I);
    if (!FPointSeen) FlushInteger();
    return FOut;
  }

 private:
  std::size_t Step(const String& S, std::size_t I) {
    const char C = S[I];
    if (IsQuote(C)) {
      const std::size_t End = SkipQuoted(S, I);
      FOut += S.substr(I + 1, std::max<std::size_t>(End - I, 2) - 2);
      return End;
    }
    if (FExpSeen) {
      FOut += C;
      return I + 1;
    }
    if (C == '0' || C == '#') {
      FPointSeen ? FractionPlace() : IntegerPlace();
    } else if (C == '.') {
      if (!FPointSeen) Point();
    } else if (IsExponentAt(S, I)) {
      return ExponentAt(S, I);
    } else if (C != ',') {
      FOut += C;
    }
    return I + 1;
  }

  void EmitInt(Integer Index) {
    const Integer L = static_cast<Integer>(FFill.Int.size());
    FOut += FFill.Int[Index];
    const Integer Left = L - 1 - Index;
    if (FPic.Thousands && Left > 0 && Left % 3 == 0) FOut += FSettings.ThousandSeparator;
    FNextInt = Index + 1;
  }

  void IntegerPlace() {
    const Integer L = static_cast<Integer>(FFill.Int.size());
    const Integer Slot = FIntSlot++;
    const Integer Digit = L - FPic.IntPlaces + Slot;
    if (Slot == 0)
      for (Integer i = 0; i <= Digit && i < L; ++i) EmitInt(i);
    else if (Digit >= 0)
      EmitInt(Digit);
  }

  void FlushInteger() {
    for (Integer i = FNextInt; i < Integer(FFill.Int.size()); ++i) EmitInt(i);
  }

  void Point() {
    FlushInteger();
    FPointSeen = true;
    if (!FFill.Frac.empty()) FOut += FSettings.DecimalSeparator;
  }

  void FractionPlace() {
    const Integer Slot = FFracSlot++;
    if (Slot < Integer(FFill.Frac.size())) FOut += FFill.Frac[Slot];
  }

  std::size_t ExponentAt(const String& S, std::size_t I) {
    if (!FPointSeen) FlushInteger();
    FExpSeen = true;
    FOut += S[I];
    if (FFill.Exponent < 0) FOut += '-';
    else if (FPic.ExpSign) FOut += '+';
    String Digits = IntToStr(FFill.Exponent < 0 ? -FFill.Exponent : FFill.Exponent);
    if (Integer(Digits.size()) < FPic.ExpDigits) Digits.insert(0, FPic.ExpDigits - Digits.size(), '0');
    FOut += Digits;
    I += 2;
    while (I < S.size() && S[I] == '0') ++I;
    return I;
  }

  const TPicture& FPic;
  const TFilled& FFill;
  const TFormatSettings& FSettings;
  String FOut;
  Integer FIntSlot = 0;
  Integer FFracSlot = 0;
  Integer FNextInt = 0;
  bool FPointSeen = false;
  bool FExpSeen = false;
};

TDecimal MakeFromDouble(const void* Source, Integer Precision, Integer Decimals) {
  return DoubleToDecimal(*static_cast<const double*>(Source), Precision, Decimals);
}

TDecimal MakeFromCurrency(const void* Source, Integer Precision, Integer Decimals) {
  TDecimal D = CurrencyToDecimal(*static_cast<const Currency*>(Source), Decimals);
  RoundDecimal(D, Precision);
  return D;
}

}  // namespace

String FormatDecimalPicture(const String& Fmt, const void* Source, TDecimalMaker Make,
                            const TFormatSettings& FS) {
  const TDecimal Raw = Make(Source, 15, 1000);
  if (Fmt.empty() || Raw.IsSpecial() || Raw.Exponent > 18)
    return DecimalToText(Raw, ffGeneral, 15, 0, FS);
  const std::vector<String> Sections = SplitSections(Fmt);
  std::size_t Chosen = 0;
  if (Raw.IsZero() && Sections.size() >= 3 && !Sections[2].empty())
    Chosen = 2;
  else if (Raw.Negative && Sections.size() >= 2 && !Sections[1].empty())
    Chosen = 1;
  const String& Section = Sections[Chosen].empty() ? Sections[0] : Sections[Chosen];
  const TPicture Picture = Analyse(Section);
  const TFilled Filled = Fill(Picture, Source, Make);
  const String Text = TPictureWriter(Picture, Filled, FS).Write(Section);
  return Chosen == 0 && Filled.Negative ? "-" + Text : Text;
}

String FormatFloat(const String& Fmt, double Value, const TFormatSettings& FS) {
  return FormatDecimalPicture(Fmt, &Value, MakeFromDouble, FS);
}

String FormatCurr(const String& Fmt, Currency Value, const TFormatSettings& FS) {
  return FormatDecimalPicture(Fmt, &Value, MakeFromCurrency, FS);
}
