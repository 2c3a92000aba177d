// The tax-text table loaded from a settings row, the CSV format without a
// definition block, and the string stack's disposal of its entries.
#include "foundation/UVSObj.h"

#include <gtest/gtest.h>

#include "data/memtable/mtMemCSVStreamFormat.h"
#include "data/memtable/mtMemTable.h"
#include "platform/db/datasource.h"
#include "platform/rtl/formatsettings.h"

namespace {

class TaxTextTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetFormatSettings();
    DecimalSeparator = ',';
    Rows = new TmtMemTable(Root.get());
    Rows->FieldDefs().Add("Ident", ftInteger);
    Rows->FieldDefs().Add("MemoItem", ftMemo);
    Rows->Open();
  }
  void TearDown() override { ResetFormatSettings(); }
  // A settings row holding Text in its memo, made current.
  void RowWith(const String& Text) { Rows->AppendRecord({Variant(20), Variant(Text)}); }
  TmtMemTable* T() { return Taxes.Table(); }
  String Field(const char* Name) { return T()->FieldByName(Name)->AsString(); }

  std::unique_ptr<TComponent> Root = std::make_unique<TComponent>(nullptr);
  TmtMemTable* Rows = nullptr;
  TVSOBJ Taxes;
};

TEST_F(TaxTextTest, TableIsOpenWithItsSixFields) {
  ASSERT_TRUE(T()->Active());
  ASSERT_EQ(6, T()->Fields().Count());
  EXPECT_EQ("Text1Netto", T()->Fields()[2]->FieldName());
  EXPECT_EQ(50, T()->FieldByName("Text2Netto")->Size());
  EXPECT_EQ(ftFloat, T()->FieldByName("Value")->DataType());
  EXPECT_EQ(T(), Taxes.DataSource()->DataSet());
}

TEST_F(TaxTextTest, RowTextLoadsHeaderAndRecords) {
  RowWith("\"Text\",\"Text2\",\"Steuer\",\"Value\"\r\n\"Volle Steuer\",\"MwSt\",\"19\",\"19,5\"\r\n"
          "\"Halbe Steuer\",\"\",\"7\",\"7\"\r\n");
  Taxes.LoadFromSettingsRow(Rows);
  ASSERT_EQ(2, T()->RecordCount());
  T()->First();
  EXPECT_EQ("Volle Steuer", Field("Text"));
  EXPECT_EQ(19, T()->FieldByName("Steuer")->AsInteger());
  EXPECT_DOUBLE_EQ(19.5, T()->FieldByName("Value")->AsFloat());
  EXPECT_TRUE(T()->FieldByName("Text1Netto")->IsNull());
}

TEST_F(TaxTextTest, EmptyMemoLeavesTheTableEmpty) {
  RowWith("\"Text\"\r\n\"Alt\"\r\n");
  Taxes.LoadFromSettingsRow(Rows);
  RowWith("");
  Taxes.LoadFromSettingsRow(Rows);
  EXPECT_EQ(0, T()->RecordCount());
}

TEST_F(TaxTextTest, SavedTextHasNoDefinitionBlockAndLoadsBack) {
  T()->AppendRecord({Variant(String("A")), Variant(), Variant(), Variant(), Variant(16), Variant(1.5)});
  TStringStream Out;
  T()->SaveToStream(&Out);
  EXPECT_EQ(String::npos, Out.DataString().find("@@"));
  RowWith(Out.DataString());
  Taxes.LoadFromSettingsRow(Rows);
  ASSERT_EQ(1, T()->RecordCount());
  EXPECT_EQ("A", Field("Text"));
  EXPECT_DOUBLE_EQ(1.5, T()->FieldByName("Value")->AsFloat());
}

TEST(AttachCSVFormatTest, FormatUsesLocalSettingsAndNoDefinition) {
  TmtMemTable Table(nullptr);
  std::unique_ptr<TmtCSVStreamFormat> Format(AttachCSVFormat(&Table));
  EXPECT_EQ(Format.get(), Table.DefaultFormat());
  EXPECT_TRUE(Format->sfDef().Empty());
  EXPECT_TRUE(Format->sfLocalFormat().Contains(sfLoadLocalFormat));
  EXPECT_TRUE(Format->sfLocalFormat().Contains(sfSaveLocalFormat));
  Table.SetDefaultFormat(nullptr);
}

TEST(ZSStackTest, ClearEntriesDisposesEveryEntry) {
  TZSStack Stack;
  Stack.Items()->Add("a", new TZSEntry{"eins", 1});
  Stack.Items()->Add("b", new TZSEntry{"zwei", 2});
  EXPECT_EQ("zwei", static_cast<TZSEntry*>(Stack.Items()->Data(1))->Text);
  Stack.ClearEntries();
  EXPECT_EQ(0, Stack.Items()->Count());
}

TEST(ZSStackTest, ProcessWideStackExists) {
  EXPECT_EQ(ZSStack(), ZSStack());
  EXPECT_EQ(0, ZSStackRecord[39]);
}

}  // namespace
