// TI_CustomGrid: automatic column fitting, title and data drags, and the
// multi-line title caption.
#include "ui/controls/IGrids.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "platform/gui/forms.h"
#include "platform/gui/graphics_drawtext.h"

RTL_IMPLEMENT_CLASS(TI_CustomGrid, TCustomGrid, nullptr)
RTL_IMPLEMENT_CLASS(TDragImageWindow, TCustomControl, nullptr)

// ---- Drag image window ----------------------------------------------------------------------

RTL_MESSAGE_MAP(TDragImageWindow) { M.On(WM_NCHITTEST, &TDragImageWindow::WMNCHitTest); }

TDragImageWindow::TDragImageWindow(TComponent* AOwner) : TCustomControl(AOwner) { FVisible = false; }

void TDragImageWindow::CreateParams(TCreateParams& Params) {
  TCustomControl::CreateParams(Params);
  Params.Style = WS_POPUP;
  Params.ExStyle = WS_EX_TOOLWINDOW | WS_EX_TOPMOST | WS_EX_NOACTIVATE;
  Params.WndParent = nullptr;
}

// The mouse goes through to the window below, where the drop would land.
void TDragImageWindow::WMNCHitTest(TMessage& M) { M.Result = HTTRANSPARENT; }

void TDragImageWindow::ShowImage(TCustomImageList* List, Integer Index, TPoint HotSpot, TPoint Screen) {
  if (!List || Index < 0 || Index >= List->Count()) return;
  List->GetBitmap(Index, &FImage);
  FHotSpot = HotSpot;
  SetBounds(Screen.X - HotSpot.X, Screen.Y - HotSpot.Y, FImage.Width(), FImage.Height());
  if (!Visible()) {
    HandleNeeded();
    SetWindowPos(Handle(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
    FVisible = true;
  }
  Invalidate();
}

void TDragImageWindow::MoveTo(TPoint Screen) {
  if (Visible()) SetBounds(Screen.X - FHotSpot.X, Screen.Y - FHotSpot.Y, Width(), Height());
}

void TDragImageWindow::HideImage() {
  if (!Visible()) return;
  if (HandleAllocated())
    SetWindowPos(Handle(), nullptr, 0, 0, 0, 0,
                 SWP_HIDEWINDOW | SWP_NOACTIVATE | SWP_NOZORDER | SWP_NOMOVE | SWP_NOSIZE);
  FVisible = false;
}

void TDragImageWindow::Paint() { Canvas()->Draw(0, 0, &FImage); }

// ---- Multi-line titles ---------------------------------------------------------------------

std::vector<String> SplitTitleLines(const String& Text) {
  std::vector<String> Lines;
  size_t Pos = 0;
  while (true) {
    size_t Sep = Text.find("#/", Pos), Lf = Text.find('\n', Pos), Cr = Text.find('\r', Pos);
    size_t Next = std::min({Sep, Lf, Cr});
    if (Next == String::npos) {
      Lines.push_back(Text.substr(Pos));
      return Lines;
    }
    Lines.push_back(Text.substr(Pos, Next - Pos));
    if (Next == Sep) Pos = Next + 2;
    else {
      Pos = Next + 1;
      // CR LF and LF CR are one break.
      if (Pos < Text.size() && (Text[Pos] == '\n' || Text[Pos] == '\r') && Text[Pos] != Text[Next]) ++Pos;
    }
  }
}

void DrawTitleText(TCanvas* Canvas, const TRect& Rect, const String& Text, TSize& Size, bool EndEllipsis, bool Draw,
                   TAlignment Alignment) {
  Size = TSize{0, 0};
  if (!Canvas) return;
  Cardinal Flags = DT_NOPREFIX | (EndEllipsis ? DT_END_ELLIPSIS : 0);
  Integer Y = Rect.Top;
  for (const String& Line : SplitTitleLines(Text)) {
    TRect Measure = Rect;
    TRect Used = DrawStyledText(Canvas, Line, Measure, nullptr, Flags | dsNoCodes, false);
    Integer W = Used.Width(), H = Used.Height();
    Size.cx = std::max(Size.cx, W);
    Size.cy += H;
    if (Draw) {
      Integer Free = Rect.Width() - W;
      Integer X = Alignment == taCenter ? Rect.Left + Free / 2 : Rect.Left + Free;
      X = std::max(X, Rect.Left);
      TRect LineRect = ::Rect(X, Y, Rect.Right, Y + H);
      if (EndEllipsis && W > Rect.Width()) {
        LineRect.Left = Rect.Left;
        DrawText(*Canvas, Line, LineRect, DT_NOPREFIX | DT_SINGLELINE | DT_END_ELLIPSIS);
      } else {
        DrawStyledText(Canvas, Line, LineRect, nullptr, Flags | dsNoCodes, true);
      }
    }
    Y += H;
  }
}

// ---- Construction ------------------------------------------------------------------------------

TI_CustomGrid::TI_CustomGrid(TComponent* AOwner) : TCustomGrid(AOwner) {}

TI_CustomGrid::~TI_CustomGrid() = default;

// ---- New operations (defaults) ------------------------------------------------------------------

bool TI_CustomGrid::ColumnMayMove(Integer) { return true; }
void TI_CustomGrid::DrawTitleCell(TCanvas*, Integer, Integer, const TRect&, bool, bool, bool, TSize& Size) {
  Size = TSize{0, 0};
}
Integer TI_CustomGrid::GetFixedCellStyle() { return 0; }
Integer TI_CustomGrid::GroupBandHeight() { return 0; }
bool TI_CustomGrid::FlatButtons() { return false; }
void TI_CustomGrid::TitleClicked(TShiftState, Integer) {}
void TI_CustomGrid::EmptyHook() {}
void TI_CustomGrid::DoGridEvent1(Integer A, Integer B, Integer C) { FireEvent(OnGridEvent1, this, A, B, C); }
void TI_CustomGrid::DoGridEvent2(Integer A, Integer B, Integer C) { FireEvent(OnGridEvent2, this, A, B, C); }
void TI_CustomGrid::DoGridEvent3(Integer A, Integer B, Integer C) { FireEvent(OnGridEvent3, this, A, B, C); }
Integer TI_CustomGrid::GetColumnWidth(Integer ACol) { return ColWidths(ACol); }
void TI_CustomGrid::GetDataDragImage(Integer, Integer, TCustomImageList*& Images) { Images = nullptr; }
void TI_CustomGrid::SetColumnWidth(Integer ACol, Integer Width) { SetColWidths(ACol, Width); }
bool TI_CustomGrid::ColumnIsSizable(Integer ACol) { return ACol >= FixedCols(); }
bool TI_CustomGrid::GroupingAllowed() { return true; }

// ---- Automatic column fitting -------------------------------------------------------------------

// Fits the columns into the client width: the sizable ones share the room
// left by the others in proportion to their widths, none below 15 pixels;
// a column the user sized keeps its width unless the room is too small, and
// then takes what the others leave it.
void TI_CustomGrid::AutoFitColumns(Integer ResizedCol, bool After) {
  if (!FAutoFit || FAutoFitLock > 0 || ComponentState().Contains(csLoading) || ColCount() <= 0) return;
  ++FAutoFitLock;
  Integer Count = ColCount();
  std::vector<Integer> Widths(Count);
  std::vector<bool> Sizable(Count), Open(Count);
  for (Integer C = 0; C < Count; ++C) {
    Widths[C] = GetColumnWidth(C);
    if (Widths[C] < -10) Widths[C] = MinAutoFitWidth;
    bool Gives = ResizedCol < 0 || (After ? C > ResizedCol : C != ResizedCol);
    Sizable[C] = ColumnIsSizable(C) && Gives;
    Open[C] = Sizable[C];
  }
  Integer Line = GridLineWidth();
  Integer Room = ClientWidth();
  for (Integer C = 0; C < Count; ++C) Room -= Line + (Sizable[C] ? 0 : Widths[C]);
  if (Room < 0 && ResizedCol >= 0 && ResizedCol < Count) {
    Integer Left = Room + Widths[ResizedCol];
    for (Integer C = 0; C < Count; ++C)
      if (Sizable[C]) {
        Widths[C] = MinAutoFitWidth;
        Left -= MinAutoFitWidth;
      }
    Widths[ResizedCol] = std::max<Integer>(Left, MinAutoFitWidth);
  } else {
    Integer Sum = 0;
    for (Integer C = 0; C < Count; ++C) Sum += Sizable[C] ? Widths[C] : 0;
    if (Sum > 0 && std::abs(Sum - Room) > 1) {
      bool Again = true;
      while (Again) {
        Again = false;
        Integer R = Room, S = 0;
        for (Integer C = 0; C < Count; ++C) {
          if (Sizable[C] && !Open[C]) R -= Widths[C];
          if (Open[C]) S += GetColumnWidth(C) < -10 ? MinAutoFitWidth : GetColumnWidth(C);
        }
        for (Integer C = 0; C < Count && !Again && S > 0; ++C) {
          if (!Open[C]) continue;
          Integer Own = GetColumnWidth(C) < -10 ? MinAutoFitWidth : GetColumnWidth(C);
          Integer W = Integer(std::lround(double(Own) * R / S));
          R -= W;
          S -= Own;
          if (W < MinAutoFitWidth) {
            // Too narrow: fixed at the minimum and the rest distributed anew.
            Widths[C] = MinAutoFitWidth;
            Open[C] = false;
            Again = true;
          } else {
            Widths[C] = W;
          }
        }
      }
      Integer Total = 0;
      for (Integer C = 0; C < Count; ++C) Total += Sizable[C] ? Widths[C] : 0;
      if (Total != Room && ResizedCol >= 0 && ResizedCol < Count)
        Widths[ResizedCol] = std::max<Integer>(MinAutoFitWidth, Widths[ResizedCol] + Total - Room);
    }
    // A one-pixel difference is left as it is: the columns fill the room
    // within that pixel.
  }
  ApplyFittedWidths(Widths);
  ColWidthsChanged();
  --FAutoFitLock;
}

void TI_CustomGrid::ApplyFittedWidths(const std::vector<Integer>& Widths) {
  for (Integer C = 0; C < Integer(Widths.size()) && C < ColCount(); ++C)
    if (GetColumnWidth(C) != Widths[C]) SetColumnWidth(C, Widths[C]);
}

void TI_CustomGrid::Resize() {
  TCustomGrid::Resize();
  AutoFitColumns(-1, true);
}

// ---- Drag images ---------------------------------------------------------------------------------

TCustomImageList* TI_CustomGrid::DragImageList(Integer W, Integer H) {
  if (!FDragImages) FDragImages = std::make_unique<TCustomImageList>(W, H);
  return FDragImages.get();
}

std::unique_ptr<TBitmap> TI_CustomGrid::TitleDragImage(Integer ACol) {
  if (ACol < 0 || ACol >= ColCount()) return nullptr;
  auto Image = std::make_unique<TBitmap>();
  Image->SetSize(std::max<Integer>(1, GetColumnWidth(ACol)), std::max<Integer>(1, RowHeights(0)));
  TRect Whole = Rect(0, 0, Image->Width(), Image->Height());
  Image->Canvas()->SetFont(Font());
  Image->Canvas()->Brush()->SetColor(FixedColor());
  Image->Canvas()->FillRect(Whole);
  TSize Size{};
  DrawTitleCell(Image->Canvas(), DataColumnIndex(ACol), 0, Whole, false, true, true, Size);
  DrawButtonFrame(Image->Canvas(), Whole, GetFixedCellStyle(), clBtnShadow, false);
  return Image;
}

void TI_CustomGrid::ShowDragImage(TPoint HotSpot) {
  if (!FDragImages || FDragImages->Count() == 0) return;
  if (!FDragWindow) FDragWindow = new TDragImageWindow(this);
  FDragWindow->ShowImage(FDragImages.get(), FDragImages->Count() - 1, HotSpot, GetCursorPos());
}

void TI_CustomGrid::MoveDragImage() {
  if (FDragWindow) FDragWindow->MoveTo(GetCursorPos());
}

void TI_CustomGrid::HideDragImage() {
  if (FDragWindow) FDragWindow->HideImage();
}

// ---- Title drag --------------------------------------------------------------------------------------

// The class library's grid would start moving the column now: this grid
// drags the title itself.
bool TI_CustomGrid::BeginColumnDrag(Integer& Origin, Integer&, const TPoint&) {
  if (Origin < 0 || Origin >= ColCount()) return false;
  FDragCol = FDropCol = Origin;
  if (auto Image = TitleDragImage(Origin)) {
    TCustomImageList* List = DragImageList(Image->Width(), Image->Height());
    // One list serves every drag: it takes the size of the newest image.
    List->Clear();
    List->SetSize(Image->Width(), Image->Height());
    List->AddMasked(Image.get(), clNone);
    TPoint Cell = CellRect(Origin, 0).TopLeft();
    TPoint Mouse = ScreenToClient(GetCursorPos());
    ShowDragImage(Point(Mouse.X - Cell.X, Mouse.Y - Cell.Y));
  }
  CreateArrows(FArrows, this);
  FDragMode = 2;
  FDragSource = 1;
  return false;
}

void TI_CustomGrid::TitleDragMove(Integer X, Integer Y) {
  MoveDragImage();
  Integer TitleBottom = FixedRows() > 0 ? CellRect(LeftCol(), FixedRows() - 1).Bottom : 0;
  if (TitleBottom <= 0) TitleBottom = RowHeights(0);
  if (Y < -12 || Y > TitleBottom) {
    FDropCol = -1;
    HideDropMarker(FArrows);
    return;
  }
  Integer Drop = MouseCoord(X, std::max<Integer>(0, std::min(Y, TitleBottom - 1))).X;
  TRect Client = ClientRect();
  Integer LastShown = std::min(ColCount() - 1, LeftCol() + VisibleColCount() - 1);
  bool AfterLast = X >= Client.Right - GetSystemMetrics(SM_CXVSCROLL) || Drop < 0;
  if (AfterLast) Drop = LastShown;
  if (Drop < FixedCols()) Drop = FixedCols();
  // A drop on the first or last column shown scrolls one column towards
  // those beyond it.
  if (Drop == LastShown && LastShown < ColCount() - 1) SetLeftCol(LeftCol() + 1);
  else if (Drop == LeftCol() && LeftCol() > FixedCols()) SetLeftCol(LeftCol() - 1);
  if (Drop == FDropCol) return;
  FDropCol = Drop;
  TRect Cell = CellRect(Drop, 0);
  TPoint TL = ClientToScreen(Cell.TopLeft()), BR = ClientToScreen(Point(Cell.Right, Cell.Bottom));
  ShowDropMarker(2, FDragCol, Drop, Rect(TL.X, TL.Y, BR.X, BR.Y), FArrows, AfterLast);
}

void TI_CustomGrid::TitleDragEnd(bool Drop) {
  Integer From = FDragCol, To = FDropCol;
  FDragMode = 0;
  FDragSource = 0;
  FDragCol = FDropCol = -1;
  HideDropMarker(FArrows);
  HideDragImage();
  if (Drop && To >= 0 && To != From && ColumnMayMove(From)) MoveColumn(From, To);
  Invalidate();
}

// ---- Data drag --------------------------------------------------------------------------------------

void TI_CustomGrid::StartDataDrag(Integer X, Integer Y) {
  TGridCoord Cell = MouseCoord(FPressPoint2.X, FPressPoint2.Y);
  TCustomImageList* Images = nullptr;
  GetDataDragImage(Cell.X, Cell.Y, Images);
  if (!Images) return;
  FDragMode = 3;
  FAccept = false;
  FTarget = nullptr;
  FDragData.clear();
  ShowDragImage(Point(2, 8));
  DataDragMove(X, Y);
}

void TI_CustomGrid::CancelTarget(TControl* Target) {
  if (OnDragOverCancel && Target) OnDragOverCancel(Target);
}

void TI_CustomGrid::DataDragMove(Integer X, Integer Y) {
  MoveDragImage();
  TPoint Screen = ClientToScreen(Point(X, Y));
  TControl* Previous = FTarget;
  TControl* Target = FindDragTarget(Screen, false);
  FAccept = false;
  if (OnDragOverData) OnDragOverData(FAccept, Target, FDragData, Screen);
  if (Target != Previous) CancelTarget(Previous);
  FTarget = Target;
  if (!FAccept) CancelTarget(Target);
  ::SetCursor(DefaultCursorHandle(FAccept ? crHandPoint : crDefault));
}

void TI_CustomGrid::DataDragEnd(bool Drop, Integer X, Integer Y) {
  TPoint Screen = ClientToScreen(Point(X, Y));
  bool Accepted = Drop && FAccept;
  TControl* Target = FTarget;
  HideDragImage();
  if (Accepted && OnDragDropData) OnDragDropData(FAccept, Target, FDragData, Screen);
  FDragMode = 0;
  FAccept = false;
  FTarget = nullptr;
  CancelTarget(Target);
  ::SetCursor(DefaultCursorHandle(crDefault));
}

void TI_CustomGrid::CancelDrags() {
  if (FDragMode == 2) TitleDragEnd(false);
  else if (FDragMode == 3) DataDragEnd(false, FMouseUpPoint.X, FMouseUpPoint.Y);
}

// ---- Mouse and keys -----------------------------------------------------------------------------------

void TI_CustomGrid::MouseDown(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) {
  if (Button == mbLeft) {
    FPressPoint2 = Point(X, Y);
    FLeftDown = true;
  }
  TCustomGrid::MouseDown(Button, Shift, X, Y);
}

void TI_CustomGrid::MouseMove(TShiftState Shift, Integer X, Integer Y) {
  if (FDragMode == 2) {
    TitleDragMove(X, Y);
    return;
  }
  if (FDragMode == 3) {
    DataDragMove(X, Y);
    return;
  }
  if (FDataDraggingEnabled && FLeftDown && Shift.Contains(ssLeft) && !Shift.Contains(ssCtrl) &&
      GridState() == gsNormal && !FMovePending &&
      (std::abs(X - FPressPoint2.X) >= DataDragThreshold || std::abs(Y - FPressPoint2.Y) >= DataDragThreshold)) {
    TGridCoord Cell = MouseCoord(FPressPoint2.X, FPressPoint2.Y);
    if (Cell.X >= FixedCols() && Cell.Y >= FixedRows()) {
      StartDataDrag(X, Y);
      if (FDragMode == 3) return;
    }
  }
  TCustomGrid::MouseMove(Shift, X, Y);
  // The move that started a title drag already points at a drop column.
  if (FDragMode == 2) TitleDragMove(X, Y);
}

void TI_CustomGrid::MouseUp(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) {
  FMouseUpPoint = Point(X, Y);
  if (Button == mbLeft) FLeftDown = false;
  if (FDragMode == 2) {
    TitleDragEnd(true);
    return;
  }
  if (FDragMode == 3) {
    DataDragEnd(true, X, Y);
    return;
  }
  TCustomGrid::MouseUp(Button, Shift, X, Y);
}

// While a drag runs every key is the drag's: Escape ends it, the others go
// nowhere.
void TI_CustomGrid::ConstrainedResize(Integer& MinWidth, Integer& MinHeight, Integer& MaxWidth, Integer& MaxHeight) {
  TCustomGrid::ConstrainedResize(MinWidth, MinHeight, MaxWidth, MaxHeight);
  if (!FAutoFit) return;
  Integer Fixed = 0, Sizable = 0;
  for (Integer C = 0; C < ColCount(); ++C) {
    if (ColumnIsSizable(C)) ++Sizable;
    else Fixed += ColWidths(C);
  }
  MinWidth = std::max(MinWidth, Fixed - Sizable);
}

void TI_CustomGrid::KeyDown(Word& Key, TShiftState Shift) {
  if (FDragMode != 0) {
    if (Key == VK_ESCAPE) CancelDrags();
    Key = 0;
    return;
  }
  TCustomGrid::KeyDown(Key, Shift);
}

void TI_CustomGrid::KeyPress(char32_t& Key) {
  if (FDragMode != 0) {
    Key = 0;
    return;
  }
  TCustomGrid::KeyPress(Key);
}

void TI_CustomGrid::WndProc(TMessage& Message) {
  switch (Message.Msg) {
    case WM_KILLFOCUS:
    case WM_CANCELMODE:
      FLeftDown = false;
      CancelDrags();
      break;
    case WM_KEYDOWN:
      // Escape must end a drag before the class library's key handling
      // (and the form's key preview) sees it.
      if (FDragMode != 0) {
        if (Message.WParam == VK_ESCAPE) CancelDrags();
        Message.Result = 0;
        return;
      }
      break;
    default:
      break;
  }
  TCustomGrid::WndProc(Message);
}
