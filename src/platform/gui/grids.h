// TCustomGrid: the grid base of the class library. It lays out ColCount x
// RowCount cells, of which the first FixedCols columns and FixedRows rows
// stay in place while the rest scrolls; it keeps the current cell and the
// selection, scrolls with its window scroll bars, the keyboard and the
// wheel, sizes columns and rows and moves columns and rows with the mouse,
// paints the cells (descendants draw their content in DrawCell) and runs
// the in-place editor's life cycle (grids_edit.h).
//
// Coordinates: a cell is (column, row), both counted from 0 including the
// fixed ones. LeftCol / TopRow are the first scrollable column / row
// shown. Widths and heights exclude the grid line of GridLineWidth pixels
// that follows each cell (shown where the options ask for lines).
//
// Painting: Paint draws every cell that meets the canvas's clip:
// DrawCell(ACol, ARow, ARect, AState) with the brush in FixedColor (fixed
// cells) or Color, the font in Font; with DefaultDrawing the grid fills
// the cell first, frames fixed cells raised and draws the focus rectangle
// around the current cell. Lines, the area right of and below the cells
// and the scroll bars follow.
//
// Thread safety: none; the grid belongs to its GUI thread.
#pragma once

#include <vector>

#include "platform/gui/controls.h"
#include "platform/gui/forms.h"
#include "platform/gui/scrollbars.h"

class TInplaceEdit;

RTL_ENUM(TGridOption, goFixedVertLine, goFixedHorzLine, goVertLine, goHorzLine, goRangeSelect,
         goDrawFocusSelected, goRowSizing, goColSizing, goRowMoving, goColMoving, goEditing, goTabs,
         goRowSelect, goAlwaysShowEditor, goThumbTracking);
using TGridOptions = TSet<TGridOption>;
RTL_ENUM(TGridDrawStateItem, gdSelected, gdFocused, gdFixed);
using TGridDrawState = TSet<TGridDrawStateItem>;
RTL_ENUM(TGridState, gsNormal, gsSelecting, gsRowSizing, gsColSizing, gsRowMoving, gsColMoving);

// A cell: X the column, Y the row.
struct TGridCoord {
  Integer X = 0, Y = 0;
  bool operator==(const TGridCoord&) const = default;
};
// A block of cells: Left/Right columns and Top/Bottom rows, inclusive.
using TGridRect = TRect;

// Raised for a count or index the grid cannot take.
RTL_DECLARE_EXCEPTION(EInvalidGridOperation, Exception)

class TCustomGrid : public TCustomControl {
  RTL_DECLARE_CLASS(TCustomGrid)
  RTL_MESSAGE_HANDLERS(TCustomGrid)
 public:
  explicit TCustomGrid(TComponent* AOwner);
  ~TCustomGrid() override;

  // ---- Cells --------------------------------------------------------------------------
  // Counts (at least 1); a count at or below the fixed count lowers the
  // fixed count to one less. A fixed count must stay below its count, else
  // EInvalidGridOperation "Zu viele fixierte Spalten" / "Zu viele fixierte
  // Zeilen".
  Integer ColCount() const { return FColCount; }
  void SetColCount(Integer V);
  Integer RowCount() const { return FRowCount; }
  void SetRowCount(Integer V);
  Integer FixedCols() const { return FFixedCols; }
  void SetFixedCols(Integer V);
  Integer FixedRows() const { return FFixedRows; }
  void SetFixedRows(Integer V);
  // Setting a default size gives every column (row) that size.
  Integer DefaultColWidth() const { return FDefaultColWidth; }
  void SetDefaultColWidth(Integer V);
  Integer DefaultRowHeight() const { return FDefaultRowHeight; }
  void SetDefaultRowHeight(Integer V);
  // Per column / row; an index out of range raises EInvalidGridOperation
  // "Gitterindex außerhalb des gültigen Bereichs" on writing and gives the
  // default size on reading. Changes call ColWidthsChanged / RowHeightsChanged.
  Integer ColWidths(Integer ACol) const;
  void SetColWidths(Integer ACol, Integer V);
  Integer RowHeights(Integer ARow) const;
  void SetRowHeights(Integer ARow, Integer V);
  bool TabStops(Integer ACol) const;
  void SetTabStops(Integer ACol, bool V);
  Integer GridLineWidth() const { return FGridLineWidth; }
  void SetGridLineWidth(Integer V);

