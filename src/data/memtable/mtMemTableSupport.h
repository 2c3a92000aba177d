// Companions of the in-memory table: its event types, the parts of its
// record buffers and bookmarks, its master link, its blob stream and the
// delta handler. Included by mtMemTable.h; see there for the table.
//
// Thread safety: as the table: one thread per table.
#pragma once

#include <functional>

#include "data/memtable/mtMemTableIndex.h"
#include "platform/db/datasource.h"
#include "platform/rtl/streams.h"

class TmtCustomMemTable;

// ---- Events ---------------------------------------------------------------

RTL_DECLARE_EVENT(TmtProgressEvent,
                  void(TDataSet* DataSet, Integer Percent, TmtProgressCode Code));
RTL_DECLARE_EVENT(TmtRecordEvent, void(TDataSet* DataSet, bool& Accept));
RTL_DECLARE_EVENT(TmtFieldEvent, void(TDataSet* DataSet, Integer FieldNo, TField* Field));
RTL_DECLARE_EVENT(TmtStreamEvent, void(TDataSet* DataSet, Integer Kind, TStream* Stream));
RTL_DECLARE_EVENT(TmtBlobStreamEvent,
                  void(TDataSet* DataSet, TField* Field, TStream* Source, TStream* Dest));
// FieldFlags: mtlfOutOfRecord / mtlfCompressed of the field's layout.
RTL_DECLARE_EVENT(TmtSetupFieldEvent, void(TDataSet* DataSet, TField* Field, Byte& FieldFlags));
RTL_DECLARE_EVENT(TmtSetupFieldPropertiesEvent, void(TDataSet* DataSet, TField* Field));
RTL_DECLARE_EVENT(TmtCompressFieldEvent,
                  void(TDataSet* DataSet, TField* Field, const String& Source, String& Dest));
// Result: -1, 0 or 1 for the two native values; set Handled to use it.
RTL_DECLARE_EVENT(TmtCompareFieldsEvent,
                  void(TDataSet* DataSet, TField* Field, const void* Value1, const void* Value2,
                       TmtMemTableCompareOptions Options, Integer& Result, bool& Handled));
RTL_DECLARE_EVENT(TmtFilterIndexEvent, void(TDataSet* DataSet, TmtIndex* Index, bool& Accept));

// ---- Buffers and bookmarks ----------------------------------------------------

// What follows the record data and the calculated area in a record buffer.
struct TmtBufferInfo {
  TmtRecord* Record;       // the stored record the buffer was read from, or null
  Integer RecordNo;        // its position in the current index when read
  Integer RecordID;
  Integer UniqueRecordID;
  TBookmarkFlag Flag;
};

// The bytes of a bookmark.
struct TmtBookmark {
  TmtRecord* Record;
  Integer RecordID;
  Integer UniqueRecordID;
  Integer Generation;
};

// The master link of a detail table; tells the table when the master's
// record changes or the master closes.
class TmtMasterDataLink : public TMasterDataLink {
  RTL_DECLARE_CLASS(TmtMasterDataLink)
 public:
  explicit TmtMasterDataLink(TmtCustomMemTable* Table);
};

// A memory stream over one blob field of the current record; written
// content is stored back when the stream is destroyed (empty: null).
class TmtBlobStream : public TMemoryStream {
  RTL_DECLARE_CLASS(TmtBlobStream)
 public:
  // Raises EDatabaseError mtSFieldReadOnly / mtSNotInEditMode for writing
  // modes as CreateBlobStream describes.
  TmtBlobStream(TmtCustomMemTable* Table, TField* Field, TBlobStreamMode Mode);
  ~TmtBlobStream() override;
  Int64 Write(const void* Buffer, Int64 Count) override;
  void SetSize(Int64 NewSize) override;

 private:
  void Commit();
  TmtCustomMemTable* FTable;
  TField* FField;
  TBlobStreamMode FMode;
  bool FModified = false;
  bool FFilling = false;  // the constructor fills a read stream
};

// Walks a table's changed records (versioning) and calls one operation per
// kind of change. This program makes none; the class keeps the interface.
class TmtCustomDeltaHandler : public TComponent {
  RTL_DECLARE_CLASS(TmtCustomDeltaHandler)
 public:
  explicit TmtCustomDeltaHandler(TComponent* AOwner) : TComponent(AOwner) {}
  TmtCustomMemTable* DataSet() const { return FDataSet; }
  void SetDataSet(TmtCustomMemTable* Value) { FDataSet = Value; }
  // Raises EMemTableError mtSDeltaHandlerNotAssigned without a table.
  void Resolve();

 protected:
  virtual void InsertRecord(TmtRecord* Record) { (void)Record; }
  virtual void ModifyRecord(TmtRecord* Record) { (void)Record; }
  virtual void DeleteRecord(TmtRecord* Record) { (void)Record; }

 private:
  TmtCustomMemTable* FDataSet = nullptr;
};
