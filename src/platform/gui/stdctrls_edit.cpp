// TCustomEdit: construction, properties, clipboard, keys and messages.
// Geometry and painting are in stdctrls_edit_paint.cpp.
#include "platform/gui/stdctrls_edit.h"

#include "platform/rtl/charset.h"
#include "platform/rtl/classreg.h"
#include "platform/rtl/events.h"

RTL_IMPLEMENT_CLASS(TCustomEdit, TWinControl, &ComponentFactory<TCustomEdit>)
RTL_IMPLEMENT_CLASS(TEdit, TCustomEdit, &ComponentFactory<TEdit>)

TCustomEdit::TCustomEdit(TComponent* AOwner) : TWinControl(AOwner), FMeasure(std::make_unique<TCanvas>()) {
  SetControlStyle(TControlStyle{csClickEvents, csSetCaption, csDoubleClicks, csFixedHeight});
  FControlState.Include(csCustomPaint);
  SetBounds(0, 0, 121, 21);
  FParentColor = false;
  SetColor(clWindow);
  FTabStop = true;
}

TCustomEdit::~TCustomEdit() = default;

// ---- Text and selection ---------------------------------------------------------

void TCustomEdit::SetText(const String& V) {
  if (V == FBuffer.Text()) return;
  FBuffer.SetText(V);
  FModified = false;
  FScrollX = 0;
  if (FHandle) SetWindowText(FHandle, FBuffer.Text());
  TextChanged();
}

void TCustomEdit::SetSelStart(Integer V) {
  FBuffer.MoveCaret(V, false);
  SelectionChanged();
}

void TCustomEdit::SetSelLength(Integer V) {
  FBuffer.SetSel(FBuffer.SelStart(), FBuffer.SelStart() + (V < 0 ? 0 : V));
  SelectionChanged();
}

void TCustomEdit::SetSelText(const String& V) {
  if (FBuffer.ReplaceSel(V)) UserChanged();
}

void TCustomEdit::SelectAll() {
  FBuffer.SetSel(0, -1);
  SelectionChanged();
}

void TCustomEdit::ClearSelection() {
  if (!FReadOnly && FBuffer.SelLength() > 0 && FBuffer.ReplaceSel("")) UserChanged();
}

void TCustomEdit::CopyToClipboard() {
  // A password is never handed out.
  if (FPasswordChar == 0 && FBuffer.SelLength() > 0) SetClipboardText(FBuffer.SelText());
}

void TCustomEdit::CutToClipboard() {
  if (FReadOnly) return;
  CopyToClipboard();
  ClearSelection();
}

void TCustomEdit::PasteFromClipboard() {
  if (!FReadOnly && FBuffer.ReplaceSel(GetClipboardText())) UserChanged();
}

void TCustomEdit::Undo() {
  if (!FReadOnly && FBuffer.Undo()) UserChanged();
}

void TCustomEdit::Change() { FireEvent(OnChange, this); }

void TCustomEdit::UserChanged() {
  FModified = true;
  if (FHandle) SetWindowText(FHandle, FBuffer.Text());
  TextChanged();
}

void TCustomEdit::TextChanged() {
  ScrollCaret();
  Perform(CM_TEXTCHANGED, 0, 0);
  // Text read from a form description is no change.
  if (!ComponentState().Contains(csLoading)) Change();
}

void TCustomEdit::SelectionChanged() {
  ScrollCaret();
  Invalidate();
}

// ---- Properties --------------------------------------------------------------------

void TCustomEdit::SetBorderStyle(TBorderStyle V) {
  if (V == FBorderStyle) return;
  FBorderStyle = V;
  RecreateWnd();
}

void TCustomEdit::SetCtl3D(bool V) {
  if (V == FCtl3D) return;
  FCtl3D = V;
  RecreateWnd();
}

void TCustomEdit::SetCharCase(TEditCharCase V) {
  String Old = FBuffer.Text();
  FBuffer.SetCharCase(V);
  if (FBuffer.Text() != Old) TextChanged();
}

void TCustomEdit::SetHideSelection(bool V) {
  FHideSelection = V;
  Invalidate();
}

void TCustomEdit::SetPasswordChar(char32_t V) {
  if (V == FPasswordChar) return;
  FPasswordChar = V;
  FScrollX = 0;
  SelectionChanged();
}

void TCustomEdit::SetReadOnly(bool V) {
  FReadOnly = V;
  if (FHandle) SetWindowLong(FHandle, GWL_STYLE, V ? (GetWindowLong(FHandle, GWL_STYLE) | ES_READONLY)
                                             : (GetWindowLong(FHandle, GWL_STYLE) & ~std::intptr_t(ES_READONLY)));
}

