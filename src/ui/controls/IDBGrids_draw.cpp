// TI_CustomDBGrid: cell drawing, the empty message, hints, mouse and keys.
#include <algorithm>

#include "platform/db/dataset.h"
#include "platform/gui/grids_edit.h"
#include "platform/gui/dialogs.h"
#include "platform/gui/forms.h"
#include "platform/gui/graphics_drawtext.h"
#include "platform/rtl/format.h"
#include "ui/controls/IDBGrids.h"

RTL_MESSAGE_MAP(TI_CustomDBGrid) {
  M.On(WM_PAINT, &TI_CustomDBGrid::WMPaint);
  M.On(WM_VSCROLL, &TI_CustomDBGrid::WMVScroll);
  M.On(CM_HINTSHOW, &TI_CustomDBGrid::CMHintShow);
  M.On(WM_TIMER, &TI_CustomDBGrid::WMTimer);
  M.On(WM_DESTROY, &TI_CustomDBGrid::WMDestroy);
  M.On(WM_CONTEXTMENU, &TI_CustomDBGrid::WMContextMenu);
}

namespace {
// Draws image Index of List centred in R.
void DrawCentred(TCanvas* C, TCustomImageList* List, Integer Index, const TRect& R, Integer Shift = 0) {
  if (!List || Index < 0 || Index >= List->Count()) return;
  List->Draw(C, R.Left + (R.Width() - List->Width()) / 2 + Shift, R.Top + (R.Height() - List->Height()) / 2 + Shift,
             Index);
}

TRect Inflated(TRect R, Integer By) {
  InflateRect(R, By, By);
  return R;
}
}  // namespace

template <class F>
auto TI_CustomDBGrid::AtRecord(Integer DataRow, F&& Fn) {
  Integer Saved = FDataLink->ActiveRecord();
  FDataLink->SetActiveRecord(DataRow);
  try {
    auto Result = Fn();
    FDataLink->SetActiveRecord(Saved);
    return Result;
  } catch (...) {
    FDataLink->SetActiveRecord(Saved);
    throw;
  }
}

// ---- Cell texts ------------------------------------------------------------------------------------

namespace {
// The text of Column's field in the active record: the display text, or
// DisplayFormat applied to the value.
String FieldText(TColumn* Column) {
  TField* F = Column->Field();
  if (!F) return String();
  const String& Fmt = Column->DisplayFormat();
  if (Fmt.empty()) return F->DisplayText();
  try {
    switch (F->DataType()) {
      case ftFloat: case ftBCD: return Format(Fmt, {F->AsFloat()});
      case ftCurrency: return Format(Fmt, {F->AsCurrency()});
      default: return Format(Fmt, {F->DisplayText()});
    }
  } catch (const Exception&) {
    // A format that does not fit the value shows the plain text.
    return F->DisplayText();
  }
}
}  // namespace

String TI_CustomDBGrid::CellText(Integer DataCol, Integer DataRow) {
  if (!FDataLink->Active() || DataCol < 0 || DataCol >= FColumns->Count() || DataRow < 0 ||
      DataRow >= FDataLink->RecordCount())
    return String();
  TColumn* Column = FColumns->Items(DataCol);
  return AtRecord(DataRow, [&] {
    String Text = FieldText(Column);
    if (OnDrawTextFormat && Column->Field()) OnDrawTextFormat(Column->Field(), Text);
    return Text;
  });
}

// ---- Cells -------------------------------------------------------------------------------------------

void TI_CustomDBGrid::DrawCell(Integer ACol, Integer ARow, const TRect& ARect, TGridDrawState AState) {
  TCanvas* C = Canvas();
  if (ComponentState().Contains(csDesigning) || FInLayout) {
    C->Brush()->SetColor(Color());
    C->FillRect(ARect);
    return;
  }
  if (ACol < FIndicatorOffset) return DrawFixedCell(ACol, ARow, ARect);
  Integer DataCol = ACol - FIndicatorOffset;
  if (ARow < FTitleOffset) {
    // A title spanning several cells is drawn whole into each, clipped.
    TRect Span = TitleSpan(ACol, ARow);
    if (Span.IsEmpty()) Span = ARect;
    TSize Size{};
    Integer Saved = C->SaveDC();
    C->IntersectClipRect(ARect.Left, ARect.Top, ARect.Right, ARect.Bottom);
    try {
      DrawTitleCell(C, DataCol, ARow, Span, ACol == FPressedTitle && GridState() == gsNormal, true, true, Size);
    } catch (...) {
      C->RestoreDC(Saved);
      throw;
    }
    C->RestoreDC(Saved);
    return;
  }
  if (DataCol >= FColumns->Count()) {
    C->Brush()->SetColor(Color());
    C->FillRect(ARect);
    return;
  }
  DrawDataCell2(DataCol, ARow - FTitleOffset, ARect, AState);
}

void TI_CustomDBGrid::DrawFixedCell(Integer ACol, Integer ARow, const TRect& R) {
  TCanvas* C = Canvas();
  C->Brush()->SetColor(FixedColor());
  C->FillRect(R);
  bool IsIndicator = FOptions.Contains(dgIndicator) && ACol == 0;
  bool IsMarker = FOptions.Contains(dgMarker) && ACol == FIndicatorOffset - 1;
  if (ARow < FTitleOffset) {
    if (FOptions.Contains(dgMarker) && ACol == 0) {
      // Pressed while the marked-rows popup shows.
      if (FClipShown) {
        TRect E = R;
        DrawEdge(*C, E, BDR_SUNKENOUTER, BF_RECT);
      }
      DrawCentred(C, FIndicators.get(), 6, R, FClipShown ? 1 : 0);
    }
    else if (IsMarker && IsIndicator == false && FOptions.Contains(dgIndicator)) DrawCentred(C, FIndicators.get(), 10, R);
    return;
  }
  Integer DataRow = ARow - FTitleOffset;
  if (!FDataLink->Active() || DataRow >= FDataLink->RecordCount()) return;
  bool Current = DataRow == FDataLink->ActiveRecord();
  bool Listed = AtRecord(DataRow, [&] { return FBookmarks->Count() > 0 && FBookmarks->CurrentRowSelected(); });
  if (IsIndicator) {
    Integer Index = -1;
    if (Current) {
      TDataSetState S = FDataLink->DataSet()->State();
      Index = S == dsEdit ? 1 : S == dsInsert ? 2 : 0;
    }
    if (Listed && FOptions.Contains(dgMultiSelect)) Index = Current ? 4 : 3;
    DrawCentred(C, FIndicators.get(), Index, R);
  }
  if (IsMarker && Listed) DrawCentred(C, FIndicators.get(), 5, R);
}

