// Shared fixture of the data grid's tests: a plain form with a grid of
// 400 x 200 pixels and an open in-memory table (Name, Ort: strings of 60;
// Nr: integer) behind a data source, not yet connected to the grid.
#pragma once

#include "data/memtable/mtMemTable.h"
#include "platform/gui/forms_fixture.h"
#include "ui/controls/IDBGrids.h"
#include "platform/rtl/sysutils.h"

class DBGridFixture : public FormsTest {
 protected:
  void SetUp() override {
    FormsTest::SetUp();
    Form = NewPlainForm("Liste", Bounds(50, 50, 500, 300));
    Table = new TmtMemTable(Form);
    Table->FieldDefs().Add("Name", ftString, 60);
    Table->FieldDefs().Add("Ort", ftString, 60);
    Table->FieldDefs().Add("Nr", ftInteger, 0);
    Table->Open();
    Source = new TDataSource(Form);
    Source->SetDataSet(Table);
    Grid = new TI_DBGrid(Form);
    Grid->SetParent(Form);
    Grid->SetBounds(10, 10, 400, 200);
  }

  // Appends Count records "Kunde 1", 1 ... "Kunde Count", Count (Name, Nr)
  // and goes back to the first.
  void GivenCustomers(Integer Count) {
    for (Integer I = 1; I <= Count; ++I) {
      Table->Append();
      Table->FieldByName("Name")->SetAsString("Kunde " + IntToStr(I));
      Table->FieldByName("Nr")->SetAsInteger(I);
      Table->Post();
    }
    Table->First();
  }

  TForm* Form = nullptr;
  TmtMemTable* Table = nullptr;
  TDataSource* Source = nullptr;
  TI_DBGrid* Grid = nullptr;
};
