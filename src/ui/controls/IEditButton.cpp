// IEditButton: the button, its tracking and its list.
#include "ui/controls/IEditButton.h"

#include "platform/gui/forms.h"
#include "platform/gui/reader.h"
#include "platform/rtl/byteorder.h"
#include "platform/rtl/charset.h"
#include "platform/rtl/format.h"
#include "platform/rtl/formatsettings.h"
#include "platform/rtl/lists.h"
#include "platform/rtl/sysutils.h"
#include "ui/controls/IEditTools.h"

RTL_IMPLEMENT_CLASS(TI_EditButton, TPersistent, nullptr)
RTL_IMPLEMENT_CLASS(TI_EditButtons, TPersistent, nullptr)

void InitializeEditButtonUnit() {
  ShortDateFormat = Format("dd%0:smm%0:syyyy", {String(1, DateSeparator)});
}

TBitmap* EditButtonBuffer() {
  static TBitmap Buffer;
  return &Buffer;
}

TBitmap* EditButtonGlyphBuffer() {
  static TBitmap Buffer;
  return &Buffer;
}

// ---- TI_EditButton ---------------------------------------------------------------------

TI_EditButton::TI_EditButton(TWinControl* AOwner) : FOwner(AOwner), FGlyph(std::make_unique<TBitmap>()) {
  LoadBitmapResource(FGlyph.get(), "I_BTNPOPUP");
}

TI_EditButton::~TI_EditButton() = default;

void TI_EditButton::SetGlyph(TBitmap* V) {
  FGlyph->Assign(V);
  Invalidate();
}

void TI_EditButton::SetEnabled(bool V) {
  if (V == FEnabled) return;
  FEnabled = V;
  if (!V) FState = bsNormal;
  Invalidate();
}

void TI_EditButton::SetDown(bool V) {
  if (V == FDown) return;
  FDown = V;
  Invalidate();
}

void TI_EditButton::SetCaption(const String& V) {
  FCaption = V;
  MeasureCaption();
  Invalidate();
}

void TI_EditButton::SetVisible(bool V) {
  if (V == FVisible) return;
  FVisible = V;
  // An invisible button keeps its width aside and takes no room.
  if (!V) {
    FHiddenWidth = Width;
    Width = 0;
  } else {
    Width = FHiddenWidth;
  }
  if (FOwner && FOwner->HandleAllocated()) RedrawWindow(FOwner->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME);
}

char32_t TI_EditButton::Accelerator() const {
  for (size_t i = 0; i + 1 < FCaption.size(); ++i) {
    if (FCaption[i] != '&') continue;
    if (FCaption[i + 1] == '&') {
      ++i;
      continue;
    }
    std::size_t At = i + 1;
    return AnsiUpperChar(Utf8Decode(FCaption, At));
  }
  return 0;
}

void TI_EditButton::MeasureCaption() {
  // The caption font is the owner's: without an owner there is nothing to measure.
  if (!FOwner) {
    FCaptionExtent = TSize{};
    return;
  }
  TBitmap* B = EditButtonBuffer();
  if (B->Empty()) B->SetSize(1, 1);
  B->Canvas()->SetFont(FOwner->Font());
  FCaptionExtent = FCaption.empty() ? TSize{} : B->Canvas()->TextExtent(FCaption);
}

void TI_EditButton::PrepareCanvas(TCanvas* Canvas) {
  Canvas->Brush()->SetStyle(bsSolid);
  Canvas->Brush()->SetColor(Color);
  if (FOwner) Canvas->SetFont(FOwner->Font());
  if (ButtonStyle == 5 && FState == bsDown) {
    TCustomForm* F = FOwner ? GetParentForm(FOwner) : nullptr;
    bool Active = F && F->ActiveControl() == FOwner;
    Canvas->Brush()->SetColor(Active ? clHighlight : clBtnFace);
    if (Active) Canvas->Font()->SetColor(clHighlightText);
  }
}

