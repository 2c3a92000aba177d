// TCustomGrid: construction, counts and sizes, options, window and
// messages, and the published properties.
#include <algorithm>

#include "platform/gui/grids.h"
#include "platform/gui/grids_edit.h"

RTL_IMPLEMENT_CLASS(TCustomGrid, TCustomControl, nullptr)
RTL_IMPLEMENT_CLASS(EInvalidGridOperation, Exception, nullptr)

namespace {
const char* const SGridIndexOutOfRange = "Gitterindex außerhalb des gültigen Bereichs";
const char* const STooManyFixedCols = "Zu viele fixierte Spalten";
const char* const STooManyFixedRows = "Zu viele fixierte Zeilen";
}  // namespace

TCustomGrid::TCustomGrid(TComponent* AOwner) : TCustomControl(AOwner) {
  SetControlStyle(ControlStyle() + TControlStyle{csCaptureMouse, csOpaque, csDoubleClicks});
  FParentColor = false;
  FColor = clWindow;
  FTabStop = true;
  FColWidths.assign(FColCount, FDefaultColWidth);
  FRowHeights.assign(FRowCount, FDefaultRowHeight);
  FTabStops.assign(FColCount, true);
  SetBounds(0, 0, FColCount * (FDefaultColWidth + 1), FRowCount * (FDefaultRowHeight + 1));
}

TCustomGrid::~TCustomGrid() {
  // The editor goes with the owned components later: it must not call back.
  if (FInplaceEdit) FInplaceEdit->SetGrid(nullptr);
  if (HandleAllocated()) ForgetScrollBars(FHandle);
}

// ---- Counts and sizes ----------------------------------------------------------------------------

void TCustomGrid::ResizeCounts(Integer NewColCount, Integer NewRowCount) {
  Integer OldCols = FColCount, OldRows = FRowCount;
  FColCount = NewColCount;
  FRowCount = NewRowCount;
  FColWidths.resize(FColCount, FDefaultColWidth);
  FRowHeights.resize(FRowCount, FDefaultRowHeight);
  FTabStops.resize(FColCount, true);
  auto Fit = [](TGridCoord& C, Integer Cols, Integer Rows) {
    C.X = std::min(C.X, Cols - 1);
    C.Y = std::min(C.Y, Rows - 1);
  };
  Fit(FCurrent, FColCount, FRowCount);
  Fit(FAnchor, FColCount, FRowCount);
  Fit(FTopLeft, FColCount, FRowCount);
  FCurrent = {std::max(FCurrent.X, FFixedCols), std::max(FCurrent.Y, FFixedRows)};
  FAnchor = {std::max(FAnchor.X, FFixedCols), std::max(FAnchor.Y, FFixedRows)};
  FTopLeft = {std::max(FTopLeft.X, FFixedCols), std::max(FTopLeft.Y, FFixedRows)};
  SizeChanged(OldCols, OldRows);
  UpdateScrollRange();
  InvalidateEditor();
  Invalidate();
}

void TCustomGrid::SetColCount(Integer V) {
  V = std::max<Integer>(V, 1);
  if (V == FColCount) return;
  if (V <= FFixedCols) FFixedCols = V - 1;
  ResizeCounts(V, FRowCount);
}

void TCustomGrid::SetRowCount(Integer V) {
  V = std::max<Integer>(V, 1);
  if (V == FRowCount) return;
  if (V <= FFixedRows) FFixedRows = V - 1;
  ResizeCounts(FColCount, V);
}

void TCustomGrid::SetFixedCols(Integer V) {
  if (V < 0 || V >= FColCount) throw EInvalidGridOperation(STooManyFixedCols);
  FFixedCols = V;
  ResizeCounts(FColCount, FRowCount);
}

void TCustomGrid::SetFixedRows(Integer V) {
  if (V < 0 || V >= FRowCount) throw EInvalidGridOperation(STooManyFixedRows);
  FFixedRows = V;
  ResizeCounts(FColCount, FRowCount);
}

void TCustomGrid::SetDefaultColWidth(Integer V) {
  FDefaultColWidth = V;
  FColWidths.assign(FColCount, V);
  ColWidthsChanged();
}

void TCustomGrid::SetDefaultRowHeight(Integer V) {
  FDefaultRowHeight = V;
  FRowHeights.assign(FRowCount, V);
  RowHeightsChanged();
}

Integer TCustomGrid::ColWidths(Integer ACol) const {
  return ACol >= 0 && ACol < Integer(FColWidths.size()) ? FColWidths[ACol] : FDefaultColWidth;
}

void TCustomGrid::SetColWidths(Integer ACol, Integer V) {
  if (ACol < 0 || ACol >= FColCount) throw EInvalidGridOperation(SGridIndexOutOfRange);
  if (FColWidths[ACol] == V) return;
  FColWidths[ACol] = V;
  ColWidthsChanged();
}