void TI_CustomDBGrid::DrawCellFrame(Integer ACol, Integer ARow, const TRect& ARect, TGridDrawState AState) {
  // Frozen data columns are fixed cells of the grid base but look like data.
  if (!AState.Contains(gdFixed) || (ACol >= FIndicatorOffset && ARow >= FTitleOffset)) return;
  bool Own = (FOptions.Contains(dgIndicator) && FOptions.Contains(dgMarker)) || FOptions.Contains(dgFlatButtons);
  if (!Own) return TI_CustomGrid::DrawCellFrame(ACol, ARow, ARect, AState);
  bool Pressed = ARow < FTitleOffset && ACol == FPressedTitle && GridState() == gsNormal;
  DrawButtonFrame(Canvas(), Inflated(ARect, 1), GetFixedCellStyle(), FixedColor(), Pressed);
}

Integer TI_CustomDBGrid::GetFixedCellStyle() {
  bool Flat = FOptions.Contains(dgFlatButtons);
  if (FOptions.Contains(dgColLines) && FOptions.Contains(dgRowLines)) {
    if (ColorToRGB(Color()) == ColorToRGB(FixedColor())) return 2;
    return Flat ? 1 : 0;
  }
  return Flat ? 3 : 2;
}

// ---- Titles of nested columns ----------------------------------------------------------------------

TColumn* TI_CustomDBGrid::TitleColumn(Integer DataCol, Integer TitleRow) const {
  if (DataCol < 0 || DataCol >= FColumns->Count()) return nullptr;
  TColumn* Column = FColumns->Items(DataCol);
  Integer Level = Column->Depth();
  while (Column && Level > TitleRow) {
    Column = Column->ParentColumn();
    --Level;
  }
  return Column;
}

TRect TI_CustomDBGrid::TitleSpan(Integer ACol, Integer ARow) {
  TRect R = CellRect(ACol, ARow);
  TColumn* Title = TitleColumn(ACol - FIndicatorOffset, ARow);
  if (R.IsEmpty() || !Title) return R;
  // Across the neighbours under the same title (frozen ones and scrolling
  // ones do not meet on the screen, so a span keeps to one kind).
  Integer Lv = LineWidth(true), Lh = LineWidth(false);
  bool Fixed = ACol < FixedCols();
  for (Integer C = ACol - 1; C >= FIndicatorOffset && (C < FixedCols()) == Fixed; --C) {
    if (TitleColumn(C - FIndicatorOffset, ARow) != Title) break;
    R.Left -= ColWidths(C) + Lv;
  }
  for (Integer C = ACol + 1; C < ColCount() && (C < FixedCols()) == Fixed; ++C) {
    if (TitleColumn(C - FIndicatorOffset, ARow) != Title) break;
    R.Right += ColWidths(C) + Lv;
  }
  // A column's own title reaches from its level down to the data rows.
  Integer Level = Title->Depth();
  if (Title == FColumns->Items(ACol - FIndicatorOffset)) {
    for (Integer Row = Level; Row < ARow; ++Row) R.Top -= RowHeights(Row) + Lh;
    for (Integer Row = ARow + 1; Row < FTitleOffset; ++Row) R.Bottom += RowHeights(Row) + Lh;
  }
  return R;
}

TRect TI_CustomDBGrid::ExpandButtonRect(const TRect& Span) {
  Integer W = GetSystemMetrics(SM_CXVSCROLL), H = GetSystemMetrics(SM_CYHSCROLL);
  if (Span.Width() <= W) return TRect{};
  return Rect(Span.Right - W, Span.Top, Span.Right, Span.Top + std::min<Integer>(H, Span.Height()));
}

