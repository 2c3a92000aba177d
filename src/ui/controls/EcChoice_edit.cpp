// EcChoice: the choice edit: button, check glyph, frames, cue text and the
// keys that move to the next control.
#include <algorithm>
#include <cmath>

#include "platform/gui/forms.h"
#include "platform/gui/graphics_frames.h"
#include "platform/rtl/sysutils.h"
#include "ui/controls/EcChoice.h"
#include "ui/controls/IEditTools.h"

RTL_IMPLEMENT_CLASS(TEcCustomChoiceEdit, TEcParentEdit, &ComponentFactory<TEcCustomChoiceEdit>)

namespace {
// Colour of the cue text.
constexpr TColor kCueColor = ColorValue(0x808080);
// How far the mouse moves with the button held before a text drag starts.
constexpr Integer kDragThreshold = 4;
// Glyphs of button kinds 0, 1 and 2.
const char* const kButtonGlyphs[] = {"EC_FLATCHOICE", "EC_BTNCOMBO", "EC_BTNELLIPSIS"};

Integer WidestChar(TFont* Font) {
  TCanvas C;
  C.SetFont(Font);
  return C.TextWidth("W");
}
}  // namespace

RTL_MESSAGE_MAP(TEcCustomChoiceEdit) {
  M.On(CM_EXIT, &TEcCustomChoiceEdit::CMExit);
  M.On(CM_MOUSEENTER, &TEcCustomChoiceEdit::CMMouseEnter);
  M.On(CM_MOUSELEAVE, &TEcCustomChoiceEdit::CMMouseLeave);
  M.On(CM_ENABLEDCHANGED, &TEcCustomChoiceEdit::CMEnabledChanged);
  M.On(CM_FONTCHANGED, &TEcCustomChoiceEdit::CMFontChanged);
  M.On(WM_MOUSEMOVE, &TEcCustomChoiceEdit::WMMouseMove);
  M.On(WM_LBUTTONDOWN, &TEcCustomChoiceEdit::WMLButtonDown);
  M.On(WM_LBUTTONDBLCLK, &TEcCustomChoiceEdit::WMLButtonDblClk);
  M.On(WM_LBUTTONUP, &TEcCustomChoiceEdit::WMLButtonUp);
  M.On(WM_KILLFOCUS, &TEcCustomChoiceEdit::WMKillFocus);
  M.On(CM_CANCELMODE, &TEcCustomChoiceEdit::CMCancelMode);
  M.On(WM_SETCURSOR, &TEcCustomChoiceEdit::WMSetCursor);
  M.On(WM_CONTEXTMENU, &TEcCustomChoiceEdit::WMContextMenu);
}

TEcCustomChoiceEdit::TEcCustomChoiceEdit(TComponent* AOwner)
    : TEcParentEdit(AOwner), FCheckGlyph(std::make_unique<TBitmap>()), FGlyphBuffer(std::make_unique<TBitmap>()) {
  // The edit paints its frame itself, inside its window.
  SetCtl3D(false);
  SetBorderStyle(bsNone);
  CanEmpty = true;
  FCheckGlyph->SetTransparent(true);
  FGlyphBuffer->SetTransparent(true);
}

TEcCustomChoiceEdit::~TEcCustomChoiceEdit() {
  FButton = nullptr;
  FButtons.reset();
}

void TEcCustomChoiceEdit::CreateWnd() {
  TEcParentEdit::CreateWnd();
  // The old window's destruction undid the buttons' subclassing.
  if (FButtons && !FButtons->Subclassed()) FButtons->Subclass();
  UpdateEditRect();
}

void TEcCustomChoiceEdit::SetEmptyText(const String& V) {
  FEmptyText = V;
  Invalidate();
}

void TEcCustomChoiceEdit::SetButtonKind(Byte V) {
  FButtonKind = std::min<Byte>(V, 3);
  UpdateButton(FButtonKind);
}

void TEcCustomChoiceEdit::SetChoiceButtonWidth(Integer V) {
  FChoiceButtonWidth = V;
  UpdateButton(FButtonKind);
}

void TEcCustomChoiceEdit::SetDrawStyle(TEcControlStyle V) {
  FDrawStyle = V;
  UpdateButton(FButtonKind);
  Invalidate();
}

void TEcCustomChoiceEdit::SetCheckGlyph(TBitmap* V) {
  FCheckGlyph->Assign(V);
  FCheckGlyph->SetTransparent(true);
  UpdateEditRect();
  Invalidate();
}