TPoint TI_EditButton::GlyphOffset() {
  bool Shift = (FState == bsDown || FDown) && ButtonStyle != 3 && ButtonStyle != 5 && ButtonStyle != 6;
  return Shift ? TPoint{1, 1} : TPoint{0, 0};
}

TPoint TI_EditButton::CaptionOffset() {
  bool Shift = (FState == bsDown || FDown) && ButtonStyle != 3 && ButtonStyle != 5 && ButtonStyle != 6 &&
               (ButtonStyle != 4 || ButtonKind == 1);
  return Shift ? TPoint{1, 1} : TPoint{0, 0};
}

void TI_EditButton::PaintBackground(TCanvas* Canvas, const TRect& R) {
  bool Pressed = FState == bsDown || FDown;
  if (Transparent && FList && FList->Background() && !FList->Background()->Empty()) {
    Canvas->CopyRect(R, *FList->Background()->Canvas(), BoundsRect());
  } else if (Gradient) {
    GradientFill(Canvas, clWhite, Color, gdVertical, R, 20);
  } else {
    Canvas->FillRect(R);
  }
  // A dotted face for flat styles when pressed or hot, and for disabled
  // buttons drawn grey.
  bool Dotted = ((ButtonStyle == 2 || ButtonStyle == 4) && (Pressed || FState == bsHot)) ||
                (!FEnabled && DisabledDrawing == 1 && ButtonStyle != 0);
  if (Dotted) {
    TColor Dot = ColorToRGB(Color) == ColorToRGB(clBtnFace) ? ColorValue(0xE6E6E6) : clWhite;
    for (Integer Y = R.Top; Y < R.Bottom; ++Y)
      for (Integer X = R.Left + ((Y - R.Top) & 1); X < R.Right; X += 2) Canvas->SetPixel(X, Y, Dot);
  }
  PaintFrame(Canvas, R);
  DrawGlyph(Canvas, R);
  DrawCaption(Canvas, R);
}

void TI_EditButton::PaintFrame(TCanvas* Canvas, const TRect& R) {
  bool Pressed = FState == bsDown || FDown;
  TRect F = R;
  switch (ButtonStyle) {
    case 0: DrawEdge(*Canvas, F, Pressed ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT); break;
    case 2: DrawButtonFrame(Canvas, R, 2, clBtnShadow, Pressed); break;
    case 5:
      Canvas->Brush()->SetColor(clWindowFrame);
      Canvas->FrameRect(F);
      InflateRect(F, -1, -1);
      DrawEdge(*Canvas, F, Pressed ? BDR_SUNKENOUTER : BDR_RAISEDINNER, BF_RECT);
      if (Pressed) {
        InflateRect(F, -2, -2);
        Canvas->DrawFocusRect(F);
      }
      break;
    default:
      // Flat styles: a thin edge only when hot or down.
      if (Pressed) DrawEdge(*Canvas, F, BDR_SUNKENOUTER, BF_RECT);
      else if (FState == bsHot) DrawEdge(*Canvas, F, BDR_RAISEDINNER, BF_RECT);
      break;
  }
}

TBitmap* TI_EditButton::CurrentGlyph(TBitmap& Scratch) {
  if (Images && ImageIndex >= 0 && ImageIndex < Images->Count() && FGlyph->Empty()) {
    Images->GetBitmap(ImageIndex, &Scratch);
    return &Scratch;
  }
  return FGlyph->Empty() ? nullptr : FGlyph.get();
}

