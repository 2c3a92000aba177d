// Tagged value stream: a compact binary encoding of integers and strings
// over a TStream, used by the container library to save items and headers.
//
// Every element is one tag byte followed by a little-endian payload whose
// length the tag fixes:
//   tags 1..24   integers of 1..8 bytes; for a length L the tags are
//                3*(L-1)+1 (negative, sign-extended), 3*(L-1)+2
//                (non-negative, top bit clear) and 3*(L-1)+3 (unsigned,
//                top bit set)
//   25, 26, 27, 28  fixed payloads of 4, 8, 10 and 8 bytes (not read here)
//   29           the empty string
//   30..33       a string: its byte length in 1..4 bytes, then the bytes
//   34           read as the empty string
// Small values take few bytes: 0 is "02 00", -1 is "01 FF", 256 is
// "05 00 01".
//
// Writers collect elements in a buffer and write it to the stream when it
// is full and when the writer is destroyed. Readers fill their buffer from
// the stream; a reader's destructor moves the stream back over the bytes it
// buffered but did not consume, so the stream stands right after the last
// element read.
//
// Thread safety: none; a filer belongs to the thread that uses it.
#pragma once

#include <vector>

#include "platform/rtl/streams.h"

// The buffered link to a stream that readers and writers share.
class TCtFiler : public TObject {
  RTL_DECLARE_CLASS(TCtFiler)
 public:
  // Stream is not owned and must outlive the filer. BufSize > 0.
  TCtFiler(TStream* Stream, Integer BufSize);

  TStream* Stream() const { return FStream; }

 protected:
  TStream* FStream;
  std::vector<Byte> FBuffer;
  Integer FBufPos = 0;  // next byte to consume or to fill
  Integer FBufEnd = 0;  // valid bytes in the buffer (readers)
};

class TCtReader : public TCtFiler {
  RTL_DECLARE_CLASS(TCtReader)
 public:
  TCtReader(TStream* Stream, Integer BufSize) : TCtFiler(Stream, BufSize) {}
  // Moves the stream back over buffered bytes that were not consumed.
  ~TCtReader() override;

  // Reads Count raw bytes. Raises EReadError ("Stream-Lesefehler") when the
  // stream ends first.
  void ReadBuffer(void* Buffer, Integer Count);
  Byte ReadByte();

  // Element readers; an unexpected tag raises EReadError
  // ("Invalid Element Type").
  virtual Integer ReadInteger() = 0;
  virtual Cardinal ReadCardinal() = 0;
  virtual String ReadString() = 0;

 private:
  void Refill();
};

class TCtWriter : public TCtFiler {
  RTL_DECLARE_CLASS(TCtWriter)
 public:
  TCtWriter(TStream* Stream, Integer BufSize) : TCtFiler(Stream, BufSize) {}
  // Writes what is still buffered. A failure here is swallowed (a
  // destructor must not throw); call FlushBuffer first to see it.
  ~TCtWriter() override;

  // Writes the buffered bytes to the stream (EWriteError when it refuses).
  void FlushBuffer();
  void WriteBuffer(const void* Buffer, Integer Count);
  void WriteByte(Byte B) { WriteBuffer(&B, 1); }

  virtual void WriteInteger(Integer Value) = 0;
  virtual void WriteCardinal(Cardinal Value) = 0;
  virtual void WriteString(const String& Value) = 0;
};

class TCtBinaryReader : public TCtReader {
  RTL_DECLARE_CLASS(TCtBinaryReader)
 public:
  using TCtReader::TCtReader;
  // Accepts tags 1 to 11 (32-bit signed values).
  Integer ReadInteger() override;
  // Accepts tags 2, 3, 5, 6, 8, 9, 11 and 12.
  Cardinal ReadCardinal() override;
  // Accepts tags 29 to 34.
  String ReadString() override;

 private:
  std::uint64_t ReadPayload(int Length, bool SignExtend);
};

class TCtBinaryWriter : public TCtWriter {
  RTL_DECLARE_CLASS(TCtBinaryWriter)
 public:
  using TCtWriter::TCtWriter;
  void WriteInteger(Integer Value) override;
  void WriteCardinal(Cardinal Value) override;
  void WriteString(const String& Value) override;

 private:
  void WriteTagged(Byte Tag, std::uint64_t Payload, int Length);
};

// Tags of the stream.
constexpr Byte ctTagEmptyString = 29;
constexpr Byte ctTagEmptyString2 = 34;
// The tag of an integer kind (1 negative, 2 non-negative, 3 top bit set)
// for a payload of Length bytes.
constexpr Byte CtIntTag(int Length, int Kind) { return Byte(3 * (Length - 1) + Kind); }