// Title: brush in the title colour, from the left 2 pixels in (3 and one
// lower while pressed) the image, the caption and the index mark; the
// expand arrow of an object field's column at the right. Above a nested
// column's own level the title of its parent column of that level shows.
void TI_CustomDBGrid::DrawTitleCell(TCanvas* Canvas, Integer DataCol, Integer TitleRow, const TRect& Rect,
                                    bool Pressed, bool Draw, bool CopyToCanvas, TSize& Size) {
  Size = TSize{0, 0};
  if (Rect.IsEmpty() || !Canvas) return;
  TColumn* Column = TitleColumn(DataCol, TitleRow);
  if (!Column) {
    if (Draw && CopyToCanvas) {
      Canvas->Brush()->SetColor(FixedColor());
      Canvas->FillRect(Rect);
    }
    return;
  }
  TColumnTitle* Title = Column->Title();
  Canvas->Brush()->SetColor(Title->Color());
  Canvas->SetFont(Title->Font());
  bool Paint = Draw && CopyToCanvas;
  if (Paint) Canvas->FillRect(Rect);
  Integer Inset = Pressed ? 3 : 2;
  TRect Text = ::Rect(Rect.Left + Inset, Rect.Top + Inset - 1 + (Pressed ? 1 : 0), Rect.Right - 2, Rect.Bottom);
  if (Column->Expandable()) {
    TRect Button = ExpandButtonRect(Rect);
    if (!Button.IsEmpty()) {
      if (Paint) DrawFrameControl(*Canvas, Button, DFC_SCROLL, Column->Expanded() ? DFCS_SCROLLLEFT : DFCS_SCROLLRIGHT);
      Text.Right = Button.Left - 1;
      Size.cx += Button.Width() + 1;
    }
  }
  if (FImages && Column->ItemIndex() >= 0) {
    if (Paint) FImages->Draw(Canvas, Text.Left, Text.Top, Column->ItemIndex());
    Text.Left += FImages->Width() + 2;
    Size.cx += FImages->Width() + 2;
  }
  String Caption = Title->Caption();
  TSize CapSize{};
  DrawTitleText(Canvas, Text, Caption, CapSize, true, false, Title->Alignment());
  bool Mark = Column->Indexed() && Column->IndexStyle() != idxNone && Text.Width() >= CapSize.cx + 11;
  TRect CapRect = Text;
  if (Mark) CapRect.Right -= 11;
  if (Paint) {
    Canvas->SetBkMode(TRANSPARENT);
    if (Title->Alignment() == taLeftJustify) {
      Integer Y = CapRect.Top;
      for (const String& Line : SplitTitleLines(Caption)) {
        TRect L = ::Rect(CapRect.Left, Y, CapRect.Right, CapRect.Bottom);
        DrawText(*Canvas, Line, L, DT_LEFT | DT_NOPREFIX | DT_SINGLELINE | DT_END_ELLIPSIS);
        Y += TextHeight(Line.empty() ? String("Wg") : Line, Canvas);
      }
    } else {
      DrawTitleText(Canvas, CapRect, Caption, CapSize, true, true, Title->Alignment());
    }
  }
  Size.cx += CapSize.cx;
  Size.cy = std::max(Size.cy, CapSize.cy);
  if (Mark && FIndicators) {
    Integer X = Title->Alignment() == taLeftJustify ? CapRect.Left + CapSize.cx + 2 : CapRect.Right + 2;
    if (Paint) FIndicators->Draw(Canvas, X, Text.Top + 2, Column->IndexStyle() == idxAscending ? 7 : 8);
    Size.cx += 11;
  }
}

void TI_CustomDBGrid::DrawDataText(TCanvas* C, const TRect& R, const String& Text, TAlignment Alignment) {
  TRect T = R;
  InflateRect(T, -2, -2);
  Cardinal Flags = DT_NOPREFIX | DT_EXPANDTABS | DT_WORDBREAK | DT_EDITCONTROL | DT_END_ELLIPSIS;
  Flags |= Alignment == taRightJustify ? DT_RIGHT : Alignment == taCenter ? DT_CENTER : DT_LEFT;
  C->SetBkMode(TRANSPARENT);
  DrawText(*C, Text, T, Flags);
}

namespace {
// Lightness of a colour, 0..255 (weights of the eye's sensitivity).
Integer Lightness(TColor Color) {
  TColorRef C = ColorToRGB(Color);
  return (Integer(GetRValue(C)) * 299 + Integer(GetGValue(C)) * 587 + Integer(GetBValue(C)) * 114) / 1000;
}
}  // namespace

// The focused selection draws in the selection colours. The unfocused one
// keeps the column's font colour on its light brush unless that colour is
// itself so light the text could not be read (white on a red column):
// then the text takes the window text colour.
void TI_CustomDBGrid::MarkSelected(TCanvas* C, bool Focus) {
  C->Brush()->SetColor(Focus ? clHighlight : UnfocusedHighlight);
  if (Focus) C->Font()->SetColor(clHighlightText);
  else if (Lightness(UnfocusedHighlight) - Lightness(C->Font()->Color()) < 96) C->Font()->SetColor(clWindowText);
}

// A row of the bookmark list first; then the selected cell, while the
// grid shows its selection.
bool TI_CustomDBGrid::HighlightCell(Integer, Integer, const String&, TGridDrawState State) {
  if (ListedRow()) return true;
  bool Shows = FOptions.Contains(dgAlwaysShowSelection) || Focused() || (InplaceEditor() && InplaceEditor()->Focused());
  return State.Contains(gdSelected) && Shows && (!InLayout() || FOptions.Contains(dgRowSelect));
}

bool TI_CustomDBGrid::ListedRow() {
  return FOptions.Contains(dgMultiSelect) && FDataLink->Active() && FBookmarks->Count() > 0 &&
         FBookmarks->CurrentRowSelected();
}

void TI_CustomDBGrid::DrawDataCell2(Integer DataCol, Integer DataRow, const TRect& R, TGridDrawState State) {
  TCanvas* C = Canvas();
  TColumn* Column = FColumns->Items(DataCol);
  C->SetFont(Column->Font());
  C->Brush()->SetColor(Column->Color());
  bool Focus = Focused() || (InplaceEditor() && InplaceEditor()->Focused());
  bool Always = FOptions.Contains(dgAlwaysShowSelection);
  bool HasRecord = FDataLink->Active() && DataRow < FDataLink->RecordCount();
  bool CurrentRow = HasRecord && DataRow == FDataLink->ActiveRecord();
  bool Selected = false;
  if (FOptions.Contains(dgHighlightRow) && (Focus || Always) && CurrentRow && DataCol >= FFrozenCols) {
    MarkSelected(C, Focus);
    Selected = true;
  }
  bool Listed = false, Highlight = HasRecord && AtRecord(DataRow, [&] {
    Listed = ListedRow();
    return HighlightCell(DataCol, DataRow, String(), State);
  });
  Listed = Listed && Highlight;
  if (Listed) {
    C->Brush()->SetColor(BookmarkHighlight);
    C->Font()->SetColor(!Focus && Always ? clGreen : clRed);
  } else if (Highlight && !FOptions.Contains(dgHighlightRow)) {
    MarkSelected(C, Focus);
    Selected = true;
  }
  if (!Enabled()) C->Font()->SetColor(clGrayText);
  C->FillRect(R);
  TDataSet* DS = FDataLink->DataSet();
  if (DefaultDrawing() && DS && HasRecord && R.Width() >= 1) {
    AtRecord(DataRow, [&] {
      TField* F = Column->Field();
      if (OnDrawColumn) {
        TColor Brush = C->Brush()->Color(), Ink = C->Font()->Color();
        OnDrawColumn(DS, C, Column);
        // The selection keeps its colours whatever the event set.
        if (Selected) {
          C->Brush()->SetColor(Brush);
          C->Font()->SetColor(Ink);
        }
      }
      FireEvent(OnDrawColumn2, DS, C, Column, R, State);
      String Text = FieldText(Column);
      if (OnDrawTextFormat && F) OnDrawTextFormat(F, Text);
      bool Drawn = false;
      if (OnDrawRichText) OnDrawRichText(C, F, R, Text, Drawn, State);
      if (!Drawn) DrawDataText(C, R, Text, Column->Alignment());
      return 0;
    });
  }
  FireEvent(OnDrawColumnCell, this, R, DataCol, Column, State);
  if (FColumns->State() == csDefault && OnDrawDataCell) OnDrawDataCell(this, R, Column->Field(), State);
  if (DefaultDrawing() && Selected && Focused() && !InLayout() && !FOptions.Contains(dgRowSelect) &&
      !FOptions.Contains(dgHighlightRow))
    C->DrawFocusRect(R);
}

