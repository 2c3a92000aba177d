// EcChoice: validation on exit, the error balloon and its hook, the update
// bracket, and masked editing.
#include "ui/controls/EcChoice.h"

#include "platform/gui/forms.h"
#include "platform/rtl/charset.h"
#include "platform/rtl/format.h"
#include "platform/rtl/sysutils.h"
#include "platform/rtl/typinfo.h"

RTL_IMPLEMENT_CLASS(TEcCustomEdit, TCustomEdit, &ComponentFactory<TEcCustomEdit>)
RTL_IMPLEMENT_CLASS(TEcCustomMaskEdit, TEcCustomEdit, &ComponentFactory<TEcCustomMaskEdit>)
RTL_IMPLEMENT_CLASS(TEcParentEdit, TEcCustomMaskEdit, &ComponentFactory<TEcParentEdit>)

RTL_PUBLISHED(TEcParentEdit) {
  P.Field("CanEmpty", &TEcParentEdit::CanEmpty).Default(true);
  P.Prop("EditMask", &TEcParentEdit::EditMask, &TEcParentEdit::SetEditMask);
  P.Prop("Alignment", &TEcParentEdit::Alignment, &TEcParentEdit::SetAlignment).Default(taLeftJustify);
  P.Field("OnKillFocus", &TEcParentEdit::OnKillFocus);
  P.Field("OnShowError", &TEcParentEdit::OnShowError);
  P.Field("OnGetErrorHint", &TEcParentEdit::OnGetErrorHint);
}

TNotifyEvent TEcCustomEdit::OnEditCreated, TEcCustomEdit::OnEditDestroying;

String EcLoadString(Integer) { return String(); }

namespace {

// The process's balloon, its owner and the message hook.
struct TBalloonState {
  TEcMessageWindow* Balloon = nullptr;
  TEcCustomEdit* Owner = nullptr;
  HHOOK Hook = 0;
};
TBalloonState& BalloonState() {
  static TBalloonState S;
  return S;
}

// Retrieved messages that end a shown balloon: a typed character, a menu
// command, and the application's activation, deactivation, key-down and
// system command.
bool EndsBalloon(UINT Msg) {
  return Msg == WM_CHAR || Msg == WM_COMMAND || Msg == CM_ACTIVATE || Msg == CM_DEACTIVATE ||
         Msg == CM_APPKEYDOWN || Msg == CM_APPSYSCOMMAND;
}

LRESULT BalloonHook(int Code, WPARAM WParam, LPARAM LParam) {
  TBalloonState& S = BalloonState();
  LRESULT R = CallNextHookEx(S.Hook, Code, WParam, LParam);
  const MSG* M = reinterpret_cast<const MSG*>(LParam);
  if (Code == HC_ACTION && WParam == PM_REMOVE && M && S.Balloon && S.Owner && S.Owner->HandleAllocated() &&
      EndsBalloon(M->message))
    PostMessage(S.Owner->Handle(), ECM_SHOWERROR, 0, 0);
  return R;
}

}  // namespace

// ---- TEcCustomEdit ---------------------------------------------------------------------------

RTL_MESSAGE_MAP(TEcCustomEdit) {
  M.On(ECM_SHOWERROR, &TEcCustomEdit::ECMShowError);
  M.On(CM_EXIT, &TEcCustomEdit::CMExit);
  M.On(CM_DIALOGCHAR, &TEcCustomEdit::CMDialogChar);
  M.On(WM_MOUSEACTIVATE, &TEcCustomEdit::WMMouseActivate);
  M.On(WM_LBUTTONDOWN, &TEcCustomEdit::WMLButtonDown);
  M.On(WM_CANCELMODE, &TEcCustomEdit::WMCancelMode);
  M.On(CM_CANCELMODE, &TEcCustomEdit::CMCancelMode);
  M.On(WM_DESTROY, &TEcCustomEdit::WMDestroy);
}

