#include "platform/rtl/guid.h"

#include <cstdio>
#include <random>

const TGUID GUID_NULL{};

namespace {
// The message for a text that is no GUID.
String InvalidGUIDText(const String& S) { return "'" + S + "' ist keine gültige GUID"; }

// Positions of the hyphens in the text form.
bool IsHyphenPos(std::size_t I) { return I == 9 || I == 14 || I == 19 || I == 24; }

int HexValue(char C) {
  if (C >= '0' && C <= '9') return C - '0';
  if (C >= 'A' && C <= 'F') return C - 'A' + 10;
  if (C >= 'a' && C <= 'f') return C - 'a' + 10;
  return -1;
}

// Reads Digits hex digits from S at P (skipping hyphens); false on a bad
// digit.
bool ReadHex(const String& S, std::size_t& P, int Digits, std::uint32_t& Value) {
  Value = 0;
  for (int i = 0; i < Digits; ++i, ++P) {
    if (IsHyphenPos(P)) ++P;
    int V = HexValue(S[P]);
    if (V < 0) return false;
    Value = (Value << 4) | static_cast<std::uint32_t>(V);
  }
  return true;
}

bool HasGUIDShape(const String& S) {
  if (S.size() != 38 || S.front() != '{' || S.back() != '}') return false;
  for (std::size_t I = 1; I < 37; ++I)
    if (IsHyphenPos(I) != (S[I] == '-')) return false;
  return true;
}
}  // namespace

Integer CreateGUID(TGUID& Guid) {
  std::uint32_t W[4];
  try {
    std::random_device Random;
    for (auto& V : W) V = Random();
  } catch (const std::exception& E) {
    throw EOSError(E.what());
  }
  Guid.D1 = W[0];
  Guid.D2 = static_cast<Word>(W[1]);
  // Version 4 (random) and the RFC 4122 variant, as the system generator.
  Guid.D3 = static_cast<Word>(((W[1] >> 16) & 0x0FFF) | 0x4000);
  for (int i = 0; i < 4; ++i) {
    Guid.D4[i] = static_cast<Byte>(W[2] >> (8 * i));
    Guid.D4[4 + i] = static_cast<Byte>(W[3] >> (8 * i));
  }
  Guid.D4[0] = static_cast<Byte>((Guid.D4[0] & 0x3F) | 0x80);
  return S_OK;
}

TGUID NewGUID() {
  TGUID Guid;
  CreateGUID(Guid);
  return Guid;
}

String GUIDToString(const TGUID& G) {
  char Buf[39];
  std::snprintf(Buf, sizeof Buf, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                static_cast<unsigned>(G.D1), G.D2, G.D3, G.D4[0], G.D4[1], G.D4[2], G.D4[3],
                G.D4[4], G.D4[5], G.D4[6], G.D4[7]);
  return Buf;
}

bool TryStringToGUID(const String& S, TGUID& Guid) {
  if (!HasGUIDShape(S)) return false;
  TGUID G;
  std::size_t P = 1;
  std::uint32_t V;
  if (!ReadHex(S, P, 8, V)) return false;
  G.D1 = V;
  if (!ReadHex(S, P, 4, V)) return false;
  G.D2 = static_cast<Word>(V);
  if (!ReadHex(S, P, 4, V)) return false;
  G.D3 = static_cast<Word>(V);
  for (Byte& B : G.D4) {
    if (!ReadHex(S, P, 2, V)) return false;
    B = static_cast<Byte>(V);
  }
  Guid = G;
  return true;
}

TGUID StringToGUID(const String& S) {
  TGUID Guid;
  if (!TryStringToGUID(S, Guid)) {
    throw EConvertError(InvalidGUIDText(S));
  }
  return Guid;
}
