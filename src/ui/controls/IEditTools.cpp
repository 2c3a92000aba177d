// IEditTools: drop-marker arrows, dates, numbers, screen fitting, rubber
// frame and font metrics.
#include "ui/controls/IEditTools.h"

#include <climits>

#include "platform/gui/forms.h"
#include "platform/rtl/format.h"
#include "platform/rtl/formatsettings.h"

RTL_IMPLEMENT_CLASS(TArrowWindow, TPanel, &ComponentFactory<TArrowWindow>)

// ---- TArrowWindow ----------------------------------------------------------------------

TArrowWindow::TArrowWindow(TComponent* AOwner, Byte AKind) : TPanel(AOwner), FArrowKind(AKind & 3) {
  FVisible = false;
  FParentColor = false;
  SetBevelOuter(bvNone);
  SetColor(ColorValue(255));
  TSize S = ArrowSize(FArrowKind);
  SetBounds(0, 0, S.cx, S.cy);
}

std::array<TPoint, 7> TArrowWindow::RegionPoints(Byte Kind) {
  static const std::array<TPoint, 7> Points[4] = {
      {{{5, 0}, {10, 5}, {7, 5}, {7, 9}, {3, 9}, {3, 5}, {0, 5}}},
      {{{3, 0}, {7, 0}, {7, 4}, {9, 4}, {5, 8}, {1, 4}, {3, 4}}},
      {{{0, 3}, {0, 7}, {4, 7}, {4, 10}, {8, 5}, {4, 0}, {4, 3}}},
      {{{0, 5}, {4, 10}, {4, 7}, {8, 7}, {8, 3}, {4, 3}, {4, 0}}},
  };
  return Points[Kind & 3];
}

TSize TArrowWindow::ArrowSize(Byte Kind) {
  TSize S;
  for (TPoint P : RegionPoints(Kind)) {
    S.cx = std::max(S.cx, P.X + 1);
    S.cy = std::max(S.cy, P.Y + 1);
  }
  return S;
}

void TArrowWindow::CreateParams(TCreateParams& Params) {
  TPanel::CreateParams(Params);
  Params.Style = WS_POPUP;
  Params.ExStyle = WS_EX_TOOLWINDOW | WS_EX_TOPMOST | WS_EX_NOACTIVATE;
  Params.WndParent = nullptr;
}

void TArrowWindow::CreateWnd() {
  TPanel::CreateWnd();
  auto P = RegionPoints(FArrowKind);
  TRegion Rgn = CreatePolygonRgn(std::vector<TPoint>(P.begin(), P.end()), WINDING);
  SetWindowRgn(Handle(), &Rgn, false);
}

void TArrowWindow::Paint() {
  Canvas()->Brush()->SetColor(Color());
  Canvas()->FillRect(ClientRect());
}

void CreateArrows(TArrowWindows& Arrows, TComponent* Owner) {
  for (Integer i = 0; i < 4; ++i)
    if (!Arrows[i]) Arrows[i] = new TArrowWindow(Owner, Byte(i));
}

void HideDropMarker(TArrowWindows& Arrows) {
  for (TArrowWindow* A : Arrows)
    if (A) A->SetVisible(false);
}