namespace {
// Draws B at R's corner leaving out its white pixels.
void DrawWhiteKeyed(TCanvas* Canvas, TBitmap* B, const TRect& R) {
  const TPixelSurface& S = B->PixelSurface();
  Canvas->TransparentBltSurface(Bounds(R.Left, R.Top, S.Width, S.Height), S, Rect(0, 0, S.Width, S.Height), 0xFFFFFF);
}

// Where glyph and caption go for a layout: glyph rectangle and caption origin.
void LayoutFace(const TRect& R, TSize G, TSize C, Byte Layout, TRect& GlyphR, TPoint& CaptionAt) {
  const Integer Gap = (G.cx && C.cx) ? 2 : 0;
  Integer W = R.Width(), H = R.Height();
  switch (Layout) {
    case 0:
    case 1: {
      Integer Total = G.cx + Gap + C.cx, X = R.Left + (W - Total) / 2;
      Integer GX = Layout == 0 ? X : X + C.cx + Gap, CX = Layout == 0 ? X + G.cx + Gap : X;
      GlyphR = Bounds(GX, R.Top + (H - G.cy) / 2, G.cx, G.cy);
      CaptionAt = {CX, R.Top + (H - C.cy) / 2};
      break;
    }
    case 3:
    case 4: {
      Integer Total = G.cy + Gap + C.cy, Y = R.Top + (H - Total) / 2;
      Integer GY = Layout == 3 ? Y : Y + C.cy + Gap, CY = Layout == 3 ? Y + G.cy + Gap : Y;
      GlyphR = Bounds(R.Left + (W - G.cx) / 2, GY, G.cx, G.cy);
      CaptionAt = {R.Left + (W - C.cx) / 2, CY};
      break;
    }
    default:
      GlyphR = Bounds(R.Left + (W - G.cx) / 2, R.Top + (H - G.cy) / 2, G.cx, G.cy);
      CaptionAt = {R.Left + (W - C.cx) / 2, R.Top + (H - C.cy) / 2};
      break;
  }
}
}  // namespace

void TI_EditButton::DrawGlyph(TCanvas* Canvas, const TRect& R) {
  TBitmap Scratch;
  TBitmap* G = CurrentGlyph(Scratch);
  if (!G) return;
  TRect GR;
  TPoint CA;
  TSize Cap = ShowCaption ? FCaptionExtent : TSize{};
  LayoutFace(R, {G->Width(), G->Height()}, Cap, Layout, GR, CA);
  TPoint Off = GlyphOffset();
  OffsetRect(GR, Off.X, Off.Y);
  TBitmap* Work = EditButtonGlyphBuffer();
  TColor Key = clWhite;
  if (FEnabled) {
    if (ButtonStyle == 5 && FState == bsDown) {
      GreyBitmap(G, Work, 5, Key);
      G = Work;
    }
    DrawWhiteKeyed(Canvas, G, GR);
    return;
  }
  switch (DisabledDrawing) {
    case 0: {
      // Embossed: the glyph's shape in highlight one pixel down-right, then in shadow.
      GreyBitmap(G, Work, 0, Key);
      const TPixelSurface& S = Work->PixelSurface();
      for (Integer Pass = 0; Pass < 2; ++Pass) {
        TColor C = Pass == 0 ? clBtnHighlight : clBtnShadow;
        for (Integer Y = 0; Y < S.Height; ++Y)
          for (Integer X = 0; X < S.Width; ++X)
            if (S.Get(X, Y) != 0xFFFFFF) Canvas->SetPixel(GR.Left + X + 1 - Pass, GR.Top + Y + 1 - Pass, C);
      }
      return;
    }
    case 1: GreyBitmap(G, Work, 0, Key); break;
    case 3: FadeBitmap(G, Work, Key, 40); break;
    default: Work->Assign(G); break;
  }
  DrawWhiteKeyed(Canvas, Work, GR);
}

