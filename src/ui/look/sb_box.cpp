// TFSB_BOX: the message box form of the message routines.
#include "ui/look/sb_box.h"

#include <algorithm>
#include <cmath>

#include "foundation/UFormHook.h"
#include "foundation/UFormPlacement.h"
#include "platform/gui/winapi.h"
#include "platform/rtl/classreg.h"
#include "ui/look/LookBitmaps.h"
#include "ui/look/ULookAndFeel.h"
#include "ui/look/sb.h"

RTL_IMPLEMENT_CLASS(TFSB_BOX, TForm, &FormFactory<TFSB_BOX>)

RTL_PUBLISHED(TFSB_BOX) {
  using T = TFSB_BOX;
  P.Field("Pquestion", &T::Pquestion);
  P.Field("Pmsg", &T::Pmsg);
  P.Field("Pinput", &T::Pinput);
  P.Field("FP_help", &T::FP_help);
  P.Field("Panel1", &T::Panel1);
  P.Field("Panel2", &T::Panel2);
  P.Field("Panel3", &T::Panel3);
  P.Field("FlatPanel1", &T::FlatPanel1);
  P.Field("Image1", &T::Image1);
  P.Field("Image2", &T::Image2);
  P.Field("Label1", &T::Label1);
  P.Field("FB_OK", &T::FB_OK);
  P.Field("FB_BREAK1", &T::FB_BREAK1);
  P.Field("FB_BREAK2", &T::FB_BREAK2);
  P.Field("FBhelpQ", &T::FBhelpQ);
  P.Field("FBhelpS", &T::FBhelpS);
  P.Field("FB_ICANCEL", &T::FB_ICANCEL);
  P.Field("FB_IOK", &T::FB_IOK);
  P.Field("FB_HELPI", &T::FB_HELPI);
  P.Field("FINPE", &T::FINPE);
  P.Method("FormCreate", &T::FormCreate);
  P.Method("FB_OKClick", &T::FB_OKClick);
  P.Method("FB_IOKClick", &T::FB_IOKClick);
  P.Method("FB_BREAK1Click", &T::FB_BREAK1Click);
  P.Method("FB_ICANCELClick", &T::FB_ICANCELClick);
  P.Method("FBhelpQClick", &T::FBhelpQClick);
  P.Method("FB_OKSelectNext", &T::FB_OKSelectNext);
  P.Method("FB_BREAK1SelectNext", &T::FB_BREAK1SelectNext);
  P.Method("FB_BREAK2SelectNext", &T::FB_BREAK2SelectNext);
  P.Method("AnswerLeftRight", &T::AnswerLeftRight);
  P.Method("FINPEDrawItem", &T::FINPEDrawItem);
}

namespace {
// The Tag that lets Enter on a control answer "no".
constexpr Integer kNoTag = 20;
// Odd lines of the pick list.
constexpr TColor kOddLine = RGB(254, 245, 188);
}  // namespace

TFSB_BOX* CreateMsgBoxForm() {
  // The classes the box's description names.
  static const bool Registered = (RegisterClasses({TPlainPanel::StaticClass(), TPlainButton::StaticClass(),
                                                   TImage::StaticClass(), TLabel::StaticClass(),
                                                   TEcComboBox::StaticClass()}),
                                  true);
  (void)Registered;
  auto* Box = NewForm<TFSB_BOX>(Application);
  Box->SetColor(clWhite);
  PlaceFormOnMonitor(Box, false);
  return Box;
}

TFSB_BOX::TFSB_BOX(TComponent* AOwner) : TForm(AOwner) {}

