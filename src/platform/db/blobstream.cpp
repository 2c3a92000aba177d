#include "platform/db/blobstream.h"

#include "platform/db/dataset.h"

RTL_IMPLEMENT_CLASS(TBlobStream, TMemoryStream, nullptr)

TBlobStream::TBlobStream(TField* Field, TBlobStreamMode Mode, const String& Data, TCommit Commit)
    : FField(Field), FMode(bmReadWrite), FCommit(std::move(Commit)) {
  if (Mode != bmRead) {
    TDataSet* D = Field->DataSet();
    if (!D || (D->State() != dsEdit && D->State() != dsInsert)) DatabaseError(SNotEditing, D);
    if (Field->ReadOnly()) DatabaseErrorFmt(SFieldReadOnly, Field->DisplayName());
  }
  if (Mode == bmWrite) {
    FModified = true;
  } else if (!Data.empty()) {
    TMemoryStream::Write(Data.data(), static_cast<Int64>(Data.size()));
    SetPosition(0);
  }
  FMode = Mode;  // loading the value above is no write of the caller's
}

TBlobStream::~TBlobStream() {
  try {
    Flush();
  } catch (...) {
    // Destructors must not throw; callers that care call Flush themselves.
  }
}

void TBlobStream::CheckWritable() const {
  if (FMode == bmRead) DatabaseErrorFmt(SFieldReadOnly, FField->DisplayName());
}

Int64 TBlobStream::Write(const void* Buffer, Int64 Count) {
  CheckWritable();
  FModified = true;
  return TMemoryStream::Write(Buffer, Count);
}

void TBlobStream::SetSize(Int64 NewSize) {
  CheckWritable();
  FModified = true;
  TMemoryStream::SetSize(NewSize);
}

void TBlobStream::Flush() {
  if (!FModified) return;
  FModified = false;
  String Data = Size() == 0 ? String()
                            : String(static_cast<const char*>(Memory()), static_cast<size_t>(Size()));
  if (FCommit) FCommit(FField, Data);
  if (TDataSet* D = FField->DataSet())
    D->DataEvent(deFieldChange, reinterpret_cast<intptr_t>(FField));
}
