// A small dataset over a std::vector of records, for the framework's tests.
//
// Each stored row holds the native bytes of every field (a null byte, then
// DataSize bytes) and a unique id that serves as the 4-byte bookmark. The
// record buffer is: row data, the calculated area, then a header with the
// id and the bookmark flag.
#pragma once

#include <algorithm>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/db/blobstream.h"
#include "platform/db/dataset.h"
#include "platform/db/fieldkinds.h"
#include "platform/rtl/streams.h"

class TVectorDataSet : public TDataSet {
 public:
  struct TRow {
    Cardinal Id;
    std::string Data;  // RecordSize bytes
  };

  explicit TVectorDataSet(TComponent* AOwner) : TDataSet(AOwner) {}
  ~TVectorDataSet() override { Close(); }

  std::vector<TRow> Rows;
  bool ReadOnlyStorage = false;
  int PostCount = 0;

  Integer GetRecordCount() const override { return static_cast<Integer>(Rows.size()); }
  Integer GetRecNo() const override {
    TRecordBuffer B = const_cast<TVectorDataSet*>(this)->GetActiveRecordBuffer();
    if (!B || Header(B).Flag != bfCurrent) return -1;
    return IndexOfId(Header(B).Id) + 1;
  }
  void SetRecNoValue(Integer Value) override {
    CheckBrowseMode();
    if (Value < 1 || Value > static_cast<Integer>(Rows.size())) return;
    FCursor = Value - 1;
    Resync(TResyncMode{rmCenter});
  }
  bool IsSequenced() const override { return !Filtered(); }
  bool BookmarkValid(const TBookmark& B) override {
    return B.size() == 4 && IndexOfId(IdOf(B.data())) >= 0;
  }
  Integer CompareBookmarks(const TBookmark& A, const TBookmark& B) override {
    if (A.empty() || B.empty()) return TDataSet::CompareBookmarks(A, B);
    Integer X = IndexOfId(IdOf(A.data())), Y = IndexOfId(IdOf(B.data()));
    return X < Y ? -1 : (X > Y ? 1 : 0);
  }

  bool GetFieldData(TField* Field, void* Buffer) const override {
    TRecordBuffer B = const_cast<TVectorDataSet*>(this)->GetActiveRecordBuffer();
    if (!B) return false;
    if (Field->FieldKind() == fkCalculated || Field->FieldKind() == fkLookup)
      return GetCalcData(B + FRecordSize, Field, Buffer);
    if (Field->IsBlob()) return !BlobText(B, Field).empty();
    const Byte* Slot = B + FOffsets[Field->FieldNo() - 1];
    if (Slot[0] == 0) return false;
    if (Buffer) std::memcpy(Buffer, Slot + 1, static_cast<size_t>(Field->DataSize()));
    return true;
  }

  void SetFieldData(TField* Field, const void* Buffer) override {
    TRecordBuffer B = GetActiveRecordBuffer();
    if (Field->FieldKind() == fkCalculated || Field->FieldKind() == fkLookup) {
      if (State() != dsCalcFields || !B) DatabaseError(SNotEditing, this);
      SetCalcData(B + FRecordSize, Field, Buffer);
      return;
    }
    if (!B || (State() != dsEdit && State() != dsInsert)) DatabaseError(SNotEditing, this);
    if (Field->ReadOnly()) DatabaseErrorFmt(SFieldReadOnly, Field->DisplayName());
    Field->Validate(Buffer);
    Byte* Slot = B + FOffsets[Field->FieldNo() - 1];
    Slot[0] = Buffer ? 1 : 0;
    size_t N = static_cast<size_t>(Field->DataSize());
    if (Buffer) std::memcpy(Slot + 1, Buffer, N); else std::memset(Slot + 1, 0, N);
    DataEvent(deFieldChange, reinterpret_cast<intptr_t>(Field));
  }

  // Blobs are kept as text in a side table keyed by row id and field.
  std::unique_ptr<TStream> CreateBlobStream(TField* Field, TBlobStreamMode Mode) override;

 protected:
  struct THeader {
    Cardinal Id;
    TBookmarkFlag Flag;
  };
  THeader& Header(TRecordBuffer B) const {
    return *reinterpret_cast<THeader*>(B + FRecordSize + CalcFieldsSize());
  }
  static Cardinal IdOf(const void* Data) {
    Cardinal Id;
    std::memcpy(&Id, Data, 4);
    return Id;
  }
  Integer IndexOfId(Cardinal Id) const {
    for (size_t I = 0; I < Rows.size(); ++I)
      if (Rows[I].Id == Id) return static_cast<Integer>(I);
    return -1;
  }

  TRecordBuffer AllocRecordBuffer() override {
    size_t N = static_cast<size_t>(FRecordSize + CalcFieldsSize()) + sizeof(THeader);
    auto* B = new Byte[N];
    std::memset(B, 0, N);
    return B;
  }
  void FreeRecordBuffer(TRecordBuffer& B) override {
    delete[] B;
    B = nullptr;
  }
  TGetResult GetRecord(TRecordBuffer B, TGetMode Mode, bool DoCheck) override {
    (void)DoCheck;
    Integer N = static_cast<Integer>(Rows.size());
    for (;;) {
      if (Mode == gmNext) {
        if (FCursor >= N - 1) { FCursor = N; return grEOF; }
        ++FCursor;
      } else if (Mode == gmPrior) {
        if (FCursor <= 0) { FCursor = -1; return grBOF; }
        --FCursor;
      } else if (FCursor < 0 || FCursor >= N) {
        return grError;
      }
      const TRow& R = Rows[static_cast<size_t>(FCursor)];
      std::memcpy(B, R.Data.data(), R.Data.size());
      Header(B).Id = R.Id;
      Header(B).Flag = bfCurrent;
      FBlobs[B].clear();
      GetCalcFields(B);
      if (DoFilterRecord(B)) return grOK;
      if (Mode == gmCurrent) return grError;
    }
  }
  Integer GetRecordSize() const override { return FRecordSize; }
  void GetBookmarkData(TRecordBuffer B, void* Data) const override {
    std::memcpy(Data, &Header(B).Id, 4);
  }
  void SetBookmarkData(TRecordBuffer B, const void* Data) override { Header(B).Id = IdOf(Data); }
  TBookmarkFlag GetBookmarkFlag(TRecordBuffer B) const override { return Header(B).Flag; }
  void SetBookmarkFlag(TRecordBuffer B, TBookmarkFlag F) override { Header(B).Flag = F; }