// ---- Complete lines -------------------------------------------------------------------------------

// With dgCompleteLines (and without auto-fit) the rows go on right of the
// last column up to the client's right edge.
void TI_CustomDBGrid::Paint() {
  bool Complete = FOptions.Contains(dgCompleteLines) && !FOptions.Contains(dgAutoSize);
  TCanvas* C = Canvas();
  TRect Clip = C->ClipRect();
  TRect Strip = Rect(GridWidth(), Clip.Top, ClientRect().Right, Clip.Bottom);
  if (!Complete || Strip.IsEmpty()) {
    TI_CustomGrid::Paint();
    PaintFrozenLines();
    return PaintTitleSpans();
  }
  Integer Saved = C->SaveDC();
  C->ExcludeClipRect(Strip.Left, Strip.Top, Strip.Right, Strip.Bottom);
  TI_CustomGrid::Paint();
  PaintFrozenLines();
  PaintTitleSpans();
  C->RestoreDC(Saved);
  PaintCompleteLines(C, Strip);
}

// The frozen data cells are fixed cells of the grid base, which draws
// their lines as those of the titles; they get the lines of data cells.
void TI_CustomDBGrid::PaintFrozenLines() {
  if (FixedCols() <= FIndicatorOffset) return;
  TCanvas* C = Canvas();
  TAxis Cols = ColAxis(), Rows = RowAxis();
  Integer Lv = LineWidth(true), Lh = LineWidth(false);
  bool Vert = FOptions.Contains(dgColLines), Horz = FOptions.Contains(dgRowLines);
  C->Brush()->SetColor(clSilver);
  for (size_t Y = 0; Y < Rows.Cells.size(); ++Y) {
    Integer R = Rows.Cells[Y];
    if (R < FTitleOffset) continue;
    for (size_t X = 0; X < Cols.Cells.size(); ++X) {
      Integer Cl = Cols.Cells[X];
      if (Cl < FIndicatorOffset || Cl >= FixedCols()) continue;
      Integer L = Cols.Starts[X], T = Rows.Starts[Y], W = ColWidths(Cl), H = RowHeights(R);
      if (W < 0) continue;
      if (Vert && Lv > 0) C->FillRect(Rect(L + W, T, L + W + Lv, T + H + Lh));
      if (Horz && Lh > 0) C->FillRect(Rect(L, T + H, L + W + Lv, T + H + Lh));
    }
  }
}

// The cells paint a title spanning several of them piece by piece, and
// the lines between the cells cross it; here each such title is painted
// once more over its whole span, framed as one cell.
void TI_CustomDBGrid::PaintTitleSpans() {
  if (FTitleOffset < 2 || FInLayout || ComponentState().Contains(csDesigning)) return;
  TCanvas* C = Canvas();
  TAxis Cols = ColAxis();
  TRect Client = ClientRect();
  Integer FixedEnd = 0;
  for (size_t X = 0; X < Cols.Cells.size(); ++X)
    if (Cols.Cells[X] < FixedCols()) FixedEnd = Cols.Starts[X] + ColWidths(Cols.Cells[X]) + LineWidth(true);
  std::vector<TRect> Done;
  for (size_t X = 0; X < Cols.Cells.size(); ++X) {
    Integer ACol = Cols.Cells[X];
    if (ACol < FIndicatorOffset || ColWidths(ACol) < 0) continue;
    for (Integer ARow = 0; ARow < FTitleOffset; ++ARow) {
      TRect Cell = CellRect(ACol, ARow), Span = TitleSpan(ACol, ARow);
      if (Span.IsEmpty() || Span == Cell || std::find(Done.begin(), Done.end(), Span) != Done.end()) continue;
      Done.push_back(Span);
      // Frozen titles keep to the fixed area, the others to the rest.
      bool Fixed = ACol < FixedCols();
      TRect Area = Rect(Fixed ? 0 : FixedEnd, 0, Fixed ? FixedEnd : Client.Right, Client.Bottom);
      Integer Saved = C->SaveDC();
      C->IntersectClipRect(Area.Left, Area.Top, Area.Right, Area.Bottom);
      TSize Size{};
      DrawTitleCell(C, ACol - FIndicatorOffset, ARow, Span, false, true, true, Size);
      if (DefaultDrawing()) DrawCellFrame(ACol, ARow, Span, TGridDrawState{gdFixed});
      C->RestoreDC(Saved);
    }
  }
}