  // ---- Position -------------------------------------------------------------------------
  // The current cell; setting moves there (SelectCell may refuse) and
  // scrolls it into view.
  Integer Col() const { return FCurrent.X; }
  void SetCol(Integer V) { FocusCell(V, FCurrent.Y, true); }
  Integer Row() const { return FCurrent.Y; }
  void SetRow(Integer V) { FocusCell(FCurrent.X, V, true); }
  // The first scrollable column / row shown; kept between the first
  // scrollable one and the highest one that still fills the view.
  Integer LeftCol() const { return FTopLeft.X; }
  void SetLeftCol(Integer V) { MoveTopLeft(V, FTopLeft.Y); }
  Integer TopRow() const { return FTopLeft.Y; }
  void SetTopRow(Integer V) { MoveTopLeft(FTopLeft.X, V); }
  // Scrollable columns / rows wholly inside the client area (at least 1
  // while one is partly shown).
  Integer VisibleColCount();
  Integer VisibleRowCount();
  // The selected block (always holding the current cell).
  TGridRect Selection() const;
  void SetSelection(const TGridRect& V);

  // ---- Look and behaviour --------------------------------------------------------------
  TGridOptions Options() const { return FOptions; }
  void SetOptions(TGridOptions V);
  TColor FixedColor() const { return FFixedColor; }
  void SetFixedColor(TColor V);
  TFormBorderStyle BorderStyle() const { return FBorderStyle; }
  void SetBorderStyle(TFormBorderStyle V);
  TScrollStyle ScrollBars() const { return FScrollBars; }
  void SetScrollBars(TScrollStyle V);
  bool DefaultDrawing() const { return FDefaultDrawing; }
  void SetDefaultDrawing(bool V) { FDefaultDrawing = V; Invalidate(); }
  TGridState GridState() const { return FGridState; }

  // ---- Geometry -------------------------------------------------------------------------
  // The cell's rectangle in client coordinates; empty when it is not shown.
  TRect CellRect(Integer ACol, Integer ARow);
  // The cell under a client point; (-1, -1) outside every cell.
  TGridCoord MouseCoord(Integer X, Integer Y);
  // The same as column and row.
  void MouseToCell(Integer X, Integer Y, Integer& ACol, Integer& ARow);
  // Width / height of the shown cells with their lines.
  Integer GridWidth();
  Integer GridHeight();

  // ---- In-place editor -------------------------------------------------------------------
  // True while the editor is shown (or should be, with goAlwaysShowEditor).
  bool EditorMode() const { return FEditorMode; }
  void SetEditorMode(bool V);
  // The editor (null until first shown); owned by the grid.
  TInplaceEdit* InplaceEditor() const { return FInplaceEdit; }

  void Loaded() override;

