// UFastCSV: TCSVReader, a fast reader of delimited text records.
//
// The reader takes the rest of a stream into one buffer at construction
// and splits one record per ReadRecord call. Fields are separated by the
// delimiter; a field that begins with a double quote runs to its closing
// quote, doubled quotes inside standing for one; a record ends at CR (CR
// LF counts as one line end). Fields are kept as positions in the buffer
// and unquoted when read.
//
// Thread safety: none; a reader belongs to one thread.
#pragma once

#include <vector>

#include "platform/rtl/exceptions.h"

class TStream;

RTL_DECLARE_EXCEPTION(ECSVReaderError, Exception)

class TCSVReader {
 public:
  // Reads Stream from its position to its end. Delimiter #0 takes the
  // system list separator.
  explicit TCSVReader(TStream* Stream, char Delimiter = '\0');

  // True when every record has been read.
  bool Eof() const { return FPos >= FEnd; }
  // Splits the next record into fields. Raises ECSVReaderError "Try to read
  // past eof" when there is none.
  void ReadRecord();
  // Fields of the record last read.
  Integer FieldCount() const { return FCount; }
  // Field Index without its quotes, inner doubled quotes made single; ""
  // outside 0..FieldCount-1.
  String Fields(Integer Index) const;

 private:
  struct TFieldRef {
    std::size_t Start = 0, Length = 0;
  };
  void AddField(std::size_t Start, std::size_t Length);
  String FBuffer;
  std::size_t FPos = 0, FEnd = 0;
  char FDelimiter;
  std::vector<TFieldRef> FFields = std::vector<TFieldRef>(100);
  Integer FCount = 0;
};
