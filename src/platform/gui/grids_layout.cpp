// TCustomGrid: geometry of the shown cells, scrolling and the current cell.
#include <algorithm>

#include "platform/gui/grids.h"
#include "platform/gui/grids_edit.h"

// ---- Axes ----------------------------------------------------------------------------------------

Integer TCustomGrid::TAxis::Find(Integer Index) const {
  auto It = std::find(Cells.begin(), Cells.end(), Index);
  return It == Cells.end() ? -1 : Integer(It - Cells.begin());
}

Integer TCustomGrid::LineWidth(bool Horizontal) const {
  TGridOptions Lines = Horizontal ? TGridOptions{goFixedVertLine, goVertLine}
                                  : TGridOptions{goFixedHorzLine, goHorzLine};
  return (FOptions * Lines).Empty() ? 0 : FGridLineWidth;
}

Integer TCustomGrid::CellSize(bool Horizontal, Integer Index) const {
  return Horizontal ? ColWidths(Index) : RowHeights(Index);
}

// The fixed cells first, then the scrollable ones from LeftCol / TopRow
// until the client area is filled.
TCustomGrid::TAxis TCustomGrid::BuildAxis(bool Horizontal) {
  TAxis A;
  TRect C = ClientRect();
  A.Extent = Horizontal ? C.Width() : C.Height();
  Integer Lw = LineWidth(Horizontal), Pos = 0;
  auto Add = [&](Integer I) {
    A.Cells.push_back(I);
    A.Starts.push_back(Pos);
    Pos += CellSize(Horizontal, I) + Lw;
  };
  for (Integer I = 0; I < FixedCount(Horizontal); ++I) Add(I);
  for (Integer I = TopLeftOf(Horizontal); I < CellCount(Horizontal) && Pos < A.Extent; ++I) Add(I);
  A.End = Pos;
  return A;
}

TCustomGrid::TAxis TCustomGrid::ColAxis() { return BuildAxis(true); }
TCustomGrid::TAxis TCustomGrid::RowAxis() { return BuildAxis(false); }

Integer TCustomGrid::MaxTopLeft(bool Horizontal) {
  TRect C = ClientRect();
  Integer Room = Horizontal ? C.Width() : C.Height(), Lw = LineWidth(Horizontal);
  Integer Fixed = FixedCount(Horizontal);
  for (Integer I = 0; I < Fixed; ++I) Room -= CellSize(Horizontal, I) + Lw;
  Integer I = CellCount(Horizontal) - 1;
  if (I < Fixed) return Fixed;
  Integer Used = CellSize(Horizontal, I) + Lw;
  while (I - 1 >= Fixed && Used + CellSize(Horizontal, I - 1) + Lw <= Room) {
    --I;
    Used += CellSize(Horizontal, I) + Lw;
  }
  return std::max(Fixed, I);
}

Integer TCustomGrid::VisibleCount(bool Horizontal) {
  TAxis A = BuildAxis(Horizontal);
  Integer Whole = 0, Shown = 0;
  for (size_t P = 0; P < A.Cells.size(); ++P) {
    if (A.Cells[P] < FixedCount(Horizontal)) continue;
    ++Shown;
    if (A.Starts[P] + CellSize(Horizontal, A.Cells[P]) <= A.Extent) ++Whole;
  }
  return Whole > 0 ? Whole : std::min<Integer>(Shown, 1);
}

Integer TCustomGrid::VisibleColCount() { return VisibleCount(true); }
Integer TCustomGrid::VisibleRowCount() { return VisibleCount(false); }

Integer TCustomGrid::GridWidth() { return ColAxis().End; }
Integer TCustomGrid::GridHeight() { return RowAxis().End; }

TRect TCustomGrid::CellRect(Integer ACol, Integer ARow) { return BoxRect(ACol, ARow, ACol, ARow); }

