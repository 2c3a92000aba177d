// TDataSource connects a dataset to data-aware controls; TDataLink is the
// control's end of that connection.
//
// A dataset sends its data events to every TDataSource whose DataSet it
// is; the source passes them to every TDataLink attached to it, and fires
// OnStateChange / OnDataChange / OnUpdateData. A data link sees the part of
// the dataset's buffer window that it asked for (BufferCount records,
// starting at an offset the framework keeps in step while the dataset
// scrolls): ActiveRecord is the dataset's active record relative to that
// part, RecordCount how many of its records are filled. A grid sets
// BufferCount to its visible rows, sets ActiveRecord to each row to draw it
// and restores it, and reacts to the virtual hooks:
//   ActiveChanged    the dataset opened or closed (or the link got or lost
//                    its source);
//   DataSetChanged   the records changed (Resync, First, Post ...);
//   DataSetScrolled(Distance) the window scrolled by Distance rows;
//   LayoutChanged    fields were added or changed;
//   RecordChanged(Field) a field (or, Field null, the record) changed;
//   EditingChanged   edit or insert began or ended;
//   UpdateData       write the control's pending value now;
//   CheckBrowseMode  the dataset is about to leave edit mode;
//   FocusControl(Field) move the focus to the control showing Field.
//
// Links register with their source; a source registers with its dataset.
// Destroying any of them detaches it from the others.
//
// Thread safety: none; sources and links belong to their dataset's thread.
#pragma once

#include <vector>

#include "platform/db/dataset.h"

class TDataSource : public TComponent {
  RTL_DECLARE_CLASS(TDataSource)
 public:
  explicit TDataSource(TComponent* AOwner);
  ~TDataSource() override;

  TDataSet* DataSet() const { return FDataSet; }
  // Raises EDatabaseError SCircularDataLink when ADataSet's own master
  // chain leads back to this source.
  void SetDataSet(TDataSet* ADataSet);
  // A disabled source passes no events; its links become inactive.
  bool Enabled() const { return FEnabled; }
  void SetEnabled(bool Value);
  // Whether Edit (and controls that start editing) may put the dataset
  // into edit mode.
  bool AutoEdit() const { return FAutoEdit; }
  void SetAutoEdit(bool Value) { FAutoEdit = Value; }
  // The dataset's state, dsInactive without a dataset or when disabled.
  TDataSetState State() const { return FState; }
  // Puts the dataset into edit mode when AutoEdit and it is browsing.
  void Edit();
  // True when DataSource is this source or any source of its master chain.
  bool IsLinkedTo(TDataSet* ADataSet) const;

  TNotifyEvent OnStateChange;
  RTL_DECLARE_EVENT(TDataChangeEvent, void(TObject* Sender, TField* Field));
  TDataChangeEvent OnDataChange;
  TNotifyEvent OnUpdateData;

  // For TDataSet and TDataLink.
  void DataEvent(TDataEvent Event, intptr_t Info);
  const std::vector<TDataLink*>& DataLinks() const { return FDataLinks; }
  void AddDataLink(TDataLink* Link);
  // Told by a dataset's destructor: forget it without calling back.
  void DataSetDestroyed(TDataSet* ADataSet);
  void RemoveDataLink(TDataLink* Link);

 protected:
  void Notification(TComponent* AComponent, TOperation Operation) override;

 private:
  void NotifyLinkStates();
  void SetStateValue(TDataSetState Value);
  TDataSet* FDataSet = nullptr;
  bool FEnabled = true, FAutoEdit = true;
  TDataSetState FState = dsInactive;
  std::vector<TDataLink*> FDataLinks;
};

class TDataLink : public TPersistent {
  RTL_DECLARE_CLASS(TDataLink)
 public:
  TDataLink() = default;
  ~TDataLink() override;

