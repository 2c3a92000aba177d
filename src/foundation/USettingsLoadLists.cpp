// The settings load: the numbering table, the lists (one entry per
// MemoItem line) with the groups read between them, and the caption and
// info-field block of Ident 1512.
#include "foundation/StringUtils.h"
#include "foundation/UQXCurrencySetup.h"
#include "foundation/USettings.h"
#include "foundation/USettingsLoadSupport.h"
#include "foundation/USettingsRows.h"
#include "platform/db/dataset.h"
#include "platform/db/fields.h"
#include "platform/rtl/sysutils.h"

namespace {

void PadList(TStringList& List, Integer Count) {
  while (List.Count() < Count) List.Add("");
}

void DefaultWhenEmpty(TStringList& List, std::initializer_list<const char*> Entries) {
  if (List.Count() > 0) return;
  for (const char* S : Entries) List.Add(S);
}

void SortText(TStringList& List) { SortStringsText(0, List.Count() - 1, List); }

// Line N (1-based) of Lines, "" past the end.
String LineAt(const TStringList& Lines, Integer N) { return N <= Lines.Count() ? Lines[N - 1] : String(); }

}  // namespace

void TSettings::LoadNumbering(TSetupRows& Rows) {
  for (Integer N = 0; N < 10; ++N) Rows.ReadText(2001 + N, Numbering[N].Name);
  for (Integer N = 0; N < 10; ++N)
    if (Rows.Seek(3001 + N)) Numbering[N].Kind = Byte(ParseInteger(Rows.StringItem(), 0));
  CurrentNumberingCode = 21;
  for (const TNumberingEntry& E : Numbering)
    if (E.Kind == 2) {
      CurrentNumberingCode = E.Code;
      break;
    }
  AddressLayoutNumberingCode = CurrentNumberingCode;
}

void TSettings::LoadLists(TSetupRows& Rows) {
  TStringList Lines;
  Rows.ReadList(920, Lines, true);
  List920Names.Clear();
  List920Values.Clear();
  for (Integer I = 0; I < Lines.Count(); ++I) {
    List920Names.Add(Lines.Names(I).empty() ? Lines[I] : Lines.Names(I));
    List920Values.Add(Lines.ValueFromIndex(I));
  }
  for (Integer P = 0; P < 2; ++P) {
    String S;
    if (!Rows.ReadText(949 + P, S)) continue;
    // "amount;amount": an empty text, one without ";" or one ending in it
    // gives fewer parts, and a missing amount reads as 0.
    std::vector<String> Parts;
    SplitString(";", S, 0, Parts, 2);
    Parts.resize(2);
    AmountPairs[P] = {ParseAmount(Parts[0]), ParseAmount(Parts[1])};
  }
  QXClipBrdSetup.Amounts = AmountPairs;
  for (Integer P = 0; P < 2; ++P)
    for (Integer I = 0; I < 2; ++I) QXCurrencySetup.Amounts[P][I] = AmountPairs[P][I];
  for (Integer Ident : {1500, 1510, 1502, 1501, 1506, 1505, 1509})
    Rows.ReadList(Ident, List(Ident), true);
  PadList(List(1510), 81);
  if (!Rows.Seek(1501)) DefaultWhenEmpty(List(1501), {"Sehr geehrte Frau,", "Sehr geehrter Herr,"});
  for (Integer Ident : {1502, 1501, 1506, 1505}) SortText(List(Ident));
  // A damaged list of automatic actions is reported and left empty; the
  // rows after it still load.
  AutoActions.Clear();
  ReportedRow(1511, [&] {
    if (Rows.Seek(1511))
      AutoActions.LoadFromStream(Rows.Table()->CreateBlobStream(Rows.Table()->FieldByName("MemoItem"), bmRead).get());
  });
  AutoActions.PadTo(14);
  Rows.ReadList(1507, List(1507), true);
  DefaultWhenEmpty(List(1507), {"bei Zahlung bis zum ", " erhalten Sie 3% Skonto, das entspricht: ",
                                "bei Zahlung bis zum ", " erhalten Sie 3% Skonto, das entspricht: ",
                                "Zahlbar sofort ohne Abzug."});
  LoadInfoFieldBlock(Rows);
  Rows.ReadList(12019, List(12019), true);
  DefaultWhenEmpty(List(12019), {"5", "10", "15", "20", "25", "30", "lieferbar", "nicht lieferbar"});
  Rows.ReadList(12018, List(12018), true);
  Rows.ReadList(1508, List(1508), true);
  DefaultWhenEmpty(List(1508), {"Der Betrag ist bis zum ", " zu bezahlen.", "14"});
  for (Integer Ident : {16002, 16001, 16010, 16045, 16046}) Rows.ReadList(Ident, List(Ident), true);
  PartsGroups.LoadFromSettings(Rows);
  Rows.ReadList(652, List(652), true);
  Fonts = TTwoFontBlock();
  Fonts.Load(List(652));
  Rows.ReadList(752, List(752), true);
  HTMLMail.Load(Rows, 14500, 14501);
}

void TSettings::LoadInfoFieldBlock(TSetupRows& Rows) {
  for (int I = 0; I < 3; ++I) FieldCaptions[I] = FieldCaptionTexts[I];
  ResetFreeFieldWorkNames();
  QXInfoFields.Reset(true);
  Guarded([&] {
    if (!Rows.Seek(1512)) return;
    TStringList L;
    L.SetText(Rows.MemoItem());
    PadList(L, 23);
    for (Integer N = 1; N <= 3; ++N)
      if (!L[N - 1].empty()) FieldCaptions[N - 1] = L[N - 1];
    for (Integer N = 4; N <= 13; ++N) {
      const String& Line = L[N - 1];
      std::size_t Eq = Line.find('=');
      if (Eq == String::npos || Eq == 0) continue;
      TInfoFieldEntry& F = QXInfoFields.Fields[N - 4];
      F.Name = Line.substr(0, Eq);
      F.Text = Copy(Line.substr(Eq + 1), 1, 200);
    }
    String Direct = L.Values("TUserCaptionOrders.Direct");
    if (!Direct.empty()) {
      while (Length(Direct) < 10) Direct += " ";
      for (Integer N = 0; N < 10; ++N) {
        char C = Direct[N];
        Integer Code = C >= '0' && C <= '9' ? C - '0' : 1;
        if (Code <= 2) QXInfoFields.Fields[N].Code = Byte(Code);
      }
    }
    for (Integer N = 31; N <= 35; ++N)
      if (!LineAt(L, N).empty()) FreeFieldWorkNames[N - 31] = LineAt(L, N);
    for (Integer Row = 0; Row < 14; ++Row) {
      if (61 + Row > L.Count()) break;
      String Line = L[60 + Row];
      while (Length(Line) < 10) Line += " ";
      for (Integer N = 0; N < 10; ++N) {
        char C = Line[N];
        QXInfoFields.Flags[Row][N] = !(C >= '0' && C <= '9') || C == '1';
      }
    }
  });
}