void TI_EditButton::DrawCaption(TCanvas* Canvas, const TRect& R) {
  if (!ShowCaption || FCaption.empty()) return;
  TBitmap Scratch;
  TBitmap* G = CurrentGlyph(Scratch);
  TSize GS = G ? TSize{G->Width(), G->Height()} : TSize{};
  TRect GR;
  TPoint At;
  TSize Ext = FCaptionExtent;
  Ext.cx = std::min(Ext.cx, R.Width());
  LayoutFace(R, GS, Ext, Layout, GR, At);
  TPoint Off = CaptionOffset();
  At.X += Off.X, At.Y += Off.Y;
  Canvas->SetBkMode(TRANSPARENT);
  TRect Clip = R;
  auto Text = [&](TColor C, Integer DX, Integer DY) {
    Canvas->Font()->SetColor(C);
    TRect T = Rect(At.X + DX, At.Y + DY, Clip.Right + DX, Clip.Bottom + DY);
    if (StyledCaption && FEnabled) {
      DrawStyledText(Canvas, FCaption, T, Images, 0, true);
    } else {
      DrawText(*Canvas, FCaption, T, DT_SINGLELINE | DT_END_ELLIPSIS | DT_NOCLIP);
    }
  };
  Canvas->SaveDC();
  Canvas->IntersectClipRect(R.Left, R.Top, R.Right, R.Bottom);
  if (FEnabled) {
    Text(Canvas->Font()->Color(), 0, 0);
  } else {
    if (DisabledDrawing == 0) Text(clWhite, 1, 1);
    Text(clBtnShadow, 0, 0);
  }
  Canvas->RestoreDC(-1);
}

void TI_EditButton::Draw(TCanvas* Canvas, const TRect& R) {
  PrepareCanvas(Canvas);
  PaintBackground(Canvas, R);
}

void TI_EditButton::Paint(const TRegion* Region) {
  if (!FVisible || !FOwner || !FOwner->HandleAllocated() || Width <= 0 || Height <= 0) return;
  if (FList && (FList->PaintLocked() || !FList->Visible())) return;
  HWND Wnd = FOwner->Handle();
  TCanvas* DC = WindowCoordinates ? GetWindowDC(Wnd) : GetDC(Wnd);
  if (!DC) return;
  if (Region) {
    TRegion Dev = *Region;
    DC->ExtSelectClipRgn(&Dev, RGN_AND);
  }
  TRect R = BoundsRect();
  if (DC->RectVisible(R)) {
    if (DoubleBuffered) {
      TBitmap* B = EditButtonBuffer();
      B->SetPixelFormat(pf24bit);
      if (B->Width() < Width || B->Height() < Height) B->SetSize(std::max(B->Width(), Width), std::max(B->Height(), Height));
      TCanvas* BC = B->Canvas();
      BC->SelectClipRgn(nullptr);
      Draw(BC, Rect(0, 0, Width, Height));
      DC->CopyRect(R, *BC, Rect(0, 0, Width, Height));
    } else {
      Draw(DC, R);
    }
  }
  ReleaseDC(Wnd, DC);
}

void TI_EditButton::ChangeState(Byte NewState) {
  if (NewState == FState) return;
  if (OnStateChange) OnStateChange(this, NewState);
  if (NewState == FState) return;
  Byte Old = FState;
  FState = NewState;
  // Normal and hot look alike for style 0 and pushed buttons.
  bool Same = Old != bsDown && NewState != bsDown && (ButtonStyle == 0 || Pushed);
  if (!Same) Invalidate();
}

void TI_EditButton::ResetState(bool Hot) {
  PressedHere = false;
  ChangeState(FEnabled && Hot ? bsHot : bsNormal);
}

bool TI_EditButton::Track(TPoint P, bool IsMove, bool MouseDown) {
  bool Inside = FVisible && PtInRect(BoundsRect(), P);
  if (!FEnabled) {
    ChangeState(bsNormal);
    return Inside;
  }
  if (!Inside) {
    ChangeState(bsNormal);
  } else if (IsMove) {
    if (MouseDown && PressedHere) {
      ChangeState(bsDown);
    } else {
      PressedHere = false;
      ChangeState(bsHot);
    }
  } else if (MouseDown) {
    PressedHere = true;
    ChangeState(bsDown);
  } else {
    // A release (or a mouse-enter report) over the button.
    Byte Was = FState;
    bool Clicks = PressedHere || ClicksOnForeignRelease();
    ChangeState(bsHot);
    if (Clicks && Was != bsHot) {
      PressedHere = false;
      if (ButtonKind == 1) SetDown(!FDown);
      if (OnClick) OnClick(this);
    }
  }
  if (!IsMove && !MouseDown) PressedHere = false;
  return Inside;
}

// ---- TI_EditButtons ----------------------------------------------------------------------

