// Calendar arithmetic: Julian day numbers and the engine's date texts.
#include "platform/engine/expr_date.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <vector>

namespace oak {

namespace {

bool IsLeap(int Y) { return (Y % 4 == 0 && Y % 100 != 0) || Y % 400 == 0; }

int DaysInMonth(int Y, int M) {
  static const int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return M == 2 && IsLeap(Y) ? 29 : kDays[M - 1];
}

bool AllBlank(std::string_view S) {
  for (char c : S)
    if (c != ' ' && c != '\t') return false;
  return true;
}

// One field of a date format: its letter and width.
struct FormatField {
  char Letter;  // 'D', 'M', 'Y'
  int Width;
};

// Splits a format into its letter runs ("DD.MM.CCYY" -> D2 M2 Y4).
std::vector<FormatField> FormatFields(std::string_view Format) {
  std::vector<FormatField> Out;
  for (std::size_t i = 0; i < Format.size();) {
    char c = static_cast<char>(std::toupper(static_cast<unsigned char>(Format[i])));
    if (c == 'C') c = 'Y';
    if (c != 'D' && c != 'M' && c != 'Y') {
      ++i;
      continue;
    }
    std::size_t j = i;
    while (j < Format.size()) {
      char d = static_cast<char>(std::toupper(static_cast<unsigned char>(Format[j])));
      if (d == 'C') d = 'Y';
      if (d != c) break;
      ++j;
    }
    if (!Out.empty() && Out.back().Letter == c)
      Out.back().Width += static_cast<int>(j - i);
    else
      Out.push_back({c, static_cast<int>(j - i)});
    i = j;
  }
  return Out;
}

}  // namespace

std::int32_t JulianFromYMD(int Y, int M, int D) {
  if (Y < 1 || Y > 9999 || M < 1 || M > 12 || D < 1 || D > DaysInMonth(Y, M)) return 0;
  long a = (M - 14) / 12;
  long j = (1461L * (Y + 4800 + a)) / 4 + (367L * (M - 2 - 12 * a)) / 12 -
           (3L * ((Y + 4900 + a) / 100)) / 4 + D - 32075;
  return static_cast<std::int32_t>(j);
}

void YMDFromJulian(std::int32_t J, int& Y, int& M, int& D) {
  long l = J + 68569L;
  long n = 4 * l / 146097;
  l = l - (146097 * n + 3) / 4;
  long i = 4000 * (l + 1) / 1461001;
  l = l - 1461 * i / 4 + 31;
  long j = 80 * l / 2447;
  D = static_cast<int>(l - 2447 * j / 80);
  l = j / 11;
  M = static_cast<int>(j + 2 - 12 * l);
  Y = static_cast<int>(100 * (n - 49) + i + l);
}

String JulianToDtos(std::int32_t Julian) {
  if (Julian <= 0) return String(8, ' ');
  int Y, M, D;
  YMDFromJulian(Julian, Y, M, D);
  char Buf[16];
  std::snprintf(Buf, sizeof Buf, "%04d%02d%02d", Y % 10000, M, D);
  return Buf;
}

bool DtosToJulian(std::string_view Text, std::int32_t& Julian) {
  Julian = 0;
  if (AllBlank(Text)) return true;
  if (Text.size() != 8) return false;
  for (char c : Text)
    if (c < '0' || c > '9') return false;
  auto Num = [&](std::size_t At, std::size_t Len) {
    int V = 0;
    for (std::size_t k = At; k < At + Len; ++k) V = V * 10 + (Text[k] - '0');
    return V;
  };
  Julian = JulianFromYMD(Num(0, 4), Num(4, 2), Num(6, 2));
  return Julian != 0;
}

String FormatJulian(std::int32_t Julian, std::string_view Format) {
  int Y = 0, M = 0, D = 0;
  if (Julian > 0) YMDFromJulian(Julian, Y, M, D);
  String Out;
  for (std::size_t i = 0; i < Format.size();) {
    char c = static_cast<char>(std::toupper(static_cast<unsigned char>(Format[i])));
    if (c == 'C') c = 'Y';
    if (c != 'D' && c != 'M' && c != 'Y') {
      Out += Julian > 0 ? Format[i] : ' ';
      ++i;
      continue;
    }
    std::size_t j = i;
    while (j < Format.size()) {
      char d = static_cast<char>(std::toupper(static_cast<unsigned char>(Format[j])));
      if ((d == 'C' ? 'Y' : d) != c) break;
      ++j;
    }
    int Width = static_cast<int>(j - i);
    if (Julian <= 0) {
      Out.append(Width, ' ');
    } else {
      int V = c == 'D' ? D : c == 'M' ? M : Y;
      if (c == 'Y' && Width <= 2) V %= 100;
      char Buf[16];
      std::snprintf(Buf, sizeof Buf, "%0*d", Width, V);
      Out += Buf;
    }
    i = j;
  }
  return Out;
}

bool ParseJulian(std::string_view Text, std::string_view Format, std::int32_t& Julian) {
  Julian = 0;
  if (AllBlank(Text)) return true;
  std::vector<FormatField> Fields = FormatFields(Format);
  int Y = -1, M = -1, D = -1;
  std::size_t i = 0;
  for (const FormatField& F : Fields) {
    while (i < Text.size() && !std::isdigit(static_cast<unsigned char>(Text[i]))) ++i;
    std::size_t Start = i;
    int V = 0;
    while (i < Text.size() && std::isdigit(static_cast<unsigned char>(Text[i])) &&
           i - Start < static_cast<std::size_t>(F.Letter == 'Y' ? 4 : 2)) {
      V = V * 10 + (Text[i] - '0');
      ++i;
    }
    if (i == Start) return false;
    if (F.Letter == 'Y') {
      if (i - Start <= 2) V += V > 49 ? 1900 : 2000;
      Y = V;
    } else if (F.Letter == 'M') {
      M = V;
    } else {
      D = V;
    }
  }
  while (i < Text.size() && Text[i] == ' ') ++i;
  if (i != Text.size() || Y < 0 || M < 0 || D < 0) return false;
  Julian = JulianFromYMD(Y, M, D);
  return Julian != 0;
}

bool ParseTimeOfDay(std::string_view Text, std::int32_t& Millis) {
  std::size_t i = 0;
  auto Skip = [&] { while (i < Text.size() && Text[i] == ' ') ++i; };
  auto Digits = [&](int MaxLen, int& V) {
    std::size_t Start = i;
    V = 0;
    while (i < Text.size() && std::isdigit(static_cast<unsigned char>(Text[i])) &&
           static_cast<int>(i - Start) < MaxLen)
      V = V * 10 + (Text[i++] - '0');
    return i > Start;
  };
  Skip();
  int H = 0, Mi = 0, S = 0, Ms = 0;
  if (!Digits(2, H) || i >= Text.size() || Text[i] != ':') return false;
  ++i;
  if (!Digits(2, Mi)) return false;
  if (i < Text.size() && Text[i] == ':') {
    ++i;
    if (!Digits(2, S)) return false;
    if (i < Text.size() && (Text[i] == '.' || Text[i] == ',')) {
      ++i;
      std::size_t Start = i;
      if (!Digits(3, Ms)) return false;
      for (std::size_t k = i - Start; k < 3; ++k) Ms *= 10;
    }
  }
  Skip();
  if (i + 2 <= Text.size()) {
    char a = static_cast<char>(std::toupper(static_cast<unsigned char>(Text[i])));
    char m = static_cast<char>(std::toupper(static_cast<unsigned char>(Text[i + 1])));
    if ((a == 'A' || a == 'P') && m == 'M') {
      if (H < 1 || H > 12) return false;
      H = (H % 12) + (a == 'P' ? 12 : 0);
      i += 2;
      Skip();
    }
  }
  if (i != Text.size() || H > 23 || Mi > 59 || S > 59) return false;
  Millis = ((H * 60 + Mi) * 60 + S) * 1000 + Ms;
  return true;
}

String FormatTimeOfDay(std::int32_t Millis) {
  if (Millis < 0) Millis = 0;
  int S = Millis / 1000;
  char Buf[16];
  std::snprintf(Buf, sizeof Buf, "%02d:%02d:%02d", (S / 3600) % 24, (S / 60) % 60, S % 60);
  return Buf;
}

void DateTimeToJulianMs(TDateTime Value, std::int32_t& Julian, std::int32_t& Millis) {
  double Day = std::floor(Value);
  double Frac = Value - Day;
  Julian = static_cast<std::int32_t>(Day) + kJulianOfDateZero;
  Millis = static_cast<std::int32_t>(std::llround(Frac * 86400000.0));
  if (Millis >= 86400000) {
    Millis -= 86400000;
    ++Julian;
  }
}

}  // namespace oak
