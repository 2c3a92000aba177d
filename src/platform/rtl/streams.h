// Byte streams of the class library: the abstract TStream and the in-memory
// streams built on it (TCustomMemoryStream, TMemoryStream, TStringStream and
// a read-only stream over memory that someone else owns).
//
// Positions, sizes and counts are 64-bit. Read and Write transfer what they
// can and return the count; ReadBuffer and WriteBuffer insist on the full
// count and raise EReadError / EWriteError otherwise. Multi-byte integers
// are read and written little-endian, as the original platform stored them.
//
// File streams (THandleStream, TFileStream) live in platform/os and derive
// from TStream: they override Read, Write, Seek and SetSize.
//
// Thread safety: none; a stream belongs to the thread that uses it.
#pragma once

#include <cstddef>
#include <memory>
#include <vector>

#include "platform/rtl/exceptions.h"

// Where a Seek offset counts from. The soFrom... names are the older
// spelling of the same three origins and may be used interchangeably.
enum TSeekOrigin { soBeginning = 0, soCurrent = 1, soEnd = 2 };
constexpr TSeekOrigin soFromBeginning = soBeginning;
constexpr TSeekOrigin soFromCurrent = soCurrent;
constexpr TSeekOrigin soFromEnd = soEnd;

// Messages of the stream errors.
extern const char* const SReadError;            // "Stream-Lesefehler"
extern const char* const SWriteError;           // "Stream-Schreibfehler"
extern const char* const SInvalidStreamFormat;  // "Ungültiges Stream-Format"

// Largest block CopyFrom moves at once.
constexpr Int64 MaxStreamBufSize = 0xF000;

class TStream : public TObject {
  RTL_DECLARE_CLASS(TStream)
 public:
  // Reads up to Count bytes into Buffer and advances the position by the
  // number read. Returns that number (0 at the end of the stream).
  virtual Int64 Read(void* Buffer, Int64 Count) = 0;
  // Writes up to Count bytes from Buffer and advances the position.
  // Returns the number written (less than Count when the medium is full).
  virtual Int64 Write(const void* Buffer, Int64 Count) = 0;
  // Moves the position to Offset counted from Origin and returns the new
  // position from the beginning. Raises EStreamError (or a subclass) when
  // the stream cannot seek there.
  virtual Int64 Seek(Int64 Offset, TSeekOrigin Origin) = 0;
  // Sets the stream's size; the position is kept unless it lies beyond the
  // new end. The default does nothing (streams that cannot be resized).
  virtual void SetSize(Int64 NewSize);

  // The current position from the beginning.
  Int64 Position() { return Seek(0, soCurrent); }
  void SetPosition(Int64 Pos) { Seek(Pos, soBeginning); }
  // The stream's size in bytes. Subclasses may answer directly; the
  // default seeks to the end and back.
  Int64 Size() { return GetSize(); }

  // Reads exactly Count bytes. Raises EReadError ("Stream-Lesefehler")
  // when fewer are available; the position then stands after the bytes
  // that could be read.
  void ReadBuffer(void* Buffer, Int64 Count);
  // Writes exactly Count bytes. Raises EWriteError with WriteFailureText
  // when fewer could be written.
  void WriteBuffer(const void* Buffer, Int64 Count);
  // What a failed write of Count bytes tells the user; the default is
  // "Stream-Schreibfehler". Streams over files name the file and a full disk.
  virtual String WriteFailureText(Int64 Count);

  // Copies Count bytes from Source's current position to this stream's
  // position. Count 0 copies the whole of Source from its beginning.
  // Returns the number of bytes copied. Raises EReadError / EWriteError
  // when Source runs out or this stream cannot take the bytes.
  Int64 CopyFrom(TStream* Source, Int64 Count);

  // Little-endian integers; each Read raises EReadError at the end of the
  // stream, each Write raises EWriteError when the bytes cannot be written.
  Byte ReadByte();
  Word ReadWord();
  std::int16_t ReadSmallInt();
  Integer ReadInteger();
  Cardinal ReadCardinal();
  Int64 ReadInt64();
  void WriteByte(Byte V);
  void WriteWord(Word V);
  void WriteSmallInt(std::int16_t V);
  void WriteInteger(Integer V);
  void WriteCardinal(Cardinal V);
  void WriteInt64(Int64 V);