void TCustomEdit::SetEditAlignment(TAlignment V) {
  if (V == FAlignment) return;
  FAlignment = V;
  RecreateWnd();
  SelectionChanged();
}

DWORD TCustomEdit::EditStyle() const {
  static const DWORD Align[] = {ES_LEFT, ES_RIGHT, ES_CENTER};
  static const DWORD Case[] = {0, ES_UPPERCASE, ES_LOWERCASE};
  DWORD S = ES_AUTOHSCROLL | Align[FAlignment] | Case[FBuffer.CharCase()];
  if (!FHideSelection) S |= ES_NOHIDESEL;
  if (FOEMConvert) S |= ES_OEMCONVERT;
  if (FReadOnly) S |= ES_READONLY;
  if (FPasswordChar) S |= ES_PASSWORD;
  return S;
}

void ApplyBorderStyle(TCreateParams& Params, TBorderStyle Style, bool Ctl3D) {
  if (Style != bsSingle) return;
  if (Ctl3D) Params.ExStyle |= WS_EX_CLIENTEDGE;
  else Params.Style |= WS_BORDER;
}

void TCustomEdit::CreateParams(TCreateParams& Params) {
  TWinControl::CreateParams(Params);
  Params.Style |= EditStyle();
  ApplyBorderStyle(Params, FBorderStyle, FCtl3D);
}

void TCustomEdit::DoEnter() {
  // Entering by keyboard selects everything (a click places the caret
  // afterwards anyway).
  if (FAutoSelect && !(GetKeyState(VK_LBUTTON) < 0)) SelectAll();
  TWinControl::DoEnter();
}

// ---- Keys ------------------------------------------------------------------------------

void TCustomEdit::EditKeyDown(Word Key) {
  bool Shift = GetKeyState(VK_SHIFT) < 0, Ctrl = GetKeyState(VK_CONTROL) < 0;
  Integer Caret = FBuffer.Caret();
  switch (Key) {
    case VK_LEFT:
      if (!Shift && FBuffer.SelLength() > 0) FBuffer.MoveCaret(FBuffer.SelStart(), false);
      else FBuffer.MoveCaret(Ctrl ? FBuffer.WordLeft(Caret) : Caret - 1, Shift);
      break;
    case VK_RIGHT:
      if (!Shift && FBuffer.SelLength() > 0) FBuffer.MoveCaret(FBuffer.SelEnd(), false);
      else FBuffer.MoveCaret(Ctrl ? FBuffer.WordRight(Caret) : Caret + 1, Shift);
      break;
    case VK_HOME: FBuffer.MoveCaret(0, Shift); break;
    case VK_END: FBuffer.MoveCaret(FBuffer.Length(), Shift); break;
    case VK_DELETE:
      if (Shift) CutToClipboard();
      else if (!FReadOnly && FBuffer.DeleteForward()) UserChanged();
      return;
    case VK_INSERT:
      if (Ctrl) CopyToClipboard();
      else if (Shift) PasteFromClipboard();
      return;
    default: return;
  }
  SelectionChanged();
}

void TCustomEdit::EditChar(char32_t C) {
  switch (C) {
    case 1: SelectAll(); return;                // Ctrl+A
    case 3: CopyToClipboard(); return;          // Ctrl+C
    case 0x16: PasteFromClipboard(); return;    // Ctrl+V
    case 0x18: CutToClipboard(); return;        // Ctrl+X
    case 0x1A: Undo(); return;                  // Ctrl+Z
    case 8:
      if (!FReadOnly && FBuffer.DeleteBack()) UserChanged();
      return;
  }
  if (C < 32 || C == 127 || FReadOnly) return;
  String S;
  Utf8Append(S, C);
  if (FBuffer.ReplaceSel(S, true, true)) UserChanged();
}

// ---- Messages ------------------------------------------------------------------------

