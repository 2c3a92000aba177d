// TCustomEdit and TEdit: the single-line edit box of the class library.
//
// The edit paints and edits itself (there is no separate edit window
// class): a caret, a selection made with the keyboard or the mouse, left
// and right margins inside a formatting rectangle, horizontal scrolling
// that keeps the caret in view, read-only mode, a length limit, a password
// character, character-case conversion, one step of undo, and cut, copy
// and paste through the text clipboard. It answers the EM_* messages of
// the original platform with these parameters:
//   EM_GETSEL      wParam, lParam: DWORD* for start and end (may be 0);
//                  returns MAKELONG(start, end)
//   EM_SETSEL      wParam start, lParam end (-1: end of text; start -1
//                  removes the selection)
//   EM_REPLACESEL  wParam can-undo, lParam const String*
//   EM_GETRECT     lParam TRect* (the formatting rectangle)
//   EM_SETRECT / EM_SETRECTNP  lParam const TRect* (null: the default)
//   EM_SETMARGINS  wParam EC_LEFTMARGIN | EC_RIGHTMARGIN, lParam
//                  MAKELPARAM(left, right); EM_GETMARGINS returns that
//   EM_LIMITTEXT   wParam limit (0: none); EM_SETREADONLY wParam flag
//   EM_SETPASSWORDCHAR wParam code point (0: none); EM_GETPASSWORDCHAR
//   EM_GETMODIFY / EM_SETMODIFY, EM_CANUNDO, EM_UNDO, EM_EMPTYUNDOBUFFER,
//   EM_SCROLLCARET, EM_POSFROMCHAR (wParam index; returns MAKELONG(x, y)),
//   EM_CHARFROMPOS (lParam MAKELPARAM(x, y); returns the index),
//   EM_GETLINECOUNT (1), EM_LINEINDEX (0), EM_LINELENGTH, EM_LINEFROMCHAR (0)
// and WM_CUT, WM_COPY, WM_PASTE, WM_CLEAR, WM_UNDO, WM_SETTEXT,
// WM_GETTEXT (String*), WM_PRINTCLIENT (wParam TCanvas*: paints the client
// area into it). Positions are characters.
//
// Keys: Left/Right (Ctrl: by word), Home/End, with Shift extending the
// selection; Delete, Backspace; Ctrl+C/X/V/Z/A, Ctrl+Insert,
// Shift+Insert, Shift+Delete. Every change of the text fires OnChange
// (not while the edit is being read from a form description); changes made
// by the user set Modified, setting Text clears it.
//
// Thread safety: none; GUI thread only.
#pragma once

#include <memory>

#include "platform/gui/controls.h"
#include "platform/gui/forms_form.h"
#include "platform/gui/stdctrls_editbuffer.h"

// The border of an edit, list box or panel: none or single.
using TBorderStyle = TFormBorderStyle;

// Edit styles (GWL_STYLE) and margin flags of the original platform.
enum : DWORD {
  ES_LEFT = 0x0000, ES_CENTER = 0x0001, ES_RIGHT = 0x0002, ES_MULTILINE = 0x0004,
  ES_UPPERCASE = 0x0008, ES_LOWERCASE = 0x0010, ES_PASSWORD = 0x0020, ES_AUTOVSCROLL = 0x0040,
  ES_AUTOHSCROLL = 0x0080, ES_NOHIDESEL = 0x0100, ES_OEMCONVERT = 0x0400, ES_READONLY = 0x0800,
};
enum : WPARAM { EC_LEFTMARGIN = 0x0001, EC_RIGHTMARGIN = 0x0002 };

// Adds the window border of Style to Params: bsSingle is a sunken client
// edge, or a plain line without Ctl3D; other styles add nothing.
void ApplyBorderStyle(TCreateParams& Params, TBorderStyle Style, bool Ctl3D = true);

// The height of a line of text in Font (the rows of lists, the edit's
// caret and text).
Integer TextLineHeight(TFont* Font);

class TCustomEdit : public TWinControl {
  RTL_DECLARE_CLASS(TCustomEdit)
  RTL_MESSAGE_HANDLERS(TCustomEdit)
 public:
  // A 121 x 21 box with a sunken border, white, tab stop, I-beam cursor.
  explicit TCustomEdit(TComponent* AOwner);
  ~TCustomEdit() override;

  // ---- Text and selection (characters) ------------------------------------
  String GetText() const override { return FBuffer.Text(); }
  // Replaces the text (converted to CharCase), caret to 0, clears
  // Modified and undo, fires OnChange.
  void SetText(const String& V) override;
  Integer SelStart() const { return FBuffer.SelStart(); }
  // Puts the caret at V without selection.
  void SetSelStart(Integer V);
  Integer SelLength() const { return FBuffer.SelLength(); }
  // Selects SelLength characters from SelStart.
  void SetSelLength(Integer V);
  String SelText() const { return FBuffer.SelText(); }
  // Replaces the selection (as typing would, with undo).
  void SetSelText(const String& V);
  void SelectAll();
  void ClearSelection();
  void Clear() { SetText(""); }

