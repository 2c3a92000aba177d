// The settings object loading from a setup.OAT built in the test: defaults
// of an empty table, then group by group the rows that override them.
#include "foundation/USettings.h"

#include <gtest/gtest.h>

#include "data/memtable/mtMemTable.h"
#include "foundation/SetupTable.h"
#include "foundation/UBookKontos.h"
#include "foundation/UQXCurrencySetup.h"
#include "foundation/USettingsRows.h"
#include "platform/rtl/formatsettings.h"

namespace {

class SettingsLoadTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetFormatSettings();
    DecimalSeparator = ',';
  }
  void TearDown() override {
    SettingsMessageHook = nullptr;
    ResetFormatSettings();
  }
  // Loads the settings object from the table as it stands.
  void Load() { S.LoadFromDatabase(Setup.Open()); }
  std::vector<String> Lines(const TStrings& L) {
    std::vector<String> Out;
    for (Integer I = 0; I < L.Count(); ++I) Out.push_back(L[I]);
    return Out;
  }
  String Label(int Kind, TDocLabel L) { return S.Documents.Labels[Kind - 1][L]; }

  SetupTable Setup;
  TSettings S;
};

// ---- An empty table ---------------------------------------------------------------

TEST_F(SettingsLoadTest, EmptyTableGivesTheBuiltInTexts) {
  Load();
  EXPECT_EQ((std::vector<String>{"Sehr geehrte Frau,", "Sehr geehrter Herr,"}), Lines(S.List(1501)));
  EXPECT_EQ(5, S.List(1507).Count());
  EXPECT_EQ("bei Zahlung bis zum ", S.List(1507)[0]);
  EXPECT_EQ(" erhalten Sie 3% Skonto, das entspricht: ", S.List(1507)[3]);
  EXPECT_EQ((std::vector<String>{"5", "10", "15", "20", "25", "30", "lieferbar", "nicht lieferbar"}),
            Lines(S.List(12019)));
  EXPECT_EQ((std::vector<String>{"Der Betrag ist bis zum ", " zu bezahlen.", "14"}), Lines(S.List(1508)));
  EXPECT_EQ((std::vector<String>{"Interessenten", "Kunden", "Lieferanten"}), Lines(S.List(1500)));
  EXPECT_EQ(81, S.List(1510).Count());
  EXPECT_EQ(69, S.List(16002).Count());
}

TEST_F(SettingsLoadTest, EmptyTableGivesTheResetDocumentLabels) {
  Load();
  for (int Kind : {1, 7, 13}) {
    EXPECT_EQ("Warenwert:", Label(Kind, dlNetGoods));
    EXPECT_EQ("+Steuer [ST1]%:", Label(Kind, dlNetTax));
    EXPECT_EQ("enthaltene Steuer [ST1]%:", Label(Kind, dlGrossTax));
    EXPECT_EQ("Rechnungsbetrag:", Label(Kind, dlGrossTotal));
  }
  EXPECT_EQ((std::array<String, 5>{"Nr:", "Datum ", "Kundennummer ", "Auftrag ", "vom "}),
            S.Documents.Captions);
}

TEST_F(SettingsLoadTest, EmptyTableGivesTheStepThreeNumbers) {
  Load();
  EXPECT_EQ(2, S.IntValue(12000));
  EXPECT_EQ(2, S.IntValue(12013));
  EXPECT_EQ(3, S.IntValue(13031));
  EXPECT_EQ(1, S.IntValue(951));
  EXPECT_EQ(1, S.IntValue(23002));
  EXPECT_EQ(3, S.Flags12011);
  EXPECT_EQ(2, S.QuantityFormatIndex);
  EXPECT_EQ("0.00#", QXClipBrdSetup.QuantityFormat);
  EXPECT_EQ(14, S.PaymentDefaults.Days);
  EXPECT_EQ(5, S.PaymentDefaults.SkontoDays);
  EXPECT_DOUBLE_EQ(2.0, S.PaymentDefaults.SkontoPercent);
  EXPECT_EQ("000001", S.Number15001);
}