void TEcCustomChoiceEdit::SetShowCheckBox(bool V) {
  FShowCheckBox = V;
  UpdateEditRect();
  Invalidate();
}

void TEcCustomChoiceEdit::SetLinkControl(TWinControl* V) {
  if (FLinkControl) FLinkControl->RemoveFreeNotification(this);
  FLinkControl = V;
  if (V) V->FreeNotification(this);
}

void TEcCustomChoiceEdit::Notification(TComponent* AComponent, TOperation Operation) {
  TEcParentEdit::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == FLinkControl) FLinkControl = nullptr;
}

void TEcCustomChoiceEdit::SetParent(TWinControl* AParent) {
  TEcParentEdit::SetParent(AParent);
  UpdateButton(FButtonKind);
}

void TEcCustomChoiceEdit::Resize() {
  TEcParentEdit::Resize();
  UpdateButton(FButtonKind);
}

void TEcCustomChoiceEdit::CMFontChanged(TMessage& M) {
  Inherited(TEcCustomChoiceEdit::StaticClass(), M);
  UpdateEditRect();
}

void TEcCustomChoiceEdit::CMEnabledChanged(TMessage& M) {
  Inherited(TEcCustomChoiceEdit::StaticClass(), M);
  if (FButton) FButton->SetEnabled(Enabled());
  Invalidate();
}

// ---- Button and layout -----------------------------------------------------------------------

void TEcCustomChoiceEdit::SetShowButton(bool Value) {
  FShowButton = Value;
  if (!Value) {
    FButton = nullptr;
    FButtons.reset();
  }
  UpdateButton(FButtonKind);
}

void TEcCustomChoiceEdit::UpdateButton(Byte Kind) {
  // A class that forces its kind reports the kind it lays out.
  FButtonKind = Kind;
  if (Parent() && FShowButton) {
    if (!FButton) {
      FButtons = std::make_unique<TI_EditButtons>(this);
      FButtons->Subclass();
      FButton = FButtons->Add();
      FButton->Color = clBtnFace;
      FButton->Layout = 2;
      FButton->OnClick = [this](TObject* Sender) { ButtonClick(Sender); };
      InitButton();
    }
    TI_EditButton* B = FButton;
    B->SetEnabled(Enabled());
    B->Top = 2;
    B->Height = Height() - 4;
    if (Kind < 3) {
      TBitmap G;
      LoadBitmapResource(&G, kButtonGlyphs[Kind]);
      B->SetGlyph(&G);
      B->Width = 16;
    } else {
      B->Width = FChoiceButtonWidth;
    }
    B->Left = Width() - B->Width - 2;
    B->ButtonStyle = FDrawStyle == fsFlat ? 2 : 0;
    if (FDrawStyle == fsNone) B->Top -= 2, B->Left += 2;
    if (FDrawStyle == fsSingle) B->Height += 2;
  }
  UpdateEditRect();
  Invalidate();
}

void TEcCustomChoiceEdit::GetMargins(Integer& Left, Integer& Right) {
  Right = 0;
  Left = 0;
  if (!HasCheckGlyph()) return;
  Integer W = FCheckGlyph->Width() + 2;
  Left = std::max(W, WidestChar(Font()) + 5);
}

Integer TEcCustomChoiceEdit::MinWidth() { return WidestChar(Font()) + 2 + 5 + ButtonWidth(); }

bool TEcCustomChoiceEdit::HasCheckGlyph() {
  return FShowCheckBox && !FCheckGlyph->Empty() && Width() - FCheckGlyph->Width() >= MinWidth();
}

void TEcCustomChoiceEdit::UpdateEditRect() {
  Integer L = 0, R = 0;
  GetMargins(L, R);
  if (FButton && FButton->Width + 4 > Width()) {
    // A button wider than the control goes.
    FButton = nullptr;
    FButtons.reset();
  }
  R = FButton ? FButton->Width + (FDrawStyle == fsNone ? 0 : 4) : 0;
  if (Alignment() != taLeftJustify && FButton) R += 4;
  Integer F = FrameWidth();
  Integer TopOffset = FDrawStyle == fsSingle ? -1 : FDrawStyle == fsNone ? 1 : 0;
  TRect Text = Rect(F + (FDrawStyle == fsNone ? 2 : 0), F + 1 + TopOffset, Width() - F, Height() - F);
  FEditRect = Text;
  FEditLeftMargin = L;
  if (!HandleAllocated()) return;
  Perform(EM_SETRECTNP, 0, LPARAM(&Text));
  Perform(EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN, MAKELPARAM(L, R));
  Perform(EM_SCROLLCARET, 0, 0);
}