TRect TCustomGrid::BoxRect(Integer ALeft, Integer ATop, Integer ARight, Integer ABottom) {
  TAxis Cols = ColAxis(), Rows = RowAxis();
  TRect R{};
  bool Any = false;
  for (size_t X = 0; X < Cols.Cells.size(); ++X) {
    Integer Ci = Cols.Cells[X];
    if (Ci < ALeft || Ci > ARight) continue;
    for (size_t Y = 0; Y < Rows.Cells.size(); ++Y) {
      Integer Ri = Rows.Cells[Y];
      if (Ri < ATop || Ri > ABottom) continue;
      TRect Cell = Bounds(Cols.Starts[X], Rows.Starts[Y], ColWidths(Ci), RowHeights(Ri));
      if (!Any) R = Cell; else UnionRect(R, R, Cell);
      Any = true;
    }
  }
  return R;
}

TGridCoord TCustomGrid::MouseCoord(Integer X, Integer Y) {
  TGridCoord G{-1, -1};
  auto Hit = [&](const TAxis& A, Integer V, bool Horizontal) {
    for (size_t P = 0; P < A.Cells.size(); ++P)
      if (V >= A.Starts[P] && V < A.Starts[P] + CellSize(Horizontal, A.Cells[P]) + LineWidth(Horizontal))
        return A.Cells[P];
    return Integer(-1);
  };
  G.X = Hit(ColAxis(), X, true);
  G.Y = Hit(RowAxis(), Y, false);
  if (G.X < 0 || G.Y < 0) G = {-1, -1};
  return G;
}

void TCustomGrid::MouseToCell(Integer X, Integer Y, Integer& ACol, Integer& ARow) {
  TGridCoord G = MouseCoord(X, Y);
  ACol = G.X;
  ARow = G.Y;
}

// ---- Scrolling --------------------------------------------------------------------------------------

void TCustomGrid::MoveTopLeft(Integer ALeft, Integer ATop) {
  ALeft = std::max(FFixedCols, std::min(ALeft, MaxTopLeft(true)));
  ATop = std::max(FFixedRows, std::min(ATop, MaxTopLeft(false)));
  if (ALeft == FTopLeft.X && ATop == FTopLeft.Y) return;
  FTopLeft = {ALeft, ATop};
  Invalidate();
  UpdateScrollPos();
  if (FInplaceEdit && FInplaceEdit->Visible()) UpdateEditor();
  TopLeftChanged();
}

void TCustomGrid::GetScrollBarInfo(bool Horizontal, bool& Show, SCROLLINFO& Info) {
  bool Allowed = FScrollBars == ssBoth || FScrollBars == (Horizontal ? ssHorizontal : ssVertical);
  Show = Allowed && MaxTopLeft(Horizontal) > FixedCount(Horizontal);
  Info.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
  Info.nMin = FixedCount(Horizontal);
  Info.nMax = std::max(Info.nMin, MaxTopLeft(Horizontal));
  Info.nPos = TopLeftOf(Horizontal);
}

void TCustomGrid::UpdateScrollRange() {
  if (!HandleAllocated()) return;
  HWND H = Handle();
  SCROLLINFO I;
  // Showing one bar narrows the room of the other axis: settle twice.
  for (int Pass = 0; Pass < 2; ++Pass)
    for (bool Horizontal : {true, false}) {
      bool Show = false;
      GetScrollBarInfo(Horizontal, Show, I);
      ShowScrollBar(H, Horizontal ? SB_HORZ : SB_VERT, Show);
    }
  for (bool Horizontal : {true, false}) {
    bool Show = false;
    GetScrollBarInfo(Horizontal, Show, I);
    SetScrollInfo(H, Horizontal ? SB_HORZ : SB_VERT, I, true);
  }
  MoveTopLeft(FTopLeft.X, FTopLeft.Y);
}

void TCustomGrid::UpdateScrollPos() {
  if (!HandleAllocated()) return;
  for (bool Horizontal : {true, false}) {
    bool Show = false;
    SCROLLINFO I;
    GetScrollBarInfo(Horizontal, Show, I);
    SetScrollPos(Handle(), Horizontal ? SB_HORZ : SB_VERT, I.nPos, true);
  }
}