void TI_CustomDBGrid::PaintCompleteLines(TCanvas* C, const TRect& Strip) {
  TColor LineColor = ColorToRGB(Color()) == ColorToRGB(clSilver) ? TColor(0x808080) : TColor(0xC0C0C0);
  bool RowLines = FOptions.Contains(dgRowLines);
  Integer Style = GetFixedCellStyle();
  TColor TitleColor =
      FColumns->Count() > 0 ? FColumns->Items(FColumns->Count() - 1)->Title()->Color() : FixedColor();
  auto HLine = [&](TColor Ink, Integer Y, Integer L, Integer R) {
    C->Brush()->SetColor(Ink);
    C->FillRect(Rect(L, Y, R, Y + 1));
  };
  Integer Bottom = 0;
  for (Integer Row = 0; Row < FTitleOffset; ++Row) {
    TRect Band = Rect(Strip.Left, Bottom, Strip.Right, Bottom + RowHeights(Row));
    Bottom = Band.Bottom;
    TRect Shown{};
    if (!IntersectRect(Shown, Band, Strip)) continue;
    C->Brush()->SetColor(TitleColor);
    C->FillRect(Band);
    if (Style != 2) {
      TRect Frame = Rect(Band.Left, Band.Top, Band.Right + 1, Band.Bottom);
      if (Style == 3) InflateRect(Frame, 1, 1);
      DrawButtonFrame(C, Frame, Style, FixedColor(), false);
    }
    if (RowLines) HLine(FOptions.Contains(dgFlatButtons) ? FixedColor() : clBlack, Band.Bottom, Band.Left, Band.Right);
  }
  bool Focus = Focused();
  bool ShowsRow = (FOptions.Contains(dgRowSelect) || FOptions.Contains(dgHighlightRow)) &&
                  (FOptions.Contains(dgAlwaysShowSelection) || Focus) && FDataLink->Active();
  for (Integer Row = FTitleOffset; Row < RowCount() && Bottom < Strip.Bottom; ++Row) {
    Integer Top = RowLines ? Bottom + 1 : Bottom;
    TRect Band = Rect(Strip.Left, Top, Strip.Right, Bottom + RowHeights(Row) + (RowLines ? 1 : 0));
    Bottom = Band.Bottom;
    TRect Shown{};
    bool InClip = IntersectRect(Shown, Band, Strip);
    bool Current = InClip && ShowsRow && Row - FTitleOffset == FDataLink->ActiveRecord();
    C->Brush()->SetColor(Current ? (Focus ? clHighlight : UnfocusedHighlight) : Color());
    C->Pen()->SetColor(FixedColor());
    bool Fill = true;
    if (OnDrawCompleteLine) OnDrawCompleteLine(this, C, Band, Focus, Row - FTitleOffset, Fill);
    if (Fill) C->FillRect(Band);
    if (RowLines && InClip) HLine(LineColor, Band.Bottom, Band.Left, Band.Right);
  }
  if (Bottom < Strip.Bottom) {
    C->Brush()->SetColor(Color());
    C->FillRect(Rect(Strip.Left, Bottom, Strip.Right, Strip.Bottom));
  }
}

// ---- Empty message --------------------------------------------------------------------------------

void TI_CustomDBGrid::PaintEmptyMessage(TCanvas* C, const TRect& R) {
  C->Brush()->SetColor(Color());
  C->Font()->SetName("Tahoma");
  C->Font()->SetSize(10);
  C->Font()->SetStyle(TFontStyles{fsBold});
  C->Font()->SetColor(clGray);
  if (OnPaintEmptyMessage) return OnPaintEmptyMessage(this, C, R, EmptyMessage);
  C->FillRect(R);
  TRect Inner = R;
  InflateRect(Inner, -5, -5);
  C->SetBkMode(TRANSPARENT);
  DrawStyledText(C, EmptyMessage, Inner, nullptr, dsWordBreak | dsNoCodes | dsCenter | dsEndEllipsis, true);
}

void TI_CustomDBGrid::WMPaint(TMessage& M) {
  if (HasData() || M.WParam != 0 || !HandleAllocated()) return Inherited(TI_CustomDBGrid::StaticClass(), M);
  PAINTSTRUCT PS;
  TCanvas* DC = BeginPaint(Handle(), PS);
  try {
    // The whole window rectangle at the origin, as the event gets it.
    TRect R = Rect(0, 0, Width(), Height());
    if (DC && !R.IsEmpty()) {
      TBitmap Buffer;
      Buffer.SetSize(R.Width(), R.Height());
      PaintEmptyMessage(Buffer.Canvas(), R);
      DC->StretchBltSurface(R, Buffer.PixelSurface(), R, SRCCOPY);
    }
  } catch (...) {
    EndPaint(Handle(), PS);
    throw;
  }
  EndPaint(Handle(), PS);
}

// ---- Hints -----------------------------------------------------------------------------------------

// A data cell's hint is its full text, shown at the cell's corner only
// when the cell cuts it.
void TI_CustomDBGrid::CMHintShow(TMessage& M) {
  auto* Info = reinterpret_cast<THintInfo*>(M.LParam);
  M.Result = 1;
  if (!Info || DragMode2() == 3) return;
  TGridCoord Cell = MouseCoord(Info->CursorPos.X, Info->CursorPos.Y);
  FHintCell = Cell;
  TRect R = CellRect(Cell.X, Cell.Y);
  if (!R.IsEmpty()) Info->CursorRect = R;
  Integer DataRow = Cell.Y - FTitleOffset, DataCol = Cell.X - FIndicatorOffset;
  if (Cell.X < 0 || DataRow < 0 || DataCol < 0 || DataCol >= FColumns->Count() || !FDataLink->Active() ||
      DataRow >= FDataLink->RecordCount())
    return;
  TColumn* Column = FColumns->Items(DataCol);
  String Text = AtRecord(DataRow, [&] {
    TField* F = Column->Field();
    String T = F ? F->DisplayText() : String();
    if (OnBeforeHint) OnBeforeHint(F, T);
    return T;
  });
  if (Text.empty()) return;
  TBitmap Measure;
  Measure.SetSize(1, 1);
  Measure.Canvas()->SetFont(Font());
  TSize Size = Measure.Canvas()->TextExtent(Text);
  if (Size.cx <= R.Width() - 4 && Size.cy <= R.Height()) return;
  Info->HintStr = Text;
  Info->HintPos = ClientToScreen(R.TopLeft());
  M.Result = 0;
}