  TDataSource* DataSource() const { return FDataSource; }
  // Attaches the link to ADataSource (null: detaches it). Raises
  // EDatabaseError SCircularDataLink when ADataSource is the link's own
  // (IsLinkedTo says so).
  void SetDataSource(TDataSource* ADataSource);
  TDataSet* DataSet() const;
  // Whether the link sees an open dataset through an enabled source.
  bool Active() const { return FActive; }
  // Index of the dataset's active record within this link's records.
  Integer ActiveRecord() const;
  // Makes the link's record Value the dataset's active record (drawing
  // code sets it and restores it).
  void SetActiveRecord(Integer Value);
  Integer BufferCount() const { return FBufferCount; }
  // Asks the dataset for at least Value buffers.
  void SetBufferCount(Integer Value);
  // Number of filled records the link sees (at most BufferCount).
  Integer RecordCount() const;
  bool Editing() const { return FEditing; }
  bool ReadOnly() const { return FReadOnly; }
  void SetReadOnly(bool Value);
  // Puts the dataset into edit mode unless the link is read-only; returns
  // Editing.
  bool Edit();
  // Calls UpdateData (with RecordChanged suppressed meanwhile).
  void UpdateRecord();
  Integer MoveBy(Integer Distance);
  // Whether the dataset's active record index and the link's first record
  // are in the window (used by controls that scroll).
  Integer FirstRecord() const { return FFirstRecord; }
  bool VisualControl() const { return FVisualControl; }
  void SetVisualControl(bool Value) { FVisualControl = Value; }
  // Whether the link refers to ADataSource (directly or through its
  // dataset's master chain); used to refuse circular links.
  virtual bool IsLinkedTo(TDataSet* ADataSet) const;

  // For TDataSource / TDataSet.
  void DataEvent(TDataEvent Event, intptr_t Info);
  void UpdateState();

 protected:
  virtual void ActiveChanged() {}
  virtual void CheckBrowseMode() {}
  virtual void DataSetChanged() { RecordChanged(nullptr); }
  virtual void DataSetScrolled(Integer Distance) { (void)Distance; DataSetChanged(); }
  virtual void EditingChanged() {}
  virtual void FocusControl(TField** Field) { (void)Field; }
  virtual void LayoutChanged() { DataSetChanged(); }
  virtual void RecordChanged(TField* Field) { (void)Field; }
  virtual void UpdateData() {}
  // The dataset's state as the link sees it.
  TDataSetState State() const;

 private:
  friend class TDataSet;
  void SetActive(bool Value);
  void SetEditing(bool Value);
  void UpdateRange();
  TDataSource* FDataSource = nullptr;
  Integer FFirstRecord = 0, FBufferCount = 1;
  bool FActive = false, FEditing = false, FReadOnly = false, FUpdating = false;
  bool FVisualControl = false;
};

// A link to one field, for controls that show a single value.
class TFieldDataLink : public TDataLink {
  RTL_DECLARE_CLASS(TFieldDataLink)
 public:
  TFieldDataLink() = default;

  const String& FieldName() const { return FFieldName; }
  // Binds the link to the dataset's field of that name (null when absent).
  void SetFieldName(const String& Value);
  TField* Field() const { return FField; }
  // Whether the field can be written through the link (not read-only,
  // field and dataset can modify).
  bool CanModify() const;
  // Marks the control's value as changed (Edit first).
  void Modified() { FModified = true; }
  bool IsModified() const { return FModified; }
  // Resets the changed mark and asks the control to show the field again.
  void Reset();
  TComponent* Control() const { return FControl; }
  void SetControl(TComponent* Value) { FControl = Value; }

  TNotifyEvent OnDataChange, OnEditingChange, OnUpdateData, OnActiveChange;

 protected:
  void ActiveChanged() override;
  void EditingChanged() override;
  void FocusControl(TField** Field) override;
  void LayoutChanged() override;
  void RecordChanged(TField* Field) override;
  void UpdateData() override;

 private:
  void UpdateField();
  String FFieldName;
  TField* FField = nullptr;
  TComponent* FControl = nullptr;
  bool FModified = false;
};

// The link of a detail dataset to its master: keeps the master fields
// named in FieldNames and calls OnMasterChange when the master's record
// changes, OnMasterDisable when the master closes.
class TMasterDataLink : public TDataLink {
  RTL_DECLARE_CLASS(TMasterDataLink)
 public:
  explicit TMasterDataLink(TDataSet* ADataSet) : FDetail(ADataSet) {}

  TDataSet* Detail() const { return FDetail; }
  const String& FieldNames() const { return FFieldNames; }
  // Resolves the names over the master dataset when it is open.
  void SetFieldNames(const String& Value);
  const std::vector<TField*>& Fields() const { return FFields; }
  bool IsLinkedTo(TDataSet* ADataSet) const override;

  TNotifyEvent OnMasterChange, OnMasterDisable;

 protected:
  void ActiveChanged() override;
  void CheckBrowseMode() override;
  void LayoutChanged() override;
  void RecordChanged(TField* Field) override;

 private:
  void ResolveFields();
  TDataSet* FDetail;
  String FFieldNames;
  std::vector<TField*> FFields;
};