TEST_F(SettingsLoadTest, EmptyTableGivesTheDunningAndNumberingDefaults) {
  Load();
  EXPECT_EQ(30, S.Dunning.V4998);
  EXPECT_EQ(50, S.Dunning.V5002);
  EXPECT_DOUBLE_EQ(20.0, S.Dunning.Amount);
  EXPECT_EQ("Erinnerung an den Zahlungsstatus", S.Dunning.Text);
  EXPECT_EQ(21, S.CurrentNumberingCode);
  EXPECT_EQ(21, QXHelperSetup.CurrentNumberingCode);
  EXPECT_EQ(12, S.Numbering[2].Code);
  EXPECT_EQ("FREIER TYP 3", S.AddressTypeNames[2]);
  EXPECT_EQ((std::vector<String>{"Nicht ändern", "LIEFERSCHEIN", "AUFTRAGSBESTÄTIGUNG"}),
            Lines(S.DocumentNames));
}

TEST_F(SettingsLoadTest, TheAutomaticActionsComeFromTheComponentStreamAndArePadded) {
  TAutoActionItems Stored;
  auto* A = Stored.Add<TAutoActionItem>();
  A->Text = "Mahnung senden";
  A->Options[6] = 7;
  Stored.Add<TAutoActionItem>()->Byte2 = 9;
  TMemoryStream Bytes;
  Stored.SaveToStream(&Bytes);
  Setup.BytesRow(1511, &Bytes);
  Load();
  ASSERT_EQ(14, S.AutoActions.Count());
  EXPECT_EQ("Mahnung senden", S.AutoActions.Item(0)->Text);
  EXPECT_EQ(7, S.AutoActions.Item(0)->Options[6]);
  EXPECT_EQ(9, S.AutoActions.Item(1)->Byte2);
  EXPECT_EQ("", S.AutoActions.Item(13)->Text);
}

TEST_F(SettingsLoadTest, ADamagedListOfAutomaticActionsIsReportedAndTheRowsAfterItLoad) {
  TAutoActionItems Stored;
  Stored.Add<TAutoActionItem>()->Text = "Mahnung senden";
  TMemoryStream Whole;
  Stored.SaveToStream(&Whole);
  const std::string Good(static_cast<const char*>(Whole.Memory()), Whole.Size());
  for (const std::string& Bad : {Good.substr(0, 3), Good.substr(0, Good.size() / 2), std::string("garbage!")}) {
    SetupTable Rows;
    TMemoryStream Bytes;
    Bytes.WriteBuffer(Bad.data(), Bad.size());
    Rows.BytesRow(1511, &Bytes);
    Rows.Row(1507, "", "Zahlbar in 10 Tagen");
    Rows.Row(752, "", "HTML");
    String Shown;
    SettingsMessageHook = [&](const String& Html) { Shown += Html; };
    TSettings Loaded;
    Loaded.LoadFromDatabase(Rows.Open());
    EXPECT_NE(Shown.find("Einstellung 1511 ist beschädigt und wurde übersprungen"), String::npos) << Bad.size();
    EXPECT_EQ(14, Loaded.AutoActions.Count());
    EXPECT_EQ("", Loaded.AutoActions.Item(0)->Text);
    EXPECT_EQ((std::vector<String>{"Zahlbar in 10 Tagen"}), Lines(Loaded.List(1507)));
    EXPECT_EQ((std::vector<String>{"HTML"}), Lines(Loaded.List(752)));
  }
}

TEST_F(SettingsLoadTest, EmptyTableGivesTheUnitDefaults) {
  Load();
  EXPECT_EQ(14, S.AutoActions.Count());
  ASSERT_EQ(1, S.PartsGroups.Count());
  EXPECT_EQ("Alle", S.PartsGroups.Items(0)->Name);
  EXPECT_EQ(175, KontoStack()->Count());
  EXPECT_EQ("INFO4", QXInfoFields.Fields[3].Name);
  EXPECT_EQ(1, QXInfoFields.Fields[4].Code);
  EXPECT_EQ(0, QXInfoFields.Fields[5].Code);
  EXPECT_TRUE(QXInfoFields.Flags[13][9]);
  EXPECT_EQ(" 2.W.", S.AlterCurrency.EffectiveName());
  EXPECT_EQ(0, S.TaxTexts.Table()->RecordCount());
  EXPECT_EQ(0, S.Memos[0]->Size());
}

