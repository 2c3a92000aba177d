// The settings load: the frame (decimals mode, failure message, final
// touches), the reset to defaults, the document labels and the second
// currency.
#include "foundation/UBookKontos.h"
#include "foundation/UQXCurrencySetup.h"
#include "foundation/USettings.h"
#include "foundation/USettingsLoadSupport.h"
#include "foundation/USettingsRows.h"
#include "platform/rtl/sysutils.h"

namespace {

struct TLabelIdent {
  Integer Ident;
  TDocLabel Label;
};
const TLabelIdent MainLabelIdents[8] = {{21002, dlNetGoods},   {29002, dlNetSubtotal},
                                        {21003, dlNetTax},     {21004, dlNetTotal},
                                        {21005, dlGrossGoods}, {29005, dlGrossSubtotal},
                                        {21006, dlGrossTax},   {21007, dlGrossTotal}};
const TLabelIdent AlterLabelIdents[8] = {{20004, dlNetGoods},   {29004, dlNetSubtotal},
                                         {20005, dlNetTax},     {20006, dlNetTotal},
                                         {20007, dlGrossGoods}, {29007, dlGrossSubtotal},
                                         {20008, dlGrossTax},   {20009, dlGrossTotal}};

// One label row: a non-empty StringItem becomes the kind-1 label (an empty
// one gives Main's kind-1 label when Main is given), then at most 12 memo
// lines become the labels of kinds 2 to 13.
void ReadLabelRow(TSetupRows& Rows, const TLabelIdent& Id, TDocumentTexts& Texts,
                  const TDocumentTexts* Main) {
  if (!Rows.Seek(Id.Ident)) return;
  String S = Rows.StringItem();
  if (!S.empty())
    Texts.Labels[0][Id.Label] = S;
  else if (Main)
    Texts.Labels[0][Id.Label] = Main->Labels[0][Id.Label];
  TStringList Memo;
  Memo.SetText(Rows.MemoItem());
  for (Integer I = 0; I < Memo.Count() && I < DocKindCount - 1; ++I)
    Texts.Labels[I + 1][Id.Label] = Memo[I];
}

// A caption row: a non-empty StringItem becomes the caption; an empty one
// gives Main's caption when Main is given.
void ReadCaptionRow(TSetupRows& Rows, Integer Ident, Integer Caption, TDocumentTexts& Texts,
                    const TDocumentTexts* Main) {
  if (!Rows.Seek(Ident)) return;
  String S = Rows.StringItem();
  if (!S.empty())
    Texts.Captions[Caption] = S;
  else if (Main)
    Texts.Captions[Caption] = Main->Captions[Caption];
}

}  // namespace

void TSettings::LoadFromRows(TSetupRows& Rows) {
  FSettingsTable = Rows.Table();
  const Integer SavedMode = AmountDecimalsMode();
  SetAmountDecimalsMode(0);
  try {
    ResetDefaults();
    LoadDocumentTexts(Rows);
    LoadAlterCurrency(Rows);
    LoadIdentGroups(Rows);
    LoadIdentGroups2(Rows);
    try {
      LoadFromIni();
    } catch (...) {
      // A ZUVID.INI that cannot be read leaves its defaults.
    }
    LoadNumbering(Rows);
    LoadLists(Rows);
  } catch (std::exception& E) {
    ShowSettingsFailure(E.what());
  }
  try {
    Finish();
  } catch (std::exception& E) {
    ShowSettingsFailure(E.what());
  }
  SetAmountDecimalsMode(SavedMode);
}

void ShowSettingsFailure(const String& Message) {
  if (SettingsMessageHook)
    SettingsMessageHook("<B>Möglicher Fehler in der Datenbank:<BR></B>" + Message +
                        "<BR>Führen Sie das Datenbankdienstprogramm aus.");
}

void ShowSkippedRow(Integer Ident, const String& Reason) {
  ShowSettingsFailure("Einstellung " + IntToStr(Ident) + " ist beschädigt und wurde übersprungen: " + Reason);
}

