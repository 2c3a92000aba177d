#include "data/memtable/mtMemCSVStreamFormatReader.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace {

// One comparison for the usual character, which lies above all three.
bool IsLineEnd(int C) { return C <= '\r' && (C == '\0' || C == '\n' || C == '\r'); }

// The first line end in [P, End), or End. Eight bytes at a time: a word
// without a byte below 14 holds no line end; a word with one is looked at
// from its first such byte on.
const char* FindLineEnd(const char* P, const char* End) {
  constexpr std::uint64_t Ones = 0x0101010101010101ull, Highs = 0x8080808080808080ull;
  while (End - P >= 8) {
    std::uint64_t W;
    std::memcpy(&W, P, 8);
    if (((W - Ones * 14) & ~W & Highs) == 0) {
      P += 8;
      continue;
    }
    for (const char* Stop = P + 8; P < Stop; ++P)
      if (IsLineEnd(static_cast<unsigned char>(*P))) return P;
  }
  while (P < End && !IsLineEnd(static_cast<unsigned char>(*P))) ++P;
  return P;
}

}  // namespace

TmtCSVLineReader::TmtCSVLineReader(TStream* Stream) : FStream(Stream) {
  FStartPosition = FStream->Position();
  FStreamSize = FStream->Size();
}

bool TmtCSVLineReader::FillBuffer() {
  Int64 N = FStream->Read(FBuffer, BufferSize);
  FBufPos = 0;
  FBufLeft = static_cast<Integer>(N > 0 ? N : 0);
  ++FFillCount;
  if (FFillCount % 100 == 0 && FOnFillProgress && FStreamSize > 0)
    FOnFillProgress(static_cast<Integer>(FStream->Position() * 100 / FStreamSize));
  return FBufLeft > 0;
}

int TmtCSVLineReader::RefillPeek() {
  if (FEnded || !FillBuffer()) {
    FEnded = true;
    return -1;
  }
  return static_cast<unsigned char>(FBuffer[FBufPos]);
}

void TmtCSVLineReader::SkipLineEnds() {
  for (;;) {
    while (FBufLeft > 0 && IsLineEnd(static_cast<unsigned char>(FBuffer[FBufPos]))) {
      ++FBufPos;
      --FBufLeft;
    }
    if (FBufLeft > 0 || RefillPeek() < 0) return;
  }
}

bool TmtCSVLineReader::ReadLine() {
  for (;;) {
    FLine.clear();
    FPos = 0;
    if (FEnded) return false;
    SkipLineEnds();  // leading line ends
    while (PeekChar() >= 0) {
      // Take the run of ordinary characters straight from the buffer.
      const char* Start = FBuffer + FBufPos;
      const char* End = Start + FBufLeft;
      const char* P = FindLineEnd(Start, End);
      const Integer Run = static_cast<Integer>(P - Start);
      FLine.append(Start, static_cast<size_t>(Run));
      FBufPos += Run;
      FBufLeft -= Run;
      if (P < End) break;
    }
    SkipLineEnds();  // the run that ends the line
    bool More = PeekChar() >= 0;
    if (FOnGetLine) {
      bool Stop = false;
      FOnGetLine(FLine, Stop);
      if (Stop) {
        FEnded = true;
        More = false;
      }
    }
    if (FCommentChar != '\0' && !FLine.empty() && FLine[0] == FCommentChar) {
      if (More) continue;
      FLine.clear();
    }
    return More;
  }
}

std::string_view TmtCSVLineReader::ReadQuoted(char Quote, String& Scratch) {
  // FPos stands on the opening quote. The usual value has no doubled quote
  // and is a piece of the line; otherwise the value is built in Scratch
  // from segments, and the segment after the last doubled quote counts
  // only when the value is closed.
  const std::string_view Line(FLine);
  size_t I = FPos + 1;
  size_t Q = Line.find(Quote, I);
  if (Q != std::string_view::npos && (Q + 1 >= Line.size() || Line[Q + 1] != Quote)) {
    FPos = std::min(Q + 2, Line.size());  // the closing quote and the character after it
    return Line.substr(I, Q - I);
  }
  Scratch.clear();
  for (;;) {
    if (Q == std::string_view::npos) {  // no closing quote: drop the open segment
      FPos = Line.size();
      if (!Scratch.empty()) Scratch.pop_back();  // the quote of the last doubled pair
      return Scratch;
    }
    Scratch.append(Line.substr(I, Q - I));
    if (Q + 1 < Line.size() && Line[Q + 1] == Quote) {
      Scratch += Quote;
      I = Q + 2;
      Q = Line.find(Quote, I);
      continue;
    }
    FPos = std::min(Q + 2, Line.size());
    return Scratch;
  }
}

std::string_view TmtCSVLineReader::ReadValue(char Quote, char FieldDelimiter, char RecordDelimiter,
                                             String& Scratch, bool& IsNull) {
  IsNull = false;
  const std::string_view Line(FLine);
  if (FPos >= Line.size()) {
    IsNull = true;
    return {};
  }
  size_t D;
  if (Quote != '\0') {
    if (Line[FPos] == Quote) return ReadQuoted(Quote, Scratch);
    if (Line[FPos] == FieldDelimiter) {
      IsNull = true;
      ++FPos;
      return {};
    }
    D = Line.find(FieldDelimiter, FPos);
    if (D == std::string_view::npos) D = Line.size();
  } else {
    D = FPos;
    while (D < Line.size() && Line[D] != FieldDelimiter && (RecordDelimiter == '\0' || Line[D] != RecordDelimiter))
      ++D;
    IsNull = D == FPos;
  }
  const std::string_view Text = Line.substr(FPos, D - FPos);
  FPos = D < Line.size() ? D + 1 : D;
  return Text;
}

void TmtCSVLineReader::ReadField(char Quote, char FieldDelimiter, char RecordDelimiter,
                                 String& Text, bool& IsNull) {
  const std::string_view V = ReadValue(Quote, FieldDelimiter, RecordDelimiter, Text, IsNull);
  if (V.data() != Text.data()) Text.assign(V);
}

String TmtCSVLineReader::FirstValue(char Quote, char FieldDelimiter, char RecordDelimiter) {
  size_t Saved = FPos;
  FPos = 0;
  String Text;
  bool IsNull = false;
  ReadField(Quote, FieldDelimiter, RecordDelimiter, Text, IsNull);
  FPos = Saved;
  return Text;
}