// ---- Single settings --------------------------------------------------------------------

TEST_F(SettingsLoadTest, EmptyStringItemGivesZeroForIntegersAndEmptyForTexts) {
  Setup.Row(903, "");
  Setup.Row(12000, "abc");
  Setup.Row(8201, "");
  Setup.Row(8202, "Text 8202");
  Setup.Row(4998, "x");
  Load();
  EXPECT_EQ(0, S.IntValue(903, -5));
  EXPECT_EQ(2, S.IntValue(12000));
  EXPECT_EQ("", S.TextValue(8201));
  EXPECT_EQ("Text 8202", S.TextValue(8202));
  EXPECT_EQ(30, S.Dunning.V4998);
}

TEST_F(SettingsLoadTest, FlagCharactersAndDigitGroups) {
  Setup.Row(12011, "0");
  Setup.Row(666, "21x1");
  Setup.Row(301, "0");
  Setup.Row(15001, "42");
  Load();
  EXPECT_EQ(2, S.Flags12011);  // second character padded with "1"
  EXPECT_EQ((std::array<Byte, 3>{2, 1, 0}), S.UpperLowerPart.Digits);
  EXPECT_TRUE(S.UpperLowerPart.Flag);
  EXPECT_FALSE(S.Flag301);
  EXPECT_TRUE(S.Flag302);
  EXPECT_EQ("420000", S.Number15001);
}

TEST_F(SettingsLoadTest, DigitPairAndAddressNumberPattern) {
  Setup.Row(13030, "12");
  Setup.Row(16009, "00a0", "Prefix=  ABCDEFGHIJKL \r\nSuffix=xyz");
  Load();
  EXPECT_EQ((std::array<Integer, 2>{1, 2}), S.Values13030);
  EXPECT_EQ(12, S.IntValue(13030));
  EXPECT_EQ("000", S.AddressNumber.Number);
  EXPECT_EQ("ABCDEFGHIJ", S.AddressNumber.Prefix);
  EXPECT_EQ("xyz", S.AddressNumber.Suffix);
}

TEST_F(SettingsLoadTest, NumberTextOf15001IsCappedAndCut) {
  Setup.Row(15001, "950000");
  Load();
  EXPECT_EQ("900000", S.Number15001);
}

TEST_F(SettingsLoadTest, QuantityFormatAndPaymentDefaults) {
  Setup.Row(9215, "3");
  Setup.Row(51004, "7", "Default_ZZDays=30\r\nDefault_SkontoDay=10\r\nDefault_SkontoProz=3,5");
  Setup.Row(5021, "12.5");
  Load();
  EXPECT_EQ("0.000", QXClipBrdSetup.QuantityFormat);
  EXPECT_EQ(7, S.PaymentDefaults.Value);
  EXPECT_EQ(30, S.PaymentDefaults.Days);
  EXPECT_EQ(10, S.PaymentDefaults.SkontoDays);
  EXPECT_DOUBLE_EQ(3.5, S.PaymentDefaults.SkontoPercent);
  EXPECT_DOUBLE_EQ(12.5, S.Dunning.Amount);
}

// ---- Document labels ----------------------------------------------------------------------

TEST_F(SettingsLoadTest, LabelMemoFillsKindsTwoToThirteenAndIgnoresTheRest) {
  String Memo;
  for (int I = 1; I <= 15; ++I) Memo += "L" + IntToStr(I) + "\r\n";
  Setup.Row(21002, "Netto-Warenwert:", Memo);
  Load();
  EXPECT_EQ("Netto-Warenwert:", Label(1, dlNetGoods));
  EXPECT_EQ("L1", Label(2, dlNetGoods));
  EXPECT_EQ("L12", Label(13, dlNetGoods));
  EXPECT_EQ("Warenwert:", Label(1, dlGrossGoods));
}

