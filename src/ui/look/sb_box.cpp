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

RTL_IMPLEMENT_CLASS(TFSB_BOX, TForm, nullptr)

namespace {
// The Tag that lets Enter on a control answer "no".
constexpr Integer kNoTag = 20;
// Odd lines of the pick list.
constexpr TColor kOddLine = RGB(254, 245, 188);
}  // namespace

TFSB_BOX* CreateMsgBoxForm() {
  auto* Box = NewForm<TFSB_BOX>(Application);
  Box->SetColor(clWhite);
  PlaceFormOnMonitor(Box, false);
  return Box;
}

TPlainPanel* TFSB_BOX::AddPanel(TWinControl* Parent, TAlign Align, Integer Height) {
  auto* P = new TPlainPanel(this);
  P->SetParent(Parent);
  P->SetHeight(Height);
  P->SetAlign(Align);
  P->SetColorHighLight(clBtnFace);
  P->SetColorShadow(clBtnFace);
  return P;
}

TPlainButton* TFSB_BOX::AddButton(TWinControl* Parent, const String& Caption, Integer Left, Integer Top,
                                  Integer Width, const char* Glyph) {
  auto* B = new TPlainButton(this);
  B->SetParent(Parent);
  B->SetCaption(Caption);
  B->SetBounds(Left, Top, Width, 25);
  B->SetTabStop(true);
  B->SetLayout(blGlyphLeft);
  if (TBitmap* G = ResourceBitmap(Glyph)) B->SetGlyph(G);
  return B;
}