void TCustomEdit::DefaultHandler(TMessage& M) {
  switch (M.Msg) {
    case WM_GETDLGCODE: M.Result = DLGC_WANTARROWS | DLGC_WANTCHARS | DLGC_HASSETSEL; return;
    case WM_SETCURSOR:
      if (LOWORD(std::uintptr_t(M.LParam)) == HTCLIENT) {
        ::SetCursor(IDC_IBEAM);
        M.Result = 1;
        return;
      }
      break;
    case WM_SETFOCUS:
      CreateCaret(FHandle, 1, FontHeight());
      UpdateCaret();
      ShowCaret(FHandle);
      Invalidate();
      return;
    case WM_KILLFOCUS:
      DestroyCaret();
      FMouseSelecting = false;
      FBuffer.BreakUndoRun();
      Invalidate();
      return;
    case WM_PRINTCLIENT:
      if (M.WParam) PaintWindow(*reinterpret_cast<TCanvas*>(M.WParam));
      return;
    case WM_KEYDOWN: EditKeyDown(Word(M.WParam)); return;
    case WM_CHAR: EditChar(char32_t(M.WParam)); return;
  }
  if (EditMessage(M) || EditMessageMore(M)) return;
  TWinControl::DefaultHandler(M);
}

bool TCustomEdit::EditMessage(TMessage& M) {
  switch (M.Msg) {
    case EM_GETSEL: {
      if (M.WParam) *reinterpret_cast<DWORD*>(M.WParam) = DWORD(SelStart());
      if (M.LParam) *reinterpret_cast<DWORD*>(M.LParam) = DWORD(FBuffer.SelEnd());
      M.Result = MAKELPARAM(SelStart(), FBuffer.SelEnd());
      return true;
    }
    case EM_SETSEL:
      FBuffer.SetSel(Integer(std::intptr_t(M.WParam)), Integer(M.LParam));
      SelectionChanged();
      return true;
    case EM_REPLACESEL:
      if (M.LParam && FBuffer.ReplaceSel(*reinterpret_cast<const String*>(M.LParam), M.WParam != 0)) UserChanged();
      return true;
    case EM_GETRECT:
      if (M.LParam) *reinterpret_cast<TRect*>(M.LParam) = FormatRect();
      return true;
    case EM_SETRECT:
    case EM_SETRECTNP:
      SetFormatRect(reinterpret_cast<const TRect*>(M.LParam));
      return true;
    case EM_SETMARGINS: SetMargins(M.WParam, M.LParam); return true;
    case EM_GETMARGINS: M.Result = MAKELPARAM(FLeftMargin, FRightMargin); return true;
    case EM_LIMITTEXT: SetMaxLength(Integer(M.WParam)); return true;
    case EM_SETREADONLY: SetReadOnly(M.WParam != 0); M.Result = 1; return true;
    case EM_SETPASSWORDCHAR: SetPasswordChar(char32_t(M.WParam)); return true;
    case EM_GETPASSWORDCHAR: M.Result = LRESULT(FPasswordChar); return true;
    case EM_GETMODIFY: M.Result = FModified; return true;
    case EM_SETMODIFY: FModified = M.WParam != 0; return true;
  }
  return false;
}

bool TCustomEdit::EditMessageMore(TMessage& M) {
  switch (M.Msg) {
    case EM_CANUNDO: M.Result = CanUndo(); return true;
    case EM_UNDO:
    case WM_UNDO: M.Result = CanUndo(); Undo(); return true;
    case EM_EMPTYUNDOBUFFER: ClearUndo(); return true;
    case EM_SCROLLCARET: ScrollCaret(); Invalidate(); return true;
    case EM_POSFROMCHAR: M.Result = MAKELPARAM(PosFromChar(Integer(M.WParam)), FormatRect().Top); return true;
    case EM_CHARFROMPOS: M.Result = CharFromPos(GET_X_LPARAM(M.LParam)); return true;
    case EM_GETLINECOUNT: M.Result = 1; return true;
    case EM_LINEINDEX:
    case EM_LINEFROMCHAR: M.Result = 0; return true;
    case EM_LINELENGTH: M.Result = FBuffer.Length(); return true;
    case EM_GETLINE:
      if (M.LParam) *reinterpret_cast<String*>(M.LParam) = FBuffer.Text();
      M.Result = FBuffer.Length();
      return true;
    case WM_CUT: CutToClipboard(); return true;
    case WM_COPY: CopyToClipboard(); return true;
    case WM_PASTE: PasteFromClipboard(); return true;
    case WM_CLEAR: ClearSelection(); return true;
    case WM_GETTEXT:
      *reinterpret_cast<String*>(M.LParam) = FBuffer.Text();
      M.Result = FBuffer.Length();
      return true;
    case WM_GETTEXTLENGTH: M.Result = FBuffer.Length(); return true;
    case WM_SETTEXT:
      SetText(*reinterpret_cast<const String*>(M.LParam));
      M.Result = 1;
      return true;
  }
  return false;
}

// ---- Mouse ------------------------------------------------------------------------------