TEST_F(SettingsLoadTest, ShortLabelMemoChangesOnlyItsKinds) {
  Setup.Row(21004, "", "A\r\n\r\nC");
  Setup.Row(21009, "Nummer:");
  Load();
  EXPECT_EQ("Rechnungsbetrag:", Label(1, dlNetTotal));
  EXPECT_EQ("A", Label(2, dlNetTotal));
  EXPECT_EQ("", Label(3, dlNetTotal));
  EXPECT_EQ("C", Label(4, dlNetTotal));
  EXPECT_EQ("Rechnungsbetrag:", Label(5, dlNetTotal));
  EXPECT_EQ("Nummer:", S.Documents.Captions[dcNumber]);
}

// ---- Second currency ----------------------------------------------------------------------

TEST_F(SettingsLoadTest, DisabledSecondCurrencyIgnoresItsRows) {
  Setup.Row(20004, "Fremd-Warenwert:");
  Setup.Row(31009, "Fremd-Nr:");
  Setup.Row(20010, "2,5");
  Setup.Row(200011, "CHF");
  Setup.Row(200030, "4");
  Load();
  EXPECT_EQ(" 2.W.", S.AlterCurrency.Name);
  EXPECT_DOUBLE_EQ(1.5, S.AlterCurrency.Rate);
  EXPECT_EQ(0, S.AlterCurrency.Byte1);
  EXPECT_EQ("Warenwert:", S.AlterCurrency.Texts.Labels[0][dlNetGoods]);
  EXPECT_EQ("Nr:", S.AlterCurrency.Texts.Captions[dcNumber]);
  EXPECT_EQ(" 2.W.", QXCurrencySetup.AlterName);
}

TEST_F(SettingsLoadTest, EnabledSecondCurrencyReadsItsRows) {
  Setup.Row(20012, "1");
  Setup.Row(20004, "Fremd-Warenwert:");
  Setup.Row(20005, "");
  Setup.Row(31010, "Fremd-Datum");
  Setup.Row(20010, "2,5");
  Setup.Row(200011, "CHF");
  Setup.Row(200030, "4");
  Setup.Row(200031, "x");
  Load();
  EXPECT_EQ("CHF", S.AlterCurrency.EffectiveName());
  EXPECT_DOUBLE_EQ(2.5, S.AlterCurrency.EffectiveRate());
  EXPECT_EQ(4, S.AlterCurrency.Byte1);
  EXPECT_EQ(0, S.AlterCurrency.Byte2);
  EXPECT_EQ("Fremd-Warenwert:", S.AlterCurrency.Texts.Labels[0][dlNetGoods]);
  EXPECT_EQ("+Steuer [ST1]%:", S.AlterCurrency.Texts.Labels[0][dlNetTax]);
  EXPECT_EQ("Fremd-Datum", S.AlterCurrency.Texts.Captions[dcDate]);
  EXPECT_EQ(4, QXCurrencySetup.AlterByte1);
  EXPECT_DOUBLE_EQ(2.5, QXCurrencySetup.AlterRate);
}

TEST_F(SettingsLoadTest, SecondCurrencyRateOutsideItsRangeBecomesOneAndAHalf) {
  for (const char* Rate : {"0,005", "150"}) {
    SetupTable Fresh;
    Fresh.Row(20012, "1");
    Fresh.Row(20010, Rate);
    TSettings Local;
    Local.LoadFromDatabase(Fresh.Open());
    EXPECT_DOUBLE_EQ(1.5, Local.AlterCurrency.Rate) << Rate;
  }
}

// ---- Lists and blocks ------------------------------------------------------------------------