 protected:
  // ---- What descendants override --------------------------------------------------------
  // Draws the content of a cell; the canvas brush and font are set up.
  virtual void DrawCell(Integer ACol, Integer ARow, const TRect& ARect, TGridDrawState AState);
  // Frames a cell after DrawCell (with DefaultDrawing): fixed cells get a
  // raised edge here; a grid with flat or own frames draws them itself.
  virtual void DrawCellFrame(Integer ACol, Integer ARow, const TRect& ARect, TGridDrawState AState);
  // May the cell become current? True here.
  virtual bool SelectCell(Integer ACol, Integer ARow);
  // After LeftCol or TopRow changed.
  virtual void TopLeftChanged();
  virtual void ColWidthsChanged();
  virtual void RowHeightsChanged();
  // After a column / row moved from FromIndex to ToIndex.
  virtual void ColumnMoved(Integer FromIndex, Integer ToIndex);
  virtual void RowMoved(Integer FromIndex, Integer ToIndex);
  // After the counts changed.
  virtual void SizeChanged(Integer OldColCount, Integer OldRowCount);
  // A press on a title may start moving column Origin: true lets this grid
  // move it; a descendant that drags titles itself answers false.
  virtual bool BeginColumnDrag(Integer& Origin, Integer& Destination, const TPoint& MousePt);
  // Editor hooks: may the editor show / change the text; its text and
  // the text it gives back; mask and length limit.
  virtual bool CanEditShow();
  virtual bool CanEditModify();
  virtual bool CanEditAcceptKey(char32_t Key);
  virtual bool CanGridAcceptKey(Word Key, TShiftState Shift);
  virtual String GetEditText(Integer ACol, Integer ARow);
  virtual void SetEditText(Integer ACol, Integer ARow, const String& Value);
  virtual String GetEditMask(Integer ACol, Integer ARow);
  virtual Integer GetEditLimit();
  // Makes the editor (a TInplaceEdit here); the grid owns it.
  virtual TInplaceEdit* CreateEditor();
  // Whether the window shows the scroll bar of an axis, and its range,
  // page and position. Here from the cells: shown (as ScrollBars allows)
  // while not every scrollable cell fits, range FixedCount..MaxTopLeft,
  // position LeftCol / TopRow. A grid that scrolls something else (a data
  // grid scrolls its dataset) answers for that axis itself.
  virtual void GetScrollBarInfo(bool Horizontal, bool& Show, SCROLLINFO& Info);
  // Which sizing a mouse point offers: State gsColSizing / gsRowSizing
  // (else gsNormal), the column / row Index being sized, the line's
  // position SizingPos and the point's distance to it SizingOfs.
  virtual void CalcSizingState(Integer X, Integer Y, TGridState& State, Integer& Index, Integer& SizingPos,
                               Integer& SizingOfs);

  // ---- Operations for descendants -------------------------------------------------------------
  // The rectangle covering the shown part of the block of cells.
  TRect BoxRect(Integer ALeft, Integer ATop, Integer ARight, Integer ABottom);
  void MoveColumn(Integer FromIndex, Integer ToIndex);
  void MoveRow(Integer FromIndex, Integer ToIndex);
  void DeleteColumn(Integer ACol);
  void DeleteRow(Integer ARow);
  void InvalidateCell(Integer ACol, Integer ARow);
  void InvalidateCol(Integer ACol);
  void InvalidateRow(Integer ARow);
  void InvalidateGrid() { Invalidate(); }
  void InvalidateEditor();
  // Makes (ACol, ARow) current (when SelectCell allows), with the anchor
  // of the selection there too when MoveAnchor, scrolled into view.
  void FocusCell(Integer ACol, Integer ARow, bool MoveAnchor);
  void MoveColRow(Integer ACol, Integer ARow, bool MoveAnchor, bool Show);
  // Scrolls so that the current cell is shown.
  void ClampInView(const TGridCoord& Coord);
  void ShowEditor();
  void HideEditor();
  // Puts the current cell's text and bounds into the editor.
  void UpdateEditor();
  // Writes the editor's text back through SetEditText.
  void UpdateText();
  void ShowEditorChar(char32_t Ch);

  // ---- Control plumbing -------------------------------------------------------------------
  void CreateParams(TCreateParams& Params) override;
  void CreateWnd() override;
  TRect GetClientRect() override;
  void Paint() override;
  void KeyDown(Word& Key, TShiftState Shift) override;
  void KeyPress(char32_t& Key) override;
  void MouseDown(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) override;
  void MouseMove(TShiftState Shift, Integer X, Integer Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) override;
  bool DoMouseWheelDown(TShiftState Shift, TPoint MousePos) override;
  bool DoMouseWheelUp(TShiftState Shift, TPoint MousePos) override;
  void Resize() override;
  void WndProc(TMessage& Message) override;