void TFSB_BOX::FormCreate(TObject*) {
  LoadPictures();
  FText = NewTextLabel(this);
  FHelp = NewTextLabel(FP_help);
  FLinkClosed = false;
  if (Screen->Width() > 800) WidenForLargeScreen();
  FlatPanel1->SetHeight(FINPE->Height() + 4);
  FitInputLabel();
  FText->OnLinkClick = [this](TObject*) {
    FLinkClosed = true;
    SetModalResult(mrCancel);
  };
  FHelp->OnLinkClick = FText->OnLinkClick;
  // Every control exists and has its size now: the look (and the scale
  // of a window at 120 or 140 %) reaches all of them, and they grow with it.
  CallFormHook(this, true);
  ScalePictures();
  // The button rows stay grey whatever colour the look gave the panels.
  for (TPlainPanel* P : {Pmsg, Pinput, Pquestion}) P->SetColor(clBtnFace);
  Constraints()->SetMaxHeight(Integer(std::lround(Screen->Height() * 0.7)));
  FINPE->DataDraggingEnabled = false;
  SetMode(TSBBoxMode::Message);
}

void TFSB_BOX::LoadPictures() {
  for (const auto& [Image, Name] : Pictures())
    if (TBitmap* B = ResourceBitmap(Name)) Image->Picture()->SetGraphic(B);
  const std::pair<TPlainButton*, const char*> Glyphs[] = {
      {FB_OK, "GLYPHYES"},       {FB_BREAK1, "GLYPHNO"}, {FB_BREAK2, "GLYPHCLOSE"}, {FB_ICANCEL, "GLYPHNO"},
      {FB_IOK, "GLYPHACCEPT"},   {FBhelpQ, "GLYPHHELP"}, {FBhelpS, "GLYPHHELP"},    {FB_HELPI, "GLYPHHELP"}};
  for (const auto& [Button, Name] : Glyphs)
    if (TBitmap* G = ResourceBitmap(Name)) Button->SetGlyph(G);
}

std::vector<std::pair<TImage*, const char*>> TFSB_BOX::Pictures() const {
  return {{Image1, "MSGINFORMATION"}, {Image2, "MSGQUESTION"}};
}

void TFSB_BOX::ScalePictures() {
  for (const auto& [Image, Name] : Pictures()) {
    TBitmap* B = ResourceBitmap(Name);
    if (!B || (B->Width() == Image->Width() && B->Height() == Image->Height())) continue;
    if (std::unique_ptr<TBitmap> Scaled = SmoothStretchTransparent(B, Image->Width(), Image->Height())) {
      // The stretched picture's alpha leaves out what was transparent.
      Image->SetTransparent(false);
      Image->Picture()->SetGraphic(Scaled.get());
    }
  }
}

TSBHTM* TFSB_BOX::NewTextLabel(TWinControl* Parent) {
  auto* L = new TSBHTM(this);
  L->SetParent(Parent);
  L->SetAutoSizeType(asVertical);
  L->SetAutoSizing(true);
  L->SetTop(0);
  L->SetAlign(alTop);
  L->SetTransparent(true);
  return L;
}

void TFSB_BOX::WidenForLargeScreen() {
  FText->Font()->SetSize(10);
  FHelp->Font()->SetSize(10);
  Font()->SetSize(9);
  Panel2->SetWidth(Integer(std::trunc(Panel2->Width() * 1.1)));
  FB_BREAK2->SetLeft(2);
  FB_BREAK2->SetWidth(Panel2->Width() - 4);
  Panel3->SetWidth(Integer(std::trunc(Panel3->Width() * 1.2)));
  FB_ICANCEL->SetLeft(7);
  FB_ICANCEL->SetWidth(Integer(std::trunc(FB_ICANCEL->Width() * 1.2)));
  FB_IOK->SetLeft(FB_ICANCEL->Left() + FB_ICANCEL->Width() + 4);
  FB_IOK->SetWidth(Integer(std::trunc(FB_IOK->Width() * 1.2)));
}

void TFSB_BOX::FitInputLabel() {
  TCanvas Measure;
  Measure.SetFont(Label1->Font());
  Integer LabelWidth = std::max(40, Measure.TextWidth(Label1->Caption()) + 1);
  Label1->SetBounds(std::min(72, FINPE->Left() - LabelWidth - 3), 6, LabelWidth, 14);
}