TEST_F(SettingsLoadTest, DocumentNamesGetNichtAendernOnTop) {
  Setup.Row(202, "", "RECHNUNG\r\nANGEBOT");
  Setup.Row(201, "Lieferant", "Händler\r\n\r\nPartner");
  Load();
  EXPECT_EQ((std::vector<String>{"Nicht ändern", "RECHNUNG", "ANGEBOT"}), Lines(S.DocumentNames));
  EXPECT_EQ((std::array<String, 5>{"Lieferant", "Händler", "FREIER TYP 3", "Partner", "FREIER TYP 5"}),
            S.AddressTypeNames);
}

TEST_F(SettingsLoadTest, SalutationsAreSortedWithoutRegardToCase) {
  Setup.Row(1501, "", "hallo\r\nLiebe\r\nachtung");
  Load();
  EXPECT_EQ((std::vector<String>{"achtung", "hallo", "Liebe"}), Lines(S.List(1501)));
}

TEST_F(SettingsLoadTest, InfoFieldLineWithEqualsNamesTheField) {
  String Memo = "Cap1\r\n\r\n\r\nA=\r\nKunde=Wichtiger Kunde\r\nohne Gleich\r\n";
  Memo += "TUserCaptionOrders.Direct=20x9\r\n";
  Setup.Row(1512, "", Memo);
  Load();
  EXPECT_EQ("Cap1", S.FieldCaptions[0]);
  EXPECT_EQ("Bezeichnung2", S.FieldCaptions[1]);
  EXPECT_EQ("Kunde", QXInfoFields.Fields[1].Name);
  EXPECT_EQ("Wichtiger Kunde", QXInfoFields.Fields[1].Text);
  EXPECT_EQ("INFO3", QXInfoFields.Fields[2].Name);
  EXPECT_EQ(2, QXInfoFields.Fields[0].Code);
  EXPECT_EQ(0, QXInfoFields.Fields[1].Code);
  EXPECT_EQ(1, QXInfoFields.Fields[2].Code);  // no digit counts as 1
  EXPECT_EQ(1, QXInfoFields.Fields[3].Code);  // 9 leaves the code
}

TEST_F(SettingsLoadTest, InfoFieldFlagRowsAndFreeFieldNames) {
  String Memo;
  for (int N = 1; N <= 74; ++N) {
    if (N == 31) Memo += "Farbe";
    if (N == 61) Memo += "0101";
    Memo += "\r\n";
  }
  Setup.Row(1512, "", Memo);
  Load();
  EXPECT_EQ("Farbe", FreeFieldWorkNames[0]);
  EXPECT_EQ("Freifeld2", FreeFieldWorkNames[1]);
  EXPECT_FALSE(QXInfoFields.Flags[0][0]);
  EXPECT_TRUE(QXInfoFields.Flags[0][1]);
  EXPECT_TRUE(QXInfoFields.Flags[0][9]);  // blank counts as 1
}

TEST_F(SettingsLoadTest, NumberingTakesTheFirstEntryOfKindTwo) {
  Setup.Row(2003, "Rechnungen");
  Setup.Row(3003, "2");
  Setup.Row(3005, "2");
  Load();
  EXPECT_EQ("Rechnungen", S.Numbering[2].Name);
  EXPECT_EQ(12, S.CurrentNumberingCode);
  EXPECT_EQ(12, AddressLayoutNumberingCode);
}

TEST_F(SettingsLoadTest, AccountsPartsAndFontsComeFromTheirRows) {
  Setup.Row(16012, "", "3;Kasse;1;123456;0;x;2;1;3");
  Setup.Row(650, "", "Schrauben\r\n#12Muttern");
  Setup.Row(651, "", " 12.5 ");
  Setup.Row(652, "", "1\r\n2\r\n3\r\n\r\n9");
  Load();
  Integer Index;
  ASSERT_TRUE(KontoStack()->Find(3, Index, kkMoney, false));
  EXPECT_EQ("1234", KontoStack()->Items(Index).Numbers[0]);
  ASSERT_EQ(2, S.PartsGroups.Count());
  EXPECT_EQ("*12,5", S.PartsGroups.Items(0)->Factor);
  EXPECT_EQ("Muttern", S.PartsGroups.Items(1)->Name);
  EXPECT_EQ(3, S.Fonts.Width1);
  EXPECT_EQ("ARIAL", S.Fonts.Font1);
  EXPECT_EQ(9, S.Fonts.Size1);
}

