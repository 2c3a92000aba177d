// TCustomGrid: painting of cells, lines, the sizing and moving marks and
// the scroll bars.
#include <algorithm>

#include "platform/gui/grids.h"
#include "platform/gui/grids_edit.h"

namespace {
// Colours of the lines between fixed cells and between the other cells.
constexpr TColor FixedLineColor = clBlack;
constexpr TColor CellLineColor = clSilver;
}  // namespace

void TCustomGrid::Paint() {
  TAxis Cols = ColAxis(), Rows = RowAxis();
  PaintCells(Cols, Rows);
  PaintLines(Cols, Rows);
  TCanvas* C = Canvas();
  TRect Client = ClientRect();
  C->Brush()->SetColor(Color());
  if (Cols.End < Client.Right) C->FillRect(Rect(Cols.End, 0, Client.Right, Client.Bottom));
  if (Rows.End < Client.Bottom) C->FillRect(Rect(0, Rows.End, std::min(Cols.End, Client.Right), Client.Bottom));
  PaintSizingLine();
  PaintScrollBars(Handle(), *C);
}

void TCustomGrid::PaintCells(const TAxis& Cols, const TAxis& Rows) {
  TCanvas* C = Canvas();
  TGridRect Sel = Selection();
  bool HasFocus = Focused();
  bool EditorShown = FInplaceEdit && FInplaceEdit->Visible();
  for (size_t Y = 0; Y < Rows.Cells.size(); ++Y) {
    Integer R = Rows.Cells[Y];
    for (size_t X = 0; X < Cols.Cells.size(); ++X) {
      Integer Cl = Cols.Cells[X];
      TRect Cell = Bounds(Cols.Starts[X], Rows.Starts[Y], ColWidths(Cl), RowHeights(R));
      if (!C->RectVisible(Cell)) continue;
      bool Fixed = Cl < FFixedCols || R < FFixedRows;
      bool IsCurrent = Cl == FCurrent.X && R == FCurrent.Y;
      TGridDrawState State;
      if (Fixed) State.Include(gdFixed);
      if (IsCurrent && HasFocus) State.Include(gdFocused);
      bool InSel = !Fixed && Cl >= Sel.Left && Cl <= Sel.Right && R >= Sel.Top && R <= Sel.Bottom;
      bool FocusOnly = IsCurrent && HasFocus && !FOptions.Contains(goDrawFocusSelected) &&
                       !FOptions.Contains(goRowSelect);
      if (InSel && !FocusOnly) State.Include(gdSelected);
      C->SetFont(Font());
      C->Brush()->SetColor(Fixed ? FFixedColor : Color());
      if (State.Contains(gdSelected)) {
        C->Brush()->SetColor(clHighlight);
        C->Font()->SetColor(clHighlightText);
      }
      if (FDefaultDrawing) C->FillRect(Cell);
      DrawCell(Cl, R, Cell, State);
      if (FDefaultDrawing) DrawCellFrame(Cl, R, Cell, State);
      if (FDefaultDrawing && State.Contains(gdFocused) && !EditorShown && !FOptions.Contains(goRowSelect))
        C->DrawFocusRect(Cell);
    }
  }
}

void TCustomGrid::DrawCellFrame(Integer, Integer, const TRect& ARect, TGridDrawState AState) {
  if (!AState.Contains(gdFixed)) return;
  TRect E = ARect;
  DrawEdge(*Canvas(), E, BDR_RAISEDINNER, BF_RECT);
}

// The line right of and below each cell, in the fixed or the cell colour
// as the options ask.
void TCustomGrid::PaintLines(const TAxis& Cols, const TAxis& Rows) {
  TCanvas* C = Canvas();
  Integer Lv = LineWidth(true), Lh = LineWidth(false);
  for (size_t Y = 0; Y < Rows.Cells.size(); ++Y) {
    Integer R = Rows.Cells[Y];
    for (size_t X = 0; X < Cols.Cells.size(); ++X) {
      Integer Cl = Cols.Cells[X];
      bool Fixed = Cl < FFixedCols || R < FFixedRows;
      Integer L = Cols.Starts[X], T = Rows.Starts[Y], W = ColWidths(Cl), H = RowHeights(R);
      C->Brush()->SetColor(Fixed ? FixedLineColor : CellLineColor);
      bool Vert = FOptions.Contains(Fixed ? goFixedVertLine : goVertLine);
      bool Horz = FOptions.Contains(Fixed ? goFixedHorzLine : goHorzLine);
      if (Vert && Lv > 0) C->FillRect(Rect(L + W, T, L + W + Lv, T + H + Lh));
      if (Horz && Lh > 0) C->FillRect(Rect(L, T + H, L + W + Lv, T + H + Lh));
    }
  }
}

// While a column or row is sized, a line shows where its edge goes; while
// one is moved, a bar marks where it would land.
void TCustomGrid::PaintSizingLine() {
  TCanvas* C = Canvas();
  TRect Client = ClientRect();
  C->Brush()->SetColor(clBlack);
  if (FGridState == gsColSizing) C->FillRect(Rect(FSizingPos, 0, FSizingPos + 1, Client.Bottom));
  else if (FGridState == gsRowSizing) C->FillRect(Rect(0, FSizingPos, Client.Right, FSizingPos + 1));
  else if (FGridState == gsColMoving || FGridState == gsRowMoving) {
    bool Cols = FGridState == gsColMoving;
    TRect Target = Cols ? CellRect(FMovePos, 0) : CellRect(0, FMovePos);
    if (Target.IsEmpty()) return;
    bool After = FMovePos > FMoveIndex;
    if (Cols) {
      Integer X = After ? Target.Right : Target.Left;
      C->FillRect(Rect(X - 1, 0, X + 1, Client.Bottom));
    } else {
      Integer Y = After ? Target.Bottom : Target.Top;
      C->FillRect(Rect(0, Y - 1, Client.Right, Y + 1));
    }
  }
}
