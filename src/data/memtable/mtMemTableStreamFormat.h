// TmtCustomStreamFormat: the format-independent driver through which an
// in-memory table saves its records to a stream and loads them back. The
// table's DefaultFormat (and PersistentFormat ...) point at a component of
// a descendant class; the CSV text form (TmtCSVStreamFormat) is one.
//
// The table drives a save as BeforeSave, Save, AfterSave and a load as
// BeforeLoad, Load, AfterLoad, with the target / source stream set in the
// format for the duration (SetStream). Save = OnBeforeSave,
// WriteDefinition, WriteRecords, OnAfterSave; Load = OnBeforeLoad,
// ReadDefinition, MapLoadFields, a check that a column maps, ReadRecords,
// OnAfterLoad. A descendant overrides the slots it needs and calls the
// inherited BeforeSave/AfterSave/BeforeLoad/AfterLoad, whose base parts
// take and release the storage lock, disable and enable the table's
// controls, switch filter, range and master/detail off and on, and bring
// the indexes and the cursor up to date after a load.
//
// When a step between Before* and After* fails, the table calls
// AbortSave/AbortLoad instead of AfterSave/AfterLoad: the base parts undo
// what Before* did; a descendant that changed more (process-wide format
// settings) overrides them and calls the inherited version.
//
// Flag sets: each sf... property is a TmtStreamFlags of its own members
// (sfData holds sfSaveData and/or sfLoadData ...).
//
// Thread safety: a format serves one table operation at a time, on the
// thread that runs it; process-wide settings a descendant switches are
// not guarded.
#pragma once

#include <memory>
#include <vector>

#include "data/memtable/mtMemTableTypes.h"
#include "platform/rtl/classes.h"
#include "platform/rtl/events.h"
#include "platform/rtl/streams.h"

class TmtCustomMemTable;
class TmtCustomStreamFormat;
class TField;

// Members of the flag-set properties.
enum TmtStreamFlag {
  sfSaveData, sfLoadData, sfSaveCalculated, sfLoadCalculated, sfSaveLookup, sfLoadLookup,
  sfSaveNonVisible, sfLoadNonVisible, sfSaveBlobs, sfLoadBlobs, sfSaveDef, sfLoadDef,
  sfAutoLayoutDef, sfSaveIndexDef, sfLoadIndexDef, sfSaveFiltered, sfSaveIgnoreRange,
  sfSaveIgnoreMasterDetail, sfSaveDeltas, sfLoadDeltas, sfSaveDontFilterDeltas, sfSaveAppend,
  sfSaveInsert, sfSaveFieldKind, sfLoadFieldKind, sfLoadFromStart,
  // Members of the text formats' own sets.
  sfSaveLocalFormat, sfLoadLocalFormat, sfSaveNoHeader, sfLoadNoHeader, sfSavePlaceholders,
  sfSaveQuoteOnlyStrings
};
RTL_ENUM_INFO(TmtStreamFlag, sfSaveData, sfLoadData, sfSaveCalculated, sfLoadCalculated,
              sfSaveLookup, sfLoadLookup, sfSaveNonVisible, sfLoadNonVisible, sfSaveBlobs,
              sfLoadBlobs, sfSaveDef, sfLoadDef, sfAutoLayoutDef, sfSaveIndexDef, sfLoadIndexDef,
              sfSaveFiltered, sfSaveIgnoreRange, sfSaveIgnoreMasterDetail, sfSaveDeltas,
              sfLoadDeltas, sfSaveDontFilterDeltas, sfSaveAppend, sfSaveInsert, sfSaveFieldKind,
              sfLoadFieldKind, sfLoadFromStart, sfSaveLocalFormat, sfLoadLocalFormat,
              sfSaveNoHeader, sfLoadNoHeader, sfSavePlaceholders, sfSaveQuoteOnlyStrings)
using TmtStreamFlags = TSet<TmtStreamFlag>;