// ---- Mouse ---------------------------------------------------------------------------------------------

void TI_CustomDBGrid::MouseDown(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) {
  if (!ComponentState().Contains(csDesigning) && !Focused() && CanFocus()) SetFocus();
  if (!Focused() && !(InplaceEditor() && InplaceEditor()->Focused()) && CanFocus()) return;
  if (!HasData()) return TCustomControl::MouseDown(Button, Shift, X, Y);
  TGridCoord Cell = X < 0 || Y < 0 ? TGridCoord{0, -1} : MouseCoord(X, Y);
  if (Button == mbLeft) {
    FPressPoint2 = Point(X, Y);
    FLeftDown = true;
  }
  bool FixedArea = Cell.X < FIndicatorOffset && Cell.Y < FTitleOffset;
  if (DragMode() == dmAutomatic && Button == mbLeft && FixedArea && !ComponentState().Contains(csDesigning)) {
    BeginDrag(false);
    return;
  }
  if (FClipShown) {
    HideMarkedRows();
    if (FixedArea && Cell.X == 0 && Button == mbLeft) return;
  } else if (Button == mbLeft && FOptions.Contains(dgMarker) && Cell.X == 0 && Cell.Y == 0) {
    ShowMarkedRows();
    return;
  }
  if (Cell.Y >= 0 && Cell.Y < FTitleOffset) {
    // The expand arrow of an object field's column opens or closes it.
    TColumn* Title = Cell.X >= FIndicatorOffset ? TitleColumn(Cell.X - FIndicatorOffset, Cell.Y) : nullptr;
    if (Button == mbLeft && Title && Title->Expandable() &&
        PtInRect(ExpandButtonRect(TitleSpan(Cell.X, Cell.Y)), Point(X, Y))) {
      Title->SetExpanded(!Title->Expanded());
      return;
    }
    FPressedTitle = Cell.X >= FIndicatorOffset ? Cell.X : -1;
    if (FOptions.Contains(dgColumnResize)) {
      if (EditorMode()) {
        UpdateText();
        HideEditor();
      }
      // A clickable title is clicked, not dragged.
      bool Clickable = FOptions.Contains(dgTitleClicked) && FDataLink->Active() && Button == mbLeft &&
                       Cell.X >= FIndicatorOffset;
      TGridOptions Saved = TCustomGrid::Options();
      if (Clickable) TCustomGrid::SetOptions(Saved - TGridOptions{goColMoving});
      TCustomGrid::MouseDown(Button, Shift, X, Y);
      if (Clickable) TCustomGrid::SetOptions(Saved);
      if (GridState() != gsNormal) FPressedTitle = -1;
    } else {
      TCustomControl::MouseDown(Button, Shift, X, Y);
    }
    if (FPressedTitle >= 0) InvalidateCell(FPressedTitle, Cell.Y);
    return;
  }
  if (Cell.X >= 0 && Cell.Y >= FTitleOffset && FDataLink->Active()) {
    if (EditorMode()) {
      UpdateText();
      HideEditor();
    }
    bool WasCurrent = Cell.X == Col() && Cell.Y == Row();
    Integer Target = Cell.Y - FTitleOffset;
    if (Target < FDataLink->RecordCount()) FDataLink->MoveBy(Target - FDataLink->ActiveRecord());
    // A frozen column cannot become current: only the row follows the press.
    if (Cell.X >= FixedCols()) MoveCol(Cell.X - FIndicatorOffset);
    // A right press asks the application for a finder first.
    if (Button == mbRight && OnEditorGetConvert && Cell.X >= FIndicatorOffset) SearchByFinder(' ');
    if (Button == mbLeft && FOptions.Contains(dgMultiSelect)) {
      if (!Shift.Contains(ssCtrl)) FBookmarks->Clear();
      FBookmarks->SetCurrentRowSelected(!FBookmarks->CurrentRowSelected() || !Shift.Contains(ssCtrl));
    } else if (Button == mbLeft && FOptions.Contains(dgMarker) && Cell.X == FIndicatorOffset - 1 &&
               Target < FDataLink->RecordCount()) {
      FBookmarks->SetCurrentRowSelected(!FBookmarks->CurrentRowSelected());
      InvalidateCell(Cell.X, Cell.Y);
    }
    if ((Button == mbLeft && WasCurrent) || FOptions.Contains(dgAlwaysShowEditor)) {
      if (CanEditShow()) ShowEditor();
    } else {
      InvalidateEditor();
    }
  }
  TCustomControl::MouseDown(Button, Shift, X, Y);
}

void TI_CustomDBGrid::MouseUp(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) {
  bool Busy = GridState() != gsNormal || DragMode2() != 0;
  TGridCoord Cell = MouseCoord(X, Y);
  Integer Pressed = FPressedTitle;
  FPressedTitle = -1;
  TI_CustomGrid::MouseUp(Button, Shift, X, Y);
  if (Pressed >= 0) InvalidateCell(Pressed, 0);
  if (!HasData() || Busy || Cell.X < 0) return;
  Integer DataCol = Cell.X - FIndicatorOffset;
  TColumn* Column = DataCol >= 0 && DataCol < FColumns->Count() ? FColumns->Items(DataCol) : nullptr;
  bool OnTitle = Cell.Y >= 0 && Cell.Y < FTitleOffset;
  if (Button == mbLeft && OnTitle && Cell.X == Pressed && Column) TitleClicked(Shift, Cell.X);
  else if (Button == mbLeft && !OnTitle && Column) FireEvent(OnCellClick, Column);
  else if (Button == mbRight && OnTitle && FUseCustomizeDialog) ShowCustomizeDialog();
}

// ---- Menus --------------------------------------------------------------------------------------------