// Owned by the owner control: tells the list when the owner is destroyed.
class TOwnerWatch : public TComponent {
 public:
  TOwnerWatch(TComponent* AOwner, TI_EditButtons* List) : TComponent(AOwner), FList(List) {}
  ~TOwnerWatch() override {
    if (FList) FList->OwnerGone();
  }
  TI_EditButtons* FList;
};

TI_EditButtons::TI_EditButtons(TWinControl* AOwner) : FOwner(AOwner), FBackground(std::make_unique<TBitmap>()) {
  if (FOwner) FWatch = new TOwnerWatch(FOwner, this);
}

TI_EditButtons::~TI_EditButtons() {
  Restore();
  FButtons.clear();
  if (FWatch) {
    FWatch->FList = nullptr;
    delete FWatch;
  }
}

void TI_EditButtons::OwnerGone() {
  FWatch = nullptr;
  FSubclassed = false;
  FPrevious = nullptr;
  FOwner = nullptr;
  for (auto& B : FButtons) B->FOwner = nullptr;
}

void TI_EditButtons::Adopt(TI_EditButton* B) {
  B->FList = this;
  B->Index = Count();
  B->Name = Format("%s%d", {String("Button"), B->Index});
  B->FCaption.clear();
  B->Anchor = DefaultAnchor;
  B->WindowCoordinates = DefaultWindowCoordinates;
  B->Images = FImages;
  B->Color = FDefaultColor;
  FButtons.emplace_back(B);
}

void TI_EditButtons::Clear() {
  FHotButton = nullptr;
  FButtons.clear();
}

TI_EditButton* TI_EditButtons::Items(Integer Index) const {
  if (Index < 0 || Index >= Count())
    throw EListError(Format("Der Index der Liste überschreitet das Maximum (%d)", {Index}));
  return FButtons[size_t(Index)].get();
}

void TI_EditButtons::SetImages(TCustomImageList* V) {
  FImages = V;
  for (auto& B : FButtons) B->Images = V;
}

void TI_EditButtons::SetDefaultColor(TColor V) {
  for (auto& B : FButtons)
    if (B->Color == FDefaultColor) {
      B->Color = V;
      B->Invalidate();
    }
  FDefaultColor = V;
}

void TI_EditButtons::SetVisible(bool V) {
  if (V == FVisible) return;
  FVisible = V;
  if (FOwner && FOwner->HandleAllocated()) RedrawWindow(FOwner->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME);
}

TPoint TI_EditButtons::ToButton(const TI_EditButton* B, TPoint Screen) const {
  if (!FOwner || !FOwner->HandleAllocated()) return Screen;
  if (B->WindowCoordinates) {
    TRect W = GetWindowRect(FOwner->Handle());
    return {Screen.X - W.Left, Screen.Y - W.Top};
  }
  return ::ScreenToClient(FOwner->Handle(), Screen);
}

TI_EditButton* TI_EditButtons::ButtonAt(Integer X, Integer Y) {
  for (auto& B : FButtons) {
    TPoint P = ToButton(B.get(), {X, Y});
    bool Hit = B->Visible() && B->Enabled() && PtInRect(B->BoundsRect(), P);
    if (B->OnHitTest) B->OnHitTest(B.get(), P.X, Hit, P.Y);
    if (Hit) return B.get();
  }
  return nullptr;
}

TRect TI_EditButtons::ButtonsRect() const {
  TRect R;
  for (auto& B : FButtons)
    if (B->Visible()) UnionRect(R, R, B->BoundsRect());
  return R;
}

TI_EditButton* TI_EditButtons::FindAccel(char32_t Ch) {
  char32_t Up = AnsiUpperChar(Ch);
  for (auto& B : FButtons)
    if (B->Enabled() && B->Visible() && B->Accelerator() == Up) return B.get();
  return nullptr;
}

void TI_EditButtons::Subclass() {
  if (FSubclassed || !FOwner) return;
  FPrevious = FOwner->WindowProc;
  FOwner->WindowProc = [this](TMessage& M) { EditButtonsWndProc(M); };
  FSubclassed = true;
}