TEST_F(SettingsLoadTest, CompressedMemosAndTaxTexts) {
  Setup.CompressedRow(8102, "gepackter Inhalt");
  Setup.Row(8103, "", "nicht gepackt");
  Setup.Row(20, "", "\"Text\",\"Steuer\"\r\n\"Volle Steuer\",\"19\"\r\n");
  Load();
  const TMemoryStream& M = *S.Memos[1];
  EXPECT_EQ("gepackter Inhalt", String(static_cast<const char*>(M.Memory()), std::size_t(M.MemorySize())));
  EXPECT_EQ(0, S.Memos[0]->Size());
  EXPECT_EQ(13, S.Memos[2]->Size());  // stored as it stands
  ASSERT_EQ(1, S.TaxTexts.Table()->RecordCount());
  EXPECT_EQ("Volle Steuer", S.TaxTexts.Table()->FieldByName("Text")->AsString());
  EXPECT_EQ(19, S.TaxTexts.Table()->FieldByName("Steuer")->AsInteger());
}

// ---- Frame ---------------------------------------------------------------------------------

TEST_F(SettingsLoadTest, LoadSelectsTheIdentIndexAndRemembersTheTable) {
  Setup.Row(903, "77");
  Setup.Table->SetIndexName("");
  Load();
  EXPECT_EQ(77, S.IntValue(903));
  EXPECT_EQ("Ident", Setup.Table->IndexName());
  EXPECT_EQ(Setup.Table, S.SettingsTable());
}

TEST_F(SettingsLoadTest, LoadReadsZuvidIniOfTheProgramFolder) {
  Setup.Tree.Write("prog/ZUVID.INI", "[RTFX]\r\nRTFHeigth=50\r\n");
  Load();
  EXPECT_EQ(100, S.Ini.RTFHeigth);
}

// A row reader that fails at one Ident, as a damaged table would.
class FailingRows : public TOakSetupRows {
 public:
  FailingRows(TOakExtendedTable* T, Integer FailAt) : TOakSetupRows(T), FFailAt(FailAt) {}
  bool Seek(Integer Ident) override {
    if (Ident == FFailAt) throw Exception("Datensatz defekt");
    return TOakSetupRows::Seek(Ident);
  }

 private:
  Integer FFailAt;
};

TEST_F(SettingsLoadTest, FailureIsShownAndKeepsWhatWasRead) {
  Setup.Row(903, "5");
  Setup.Row(76, "9");
  String Shown;
  SettingsMessageHook = [&](const String& Html) { Shown = Html; };
  SetAmountDecimalsMode(1);
  Setup.Table->SetIndexName("Ident");
  FailingRows Rows(Setup.Open(), 23001);
  S.LoadFromRows(Rows);
  EXPECT_EQ("<B>Möglicher Fehler in der Datenbank:<BR></B>Datensatz defekt"
            "<BR>Führen Sie das Datenbankdienstprogramm aus.",
            Shown);
  EXPECT_EQ(5, S.IntValue(903));
  EXPECT_EQ(0, S.IntValue(76));     // after the failure: not read
  EXPECT_EQ(1, AmountDecimalsMode());  // restored
  SetAmountDecimalsMode(0);
}

TEST_F(SettingsLoadTest, GuardedIdentFailureIsSkippedSilently) {
  Setup.Row(76, "9");
  bool Shown = false;
  SettingsMessageHook = [&](const String&) { Shown = true; };
  Setup.Table->SetIndexName("Ident");
  FailingRows Rows(Setup.Open(), 202);
  S.LoadFromRows(Rows);
  EXPECT_FALSE(Shown);
  EXPECT_EQ(9, S.IntValue(76));
}

// ---- Malformed rows ----------------------------------------------------------------