// ---- Painting --------------------------------------------------------------------------------

bool TEcCustomChoiceEdit::CueShown() const { return Text().empty() && !FEmptyText.empty() && !OnPaintEmpty; }

void TEcCustomChoiceEdit::PaintWindow(TCanvas& DC) {
  TEcParentEdit::PaintWindow(DC);
  if (Text().empty() && OnPaintEmpty) OnPaintEmpty(this, &DC);
  else if (CueShown()) PaintCue(DC);
  PaintFrame(DC, true);
  AfterPaintFrame();
}

void TEcCustomChoiceEdit::PaintCue(TCanvas& DC) {
  // A fresh default font, whatever the control's font is.
  Integer Saved = DC.SaveDC();
  TFont Fresh;
  DC.SetFont(&Fresh);
  TCanvas& C = DC;
  Integer Size = Integer(std::lround(96.0 / Screen->PixelsPerInch() * 8));
  if (Size < 8) ++Size;
  C.Font()->SetSize(Size);
  C.Font()->SetColor(kCueColor);
  C.SetBkMode(TRANSPARENT);
  Integer X = FrameWidth() + (HasCheckGlyph() ? FCheckGlyph->Width() + 16 : 2);
  Integer Y = FrameWidth() + (Height() - C.TextHeight(FEmptyText)) / 2 - 3;
  TRect Room = Rect(X, Y, Width() - FrameWidth() - (FButton ? ButtonWidth() + 2 : 0), Height());
  DrawStyledText(&C, FEmptyText, Room, nullptr, dsNoCodes | dsEndEllipsis, true);
  DC.RestoreDC(Saved);
}

void TEcCustomChoiceEdit::PaintFrame(TCanvas& DC, bool DrawFrame) {
  Integer F = FrameWidth();
  TRect Client = Rect(F, F, Width() - F, Height() - F);
  if (HasCheckGlyph()) {
    Integer GW = FCheckGlyph->Width() + 2, GH = Client.Height();
    FGlyphBuffer->SetSize(GW, GH);
    TCanvas* B = FGlyphBuffer->Canvas();
    B->Brush()->SetColor(Color());
    B->FillRect(Rect(0, 0, GW, GH));
    Integer Y = FCheckGlyph->Height() < GH ? (GH - FCheckGlyph->Height()) / 2 : 0;
    if (Enabled()) {
      DrawTransparent(B, FCheckGlyph.get(), Bounds(1, Y, FCheckGlyph->Width(), FCheckGlyph->Height()), true, false);
    } else {
      TBitmap Grey;
      GreyBitmap(FCheckGlyph.get(), &Grey, 0, clWhite);
      DrawTransparent(B, &Grey, Bounds(1, Y, Grey.Width(), Grey.Height()), true, false);
    }
    DC.CopyRect(Bounds(Client.Left, Client.Top, GW, GH), *B, Rect(0, 0, GW, GH));
  }
  if (!DrawFrame || FDrawStyle == fsNone) return;
  Integer Saved = DC.SaveDC();
  if (FButton) DC.ExcludeClipRect(FButton->Left, FButton->Top, FButton->Left + FButton->Width, FButton->Top + FButton->Height);
  TRect R = Rect(0, 0, Width(), Height());
  bool Hot = Focused() || MouseInControl;
  auto Single = [&] {
    TRect E = R;
    DrawEdge(DC, E, BDR_SUNKENOUTER, BF_TOPLEFT);
    DrawEdge(DC, E, BDR_RAISEDINNER, BF_BOTTOMRIGHT);
    InflateRect(E, -1, -1);
    DC.Brush()->SetColor(Color());
    DC.FrameRect(E);
  };
  // The strip between the text and the button.
  auto Strip = [&](TColor C) {
    if (!FButton) return;
    DC.Brush()->SetColor(C);
    DC.FillRect(Rect(FButton->Left - 1, FButton->Top, FButton->Left, FButton->Top + FButton->Height));
  };
  switch (FDrawStyle) {
    case fcsNormal: {
      TRect E = R;
      DrawEdge(DC, E, BDR_SUNKENOUTER, BF_RECT | BF_ADJUST);
      DrawEdge(DC, E, BDR_SUNKENINNER, BF_RECT);
      break;
    }
    case fsSingle: Single(); break;
    case fsFlat:
      if (!Hot) {
        Single();
        Strip(Color());
      } else {
        TRect E = R;
        DrawEdge(DC, E, BDR_SUNKENOUTER, BF_RECT | BF_ADJUST);
        DC.Brush()->SetColor(clBtnFace);
        DC.FillRect(Rect(E.Left, E.Top, E.Left + 1, E.Bottom));
        DC.FillRect(Rect(E.Left, E.Top, E.Right, E.Top + 1));
        DrawEdge(DC, E, BDR_SUNKENINNER, BF_BOTTOMRIGHT);
        Strip(clBtnFace);
      }
      break;
    default: break;
  }
  DC.RestoreDC(Saved);
}