TEcCustomEdit::TEcCustomEdit(TComponent* AOwner) : TCustomEdit(AOwner) {
  FControlStyle.Include(csOpaque).Exclude(csFixedHeight);
  if (OnEditCreated) OnEditCreated(this);
}

TEcCustomEdit::~TEcCustomEdit() {
  if (OnEditDestroying) OnEditDestroying(this);
  if (BalloonState().Owner == this) HideErrorBalloon();
}

TEcMessageWindow* TEcCustomEdit::ErrorBalloon() { return BalloonState().Balloon; }
TEcCustomEdit* TEcCustomEdit::ErrorBalloonOwner() { return BalloonState().Owner; }
bool TEcCustomEdit::ErrorHookInstalled() { return BalloonState().Hook != 0; }

void TEcCustomEdit::SetAlignment(TAlignment V) {
  if (V == EditAlignment()) return;
  String Keep = Text();
  SetEditAlignment(V);
  RecreateWnd();
  if (Text() != Keep) TCustomEdit::SetText(Keep);
  Invalidate();
}

void TEcCustomEdit::CreateParams(TCreateParams& Params) {
  TCustomEdit::CreateParams(Params);
  static const DWORD Alignments[2][3] = {{ES_LEFT, ES_RIGHT, ES_CENTER}, {ES_RIGHT, ES_LEFT, ES_CENTER}};
  Params.Style |= Alignments[UseRightToLeftAlignment() ? 1 : 0][Integer(EditAlignment())];
}

bool TEcCustomEdit::CanValidate() { return !ReadOnly(); }

void TEcCustomEdit::UpdateErrorText() {
  if (ErrorCode == ecEmptyText) ErrorText = EcLoadString(SEcEmptyText);
  if (OnGetErrorHint) OnGetErrorHint(this, ErrorCode, ErrorText);
}

void TEcCustomEdit::DoShowError() {
  if (OnShowError) OnShowError(BalloonState().Balloon);
}

void TEcCustomEdit::CloseUp(bool, bool Immediately) {
  if (!HandleAllocated()) return;
  if (Immediately) SendMessage(Handle(), ECM_DROPDOWN, 0, 0);
  else PostMessage(Handle(), ECM_DROPDOWN, 0, 0);
}

void TEcCustomEdit::Validate(bool& Error) {
  if (CanValidate() && !Error) {
    if (!CanEmpty && Trim(Text()).empty()) {
      ErrorCode = ecEmptyText;
      Error = true;
    }
  } else if (!Error) {
    ErrorCode = 0;
  }
  if (OnKillFocus) OnKillFocus(this, Error);
  if (Error && Parent()) {
    // The parent form and then the parent may cancel the error.
    WPARAM Me = reinterpret_cast<WPARAM>(static_cast<TObject*>(this));
    TCustomForm* Form = GetParentForm(this);
    bool Cancelled = (Form && Form->Perform(ECM_QUERYERROR, Me, 0) != 0) || Parent()->Perform(ECM_QUERYERROR, Me, 0) != 0;
    if (Cancelled) Error = false;
  }
  if (!Error) Perform(ECM_SHOWERROR, 0, 0);
}

void TEcCustomEdit::CMExit(TMessage& M) {
  if (!Visible()) return Inherited(TEcCustomEdit::StaticClass(), M);
  // An edit that was about to be entered when another one took the focus
  // back has nothing to validate; validating it would take the focus back
  // again, for ever.
  if (!FEntered) return;
  FEntered = false;
  ErrorCode = 0;
  bool Error = false;
  Validate(Error);
  ErrorShown = Error;
  if (Error) {
    // The focus comes back; the balloon shows once the focus change is over.
    if (CanFocus()) {
      SetFocus();
      PostMessage(Handle(), ECM_SHOWERROR, 1, 0);
    }
    return;
  }
  SetSelStart(1);
  SetSelLength(0);
  Inherited(TEcCustomEdit::StaticClass(), M);
}