  void InternalOpen() override {
    if (DefaultFields()) CreateFields();
    BindFields(true);
    FOffsets.clear();
    FRecordSize = 0;
    // Field numbers count through nested definitions: a slot per number.
    Integer Numbers = FieldDefs().Count();
    for (TField* F : Fields().Items()) Numbers = std::max(Numbers, F->FieldNo());
    for (Integer I = 0; I < Numbers; ++I) {
      FOffsets.push_back(FRecordSize);
      TField* F = Fields().FieldByNumber(I + 1);
      FRecordSize += 1 + (F ? F->DataSize() : 0);
    }
    for (TRow& R : Rows) R.Data.resize(static_cast<size_t>(FRecordSize), '\0');
    SetBookmarkSize(4);
    FCursor = -1;
    FOpen = true;
  }
  void InternalClose() override {
    BindFields(false);
    if (DefaultFields()) DestroyFields();
    FOpen = false;
  }
  void InternalFirst() override { FCursor = -1; }
  void InternalLast() override { FCursor = static_cast<Integer>(Rows.size()); }
  void InternalGotoBookmark(const void* Bookmark) override {
    Integer I = IndexOfId(IdOf(Bookmark));
    if (I < 0) DatabaseError(SRecordNotFound, this);
    FCursor = I;
  }
  void InternalSetToRecord(TRecordBuffer B) override {
    Integer I = IndexOfId(Header(B).Id);
    if (I >= 0) FCursor = I;
  }
  void InternalInitFieldDefs() override {}
  void InternalHandleException() override {}
  bool IsCursorOpen() const override { return FOpen; }
  bool GetCanModify() const override { return !ReadOnlyStorage; }
  void InternalInitRecord(TRecordBuffer B) override {
    std::memset(B, 0, static_cast<size_t>(FRecordSize));
    FBlobs[B].clear();
  }
  void ClearCalcFields(TRecordBuffer B) override {
    std::memset(B + FRecordSize, 0, static_cast<size_t>(CalcFieldsSize()));
  }

  void InternalPost() override {
    TDataSet::InternalPost();
    ++PostCount;
    TRecordBuffer B = ActiveBuffer();
    if (State() == dsEdit) {
      StoreBuffer(Rows[static_cast<size_t>(FCursor)], B);
      return;
    }
    AddRow(B, GetBookmarkFlag(B) == bfEOF);
  }
  void InternalAddRecord(TRecordBuffer B, bool Append) override {
    TDataSet::InternalPost();
    AddRow(B, Append);
  }
  void InternalDelete() override {
    Rows.erase(Rows.begin() + FCursor);
  }

 private:
  void StoreBuffer(TRow& R, TRecordBuffer B) {
    R.Data.assign(reinterpret_cast<const char*>(B), static_cast<size_t>(FRecordSize));
    for (auto& [Key, Text] : FBlobs[B]) FBlobText[{R.Id, Key}] = Text;
  }
  void AddRow(TRecordBuffer B, bool Append) {
    TRow R{FNextId++, std::string()};
    StoreBuffer(R, B);
    Integer Pos = Append ? static_cast<Integer>(Rows.size())
                         : std::clamp(FCursor, 0, static_cast<Integer>(Rows.size()));
    Rows.insert(Rows.begin() + Pos, R);
    FCursor = Pos;
  }
  String BlobText(TRecordBuffer B, TField* F) const {
    auto Pending = FBlobs.find(B);
    if (Pending != FBlobs.end()) {
      auto It = Pending->second.find(F->FieldNo());
      if (It != Pending->second.end()) return It->second;
    }
    auto It = FBlobText.find({Header(B).Id, F->FieldNo()});
    return It == FBlobText.end() ? String() : It->second;
  }

 public:
  // Adds a stored row directly (before opening or between operations).
  Cardinal NewId() { return FNextId++; }

 private:
  std::vector<Integer> FOffsets;
  Integer FRecordSize = 0;
  Integer FCursor = -1;
  Cardinal FNextId = 1;
  bool FOpen = false;
  mutable std::map<TRecordBuffer, std::map<Integer, String>> FBlobs;
  std::map<std::pair<Cardinal, Integer>, String> FBlobText;
};

inline std::unique_ptr<TStream> TVectorDataSet::CreateBlobStream(TField* Field,
                                                                 TBlobStreamMode Mode) {
  TRecordBuffer B = GetActiveRecordBuffer();
  String Init = B ? BlobText(B, Field) : String();
  return std::make_unique<TBlobStream>(
      Field, Mode, Init, [this, B](TField* F, const String& Data) { FBlobs[B][F->FieldNo()] = Data; });
}
