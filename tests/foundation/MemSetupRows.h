// Settings rows in an in-memory table (Ident, StringItem, MemoItem) for
// the units that read them through TSetupRows, with ',' as the decimal
// separator for the test's duration.
//
//   class MyTest : public MemSetupRowsTest {};
//   TEST_F(MyTest, X) { Row(964, "3"); TSetupRows Rows(Table); ... }
#pragma once

#include <gtest/gtest.h>

#include <memory>

#include "data/memtable/mtMemTable.h"
#include "foundation/USettingsRows.h"
#include "platform/rtl/formatsettings.h"

class MemSetupRowsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetFormatSettings();
    DecimalSeparator = ',';
    Table = new TmtMemTable(Root.get());
    Table->FieldDefs().Add("Ident", ftInteger);
    Table->FieldDefs().Add("StringItem", ftString, 100);
    Table->FieldDefs().Add("MemoItem", ftMemo);
    Table->Open();
  }
  void TearDown() override { ResetFormatSettings(); }
  // Adds the row Ident.
  void Row(Integer Ident, const String& Text, const String& Memo = "") {
    Table->AppendRecord({Variant(Ident), Variant(Text), Variant(Memo)});
  }

  std::unique_ptr<TComponent> Root = std::make_unique<TComponent>(nullptr);
  TmtMemTable* Table = nullptr;
};