void TEcCustomEdit::DoEnter() {
  FEntered = true;
  TCustomEdit::DoEnter();
  if (!MouseActivated) SelectAll();
  MouseActivated = false;
}

void TEcCustomEdit::WMMouseActivate(TMessage& M) {
  MouseActivated = true;
  Inherited(TEcCustomEdit::StaticClass(), M);
}

void TEcCustomEdit::WMLButtonDown(TMessage& M) {
  if (!Focused()) MouseActivated = true;
  Inherited(TEcCustomEdit::StaticClass(), M);
}

void TEcCustomEdit::ECMShowError(TMessage& M) {
  if (M.WParam == 0) {
    HideErrorBalloon();
    ErrorShown = false;
    return;
  }
  CloseUp(false, true);
  if (M.LParam) ErrorCode = Integer(M.LParam);
  UpdateErrorText();
  if (Trim(ErrorText).empty()) return;
  ShowErrorBalloon();
}

void TEcCustomEdit::ShowErrorBalloon() {
  TBalloonState& S = BalloonState();
  if (S.Balloon && S.Owner == this && S.Balloon->Caption() == ErrorText && S.Balloon->PopupShowing()) return;
  if (S.Balloon && S.Owner != this) HideErrorBalloon();
  if (S.Balloon) {
    S.Balloon->HidePopup();
  } else {
    S.Balloon = new TEcMessageWindow(this);
    S.Owner = this;
  }
  TEcMessageWindow* B = S.Balloon;
  B->BeginUpdate();
  B->AutoHide = true;
  B->DisplayTime = Cardinal(ErrorDisplayTime());
  B->SetKind(1);
  B->SetPlacement(3);
  B->SetShape(2);
  B->Font()->SetSize(8);
  B->EndUpdate();
  B->SetBounds(5, Height() - 9, B->Width(), B->Height());
  DoShowError();
  B->SetCaption(ErrorText);
  ErrorShown = true;
  B->Popup();
  if (!S.Hook) S.Hook = SetWindowsHookEx(WH_GETMESSAGE, BalloonHook);
}

void TEcCustomEdit::HideErrorBalloon() {
  TBalloonState& S = BalloonState();
  if (S.Hook) UnhookWindowsHookEx(S.Hook);
  S.Hook = 0;
  TEcMessageWindow* B = S.Balloon;
  S.Balloon = nullptr;
  S.Owner = nullptr;
  if (!B) return;
  B->HidePopup();
  delete B;
}

void TEcCustomEdit::KeyDown(Word& Key, TShiftState Shift) {
  if (Key == VK_DELETE) Perform(ECM_SHOWERROR, 0, 0);
  TCustomEdit::KeyDown(Key, Shift);
}

void TEcCustomEdit::KeyPress(char32_t& Key) {
  TBalloonState& S = BalloonState();
  if (Key == U'\r' && S.Owner == this && S.Balloon && S.Balloon->Buttons()->Count() > 0) {
    PostMessage(Handle(), ECM_SHOWERROR, 0, 0);
    Key = 0;
    return;
  }
  if (Key == 27) Perform(EM_UNDO, 0, 0);
  TCustomEdit::KeyPress(Key);
}

void TEcCustomEdit::CMDialogChar(TMessage& M) {
  TBalloonState& S = BalloonState();
  if (S.Owner == this && S.Balloon) {
    if (TI_EditButton* B = S.Balloon->Buttons()->FindAccel(char32_t(M.WParam))) {
      if (B->OnClick) B->OnClick(B);
      M.Result = 1;
      return;
    }
  }
  Inherited(TEcCustomEdit::StaticClass(), M);
}

void TEcCustomEdit::WMCancelMode(TMessage& M) {
  TBalloonState& S = BalloonState();
  // The balloon's own cancel-mode waits for the queue; with buttons the
  // balloon stays.
  bool FromBalloon = S.Balloon && S.Balloon->HandleAllocated() && GetCapture() == S.Balloon->Handle();
  if (!FromBalloon) Perform(ECM_SHOWERROR, 0, 0);
  else if (S.Balloon->Buttons()->Count() == 0) PostMessage(Handle(), ECM_SHOWERROR, 0, 0);
  Inherited(TEcCustomEdit::StaticClass(), M);
}

