// A small in-memory table "KM" of names and ids, with verbs in the
// installation list's terms, shared by the table's scenario tests.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "data/memtable/mtMemTable.h"

class KmTableTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Owner = std::make_unique<TComponent>(nullptr);
    Table = new TmtMemTable(Owner.get());
    Table->SetName("KM");
    Table->FieldDefs().Add("Name", ftString, 20);
    Table->FieldDefs().Add("ID", ftInteger);
  }

  // The table goes before the members of derived fixtures that its events
  // may still touch.
  void TearDown() override { Owner.reset(); }

  void Open() { Table->Open(); }
  // Appends a row with a name and an id.
  void AddRow(const String& Name, Integer Id) {
    Table->Append();
    Table->FieldByName("Name")->SetAsString(Name);
    Table->FieldByName("ID")->SetAsInteger(Id);
    Table->Post();
  }
  String Name() const { return Table->FieldByName("Name")->AsString(); }
  Integer Id() const { return Table->FieldByName("ID")->AsInteger(); }
  // The names in navigation order.
  std::vector<String> Names() {
    std::vector<String> R;
    for (Table->First(); !Table->Eof(); Table->Next()) R.push_back(Name());
    return R;
  }

  std::unique_ptr<TComponent> Owner;
  TmtMemTable* Table = nullptr;
};
