// TPlainCheckListBox: rows, painting, marks, mouse, keys, wheel and the
// shared repeat timer of the arrow strips.
#include "ui/look/TPlainCheckListBoxUnit.h"

#include "platform/gui/graphics_drawtext.h"
#include "platform/gui/system_metrics.h"
#include "platform/gui/winapi.h"
#include "platform/rtl/classreg.h"
#include "platform/rtl/sysutils.h"

RTL_IMPLEMENT_CLASS(TPlainCheckListBox, TCustomControl, &ComponentFactory<TPlainCheckListBox>)

RTL_MESSAGE_MAP(TPlainCheckListBox) {
  M.On(WM_SIZE, &TPlainCheckListBox::WMSize);
  M.On(WM_MOVE, &TPlainCheckListBox::WMMove);
  M.On(CN_KEYDOWN, &TPlainCheckListBox::CNKeyDown);
  M.On(WM_MOUSEWHEEL, &TPlainCheckListBox::WMMouseWheel);
  M.On(WM_SETFOCUS, &TPlainCheckListBox::WMSetFocus);
  M.On(WM_KILLFOCUS, &TPlainCheckListBox::WMKillFocus);
  M.On(CM_ENABLEDCHANGED, &TPlainCheckListBox::CMEnabledChanged);
  M.On(CM_SYSCOLORCHANGE, &TPlainCheckListBox::CMColorChanges);
  M.On(CM_PARENTCOLORCHANGED, &TPlainCheckListBox::CMColorChanges);
}

namespace {

constexpr Integer MaxItems = 256;
constexpr Integer StripHeight = 11;
constexpr UINT SlowRepeat = 600, FastRepeat = 100;
// Rows one wheel notch scrolls: the desktop's setting, 0 for a page.
Integer WheelScrollLines() {
  UINT Lines = 3;
  SystemParametersInfo(SPI_GETWHEELSCROLLLINES, 0, &Lines, 0);
  return Integer(std::min<UINT>(Lines, 0x7FFF));
}

// The timer shared by every list: which list it scrolls, which way.
struct TRepeatTimer {
  std::uintptr_t Id = 0;
  UINT Interval = SlowRepeat;
  TPlainCheckListBox* Box = nullptr;
  bool Down = false;
  void Start(UINT Ms) {
    Stop();
    Interval = Ms;
    Id = SetTimer(nullptr, 0, Ms, [](HWND, UINT, std::uintptr_t, DWORD) { TPlainCheckListBox::RepeatTimerTick(); });
  }
  void Stop() {
    if (Id) KillTimer(nullptr, Id);
    Id = 0;
  }
};

TRepeatTimer& Repeat() {
  static TRepeatTimer T;
  return T;
}

enum : Integer { ciArrow, ciBorder, ciItemsRect, ciItemsSelect, ciCheck };

}  // namespace

TPlainCheckListBox::TPlainCheckListBox(TComponent* AOwner)
    : TCustomControl(AOwner), FItems(std::make_unique<TStringList>()) {
  SetControlStyle(ControlStyle() + TControlStyle{csOpaque});
  SetBounds(Left(), Top(), 137, 99);
  FItems->OnChange = [this](TObject* Sender) { ItemsChanged(Sender); };
  SetColor(TColor(0xE1EAEB));
  SetParentColor(true);
  SetParentFont(true);
  SetTabStop(true);
  RecomputeRows();
}

TPlainCheckListBox::~TPlainCheckListBox() {
  FItems->OnChange = nullptr;
  Repeat().Stop();
  Repeat().Box = nullptr;
}

// ---- Rows ---------------------------------------------------------------------------------

Integer TPlainCheckListBox::RowsHeight(Integer Rows) const {
  return (FItemHeight + 2) * Rows + (FScrollBars ? 24 : 4);
}

void TPlainCheckListBox::RecomputeRows() {
  FItemRects.clear();
  FVisibleCount = std::max(0, (Height() - (FScrollBars ? 24 : 4)) / (FItemHeight + 2));
  TRect C = ClientRect();
  Integer Y = C.Top + (FScrollBars ? 13 : 3);
  for (Integer I = 0; I < FVisibleCount; ++I, Y += FItemHeight + 2)
    FItemRects.push_back(Rect(C.Left + 3, Y, C.Right - 3, Y + FItemHeight));
}