void TEcCustomEdit::CMCancelMode(TMessage& M) {
  TBalloonState& S = BalloonState();
  if (reinterpret_cast<TControl*>(M.LParam) != this && S.Owner == this && S.Balloon &&
      S.Balloon->Buttons()->Count() == 0)
    Perform(ECM_SHOWERROR, 0, 0);
  Inherited(TEcCustomEdit::StaticClass(), M);
}

void TEcCustomEdit::WMDestroy(TMessage& M) {
  if (BalloonState().Owner == this) HideErrorBalloon();
  Inherited(TEcCustomEdit::StaticClass(), M);
}

void TEcCustomEdit::Change() {
  if (ComponentState().Contains(csLoading)) return;
  FChangePending = true;
  if (FUpdateCount == 0) TCustomEdit::Change();
}

void TEcCustomEdit::BeginUpdate(bool Notify) {
  if (FUpdateCount == 0) FChangePending = false;
  ++FUpdateCount;
  FNotifyOnEndUpdate = Notify;
}

void TEcCustomEdit::EndUpdate() {
  if (FUpdateCount > 0) --FUpdateCount;
  if (FUpdateCount == 0 && FChangePending) {
    if (FNotifyOnEndUpdate) TCustomEdit::Change();
    FChangePending = false;
  }
}

// ---- TEcCustomMaskEdit ---------------------------------------------------------------------

RTL_MESSAGE_MAP(TEcCustomMaskEdit) {
  M.On(WM_CUT, &TEcCustomMaskEdit::WMCut);
  M.On(WM_PASTE, &TEcCustomMaskEdit::WMPaste);
}

TEcCustomMaskEdit::TEcCustomMaskEdit(TComponent* AOwner) : TEcCustomEdit(AOwner) {}

TEcCustomMaskEdit::~TEcCustomMaskEdit() { FElements.SetCapacity(0); }

void TEcCustomMaskEdit::SetEditMask(const String& V) {
  FEditMask = V;
  CompileMask(Utf8ToAnsi(V), FElements);
  if (HasMask() && Text().empty()) ResetMaskText();
}

bool TEcCustomMaskEdit::MaskCheck() {
  if (!HasMask()) return true;
  std::string T = Utf8ToAnsi(Text());
  std::string Converted = T;
  if (!MaskMatchesWhole(Converted, FElements)) return false;
  if (Converted != T) TCustomEdit::SetText(AnsiToUtf8(Converted));
  return true;
}

Integer TEcCustomMaskEdit::ErrorDisplayTime() {
  return ErrorCode == ecMaskMismatch ? 4000 : TEcCustomEdit::ErrorDisplayTime();
}

void TEcCustomMaskEdit::UpdateErrorText() {
  if (ErrorCode == ecMaskMismatch) ErrorText = Format("%s %s", {EcLoadString(SEcMaskMismatch), FEditMask});
  TEcCustomEdit::UpdateErrorText();
}

void TEcCustomMaskEdit::Validate(bool& Error) {
  if (CanValidate() && !Error && !CanEmpty && Trim(Text()).empty()) {
    ErrorCode = ecEmptyText;
    Error = true;
  }
  if (CanValidate() && !Error && !Trim(Text()).empty() && !MaskCheck()) {
    ErrorCode = ecMaskMismatch;
    Error = true;
  }
  TEcCustomEdit::Validate(Error);
}

void TEcCustomMaskEdit::ResetMaskText() {
  Integer Caret = SelStart();
  FReformatting = true;
  TCustomEdit::SetText("");
  std::string T;
  Integer C = 0;
  MaskLeadingLiterals(FElements, 0, T, C);
  TCustomEdit::SetText(AnsiToUtf8(T));
  FReformatting = false;
  SetSelStart(std::min<Integer>(Caret, Integer(T.size())));
}