void TI_EditButtons::Restore() {
  if (!FSubclassed || !FOwner) return;
  FOwner->WindowProc = FPrevious;
  FPrevious = nullptr;
  FSubclassed = false;
}

void TI_EditButtons::CallPrevious(TMessage& Message) {
  if (FPrevious) FPrevious(Message);
  else if (FOwner) FOwner->Dispatch(Message);
}

bool TI_EditButtons::Designing() const {
  return FOwner && FOwner->ComponentState().Contains(csDesigning);
}

bool TI_EditButtons::LeftButtonHeld() const { return GetAsyncKeyState(VK_LBUTTON) < 0; }

void TI_EditButtons::ResetStates() {
  TPoint P = GetCursorPos();
  for (auto& B : FButtons) B->ResetState(PtInRect(B->BoundsRect(), ToButton(B.get(), P)));
}

void TI_EditButtons::Relayout(Integer DX, Integer DY) {
  for (auto& B : FButtons) {
    switch (B->Anchor) {
      case 1: B->Left += DX; break;
      case 2: B->Top += DY; break;
      case 3: B->Left += DX, B->Top += DY; break;
      case 4: B->Width += DX; break;
      case 5: B->Top += DY, B->Width += DX; break;
      case 6: B->Height += DY; break;
      case 7: B->Left += DX, B->Height += DY; break;
      case 8: B->Width += DX, B->Height += DY; break;
      case 9: B->Left += DX / 2; break;
      case 10: B->Left += DX, B->Top += DY / 2; break;
      default: break;
    }
  }
  PaintAll(nullptr);
}

void TI_EditButtons::PaintAll(const TRegion* Region) {
  if (!FVisible) return;
  for (auto& B : FButtons) B->Paint(Region);
}

void TI_EditButtons::ExcludeFromErase(TCanvas* DC) {
  if (!DC) return;
  for (auto& B : FButtons)
    if (B->Visible() && !B->WindowCoordinates) DC->ExcludeClipRect(B->Left, B->Top, B->Left + B->Width, B->Top + B->Height);
}

void TI_EditButtons::SaveBackground() {
  if (!FOwner || !FOwner->HandleAllocated()) return;
  bool Any = false;
  for (auto& B : FButtons) Any |= B->Transparent;
  if (!Any) return;
  TRect C = FOwner->ClientRect();
  FBackground->SetSize(C.Width(), C.Height());
  FOwner->PaintTo(*FBackground->Canvas(), 0, 0);
}

void TI_EditButtons::RepaintDefaultButtons() {
  for (auto& B : FButtons)
    if (B->IsDefault()) B->Invalidate();
}

void TI_EditButtons::MouseEvent(Integer X, Integer Y, bool IsMove) { TrackAll(X, Y, IsMove, LeftButtonHeld()); }

void TI_EditButtons::TrackAll(Integer X, Integer Y, bool IsMove, bool Held) {
  if (Designing() || FButtons.empty()) return;
  TI_EditButton* Old = FHotButton;
  FHotButton = nullptr;
  // Tracking may run click handlers that change the list: walk a copy.
  std::vector<TI_EditButton*> All;
  for (auto& B : FButtons) All.push_back(B.get());
  for (TI_EditButton* B : All)
    if (B->Track(ToButton(B, {X, Y}), IsMove, Held) && B->Enabled() && B->Visible())
      FHotButton = B;
  if (FHotButton != Old) {
    if (FHotButton && FHotButton->OnHotChange) FHotButton->OnHotChange(FHotButton, false);
    else if (!FHotButton && Old && Old->OnHotChange) Old->OnHotChange(Old, true);
  }
}

