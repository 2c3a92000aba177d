// TBlobStream: the in-memory stream a dataset may return from
// CreateBlobStream.
//
// The stream holds one blob field's value of the active record. It starts
// with the current value (bmRead, bmReadWrite) or empty (bmWrite). Writes
// mark it modified; Flush (run by the destructor when the stream was
// modified) hands the content to the dataset's commit callback, which
// stores it in the record buffer, and then signals a field change. A
// dataset whose storage needs more (the engine's blob cache, compression)
// derives its own stream from TStream instead.
//
// Thread safety: none; the stream belongs to its dataset's thread.
#pragma once

#include <functional>

#include "platform/db/fields.h"
#include "platform/rtl/streams.h"

class TBlobStream : public TMemoryStream {
  RTL_DECLARE_CLASS(TBlobStream)
 public:
  // Stores the stream's content (empty: the field becomes null).
  using TCommit = std::function<void(TField* Field, const String& Data)>;

  // Opens a stream over Field. Writing modes need the dataset in edit or
  // insert (EDatabaseError SNotEditing) and a field that may be written
  // (SFieldReadOnly). bmWrite starts empty and marks the stream modified,
  // so that closing it replaces the value even when nothing was written.
  TBlobStream(TField* Field, TBlobStreamMode Mode, const String& Data, TCommit Commit);
  // Flushes a modified stream; a failure of the commit is swallowed here,
  // so call Flush first where it must be reported.
  ~TBlobStream() override;

  // bmRead streams raise EDatabaseError SFieldReadOnly.
  Int64 Write(const void* Buffer, Int64 Count) override;
  void SetSize(Int64 NewSize) override;
  // Empties the value.
  void Truncate() { SetSize(0); }
  bool Modified() const { return FModified; }
  TField* Field() const { return FField; }
  TBlobStreamMode Mode() const { return FMode; }
  // Commits a modified stream now and signals the field change; raises
  // what the commit raises.
  void Flush();

 private:
  void CheckWritable() const;
  TField* FField;
  TBlobStreamMode FMode;
  TCommit FCommit;
  bool FModified = false;
};
