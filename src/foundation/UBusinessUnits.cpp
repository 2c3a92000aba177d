#include "foundation/UBusinessUnits.h"

#include <vector>

#include "foundation/StringUtils.h"
#include "foundation/USettingsRows.h"
#include "platform/gui/component_stream.h"
#include "platform/db/dataset.h"
#include "platform/db/fields.h"

RTL_IMPLEMENT_CLASS(TAutoActionItem, TCollectionItem, CollectionItemFactory<TAutoActionItem>)
RTL_IMPLEMENT_CLASS(TAutoActionItems, TCollection, nullptr)
RTL_IMPLEMENT_CLASS(TAutoActionItemsWrapper, TComponent, &ComponentFactory<TAutoActionItemsWrapper>)

namespace {
const char* const OptionNames[7] = {"Option1", "Option2", "Option3", "Option4",
                                    "Option5", "Option6", "Option7"};

// Option N (1..7) of an action item as a published byte property.
template <int N>
void PublishOption(TPublisher<TAutoActionItem>& P) {
  P.Prop(
      OptionNames[N - 1], [](TAutoActionItem* I) { return I->Options[N - 1]; },
      [](TAutoActionItem* I, Byte V) { I->Options[N - 1] = V; });
}
}  // namespace

RTL_PUBLISHED(TAutoActionItem) {
  PublishOption<1>(P), PublishOption<2>(P), PublishOption<3>(P), PublishOption<4>(P);
  PublishOption<5>(P), PublishOption<6>(P), PublishOption<7>(P);
  P.Field("Text", &TAutoActionItem::Text);
  P.Field("Byte1", &TAutoActionItem::Byte1);
  P.Field("Byte2", &TAutoActionItem::Byte2);
}
RTL_PUBLISHED(TAutoActionItemsWrapper) { P.ReadOnly("Items", &TAutoActionItemsWrapper::Items); }

namespace {

void PadLines(TStrings& Lines, Integer Count) {
  while (Lines.Count() < Count) Lines.Add("");
}

// The text of Field in the current row, "" when the table lacks it.
String OptionalField(TDataSet* Table, const String& Field) {
  TField* F = Table->FindField(Field);
  return F ? F->AsString() : String();
}

}  // namespace

// ---- THTML ----------------------------------------------------------------------

void THTML::ReadOther(TStrings& Other) {
  PadLines(Other, 6);
  for (int I = 0; I < 2; ++I) {
    Amounts[I] = StrToFloatOrZero(Trim(Other[I]));
    if (Amounts[I] == 0) Amounts[I] = 1.0;
  }
  for (int I = 0; I < 3; ++I) Flags[I] = IsOneText(Other[2 + I]);
  Value = ParseInteger(Other[5], 2);
}

void THTML::Load(TSetupRows& Rows, Integer TextIdent, Integer OtherIdent) {
  if (TextIdent > 0) {
    if (Rows.Seek(TextIdent)) Lines.SetText(Rows.MemoItem());
  } else if (Rows.Table()->FindField("HTML_TextPart")) {
    Lines.SetText(OptionalField(Rows.Table(), "HTML_TextPart"));
  }
  TStringList Other;
  if (OtherIdent > 0) {
    if (Rows.Seek(OtherIdent)) Other.SetText(Rows.MemoItem());
  } else {
    Other.SetText(OptionalField(Rows.Table(), "HTML_OtherPart"));
  }
  ReadOther(Other);
}

const char* const HTMLModeTexts[3] = {"Nein", "Vorschlag", "Auto"};
const char* const HTMLFileExtTexts[3] = {"html", "pdf", "txt"};
const char* const HTMLFormatTexts[3] = {"HTML", "PDF", "TEXT"};

// ---- Automatic actions --------------------------------------------------------------

void TAutoActionItem::Assign(TPersistent* Source) {
  auto* S = dynamic_cast<TAutoActionItem*>(Source);
  if (!S) {
    TCollectionItem::Assign(Source);
    return;
  }
  Options = S->Options;
  Text = S->Text;
  Byte1 = S->Byte1;
  Byte2 = S->Byte2;
}

TAutoActionItems::TAutoActionItems() : TCollection(TAutoActionItem::StaticClass()) {}

void TAutoActionItems::LoadFromStream(TStream* Stream) {
  Clear();
  if (Stream->Size() == 0) return;
  Stream->SetPosition(0);
  TAutoActionItemsWrapper Wrapper(nullptr);
  ReadComponentFromStream(Stream, &Wrapper);
  Assign(Wrapper.Items());
}

void TAutoActionItems::SaveToStream(TStream* Stream) {
  TAutoActionItemsWrapper Wrapper(nullptr);
  Wrapper.Items()->Assign(this);
  WriteComponentToStream(&Wrapper, Stream);
}

TAutoActionItemsWrapper::TAutoActionItemsWrapper(TComponent* AOwner)
    : TComponent(AOwner), FItems(std::make_unique<TAutoActionItems>()) {}

void TAutoActionItems::PadTo(int N) {
  while (Count() < N) Add();
}

// ---- Two-font block ----------------------------------------------------------------

void TTwoFontBlock::Load(const TStrings& Source) {
  TStringList L;
  L.AddStrings(&Source);
  PadLines(L, 12);
  auto Int = [&](Integer I, Integer& V) { V = ParseInteger(L[I], V); };
  auto Font = [&](Integer I, String& V) { V = Trim(L[I]).empty() ? String("ARIAL") : L[I]; };
  Int(0, Left1), Int(1, Top1), Int(2, Width1), Font(3, Font1), Int(4, Size1), Int(5, Color1);
  Int(6, Left2), Int(7, Top2), Int(8, Width2), Font(9, Font2), Int(10, Size2), Int(11, Color2);
}

// ---- Free fields and info fields ------------------------------------------------------

const char* const FreeFieldNames[5] = {"Freifeld1", "Freifeld2", "Freifeld3", "Freifeld4",
                                       "Freifeld5"};
const char* const WorkerNames[5] = {"Worker1", "Worker2", "Worker3", "Worker4", "Worker5"};
const char* const InfoFieldNames[10] = {"INFO1", "INFO2", "INFO3", "INFO4", "INFO5",
                                        "INFO6", "INFO7", "INFO8", "INFO9", "INFO10"};

std::array<String, 5> FreeFieldWorkNames = {"Freifeld1", "Freifeld2", "Freifeld3", "Freifeld4",
                                            "Freifeld5"};

void ResetFreeFieldWorkNames() {
  for (int I = 0; I < 5; ++I) FreeFieldWorkNames[I] = FreeFieldNames[I];
}

namespace {
std::array<TInfoFieldDef, 10> MakeInfoFieldDefs() {
  std::array<TInfoFieldDef, 10> Defs;
  for (int I = 0; I < 10; ++I) {
    Defs[I].Caption = InfoFieldNames[I];
    Defs[I].Active = I < 5;
  }
  return Defs;
}
}  // namespace

std::array<TInfoFieldDef, 10> InfoFieldDefs = MakeInfoFieldDefs();

Byte AddressLayoutNumberingCode = 0;

TDefaultFont DefaultFont;