namespace {
void PlaceArrow(TArrowWindow* A, Integer X, Integer Y, bool Show) {
  if (!A) return;
  if (!Show) {
    A->SetVisible(false);
    return;
  }
  A->SetBounds(X, Y, A->Width(), A->Height());
  if (!A->Visible()) {
    A->SetVisible(true);
    if (A->HandleAllocated()) SetWindowPos(A->Handle(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  }
}
}  // namespace

void ShowDropMarker(Integer Orientation, Integer SourceIndex, Integer TargetIndex, const TRect& TargetCell,
                    TArrowWindows& Arrows, bool ForceRight, TDragImageList* DragImage) {
  bool Show = TargetIndex >= 0 && TargetIndex != SourceIndex;
  // The marker reaches 8 pixels (and an arrow's size) beyond the cell.
  TRect Marker = TargetCell;
  InflateRect(Marker, 12, 12);
  bool HideImage = false;
  if (DragImage && DragImage->Dragging() && DragImage->DragWindow()) {
    TRect Image = GetWindowRect(DragImage->DragWindow()), Common;
    HideImage = IntersectRect(Common, Image, Marker);
  }
  if (HideImage) DragImage->HideDragImage();
  if (Orientation == 1) {
    // A horizontal marker through the middle of the cell, 8 pixels beyond it.
    Integer Mid = (TargetCell.Top + TargetCell.Bottom) / 2;
    Integer From = TargetCell.Left - 8, To = TargetCell.Right + 8;
    TArrowWindow* Right = Arrows[2];
    TArrowWindow* Left = Arrows[3];
    PlaceArrow(Right, From, Mid - (Right ? Right->Height() / 2 : 0), Show);
    PlaceArrow(Left, To - 10, Mid - (Left ? Left->Height() / 2 : 0), Show);
    PlaceArrow(Arrows[0], 0, 0, false);
    PlaceArrow(Arrows[1], 0, 0, false);
  } else if (Orientation == 2) {
    // A vertical marker at the edge the column will land against.
    bool AtRight = ForceRight || (TargetIndex > SourceIndex && TargetIndex >= 1);
    Integer X = AtRight ? TargetCell.Right : TargetCell.Left;
    Integer From = TargetCell.Top - 8, To = TargetCell.Bottom + 8;
    TArrowWindow* Down = Arrows[1];
    TArrowWindow* Up = Arrows[0];
    PlaceArrow(Down, X - (Down ? Down->Width() / 2 : 0), From, Show);
    PlaceArrow(Up, X - (Up ? Up->Width() / 2 : 0), To - 10, Show);
    PlaceArrow(Arrows[2], 0, 0, false);
    PlaceArrow(Arrows[3], 0, 0, false);
  } else {
    HideDropMarker(Arrows);
  }
  if (HideImage) DragImage->ShowDragImage();
}

// ---- Dates ---------------------------------------------------------------------------

bool IsLeapYear(Integer Year) { return (Year % 4 == 0 && Year % 100 != 0) || Year % 400 == 0; }

Integer DaysInMonth(Integer Year, Integer Month) {
  static const Integer Days[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (Month < 1 || Month > 12) return 0;
  return Month == 2 && IsLeapYear(Year) ? 29 : Days[Month - 1];
}

bool ParseDateParts(const String& Text, TDateParts& Parts) {
  Integer* Slots[6] = {&Parts.Day, &Parts.Month, &Parts.Year, &Parts.Hour, &Parts.Minute, &Parts.Second};
  Parts = TDateParts{};
  Integer Count = 0;
  size_t i = 0, n = Text.size();
  while (i < n) {
    if (Text[i] < '0' || Text[i] > '9') {
      ++i;
      continue;
    }
    long long V = 0;
    for (; i < n && Text[i] >= '0' && Text[i] <= '9'; ++i) {
      V = V * 10 + (Text[i] - '0');
      if (V > INT_MAX / 16) return false;  // no date part is that long
    }
    // A seventh number only counts when a separator follows it.
    if (Count == 6) {
      if (i < n) return false;
      continue;
    }
    *Slots[Count++] = Integer(V);
  }
  return Count >= 3;
}

bool ReformatDate(const String& Text, String& Result, Integer Mode) {
  TDateParts P;
  if (!ParseDateParts(Text, P)) return false;
  if (P.Month < 1 || P.Month > 12 || P.Day == 0 || P.Day > DaysInMonth(P.Year, P.Month)) return false;
  Integer Year = P.Year;
  if (Year < 50) Year += 2000;
  else if (Year < 100) Year += 1900;
  else if (Year < 1000) Year += 2000;
  String Sep(1, DateSeparator), TimeSep(1, TimeSeparator);
  if (Mode == 1)
    Result = Format("%1:2.2d%0:s%2:2.2d%0:s%3:d %5:2.2d%4:s%6:2.2d%4:s%7:2.2d",
                    {Sep, P.Day, P.Month, Year, TimeSep, P.Hour, P.Minute, P.Second});
  else
    Result = Format("%1:2.2d%0:s%2:2.2d%0:s%3:d", {Sep, P.Day, P.Month, Year});
  return true;
}

// ---- Numbers -------------------------------------------------------------------------

Integer NumberKind(const String& Text, Integer& Digits, Integer& Decimals) {
  Digits = Integer(Text.size());
  Decimals = 0;
  size_t i = 0, n = Text.size();
  auto ReadDigits = [&]() {
    size_t Start = i;
    while (i < n && Text[i] >= '0' && Text[i] <= '9') ++i;
    return Integer(i - Start);
  };
  if (i < n && (Text[i] == '+' || Text[i] == '-')) ++i;
  Integer IntDigits = ReadDigits();
  bool HasPoint = false;
  if (i < n && Text[i] == DecimalSeparator) {
    HasPoint = true;
    ++i;
    Decimals = ReadDigits();
  }
  if (IntDigits + Decimals == 0) return 0;
  if (i == n) {
    if (!HasPoint) return 1;
    return Decimals <= CurrencyDecimals ? 4 : 2;
  }
  if (Text[i] != 'E' && Text[i] != 'e') return 0;
  ++i;
  bool Negative = false;
  if (i < n && (Text[i] == '+' || Text[i] == '-')) Negative = Text[i++] == '-';
  size_t ExpStart = i;
  if (ReadDigits() == 0 || i != n) return 0;
  Integer Exponent = 0;
  for (size_t k = ExpStart; k < n && Exponent < 100000; ++k) Exponent = Exponent * 10 + (Text[k] - '0');
  Decimals = std::max(0, Negative ? Decimals + Exponent : Decimals - Exponent);
  return 3;
}

bool IsInteger(const String& Text) {
  Integer D, Dec;
  return NumberKind(Text, D, Dec) == 1;
}

bool IsNumber(const String& Text) {
  Integer D, Dec;
  return NumberKind(Text, D, Dec) != 0;
}

bool IsNumberWithDecimals(const String& Text, Integer MostDecimals) {
  Integer D, Dec;
  switch (NumberKind(Text, D, Dec)) {
    case 1:
    case 4: return true;
    case 2: return MostDecimals == -1 || Dec <= MostDecimals;
    default: return false;
  }
}

// ---- Screen --------------------------------------------------------------------------

void DrawRubberFrame(TCanvas* DC, const TRect* OldRect, const TRect* NewRect, Integer Width) {
  if (!DC) return;
  auto Frame = [Width](const TRect* R) {
    if (!R) return TRegion();
    TRect Inner = *R;
    InflateRect(Inner, -Width, -Width);
    return TRegion(*R).Subtract(TRegion(Inner));
  };
  TRegion Both = Frame(OldRect).Xor(Frame(NewRect));
  DC->Brush()->SetStyle(bsSolid);
  DC->Brush()->SetColor(ColorValue(0x999999));
  for (const TRect& R : Both.Rects()) DC->PatBlt(R, PATINVERT);
}

Integer FitToScreen(TPoint& P, Integer W, Integer H, TPoint Flip) {
  TRect V = Screen->DesktopRect();
  Integer Result = 0;
  if (P.Y < V.Top) P.Y = V.Top;
  if (V.Top + V.Height() < P.Y + H) {
    P.Y = V.Top + V.Height() - H - Flip.Y;
    Result = 1;
  }
  if (P.X < V.Left) P.X = V.Left;
  if (V.Left + V.Width() < P.X + W) {
    P.X = V.Left + V.Width() - W - Flip.X;
    Result += 2;
  }
  return Result;
}

namespace {
bool CapturingIn(TComponent* C) {
  for (int i = 0; i < C->ComponentCount(); ++i) {
    TComponent* Child = C->Components(i);
    if (auto* Ctl = dynamic_cast<TControl*>(Child); Ctl && Ctl->MouseCapture()) return true;
    if (CapturingIn(Child)) return true;
  }
  return false;
}
}  // namespace

bool AnyControlCapturing() { return CapturingIn(Application); }

// ---- Fonts ---------------------------------------------------------------------------

namespace {
TCanvas* MeasureCanvas(TFont* Font) {
  TBitmap* B = EditToolsWorkBitmap();
  if (B->Empty()) B->SetSize(1, 1);
  if (Font) B->Canvas()->SetFont(Font);
  return B->Canvas();
}
}  // namespace

TSize FontCharExtent(TFont* Font) {
  TTextMetric M = MeasureCanvas(Font)->GetTextMetrics();
  return {M.tmMaxCharWidth, M.tmHeight};
}

Integer TextHeight(const String& Text, TFont* Font) { return MeasureCanvas(Font)->TextHeight(Text); }

Integer TextHeight(const String& Text, TCanvas* Canvas) { return Canvas->TextHeight(Text); }
