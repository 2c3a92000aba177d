// TCustomGrid: mouse (selecting, sizing, moving), keyboard navigation,
// the wheel and the window messages.
#include <algorithm>
#include <cstdlib>

#include "platform/gui/grids.h"
#include "platform/gui/grids_edit.h"

namespace {
// How near (pixels) a line must be to size its column or row.
constexpr Integer SizingZone = 3;
// How far the mouse moves on a pressed title before the column moves.
constexpr Integer MoveThreshold = 4;
}  // namespace

RTL_MESSAGE_MAP(TCustomGrid) {
  M.On(WM_HSCROLL, &TCustomGrid::WMHScroll);
  M.On(WM_VSCROLL, &TCustomGrid::WMVScroll);
  M.On(WM_GETDLGCODE, &TCustomGrid::WMGetDlgCode);
  M.On(WM_SETCURSOR, &TCustomGrid::WMSetCursor);
  M.On(WM_CANCELMODE, &TCustomGrid::WMCancelMode);
  M.On(WM_KILLFOCUS, &TCustomGrid::WMKillFocus);
  M.On(WM_SETFOCUS, &TCustomGrid::WMSetFocus);
}

// ---- Sizing --------------------------------------------------------------------------------------

void TCustomGrid::CalcSizingState(Integer X, Integer Y, TGridState& State, Integer& Index, Integer& SizingPos,
                                  Integer& SizingOfs) {
  State = gsNormal;
  Index = -1;
  auto Near = [&](const TAxis& A, Integer V, bool Horizontal) {
    for (size_t P = 0; P < A.Cells.size(); ++P) {
      Integer Edge = A.Starts[P] + CellSize(Horizontal, A.Cells[P]);
      if (std::abs(V - Edge) <= SizingZone) {
        Index = A.Cells[P];
        SizingPos = Edge;
        SizingOfs = V - Edge;
        return true;
      }
    }
    return false;
  };
  TAxis Cols = ColAxis(), Rows = RowAxis();
  Integer FixedBottom = FFixedRows > 0 ? Rows.Starts[FFixedRows - 1] + RowHeights(FFixedRows - 1) : 0;
  Integer FixedRight = FFixedCols > 0 ? Cols.Starts[FFixedCols - 1] + ColWidths(FFixedCols - 1) : 0;
  if (FOptions.Contains(goColSizing) && Y < FixedBottom && Near(Cols, X, true)) State = gsColSizing;
  else if (FOptions.Contains(goRowSizing) && X < FixedRight && Near(Rows, Y, false)) State = gsRowSizing;
}

void TCustomGrid::EndSizing(Integer X, Integer Y) {
  bool Cols = FGridState == gsColSizing;
  Integer Pos = (Cols ? X : Y) - FSizingOfs;
  TRect Cell = Cols ? CellRect(FSizingIndex, 0) : CellRect(0, FSizingIndex);
  FGridState = gsNormal;
  Invalidate();
  if (Cell.IsEmpty()) return;
  Integer Size = std::max<Integer>(1, Pos - (Cols ? Cell.Left : Cell.Top));
  if (Cols) SetColWidths(FSizingIndex, Size);
  else SetRowHeights(FSizingIndex, Size);
}

// ---- Moving -------------------------------------------------------------------------------------

Integer TCustomGrid::MoveTarget(Integer X, Integer Y) {
  bool Cols = FGridState == gsColMoving;
  TAxis A = Cols ? ColAxis() : RowAxis();
  Integer V = Cols ? X : Y, Fixed = FixedCount(Cols), Lw = LineWidth(Cols);
  Integer Target = -1;
  for (size_t P = 0; P < A.Cells.size(); ++P)
    if (V >= A.Starts[P] && V < A.Starts[P] + CellSize(Cols, A.Cells[P]) + Lw) Target = A.Cells[P];
  if (Target < 0) Target = V < 0 ? Fixed : A.Cells.back();
  return std::max(Fixed, Target);
}

void TCustomGrid::EndMoving() {
  bool Cols = FGridState == gsColMoving;
  FGridState = gsNormal;
  Invalidate();
  if (FMovePos == FMoveIndex || FMovePos < 0) return;
  if (Cols) MoveColumn(FMoveIndex, FMovePos);
  else MoveRow(FMoveIndex, FMovePos);
  FMoveIndex = FMovePos = -1;
}

// ---- Mouse ---------------------------------------------------------------------------------------

