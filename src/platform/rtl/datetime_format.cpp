// FormatDateTime and the texts built on it.
#include <cctype>
#include <cstring>

#include "platform/rtl/datetime_internal.h"

namespace {

char Upper(char C) { return static_cast<char>(std::toupper(static_cast<unsigned char>(C))); }

bool StartsWithNoCase(const String& S, std::size_t I, const char* Token) {
  for (std::size_t k = 0; Token[k]; ++k)
    if (I + k >= S.size() || Upper(S[I + k]) != Token[k]) return false;
  return true;
}

String TwoDigits(Word V) {
  String S = IntToStr(V);
  return S.size() < 2 ? "0" + S : S;
}

String Padded(Word V, std::size_t Width) {
  String S = IntToStr(V);
  if (S.size() < Width) S.insert(0, Width - S.size(), '0');
  return S;
}

// True when Fmt holds an am/pm, a/p or ampm token at or after From
// (quoted text skipped): the hours are then shown on the 12-hour clock.
bool HasAmPmToken(const String& Fmt, std::size_t From) {
  for (std::size_t I = From; I < Fmt.size(); ++I) {
    const char C = Fmt[I];
    if (C == '\'' || C == '"') {
      const std::size_t Close = Fmt.find(C, I + 1);
      if (Close == String::npos) return false;
      I = Close;
    } else if (StartsWithNoCase(Fmt, I, "AM/PM") || StartsWithNoCase(Fmt, I, "A/P") ||
               StartsWithNoCase(Fmt, I, "AMPM")) {
      return true;
    }
  }
  return false;
}

class TDateTimeWriter {
 public:
  TDateTimeWriter(TDateTime Value, const TFormatSettings& FS) : FSettings(FS) {
    DecodeDateTime(Value, FYear, FMonth, FDay, FHour, FMin, FSec, FMSec);
    FDayOfWeek = DayOfWeek(Value);
  }

  String Result() const { return FOut; }

  void Write(const String& Fmt, int Depth = 0) {
    if (Depth > 2) return;  // a format naming itself through the settings
    for (std::size_t I = 0; I < Fmt.size();) I = Step(Fmt, I, Depth);
  }

 private:
  std::size_t Step(const String& Fmt, std::size_t I, int Depth) {
    const char C = Upper(Fmt[I]);
    if (Fmt[I] == '\'' || Fmt[I] == '"') return Quoted(Fmt, I);
    if (C == 'A') return AmPm(Fmt, I);
    std::size_t Count = 1;
    if (C != '\0' && std::strchr("YMDHNSZT", C))
      while (I + Count < Fmt.size() && Upper(Fmt[I + Count]) == C) ++Count;
    switch (C) {
      case 'Y': Year(Count); break;
      case 'M': Month(Count); break;
      case 'D': Day(Count, Depth); break;
      case 'H': Hour(Count, HasAmPmToken(Fmt, I + Count)); break;
      case 'N': Number(FMin, Count); break;
      case 'S': Number(FSec, Count); break;
      case 'Z': FOut += Count == 1 ? IntToStr(FMSec) : Padded(FMSec, 3); FAfterHour = false; break;
      case 'T': Write(Count == 1 ? FSettings.ShortTimeFormat : FSettings.LongTimeFormat, Depth + 1); break;
      case 'C': Full(Depth); break;
      case '/': FOut += FSettings.DateSeparator; break;
      case ':': FOut += FSettings.TimeSeparator; break;
      default: FOut += Fmt[I]; break;
    }
    return I + Count;
  }

  std::size_t Quoted(const String& Fmt, std::size_t I) {
    const std::size_t Close = Fmt.find(Fmt[I], I + 1);
    const std::size_t End = Close == String::npos ? Fmt.size() : Close;
    FOut.append(Fmt, I + 1, End - I - 1);
    return End + 1;
  }

  std::size_t AmPm(const String& Fmt, std::size_t I) {
    const bool Pm = FHour >= 12;
    FAfterHour = false;
    if (StartsWithNoCase(Fmt, I, "AM/PM")) {
      FOut += Fmt.substr(Pm ? I + 3 : I, 2);
      return I + 5;
    }
    if (StartsWithNoCase(Fmt, I, "A/P")) {
      FOut += Fmt[Pm ? I + 2 : I];
      return I + 3;
    }
    if (StartsWithNoCase(Fmt, I, "AMPM")) {
      FOut += Pm ? FSettings.TimePMString : FSettings.TimeAMString;
      return I + 4;
    }
    FOut += Fmt[I];
    return I + 1;
  }

  void Number(Word V, std::size_t Count) {
    FOut += Count == 1 ? IntToStr(V) : TwoDigits(V);
    FAfterHour = false;
  }

  void Year(std::size_t Count) {
    FOut += Count <= 2 ? TwoDigits(FYear % 100) : Padded(FYear, 4);
    FAfterHour = false;
  }

  void Month(std::size_t Count) {
    if (FAfterHour && Count <= 2) return Number(FMin, Count);
    if (Count <= 2) FOut += Count == 1 ? IntToStr(FMonth) : TwoDigits(FMonth);
    else if (FMonth >= 1) FOut += Count == 3 ? FSettings.ShortMonthNames[FMonth] : FSettings.LongMonthNames[FMonth];
    FAfterHour = false;
  }

  void Day(std::size_t Count, int Depth) {
    FAfterHour = false;
    switch (Count) {
      case 1: FOut += IntToStr(FDay); break;
      case 2: FOut += TwoDigits(FDay); break;
      case 3: if (FDayOfWeek) FOut += FSettings.ShortDayNames[FDayOfWeek]; break;
      case 4: if (FDayOfWeek) FOut += FSettings.LongDayNames[FDayOfWeek]; break;
      case 5: Write(FSettings.ShortDateFormat, Depth + 1); break;
      default: Write(FSettings.LongDateFormat, Depth + 1); break;
    }
  }

  void Hour(std::size_t Count, bool TwelveHour) {
    Word H = FHour;
    if (TwelveHour) {
      H %= 12;
      if (H == 0) H = 12;
    }
    FOut += Count == 1 ? IntToStr(H) : TwoDigits(H);
    FAfterHour = true;
  }

  void Full(int Depth) {
    Write(FSettings.ShortDateFormat, Depth + 1);
    if (FHour || FMin || FSec || FMSec) {
      FOut += ' ';
      Write(FSettings.LongTimeFormat, Depth + 1);
    }
    FAfterHour = false;
  }

  const TFormatSettings& FSettings;
  Word FYear, FMonth, FDay, FHour, FMin, FSec, FMSec, FDayOfWeek;
  bool FAfterHour = false;
  String FOut;
};

}  // namespace

String FormatDateTime(const String& Fmt, TDateTime Value, const TFormatSettings& FS) {
  TDateTimeWriter W(Value, FS);
  W.Write(Fmt.empty() ? String("c") : Fmt);
  return W.Result();
}

String DateToStr(TDateTime Date, const TFormatSettings& FS) {
  return FormatDateTime("ddddd", Date, FS);
}

String TimeToStr(TDateTime Time, const TFormatSettings& FS) {
  return FormatDateTime("tt", Time, FS);
}

String DateTimeToStr(TDateTime Value, const TFormatSettings& FS) {
  return FormatDateTime("c", Value, FS);
}
