// TField: one column of a dataset, and TFields, the dataset's field list.
//
// A field reads and writes its value through its dataset: GetData asks
// TDataSet::GetFieldData to copy the value of the active record into a
// buffer in the field's native format (DataSize bytes, see fieldkinds.h),
// SetData hands such a buffer to TDataSet::SetFieldData. The typed
// accessors (AsString, AsInteger, AsFloat, AsBoolean, AsDateTime,
// AsCurrency, AsVariant/Value) convert between that native value and the
// requested type; a conversion the field kind does not offer raises
// EDatabaseError SFieldAccessError, a text that does not parse the kind's
// own message (e.g. "'abc' ist kein gültiger Integerwert für Feld 'ID'").
//
// Kinds: fkData fields hold stored data (FieldNo > 0 once bound);
// fkCalculated and fkLookup fields are computed per record into the
// dataset's calculated-field area (Offset into it); fkInternalCalc fields
// are computed but kept by the dataset like data.
//
// Object fields (TObjectField, fieldkinds.h) nest child fields: a child
// names its ParentField, is known to the dataset by its FullName
// ("Adresse.Ort") and is listed in the dataset's Fields right after its
// parent (and in the parent's own Fields).
//
// Ownership: fields are components. Fields a dataset makes from its field
// definitions are owned by the dataset; fields placed on a form are owned
// by the form. Setting DataSet adds the field to that dataset's Fields.
//
// Thread safety: none; a field belongs to its dataset's thread.
#pragma once

#include "platform/db/dbconsts.h"
#include "platform/db/dbtypes.h"
#include "platform/rtl/classes.h"
#include "platform/rtl/events.h"
#include "platform/rtl/variants.h"

class TDataSet;
class TField;
class TObjectField;
class TStream;

RTL_DECLARE_EVENT(TFieldNotifyEvent, void(TField* Sender));
RTL_DECLARE_EVENT(TFieldGetTextEvent, void(TField* Sender, String& Text, bool DisplayText));
RTL_DECLARE_EVENT(TFieldSetTextEvent, void(TField* Sender, const String& Text));

class TField : public TComponent {
  RTL_DECLARE_CLASS(TField)
 public:
  explicit TField(TComponent* AOwner);
  ~TField() override;

  // ---- Identity and layout --------------------------------------------
  TDataSet* DataSet() const { return FDataSet; }
  // Moves the field to ADataSet's field list (null: detaches it). Raises
  // EDatabaseError SDataSetOpen when either dataset is open, and
  // SDuplicateFieldName when ADataSet already has a field of this name.
  void SetDataSet(TDataSet* ADataSet);
  const String& FieldName() const { return FFieldName; }
  void SetFieldName(const String& Value);
  // The object field this field belongs to (null for a top-level field).
  TObjectField* ParentField() const { return FParentField; }
  // Makes this field a child of Value (null: a top-level field again); set
  // before the field joins its dataset. Raises EDatabaseError SDataSetOpen
  // when the dataset is open.
  void SetParentField(TObjectField* Value);
  // FieldName behind the parents' names: "Adresse.Ort"; FieldName for a
  // top-level field.
  String FullName() const;
  TFieldKind FieldKind() const { return FFieldKind; }
  void SetFieldKind(TFieldKind Value);
  TFieldType DataType() const { return FDataType; }
  Integer Size() const { return FSize; }
  // Raises EDatabaseError SDataSetOpen when the dataset is open, and
  // SInvalidFieldSize when the kind refuses the size.
  void SetSize(Integer Value);
  // 1-based number of the field in the dataset's record (its field
  // definition) while bound; -1 for calculated and lookup fields; 0 while
  // unbound.
  Integer FieldNo() const { return FFieldNo; }
  // Byte offset of a calculated or lookup field's slot in the calculated
  // area (see TDataSet::GetCalcData).
  Integer Offset() const { return FOffset; }
  // Position in the dataset's Fields; setting it moves the field.
  Integer Index() const;
  void SetIndex(Integer Value);
  // Bytes of the native buffer (GetData/SetData).
  virtual Integer DataSize() const { return 0; }
  virtual bool IsBlob() const { return false; }
  bool Calculated() const { return FFieldKind == fkCalculated; }
  // Whether the field belongs to the dataset's active index.
  bool IsIndexField() const;
  bool Lookup() const { return FFieldKind == fkLookup; }