TEST_F(SettingsLoadTest, EmptyShortAndMalformedAmountPairsReadAsZeroAndLoadingGoesOn) {
  const std::pair<String, std::array<double, 2>> Cases[] = {
      {"", {0, 0}}, {"5", {5, 0}}, {"5;", {5, 0}}, {";7", {0, 7}}, {"x;y;z", {0, 0}}, {"1,5;2,5", {1.5, 2.5}}};
  for (const auto& [Text, Want] : Cases) {
    SetupTable Rows;
    Rows.Row(949, Text);
    Rows.Row(950, Text, "\r\n;");
    Rows.Row(1507, "", "Zahlbar netto");
    bool Shown = false;
    SettingsMessageHook = [&](const String&) { Shown = true; };
    TSettings Fresh;
    Fresh.LoadFromDatabase(Rows.Open());
    EXPECT_FALSE(Shown) << Text;
    EXPECT_EQ(Want, Fresh.AmountPairs[0]) << Text;
    EXPECT_EQ(Want, Fresh.AmountPairs[1]) << Text;
    ASSERT_EQ(1, Fresh.List(1507).Count()) << Text;  // read after the pairs
    EXPECT_EQ("Zahlbar netto", Fresh.List(1507)[0]);
  }
}

// ---- Identity and address key -----------------------------------------------------------------

TEST(SettingsIdentity, SettingsIsOneObject) { EXPECT_EQ(Settings(), Settings()); }

TEST(SettingsIdentity, SetDatabaseIDCopiesIntoTheClipboardRecord) {
  TSettings S;
  S.SetDatabaseID("{1234}");
  EXPECT_EQ("{1234}", S.DatabaseID());
  EXPECT_EQ("{1234}", QXClipBrdSetup.DatabaseID);
}

TEST(SettingsIdentity, CreateGivesTheStartingValues) {
  TSettings S;
  EXPECT_EQ("", S.DatabaseID());
  EXPECT_EQ(nullptr, S.SettingsTable());
  EXPECT_EQ("+Steuer: [ST1]%", S.Documents.Labels[4][dlNetTax]);
  EXPECT_EQ(-1, S.PaymentDefaults.Value);
  EXPECT_EQ(1, S.IntValue(214));
  EXPECT_EQ(1, S.IntValue(13031));
  EXPECT_EQ("0", S.AddressNumber.Number);
  EXPECT_EQ(19, S.Numbering[9].Code);
  EXPECT_EQ(9, S.Numbering[9].Number);
}

TEST(SettingsValueTables, MobileIDCharsAndRightsTexts) {
  EXPECT_EQ('3', MobileIDChars[1]);
  EXPECT_EQ('9', MobileIDChars[7]);
  EXPECT_STREQ("Stufe4, alle Aufträge/Adressen,  Artikel", MobileLevelTexts[3]);
  EXPECT_STREQ("Adressen bearbeiten/hinzufügen,  leere Auftragsdatenbank, keine Artikeldatenbank",
               MobileDataModeTexts[1]);
}

class AddressKeyTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Table = new TmtMemTable(Root.get());
    Table->FieldDefs().Add("ID", ftInteger);
    Table->FieldDefs().Add("ADR_46_", ftString, 11);
    Table->Open();
  }
  String KeyOf(Integer ID, Byte N) {
    Table->AppendRecord({Variant(ID), Variant()});
    SetAddressKey(Table, N);
    return Table->FieldByName("ADR_46_")->AsString();
  }
  std::unique_ptr<TComponent> Root = std::make_unique<TComponent>(nullptr);
  TmtMemTable* Table = nullptr;
};

TEST_F(AddressKeyTest, ZeroAndIDRightAlignedInTenCharacters) {
  EXPECT_EQ("0        42", KeyOf(42, 0));
}

TEST_F(AddressKeyTest, InstallationNumberThreeOnRowSeven) {
  EXPECT_EQ("3         7", KeyOf(7, 3));
  EXPECT_EQ(dsBrowse, Table->State());
}

}  // namespace