// ---- Mouse ---------------------------------------------------------------------------------

void TEcCustomChoiceEdit::HitTest(TPoint P) {
  OverCheckGlyph = FShowCheckBox && HasCheckGlyph() && P.X < FrameWidth() + FCheckGlyph->Width() + 2;
  OverButton = FButton && P.X >= Width() - ButtonWidth() - 2;
}

void TEcCustomChoiceEdit::CMMouseEnter(TMessage& M) {
  Inherited(TEcCustomChoiceEdit::StaticClass(), M);
  MouseInControl = true;
  if (FDrawStyle == fsFlat) Invalidate();
}

void TEcCustomChoiceEdit::CMMouseLeave(TMessage& M) {
  Inherited(TEcCustomChoiceEdit::StaticClass(), M);
  OverButton = OverCheckGlyph = false;
  if (Focused()) return;
  MouseInControl = false;
  if (FDrawStyle == fsFlat) Invalidate();
}

void TEcCustomChoiceEdit::WMMouseMove(TMessage& M) {
  TPoint P{GET_X_LPARAM(M.LParam), GET_Y_LPARAM(M.LParam)};
  if (FDragPending && !Dragging &&
      (std::abs(P.X - FDragPress.X) >= kDragThreshold || std::abs(P.Y - FDragPress.Y) >= kDragThreshold))
    BeginTextDrag();
  if (Dragging) return TextDragMove();
  if (FDragPending) return;
  HitTest(P);
  if (!MouseInControl) {
    MouseInControl = true;
    if (FDrawStyle == fsFlat) Invalidate();
  }
  Inherited(TEcCustomChoiceEdit::StaticClass(), M);
}

void TEcCustomChoiceEdit::WMLButtonDown(TMessage& M) {
  HitTest({GET_X_LPARAM(M.LParam), GET_Y_LPARAM(M.LParam)});
  if (OverCheckGlyph) {
    CheckClick();
    return;
  }
  if (OverButton) {
    ButtonMouseDown = true;
    if (CanFocus() && !Focused()) SetFocus();
    return;
  }
  TPoint P{GET_X_LPARAM(M.LParam), GET_Y_LPARAM(M.LParam)};
  Integer At = CharFromPos(P.X);
  if (DataDraggingEnabled && Focused() && SelLength() > 0 && At >= SelStart() && At < SelStart() + SelLength()) {
    // A press on the selection may start a drag: the selection stays.
    FDragPending = true;
    FDragPress = P;
    SetCapture(Handle());
    return;
  }
  Inherited(TEcCustomChoiceEdit::StaticClass(), M);
}

void TEcCustomChoiceEdit::WMLButtonUp(TMessage& M) {
  if (Dragging) return EndTextDrag(true);
  if (FDragPending) {
    // No drag after all: the click puts the caret.
    FDragPending = false;
    ReleaseCapture();
    SetSelStart(CharFromPos(GET_X_LPARAM(M.LParam)));
    return;
  }
  Inherited(TEcCustomChoiceEdit::StaticClass(), M);
}

// ---- Text drag -------------------------------------------------------------------------------

void TEcCustomChoiceEdit::BeginTextDrag() {
  Dragging = DragStarted = true;
  DragAccept = false;
  FDropTarget = nullptr;
  FDragText = SelText();
  TBitmap Image;
  Image.Canvas()->SetFont(Font());
  Integer W = std::min(Image.Canvas()->TextWidth(FDragText) + 27, 200), H = 20;
  Image.SetSize(W, H);
  TCanvas* C = Image.Canvas();
  C->Brush()->SetColor(clBtnFace);
  C->FillRect(Rect(0, 0, W, H));
  TRect Edge = Rect(0, 0, W, H);
  DrawEdge(*C, Edge, BDR_RAISEDINNER, BF_RECT);
  TRect Text = Rect(5, 0, W - 2, H);
  TRect Used = DrawStyledText(C, FDragText, Text, nullptr, 0, false);
  Text.Top = (H - Used.Height()) / 2;
  DrawStyledText(C, FDragText, Text, nullptr, 0, true);
  FDragImages = std::make_unique<TCustomImageList>(W, H);
  FDragImages->AddMasked(&Image, clNone);
  if (!FDragWindow) FDragWindow = new TDragImageWindow(this);
  // The picture hangs below right of the pointer, so that the pointer finds the target.
  FDragWindow->ShowImage(FDragImages.get(), 0, Point(-8, -8), GetCursorPos());
}