// The right button and the menu key: PopupTitle over the title rows, a
// column's own menu over its data cells, elsewhere the grid's PopupMenu.
// From the keyboard the menu opens at the current cell. A right release on
// a title that opened the column selector shows no menu.
void TI_CustomDBGrid::WMContextMenu(TMessage& M) {
  if (M.Result) return;
  TPoint Screen = Point(GET_X_LPARAM(M.LParam), GET_Y_LPARAM(M.LParam));
  bool FromKeys = Screen.X == -1 && Screen.Y == -1;
  TGridCoord Cell{Col(), Row()};
  if (FromKeys) {
    TRect R = CellRect(Col(), Row());
    Screen = ClientToScreen(R.IsEmpty() ? Point(0, 0) : Point(R.Left, R.Bottom));
    M.LParam = MAKELPARAM(Screen.X, Screen.Y);
  } else {
    TPoint P = ScreenToClient(Screen);
    Cell = MouseCoord(P.X, P.Y);
  }
  bool OnTitle = Cell.X >= 0 && Cell.Y >= 0 && Cell.Y < FTitleOffset;
  if (!FromKeys && OnTitle && FUseCustomizeDialog && HasData()) {
    M.Result = 1;
    return;
  }
  // Over the empty message there are no cells: only the grid's own menu.
  TPopupMenu* Menu = HasData() ? ContextMenuAt(Cell) : nullptr;
  if (!Menu || !Menu->AutoPopup()) return Inherited(TI_CustomDBGrid::StaticClass(), M);
  M.Result = 1;
  Menu->SetPopupComponent(this);
  Menu->Popup(Screen.X, Screen.Y);
}

TPopupMenu* TI_CustomDBGrid::ContextMenuAt(TGridCoord Cell) {
  if (Cell.X < 0 || Cell.Y < 0) return nullptr;
  if (Cell.Y < FTitleOffset) return FPopupTitle;
  Integer DataCol = Cell.X - FIndicatorOffset;
  if (DataCol < 0 || DataCol >= FColumns->Count()) return nullptr;
  return FColumns->Items(DataCol)->PopupMenu();
}

void TI_CustomDBGrid::DblClick() {
  TPoint P = ScreenToClient(GetCursorPos());
  TGridCoord Cell = MouseCoord(P.X, P.Y);
  if (Cell.Y >= FTitleOffset && Cell.X >= FIndicatorOffset) FireEvent(OnDoubleClick2, P.X, P.Y);
  TI_CustomGrid::DblClick();
}

// An indexed column's title click sorts it descending; without Shift the
// other indexed columns lose their mark.
void TI_CustomDBGrid::TitleClicked(TShiftState Shift, Integer ACol) {
  TColumn* Column = FColumns->Items(ACol - FIndicatorOffset);
  if (Column->Indexed()) {
    Column->SetIndexStyle(idxDescending);
    if (!Shift.Contains(ssShift))
      for (Integer I = 0; I < FColumns->Count(); ++I) {
        TColumn* Other = FColumns->Items(I);
        if (Other != Column && Other->Indexed()) Other->SetIndexStyle(idxNone);
      }
  }
  FireEvent(OnTitleClick, Column);
}

// The drag image of a data row: its text (OnGetDragText or the first
// column's) on the fixed colour in a raised frame.
void TI_CustomDBGrid::GetDataDragImage(Integer, Integer ARow, TCustomImageList*& Images) {
  Images = nullptr;
  Integer DataRow = ARow - FTitleOffset;
  if (!FDataLink->Active() || DataRow < 0 || DataRow >= FDataLink->RecordCount()) return;
  String Text = CellText(0, DataRow);
  if (OnGetDragText) OnGetDragText(Text);
  TBitmap Image;
  TFont Small;
  Small.Assign(Font());
  Small.SetSize(10);
  Small.SetStyle(TFontStyles());
  Image.Canvas()->SetFont(&Small);
  TSize Size = Image.Canvas()->TextExtent(Text);
  Image.SetSize(std::min<Integer>(200, Size.cx + 27), std::max<Integer>(22, Size.cy + 6));
  Image.Canvas()->SetFont(&Small);
  Image.Canvas()->Brush()->SetColor(FixedColor());
  TRect R = Rect(0, 0, Image.Width(), Image.Height());
  Image.Canvas()->FillRect(R);
  TRect E = R;
  DrawEdge(*Image.Canvas(), E, BDR_RAISEDINNER, BF_RECT);
  TRect T = Rect(5, 0, R.Right - 2, R.Bottom);
  Image.Canvas()->SetBkMode(TRANSPARENT);
  DrawText(*Image.Canvas(), Text, T, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS | DT_NOPREFIX);
  Images = DragImageList(Image.Width(), Image.Height());
  Images->Clear();
  Images->SetSize(Image.Width(), Image.Height());
  Images->AddMasked(&Image, clNone);
}

// ---- Keys ------------------------------------------------------------------------------------------------

void TI_CustomDBGrid::KeyDown(Word& Key, TShiftState Shift) {
  if (DragMode2() != 0) return TI_CustomGrid::KeyDown(Key, Shift);
  // The marked-rows popup takes every key; Escape closes it.
  if (FClipShown) {
    if (Key == VK_ESCAPE) HideMarkedRows();
    else if (FClipPopup) FClipPopup->Perform(WM_KEYDOWN, Key, 0);
    Key = 0;
    return;
  }
  TCustomControl::KeyDown(Key, Shift);
  if (Key == VK_UP || Key == VK_DOWN) EndSearch();
  if (Key == 0 || !FDataLink->Active() || !CanGridAcceptKey(Key, Shift)) return;
  bool Ctrl = Shift.Contains(ssCtrl);
  if (Ctrl && (Key == VK_UP || Key == VK_DOWN || Key == VK_PRIOR || Key == VK_NEXT || Key == VK_HOME || Key == VK_END))
    FBookmarks->Clear();
  if (UseRightToLeftAlignment() && (Key == VK_LEFT || Key == VK_RIGHT)) Key = Key == VK_LEFT ? VK_RIGHT : VK_LEFT;
  bool Handled = false;
  switch (Key) {
    case VK_UP: case VK_DOWN: case VK_PRIOR: case VK_NEXT: Handled = RowKey(Key, Ctrl); break;
    case VK_LEFT: case VK_RIGHT: case VK_HOME: case VK_END: Handled = ColumnKey(Key, Ctrl); break;
    case VK_TAB: Handled = TabKey(Shift); break;
    case VK_INSERT: case VK_ESCAPE: case VK_F2: case VK_DELETE: Handled = EditKey(Key, Ctrl); break;
    default: break;
  }
  if (Handled) Key = 0;
}

