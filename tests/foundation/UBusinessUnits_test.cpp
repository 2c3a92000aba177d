// The small business units that the settings fill: HTML mail values,
// automatic actions, the two-font block, the CSV reader, the address extra
// columns, the canonical table and the constant tables.
#include "foundation/UBusinessUnits.h"

#include <gtest/gtest.h>

#include "foundation/MemSetupRows.h"
#include "foundation/TempTree.h"
#include "foundation/UBusinessUnitsAddress.h"
#include "foundation/UCanonical.h"
#include "foundation/UFastCSV.h"
#include "foundation/USettingsRows.h"
#include "platform/rtl/formatsettings.h"

namespace {

std::unique_ptr<TStringList> LinesOf(std::initializer_list<const char*> L) {
  auto Out = std::make_unique<TStringList>();
  for (const char* S : L) Out->Add(S);
  return Out;
}

// ---- HTML mail text ----------------------------------------------------------------

class HTMLMailTest : public MemSetupRowsTest {
 protected:
  THTML Html;
};

TEST_F(HTMLMailTest, RowsGiveLinesAmountsFlagsAndInteger) {
  Row(14500, "", "<p>Hallo</p>\r\n<p>Welt</p>");
  Row(14501, "", "2,5\r\n0\r\n1\r\n0\r\n1\r\n7");
  TSetupRows Rows(Table);
  Html.Load(Rows, 14500, 14501);
  EXPECT_EQ(2, Html.Lines.Count());
  EXPECT_DOUBLE_EQ(2.5, Html.Amounts[0]);
  EXPECT_DOUBLE_EQ(1.0, Html.Amounts[1]);  // 0 becomes 1.0
  EXPECT_EQ((std::array<bool, 3>{true, false, true}), Html.Flags);
  EXPECT_EQ(7, Html.Value);
}

TEST_F(HTMLMailTest, MissingRowsGiveTheFallbacks) {
  TSetupRows Rows(Table);
  Html.Load(Rows, 14500, 14501);
  EXPECT_EQ(0, Html.Lines.Count());
  EXPECT_DOUBLE_EQ(1.0, Html.Amounts[0]);
  EXPECT_EQ(2, Html.Value);
}

// ---- Automatic actions ----------------------------------------------------------------

TEST(AutoActionsTest, StreamRoundTripAndPadding) {
  TAutoActionItems Items;
  auto* A = Items.Add<TAutoActionItem>();
  for (int I = 0; I < 7; ++I) A->Options[I] = Byte(I + 1);
  A->Text = "Mahnung für Kunden";
  A->Byte1 = 8;
  A->Byte2 = 9;
  Items.Add<TAutoActionItem>()->Text = "Nur Text";
  TMemoryStream S;
  Items.SaveToStream(&S);
  TAutoActionItems Copy;
  Copy.LoadFromStream(&S);
  ASSERT_EQ(2, Copy.Count());
  for (int I = 0; I < 7; ++I) EXPECT_EQ(I + 1, Copy.Item(0)->Options[I]);
  EXPECT_EQ("Mahnung für Kunden", Copy.Item(0)->Text);
  EXPECT_EQ(8, Copy.Item(0)->Byte1);
  EXPECT_EQ(9, Copy.Item(0)->Byte2);
  EXPECT_EQ("Nur Text", Copy.Item(1)->Text);
  Copy.PadTo(14);
  EXPECT_EQ(14, Copy.Count());
  TMemoryStream Empty;
  Copy.LoadFromStream(&Empty);
  EXPECT_EQ(0, Copy.Count());
}

// One wrapper component with the collection "Items", each item a list of
// the byte, text and byte properties.
TEST(AutoActionsTest, TheStreamHoldsOneWrapperComponent) {
  TAutoActionItems Items;
  Items.Add<TAutoActionItem>()->Options[0] = 3;
  TMemoryStream S;
  Items.SaveToStream(&S);
  String Bytes(static_cast<const char*>(S.Memory()), std::size_t(S.Size()));
  String Head = String("TPF0\x17TAutoActionItemsWrapper") + String(1, '\0') + "\x05Items\x0E\x01\x07Option1\x02\x03";
  EXPECT_EQ(Bytes.substr(0, Head.size()), Head);
}

TEST(AutoActionsTest, AStreamOfAnotherFormatRaisesAndLeavesNoItems) {
  TAutoActionItems Items;
  Items.PadTo(3);
  TStringStream S("1;2;3;4;5;6;7;Mahnung senden;8;9");
  EXPECT_THROW(Items.LoadFromStream(&S), EReadError);
  EXPECT_EQ(0, Items.Count());
}

TEST(AutoActionsTest, AssignCopiesEveryValue) {
  TAutoActionItems Items;
  auto* A = Items.Add<TAutoActionItem>();
  auto* B = Items.Add<TAutoActionItem>();
  A->Options[3] = 4;
  A->Text = "x";
  A->Byte1 = 5;
  B->Assign(A);
  EXPECT_EQ(4, B->Options[3]);
  EXPECT_EQ("x", B->Text);
  EXPECT_EQ(5, B->Byte1);
}

// ---- Two-font block and tables ----------------------------------------------------------

TEST(TwoFontBlockTest, LinesOverrideWithBuiltInFallbacks) {
  TTwoFontBlock F;
  F.Load(*LinesOf({"5", "x", "", "", "12", "255", "", "", "", "Tahoma"}));
  EXPECT_EQ(5, F.Left1);
  EXPECT_EQ(20, F.Top1);
  EXPECT_EQ(150, F.Width1);
  EXPECT_EQ("ARIAL", F.Font1);
  EXPECT_EQ(12, F.Size1);
  EXPECT_EQ(255, F.Color1);
  EXPECT_EQ("Tahoma", F.Font2);
  EXPECT_EQ(8, F.Size2);
  EXPECT_EQ(8421504, F.Color2);
}

TEST(BusinessTablesTest, StartUpTablesHoldTheirEntries) {
  EXPECT_FALSE(InfoFieldDefs[5].Active);
  EXPECT_TRUE(InfoFieldDefs[4].Active);
  EXPECT_EQ("INFO10", InfoFieldDefs[9].Caption);
  EXPECT_STREQ("AUFTRAGSBESTÄTIGUNG", DocumentTypeTexts[6]);
  EXPECT_STREQ("MULTI", DocumentTypeTexts[12]);
  EXPECT_STREQ("not here!", AddressLayoutKeys[21]);
  EXPECT_STREQ("LIECHTENSTEIN", CountryNames[17]);
  EXPECT_STREQ("A-", CountryPrefixes[6]);
  EXPECT_STREQ("Zahlbar sofort nach Erhalt.", PaymentTermTexts[11]);
  EXPECT_STREQ("\\'df", UmlautRTF[6]);
  EXPECT_STREQ("8F74865E-96D7-4358-8717-2CAEBACD3DD0", TextBlockIDs[3].ID);
}

// ---- CSV reader -----------------------------------------------------------------------

TEST(CSVReaderTest, QuotedFieldsWithDelimitersAndDoubledQuotes) {
  TStringStream In("a,\"b,c\",\"sagt \"\"hallo\"\"\"\r\n,x\rletzte");
  TCSVReader R(&In, ',');
  R.ReadRecord();
  ASSERT_EQ(3, R.FieldCount());
  EXPECT_EQ("b,c", R.Fields(1));
  EXPECT_EQ("sagt \"hallo\"", R.Fields(2));
  R.ReadRecord();
  EXPECT_EQ(2, R.FieldCount());
  EXPECT_EQ("", R.Fields(0));
  R.ReadRecord();
  EXPECT_EQ("letzte", R.Fields(0));
  EXPECT_TRUE(R.Eof());
  EXPECT_THROW(R.ReadRecord(), ECSVReaderError);
}

TEST(CSVReaderTest, ManyFieldsAndTheListSeparator) {
  ResetFormatSettings();
  String Line;
  for (int I = 0; I < 250; ++I) Line += IntToStr(I) + ";";
  TStringStream In(Line);
  TCSVReader R(&In);
  R.ReadRecord();
  EXPECT_EQ(251, R.FieldCount());
  EXPECT_EQ("249", R.Fields(249));
}

// ---- Address extra columns, canonical table, SCA.INI -----------------------------------------

TEST(AdressExtraSetupTest, EmptyTextGivesTheFiveBuiltInColumns) {
  TAdressExtraSetup S;
  S.LoadFromText("");
  ASSERT_EQ(5u, S.Columns.size());
  EXPECT_EQ("Name", S.Columns[1]->Name);
  EXPECT_EQ(100, S.Columns[1]->Width);
  EXPECT_EQ("Email", S.Columns[4]->Name);
}

TEST(AdressExtraSetupTest, TextGivesFlagModeAndColumns) {
  TAdressExtraSetup S;
  S.LoadFromText("1<br>2<br>Kunde,K,999,1,3\r\nkurz,x\r\nOrt,O,abc,0\r\n");
  EXPECT_TRUE(S.Enabled);
  EXPECT_EQ(2, S.Mode);
  ASSERT_EQ(2u, S.Columns.size());
  EXPECT_EQ(400, S.Columns[0]->Width);
  EXPECT_EQ(3, S.Columns[0]->Index);
  EXPECT_TRUE(S.Columns[0]->Flag);
  EXPECT_EQ(50, S.Columns[1]->Width);
  EXPECT_EQ(-1, S.Columns[1]->Index);
}

TEST(CanonicalTest, TableIsStoredAndReadBack) {
  TempTree Tree;
  Tree.SetProgramFolder();
  TCanonical A;
  A.Items[2][1] = "Zwei-Eins";
  A.ReadWrite(true);
  TCanonical B;
  B.ReadWrite(false);
  EXPECT_EQ("Zwei-Eins", B.Items[2][1]);
  EXPECT_EQ("", B.Items[0][0]);
  EXPECT_NE(std::string::npos, Tree.Read("prog/ZUVID.INI").find("Canonical.21=Zwei-Eins"));
}

TEST(ScaIniTest, ValueOrHundred) {
  TempTree Tree;
  Tree.SetProgramFolder();
  EXPECT_EQ(100, ReadScaValue());
  Tree.Write("prog/SCA.INI", "[SCA]\r\nValue=80\r\n");
  EXPECT_EQ(80, ReadScaValue());
}

}  // namespace