void TI_EditButtons::EditButtonsWndProc(TMessage& M) {
  TWinControl* Owner = FOwner;
  auto Cursor = [] { return GetCursorPos(); };
  switch (M.Msg) {
    case WM_MOUSEMOVE: {
      TPoint P = Cursor();
      TrackAll(P.X, P.Y, true, (M.WParam & MK_LBUTTON) != 0);
      break;
    }
    case WM_NCMOUSEMOVE: {
      TPoint P = Cursor();
      MouseEvent(P.X, P.Y, true);
      break;
    }
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
    case WM_NCLBUTTONDOWN:
    case WM_NCLBUTTONDBLCLK: {
      if (Designing()) break;
      TPoint P = Cursor();
      if (ButtonAt(P.X, P.Y)) {
        FMouseCaptured = true;
        CallPrevious(M);
        TrackAll(P.X, P.Y, false, true);
        return;
      }
      TrackAll(P.X, P.Y, false, true);
      break;
    }
    case WM_LBUTTONUP:
    case WM_NCLBUTTONUP: {
      FMouseCaptured = false;
      TPoint P = Cursor();
      if (ButtonAt(P.X, P.Y)) {
        CallPrevious(M);
        TrackAll(P.X, P.Y, false, false);
        return;
      }
      TrackAll(P.X, P.Y, false, false);
      break;
    }
    case WM_NCHITTEST:
      if (!Designing() && ButtonAt(GET_X_LPARAM(M.LParam), GET_Y_LPARAM(M.LParam))) {
        M.Result = HTCLIENT;
        return;
      }
      break;
    case WM_NCPAINT:
      CallPrevious(M);
      if (FVisible) PaintAll(nullptr);
      return;
    case WM_WINDOWPOSCHANGED: {
      CallPrevious(M);
      auto* Wp = reinterpret_cast<WINDOWPOS*>(M.LParam);
      if (Wp && (Wp->flags & SWP_SHOWWINDOW)) PaintAll(nullptr);
      return;
    }
    case WM_WINDOWPOSCHANGING: {
      auto* Wp = reinterpret_cast<WINDOWPOS*>(M.LParam);
      if (Wp && !(Wp->flags & SWP_NOSIZE) && Owner && Owner->HandleAllocated()) {
        TRect Old = GetWindowRect(Owner->Handle());
        Integer DX = Wp->cx - Old.Width(), DY = Wp->cy - Old.Height();
        if (DX || DY) Relayout(DX, DY);
      }
      break;
    }
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
      CallPrevious(M);
      RepaintDefaultButtons();
      return;
    case WM_PAINT:
      CallPrevious(M);
      SaveBackground();
      PaintAll(nullptr);
      return;
    case WM_ERASEBKGND:
      ExcludeFromErase(reinterpret_cast<TCanvas*>(M.WParam));
      break;
    case WM_DESTROY:
      Restore();
      if (Owner) Owner->WindowProc(M);
      return;
    default: break;
  }
  CallPrevious(M);
}

// ---- Form files ------------------------------------------------------------------------------

namespace {
constexpr Integer RecordSize = 30;

}  // namespace

void TI_EditButtons::WriteData(TStream* Stream) const {
  Stream->WriteInteger(Count());
  for (auto& B : FButtons) {
    Stream->WriteInteger(RecordSize);
    std::uint32_t CapLen = std::uint32_t(B->Caption().size()) + 1;
    std::uint32_t HintLen = B->Hint.empty() ? 0 : std::uint32_t(B->Hint.size()) + 1;
    Stream->WriteWord(Word(CapLen));
    Stream->WriteWord(Word(HintLen));
    Byte R[RecordSize] = {};
    R[0] = B->Layout;
    StoreLE32(R + 2, std::uint32_t(B->Tag));
    StoreLE16(R + 6, B->ButtonStyle);
    StoreLE16(R + 8, B->ButtonKind);
    StoreLE16(R + 10, std::uint16_t(std::int16_t(B->Top)));
    StoreLE16(R + 12, std::uint16_t(std::int16_t(B->Left)));
    StoreLE16(R + 14, std::uint16_t(B->Height));
    StoreLE16(R + 16, std::uint16_t(B->Width));
    StoreLE32(R + 18, std::uint32_t(B->ImageIndex));
    R[22] = B->Enabled();
    R[23] = B->FList != nullptr;
    R[24] = B->Anchor;
    R[26] = B->DisabledDrawing;
    R[28] = B->WindowCoordinates;
    R[29] = B->Transparent;
    Stream->WriteBuffer(R, RecordSize);
    Stream->WriteBuffer(B->Caption().c_str(), CapLen);
    if (HintLen) Stream->WriteBuffer(B->Hint.c_str(), HintLen);
  }
}