void TCustomGrid::ScrollBy(bool Horizontal, Integer Code, Integer Pos) {
  Integer Top = TopLeftOf(Horizontal), Page = std::max<Integer>(1, VisibleCount(Horizontal));
  switch (Code) {
    case SB_LINEUP: --Top; break;
    case SB_LINEDOWN: ++Top; break;
    case SB_PAGEUP: Top -= Page; break;
    case SB_PAGEDOWN: Top += Page; break;
    case SB_THUMBPOSITION: Top = Pos; break;
    case SB_THUMBTRACK: if (FOptions.Contains(goThumbTracking)) Top = Pos; break;
    case SB_TOP: Top = FixedCount(Horizontal); break;
    case SB_BOTTOM: Top = MaxTopLeft(Horizontal); break;
    default: return;
  }
  if (Horizontal) MoveTopLeft(Top, FTopLeft.Y);
  else MoveTopLeft(FTopLeft.X, Top);
}

void TCustomGrid::ClampInView(const TGridCoord& Coord) {
  TGridCoord T = FTopLeft;
  for (bool Horizontal : {true, false}) {
    Integer Cell = Horizontal ? Coord.X : Coord.Y;
    Integer& Top = Horizontal ? T.X : T.Y;
    if (Cell < FixedCount(Horizontal)) continue;
    if (Cell < Top) { Top = Cell; continue; }
    // Move the view down until Cell lies wholly inside (or is the first).
    TRect C = ClientRect();
    Integer Room = Horizontal ? C.Width() : C.Height(), Lw = LineWidth(Horizontal);
    for (Integer I = 0; I < FixedCount(Horizontal); ++I) Room -= CellSize(Horizontal, I) + Lw;
    Integer Used = 0;
    for (Integer I = Top; I <= Cell; ++I) Used += CellSize(Horizontal, I) + Lw;
    while (Top < Cell && Used - Lw > Room) Used -= CellSize(Horizontal, Top++) + Lw;
  }
  MoveTopLeft(T.X, T.Y);
}

// ---- Current cell and selection ------------------------------------------------------------------

TGridRect TCustomGrid::Selection() const {
  TGridRect R = Rect(std::min(FAnchor.X, FCurrent.X), std::min(FAnchor.Y, FCurrent.Y),
                     std::max(FAnchor.X, FCurrent.X), std::max(FAnchor.Y, FCurrent.Y));
  if (FOptions.Contains(goRowSelect)) { R.Left = FFixedCols; R.Right = FColCount - 1; }
  return R;
}

void TCustomGrid::SetSelection(const TGridRect& V) {
  FAnchor = {V.Left, V.Top};
  FCurrent = {V.Right, V.Bottom};
  Invalidate();
}

void TCustomGrid::FocusCell(Integer ACol, Integer ARow, bool MoveAnchor) {
  MoveColRow(ACol, ARow, MoveAnchor, true);
}

void TCustomGrid::MoveColRow(Integer ACol, Integer ARow, bool MoveAnchor, bool Show) {
  ACol = std::max(FFixedCols, std::min(ACol, FColCount - 1));
  ARow = std::max(FFixedRows, std::min(ARow, FRowCount - 1));
  if (ACol < FFixedCols || ARow < FFixedRows) return;
  bool Moves = ACol != FCurrent.X || ARow != FCurrent.Y;
  if (Moves && !SelectCell(ACol, ARow)) return;
  if (Moves && FEditorMode) {
    UpdateText();
    if (!FOptions.Contains(goAlwaysShowEditor)) HideEditor();
  }
  FCurrent = {ACol, ARow};
  if (MoveAnchor || !FOptions.Contains(goRangeSelect)) FAnchor = FCurrent;
  Invalidate();
  if (Show) ClampInView(FCurrent);
  if (Moves && FEditorMode && FOptions.Contains(goAlwaysShowEditor)) ShowEditor();
}
