// Field and index definitions of a dataset: TFieldDefs/TFieldDef describe
// the columns a dataset offers (from which it makes its default fields),
// TIndexDefs/TIndexDef the orders it knows.
//
// The definition of an object field (ftOAT) holds its children's
// definitions in ChildDefs. Field numbers count through the tree: once a
// list has nested definitions, every definition is numbered in the order
// parent, its children, next parent (1-based).
//
// The lists own their definitions. Both lists carry an Updated flag: a
// dataset whose structure may have changed clears it, and Update() asks
// the dataset to fill the list again (TDataSet::InitFieldDefs /
// UpdateIndexDefs).
//
// Thread safety: none; definitions belong to their dataset's thread.
#pragma once

#include <memory>
#include <vector>

#include "platform/db/fields.h"

class TFieldDefs;
class TIndexDefs;

class TFieldDef : public TPersistent {
  RTL_DECLARE_CLASS(TFieldDef)
 public:
  TFieldDef(TFieldDefs* Owner, const String& AName, TFieldType ADataType, Integer ASize,
            bool ARequired, Integer AFieldNo);
  ~TFieldDef() override;

  const String& Name() const { return FName; }
  void SetName(const String& Value) { FName = Value; }
  String DisplayName() const { return FName; }
  TFieldType DataType() const { return FDataType; }
  void SetDataType(TFieldType Value) { FDataType = Value; }
  Integer Size() const { return FSize; }
  void SetSize(Integer Value) { FSize = Value; }
  Integer Precision() const { return FPrecision; }
  void SetPrecision(Integer Value) { FPrecision = Value; }
  TFieldAttributes Attributes() const { return FAttributes; }
  void SetAttributes(TFieldAttributes Value) { FAttributes = Value; }
  bool Required() const { return FAttributes.Contains(faRequired); }
  void SetRequired(bool Value);
  // 1-based position in the record (given by the dataset).
  Integer FieldNo() const { return FFieldNo; }
  void SetFieldNo(Integer Value) { FFieldNo = Value; }
  bool InternalCalcField() const { return FInternalCalcField; }
  void SetInternalCalcField(bool Value) { FInternalCalcField = Value; }
  TFieldDefs* Collection() const { return FOwner; }
  Integer Index() const;
  // The definitions of an object field's children (made on first use;
  // owned by this definition).
  TFieldDefs* ChildDefs();
  bool HasChildDefs() const;
  // The object field's definition this one belongs to (null at the top).
  TFieldDef* ParentDef() const;

  // The field class for DataType (TStringField for ftString ...); null
  // for types without a field class.
  TFieldClass FieldClass() const;
  // Makes a field of FieldClass for this definition, with the name, size,
  // required and read-only flags, owned by Owner and attached to the
  // definitions' dataset; a child of ParentField when given. An object
  // field's children follow it, made from ChildDefs. Raises
  // EDatabaseError SUnknownFieldType for a type without a field class.
  TField* CreateField(TComponent* Owner, TObjectField* ParentField = nullptr);

  void Assign(TPersistent* Source) override;

 private:
  TFieldDefs* FOwner;
  String FName;
  TFieldType FDataType;
  Integer FSize;
  Integer FPrecision = 0;
  TFieldAttributes FAttributes;
  Integer FFieldNo;
  bool FInternalCalcField = false;
  std::unique_ptr<TFieldDefs> FChildDefs;
};

class TFieldDefs : public TPersistent {
  RTL_DECLARE_CLASS(TFieldDefs)
 public:
  explicit TFieldDefs(TDataSet* ADataSet, TFieldDef* AParentDef = nullptr)
      : FDataSet(ADataSet), FParentDef(AParentDef) {}

  TDataSet* DataSet() const { return FDataSet; }
  // The object field's definition whose ChildDefs these are (null: the
  // dataset's own list).
  TFieldDef* ParentDef() const { return FParentDef; }
  Integer Count() const { return static_cast<Integer>(FItems.size()); }
  // Raises EListError for an index outside the list.
  TFieldDef* Items(Integer Index) const;
  TFieldDef* operator[](Integer Index) const { return Items(Index); }