  // ---- Display ---------------------------------------------------------
  // DisplayLabel, or FieldName when no label is set.
  String DisplayLabel() const { return FDisplayLabel.empty() ? FFieldName : FDisplayLabel; }
  void SetDisplayLabel(const String& Value);
  // Same as DisplayLabel (the class library's DisplayName).
  String DisplayName() const { return DisplayLabel(); }
  bool HasDisplayLabel() const { return !FDisplayLabel.empty(); }
  // Width in characters; the kind's default until set.
  Integer DisplayWidth() const;
  // Whether DisplayWidth was set (a form stores it only then).
  bool IsDisplayWidthStored() const { return FDisplayWidth > 0; }
  void SetDisplayWidth(Integer Value);
  TAlignment Alignment() const { return FAlignment; }
  void SetAlignment(TAlignment Value);
  bool Visible() const { return FVisible; }
  void SetVisible(bool Value);
  const String& EditMask() const { return FEditMask; }
  void SetEditMask(const String& Value) { FEditMask = Value; }
  const String& DefaultExpression() const { return FDefaultExpression; }
  void SetDefaultExpression(const String& Value) { FDefaultExpression = Value; }

  bool ReadOnly() const { return FReadOnly; }
  void SetReadOnly(bool Value);
  bool Required() const { return FRequired; }
  void SetRequired(bool Value) { FRequired = Value; }
  // Whether the field may be written now: a data field that is not
  // read-only of a dataset that can be modified (in key entry: a field of
  // the dataset's key); a lookup field whose key fields may be written.
  virtual bool CanModify() const;

  // ---- Lookup ---------------------------------------------------------
  TDataSet* LookupDataSet() const { return FLookupDataSet; }
  void SetLookupDataSet(TDataSet* Value);
  const String& KeyFields() const { return FKeyFields; }
  void SetKeyFields(const String& Value) { FKeyFields = Value; }
  const String& LookupKeyFields() const { return FLookupKeyFields; }
  void SetLookupKeyFields(const String& Value) { FLookupKeyFields = Value; }
  const String& LookupResultField() const { return FLookupResultField; }
  void SetLookupResultField(const String& Value) { FLookupResultField = Value; }

  // ---- Value ----------------------------------------------------------
  // Copies the native value of the current record into Buffer (DataSize
  // bytes; may be null to test only). Returns false when the field is
  // null. Raises EDatabaseError SDataSetMissing without a dataset.
  bool GetData(void* Buffer) const;
  // Stores the native value in Buffer (null: clears the field) into the
  // current record. Runs OnValidate first (see Validate).
  void SetData(const void* Buffer);
  bool IsNull() const;
  void Clear() { SetData(nullptr); }

  String AsString() const { return GetAsString(); }
  void SetAsString(const String& V) { SetAsStringValue(V); }
  Integer AsInteger() const { return GetAsInteger(); }
  void SetAsInteger(Integer V) { SetAsIntegerValue(V); }
  Int64 AsLargeInt() const { return GetAsLargeInt(); }
  void SetAsLargeInt(Int64 V) { SetAsLargeIntValue(V); }
  double AsFloat() const { return GetAsFloat(); }
  void SetAsFloat(double V) { SetAsFloatValue(V); }
  double AsCurrency() const { return GetAsCurrency(); }
  void SetAsCurrency(double V) { SetAsCurrencyValue(V); }
  bool AsBoolean() const { return GetAsBoolean(); }
  void SetAsBoolean(bool V) { SetAsBooleanValue(V); }
  TDateTime AsDateTime() const { return GetAsDateTime(); }
  void SetAsDateTime(TDateTime V) { SetAsDateTimeValue(V); }
  // Null for a null field; else a Variant of the kind's natural type.
  // Assigning Null or Empty clears the field.
  Variant AsVariant() const { return GetAsVariant(); }
  void SetAsVariant(const Variant& V);
  Variant Value() const { return GetAsVariant(); }
  // The value before the pending edit (read in dsOldValue; the dataset
  // serves that state) and the value being written (dsNewValue).
  Variant OldValue() const { return ValueInState(dsOldValue); }
  Variant NewValue() const { return ValueInState(dsNewValue); }
  void SetValue(const Variant& V) { SetAsVariant(V); }

  // Text for editing (Text) and for display (DisplayText, which applies
  // DisplayFormat); both go through OnGetText when assigned. Setting Text
  // goes through OnSetText when assigned, else sets AsString.
  String Text() const { return GetText(false); }
  String DisplayText() const { return GetText(true); }
  void SetText(const String& Value);

  // Moves the input focus to the control that shows this field
  // (deFocusControl to the dataset's data links).
  void FocusControl();
  // Runs OnValidate for a value about to be stored (Buffer as in SetData);
  // the handler reads the new value through the field. Raises what the
  // handler raises.
  void Validate(const void* Buffer);

  // Copies the value of Source (another TField) or clears on null.
  void Assign(TPersistent* Source) override;

  TFieldNotifyEvent OnChange;
  TFieldNotifyEvent OnValidate;
  TFieldGetTextEvent OnGetText;
  TFieldSetTextEvent OnSetText;