RTL_DECLARE_EVENT(TmtStreamFormatNotifyEvent, void(TmtCustomStreamFormat* Sender));
// OnCompress: (format, table, work stream with the records, target stream).
// OnDeCompress: (format, table, source stream, work stream to fill).
RTL_DECLARE_EVENT(TmtCompressEvent, void(TmtCustomStreamFormat* Sender,
                                         TmtCustomMemTable* Table, TStream* Source,
                                         TStream* Dest));

class TmtCustomStreamFormat : public TComponent {
  RTL_DECLARE_CLASS(TmtCustomStreamFormat)
 public:
  explicit TmtCustomStreamFormat(TComponent* AOwner);
  ~TmtCustomStreamFormat() override;

  // The format's version text (read-only property Version).
  String Version() const { return GetVersion(); }

  // ---- The slots, in the order the table calls them --------------------
  virtual String GetVersion() const { return "1.00"; }
  // Field map of a save: per table field its own index when it takes part
  // (sfData, sfCalculated, sfLookup, sfNonVisible, sfBlobs), else -1.
  virtual void MapSaveFields(TmtCustomMemTable* Table);
  // Base part: controls off, storage lock, saving mark, progress 0,
  // filter / range / master-detail states remembered and switched off as
  // the flags ask, work stream set up and positioned, MapSaveFields.
  virtual void BeforeSave(TmtCustomMemTable* Table);
  virtual void WriteDefinition(TmtCustomMemTable* Table) { (void)Table; }
  virtual void WriteRecords(TmtCustomMemTable* Table) { (void)Table; }
  virtual void Save(TmtCustomMemTable* Table);
  // Base part: OnCompress, states restored, saving mark cleared, progress
  // 100, lock released, controls on, work stream freed.
  virtual void AfterSave(TmtCustomMemTable* Table);
  // The column names of the text being loaded; the base gives the display
  // names of all table fields.
  virtual std::vector<String> GetColumnNames(TmtCustomMemTable* Table);
  // Column map of a load: per column the table field index it feeds, or -1.
  virtual void MapLoadFields(TmtCustomMemTable* Table);
  // The table field index for a column name; the base finds nothing.
  virtual Integer FindColumnField(TmtCustomMemTable* Table, const String& Name);
  // Base part: controls off, storage lock, loading mark, Persistent and
  // EnableIndexes remembered and cleared, loading flags set, bookmark for
  // AutoReposition, progress 0, work stream (OnDeCompress / rewind),
  // MapLoadFields.
  virtual void BeforeLoad(TmtCustomMemTable* Table);
  virtual void ReadDefinition(TmtCustomMemTable* Table) { (void)Table; }
  virtual void ReadRecords(TmtCustomMemTable* Table) { (void)Table; }
  // Raises EMemTableError mtSCouldntDetermineFieldCount when no column maps.
  virtual void Load(TmtCustomMemTable* Table);
  // Base part: Persistent and EnableIndexes restored, loading flags off,
  // indexes up to date, lock released, back to the bookmark (or first),
  // controls on, progress 100, loading mark cleared, refresh.
  virtual void AfterLoad(TmtCustomMemTable* Table);
  // Undo of Before* after a failed step (see the top comment).
  virtual void AbortSave(TmtCustomMemTable* Table);
  virtual void AbortLoad(TmtCustomMemTable* Table);

  // Copies the flag sets of another format.
  void Assign(TPersistent* Source) override;

  // ---- Stream --------------------------------------------------------
  TStream* Stream() const { return FStream; }
  void SetStream(TStream* Value) { FStream = Value; }
  // The stream the slots read or write (a memory stream when a
  // compression event is assigned, else Stream).
  TStream* WorkStream() const { return FWorkStream; }