void TEcCustomMaskEdit::Change() {
  // An emptied text gets the mask's leading literals back.
  if (HasMask() && !FReformatting && Text().empty() && !ComponentState().Contains(csLoading)) {
    std::string T;
    Integer C = 0;
    MaskLeadingLiterals(FElements, 0, T, C);
    if (!T.empty()) {
      Integer Caret = SelStart();
      FReformatting = true;
      TCustomEdit::SetText(AnsiToUtf8(T));
      FReformatting = false;
      SetSelStart(Caret);
      return;
    }
  }
  TEcCustomEdit::Change();
}

void TEcCustomMaskEdit::SetMaskedText(const std::string& Ansi, Integer Caret) {
  String Old = Text();
  String New = AnsiToUtf8(Ansi);
  if (New != Old) {
    FReformatting = true;
    TCustomEdit::SetText(New);
    FReformatting = false;
    SetModified(true);
  }
  SetSelStart(Caret);
  SetSelLength(0);
}

void TEcCustomMaskEdit::MaskedInsert(const String& Inserted) {
  std::string T = Utf8ToAnsi(Text());
  Integer Start = SelStart(), End = SelStart() + SelLength();
  if (MaskInsert(T, Utf8ToAnsi(Inserted), FElements, Start, End)) SetMaskedText(T, Start);
}

void TEcCustomMaskEdit::MaskedDelete(bool Backspace) {
  std::string T = Utf8ToAnsi(Text());
  Integer From = SelStart(), To = SelStart() + SelLength();
  if (From == To) {
    if (Backspace) {
      // The typed character before the literals in front of the caret.
      Integer Element = MaskBackOverLiterals(From, FElements);
      if (Element < 0 || From == 0) return;
      From = std::min(Element, From - 1);
      To = From + 1;
    } else {
      if (From >= Integer(T.size())) return;
      To = From + 1;
    }
  }
  Integer Caret = MaskDelete(T, FElements, From, To);
  // Literals that follow the kept text are filled in again.
  std::string Probe = T;
  Integer Skipped, EndElement;
  if (MatchMask(Probe, FElements, false, false, Skipped, EndElement) >= 0 && Caret >= Integer(T.size()))
    MaskLeadingLiterals(FElements, EndElement, T, Caret);
  SetMaskedText(T, std::min<Integer>(Caret, Integer(T.size())));
}

void TEcCustomMaskEdit::KeyDown(Word& Key, TShiftState Shift) {
  if (HasMask() && !ReadOnly() && (Key == VK_BACK || Key == VK_DELETE)) {
    TEcCustomEdit::KeyDown(Key, Shift);  // OnKeyDown first
    if (Key == 0) return;
    MaskedDelete(Key == VK_BACK);
    Key = 0;
    return;
  }
  TEcCustomEdit::KeyDown(Key, Shift);
}

void TEcCustomMaskEdit::KeyPress(char32_t& Key) {
  if (HasMask()) {
    if (Key >= 32 && !ReadOnly()) {
      String S;
      Utf8Append(S, Key);
      MaskedInsert(S);
      Key = 0;
      return;
    }
    if (Key == 8) {
      Key = 0;
      return;
    }
  }
  TEcCustomEdit::KeyPress(Key);
}

void TEcCustomMaskEdit::WMCut(TMessage& M) {
  if (!HasMask()) return Inherited(TEcCustomMaskEdit::StaticClass(), M);
  if (SelLength() == 0 || ReadOnly()) return;
  CopyToClipboard();
  MaskedDelete(false);
}

void TEcCustomMaskEdit::WMPaste(TMessage& M) {
  if (!HasMask()) return Inherited(TEcCustomMaskEdit::StaticClass(), M);
  if (ReadOnly()) return;
  String Clip = GetClipboardText();
  size_t Line = Clip.find_first_of("\r\n");
  if (Line != String::npos) Clip.resize(Line);
  MaskedInsert(Clip);
}
