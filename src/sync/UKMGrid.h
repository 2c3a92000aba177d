// UKMGrid: TKMGrid, the list of installation slots on page "0" of the
// main form.
//
// A read-only, row-selecting list over a data source (the form's KMD over
// KM): a title row and one row of 18 pixels per record, in the columns
// "ID" (the slot's ID character), "Beschreibung" (Name), "Rechte:" (the
// level text of RIGHTS) and "Pfad/Zielcomputer" (Path, right-aligned). A
// click on a row or the Up/Down keys move the dataset's current record;
// Insert and Delete are swallowed, and Down stops at the last row. The
// grid shows at most VisibleRows records (the list has seven slots). The
// hint of the rights column names the data mode of the level.
//
// Thread safety: GUI thread only, like every control.
#pragma once

#include <memory>

#include "platform/db/datasource.h"
#include "platform/gui/controls.h"

class TKMGrid;

// The grid's link to its data source: repaints on every data event.
class TKMGridDataLink : public TDataLink {
  RTL_DECLARE_CLASS(TKMGridDataLink)
 public:
  explicit TKMGridDataLink(TKMGrid* Grid) : FGrid(Grid) {}

 protected:
  void ActiveChanged() override;
  void DataSetChanged() override;
  void RecordChanged(TField* Field) override;

 private:
  TKMGrid* FGrid;
};

// One column of the list: the field shown, its title and width.
struct TKMGridColumn {
  const char* FieldName;
  const char* Title;
  Integer Width;
};

class TKMGrid : public TCustomControl {
  RTL_DECLARE_CLASS(TKMGrid)
  RTL_MESSAGE_HANDLERS(TKMGrid)
 public:
  static constexpr Integer RowHeight = 18;
  static constexpr Integer VisibleRows = 7;
  static constexpr Integer ColumnCount = 4;
  // The columns in display order.
  static const TKMGridColumn Columns[ColumnCount];

  explicit TKMGrid(TComponent* AOwner);
  ~TKMGrid() override;

  // The data source shown (not owned; null shows an empty list).
  TDataSource* DataSource() const;
  void SetDataSource(TDataSource* Value);

  // The text drawn in cell Column of the link's record Row (0-based
  // within the visible records); empty without a record there.
  String CellText(Integer Column, Integer Row) const;
  // The visible row of the dataset's current record; -1 without one.
  Integer SelectedRow() const;
  // The number of records shown.
  Integer RowCount() const;
  // The visible row under client point Y; -1 on the title or below the
  // last record.
  Integer RowAt(Integer Y) const;
  // The column under client point X; -1 right of the last column.
  Integer ColumnAt(Integer X) const;
  // The hint of cell Column of visible row Row: the data-mode text for
  // "RIGHTS", the drawn text otherwise; empty without a record there.
  String CellHint(Integer Column, Integer Row) const;
  // Makes the record of visible row Row the dataset's current record
  // (nothing for a row that holds no record).
  void SelectRow(Integer Row);

  // The text of a cell as drawn: the ID character for "ID", the level
  // text for "RIGHTS", the field's text otherwise. Empty for a null Field.
  static String FormatCell(const String& FieldName, TField* Field);

 protected:
  void Paint() override;
  void MouseDown(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) override;
  // Makes the hint that of the cell under the mouse.
  void MouseMove(TShiftState Shift, Integer X, Integer Y) override;
  void KeyDown(Word& Key, TShiftState Shift) override;
  void Notification(TComponent* AComponent, TOperation Operation) override;

 private:
  friend class TKMGridDataLink;
  void WMGetDlgCode(TMessage& M);
  void PaintTitles(TCanvas* C);
  void PaintRow(TCanvas* C, Integer Row, bool Selected);
  // Reads Read(field of Column) on the link's record Row, restoring the
  // current record; empty outside the rows and columns.
  String ReadCell(Integer Column, Integer Row, String (*Read)(const String&, TField*)) const;
  std::unique_ptr<TKMGridDataLink> FDataLink;
};