void TSettings::ResetDefaults() {
  KontoStack()->Reset();
  PartsGroups.Clear();
  Documents.Reset("+Steuer [ST1]%:");
  for (int I = 0; I < 5; ++I) AddressTypeNames[I] = "FREIER TYP " + IntToStr(I + 1);
  DocumentNames.Clear();
  for (const char* S : {"Nicht ändern", "LIEFERSCHEIN", "AUFTRAGSBESTÄTIGUNG"}) DocumentNames.Add(S);
  ImportanceTexts.Clear();
  for (const char* S : {"Normal", "Wichtig", "Sehr Wichtig"}) ImportanceTexts.Add(S);
  Dunning = TDunningSetup();
  PaymentDefaults.Days = 14;
  PaymentDefaults.SkontoDays = 5;
  PaymentDefaults.SkontoPercent = 2.0;
  Ints.clear();
  Texts.clear();
  Ints[214] = 1;
  Ints[9214] = 1;
  for (Integer Ident : {23001, 23002, 23003, 951}) Ints[Ident] = 1;
  Ints[12000] = Ints[12013] = Ints[12014] = 2;
  Ints[13031] = 3;
  Flags12011 = 3;
  QuantityFormatIndex = 2;
  QXClipBrdSetup.QuantityFormat = QuantityFormatText(2);
  Flags1530.fill(false);
}

void TSettings::LoadDocumentTexts(TSetupRows& Rows) {
  TStringList Lines;
  if (Rows.ReadList(1530, Lines, false))
    for (Integer I = 0; I < 6 && I < Lines.Count(); ++I) Flags1530[I] = Lines[I] == "1";
  for (const TLabelIdent& Id : MainLabelIdents)
    Guarded([&] { ReadLabelRow(Rows, Id, Documents, nullptr); });
  for (Integer C = 0; C < 5; ++C)
    Guarded([&] { ReadCaptionRow(Rows, 21009 + C, C, Documents, nullptr); });
}

void TSettings::LoadAlterCurrency(TSetupRows& Rows) {
  TAlterCurrencyInfo& A = AlterCurrency;
  A.Byte1 = A.Byte2 = 0;
  A.Texts = Documents;
  for (const TLabelIdent& Id : AlterLabelIdents)
    Guarded([&] { ReadLabelRow(Rows, Id, A.Texts, &Documents); });
  for (Integer C = 0; C < 4; ++C)
    Guarded([&] { ReadCaptionRow(Rows, 31009 + C, C, A.Texts, &Documents); });
  A.Texts.Captions[dcJoin] = Documents.Captions[dcJoin];
  Guarded([&] { Rows.ReadAmount(20010, A.Rate); });
  if (A.Rate < 0.01 || A.Rate > 100) A.Rate = 1.5;
  Guarded([&] { Rows.ReadText(200011, A.Name); });
  if (A.Name.empty()) A.Name = " 2.W.";
  Guarded([&] { A.Enabled = Byte(Rows.ReadInteger(20012, 0)); });
  if (A.Enabled) {
    Guarded([&] { A.Byte1 = Byte(Rows.ReadInteger(200030, 0)); });
    Guarded([&] { A.Byte2 = Byte(Rows.ReadInteger(200031, 0)); });
  } else {
    A.Name = " 2.W.";
    A.Rate = 1.5;
    A.Texts = Documents;
  }
  QXCurrencySetup.AlterByte1 = A.Byte1;
  QXCurrencySetup.AlterByte2 = A.Byte2;
  QXCurrencySetup.AlterRate = A.EffectiveRate();
  QXCurrencySetup.AlterName = A.EffectiveName();
  for (Integer I = 0; I < 3; ++I) Rows.ReadCompressedMemo(8101 + I, *Memos[I]);
  if (Rows.Seek(20))
    TaxTexts.LoadFromSettingsRow(Rows.Table());
  else
    TaxTexts.Clear();
}

void TSettings::ReadInts(TSetupRows& Rows, std::initializer_list<Integer> Idents, Integer Fallback) {
  for (Integer Ident : Idents) {
    Integer V = IntValue(Ident);
    if (Rows.ReadInteger(Ident, V, Fallback)) Ints[Ident] = V;
  }
}

void TSettings::Finish() {
  TStringList& Padded = List(16002);
  while (Padded.Count() < 69) Padded.Add("");
  TStringList& Kinds = List(1500);
  if (Kinds.Count() == 0)
    for (const char* S : {"Interessenten", "Kunden", "Lieferanten"}) Kinds.Add(S);
  CopyToHelperSetup();
}