  // Reads up to Count bytes and returns them as a string (shorter at the
  // end of the stream). Count < 0 reads to the end.
  String ReadString(Int64 Count = -1);
  // Writes the bytes of S; raises EWriteError when they cannot be written.
  void WriteString(const String& S);

 protected:
  virtual Int64 GetSize();

 private:
  std::uint64_t ReadLE(int N);
  void WriteLE(std::uint64_t V, int N);
};

// A stream over one contiguous block of memory. Reading, seeking and
// saving are common; who owns the block is the subclass's business.
class TCustomMemoryStream : public TStream {
  RTL_DECLARE_CLASS(TCustomMemoryStream)
 public:
  Int64 Read(void* Buffer, Int64 Count) override;
  // Any position is accepted; a position beyond the end reads nothing and
  // a write there extends the stream (for writable subclasses). A position
  // before the beginning raises EStreamError.
  Int64 Seek(Int64 Offset, TSeekOrigin Origin) override;

  // The block; valid until the next write or resize. Null when empty.
  void* Memory() const { return FMemory; }
  // The size of the block, as Size() gives it.
  Int64 MemorySize() const { return FSize; }

  // Writes the whole content to Stream at its current position.
  void SaveToStream(TStream* Stream);
  // Writes the whole content to a new file FileName (EFCreateError when it
  // cannot be created). Defined in platform/os/rtl_files.cpp, because
  // files are reached only through platform/os.
  void SaveToFile(const String& FileName);

 protected:
  Int64 GetSize() override { return FSize; }
  // Points the stream at a block of Size bytes; the position is kept.
  void SetPointer(void* Ptr, Int64 Size);
  Int64 FPosition = 0;

 private:
  void* FMemory = nullptr;
  Int64 FSize = 0;
};

// A growable memory stream that owns its block.
class TMemoryStream : public TCustomMemoryStream {
  RTL_DECLARE_CLASS(TMemoryStream)
 public:
  TMemoryStream() = default;

  Int64 Write(const void* Buffer, Int64 Count) override;
  // Grows (zero-filled) or shrinks the block; the position is moved to the
  // new end when it lay beyond it.
  void SetSize(Int64 NewSize) override;

  // Empties the stream and sets the position to 0.
  void Clear();
  // Replaces the content with the whole of Stream (read from its
  // beginning); the position becomes 0.
  void LoadFromStream(TStream* Stream);
  // Replaces the content with the file FileName (EFOpenError when it
  // cannot be opened). Defined in platform/os/rtl_files.cpp.
  void LoadFromFile(const String& FileName);

  // Bytes reserved for the block (at least Size). Raises EOutOfMemory
  // when the block cannot grow; the content is then unchanged.
  Int64 Capacity() const { return FCapacity; }
  void SetCapacity(Int64 NewCapacity);

 private:
  struct TFreeBlock {
    void operator()(Byte* P) const;
  };
  void Grow(Int64 MinSize);
  // The block comes from the C heap, so that growing a large one moves
  // pages instead of copying bytes, and reserved room is never zero-filled.
  std::unique_ptr<Byte, TFreeBlock> FData;
  Int64 FCapacity = 0;
};

// A memory stream with a string's bytes, as text travels in the class
// library.
class TStringStream : public TMemoryStream {
  RTL_DECLARE_CLASS(TStringStream)
 public:
  // The stream starts with the bytes of AString, positioned at 0.
  explicit TStringStream(const String& AString = String());

  // The whole content as a string, whatever the position.
  String DataString() const;
};

// A read-only stream over a block that the caller owns and keeps alive for
// the stream's lifetime (embedded resources, mapped data). Write raises
// EStreamError; SetSize is refused the same way.
class TReadOnlyMemoryStream : public TCustomMemoryStream {
  RTL_DECLARE_CLASS(TReadOnlyMemoryStream)
 public:
  TReadOnlyMemoryStream(const void* Data, Int64 Size);

  Int64 Write(const void* Buffer, Int64 Count) override;
  void SetSize(Int64 NewSize) override;
};