void TCustomEdit::WMLButtonDown(TMessage& M) {
  if (!Focused() && CanFocus()) SetFocus();
  bool Shift = (M.WParam & MK_SHIFT) != 0;
  FBuffer.MoveCaret(CharFromPos(GET_X_LPARAM(M.LParam)), Shift);
  FMouseSelecting = true;
  if (FHandle) SetCapture(FHandle);
  SelectionChanged();
  Inherited(TCustomEdit::StaticClass(), M);
}

void TCustomEdit::WMLButtonUp(TMessage& M) {
  if (FMouseSelecting && GetCapture() == FHandle) ReleaseCapture();
  FMouseSelecting = false;
  Inherited(TCustomEdit::StaticClass(), M);
}

void TCustomEdit::WMLButtonDblClk(TMessage& M) {
  Integer P = CharFromPos(GET_X_LPARAM(M.LParam));
  Integer Start = FBuffer.WordLeft(P < FBuffer.Length() ? P + 1 : P);
  FBuffer.SetSel(Start, FBuffer.WordRight(Start));
  SelectionChanged();
  Inherited(TCustomEdit::StaticClass(), M);
}

void TCustomEdit::WMMouseMove(TMessage& M) {
  if (FMouseSelecting && (M.WParam & MK_LBUTTON)) {
    FBuffer.MoveCaret(CharFromPos(GET_X_LPARAM(M.LParam)), true);
    SelectionChanged();
  }
  Inherited(TCustomEdit::StaticClass(), M);
}

void TCustomEdit::CMFontChanged(TMessage& M) {
  Inherited(TCustomEdit::StaticClass(), M);
  if (AutoSize()) AdjustSize();
  if (Focused()) CreateCaret(FHandle, 1, FontHeight()), UpdateCaret(), ShowCaret(FHandle);
}

void TCustomEdit::CMEnabledChanged(TMessage& M) {
  Inherited(TCustomEdit::StaticClass(), M);
  Invalidate();
}

RTL_MESSAGE_MAP(TCustomEdit) {
  M.On(WM_LBUTTONDOWN, &TCustomEdit::WMLButtonDown);
  M.On(WM_LBUTTONUP, &TCustomEdit::WMLButtonUp);
  M.On(WM_LBUTTONDBLCLK, &TCustomEdit::WMLButtonDblClk);
  M.On(WM_MOUSEMOVE, &TCustomEdit::WMMouseMove);
  M.On(CM_FONTCHANGED, &TCustomEdit::CMFontChanged);
  M.On(CM_ENABLEDCHANGED, &TCustomEdit::CMEnabledChanged);
}

// ---- Published properties -----------------------------------------------------------------

RTL_PUBLISHED(TCustomEdit) {
  P.Prop("AutoSelect", &TCustomEdit::AutoSelect, &TCustomEdit::SetAutoSelect).Default(true);
  P.Prop("BorderStyle", &TCustomEdit::BorderStyle, &TCustomEdit::SetBorderStyle).Default(bsSingle);
  P.Prop("Ctl3D", &TCustomEdit::Ctl3D, &TCustomEdit::SetCtl3D).Default(true);
  P.Prop("ParentCtl3D", [](TCustomEdit*) { return true; }, [](TCustomEdit*, bool) {}).Stored(false);
  P.Prop("CharCase", &TCustomEdit::CharCase, &TCustomEdit::SetCharCase).Default(ecNormal);
  P.Prop("HideSelection", &TCustomEdit::HideSelection, &TCustomEdit::SetHideSelection).Default(true);
  P.Prop("MaxLength", &TCustomEdit::MaxLength, &TCustomEdit::SetMaxLength).Default(0);
  P.Prop("OEMConvert", &TCustomEdit::OEMConvert, &TCustomEdit::SetOEMConvert).Default(false);
  P.Prop("PasswordChar", [](TCustomEdit* E) { return char(E->PasswordChar()); },
         [](TCustomEdit* E, char C) { E->SetPasswordChar(char32_t(static_cast<unsigned char>(C))); })
      .Default('\0');
  P.Prop("ReadOnly", &TCustomEdit::ReadOnly, &TCustomEdit::SetReadOnly).Default(false);
  P.Prop("Text", &TCustomEdit::Text, &TCustomEdit::SetText);
  P.Field("OnChange", &TCustomEdit::OnChange);
}

[[maybe_unused]] static const bool EditClassesRegistered =
    (RegisterClasses({TCustomEdit::StaticClass(), TEdit::StaticClass()}), true);
