// The message dialogs: building the form, its buttons and its layout.
#include "platform/gui/dialogs.h"

#include <algorithm>

RTL_IMPLEMENT_CLASS(TMessageForm, TForm, nullptr)
RTL_IMPLEMENT_CLASS(TMessageButton, TCustomControl, &ComponentFactory<TMessageButton>)

namespace {
constexpr Integer Margin = 8;
constexpr Integer IconSize = 32;
constexpr Integer ButtonWidth = 75;
constexpr Integer ButtonHeight = 25;
constexpr Integer ButtonSpacing = 4;

const char* const ButtonNames[] = {"Yes", "No", "OK", "Cancel", "Abort", "Retry", "Ignore",
                                   "All", "NoToAll", "YesToAll", "Help"};
const char* const ButtonCaptions[] = {"&Ja", "&Nein", "OK", "Abbrechen", "&Abbrechen", "&Wiederholen",
                                      "&Ignorieren", "&Alle", "N&ein für alle", "Ja für &alle", "&Hilfe"};
const TModalResult ButtonResults[] = {mrYes, mrNo, mrOk, mrCancel, mrAbort, mrRetry, mrIgnore,
                                      mrAll, mrNoToAll, mrYesToAll, mrNone};

// The extent of Msg as the dialog draws it (word-wrapped at MaxWidth).
TRect MeasureText(TFont* Font, const String& Msg, Integer MaxWidth) {
  TBitmap Measure;
  Measure.SetSize(1, 1);
  Measure.Canvas()->SetFont(Font);
  TRect R = Rect(0, 0, MaxWidth, 0);
  DrawText(*Measure.Canvas(), Msg, R, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX | DT_EXPANDTABS);
  return R;
}

// The colour of the icon of a dialog kind.
TColor IconColour(TMsgDlgType T) {
  switch (T) {
    case mtWarning: return RGB(255, 200, 0);
    case mtError: return RGB(220, 30, 30);
    case mtInformation: return RGB(40, 90, 220);
    case mtConfirmation: return RGB(40, 90, 220);
    default: return clNone;
  }
}
const char* IconGlyph(TMsgDlgType T) {
  switch (T) {
    case mtWarning: return "!";
    case mtError: return "X";
    case mtInformation: return "i";
    default: return "?";
  }
}
}  // namespace

// Builds the dialog: the form, the buttons in the order given, the layout.
class TMessageFormBuilder {
 public:
  static TMessageForm* Build(const String& Msg, TMsgDlgType DlgType, const String& Caption,
                             const std::vector<TMsgDlgBtn>& Order, size_t DefaultIndex) {
    auto* F = new TMessageForm(Application);
    try {
      F->AfterConstruction();
      F->FMessage = Msg;
      F->FType = DlgType;
      F->SetCaption(Caption);
      Layout(F, Order, DefaultIndex);
    } catch (...) {
      delete F;
      throw;
    }
    return F;
  }

 private:
  static void Layout(TMessageForm* F, const std::vector<TMsgDlgBtn>& Order, size_t DefaultIndex) {
    TRect Text = MeasureText(F->Font(), F->FMessage, std::max(Screen->Width() / 2, 200));
    Integer TextLeft = Margin + (F->FType == mtCustom ? 0 : IconSize + Margin);
    F->FTextRect = Bounds(TextLeft, Margin, Text.Width(), Text.Height());
    Integer ButtonsWidth = Integer(Order.size()) * (ButtonWidth + ButtonSpacing) - ButtonSpacing;
    Integer ClientW = std::max(TextLeft + Text.Width() + Margin, ButtonsWidth + 2 * Margin);
    Integer Body = std::max(Text.Height(), F->FType == mtCustom ? 0 : IconSize);
    Integer ButtonTop = Margin + Body + Margin + 4;
    F->SetClientWidth(ClientW);
    F->SetClientHeight(ButtonTop + ButtonHeight + Margin);
    Integer X = (ClientW - ButtonsWidth) / 2;
    for (size_t I = 0; I < Order.size(); ++I) {
      TMsgDlgBtn B = Order[I];
      auto* Button = new TMessageButton(F);
      Button->SetName(ButtonNames[B]);
      Button->SetCaption(ButtonCaptions[B]);
      Button->SetModalResult(ButtonResults[B]);
      Button->SetBounds(X, ButtonTop, ButtonWidth, ButtonHeight);
      Button->SetParent(F);
      if (I == DefaultIndex) {
        F->SetActiveControl(Button);
        F->FDefaultResult = ButtonResults[B];
      }
      X += ButtonWidth + ButtonSpacing;
    }
    F->FCancelResult = CancelResult(Order);
  }