bool TPlainCheckListBox::CanScrollDown(Integer Step) const {
  return FItems->Count() >= FTopIndex + FVisibleCount + Step;
}

void TPlainCheckListBox::Loaded() {
  TCustomControl::Loaded();
  RecomputeRows();
}

void TPlainCheckListBox::WMSize(TMessage& M) {
  Inherited(TPlainCheckListBox::StaticClass(), M);
  FVisibleCount = std::max(0, (Height() - (FScrollBars ? 24 : 4)) / (FItemHeight + 2));
  if (Height() != RowsHeight(FVisibleCount)) SetHeight(RowsHeight(FVisibleCount));
  RecomputeRows();
  if (FTransparentMode != tmNone) Invalidate();
}

void TPlainCheckListBox::WMMove(TMessage& M) {
  Inherited(TPlainCheckListBox::StaticClass(), M);
  if (FTransparentMode != tmNone) Invalidate();
}

// ---- Properties -----------------------------------------------------------------------------

void TPlainCheckListBox::SetItems(TStrings* Value) {
  if (!Value || Value->Count() > MaxItems) return;
  for (Integer I = 0; I < Value->Count(); ++I) Value->Put(I, Trim(Value->Get(I)));
  FItems->Assign(Value);
}

void TPlainCheckListBox::ItemsChanged(TObject*) {
  if (!Enabled()) return;
  FCheckedSet.reset();
  Invalidate();
}

void TPlainCheckListBox::SetItemHeight(Integer Value) {
  FItemHeight = std::max(1, Value);
  if (!ComponentState().Contains(csLoading)) SetHeight(RowsHeight(FVisibleCount));
  RecomputeRows();
  Invalidate();
}

void TPlainCheckListBox::SetScrollBars(bool Value) {
  if (Value == FScrollBars) return;
  FScrollBars = Value;
  if (!ComponentState().Contains(csLoading)) SetHeight(Height() + (Value ? 20 : -20));
  RecomputeRows();
  Invalidate();
}

void TPlainCheckListBox::SetColors(Integer Index, TColor Value) {
  FColors[Index] = Value;
  Invalidate();
}

void TPlainCheckListBox::CalcAdvancedColors() {
  if (FUseDerivedColors) FColors[ciBorder] = ShadeColor(Color(), FColors[ciBorder], FDerivedColorBorder, true);
}

void TPlainCheckListBox::SetDerivedColorBorder(TDerivedColors Value) {
  FDerivedColorBorder = Value;
  CalcAdvancedColors();
  Invalidate();
}

void TPlainCheckListBox::SetUseDerivedColors(bool Value) {
  FUseDerivedColors = Value;
  SetParentColor(Value);
  CalcAdvancedColors();
  Invalidate();
}

void TPlainCheckListBox::CMColorChanges(TMessage& M) {
  Inherited(TPlainCheckListBox::StaticClass(), M);
  FollowColorChange(*this, FUseDerivedColors, [this] { CalcAdvancedColors(); });
}

void TPlainCheckListBox::SetSorted(bool Value) {
  FItems->SetSorted(Value);
  FCheckedSet.reset();
  Invalidate();
}

void TPlainCheckListBox::SetTransparentMode(TPlainTransparentMode Value) {
  FTransparentMode = Value;
  Invalidate();
}

void TPlainCheckListBox::SetBiDiMode(TBiDiMode V) {
  TCustomControl::SetBiDiMode(V);
  Invalidate();
}

bool TPlainCheckListBox::GetChecked(Integer Index) const {
  return Index >= 0 && Index < MaxItems && FCheckedSet.test(size_t(Index));
}

void TPlainCheckListBox::SetChecked(Integer Index, bool Value) {
  if (Index < 0 || Index >= MaxItems) return;
  FCheckedSet.set(size_t(Index), Value);
  Invalidate();
}