  // ---- For TDataSet ---------------------------------------------------
  // Notifies the field that its value changed (OnChange).
  virtual void Change();
  // Tells the dataset that the value of this field changed.
  void DataChanged();
  void SetFieldNo(Integer N) { FFieldNo = N; }
  void SetOffset(Integer N) { FOffset = N; }
  void SetDataSetDirect(TDataSet* D) { FDataSet = D; }
  // Lets a field class that serves several types take the definition's
  // type (TStringField: ftFixedChar, TBlobField: ftFmtMemo ...). Raises
  // EDatabaseError SFieldTypeMismatch for a type the class cannot hold.
  virtual void SetFieldType(TFieldType Value);
  // Fields read from a form description are children of their dataset.
  bool HasParent() const override { return true; }
  TComponent* GetParentComponent() const override;
  void SetParentComponent(TComponent* Value) override;
  // Called by TDataSet::BindFields.
  virtual void Bind(bool Binding);
  // The validation buffer while OnValidate runs (GetData reads from it).
  const void* ValidateBuffer() const { return FValidating ? FValueBuffer : nullptr; }

 protected:
  void SetDataType(TFieldType T) { FDataType = T; }
  // Forgets a lookup dataset that goes away.
  void Notification(TComponent* AComponent, TOperation Operation) override;
  // Raises EDatabaseError SFieldAccessError for the type name given.
  [[noreturn]] void AccessError(const char* TypeName) const;
  // Raises EDatabaseError SFieldReadOnly when the field cannot be
  // written now.
  void CheckCanModify() const;
  virtual void CheckSize(Integer Value) const;
  virtual Integer DefaultDisplayWidth() const { return 10; }

  virtual String GetAsString() const;
  virtual void SetAsStringValue(const String& V);
  virtual Integer GetAsInteger() const;
  virtual void SetAsIntegerValue(Integer V);
  virtual Int64 GetAsLargeInt() const { return GetAsInteger(); }
  virtual void SetAsLargeIntValue(Int64 V);
  virtual double GetAsFloat() const;
  virtual void SetAsFloatValue(double V);
  virtual double GetAsCurrency() const { return GetAsFloat(); }
  virtual void SetAsCurrencyValue(double V) { SetAsFloatValue(V); }
  virtual bool GetAsBoolean() const;
  virtual void SetAsBooleanValue(bool V);
  virtual TDateTime GetAsDateTime() const;
  virtual void SetAsDateTimeValue(TDateTime V);
  virtual Variant GetAsVariant() const;
  virtual void SetVarValue(const Variant& V);
  // The text for editing or display, before OnGetText.
  virtual String GetTextValue(bool DisplayText) const { (void)DisplayText; return GetAsString(); }

 private:
  friend class TObjectField;
  String GetText(bool DisplayText) const;
  Variant ValueInState(TDataSetState State) const;
  TDataSet* FDataSet = nullptr;
  TObjectField* FParentField = nullptr;
  String FFieldName;
  TFieldKind FFieldKind = fkData;
  TFieldType FDataType = ftUnknown;
  Integer FSize = 0;
  Integer FFieldNo = 0;
  Integer FOffset = 0;
  String FDisplayLabel;
  Integer FDisplayWidth = 0;  // 0 = the kind's default
  TAlignment FAlignment = taLeftJustify;
  bool FVisible = true;
  bool FReadOnly = false;
  bool FRequired = false;
  String FEditMask;
  String FDefaultExpression;
  TDataSet* FLookupDataSet = nullptr;
  String FKeyFields, FLookupKeyFields, FLookupResultField;
  bool FValidating = false;
  const void* FValueBuffer = nullptr;
};

// The field list of a dataset, in field order. It does not own the fields.
class TFields : public TObject {
  RTL_DECLARE_CLASS(TFields)
 public:
  explicit TFields(TDataSet* ADataSet) : FDataSet(ADataSet) {}

  Integer Count() const { return static_cast<Integer>(FList.size()); }
  // Raises EDatabaseError SFieldIndexError when Index is outside.
  TField* operator[](Integer Index) const;
  TField* Fields(Integer Index) const { return (*this)[Index]; }
  // Case-insensitive search by FullName (a child: "Adresse.Ort"); null
  // when absent.
  TField* FindField(const String& FieldName) const;
  // As FindField; raises EDatabaseError SFieldNotFound when absent.
  TField* FieldByName(const String& FieldName) const;
  // The field whose FieldNo is N, or null.
  TField* FieldByNumber(Integer N) const;
  Integer IndexOf(const TField* Field) const;
  TDataSet* DataSet() const { return FDataSet; }

  void Add(TField* Field);
  void Remove(TField* Field);
  void Clear() { FList.clear(); }
  void Move(Integer From, Integer To);
  const std::vector<TField*>& Items() const { return FList; }

 private:
  TDataSet* FDataSet;
  std::vector<TField*> FList;
};

// Splits a ";"-separated list of field or parameter names; blanks around
// a name are dropped, and so are empty items.
std::vector<String> SplitFieldNames(const String& Names);

// Class of a field kind, used to make fields from field definitions.
using TFieldClass = TClass;