void TFSB_BOX::SelectNextAnswers(TModalResult OnEnter, Word CharCode, bool& Accept) {
  if (CharCode != VK_RETURN && CharCode != VK_ESCAPE) return;
  Accept = false;
  Answer(CharCode == VK_RETURN ? OnEnter : mrCancel);
}

void TFSB_BOX::FB_OKSelectNext(TWinControl*&, TWinControl*&, Word CharCode, bool& Accept) {
  SelectNextAnswers(mrOk, CharCode, Accept);
}

void TFSB_BOX::FB_BREAK1SelectNext(TWinControl*&, TWinControl*&, Word CharCode, bool& Accept) {
  SelectNextAnswers(mrCancel, CharCode, Accept);
}

void TFSB_BOX::FB_BREAK2SelectNext(TWinControl*&, TWinControl*&, Word CharCode, bool& Accept) {
  SelectNextAnswers(mrOk, CharCode, Accept);
}

// ---- Contents --------------------------------------------------------------------------------

void TFSB_BOX::SetMode(TSBBoxMode Mode) {
  Pmsg->SetVisible(Mode == TSBBoxMode::Message);
  Pquestion->SetVisible(Mode == TSBBoxMode::Question);
  Pinput->SetVisible(Mode == TSBBoxMode::Input);
  if (Mode == TSBBoxMode::Input) {
    FB_HELPI->SetVisible(false);
    FP_help->SetVisible(false);
  }
  SetHelpText(Mode == TSBBoxMode::Input ? String() : FHelpText);
}

TSBBoxMode TFSB_BOX::Mode() const {
  if (Pinput->Visible()) return TSBBoxMode::Input;
  if (Pquestion->Visible()) return TSBBoxMode::Question;
  return TSBBoxMode::Message;
}

void TFSB_BOX::SetHelpText(const String& Help) {
  FHelpText = Help;
  FBhelpS->SetVisible(!Help.empty());
  FBhelpQ->SetVisible(!Help.empty());
}

void TFSB_BOX::FocusModeControl() {
  switch (Mode()) {
    case TSBBoxMode::Message: SetActiveControl(FB_BREAK2); break;
    case TSBBoxMode::Question: SetActiveControl(FB_OK); break;
    case TSBBoxMode::Input: SetActiveControl(FINPE); break;
  }
}

TPlainButton* TFSB_BOX::ButtonByCaption(const String& Caption) const {
  for (TPlainButton* B : {FB_OK, FB_BREAK1, FB_BREAK2, FBhelpQ, FBhelpS, FB_ICANCEL, FB_IOK, FB_HELPI})
    if (B->Caption() == Caption) return B;
  return nullptr;
}

void TFSB_BOX::FBhelpQClick(TObject* Sender) {
  if (FHelpText.empty()) return;
  String Html;
  PrepareBoxText(FHelpText, Html);
  FHelp->SetText(Html);
  FHelp->LayOut();
  FP_help->SetHeight(FHelp->Height() + 5);
  SetClientHeight(ClientHeight() + FP_help->Height());
  if (auto* B = dynamic_cast<TPlainButton*>(Sender)) B->SetEnabled(false);
  FP_help->SetVisible(true);
}

void TFSB_BOX::FINPEDrawItem(TWinControl* Control, Integer Index, TRect Rect, TOwnerDrawState State) {
  auto* List = dynamic_cast<TEcPopupListBox*>(Control);
  if (!List) return;
  TCanvas& C = *List->Canvas();
  bool Marked = State.Contains(odSelected) || State.Contains(odFocused);
  C.Brush()->SetColor(Marked ? clHighlight : (Index % 2 == 1 ? kOddLine : clWhite));
  C.Font()->SetColor(Marked ? clHighlightText : clWindowText);
  C.FillRect(Rect);
  if (Index < 0 || Index >= FINPE->Items()->Count()) return;
  TRect T = Rect;
  T.Left += 5;
  T.Top += 1;
  T.Right -= 1;
  C.Brush()->SetStyle(bsClear);
  DrawText(C, FINPE->Items()->Strings(Index), T, DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS | DT_NOPREFIX);
}