Integer TCustomGrid::RowHeights(Integer ARow) const {
  return ARow >= 0 && ARow < Integer(FRowHeights.size()) ? FRowHeights[ARow] : FDefaultRowHeight;
}

void TCustomGrid::SetRowHeights(Integer ARow, Integer V) {
  if (ARow < 0 || ARow >= FRowCount) throw EInvalidGridOperation(SGridIndexOutOfRange);
  if (FRowHeights[ARow] == V) return;
  FRowHeights[ARow] = V;
  RowHeightsChanged();
}

bool TCustomGrid::TabStops(Integer ACol) const {
  return ACol >= 0 && ACol < Integer(FTabStops.size()) ? bool(FTabStops[ACol]) : true;
}

void TCustomGrid::SetTabStops(Integer ACol, bool V) {
  if (ACol < 0 || ACol >= FColCount) throw EInvalidGridOperation(SGridIndexOutOfRange);
  FTabStops[ACol] = V;
}

void TCustomGrid::SetGridLineWidth(Integer V) {
  if (V == FGridLineWidth) return;
  FGridLineWidth = std::max<Integer>(V, 0);
  UpdateScrollRange();
  InvalidateEditor();
  Invalidate();
}

// ---- Look ---------------------------------------------------------------------------------------

void TCustomGrid::SetOptions(TGridOptions V) {
  if (V == FOptions) return;
  if (V.Contains(goRowSelect)) V.Exclude(goAlwaysShowEditor);
  FOptions = V;
  if (!FEditorMode && FOptions.Contains(goAlwaysShowEditor)) ShowEditor();
  else if (FEditorMode && !FOptions.Contains(goEditing)) HideEditor();
  UpdateScrollRange();
  Invalidate();
}

void TCustomGrid::SetFixedColor(TColor V) {
  if (V == FFixedColor) return;
  FFixedColor = V;
  Invalidate();
}

void TCustomGrid::SetBorderStyle(TFormBorderStyle V) {
  if (V == FBorderStyle) return;
  FBorderStyle = V;
  RecreateWnd();
}

void TCustomGrid::SetScrollBars(TScrollStyle V) {
  if (V == FScrollBars) return;
  FScrollBars = V;
  UpdateScrollRange();
}

// ---- Hooks (defaults) -------------------------------------------------------------------------------

void TCustomGrid::DrawCell(Integer, Integer, const TRect&, TGridDrawState) {}
bool TCustomGrid::SelectCell(Integer, Integer) { return true; }
void TCustomGrid::TopLeftChanged() {}
void TCustomGrid::SizeChanged(Integer, Integer) {}
void TCustomGrid::ColumnMoved(Integer, Integer) {}
void TCustomGrid::RowMoved(Integer, Integer) {}
bool TCustomGrid::BeginColumnDrag(Integer&, Integer&, const TPoint&) { return true; }
bool TCustomGrid::CanEditModify() { return true; }
bool TCustomGrid::CanEditAcceptKey(char32_t) { return true; }
bool TCustomGrid::CanGridAcceptKey(Word, TShiftState) { return true; }
String TCustomGrid::GetEditText(Integer, Integer) { return String(); }
void TCustomGrid::SetEditText(Integer, Integer, const String&) {}
String TCustomGrid::GetEditMask(Integer, Integer) { return String(); }
Integer TCustomGrid::GetEditLimit() { return 0; }

void TCustomGrid::ColWidthsChanged() {
  UpdateScrollRange();
  InvalidateEditor();
  Invalidate();
}

void TCustomGrid::RowHeightsChanged() {
  UpdateScrollRange();
  InvalidateEditor();
  Invalidate();
}

// ---- Moving and deleting ---------------------------------------------------------------------------

namespace {
// Where a cell index ends up when the cell at From moves to To.
void MoveAdjust(Integer& Pos, Integer From, Integer To) {
  if (Pos == From) Pos = To;
  else if (From < To && Pos > From && Pos <= To) --Pos;
  else if (To < From && Pos >= To && Pos < From) ++Pos;
}

template <class V>
void MoveEntry(V& List, Integer From, Integer To) {
  auto Item = List[From];
  List.erase(List.begin() + From);
  List.insert(List.begin() + To, Item);
}
}  // namespace

void TCustomGrid::MoveColumn(Integer FromIndex, Integer ToIndex) {
  if (FromIndex == ToIndex) return;
  if (FromIndex < 0 || FromIndex >= FColCount || ToIndex < 0 || ToIndex >= FColCount)
    throw EInvalidGridOperation(SGridIndexOutOfRange);
  MoveEntry(FColWidths, FromIndex, ToIndex);
  MoveEntry(FTabStops, FromIndex, ToIndex);
  MoveAdjust(FCurrent.X, FromIndex, ToIndex);
  MoveAdjust(FAnchor.X, FromIndex, ToIndex);
  ColumnMoved(FromIndex, ToIndex);
  InvalidateEditor();
  Invalidate();
}

