// TDrawGrid and TStringGrid.
#include "platform/gui/grids_draw.h"

#include <algorithm>

#include "platform/rtl/classreg.h"

RTL_IMPLEMENT_CLASS(TDrawGrid, TCustomGrid, &ComponentFactory<TDrawGrid>)
RTL_IMPLEMENT_CLASS(TStringGrid, TDrawGrid, &ComponentFactory<TStringGrid>)

// ---- TDrawGrid -----------------------------------------------------------------------------------

void TDrawGrid::DrawCell(Integer ACol, Integer ARow, const TRect& ARect, TGridDrawState AState) {
  if (OnDrawCell) OnDrawCell(this, ACol, ARow, ARect, AState);
}

bool TDrawGrid::SelectCell(Integer ACol, Integer ARow) {
  bool Can = true;
  if (OnSelectCell) OnSelectCell(this, ACol, ARow, Can);
  return Can;
}

void TDrawGrid::TopLeftChanged() {
  TCustomGrid::TopLeftChanged();
  if (OnTopLeftChanged) OnTopLeftChanged(this);
}

void TDrawGrid::ColumnMoved(Integer FromIndex, Integer ToIndex) {
  if (OnColumnMoved) OnColumnMoved(this, FromIndex, ToIndex);
}

void TDrawGrid::RowMoved(Integer FromIndex, Integer ToIndex) {
  if (OnRowMoved) OnRowMoved(this, FromIndex, ToIndex);
}

String TDrawGrid::GetEditText(Integer ACol, Integer ARow) {
  String V;
  if (OnGetEditText) OnGetEditText(this, ACol, ARow, V);
  return V;
}

void TDrawGrid::SetEditText(Integer ACol, Integer ARow, const String& Value) {
  if (OnSetEditText) OnSetEditText(this, ACol, ARow, Value);
}

String TDrawGrid::GetEditMask(Integer ACol, Integer ARow) {
  String V;
  if (OnGetEditMask) OnGetEditMask(this, ACol, ARow, V);
  return V;
}

// ---- TStringGrid ------------------------------------------------------------------------------------

TStringGrid::TStringGrid(TComponent* AOwner) : TDrawGrid(AOwner) { SizeChanged(0, 0); }

TStringGrid::TCell* TStringGrid::CellAt(Integer ACol, Integer ARow) {
  if (ARow < 0 || ARow >= Integer(FCells.size()) || ACol < 0 || ACol >= Integer(FCells[ARow].size())) return nullptr;
  return &FCells[ARow][ACol];
}

const TStringGrid::TCell* TStringGrid::CellAt(Integer ACol, Integer ARow) const {
  return const_cast<TStringGrid*>(this)->CellAt(ACol, ARow);
}

String TStringGrid::Cells(Integer ACol, Integer ARow) const {
  const TCell* C = CellAt(ACol, ARow);
  return C ? C->Text : String();
}

void TStringGrid::SetCells(Integer ACol, Integer ARow, const String& V) {
  TCell* C = CellAt(ACol, ARow);
  if (!C) throw EInvalidGridOperation("Gitterindex außerhalb des gültigen Bereichs");
  C->Text = V;
  InvalidateCell(ACol, ARow);
}

TObject* TStringGrid::Objects(Integer ACol, Integer ARow) const {
  const TCell* C = CellAt(ACol, ARow);
  return C ? C->Object : nullptr;
}

void TStringGrid::SetObjects(Integer ACol, Integer ARow, TObject* V) {
  TCell* C = CellAt(ACol, ARow);
  if (!C) throw EInvalidGridOperation("Gitterindex außerhalb des gültigen Bereichs");
  C->Object = V;
}

void TStringGrid::DrawCell(Integer ACol, Integer ARow, const TRect& ARect, TGridDrawState AState) {
  if (DefaultDrawing()) Canvas()->TextRect(ARect, ARect.Left + 2, ARect.Top + 2, Cells(ACol, ARow));
  TDrawGrid::DrawCell(ACol, ARow, ARect, AState);
}

void TStringGrid::ColumnMoved(Integer FromIndex, Integer ToIndex) {
  for (auto& Row : FCells) {
    TCell C = Row[FromIndex];
    Row.erase(Row.begin() + FromIndex);
    Row.insert(Row.begin() + ToIndex, C);
  }
  TDrawGrid::ColumnMoved(FromIndex, ToIndex);
}

void TStringGrid::RowMoved(Integer FromIndex, Integer ToIndex) {
  auto Row = std::move(FCells[FromIndex]);
  FCells.erase(FCells.begin() + FromIndex);
  FCells.insert(FCells.begin() + ToIndex, std::move(Row));
  TDrawGrid::RowMoved(FromIndex, ToIndex);
}

void TStringGrid::SizeChanged(Integer OldColCount, Integer OldRowCount) {
  FCells.resize(RowCount());
  for (auto& Row : FCells) Row.resize(ColCount());
  TDrawGrid::SizeChanged(OldColCount, OldRowCount);
}

String TStringGrid::GetEditText(Integer ACol, Integer ARow) {
  String V = Cells(ACol, ARow);
  if (OnGetEditText) OnGetEditText(this, ACol, ARow, V);
  return V;
}

void TStringGrid::SetEditText(Integer ACol, Integer ARow, const String& Value) {
  if (TCell* C = CellAt(ACol, ARow)) C->Text = Value;
  TDrawGrid::SetEditText(ACol, ARow, Value);
}

RTL_PUBLISHED(TDrawGrid) {
  P.Field("OnDrawCell", &TDrawGrid::OnDrawCell);
  P.Field("OnSelectCell", &TDrawGrid::OnSelectCell);
  P.Field("OnTopLeftChanged", &TDrawGrid::OnTopLeftChanged);
  P.Field("OnColumnMoved", &TDrawGrid::OnColumnMoved);
  P.Field("OnRowMoved", &TDrawGrid::OnRowMoved);
  P.Field("OnGetEditText", &TDrawGrid::OnGetEditText);
  P.Field("OnSetEditText", &TDrawGrid::OnSetEditText);
  P.Field("OnGetEditMask", &TDrawGrid::OnGetEditMask);
}

namespace {
const bool GridClassesRegistered =
    (RegisterClasses({TDrawGrid::StaticClass(), TStringGrid::StaticClass()}), true);
}  // namespace