  // ---- Clipboard and undo --------------------------------------------------
  void CopyToClipboard();
  // Copies, then deletes the selection (not when read-only).
  void CutToClipboard();
  // Replaces the selection by the clipboard's text up to its first line
  // break (not when read-only).
  void PasteFromClipboard();
  bool CanUndo() const { return FBuffer.CanUndo(); }
  void Undo();
  void ClearUndo() { FBuffer.EmptyUndo(); }

  // ---- Behaviour -----------------------------------------------------------
  bool AutoSelect() const { return FAutoSelect; }
  void SetAutoSelect(bool V) { FAutoSelect = V; }
  TBorderStyle BorderStyle() const { return FBorderStyle; }
  void SetBorderStyle(TBorderStyle V);
  bool Ctl3D() const { return FCtl3D; }
  void SetCtl3D(bool V);
  TEditCharCase CharCase() const { return FBuffer.CharCase(); }
  void SetCharCase(TEditCharCase V);
  bool HideSelection() const { return FHideSelection; }
  void SetHideSelection(bool V);
  Integer MaxLength() const { return FBuffer.MaxLength(); }
  void SetMaxLength(Integer V) { FBuffer.SetMaxLength(V); }
  bool Modified() const { return FModified; }
  void SetModified(bool V) { FModified = V; }
  bool OEMConvert() const { return FOEMConvert; }
  void SetOEMConvert(bool V) { FOEMConvert = V; }
  // 0: the text shows as it is.
  char32_t PasswordChar() const { return FPasswordChar; }
  void SetPasswordChar(char32_t V);
  bool ReadOnly() const { return FReadOnly; }
  void SetReadOnly(bool V);
  // Left, centred or right within the formatting rectangle (while the
  // text fits).
  TAlignment EditAlignment() const { return FAlignment; }
  void SetEditAlignment(TAlignment V);

  // ---- Geometry --------------------------------------------------------------
  // The formatting rectangle (client coordinates) and the margins.
  TRect FormatRect();
  Integer LeftMargin() const { return FLeftMargin; }
  Integer RightMargin() const { return FRightMargin; }
  // Client x of the caret position before character Index.
  Integer PosFromChar(Integer Index);
  // The character position nearest to client x.
  Integer CharFromPos(Integer X);

  TNotifyEvent OnChange;

 protected:
  // Fires OnChange; called after every change of the text.
  virtual void Change();
  void CreateParams(TCreateParams& Params) override;
  void DefaultHandler(TMessage& Message) override;
  void PaintWindow(TCanvas& DC) override;
  void DoEnter() override;
  bool CanAutoSize(Integer& NewWidth, Integer& NewHeight) override;
  // The text as shown: the password characters, or the text itself.
  std::u32string DisplayChars() const;

  void WMLButtonDown(TMessage& M);
  void WMLButtonUp(TMessage& M);
  void WMLButtonDblClk(TMessage& M);
  void WMMouseMove(TMessage& M);
  void CMFontChanged(TMessage& M);
  void CMEnabledChanged(TMessage& M);

  TEditBuffer FBuffer;

 private:
  bool EditMessage(TMessage& M);
  bool EditMessageMore(TMessage& M);
  void EditKeyDown(Word Key);
  void EditChar(char32_t C);
  void SetMargins(WPARAM Which, LPARAM Values);
  void SetFormatRect(const TRect* R);
  // After a change by the user: Modified, caret, repaint, OnChange.
  void UserChanged();
  void TextChanged();
  void SelectionChanged();
  void ScrollCaret();
  void UpdateCaret();
  Integer TextX();
  Integer CharWidthSum(Integer Count);
  TCanvas& Measure();
  Integer FontHeight();
  DWORD EditStyle() const;

  bool FAutoSelect = true;
  TBorderStyle FBorderStyle = bsSingle;
  bool FCtl3D = true;
  bool FHideSelection = true;
  bool FModified = false;
  bool FOEMConvert = false;
  char32_t FPasswordChar = 0;
  bool FReadOnly = false;
  TAlignment FAlignment = taLeftJustify;
  Integer FLeftMargin = 1, FRightMargin = 1;
  bool FHasFormatRect = false;
  TRect FFormatRect{};
  Integer FScrollX = 0;  // pixels of text scrolled out at the left
  bool FMouseSelecting = false;
  std::unique_ptr<TCanvas> FMeasure;
};

class TEdit : public TCustomEdit {
  RTL_DECLARE_CLASS(TEdit)
 public:
  explicit TEdit(TComponent* AOwner) : TCustomEdit(AOwner) {}
};
