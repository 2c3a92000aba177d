#include "data/memtable/mtMemCSVStreamFormatReader.h"

namespace {

// One comparison for the usual character, which lies above all three.
bool IsLineEnd(int C) { return C <= '\r' && (C == '\0' || C == '\n' || C == '\r'); }

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

int TmtCSVLineReader::PeekChar() {
  if (FBufLeft == 0 && (FEnded || !FillBuffer())) {
    FEnded = true;
    return -1;
  }
  return static_cast<unsigned char>(FBuffer[FBufPos]);
}

int TmtCSVLineReader::NextChar() {
  int C = PeekChar();
  if (C >= 0) {
    ++FBufPos;
    --FBufLeft;
  }
  return C;
}

bool TmtCSVLineReader::ReadLine() {
  for (;;) {
    FLine.clear();
    FPos = 0;
    if (FEnded) return false;
    while (IsLineEnd(PeekChar())) NextChar();  // leading line ends
    for (int C = PeekChar(); C >= 0 && !IsLineEnd(C); C = PeekChar()) {
      // Take the run of ordinary characters straight from the buffer.
      const char* Start = FBuffer + FBufPos;
      const char* End = Start + FBufLeft;
      const char* P = Start;
      while (P < End && !IsLineEnd(static_cast<unsigned char>(*P))) ++P;
      const Integer Run = static_cast<Integer>(P - Start);
      FLine.append(Start, static_cast<size_t>(Run));
      FBufPos += Run;
      FBufLeft -= Run;
    }
    while (IsLineEnd(PeekChar())) NextChar();  // the run that ends the line
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

void TmtCSVLineReader::ReadQuoted(char Quote, String& Text) {
  // FPos stands on the opening quote. Text is built from segments; the
  // segment after the last doubled quote counts only when the value is
  // closed.
  size_t I = FPos + 1;
  for (;;) {
    size_t Q = FLine.find(Quote, I);
    if (Q == String::npos) {  // no closing quote: drop the open segment
      FPos = FLine.size();
      if (!Text.empty()) Text.pop_back();  // the quote of the last doubled pair
      return;
    }
    Text.append(FLine, I, Q - I);
    if (Q + 1 < FLine.size() && FLine[Q + 1] == Quote) {
      Text += Quote;
      I = Q + 2;
      continue;
    }
    FPos = Q + 2;  // the closing quote and the character after it
    if (FPos > FLine.size()) FPos = FLine.size();
    return;
  }
}

void TmtCSVLineReader::ReadField(char Quote, char FieldDelimiter, char RecordDelimiter,
                                 String& Text, bool& IsNull) {
  Text.clear();
  IsNull = false;
  if (FPos >= FLine.size()) {
    IsNull = true;
    return;
  }
  if (Quote != '\0') {
    if (FLine[FPos] == Quote) {
      ReadQuoted(Quote, Text);
      return;
    }
    if (FLine[FPos] == FieldDelimiter) {
      IsNull = true;
      ++FPos;
      return;
    }
    size_t D = FLine.find(FieldDelimiter, FPos);
    if (D == String::npos) D = FLine.size();
    Text.assign(FLine, FPos, D - FPos);
    FPos = D < FLine.size() ? D + 1 : D;
    return;
  }
  size_t D = FPos;
  while (D < FLine.size() && FLine[D] != FieldDelimiter &&
         (RecordDelimiter == '\0' || FLine[D] != RecordDelimiter))
    ++D;
  Text.assign(FLine, FPos, D - FPos);
  IsNull = Text.empty();
  FPos = D < FLine.size() ? D + 1 : D;
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