void TPlainCheckListBox::SetItemIndex(Integer Value) {
  if (Value == FItemIndex) return;
  FItemIndex = Value;
  Invalidate();
}

// ---- Painting ---------------------------------------------------------------------------------

void TPlainCheckListBox::DrawRowCheck(TCanvas& C, Integer X, Integer Y, bool Marked) {
  TRect Box = UseRightToLeftAlignment() ? Rect(X - 14, Y + 3, X - 3, Y + 14) : Rect(X + 3, Y + 3, X + 14, Y + 14);
  C.Brush()->SetStyle(bsSolid);
  C.Brush()->SetColor(FColors[ciItemsRect]);
  C.FillRect(Box);
  if (Marked) {
    const Integer L = Box.Left, T = Box.Top;
    const Integer Lines[6][4] = {{2, 4, 6, 8}, {2, 5, 5, 8}, {2, 6, 5, 9}, {8, 2, 4, 6}, {8, 3, 4, 7}, {8, 4, 5, 7}};
    C.Pen()->SetColor(FColors[ciCheck]);
    C.Pen()->SetWidth(1);
    for (const auto& Ln : Lines) {
      C.MoveTo(L + Ln[0], T + Ln[1]);
      C.LineTo(L + Ln[2], T + Ln[3]);
    }
  }
  C.Brush()->SetColor(FColors[ciBorder]);
  C.FrameRect(Box);
}

void TPlainCheckListBox::DrawArrow(TCanvas& C, const TRect& Strip, bool Up, bool Enabled) {
  const Integer L = (Strip.Left + Strip.Right) / 2 - 6, T = Strip.Top;
  auto Triangle = [&](Integer DY) {
    return Up ? std::vector<TPoint>{Point(L + 2, T + 7 + DY), Point(L + 10, T + 7 + DY), Point(L + 6, T + 3 + DY)}
              : std::vector<TPoint>{Point(L + 2, T + 3 + DY), Point(L + 10, T + 3 + DY), Point(L + 6, T + 7 + DY)};
  };
  C.Brush()->SetStyle(bsSolid);
  if (Enabled) {
    C.Pen()->SetColor(FColors[ciArrow]);
    C.Brush()->SetColor(FColors[ciArrow]);
    C.Polygon(Triangle(0));
    return;
  }
  C.Pen()->SetColor(clWhite);
  C.Brush()->SetColor(clWhite);
  C.Polygon(Triangle(1));
  C.Pen()->SetColor(TColor(0x808080));
  C.Brush()->SetColor(TColor(0x808080));
  C.Polygon(Triangle(0));
}

void TPlainCheckListBox::Paint() {
  TRect Client = ClientRect();
  TBitmap Buffer;
  Buffer.SetSize(Client.Width(), Client.Height());
  TCanvas& C = *Buffer.Canvas();
  C.SetFont(Font());
  bool ParentImage = FTransparentMode == tmAlways || (FTransparentMode == tmNotFocused && !Focused());
  if (ParentImage) {
    DrawParentImage(this, C);
  } else {
    C.Brush()->SetColor(FColors[ciItemsRect]);
    C.FillRect(Client);
  }
  C.Brush()->SetColor(FColors[ciBorder]);
  C.FrameRect(Client);
  if (FScrollBars) {
    TRect Top = Rect(Client.Left, Client.Top, Client.Right, Client.Top + StripHeight);
    TRect Bottom = Rect(Client.Left, Client.Bottom - StripHeight, Client.Right, Client.Bottom);
    for (const TRect& S : {Top, Bottom}) {
      C.Brush()->SetColor(Color());
      C.FillRect(S);
      C.Brush()->SetColor(FColors[ciBorder]);
      C.FrameRect(S);
    }
    DrawArrow(C, Top, true, FTopIndex > 0 && Enabled());
    DrawArrow(C, Bottom, false, CanScrollDown() && Enabled());
  }
  const bool Rtl = UseRightToLeftAlignment();
  for (Integer I = 0; I < Integer(FItemRects.size()) && FTopIndex + I < FItems->Count(); ++I) {
    const TRect& Row = FItemRects[size_t(I)];
    const Integer Index = FTopIndex + I;
    if (Index == FItemIndex) {
      C.Brush()->SetColor(FColors[ciItemsSelect]);
      C.FillRect(Row);
      C.Brush()->SetColor(FColors[ciBorder]);
      C.FrameRect(Row);
    }
    DrawRowCheck(C, Rtl ? Row.Right : Row.Left, Row.Top, GetChecked(Index));
    TRect Text = Rect(Row.Left + 19, Row.Top, Row.Right - 19, Row.Bottom);
    Cardinal Flags = DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | (Rtl ? DT_RIGHT : 0);
    C.Brush()->SetStyle(bsClear);
    if (!Enabled()) {
      TRect Raised = Text;
      OffsetRect(Raised, 1, 1);
      C.Font()->SetColor(clBtnHighlight);
      DrawText(C, FItems->Get(Index), Raised, Flags);
      C.Font()->SetColor(clBtnShadow);
    }
    DrawText(C, FItems->Get(Index), Text, Flags);
    C.Font()->SetColor(Font()->Color());
  }
  Canvas()->CopyRect(Client, C, Client);
}