  // ---- Maps ------------------------------------------------------------
  std::vector<Integer>& SaveFields() { return FSaveFields; }
  std::vector<Integer>& LoadFields() { return FLoadFields; }
  // Whether a field of Table takes part in a save / may be fed by a load.
  bool SaveFieldTakesPart(TField* Field) const;
  bool LoadFieldTakesPart(TField* Field) const;
  // Whether ReadDefinition has run (FindColumnField answers only then).
  bool DefinitionRead() const { return FDefinitionRead; }
  void SetDefinitionRead(bool V) { FDefinitionRead = V; }

  // ---- Flag sets (published) ---------------------------------------------
#define MT_STREAM_FLAGSET(Name)                                  \
  TmtStreamFlags Name() const { return F_##Name; }               \
  void Set_##Name(TmtStreamFlags V) { F_##Name = V; }
  MT_STREAM_FLAGSET(sfData)
  MT_STREAM_FLAGSET(sfCalculated)
  MT_STREAM_FLAGSET(sfLookup)
  MT_STREAM_FLAGSET(sfNonVisible)
  MT_STREAM_FLAGSET(sfBlobs)
  MT_STREAM_FLAGSET(sfDef)
  MT_STREAM_FLAGSET(sfIndexDef)
  MT_STREAM_FLAGSET(sfFiltered)
  MT_STREAM_FLAGSET(sfIgnoreRange)
  MT_STREAM_FLAGSET(sfIgnoreMasterDetail)
  MT_STREAM_FLAGSET(sfDeltas)
  MT_STREAM_FLAGSET(sfDontFilterDeltas)
  MT_STREAM_FLAGSET(sfAppend)
  MT_STREAM_FLAGSET(sfFieldKind)
  MT_STREAM_FLAGSET(sfFromStart)
#undef MT_STREAM_FLAGSET

  TmtStreamFormatNotifyEvent OnBeforeSave, OnAfterSave, OnBeforeLoad, OnAfterLoad;
  TmtCompressEvent OnCompress, OnDeCompress;

 private:
  void ReleaseWorkStream();
  void RestoreSaveStates(TmtCustomMemTable* Table);
  void EndLoadStates(TmtCustomMemTable* Table);
  TStream* FStream = nullptr;
  TStream* FWorkStream = nullptr;
  std::unique_ptr<TStream> FOwnWorkStream;
  std::vector<Integer> FSaveFields, FLoadFields;
  bool FDefinitionRead = false;
  // States remembered between Before* and After*.
  bool FWasFiltered = false, FWasRangeActive = false, FWasMasterDetail = false;
  bool FWasPersistent = false, FWasEnableIndexes = true;
  TBookmark FBookmark;
  TmtStreamFlags F_sfData{sfSaveData, sfLoadData};
  TmtStreamFlags F_sfCalculated;
  TmtStreamFlags F_sfLookup;
  TmtStreamFlags F_sfNonVisible{sfSaveNonVisible, sfLoadNonVisible};
  TmtStreamFlags F_sfBlobs{sfSaveBlobs, sfLoadBlobs};
  TmtStreamFlags F_sfDef{sfSaveDef, sfLoadDef};
  TmtStreamFlags F_sfIndexDef{sfSaveIndexDef, sfLoadIndexDef};
  TmtStreamFlags F_sfFiltered{sfSaveFiltered};
  TmtStreamFlags F_sfIgnoreRange{sfSaveIgnoreRange};
  TmtStreamFlags F_sfIgnoreMasterDetail{sfSaveIgnoreMasterDetail};
  TmtStreamFlags F_sfDeltas;
  TmtStreamFlags F_sfDontFilterDeltas;
  TmtStreamFlags F_sfAppend;
  TmtStreamFlags F_sfFieldKind{sfSaveFieldKind};
  TmtStreamFlags F_sfFromStart{sfLoadFromStart};
};

// Whether a field type is a blob type for the sfBlobs flags (Blob, Memo,
// Graphic, FmtMemo, ParadoxOle, DBaseOle, TypedBinary).
bool mtIsBlobType(TFieldType Type);