  // Appends a definition; its FieldNo is its position + 1 (counted through
  // the tree once there are nested definitions).
  TFieldDef* Add(const String& Name, TFieldType DataType, Integer Size = 0, bool Required = false);
  TFieldDef* AddFieldDef();
  void Delete(Integer Index);
  void Clear();
  // Index of the definition named Name (case-insensitive), or -1.
  Integer IndexOf(const String& Name) const;
  // The definition named Name; raises EDatabaseError SFieldNotFound.
  TFieldDef* Find(const String& Name) const;

  // False after the dataset's structure may have changed.
  bool Updated() const { return FUpdated; }
  void SetUpdated(bool Value) { FUpdated = Value; }
  // Fills the list from the dataset when it is not up to date.
  void Update();
  void BeginUpdate() { ++FUpdateCount; }
  void EndUpdate() { --FUpdateCount; }

  void Assign(TPersistent* Source) override;

 private:
  // Numbers every definition of the tree from the top list down.
  void Renumber();
  TDataSet* FDataSet;
  TFieldDef* FParentDef;
  std::vector<std::unique_ptr<TFieldDef>> FItems;
  bool FUpdated = false;
  int FUpdateCount = 0;
};

class TIndexDef : public TPersistent {
  RTL_DECLARE_CLASS(TIndexDef)
 public:
  TIndexDef(TIndexDefs* Owner, const String& AName, const String& AFields,
            TIndexOptions AOptions);

  const String& Name() const { return FName; }
  void SetName(const String& Value) { FName = Value; }
  // The name shown for the index; setting it renames the index.
  const String& DisplayName() const { return FName; }
  void SetDisplayName(const String& Value) { FName = Value; }
  // Field names separated by ";".
  const String& Fields() const { return FFields; }
  void SetFields(const String& Value) { FFields = Value; }
  const String& Expression() const { return FExpression; }
  // Setting a non-empty expression also adds ixExpression.
  void SetExpression(const String& Value);
  TIndexOptions Options() const { return FOptions; }
  void SetOptions(TIndexOptions Value) { FOptions = Value; }
  const String& DescFields() const { return FDescFields; }
  void SetDescFields(const String& Value) { FDescFields = Value; }
  const String& CaseInsFields() const { return FCaseInsFields; }
  void SetCaseInsFields(const String& Value) { FCaseInsFields = Value; }
  const String& Source() const { return FSource; }
  void SetSource(const String& Value) { FSource = Value; }
  TIndexDefs* Collection() const { return FOwner; }

  void Assign(TPersistent* Source) override;

 private:
  TIndexDefs* FOwner;
  String FName, FFields, FExpression, FDescFields, FCaseInsFields, FSource;
  TIndexOptions FOptions;
};

class TIndexDefs : public TPersistent {
  RTL_DECLARE_CLASS(TIndexDefs)
 public:
  explicit TIndexDefs(TDataSet* ADataSet) : FDataSet(ADataSet) {}

  TDataSet* DataSet() const { return FDataSet; }
  Integer Count() const { return static_cast<Integer>(FItems.size()); }
  // Raises EListError for an index outside the list.
  TIndexDef* Items(Integer Index) const;
  TIndexDef* operator[](Integer Index) const { return Items(Index); }

  // Appends a definition. Raises EDatabaseError SDuplicateIndexName when
  // a definition of that name (case-insensitive, not empty) exists.
  TIndexDef* Add(const String& Name, const String& Fields, TIndexOptions Options);
  TIndexDef* AddIndexDef();
  void Delete(Integer Index);
  void Clear();
  Integer IndexOf(const String& Name) const;
  // The definition named Name; raises EDatabaseError SIndexNotFound.
  TIndexDef* Find(const String& Name) const;
  // The first definition whose Fields equal Fields (case-insensitive), or
  // null. With CaseInsensitive only case-insensitive indexes count.
  TIndexDef* FindIndexForFields(const String& Fields) const;
  // The first definition whose Fields begin with Fields, or null.
  TIndexDef* GetIndexForFields(const String& Fields, bool CaseInsensitive) const;

  bool Updated() const { return FUpdated; }
  void SetUpdated(bool Value) { FUpdated = Value; }
  // Asks the dataset to fill the list (TDataSet::UpdateIndexDefs).
  void Update();

  void Assign(TPersistent* Source) override;

 private:
  TDataSet* FDataSet;
  std::vector<std::unique_ptr<TIndexDef>> FItems;
  bool FUpdated = false;
};