void TEcCustomChoiceEdit::CancelDropTarget(TEcCustomChoiceEdit* Target) {
  TControl* C = Target;
  if (OnDragOverCancel && C) OnDragOverCancel(C);
}

void TEcCustomChoiceEdit::TextDragMove() {
  TPoint Screen = GetCursorPos();
  if (FDragWindow) FDragWindow->MoveTo(Screen);
  auto* Under = dynamic_cast<TEcCustomChoiceEdit*>(FindDragTarget(Screen, false));
  TControl* Target = Under && Under != this && Under->DataDraggingEnabled && !Under->ReadOnly() ? Under : nullptr;
  DragAccept = Target != nullptr;
  if (OnDragOverData) OnDragOverData(DragAccept, Target, FDragText, Screen);
  auto* NewTarget = dynamic_cast<TEcCustomChoiceEdit*>(Target);
  if (NewTarget != FDropTarget) CancelDropTarget(FDropTarget);
  FDropTarget = NewTarget;
  ::SetCursor(DefaultCursorHandle(DragAccept && FDropTarget ? crHandPoint : crDefault));
}

void TEcCustomChoiceEdit::EndTextDrag(bool Drop) {
  TEcCustomChoiceEdit* Target = FDropTarget;
  bool Accepted = Drop && DragAccept && Target;
  if (FDragWindow) FDragWindow->HideImage();
  ReleaseCapture();
  if (Accepted) {
    Target->SetText(FDragText);
    TControl* C = Target;
    if (OnDragDropData) OnDragDropData(DragAccept, C, FDragText, GetCursorPos());
  }
  Dragging = FDragPending = DragAccept = false;
  FDropTarget = nullptr;
  FDragImages.reset();
  CancelDropTarget(Target);
  ::SetCursor(DefaultCursorHandle(crDefault));
}

void TEcCustomChoiceEdit::WMLButtonDblClk(TMessage& M) {
  HitTest({GET_X_LPARAM(M.LParam), GET_Y_LPARAM(M.LParam)});
  Inherited(TEcCustomChoiceEdit::StaticClass(), M);
  if (OverButton || OverCheckGlyph || !Focused() || !FButton || !FButton->Enabled() || FButton->ButtonKind != 1)
    return;
  auto* Combo = dynamic_cast<TEcCustomComboBox*>(this);
  if (!Combo || Combo->Style() != csDropDownList) ButtonClick(nullptr);
}

void TEcCustomChoiceEdit::CheckClick() {
  if (HandleAllocated()) {
    HideCaret(Handle());
    PostMessage(Handle(), ECM_SHOWERROR, 0, 0);
  }
  if (CanFocus() && !Focused()) SetFocus();
  if (OnCheckClick) OnCheckClick(this);
  if (HandleAllocated()) ShowCaret(Handle());
}

void TEcCustomChoiceEdit::ButtonClick(TObject*) {
  ButtonMouseDown = false;
  if (HandleAllocated()) PostMessage(Handle(), ECM_SHOWERROR, 0, 0);
  if (OnButtonClick) OnButtonClick(this);
}

// ---- Focus and keys --------------------------------------------------------------------------

void TEcCustomChoiceEdit::DoEnter() {
  TEcParentEdit::DoEnter();
  MouseInControl = true;
  if (FDrawStyle == fsFlat) Invalidate();
}

void TEcCustomChoiceEdit::CMExit(TMessage& M) {
  if (IsDroppedDown()) CloseUp(false, true);
  Inherited(TEcCustomChoiceEdit::StaticClass(), M);
  if (!ErrorShown && !Focused()) {
    MouseInControl = false;
    if (FDrawStyle == fsFlat) Invalidate();
  }
}

void TEcCustomChoiceEdit::WMKillFocus(TMessage& M) {
  if (IsDroppedDown() && !KeepPopupOnKillFocus()) CloseUp(false, true);
  if (Dragging) EndTextDrag(false);
  FDragPending = false;
  Inherited(TEcCustomChoiceEdit::StaticClass(), M);
}

