#include "platform/rtl/charset.h"

#include <algorithm>
#include <array>

// ---------------------------------------------------------------------------
// UTF-8 basics

namespace {

bool IsContinuation(unsigned char B) { return (B & 0xC0) == 0x80; }

// Length of the sequence announced by lead byte B, 0 for an invalid lead.
int SequenceLength(unsigned char B) {
  if (B < 0x80) return 1;
  if (B >= 0xC2 && B <= 0xDF) return 2;
  if (B >= 0xE0 && B <= 0xEF) return 3;
  if (B >= 0xF0 && B <= 0xF4) return 4;
  return 0;
}

// Length of the UTF-8 sequence starting at S[P], or 0 when the bytes there
// are no well-formed sequence (overlong forms and surrogates included).
std::size_t Utf8SequenceLength(const String& S, std::size_t P) {
  auto B = [&](std::size_t i) { return static_cast<unsigned char>(S[i]); };
  unsigned char C = B(P);
  if (C < 0x80) return 1;
  std::size_t N = C >= 0xF0 && C <= 0xF4 ? 4 : C >= 0xE0 ? 3 : C >= 0xC2 && C < 0xE0 ? 2 : 0;
  if (N == 0 || C > 0xF4 || P + N > S.size()) return 0;
  for (std::size_t i = 1; i < N; ++i)
    if ((B(P + i) & 0xC0) != 0x80) return 0;
  unsigned char C1 = B(P + 1);
  if ((C == 0xE0 && C1 < 0xA0) || (C == 0xED && C1 >= 0xA0) || (C == 0xF0 && C1 < 0x90) ||
      (C == 0xF4 && C1 >= 0x90))
    return 0;
  return N;
}

}  // namespace

bool IsValidUtf8(const String& S) {
  for (std::size_t P = 0; P < S.size();) {
    std::size_t N = Utf8SequenceLength(S, P);
    if (N == 0) return false;
    P += N;
  }
  return true;
}

char32_t Utf8Decode(const String& S, std::size_t& I) {
  const auto Lead = static_cast<unsigned char>(S[I]);
  const int Len = SequenceLength(Lead);
  if (Len == 1) return S[I++] & 0x7F;
  if (Len == 0 || I + Len > S.size()) {
    ++I;
    return 0xFFFD;
  }
  char32_t C = Lead & (0xFF >> (Len + 1));
  for (int k = 1; k < Len; ++k) {
    const auto B = static_cast<unsigned char>(S[I + k]);
    if (!IsContinuation(B)) {
      ++I;
      return 0xFFFD;
    }
    C = (C << 6) | (B & 0x3F);
  }
  I += Len;
  return C;
}

void Utf8Append(String& Out, char32_t C) {
  if (C < 0x80) {
    Out += static_cast<char>(C);
  } else if (C < 0x800) {
    Out += static_cast<char>(0xC0 | (C >> 6));
    Out += static_cast<char>(0x80 | (C & 0x3F));
  } else if (C < 0x10000) {
    Out += static_cast<char>(0xE0 | (C >> 12));
    Out += static_cast<char>(0x80 | ((C >> 6) & 0x3F));
    Out += static_cast<char>(0x80 | (C & 0x3F));
  } else {
    Out += static_cast<char>(0xF0 | (C >> 18));
    Out += static_cast<char>(0x80 | ((C >> 12) & 0x3F));
    Out += static_cast<char>(0x80 | ((C >> 6) & 0x3F));
    Out += static_cast<char>(0x80 | (C & 0x3F));
  }
}

Integer Utf8CharCount(const String& S) {
  Integer N = 0;
  for (unsigned char B : S)
    if (!IsContinuation(B)) ++N;
  return N;
}

std::size_t Utf8ByteOffset(std::string_view S, Integer CharIndex) {
  if (CharIndex <= 0) return 0;
  // Every character takes at least one byte: a text of at most CharIndex
  // bytes has no character at CharIndex.
  if (S.size() <= static_cast<std::size_t>(CharIndex)) return S.size();
  Integer Seen = 0;
  for (std::size_t I = 0; I < S.size(); ++I) {
    if (IsContinuation(static_cast<unsigned char>(S[I]))) continue;
    if (Seen == CharIndex) return I;
    ++Seen;
  }
  return S.size();
}

Integer Utf8CharPos(const String& S, std::size_t ByteOffset) {
  ByteOffset = std::min(ByteOffset, S.size());
  Integer N = 1;
  for (std::size_t I = 0; I < ByteOffset; ++I)
    if (!IsContinuation(static_cast<unsigned char>(S[I]))) ++N;
  return N;
}

// ---------------------------------------------------------------------------
// the class library's string primitives

Integer Length(const String& S) { return Utf8CharCount(S); }

String Copy(const String& S, Integer Index, Integer Count) {
  if (Index < 1) {
    Count += Index - 1;
    Index = 1;
  }
  if (Count <= 0) return String();
  const std::size_t From = Utf8ByteOffset(S, Index - 1);
  if (From >= S.size()) return String();
  const std::size_t To = From + Utf8ByteOffset(S.substr(From), Count);
  return S.substr(From, To - From);
}

Integer Pos(const String& Sub, const String& S) { return PosEx(Sub, S, 1); }

Integer PosEx(const String& Sub, const String& S, Integer Offset) {
  if (Sub.empty() || Offset < 1) return 0;
  const std::size_t From = Utf8ByteOffset(S, Offset - 1);
  if (From >= S.size()) return 0;
  const std::size_t At = S.find(Sub, From);
  return At == String::npos ? 0 : Utf8CharPos(S, At);
}

void Delete(String& S, Integer Index, Integer Count) {
  if (Index < 1 || Count <= 0) return;
  const std::size_t From = Utf8ByteOffset(S, Index - 1);
  if (From >= S.size()) return;
  const std::size_t To = From + Utf8ByteOffset(S.substr(From), Count);
  S.erase(From, To - From);
}

void Insert(const String& Source, String& S, Integer Index) {
  const Integer Len = Length(S);
  Index = std::clamp(Index, 1, Len + 1);
  S.insert(Utf8ByteOffset(S, Index - 1), Source);
}

String CharAt(const String& S, Integer Index) { return Copy(S, Index, Index < 1 ? 0 : 1); }
