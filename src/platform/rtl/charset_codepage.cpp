// Single-byte code pages and the ANSI case mapping.
#include <array>
#include <string_view>
#include <unordered_map>

#include "platform/rtl/charset.h"

namespace {

using TUpperHalf = std::array<char16_t, 128>;

// Windows-1252, bytes 0x80..0xFF. The undefined bytes 0x81, 0x8D, 0x8F, 0x90
// and 0x9D map to the C1 controls of the same value.
constexpr TUpperHalf kAnsiTable = [] {
  TUpperHalf T{};
  constexpr char16_t C1[32] = {
      0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
      0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
      0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
      0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
  for (int i = 0; i < 32; ++i) T[i] = C1[i];
  for (int i = 32; i < 128; ++i) T[i] = static_cast<char16_t>(0x80 + i);
  return T;
}();

// Code page 850 (multilingual Latin 1, DOS), bytes 0x80..0xFF.
constexpr TUpperHalf kOemTable = {
    0x00C7, 0x00FC, 0x00E9, 0x00E2, 0x00E4, 0x00E0, 0x00E5, 0x00E7,
    0x00EA, 0x00EB, 0x00E8, 0x00EF, 0x00EE, 0x00EC, 0x00C4, 0x00C5,
    0x00C9, 0x00E6, 0x00C6, 0x00F4, 0x00F6, 0x00F2, 0x00FB, 0x00F9,
    0x00FF, 0x00D6, 0x00DC, 0x00F8, 0x00A3, 0x00D8, 0x00D7, 0x0192,
    0x00E1, 0x00ED, 0x00F3, 0x00FA, 0x00F1, 0x00D1, 0x00AA, 0x00BA,
    0x00BF, 0x00AE, 0x00AC, 0x00BD, 0x00BC, 0x00A1, 0x00AB, 0x00BB,
    0x2591, 0x2592, 0x2593, 0x2502, 0x2524, 0x00C1, 0x00C2, 0x00C0,
    0x00A9, 0x2563, 0x2551, 0x2557, 0x255D, 0x00A2, 0x00A5, 0x2510,
    0x2514, 0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x00E3, 0x00C3,
    0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550, 0x256C, 0x00A4,
    0x00F0, 0x00D0, 0x00CA, 0x00CB, 0x00C8, 0x0131, 0x00CD, 0x00CE,
    0x00CF, 0x2518, 0x250C, 0x2588, 0x2584, 0x00A6, 0x00CC, 0x2580,
    0x00D3, 0x00DF, 0x00D4, 0x00D2, 0x00F5, 0x00D5, 0x00B5, 0x00FE,
    0x00DE, 0x00DA, 0x00DB, 0x00D9, 0x00FD, 0x00DD, 0x00AF, 0x00B4,
    0x00AD, 0x00B1, 0x2017, 0x00BE, 0x00B6, 0x00A7, 0x00F7, 0x00B8,
    0x00B0, 0x00A8, 0x00B7, 0x00B9, 0x00B3, 0x00B2, 0x25A0, 0x00A0};

using TReverseMap = std::unordered_map<char32_t, unsigned char>;

TReverseMap Reverse(const TUpperHalf& Table) {
  TReverseMap M;
  for (int i = 0; i < 128; ++i) M.emplace(Table[i], static_cast<unsigned char>(0x80 + i));
  return M;
}

// The length of the leading run of ASCII bytes of S: the same bytes in a
// single-byte code page and in UTF-8, copied as they stand.
std::size_t AsciiPrefix(std::string_view S) {
  std::size_t I = 0;
  while (I < S.size() && static_cast<unsigned char>(S[I]) < 0x80) ++I;
  return I;
}

String DecodeSingleByte(const std::string& Bytes, const TUpperHalf& Table) {
  const std::size_t Plain = AsciiPrefix(Bytes);
  if (Plain == Bytes.size()) return Bytes;
  String Out;
  Out.reserve(Bytes.size() + Bytes.size() / 4);
  Out.assign(Bytes, 0, Plain);
  for (unsigned char B : std::string_view(Bytes).substr(Plain)) {
    if (B < 0x80)
      Out += static_cast<char>(B);
    else
      Utf8Append(Out, Table[B - 0x80]);
  }
  return Out;
}

std::string EncodeSingleByte(const String& S, const TReverseMap& Map) {
  std::size_t I = AsciiPrefix(S);
  if (I == S.size()) return S;
  std::string Out;
  Out.reserve(S.size());
  Out.assign(S, 0, I);
  while (I < S.size()) {
    const char32_t C = Utf8Decode(S, I);
    if (C < 0x80) {
      Out += static_cast<char>(C);
      continue;
    }
    const auto It = Map.find(C);
    Out += It == Map.end() ? '?' : static_cast<char>(It->second);
  }
  return Out;
}

// Applies a character mapping to every character of S.
template <class Fn>
String MapChars(const String& S, Fn Map) {
  String Out;
  Out.reserve(S.size());
  for (std::size_t I = 0; I < S.size();) {
    const std::size_t Start = I;
    const char32_t C = Utf8Decode(S, I);
    if (C == 0xFFFD)
      Out.append(S, Start, I - Start);  // keep invalid bytes untouched
    else
      Utf8Append(Out, Map(C));
  }
  return Out;
}

}  // namespace

String AnsiToUtf8(const std::string& Ansi) { return DecodeSingleByte(Ansi, kAnsiTable); }

std::string Utf8ToAnsi(const String& S) {
  static const TReverseMap Map = Reverse(kAnsiTable);
  return EncodeSingleByte(S, Map);
}

String OemToUtf8(const std::string& Oem) { return DecodeSingleByte(Oem, kOemTable); }

std::string Utf8ToOem(const String& S) {
  static const TReverseMap Map = Reverse(kOemTable);
  return EncodeSingleByte(S, Map);
}

char32_t AnsiUpperChar(char32_t C) {
  if (C >= 'a' && C <= 'z') return C - 32;
  if (C >= 0xE0 && C <= 0xFE && C != 0xF7) return C - 32;
  switch (C) {
    case 0xFF: return 0x178;
    case 0x161: return 0x160;
    case 0x17E: return 0x17D;
    case 0x153: return 0x152;
    default: return C;
  }
}

char32_t AnsiLowerChar(char32_t C) {
  if (C >= 'A' && C <= 'Z') return C + 32;
  if (C >= 0xC0 && C <= 0xDE && C != 0xD7) return C + 32;
  switch (C) {
    case 0x178: return 0xFF;
    case 0x160: return 0x161;
    case 0x17D: return 0x17E;
    case 0x152: return 0x153;
    default: return C;
  }
}

String AnsiUpperCase(const String& S) { return MapChars(S, AnsiUpperChar); }

String AnsiLowerCase(const String& S) { return MapChars(S, AnsiLowerChar); }