// ---- Mouse and the repeat timer ----------------------------------------------------------------

void TPlainCheckListBox::StartRepeat(bool Down) {
  TRepeatTimer& T = Repeat();
  T.Box = this;
  T.Down = Down;
  T.Start(SlowRepeat);
}

TPlainCheckListBox* TPlainCheckListBox::RepeatingBox() { return Repeat().Id ? Repeat().Box : nullptr; }

void TPlainCheckListBox::RepeatTimerTick() {
  TRepeatTimer& T = Repeat();
  TPlainCheckListBox* Box = T.Box;
  if (!Box) return T.Stop();
  if (T.Interval != FastRepeat) T.Start(FastRepeat);
  if (T.Down ? !Box->CanScrollDown() : Box->FTopIndex == 0) return T.Stop();
  Box->FTopIndex += T.Down ? 1 : -1;
  Box->Invalidate();
}

void TPlainCheckListBox::MouseDown(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) {
  if (Button == mbLeft && FItems->Count() > 0) {
    const TPoint P = Point(X, Y);
    for (Integer I = 0; I < Integer(FItemRects.size()) && FTopIndex + I < FItems->Count(); ++I) {
      const TRect& Row = FItemRects[size_t(I)];
      if (!PtInRect(Row, P)) continue;
      const Integer Index = FTopIndex + I;
      TRect Box = UseRightToLeftAlignment() ? Rect(Row.Right - 14, Row.Top + 3, Row.Right - 3, Row.Top + 14)
                                            : Rect(Row.Left + 3, Row.Top + 3, Row.Left + 14, Row.Top + 14);
      bool InBox = PtInRect(Box, P);
      if (InBox) SetChecked(Index, !GetChecked(Index));
      if (CanFocus()) SetFocus();
      FItemIndex = Index;
      if (InBox) FireEvent(OnClickCheck, this);
      Invalidate();
      return;
    }
    if (FScrollBars && Y < StripHeight) {
      FTopIndex = std::max(0, FTopIndex - 1);
      if (CanFocus()) SetFocus();
      Invalidate();
      StartRepeat(false);
    } else if (FScrollBars && Y >= Height() - StripHeight) {
      if (CanScrollDown()) ++FTopIndex;
      if (CanFocus()) SetFocus();
      Invalidate();
      StartRepeat(true);
    }
  }
  TCustomControl::MouseDown(Button, Shift, X, Y);
}

void TPlainCheckListBox::MouseUp(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) {
  Repeat().Stop();
  Repeat().Interval = SlowRepeat;
  TCustomControl::MouseUp(Button, Shift, X, Y);
}

// ---- Keys, wheel and focus -------------------------------------------------------------------------