void TEcCustomChoiceEdit::CMCancelMode(TMessage& M) {
  auto* Sender = reinterpret_cast<TControl*>(M.LParam);
  if (Sender != this && !IsOwnPopup(Sender)) {
    ButtonMouseDown = false;
    if (IsDroppedDown()) CloseUp(false, true);
  }
  Inherited(TEcCustomChoiceEdit::StaticClass(), M);
}

void TEcCustomChoiceEdit::WMSetCursor(TMessage& M) {
  if (HWND(M.WParam) == Handle() && LOWORD(std::uintptr_t(M.LParam)) == HTCLIENT) {
    HitTest(ScreenToClient(GetCursorPos()));
    if (OverButton || OverCheckGlyph || ArrowOverText()) {
      ::SetCursor(DefaultCursorHandle(crArrow));
      M.Result = 1;
      return;
    }
  }
  Inherited(TEcCustomChoiceEdit::StaticClass(), M);
}

void TEcCustomChoiceEdit::WMContextMenu(TMessage& M) {
  if (IsDroppedDown()) {
    M.Result = 1;
    return;
  }
  Inherited(TEcCustomChoiceEdit::StaticClass(), M);
}

TWinControl* TEcCustomChoiceEdit::SelectNext(TObject* Sender, bool GoForward, Word Key, bool SameParentOnly) {
  if (!Parent()) return nullptr;
  std::vector<TWinControl*> List;
  Parent()->GetTabOrderList(List);
  if (List.empty()) return nullptr;
  auto Self = std::find(List.begin(), List.end(), static_cast<TWinControl*>(this));
  Integer N = Integer(List.size());
  Integer Start = Self == List.end() ? (GoForward ? N - 1 : 0) : Integer(Self - List.begin());
  TWinControl* Next = nullptr;
  for (Integer Step = 1; Step <= N && !Next; ++Step) {
    TWinControl* C = List[size_t(((Start + (GoForward ? Step : -Step)) % N + N) % N)];
    if (C == this || !C->CanFocus()) continue;
    if (!SameParentOnly && !C->TabStop()) continue;
    if (SameParentOnly && C->Parent() != Parent()) continue;
    if (auto* E = dynamic_cast<TEcCustomChoiceEdit*>(C); E && E->ReadOnly()) continue;
    Next = C;
  }
  bool Allow = true;
  if (OnSelectNext) OnSelectNext(Sender, Next, Allow, Key);
  if (!Allow || !Next || !Next->CanFocus()) return nullptr;
  Next->SetFocus();
  return Next;
}

void TEcCustomChoiceEdit::KeyDown(Word& Key, TShiftState Shift) {
  bool Plain = !Shift.Contains(ssShift) && !Shift.Contains(ssCtrl) && !Shift.Contains(ssAlt);
  if (Key == GetDropDownKey() && Plain) {
    ButtonClick(nullptr);
    Key = 0;
    return;
  }
  if (Key == VK_RETURN && !WantReturns && !IsDroppedDown() && !Shift.Contains(ssCtrl) && !Shift.Contains(ssAlt)) {
    TEcParentEdit::KeyDown(Key, Shift);  // OnKeyDown first
    if (Key == 0) return;
    SelectNext(this, !Shift.Contains(ssShift), Key, true);
    Key = 0;
    return;
  }
  if (OnSelectNext && Key != VK_RETURN) {
    TWinControl* Next = nullptr;
    bool Allow = true;
    OnSelectNext(this, Next, Allow, Key);
    if (Allow && Next && Next->CanFocus()) {
      Next->SetFocus();
      Key = 0;
      return;
    }
  }
  TEcParentEdit::KeyDown(Key, Shift);
}

void TEcCustomChoiceEdit::KeyPress(char32_t& Key) {
  TEcCustomEdit* Owner = ErrorBalloonOwner();
  if ((Key == U'\r' || Key == 27) && Owner == this && ErrorBalloon() && ErrorBalloon()->Buttons()->Count() > 0) {
    PostMessage(Handle(), ECM_SHOWERROR, 0, 0);
    Key = 0;
    return;
  }
  if ((Key == U'\r' || Key == 27) && !WantReturns) {
    // Default and cancel buttons of the form.
    if (TCustomForm* Form = GetParentForm(this)) Form->Perform(CM_DIALOGKEY, Key == U'\r' ? VK_RETURN : VK_ESCAPE, 0);
    Key = 0;
    return;
  }
  TEcParentEdit::KeyPress(Key);
}
