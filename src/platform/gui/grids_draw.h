// TDrawGrid and TStringGrid: the ready-to-use grids. TDrawGrid hands the
// grid's hooks to events (the program draws the cells in OnDrawCell);
// TStringGrid keeps a text and an object per cell, draws the texts and
// edits them in place.
//
// Thread safety: none; GUI thread only.
#pragma once

#include <functional>
#include <vector>

#include "platform/gui/grids.h"

using TDrawCellEvent =
    std::function<void(TObject* Sender, Integer ACol, Integer ARow, TRect Rect, TGridDrawState State)>;
using TSelectCellEvent = std::function<void(TObject* Sender, Integer ACol, Integer ARow, bool& CanSelect)>;
using TMovedEvent = std::function<void(TObject* Sender, Integer FromIndex, Integer ToIndex)>;
using TGetEditEvent = std::function<void(TObject* Sender, Integer ACol, Integer ARow, String& Value)>;
using TSetEditEvent = std::function<void(TObject* Sender, Integer ACol, Integer ARow, const String& Value)>;

class TDrawGrid : public TCustomGrid {
  RTL_DECLARE_CLASS(TDrawGrid)
 public:
  explicit TDrawGrid(TComponent* AOwner) : TCustomGrid(AOwner) {}

  TDrawCellEvent OnDrawCell;
  TSelectCellEvent OnSelectCell;
  TNotifyEvent OnTopLeftChanged;
  TMovedEvent OnColumnMoved, OnRowMoved;
  TGetEditEvent OnGetEditText, OnGetEditMask;
  TSetEditEvent OnSetEditText;

 protected:
  void DrawCell(Integer ACol, Integer ARow, const TRect& ARect, TGridDrawState AState) override;
  bool SelectCell(Integer ACol, Integer ARow) override;
  void TopLeftChanged() override;
  void ColumnMoved(Integer FromIndex, Integer ToIndex) override;
  void RowMoved(Integer FromIndex, Integer ToIndex) override;
  String GetEditText(Integer ACol, Integer ARow) override;
  void SetEditText(Integer ACol, Integer ARow, const String& Value) override;
  String GetEditMask(Integer ACol, Integer ARow) override;
};

class TStringGrid : public TDrawGrid {
  RTL_DECLARE_CLASS(TStringGrid)
 public:
  explicit TStringGrid(TComponent* AOwner);

  // A cell outside the grid reads as "" / null; writing there raises
  // EInvalidGridOperation "Gitterindex außerhalb des gültigen Bereichs".
  String Cells(Integer ACol, Integer ARow) const;
  void SetCells(Integer ACol, Integer ARow, const String& V);
  // Not owned.
  TObject* Objects(Integer ACol, Integer ARow) const;
  void SetObjects(Integer ACol, Integer ARow, TObject* V);

 protected:
  void DrawCell(Integer ACol, Integer ARow, const TRect& ARect, TGridDrawState AState) override;
  void ColumnMoved(Integer FromIndex, Integer ToIndex) override;
  void RowMoved(Integer FromIndex, Integer ToIndex) override;
  void SizeChanged(Integer OldColCount, Integer OldRowCount) override;
  String GetEditText(Integer ACol, Integer ARow) override;
  void SetEditText(Integer ACol, Integer ARow, const String& Value) override;

 private:
  struct TCell {
    String Text;
    TObject* Object = nullptr;
  };
  TCell* CellAt(Integer ACol, Integer ARow);
  const TCell* CellAt(Integer ACol, Integer ARow) const;
  std::vector<std::vector<TCell>> FCells;  // [row][column]
};
