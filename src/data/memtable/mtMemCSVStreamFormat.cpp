// TmtCustomCSVStreamFormat: properties, the switch of the process-wide
// formats around a save or load, the before/after steps and the column
// names of a load. Writing is in mtMemCSVStreamFormatSave.cpp, reading in
// mtMemCSVStreamFormatLoad.cpp.
#include "data/memtable/mtMemCSVStreamFormat.h"

#include "platform/rtl/formatsettings.h"
#include "platform/rtl/sysutils.h"

RTL_IMPLEMENT_CLASS(TmtCustomCSVStreamFormat, TmtCustomStreamFormat, nullptr)
RTL_IMPLEMENT_CLASS(TmtCSVStreamFormat, TmtCustomCSVStreamFormat,
                    ComponentFactory<TmtCSVStreamFormat>)

RTL_PUBLISHED(TmtCSVStreamFormat) {
  using F = TmtCSVStreamFormat;
  P.ReadOnly("Version", &F::Version);
  P.Prop("CommentChar", &F::CommentChar, &F::SetCommentChar).Default('\0');
  P.Prop("EscapeChar", &F::EscapeChar, &F::SetEscapeChar).Default('%');
  P.Prop("DefaultStringFieldSize", &F::DefaultStringFieldSize, &F::SetDefaultStringFieldSize)
      .Default(255);
  P.Prop("CSVQuote", &F::CSVQuote, &F::SetCSVQuote).Default('"');
  P.Prop("CSVFieldDelimiter", &F::CSVFieldDelimiter, &F::SetCSVFieldDelimiter).Default(',');
  P.Prop("CSVRecordDelimiter", &F::CSVRecordDelimiter, &F::SetCSVRecordDelimiter).Default(',');
  P.Prop("CSVTrueString", &F::CSVTrueString, &F::SetCSVTrueString).Default(String("True"));
  P.Prop("CSVFalseString", &F::CSVFalseString, &F::SetCSVFalseString).Default(String("False"));
  P.Prop("sfLocalFormat", &F::sfLocalFormat, &F::Set_sfLocalFormat).Default(TmtStreamFlags{});
  P.Prop("sfNoHeader", &F::sfNoHeader, &F::Set_sfNoHeader).Default(TmtStreamFlags{});
  P.Prop("sfPlaceHolders", &F::sfPlaceHolders, &F::Set_sfPlaceHolders).Default(TmtStreamFlags{});
  P.Prop("sfQuoteOnlyStrings", &F::sfQuoteOnlyStrings, &F::Set_sfQuoteOnlyStrings)
      .Default(TmtStreamFlags{});
#define MT_PUBLISH_FLAGSET(Name, ...) \
  P.Prop(#Name, &F::Name, &F::Set_##Name).Default(TmtStreamFlags{__VA_ARGS__})
  MT_PUBLISH_FLAGSET(sfData, sfSaveData, sfLoadData);
  MT_PUBLISH_FLAGSET(sfCalculated);
  MT_PUBLISH_FLAGSET(sfLookup);
  MT_PUBLISH_FLAGSET(sfNonVisible, sfSaveNonVisible, sfLoadNonVisible);
  MT_PUBLISH_FLAGSET(sfBlobs, sfSaveBlobs, sfLoadBlobs);
  MT_PUBLISH_FLAGSET(sfDef, sfSaveDef, sfLoadDef);
  MT_PUBLISH_FLAGSET(sfIndexDef, sfSaveIndexDef, sfLoadIndexDef);
  MT_PUBLISH_FLAGSET(sfFiltered, sfSaveFiltered);
  MT_PUBLISH_FLAGSET(sfIgnoreRange, sfSaveIgnoreRange);
  MT_PUBLISH_FLAGSET(sfIgnoreMasterDetail, sfSaveIgnoreMasterDetail);
  MT_PUBLISH_FLAGSET(sfDeltas);
  MT_PUBLISH_FLAGSET(sfDontFilterDeltas);
  MT_PUBLISH_FLAGSET(sfAppend);
  MT_PUBLISH_FLAGSET(sfFieldKind, sfSaveFieldKind);
  MT_PUBLISH_FLAGSET(sfFromStart, sfLoadFromStart);
#undef MT_PUBLISH_FLAGSET
  P.Field("OnBeforeSave", &F::OnBeforeSave);
  P.Field("OnAfterSave", &F::OnAfterSave);
  P.Field("OnBeforeLoad", &F::OnBeforeLoad);
  P.Field("OnAfterLoad", &F::OnAfterLoad);
  P.Field("OnCompress", &F::OnCompress);
  P.Field("OnDeCompress", &F::OnDeCompress);
  P.Field("OnFormatSaveField", &F::OnFormatSaveField);
  P.Field("OnFormatLoadField", &F::OnFormatLoadField);
  P.Field("OnGetLine", &F::OnGetLine);
}

const char* const mtSCSVSavingDeltas = "Saving deltas is supported only in binary format.";
const char* const mtSCSVUnknownFieldType = "Unknown field type (%s) in CSV file. (%s)";
const char* const mtSCSVDefinitionNotClosed =
    "CSV file ends inside the table definition (no @@TABLEDEF END@@).";

// ---- Process-wide formats -------------------------------------------------

TmtCSVFormatSettings TmtCSVFormatSettings::Capture() {
  return {::DateSeparator, ::DecimalSeparator, ::TimeSeparator, ::ThousandSeparator,
          ::CurrencyFormat, ::NegCurrFormat, ::ShortDateFormat, ::CurrencyString};
}

TmtCSVFormatSettings TmtCSVFormatSettings::Fixed() {
  return {'/', '.', ':', ',', 0, 1, "dd/mm/yyyy", String()};
}

void TmtCSVFormatSettings::Apply() const {
  ::DateSeparator = DateSeparator;
  ::DecimalSeparator = DecimalSeparator;
  ::TimeSeparator = TimeSeparator;
  ::ThousandSeparator = ThousandSeparator;
  ::CurrencyFormat = CurrencyFormat;
  ::NegCurrFormat = NegCurrFormat;
  ::ShortDateFormat = ShortDateFormat;
  ::CurrencyString = CurrencyString;
}

// ---- Value classes --------------------------------------------------------

bool mtCSVIsStringType(TFieldType Type) {
  return Type == ftString || Type == ftMemo || Type == ftFmtMemo || Type == ftFixedChar ||
         Type == ftWideString;
}

bool mtCSVIsBinaryType(TFieldType Type) {
  switch (Type) {
    case ftBytes: case ftVarBytes: case ftBlob: case ftMemo: case ftGraphic: case ftFmtMemo:
    case ftParadoxOle: case ftDBaseOle: case ftTypedBinary:
      return true;
    default:
      return false;
  }
}

bool mtCSVIsAcceptedType(TFieldType Type) {
  return Type >= ftString && Type <= ftArray && Type != ftCursor;
}

// ---- Construction and Assign ---------------------------------------------

TmtCustomCSVStreamFormat::TmtCustomCSVStreamFormat(TComponent* AOwner)
    : TmtCustomStreamFormat(AOwner) {}

TmtCustomCSVStreamFormat::~TmtCustomCSVStreamFormat() { RestoreSettings(); }

void TmtCustomCSVStreamFormat::Assign(TPersistent* Source) {
  if (auto* S = dynamic_cast<TmtCustomCSVStreamFormat*>(Source)) {
    FCSVQuote = S->FCSVQuote;
    FCSVFieldDelimiter = S->FCSVFieldDelimiter;
    FCSVRecordDelimiter = S->FCSVRecordDelimiter;
    FCSVTrueString = S->FCSVTrueString;
    FCSVFalseString = S->FCSVFalseString;
    FLocalFormat = S->FLocalFormat;
    FNoHeader = S->FNoHeader;
    FPlaceHolders = S->FPlaceHolders;
    FQuoteOnlyStrings = S->FQuoteOnlyStrings;
  }
  TmtCustomStreamFormat::Assign(Source);
}

// ---- Settings bracket ----------------------------------------------------

void TmtCustomCSVStreamFormat::RestoreSettings() {
  if (!FSettingsSaved) return;
  FSavedSettings.Apply();
  FSettingsSaved = false;
}

namespace {

// Remembers the settings (once per operation) and switches to the fixed
// ones unless the local formats are kept.
void SwitchSettings(bool& Saved, TmtCSVFormatSettings& Store, bool KeepLocal) {
  if (!Saved) {
    Store = TmtCSVFormatSettings::Capture();
    Saved = true;
  }
  if (!KeepLocal) TmtCSVFormatSettings::Fixed().Apply();
}

}  // namespace

// ---- Save bracket ---------------------------------------------------------

void TmtCustomCSVStreamFormat::BeforeSave(TmtCustomMemTable* Table) {
  if (sfDeltas().Contains(sfSaveDeltas)) throw EMemTableError(mtSCSVSavingDeltas);
  TmtCustomStreamFormat::BeforeSave(Table);
  SwitchSettings(FSettingsSaved, FSavedSettings, FLocalFormat.Contains(sfSaveLocalFormat));
}

void TmtCustomCSVStreamFormat::AfterSave(TmtCustomMemTable* Table) {
  RestoreSettings();
  TmtCustomStreamFormat::AfterSave(Table);
}

void TmtCustomCSVStreamFormat::AbortSave(TmtCustomMemTable* Table) {
  RestoreSettings();
  TmtCustomStreamFormat::AbortSave(Table);
}

// ---- Load bracket ---------------------------------------------------------

void TmtCustomCSVStreamFormat::BeforeLoad(TmtCustomMemTable* Table) {
  SetDefinitionRead(false);
  TmtCustomStreamFormat::BeforeLoad(Table);
  FLineWaiting = false;
  FLinesLeft = false;
  try {
    FReader = std::make_unique<TmtCSVLineReader>(WorkStream());
  } catch (...) {
    // The table calls AbortLoad only after a complete BeforeLoad.
    TmtCustomStreamFormat::AbortLoad(Table);
    throw;
  }
  FReader->SetCommentChar(FCommentChar);
  if (OnGetLine)
    FReader->SetOnGetLine([this](String& Line, bool& Stop) { OnGetLine(this, Line, Stop); });
  FReader->SetOnFillProgress([Table](Integer Percent) { Table->Progress(Percent, mtpcLoad); });
  SwitchSettings(FSettingsSaved, FSavedSettings, FLocalFormat.Contains(sfLoadLocalFormat));
}

void TmtCustomCSVStreamFormat::AfterLoad(TmtCustomMemTable* Table) {
  RestoreSettings();
  FReader.reset();
  TmtCustomStreamFormat::AfterLoad(Table);
}

void TmtCustomCSVStreamFormat::AbortLoad(TmtCustomMemTable* Table) {
  RestoreSettings();
  FReader.reset();
  TmtCustomStreamFormat::AbortLoad(Table);
}

// ---- Reading primitives ------------------------------------------------

bool TmtCustomCSVStreamFormat::FillBuffer() { return FReader && FReader->FillBuffer(); }

bool TmtCustomCSVStreamFormat::ReadLine() { return FReader && FReader->ReadLine(); }

const String& TmtCustomCSVStreamFormat::CurrentLine() const {
  static const String Empty;
  return FReader ? FReader->Line() : Empty;
}

void TmtCustomCSVStreamFormat::ReadField(String& Text, bool& IsNull) {
  Text.clear();
  IsNull = true;
  if (FReader) FReader->ReadField(FCSVQuote, FCSVFieldDelimiter, FCSVRecordDelimiter, Text, IsNull);
}

// ---- Column names ----------------------------------------------------------

std::vector<String> TmtCustomCSVStreamFormat::GetColumnNames(TmtCustomMemTable* Table) {
  bool FromLine = DefinitionRead() && FReader && FLineWaiting && !FReader->Line().empty() &&
                  !sfDef().Contains(sfAutoLayoutDef) && !FNoHeader.Contains(sfLoadNoHeader);
  if (!FromLine) return TmtCustomStreamFormat::GetColumnNames(Table);
  std::vector<String> Names;
  FReader->RewindLine();
  String Text;
  bool IsNull = false;
  while (FReader->ValuesLeft()) {
    ReadField(Text, IsNull);
    Names.push_back(Text);
  }
  FReader->RewindLine();
  return Names;
}

Integer TmtCustomCSVStreamFormat::FindColumnField(TmtCustomMemTable* Table, const String& Name) {
  if (!DefinitionRead()) return -1;
  for (Integer I = 0; I < Table->FieldCount(); ++I)
    if (SameText(Table->Fields()[I]->DisplayName(), Name)) return I;
  return -1;
}