// Up and Down: a row back or on (an untouched new record is cancelled
// instead; past the last record one is appended when the grid may);
// Page Up and Down: a page; with Ctrl the first or last visible row.
bool TI_CustomDBGrid::RowKey(Word Key, bool Ctrl) {
  TDataSet* DS = FDataLink->DataSet();
  bool UnchangedInsert = DS->State() == dsInsert && !DS->Modified() && !FDataLink->Modified();
  bool Back = Key == VK_UP || Key == VK_PRIOR;
  if (Ctrl) {
    FDataLink->MoveBy(Back ? -FDataLink->ActiveRecord() : FDataLink->RecordCount() - 1 - FDataLink->ActiveRecord());
  } else if (Key == VK_UP) {
    if (UnchangedInsert && FDataLink->ActiveRecord() == FDataLink->RecordCount() - 1) DS->Cancel();
    else DS->MoveBy(-1);
  } else if (Key == VK_DOWN) {
    if (UnchangedInsert) {
      if (!DS->Eof()) DS->Cancel();
    } else if ((DS->Eof() || DS->MoveBy(1) == 0) && CanInsertRecord()) {
      DS->Append();
    }
  } else {
    FBookmarks->Clear();
    Integer Page = std::max<Integer>(1, FDataLink->RecordCount());
    DS->MoveBy(Back ? -Page : Page);
  }
  return true;
}

// Left and Right: a column (with dgRowSelect a row); Home and End: the
// first or last column, or the first or last record with Ctrl, with
// dgRowSelect or with a single column.
bool TI_CustomDBGrid::ColumnKey(Word Key, bool Ctrl) {
  TDataSet* DS = FDataLink->DataSet();
  bool RowSel = FOptions.Contains(dgRowSelect);
  Integer DataCol = Col() - FIndicatorOffset, Last = FColumns->Count() - 1;
  switch (Key) {
    case VK_LEFT:
      if (RowSel) DS->MoveBy(-1);
      else MoveCol(Ctrl ? 0 : std::max<Integer>(0, DataCol - 1));
      break;
    case VK_RIGHT:
      if (RowSel) DS->MoveBy(1);
      else MoveCol(Ctrl ? Last : std::min(Last, DataCol + 1));
      break;
    default:
      if (Ctrl || RowSel || Last == 0) {
        if (!Ctrl) FBookmarks->Clear();
        if (Key == VK_HOME) DS->First();
        else DS->Last();
      } else {
        MoveCol(Key == VK_HOME ? 0 : Last);
      }
      break;
  }
  return true;
}

// The next (Shift: previous) column with a tab stop, going on in the next
// (previous) row; nothing when the walk comes back to its start.
bool TI_CustomDBGrid::TabKey(TShiftState Shift) {
  if (!FOptions.Contains(dgTabs) || Shift.Contains(ssAlt) || FColumns->Count() == 0) return false;
  TDataSet* DS = FDataLink->DataSet();
  bool Back = Shift.Contains(ssShift);
  Integer Last = FColumns->Count() - 1;
  Integer Start = Col() - FIndicatorOffset, C = Start;
  do {
    C += Back ? -1 : 1;
    if (C > Last) {
      if (DS->MoveBy(1) == 0) return false;
      C = 0;
    } else if (C < 0) {
      if (DS->MoveBy(-1) == 0) return false;
      C = Last;
    }
    if (C == Start) return false;
  } while (!TabStops(C + FIndicatorOffset));
  MoveCol(C);
  return true;
}

// Insert adds a record; Escape reverts the editor or cancels the edit;
// F2 shows the editor; Ctrl+Delete deletes the record or the marked ones.
bool TI_CustomDBGrid::EditKey(Word Key, bool Ctrl) {
  TDataSet* DS = FDataLink->DataSet();
  switch (Key) {
    case VK_INSERT:
      if (!CanInsertRecord()) return false;
      FBookmarks->Clear();
      DS->Insert();
      return true;
    case VK_ESCAPE:
      if (EditorMode() && FDataLink->Modified()) FDataLink->Reset();
      else if (DS->State() == dsEdit || DS->State() == dsInsert) DS->Cancel();
      FBookmarks->Clear();
      if (!FOptions.Contains(dgAlwaysShowEditor)) HideEditor();
      return true;
    case VK_F2:
      SetEditorMode(true);
      return true;
    default:
      if (!Ctrl || FReadOnly || DS->IsEmpty() || !DS->CanModify()) return false;
      DeleteRecords();
      return true;
  }
}

void TI_CustomDBGrid::DeleteRecords() {
  if (FOptions.Contains(dgConfirmDelete)) {
    String Ask = FBookmarks->Count() < 2 ? "Datensatz löschen?" : "Alle markierten Datensätze löschen?";
    if (MessageDlg(Ask, mtConfirmation, TMsgDlgButtons{mbOK, mbCancel}, 0) != mrOk) return;
  }
  if (FBookmarks->Count() > 0) FBookmarks->DeleteSelected();
  else FDataLink->DataSet()->Delete();
}

bool TI_CustomDBGrid::CanInsertRecord() {
  return FOptions.Contains(dgEditing) && !FReadOnly && FDataLink->DataSet()->CanModify();
}