void TPlainCheckListBox::CNKeyDown(TMessage& M) {
  const Integer Count = FItems->Count();
  switch (M.WParam) {
    case VK_SPACE:
      SetChecked(FItemIndex, !GetChecked(FItemIndex));
      break;
    case VK_PRIOR:
      FTopIndex = std::max(0, FTopIndex - FVisibleCount);
      break;
    case VK_NEXT:
      FTopIndex = Count < FTopIndex + 2 * FVisibleCount ? std::max(0, Count - FVisibleCount) : FTopIndex + FVisibleCount;
      break;
    case VK_UP:
      FTopIndex = std::max(0, FTopIndex - 1);
      break;
    case VK_DOWN:
      if (CanScrollDown()) ++FTopIndex;
      break;
    default:
      Inherited(TPlainCheckListBox::StaticClass(), M);
  }
  Invalidate();
}

void TPlainCheckListBox::WndProc(TMessage& M) {
  // Older wheel drivers send their registered message instead.
  if (FWheelMessage && M.Msg == FWheelMessage) M.Msg = WM_MOUSEWHEEL;
  TCustomControl::WndProc(M);
}

void TPlainCheckListBox::WMMouseWheel(TMessage& M) {
  if (ComponentState().Contains(csDesigning)) return;
  const Integer Lines = WheelScrollLines();
  const Integer Step = Lines ? Lines : FVisibleCount;
  const Integer Delta = Integer(short(HIWORD(std::uintptr_t(M.WParam))));
  if (Delta == -120)
    FTopIndex = CanScrollDown(Step) ? FTopIndex + Step : std::max(0, FItems->Count() - FVisibleCount);
  else if (Delta == 120)
    FTopIndex = std::max(0, FTopIndex - Step);
  Invalidate();
  M.Result = 1;
}

void TPlainCheckListBox::WMSetFocus(TMessage& M) {
  Inherited(TPlainCheckListBox::StaticClass(), M);
  if (FTransparentMode != tmNone) Invalidate();
}

void TPlainCheckListBox::WMKillFocus(TMessage& M) {
  Inherited(TPlainCheckListBox::StaticClass(), M);
  FItemIndex = -1;
  Invalidate();
}

void TPlainCheckListBox::CMEnabledChanged(TMessage& M) {
  Inherited(TPlainCheckListBox::StaticClass(), M);
  Invalidate();
}

// ---- Published ----------------------------------------------------------------------------------------

template <Integer I>
static void PublishListColor(TPublisher<TPlainCheckListBox>& P, const char* Name, TColor Default) {
  P.Prop(Name, [](TPlainCheckListBox* B) { return B->GetColor(I); },
         [](TPlainCheckListBox* B, TColor V) { B->SetColors(I, V); })
      .TypeName("TColor")
      .Default(Default);
}

RTL_PUBLISHED(TPlainCheckListBox) {
  using T = TPlainCheckListBox;
  P.Prop("Items", &T::Items, [](T* B, TStringList* V) { B->SetItems(V); });
  P.Prop("ItemHeight", &T::ItemHeight, &T::SetItemHeight).Default(17);
  P.Prop("ScrollBars", &T::ScrollBars, &T::SetScrollBars).Default(false);
  PublishListColor<0>(P, "ColorArrow", clBlack);
  PublishListColor<1>(P, "ColorBorder", TColor(0x8396A0));
  PublishListColor<2>(P, "ColorItemsRect", clWhite);
  PublishListColor<3>(P, "ColorItemsSelect", TColor(0x9CDEF7));
  PublishListColor<4>(P, "ColorCheck", clBlack);
  P.Prop("DerivedColorBorder", &T::DerivedColorBorder, &T::SetDerivedColorBorder).Default(40);
  P.Prop("UseDerivedColors", &T::UseDerivedColors, &T::SetUseDerivedColors).Default(false);
  P.Prop("Sorted", &T::Sorted, &T::SetSorted).Default(false);
  P.Prop("TransparentMode", &T::TransparentMode, &T::SetTransparentMode).Default(tmNone);
  P.Field("OnClickCheck", &T::OnClickCheck);
}

[[maybe_unused]] static const bool PlainCheckListBoxRegistered =
    (RegisterClass(TPlainCheckListBox::StaticClass()), true);
