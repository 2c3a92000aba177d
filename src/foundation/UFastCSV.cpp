#include "foundation/UFastCSV.h"

#include "platform/rtl/formatsettings.h"
#include "platform/rtl/streams.h"

RTL_IMPLEMENT_CLASS(ECSVReaderError, Exception, nullptr)

TCSVReader::TCSVReader(TStream* Stream, char Delimiter)
    : FDelimiter(Delimiter ? Delimiter : ListSeparator) {
  Int64 Rest = Stream->Size() - Stream->Position();
  if (Rest > 0) {
    FBuffer.resize(std::size_t(Rest));
    Stream->ReadBuffer(FBuffer.data(), Rest);
  }
  FEnd = FBuffer.size();
  // A closing CR and NUL let the scan stop without bounds checks.
  FBuffer += '\r';
  FBuffer += '\0';
}

void TCSVReader::AddField(std::size_t Start, std::size_t Length) {
  if (std::size_t(FCount) == FFields.size()) FFields.resize(FFields.size() * 2);
  FFields[std::size_t(FCount++)] = TFieldRef{Start, Length};
}

void TCSVReader::ReadRecord() {
  if (Eof()) throw ECSVReaderError("Try to read past eof");
  FCount = 0;
  for (;;) {
    std::size_t Start = FPos;
    if (FBuffer[FPos] == '"') {
      ++FPos;
      while (FPos < FEnd && !(FBuffer[FPos] == '"' && FBuffer[FPos + 1] != '"')) FPos += FBuffer[FPos] == '"' ? 2 : 1;
      if (FPos < FEnd) ++FPos;  // the closing quote
    }
    while (FBuffer[FPos] != FDelimiter && FBuffer[FPos] != '\r') ++FPos;
    AddField(Start, FPos - Start);
    if (FBuffer[FPos] == '\r') break;
    ++FPos;
  }
  FPos += FBuffer[FPos + 1] == '\n' ? 2 : 1;
}

String TCSVReader::Fields(Integer Index) const {
  if (Index < 0 || Index >= FCount) return String();
  const TFieldRef& F = FFields[std::size_t(Index)];
  String Raw = FBuffer.substr(F.Start, F.Length);
  if (Raw.empty() || Raw[0] != '"') return Raw;
  String Out;
  for (std::size_t I = 1; I < Raw.size(); ++I) {
    if (Raw[I] == '"') {
      if (I + 1 < Raw.size() && Raw[I + 1] == '"') {
        Out += '"';
        ++I;
        continue;
      }
      break;
    }
    Out += Raw[I];
  }
  return Out;
}