// ---- Showing and keys ------------------------------------------------------------------------

bool TFSB_BOX::SwitchAnswer() {
  TWinControl* Focused = ActiveControl();
  TWinControl* Next = Focused == FB_OK        ? FB_BREAK1
                      : Focused == FB_BREAK1  ? FB_OK
                      : Focused == FB_IOK     ? (FB_ICANCEL->CanFocus() ? FB_ICANCEL : nullptr)
                      : Focused == FB_ICANCEL ? FB_IOK
                                              : nullptr;
  if (!Next) return false;
  Next->SetFocus();
  return true;
}

void TFSB_BOX::FitToText() {
  FText->LayOut();
  TPlainPanel* Row = Pquestion->Visible() ? Pquestion : Pinput->Visible() ? Pinput : Pmsg;
  Row->SetTop(FText->Height() + 2);
  // The room of the button row grows with a box the scaling enlarged.
  const bool Scaled = FormScalingHook() && FormScalingHook()->Find(this);
  const Integer Below = (Pinput->Visible() ? 70 : 37) * (Scaled ? GetFormScalePercent(this) : 100) / 100;
  SetClientHeight(FText->Height() + Below + (FP_help->Visible() ? FP_help->Height() : 0));
}

void TFSB_BOX::DoShow() {
  SetColor(clWhite);
  FitToText();
  TForm::DoShow();
  if (HandleAllocated()) ForceForeground(Handle());
}

bool TFSB_BOX::ForceForeground(HWND Wnd) { return SetForegroundWindow(Wnd); }

void TFSB_BOX::Deactivate() {
  TForm::Deactivate();
  // Only a box that waits for its answer pulls itself back.
  if (!FLinkClosed && HandleAllocated() && ModalResult() == mrNone && FormState().Contains(fsModal))
    SetForegroundWindow(Handle());
}

void TFSB_BOX::KeyDown(Word& Key, TShiftState Shift) {
  TForm::KeyDown(Key, Shift);
  if (Key == VK_F1) {
    Key = 0;
    return;
  }
  bool Input = Pinput->Visible();
  if (!Input && !Pquestion->Visible()) {
    bool Held = Shift.Contains(ssShift) || Shift.Contains(ssCtrl) || Shift.Contains(ssAlt) ||
                Shift.Contains(ssLeft) || Shift.Contains(ssRight) || Shift.Contains(ssMiddle);
    bool Modifier = Key == VK_SHIFT || Key == VK_CONTROL || Key == VK_MENU;
    if (!Held && !Modifier) {
      Answer(mrCancel);
      return;
    }
  }
  switch (Key) {
    case VK_RETURN: {
      TWinControl* Focused = ActiveControl();
      Answer(Focused && Focused->Tag() == kNoTag ? mrCancel : mrOk);
      break;
    }
    case VK_ESCAPE:
      if (Input && !FB_ICANCEL->Visible()) Answer(mrOk);
      else if (!FINPE->DroppedDown()) Answer(mrCancel);
      break;
    case VK_LEFT:
    case VK_RIGHT:
      if (SwitchAnswer()) Key = 0;
      break;
    default:
      break;
  }
}

void TFSB_BOX::KeyPress(char32_t& Key) {
  TForm::KeyPress(Key);
  if (Key == 27 && !FINPE->DroppedDown()) Key = 0;
  if (Key == 13 && ActiveControl() == FINPE) {
    Key = 0;
    Answer(mrOk);
  }
}