void TI_EditButtons::ReadData(TStream* Stream) {
  struct TRead {
    Byte R[RecordSize];
    String Caption, Hint;
  };
  auto Bad = [] { return EReadError("Ungültiger Binärwert"); };
  std::vector<TRead> Read;
  Integer N = Stream->ReadInteger();
  Int64 Left = Stream->Size() - Stream->Position();
  if (N < 0 || Int64(N) * 9 > Left) throw Bad();
  // Everything is read before any button is made: bad data adds nothing.
  for (Integer i = 0; i < N; ++i) {
    TRead E{};
    Integer Size = Stream->ReadInteger();
    std::uint32_t CapLen = Stream->ReadWord();
    std::uint32_t HintLen = Stream->ReadWord();
    if (Size < 0) throw Bad();
    Integer Take = std::min(Size, RecordSize);
    Stream->ReadBuffer(E.R, Take);
    if (Size > RecordSize) Stream->Seek(Size - RecordSize, soCurrent);
    if (CapLen == 0 || Int64(CapLen + HintLen) > Stream->Size() - Stream->Position()) throw Bad();
    E.Caption = Stream->ReadString(CapLen);
    E.Caption.resize(CapLen - 1);
    if (HintLen) {
      E.Hint = Stream->ReadString(HintLen);
      E.Hint.resize(HintLen - 1);
    }
    Read.push_back(std::move(E));
  }
  for (TRead& E : Read) {
    TI_EditButton* B = Add();
    const Byte* R = E.R;
    B->Layout = R[0];
    B->Tag = Integer(LoadLE32(R + 2));
    Integer Style = Integer(LoadLE16(R + 6));
    B->ButtonStyle = Byte(Style > 6 ? 1 : Style);
    B->ButtonKind = Byte(LoadLE16(R + 8));
    B->Top = std::int16_t(LoadLE16(R + 10));
    B->Left = std::int16_t(LoadLE16(R + 12));
    B->Height = Integer(LoadLE16(R + 14));
    B->Width = Integer(LoadLE16(R + 16));
    B->ImageIndex = Integer(LoadLE32(R + 18));
    B->FEnabled = R[22] != 0;
    B->Anchor = R[24];
    B->DisabledDrawing = R[26];
    B->WindowCoordinates = R[28] != 0;
    B->Transparent = R[29] != 0;
    B->SetCaption(E.Caption.c_str());
    B->Hint = E.Hint.c_str();
  }
}

bool TI_EditButtons::DataDiffers(const TI_EditButtons* Ancestor) const {
  if (!Ancestor) return Count() > 0;
  if (Ancestor->Count() != Count()) return true;
  for (Integer i = 0; i < Count(); ++i) {
    const TI_EditButton* A = Ancestor->FButtons[size_t(i)].get();
    const TI_EditButton* B = FButtons[size_t(i)].get();
    if (A->Caption() != B->Caption() || A->ImageIndex != B->ImageIndex) return true;
  }
  return false;
}

namespace {
[[maybe_unused]] const bool DataRegistered = (RegisterDefinedProperty(TI_EditButtons::StaticClass(), "Data",
                                                                      [](TObject* Instance, const TDfmValue& V) {
                                                                        if (V.Kind != TDfmValueKind::Binary)
                                                                          throw EReadError("Ungültiger Eigenschaftswert");
                                                                        TReadOnlyMemoryStream S(V.Bytes.data(), Int64(V.Bytes.size()));
                                                                        static_cast<TI_EditButtons*>(Instance)->ReadData(&S);
                                                                      }),
                                              true);
}  // namespace