void TCustomGrid::MoveRow(Integer FromIndex, Integer ToIndex) {
  if (FromIndex == ToIndex) return;
  if (FromIndex < 0 || FromIndex >= FRowCount || ToIndex < 0 || ToIndex >= FRowCount)
    throw EInvalidGridOperation(SGridIndexOutOfRange);
  MoveEntry(FRowHeights, FromIndex, ToIndex);
  MoveAdjust(FCurrent.Y, FromIndex, ToIndex);
  MoveAdjust(FAnchor.Y, FromIndex, ToIndex);
  RowMoved(FromIndex, ToIndex);
  InvalidateEditor();
  Invalidate();
}

void TCustomGrid::DeleteColumn(Integer ACol) {
  MoveColumn(ACol, FColCount - 1);
  SetColCount(FColCount - 1);
}

void TCustomGrid::DeleteRow(Integer ARow) {
  MoveRow(ARow, FRowCount - 1);
  SetRowCount(FRowCount - 1);
}

// ---- Invalidation -------------------------------------------------------------------------------

void TCustomGrid::InvalidateCell(Integer ACol, Integer ARow) {
  if (!HandleAllocated()) return;
  TRect R = CellRect(ACol, ARow);
  InflateRect(R, FGridLineWidth, FGridLineWidth);
  InvalidateRect(Handle(), &R, false);
}

void TCustomGrid::InvalidateCol(Integer ACol) {
  if (!HandleAllocated()) return;
  TRect R = BoxRect(ACol, 0, ACol, FRowCount - 1);
  R.Right += FGridLineWidth;
  InvalidateRect(Handle(), &R, false);
}

void TCustomGrid::InvalidateRow(Integer ARow) {
  if (!HandleAllocated()) return;
  TRect R = BoxRect(0, ARow, FColCount - 1, ARow);
  R.Bottom += FGridLineWidth;
  InvalidateRect(Handle(), &R, false);
}

// ---- Window ---------------------------------------------------------------------------------------

void TCustomGrid::CreateParams(TCreateParams& Params) {
  TCustomControl::CreateParams(Params);
  Params.Style |= WS_TABSTOP | WS_CLIPCHILDREN;
  if (FBorderStyle == bsSingle) Params.ExStyle |= WS_EX_CLIENTEDGE;
}

void TCustomGrid::CreateWnd() {
  TCustomControl::CreateWnd();
  UpdateScrollRange();
}

TRect TCustomGrid::GetClientRect() {
  return HandleAllocated() ? ScrollBarClientRect(FHandle) : TCustomControl::GetClientRect();
}

void TCustomGrid::Resize() {
  UpdateScrollRange();
  InvalidateEditor();
  TCustomControl::Resize();
}

void TCustomGrid::Loaded() {
  TCustomControl::Loaded();
  UpdateScrollRange();
}

// ---- Published -------------------------------------------------------------------------------------

RTL_PUBLISHED(TCustomGrid) {
  P.Prop("ColCount", &TCustomGrid::ColCount, &TCustomGrid::SetColCount).Default(5);
  P.Prop("RowCount", &TCustomGrid::RowCount, &TCustomGrid::SetRowCount).Default(5);
  P.Prop("FixedCols", &TCustomGrid::FixedCols, &TCustomGrid::SetFixedCols).Default(1);
  P.Prop("FixedRows", &TCustomGrid::FixedRows, &TCustomGrid::SetFixedRows).Default(1);
  P.Prop("DefaultColWidth", &TCustomGrid::DefaultColWidth, &TCustomGrid::SetDefaultColWidth).Default(64);
  P.Prop("DefaultRowHeight", &TCustomGrid::DefaultRowHeight, &TCustomGrid::SetDefaultRowHeight).Default(24);
  P.Prop("GridLineWidth", &TCustomGrid::GridLineWidth, &TCustomGrid::SetGridLineWidth).Default(1);
  P.Prop("Options", &TCustomGrid::Options, &TCustomGrid::SetOptions);
  P.Prop("FixedColor", &TCustomGrid::FixedColor, &TCustomGrid::SetFixedColor).TypeName("TColor");
  P.Prop("BorderStyle", &TCustomGrid::BorderStyle, &TCustomGrid::SetBorderStyle).Default(bsSingle);
  P.Prop("ScrollBars", &TCustomGrid::ScrollBars, &TCustomGrid::SetScrollBars).Default(ssBoth);
  P.Prop("DefaultDrawing", &TCustomGrid::DefaultDrawing, &TCustomGrid::SetDefaultDrawing).Default(true);
  P.Prop("TabStop", &TCustomGrid::TabStop, &TCustomGrid::SetTabStop).Default(true);
}