  void WMHScroll(TMessage& M);
  void WMVScroll(TMessage& M);
  void WMGetDlgCode(TMessage& M);
  void WMSetCursor(TMessage& M);
  void WMCancelMode(TMessage& M);
  void WMKillFocus(TMessage& M);
  void WMSetFocus(TMessage& M);
  void WMSize(TMessage& M);

  // ---- Layout helpers (grids_layout.cpp) --------------------------------------------------
  // Left edge of each shown column / top edge of each shown row in client
  // coordinates, fixed ones first; AxisCells gives the cell indexes.
  struct TAxis {
    std::vector<Integer> Cells;   // cell index per shown position
    std::vector<Integer> Starts;  // start of each shown cell
    Integer Extent = 0;           // client width / height
    Integer End = 0;              // right / bottom of the last shown cell's line
    // The shown position of cell Index, -1 when it is not shown.
    Integer Find(Integer Index) const;
  };
  TAxis ColAxis();
  TAxis RowAxis();
  TAxis BuildAxis(bool Horizontal);
  // The highest LeftCol / TopRow that still fills the view.
  Integer MaxTopLeft(bool Horizontal);
  void MoveTopLeft(Integer ALeft, Integer ATop);
  void UpdateScrollRange();
  void UpdateScrollPos();
  // The width of the line after each cell along the axis (0 without lines).
  Integer LineWidth(bool Horizontal) const;
  Integer CellSize(bool Horizontal, Integer Index) const;
  Integer CellCount(bool Horizontal) const { return Horizontal ? FColCount : FRowCount; }
  Integer FixedCount(bool Horizontal) const { return Horizontal ? FFixedCols : FFixedRows; }
  Integer& TopLeftOf(bool Horizontal) { return Horizontal ? FTopLeft.X : FTopLeft.Y; }
  Integer VisibleCount(bool Horizontal);
  void ScrollBy(bool Horizontal, Integer Code, Integer Pos);
  void PaintLines(const TAxis& Cols, const TAxis& Rows);
  void PaintCells(const TAxis& Cols, const TAxis& Rows);
  void PaintSizingLine();
  void EndSizing(Integer X, Integer Y);
  void EndMoving();
  Integer MoveTarget(Integer X, Integer Y);
  void ResizeCounts(Integer NewColCount, Integer NewRowCount);

  // State
  Integer FColCount = 5, FRowCount = 5, FFixedCols = 1, FFixedRows = 1;
  Integer FDefaultColWidth = 64, FDefaultRowHeight = 24, FGridLineWidth = 1;
  std::vector<Integer> FColWidths, FRowHeights;
  std::vector<bool> FTabStops;
  TGridOptions FOptions{goFixedVertLine, goFixedHorzLine, goVertLine, goHorzLine, goRangeSelect};
  TColor FFixedColor = clBtnFace;
  TFormBorderStyle FBorderStyle = bsSingle;
  TScrollStyle FScrollBars = ssBoth;
  bool FDefaultDrawing = true;
  TGridCoord FCurrent{1, 1}, FAnchor{1, 1}, FTopLeft{1, 1};
  TGridState FGridState = gsNormal;
  // Sizing: the index being sized, its line position, the mouse offset.
  Integer FSizingIndex = -1, FSizingPos = 0, FSizingOfs = 0;
  // Moving: the column / row taken and where it would go.
  Integer FMoveIndex = -1, FMovePos = -1;
  bool FMovePending = false;  // press on a title, moving starts on a drag
  TPoint FPressPoint{};
  bool FEditorMode = false;
  TInplaceEdit* FInplaceEdit = nullptr;

  friend class TInplaceEdit;
};
