// The settings load: the single settings read by Ident after the document
// labels and the second currency, each only when its row exists.
#include "foundation/StringUtils.h"
#include "foundation/UBookKontos.h"
#include "foundation/UQXCurrencySetup.h"
#include "foundation/USettings.h"
#include "foundation/USettingsLoadSupport.h"
#include "foundation/USettingsRows.h"
#include "platform/rtl/sysutils.h"

namespace {

// Character I (0-based) of S as a digit 0..Max, else 0.
Byte DigitAt(const String& S, std::size_t I, Byte Max) {
  if (I >= S.size() || S[I] < '0' || S[I] > char('0' + Max)) return 0;
  return Byte(S[I] - '0');
}

// The six-character number text of Ident 15001.
String SixDigitNumber(const String& Text) {
  String S = Trim(Text);
  if (S.empty()) return "000001";
  if (StrToInt64Def(S, 0) > 900000) return "900000";
  if (Length(S) < 6) return S + StringOfChar('0', 6 - Length(S));
  return Copy(S, Length(S) - 5, 6);
}

}  // namespace

void TSettings::LoadIdentGroups(TSetupRows& Rows) {
  for (Integer Ident : {8201, 8202, 8203, 16000}) Rows.ReadText(Ident, Texts[Ident]);
  ReadInts(Rows, {903, 10000}, 0);
  ReadInts(Rows, {12000}, 2);
  ReadInts(Rows, {12010}, 0);
  String S;
  if (Rows.ReadText(12011, S)) {
    while (Length(S) < 2) S += "1";
    Flags12011 = Byte((S[0] == '1' ? 1 : 0) | (S[1] == '1' ? 2 : 0));
  }
  ReadInts(Rows, {12013, 12014}, 2);
  if (Rows.ReadText(212, S)) Texts[212] = Trim(S);
  ReadInts(Rows, {213}, 0);
  ReadInts(Rows, {214}, 1);
  ReadInts(Rows, {215, 218, 51008, 51009}, 0);
  for (Integer Ident : {51003, 51000, 51001, 51002}) Rows.ReadText(Ident, Texts[Ident]);
  if (Rows.Seek(51004)) {
    TPaymentDefaults& P = PaymentDefaults;
    P.Value = ParseInteger(Rows.StringItem(), 0);
    P.Entries.SetText(Rows.MemoItem());
    P.Days = ParseInteger(P.Entries.Values("Default_ZZDays"), P.Days);
    P.SkontoDays = ParseInteger(P.Entries.Values("Default_SkontoDay"), P.SkontoDays);
    if (P.Entries.IndexOfName("Default_SkontoProz") >= 0)
      P.SkontoPercent = StrToFloatOrZero(Trim(P.Entries.Values("Default_SkontoProz")));
  }
  if (Rows.Seek(9214)) {
    ReadInts(Rows, {9214}, 1);
    QuantityFormatIndex = 0;
    QXClipBrdSetup.QuantityFormat = QuantityFormatText(0);
  }
  if (Rows.Seek(9215)) {
    QuantityFormatIndex = ParseInteger(Rows.StringItem(), 0);
    QXClipBrdSetup.QuantityFormat = QuantityFormatText(QuantityFormatIndex);
  }
  Integer V = 0;
  if (Rows.ReadInteger(216, V, 0)) QXCurrencySetup.CurrencyOption = Ints[216] = V;
  Rows.ReadFlag(301, Flag301);
  Rows.ReadFlag(302, Flag302);
  if (Rows.ReadText(666, S)) {
    while (Length(S) < 4) S += " ";
    for (std::size_t I = 0; I < 3; ++I) UpperLowerPart.Digits[I] = DigitAt(S, I, 2);
    UpperLowerPart.Flag = CharAt(S, 4) == "1";
  }
  ReadInts(Rows, {13031, 13030}, 3);
  if (Rows.ReadText(13030, S)) Values13030 = {DigitAt(S, 0, 9), DigitAt(S, 1, 9)};
  Rows.ReadText(15004, Texts[15004]);
  ReadInts(Rows, {15000}, 0);
  Number15001 = "000001";
  if (Rows.ReadText(15001, S)) Number15001 = SixDigitNumber(S);
  if (Rows.Seek(16009)) {
    AddressNumber.Values.SetText(Rows.MemoItem());
    AddressNumber.Number = Rows.StringItem();
    AddressNumber.Prefix = AddressNumber.Values.Values("Prefix");
    AddressNumber.Suffix = AddressNumber.Values.Values("Suffix");
    AddressNumber.Normalize();
  }
  TStringList Lines;
  if (Rows.ReadList(16012, Lines, false)) KontoStack()->Load(Lines);
}

void TSettings::LoadIdentGroups2(TSetupRows& Rows) {
  ReadInts(Rows, {23001, 23002, 23003, 250}, 0);
  ReadInts(Rows, {76, 951}, 1);
  ReadInts(Rows, {4000, 1400}, 0);
  ReadInts(Rows, {1401, 1402}, 1);
  ReadInts(Rows, {16003}, 0);
  Guarded([&] {
    if (!Rows.ReadList(202, DocumentNames, false)) return;
    if (DocumentNames.Count() == 0) {
      for (const char* S : {"Nicht ändern", "LIEFERSCHEIN", "AUFTRAGSBESTÄTIGUNG"}) DocumentNames.Add(S);
    } else if (DocumentNames[0].rfind("Nicht ändern", 0) != 0) {
      DocumentNames.Insert(0, "Nicht ändern");
    }
  });
  Guarded([&] {
    for (int I = 0; I < 5; ++I) AddressTypeNames[I] = "FREIER TYP " + IntToStr(I + 1);
    if (!Rows.Seek(201)) return;
    TStringList Memo;
    Memo.SetText(Rows.MemoItem());
    for (int I = 0; I < 5; ++I) {
      String Name = I == 0 ? Rows.StringItem() : I - 1 < Memo.Count() ? Memo[I - 1] : String();
      if (!Name.empty()) AddressTypeNames[I] = Name;
    }
  });
  String S;
  TDateTime D;
  if (Rows.ReadText(5024, S) && TryStrToDate(Trim(S), D)) Dunning.Date = D;
  TDunningSetup& U = Dunning;
  Rows.ReadInteger(4999, U.V4999, 0);
  Rows.ReadInteger(5000, U.V5000, 0);
  Rows.ReadInteger(4998, U.V4998, 30);
  Rows.ReadInteger(4996, U.V4996, 0);
  Rows.ReadInteger(5001, U.V5001, 0);
  Integer V = U.V5002;
  if (Rows.ReadInteger(5002, V, 0)) U.V5002 = std::int16_t(V);
  Rows.ReadInteger(5023, U.V5023, 0);
  U.Text = Rows.ReadText(4997, "Erinnerung an den Zahlungsstatus");
  Rows.ReadAmount(5021, U.Amount);
  Rows.ReadInteger(5022, U.V5022, 0);
  Rows.ReadInteger(5025, U.V5025, 0);
  Rows.ReadInteger(5026, U.V5026, 0);
}