TFSB_BOX::TFSB_BOX(TComponent* AOwner) : TForm(AOwner, 0) {
  SetBorderStyle(bsDialog);
  SetBorderIcons(TBorderIcons{biSystemMenu});
  SetBorderWidth(2);
  SetFormStyle(fsStayOnTop);
  SetKeyPreview(true);
  SetPosition(poScreenCenter);
  SetColor(clWhite);
  Font()->SetName("Tahoma");
  Font()->SetHeight(-11);
  SetClientWidth(406);
  SetClientHeight(187);
  FLinkClosed = false;

  FP_help = AddPanel(this, alBottom, 23);
  FP_help->SetVisible(false);
  Pquestion = AddPanel(this, alBottom, 35);
  Pmsg = AddPanel(this, alBottom, 35);
  Pinput = AddPanel(this, alBottom, 61);

  Image2 = new TImage(this);
  Image2->SetParent(Pquestion);
  Image2->SetBounds(5, 5, 24, 24);
  if (TBitmap* B = ResourceBitmap("MSGQUESTION")) Image2->Picture()->SetGraphic(B);
  Image2->SetTransparent(true);
  Panel1 = AddPanel(Pquestion, alRight, 35);
  Panel1->SetWidth(173);
  FB_OK = AddButton(Panel1, "Ja", 8, 5, 77, "GLYPHYES");
  FB_BREAK1 = AddButton(Panel1, "Nein", 91, 5, 77, "GLYPHNO");
  FB_BREAK1->SetTag(50);
  FBhelpQ = AddButton(Pquestion, "Hilfe", 93, 5, 94, "GLYPHHELP");

  Image1 = new TImage(this);
  Image1->SetParent(Pmsg);
  Image1->SetBounds(5, 5, 24, 24);
  if (TBitmap* B = ResourceBitmap("MSGINFORMATION")) Image1->Picture()->SetGraphic(B);
  Image1->SetTransparent(true);
  Panel2 = AddPanel(Pmsg, alRight, 35);
  Panel2->SetWidth(89);
  FB_BREAK2 = AddButton(Panel2, "Schließen", 7, 5, 77, "GLYPHCLOSE");
  FBhelpS = AddButton(Pmsg, "Hilfe", 93, 5, 94, "GLYPHHELP");

  FlatPanel1 = AddPanel(Pinput, alTop, 25);
  Label1 = new TLabel(this);
  Label1->SetParent(FlatPanel1);
  Label1->SetCaption("Eingabe:");
  Label1->Font()->SetName("Arial");
  Label1->SetBounds(72, 6, 40, 14);
  Label1->SetTransparent(true);
  FINPE = new TEcComboBox(this);
  FINPE->SetName("FINPE");
  FINPE->SetEmptyText("Eingabe");
  FINPE->SetDrawStyle(fsFlat);
  FINPE->DataDraggingEnabled = false;
  FINPE->SetItemHeight(19);
  FINPE->SetDropDownWidth(0);
  FINPE->SetStyle(csDropDown);
  FINPE->SetShowCheckBox(true);
  FINPE->SetBounds(116, 2, 289, 21);
  FINPE->SetParent(FlatPanel1);
  Panel3 = AddPanel(Pinput, alRight, 36);
  Panel3->SetWidth(185);
  FB_ICANCEL = AddButton(Panel3, "Abbrechen", 7, 5, 82, "GLYPHNO");
  FB_ICANCEL->SetTag(50);
  FB_IOK = AddButton(Panel3, "Übernehmen", 92, 5, 89, "GLYPHACCEPT");
  FB_HELPI = AddButton(Pinput, "Hilfe", 93, 3, 94, "GLYPHHELP");
  FB_HELPI->SetVisible(false);
  for (TPlainButton* Help : {FBhelpQ, FBhelpS, FB_HELPI}) {
    Help->SetNumGlyphs(2);
    Help->OnClick = [this](TObject* Sender) { FBhelpQClick(Sender); };
  }

  FText = new TSBHTM(this);
  FText->SetParent(this);
  FText->SetAutoSizeType(asVertical);
  FText->SetAutoSizing(true);
  FText->SetTop(0);
  FText->SetAlign(alTop);
  FText->SetTransparent(true);
  FHelp = new TSBHTM(this);
  FHelp->SetParent(FP_help);
  FHelp->SetAutoSizeType(asVertical);
  FHelp->SetAutoSizing(true);
  FHelp->SetAlign(alTop);
  FHelp->SetTransparent(true);

  if (Screen->Width() > 800) {
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
  FlatPanel1->SetHeight(FINPE->Height() + 4);
  // "Eingabe:" ends just left of the input line, however wide the font draws it.
  TCanvas Measure;
  Measure.SetFont(Label1->Font());
  Integer LabelWidth = std::max(40, Measure.TextWidth(Label1->Caption()) + 1);
  Label1->SetBounds(std::min(72, FINPE->Left() - LabelWidth - 3), 6, LabelWidth, 14);
  FText->OnLinkClick = [this](TObject*) {
    FLinkClosed = true;
    SetModalResult(mrCancel);
  };
  FHelp->OnLinkClick = FText->OnLinkClick;
  for (TPlainPanel* P : {Pmsg, Pinput, Pquestion}) P->SetColor(clBtnFace);
  // The look (and the scale of a window at 120 or 140 %) applies to the
  // box with its controls in place, so that they grow with it.
  CallFormHook(this, true);
  Constraints()->SetMaxHeight(Integer(std::lround(Screen->Height() * 0.7)));

  FB_OK->OnClick = [this](TObject*) { Answer(mrOk); };
  FB_IOK->OnClick = [this](TObject*) { Answer(mrOk); };
  FB_BREAK1->OnClick = [this](TObject*) { Answer(mrCancel); };
  FB_BREAK2->OnClick = [this](TObject*) { Answer(mrCancel); };
  FB_ICANCEL->OnClick = [this](TObject*) { Answer(mrCancel); };
  auto SelectNext = [this](TModalResult OnEnter) {
    return [this, OnEnter](TWinControl*&, TWinControl*&, Word CharCode, bool& Accept) {
      if (CharCode != VK_RETURN && CharCode != VK_ESCAPE) return;
      Accept = false;
      Answer(CharCode == VK_RETURN ? OnEnter : mrCancel);
    };
  };
  FB_OK->OnSelectNext = SelectNext(mrOk);
  FB_IOK->OnSelectNext = SelectNext(mrOk);
  FB_BREAK1->OnSelectNext = SelectNext(mrCancel);
  FB_ICANCEL->OnSelectNext = SelectNext(mrCancel);
  FB_BREAK2->OnSelectNext = SelectNext(mrOk);
  // The answer buttons take Left and Right before the form sees them.
  for (TPlainButton* B : {FB_OK, FB_BREAK1, FB_IOK, FB_ICANCEL})
    B->OnLeftRightKeyPressed = [this](TObject*, bool) { SwitchAnswer(); };
  FINPE->OnDrawItem = [this](TWinControl* C, Integer I, TRect R, TOwnerDrawState S) { FINPEDrawItem(C, I, R, S); };
  SetMode(TSBBoxMode::Message);
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