void TCustomGrid::MouseDown(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) {
  if (!Focused() && CanFocus()) SetFocus();
  FPressPoint = Point(X, Y);
  FMovePending = false;
  if (Button == mbLeft) {
    TGridState S;
    Integer Index, Pos, Ofs;
    CalcSizingState(X, Y, S, Index, Pos, Ofs);
    TGridCoord Cell = MouseCoord(X, Y);
    if (S != gsNormal) {
      FGridState = S;
      FSizingIndex = Index;
      FSizingPos = Pos;
      FSizingOfs = Ofs;
      Invalidate();
    } else if (Cell.X >= FFixedCols && Cell.Y >= FFixedRows) {
      bool Again = Cell == FCurrent;
      if (Shift.Contains(ssDouble) && FOptions.Contains(goEditing)) ShowEditor();
      else if (Again && FOptions.Contains(goEditing) && !FEditorMode) ShowEditor();
      else {
        MoveColRow(Cell.X, Cell.Y, !(Shift.Contains(ssShift) && FOptions.Contains(goRangeSelect)), true);
        if (FOptions.Contains(goRangeSelect)) FGridState = gsSelecting;
      }
    } else if (Cell.Y >= 0 && Cell.Y < FFixedRows && Cell.X >= FFixedCols && FOptions.Contains(goColMoving)) {
      FMovePending = true;
      FMoveIndex = Cell.X;
    } else if (Cell.X >= 0 && Cell.X < FFixedCols && Cell.Y >= FFixedRows && FOptions.Contains(goRowMoving)) {
      FGridState = gsRowMoving;
      FMoveIndex = FMovePos = Cell.Y;
    }
  }
  TCustomControl::MouseDown(Button, Shift, X, Y);
}

void TCustomGrid::MouseMove(TShiftState Shift, Integer X, Integer Y) {
  switch (FGridState) {
    case gsSelecting: {
      TGridCoord Cell = MouseCoord(X, Y);
      if (Cell.X >= FFixedCols && Cell.Y >= FFixedRows) MoveColRow(Cell.X, Cell.Y, false, true);
      break;
    }
    case gsColSizing: FSizingPos = X - FSizingOfs; Invalidate(); break;
    case gsRowSizing: FSizingPos = Y - FSizingOfs; Invalidate(); break;
    case gsColMoving:
    case gsRowMoving: {
      Integer T = MoveTarget(X, Y);
      if (T != FMovePos) { FMovePos = T; Invalidate(); }
      break;
    }
    default:
      if (FMovePending && (std::abs(X - FPressPoint.X) >= MoveThreshold || std::abs(Y - FPressPoint.Y) >= MoveThreshold)) {
        FMovePending = false;
        Integer Origin = FMoveIndex, Destination = FMoveIndex;
        if (BeginColumnDrag(Origin, Destination, FPressPoint)) {
          FGridState = gsColMoving;
          FMoveIndex = Origin;
          FMovePos = Destination;
          Invalidate();
        }
      }
      break;
  }
  TCustomControl::MouseMove(Shift, X, Y);
}

void TCustomGrid::MouseUp(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) {
  FMovePending = false;
  switch (FGridState) {
    case gsColSizing: case gsRowSizing: EndSizing(X, Y); break;
    case gsColMoving: case gsRowMoving: EndMoving(); break;
    case gsSelecting: FGridState = gsNormal; break;
    default: break;
  }
  TCustomControl::MouseUp(Button, Shift, X, Y);
}

bool TCustomGrid::DoMouseWheelDown(TShiftState Shift, TPoint MousePos) {
  if (TCustomControl::DoMouseWheelDown(Shift, MousePos)) return true;
  MoveColRow(FCurrent.X, FCurrent.Y + 1, true, true);
  return true;
}

bool TCustomGrid::DoMouseWheelUp(TShiftState Shift, TPoint MousePos) {
  if (TCustomControl::DoMouseWheelUp(Shift, MousePos)) return true;
  MoveColRow(FCurrent.X, FCurrent.Y - 1, true, true);
  return true;
}

// The scroll bars take their mouse messages before the grid sees them.
void TCustomGrid::WndProc(TMessage& Message) {
  if (Message.Msg == WM_NCDESTROY) ForgetScrollBars(FHandle);
  if (HandleAllocated() && FGridState == gsNormal && ScrollBarMouse(FHandle, Message.Msg, Message.WParam, Message.LParam))
    return;
  TCustomControl::WndProc(Message);
}

// ---- Keyboard -----------------------------------------------------------------------------------

namespace {
// The next column with a tab stop after (before) Col, wrapping into the
// next (previous) row; false when the walk comes back to the start.
bool NextTabCell(TCustomGrid& G, TGridCoord& C, bool Forward, Integer FixedCols, Integer ColCount, Integer FixedRows,
                 Integer RowCount) {
  TGridCoord Start = C;
  do {
    C.X += Forward ? 1 : -1;
    if (C.X >= ColCount) { C.X = FixedCols; if (++C.Y >= RowCount) return false; }
    if (C.X < FixedCols) { C.X = ColCount - 1; if (--C.Y < FixedRows) return false; }
    if (C == Start) return false;
  } while (!G.TabStops(C.X));
  return true;
}
}  // namespace