  static TModalResult CancelResult(const std::vector<TMsgDlgBtn>& Order) {
    for (TMsgDlgBtn B : {mbCancel, mbNo, mbOK})
      if (std::find(Order.begin(), Order.end(), B) != Order.end()) return ButtonResults[B];
    return mrCancel;
  }
};

// ---- TMessageForm ---------------------------------------------------------------------------

TMessageForm::TMessageForm(TComponent* AOwner) : TForm(AOwner, 0) {
  SetBorderStyle(bsDialog);
  SetBorderIcons({biSystemMenu});
  SetPosition(poScreenCenter);
  SetKeyPreview(true);
  Font()->SetName("Tahoma");
  Font()->SetHeight(-11);
}

TWinControl* TMessageForm::FindButton(TModalResult Result) const {
  for (Integer I = 0; I < ControlCount(); ++I)
    if (auto* B = dynamic_cast<TMessageButton*>(Controls(I)); B && B->ModalResult() == Result) return B;
  return nullptr;
}

void TMessageForm::Paint() {
  TCanvas* C = Canvas();
  if (FType != mtCustom) {
    C->Brush()->SetColor(IconColour(FType));
    C->Pen()->SetColor(clBlack);
    C->Ellipse(Margin, Margin, Margin + IconSize, Margin + IconSize);
    C->SetFont(Font());
    C->Font()->SetColor(clWhite);
    C->Font()->SetStyle({fsBold});
    C->SetBkMode(TRANSPARENT);
    TRect G = Bounds(Margin, Margin, IconSize, IconSize);
    DrawText(*C, IconGlyph(FType), G, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
  }
  C->SetFont(Font());
  C->SetBkMode(TRANSPARENT);
  TRect R = FTextRect;
  DrawText(*C, FMessage, R, DT_WORDBREAK | DT_NOPREFIX | DT_EXPANDTABS);
  TForm::Paint();
}

void TMessageForm::KeyDown(Word& Key, TShiftState Shift) {
  if (Key == VK_ESCAPE) {
    SetModalResult(FCancelResult);
    Key = 0;
  } else if (Key == VK_RETURN) {
    auto* Focused = dynamic_cast<TMessageButton*>(FocusedControl());
    SetModalResult(Focused ? Focused->ModalResult() : FDefaultResult);
    Key = 0;
  }
  TForm::KeyDown(Key, Shift);
}

// ---- TMessageButton --------------------------------------------------------------------------

TMessageButton::TMessageButton(TComponent* AOwner) : TCustomControl(AOwner) {
  SetTabStop(true);
  FParentColor = false;
  SetColor(clBtnFace);
}

void TMessageButton::Click() {
  if (TCustomForm* F = GetParentForm(this)) F->SetModalResult(FModalResult);
  TCustomControl::Click();
}

void TMessageButton::Paint() {
  TCanvas* C = Canvas();
  TRect R = ClientRect();
  C->Brush()->SetColor(Color());
  C->Pen()->SetColor(Focused() ? clBlack : clBtnShadow);
  C->Rectangle(R);
  C->SetFont(Font());
  C->SetBkMode(TRANSPARENT);
  DrawText(*C, Caption(), R, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
}

void TMessageButton::KeyDown(Word& Key, TShiftState Shift) {
  if (Key == VK_SPACE) {
    Click();
    Key = 0;
  }
  TCustomControl::KeyDown(Key, Shift);
}

// ---- Routines ---------------------------------------------------------------------------------

String MsgDlgCaption(TMsgDlgType DlgType) {
  switch (DlgType) {
    case mtWarning: return "Warnung";
    case mtError: return "Fehler";
    case mtInformation: return "Information";
    case mtConfirmation: return "Bestätigen";
    default: return Application->Title();
  }
}

String MsgDlgButtonCaption(TMsgDlgBtn Button) { return ButtonCaptions[Button]; }
TModalResult MsgDlgButtonResult(TMsgDlgBtn Button) { return ButtonResults[Button]; }

TMessageForm* CreateMessageDialog(const String& Msg, TMsgDlgType DlgType, TMsgDlgButtons Buttons,
                                  TMsgDlgBtn DefaultButton) {
  std::vector<TMsgDlgBtn> Order;
  size_t DefaultIndex = 0;
  for (int B = mbYes; B <= mbHelp; ++B)
    if (Buttons.Contains(TMsgDlgBtn(B))) {
      if (B == DefaultButton) DefaultIndex = Order.size();
      Order.push_back(TMsgDlgBtn(B));
    }
  return TMessageFormBuilder::Build(Msg, DlgType, MsgDlgCaption(DlgType), Order, DefaultIndex);
}

namespace {
TModalResult ShowAndFree(TMessageForm* F) {
  TModalResult R = mrNone;
  try {
    R = F->ShowModal();
  } catch (...) {
    F->DestroyForm();
    throw;
  }
  F->DestroyForm();
  return R;
}

// The buttons of a MessageBox style, in the window manager's order.
std::vector<TMsgDlgBtn> MessageBoxButtons(UINT Flags) {
  switch (Flags & 0xF) {
    case MB_OKCANCEL: return {mbOK, mbCancel};
    case MB_ABORTRETRYIGNORE: return {mbAbort, mbRetry, mbIgnore};
    case MB_YESNOCANCEL: return {mbYes, mbNo, mbCancel};
    case MB_YESNO: return {mbYes, mbNo};
    case MB_RETRYCANCEL: return {mbRetry, mbCancel};
    default: return {mbOK};
  }
}

TMsgDlgType MessageBoxType(UINT Flags) {
  switch (Flags & 0xF0) {
    case MB_ICONSTOP: return mtError;
    case MB_ICONQUESTION: return mtConfirmation;
    case MB_ICONWARNING: return mtWarning;
    case MB_ICONINFORMATION: return mtInformation;
    default: return mtCustom;
  }
}
}  // namespace

TModalResult MessageDlg(const String& Msg, TMsgDlgType DlgType, TMsgDlgButtons Buttons, Integer HelpCtx) {
  TMsgDlgBtn Default = Buttons.Contains(mbOK) ? mbOK : mbYes;
  TMessageForm* F = CreateMessageDialog(Msg, DlgType, Buttons, Default);
  F->SetHelpContext(HelpCtx);
  return ShowAndFree(F);
}

void ShowMessage(const String& Msg) {
  ShowAndFree(CreateMessageDialog(Msg, mtCustom, {mbOK}, mbOK));
}

Integer ShowMessageBox(const String& Text, const String& Caption, UINT Flags) {
  std::vector<TMsgDlgBtn> Order = MessageBoxButtons(Flags);
  size_t DefaultIndex = std::min<size_t>((Flags >> 8) & 0xF, Order.size() - 1);
  TMessageForm* F = TMessageFormBuilder::Build(Text, MessageBoxType(Flags), Caption.empty() ? "Fehler" : Caption,
                                               Order, DefaultIndex);
  TModalResult R = ShowAndFree(F);
  for (TMsgDlgBtn B : Order)
    if (ButtonResults[B] == R) return R;
  return Order.size() == 1 ? IDOK : IDCANCEL;
}
