// The line and value reader of the CSV stream format: reads a stream
// through one 8192-byte buffer, cuts it into lines and the current line
// into values.
//
// Lines: a run of any number of NUL, LF and CR characters ends a line, so
// empty lines are never returned (blank lines between records vanish). A
// line whose first character is the comment character is dropped. The
// OnGetLine hook sees every finished line and may change it or stop the
// reading as if the stream had ended.
//
// Values (ReadField), with a quote character: a value that starts with the
// quote runs to the next single quote (a doubled quote gives one) and the
// character after the closing quote is skipped; a value that starts with
// the field delimiter is null; any other value runs to the next delimiter.
// Without a quote character a value runs to the next field or record
// delimiter and is null when empty.
//
// Thread safety: none; a reader serves one load.
#pragma once

#include <functional>
#include <string_view>

#include "platform/rtl/streams.h"

class TmtCSVLineReader {
 public:
  // Size of the read buffer.
  static constexpr Integer BufferSize = 8192;

  // Called with a finished line; may change it, and set Stop to end the
  // reading.
  using TGetLine = std::function<void(String& Line, bool& Stop)>;
  // Called every 100th buffer fill with the percentage of the stream read.
  using TFillProgress = std::function<void(Integer Percent)>;

  // Reads Stream from its current position; the stream must outlive the
  // reader.
  explicit TmtCSVLineReader(TStream* Stream);

  void SetCommentChar(char C) { FCommentChar = C; }
  void SetOnGetLine(TGetLine Handler) { FOnGetLine = std::move(Handler); }
  void SetOnFillProgress(TFillProgress Handler) { FOnFillProgress = std::move(Handler); }

  // Reads up to BufferSize bytes; true when at least one byte came.
  bool FillBuffer();
  // Reads the next line into Line(). Returns false only when the stream
  // ran out (or OnGetLine stopped the reading); the last line is then
  // still in Line() (empty when nothing was left).
  bool ReadLine();
  const String& Line() const { return FLine; }
  // Whether the stream had no bytes at all from the start position.
  bool StreamEmpty() const { return FStreamSize <= FStartPosition; }
  Int64 FillCount() const { return FFillCount; }

  // ---- Values of the current line ------------------------------------
  // Whether values remain on the current line.
  bool ValuesLeft() const { return FPos < FLine.size(); }
  // Moves the value pointer back to the start of the line.
  void RewindLine() { FPos = 0; }
  // Forgets the current line (nothing waits to be read).
  void ClearLine() {
    FLine.clear();
    FPos = 0;
  }
  // Reads the next value (see the top comment). Quote #0 = no quoting.
  void ReadField(char Quote, char FieldDelimiter, char RecordDelimiter, String& Text,
                 bool& IsNull);
  // The same value without a copy: a piece of the line, or of Scratch when
  // doubled quotes had to be undone. Valid until the next line is read or
  // Scratch changes.
  std::string_view ReadValue(char Quote, char FieldDelimiter, char RecordDelimiter, String& Scratch,
                             bool& IsNull);
  // The first value of the current line (the pointer stays where it is).
  String FirstValue(char Quote, char FieldDelimiter, char RecordDelimiter);

 private:
  // The next byte of the stream without taking it, or -1 at its end.
  int PeekChar() {
    return FBufLeft > 0 ? static_cast<unsigned char>(FBuffer[FBufPos]) : RefillPeek();
  }
  // PeekChar with an empty buffer: fills it (or marks the end).
  int RefillPeek();
  // Takes every line-end character that follows.
  void SkipLineEnds();
  std::string_view ReadQuoted(char Quote, String& Scratch);
  TStream* FStream;
  char FBuffer[BufferSize];
  Integer FBufPos = 0, FBufLeft = 0;
  Int64 FFillCount = 0;
  Int64 FStreamSize = 0, FStartPosition = 0;
  bool FEnded = false;
  char FCommentChar = '\0';
  TGetLine FOnGetLine;
  TFillProgress FOnFillProgress;
  String FLine;
  size_t FPos = 0;
};