void TCustomGrid::KeyDown(Word& Key, TShiftState Shift) {
  TCustomControl::KeyDown(Key, Shift);
  if (Key == 0 || !CanGridAcceptKey(Key, Shift)) return;
  bool Ctrl = Shift.Contains(ssCtrl), RowSel = FOptions.Contains(goRowSelect);
  TGridCoord N = FCurrent;
  Integer Page = std::max<Integer>(1, VisibleRowCount());
  switch (Key) {
    case VK_UP: --N.Y; break;
    case VK_DOWN: ++N.Y; break;
    case VK_LEFT: if (RowSel) { SetLeftCol(LeftCol() - 1); return; } --N.X; break;
    case VK_RIGHT: if (RowSel) { SetLeftCol(LeftCol() + 1); return; } ++N.X; break;
    case VK_PRIOR: N.Y -= Page; break;
    case VK_NEXT: N.Y += Page; break;
    case VK_HOME: if (Ctrl || RowSel) N.Y = FFixedRows; else N.X = FFixedCols; break;
    case VK_END: if (Ctrl || RowSel) N.Y = FRowCount - 1; else N.X = FColCount - 1; break;
    case VK_TAB:
      if (!FOptions.Contains(goTabs) || Shift.Contains(ssAlt)) return;
      if (!NextTabCell(*this, N, !Shift.Contains(ssShift), FFixedCols, FColCount, FFixedRows, FRowCount)) return;
      break;
    case VK_F2: SetEditorMode(true); return;
    default: return;
  }
  bool Extend = Shift.Contains(ssShift) && Key != VK_TAB && FOptions.Contains(goRangeSelect);
  MoveColRow(N.X, N.Y, !Extend, true);
  Key = 0;
}

void TCustomGrid::KeyPress(char32_t& Key) {
  TCustomControl::KeyPress(Key);
  if (Key == 0 || !FOptions.Contains(goEditing) || FOptions.Contains(goRowSelect)) return;
  if (Key == U'\r') {
    if (FEditorMode && !FOptions.Contains(goAlwaysShowEditor)) HideEditor();
    else ShowEditor();
    Key = 0;
  } else if (Key >= 32 && Key != 127 && CanEditAcceptKey(Key)) {
    ShowEditorChar(Key);
    Key = 0;
  }
}

// ---- Messages -----------------------------------------------------------------------------------

void TCustomGrid::WMHScroll(TMessage& M) { ScrollBy(true, LOWORD(M.WParam), HIWORD(M.WParam)); }
void TCustomGrid::WMVScroll(TMessage& M) { ScrollBy(false, LOWORD(M.WParam), HIWORD(M.WParam)); }

void TCustomGrid::WMGetDlgCode(TMessage& M) {
  M.Result = DLGC_WANTARROWS | DLGC_WANTCHARS;
  if (FOptions.Contains(goTabs)) M.Result |= DLGC_WANTTAB;
  if (FOptions.Contains(goEditing)) M.Result |= DLGC_WANTCHARS;
}

void TCustomGrid::WMSetCursor(TMessage& M) {
  if (HandleAllocated() && LOWORD(std::uintptr_t(M.LParam)) == HTCLIENT && FGridState == gsNormal) {
    TPoint P = ScreenToClient(GetCursorPos());
    TGridState S;
    Integer Index, Pos, Ofs;
    CalcSizingState(P.X, P.Y, S, Index, Pos, Ofs);
    if (S != gsNormal) {
      ::SetCursor(DefaultCursorHandle(S == gsColSizing ? crHSplit : crVSplit));
      M.Result = 1;
      return;
    }
  }
  Inherited(TCustomGrid::StaticClass(), M);
}

void TCustomGrid::WMCancelMode(TMessage& M) {
  FGridState = gsNormal;
  FMovePending = false;
  Invalidate();
  Inherited(TCustomGrid::StaticClass(), M);
}

void TCustomGrid::WMKillFocus(TMessage& M) {
  Inherited(TCustomGrid::StaticClass(), M);
  Invalidate();
}

void TCustomGrid::WMSetFocus(TMessage& M) {
  Inherited(TCustomGrid::StaticClass(), M);
  if (FOptions.Contains(goAlwaysShowEditor) && FOptions.Contains(goEditing)) ShowEditor();
  Invalidate();
}
