// EcChoice: the validating edit base of the choice controls.
//
// TEcCustomEdit is a single-line edit that validates itself when the focus
// leaves it, keeps the focus while the value is wrong and shows the error
// in a balloon below its text (ECM_SHOWERROR), defers change
// notifications inside BeginUpdate / EndUpdate, and selects all of its
// text when entered from the keyboard (not by a click).
// TEcCustomMaskEdit edits through an edit mask (IMaskTools.h), and
// TEcParentEdit publishes the properties.
//
// One balloon exists per process, owned by the edit that shows it, with a
// message hook (WH_GETMESSAGE) that exists exactly while it shows: a typed
// character, a menu command, or the application being activated,
// deactivated or given a key or system command hides it.
//
// The texts of the error codes come from the program's string table,
// which holds none of them: they load empty, so without an
// OnGetErrorHint handler no balloon shows while the error still keeps
// the focus in the control.
//
// Thread safety: GUI thread only (the balloon and the hook belong to the
// main thread).
#pragma once

#include "platform/gui/stdctrls_combo.h"
#include "platform/gui/stdctrls_edit.h"
#include "ui/controls/EcPopupWindow.h"
#include "ui/controls/IGrids.h"
#include "ui/controls/IMaskTools.h"

// Error codes of the validating edits.
constexpr Integer ecEmptyText = 60673;      // empty while CanEmpty is off
constexpr Integer ecNoListItem = 60674;     // drop-down list style without a chosen item
constexpr Integer ecMaskMismatch = 60693;   // text does not match the edit mask
// String-table entries of the error texts (absent from this program).
constexpr Integer SEcEmptyText = 59996, SEcNoListItem = 59991, SEcMaskMismatch = 59959;
// The text of string-table entry Id: empty, as the program has none of these.
String EcLoadString(Integer Id);

using TKillFocusEvent = std::function<void(TObject* Sender, bool& Error)>;
using TGetErrorHint = std::function<void(TObject* Sender, Integer ErrorCode, String& ErrorText)>;

class TEcCustomEdit : public TCustomEdit {
  RTL_DECLARE_CLASS(TEcCustomEdit)
  RTL_MESSAGE_HANDLERS(TEcCustomEdit)
 public:
  explicit TEcCustomEdit(TComponent* AOwner);
  // Hides the balloon (ECM_SHOWERROR 0).
  ~TEcCustomEdit() override;

  String ErrorText;
  Integer ErrorCode = 0;
  bool ErrorShown = false;
  bool CanEmpty = true;
  bool MouseActivated = false;
  TAlignment Alignment() const { return EditAlignment(); }
  // Keeps the text, recreates the window and repaints.
  virtual void SetAlignment(TAlignment V);

  TKillFocusEvent OnKillFocus;
  // Sender is the balloon.
  TNotifyEvent OnShowError;
  TGetErrorHint OnGetErrorHint;
  // Process-wide notifications: an edit of the family was made / is going.
  static TNotifyEvent OnEditCreated, OnEditDestroying;

  // ---- Update bracket ---------------------------------------------------------
  Integer UpdateCount() const { return FUpdateCount; }
  bool ChangePending() const { return FChangePending; }
  virtual void BeginUpdate(bool Notify);
  virtual void EndUpdate();

  virtual bool CanValidate();
  // Sets ErrorText for ErrorCode (each class its own codes), then lets
  // OnGetErrorHint change it. Main thread; raises what the handler raises.
  virtual void UpdateErrorText();
  virtual void UpdateEditRect() {}
  virtual void DoShowError();
  virtual Integer ErrorDisplayTime() { return 2500; }
  // Closes a choice list: sends ECM_DROPDOWN 0 when Immediately, else posts it.
  virtual void CloseUp(bool Accept, bool Immediately);
  // The validation run on exit; Error is set by each class's own test
  // before it calls its ancestor's.
  virtual void Validate(bool& Error);

  // The process's balloon, its owner edit and the hook (null / 0 when none).
  static TEcMessageWindow* ErrorBalloon();
  static TEcCustomEdit* ErrorBalloonOwner();
  static bool ErrorHookInstalled();

 protected:
  void Change() override;
  void DoEnter() override;
  void CreateParams(TCreateParams& Params) override;
  void KeyDown(Word& Key, TShiftState Shift) override;
  void KeyPress(char32_t& Key) override;
  void ECMShowError(TMessage& M);
  void CMExit(TMessage& M);
  void CMDialogChar(TMessage& M);
  void WMMouseActivate(TMessage& M);
  void WMLButtonDown(TMessage& M);
  void WMCancelMode(TMessage& M);
  // A press elsewhere (Sender in LParam) hides a balloon without buttons.
  void CMCancelMode(TMessage& M);
  void WMDestroy(TMessage& M);
  // Shows the balloon for the current error.
  void ShowErrorBalloon();
  // Hides and frees the process's balloon.
  static void HideErrorBalloon();

 private:
  Integer FUpdateCount = 0;
  bool FEntered = false;  // entered (CM_ENTER) and not yet left
  bool FChangePending = false;
  bool FNotifyOnEndUpdate = false;
};

class TEcCustomMaskEdit : public TEcCustomEdit {
  RTL_DECLARE_CLASS(TEcCustomMaskEdit)
  RTL_MESSAGE_HANDLERS(TEcCustomMaskEdit)
 public:
  explicit TEcCustomMaskEdit(TComponent* AOwner);
  ~TEcCustomMaskEdit() override;

  const String& EditMask() const { return FEditMask; }
  // Compiles the mask; an empty mask (or one of unknown characters) makes
  // the edit unmasked.
  void SetEditMask(const String& V);
  const TMaskElements& Elements() const { return FElements; }
  virtual bool HasMask() const { return !FElements.Empty(); }
  // Text := '' and then the mask's leading literals.
  virtual void ResetMaskText();
  // True without a mask; with one, the whole-text match (the text takes
  // the converted form when it differs).
  bool MaskCheck();

  Integer ErrorDisplayTime() override;
  void UpdateErrorText() override;
  void Validate(bool& Error) override;

 protected:
  void KeyDown(Word& Key, TShiftState Shift) override;
  void KeyPress(char32_t& Key) override;
  void Change() override;
  void WMCut(TMessage& M);
  void WMPaste(TMessage& M);

 private:
  // Sets the edited text and puts the caret at Caret without selection.
  void SetMaskedText(const std::string& Ansi, Integer Caret);
  void MaskedDelete(bool Backspace);
  void MaskedInsert(const String& Text);

  String FEditMask;
  TMaskElements FElements;
  bool FReformatting = false;
};

class TEcParentEdit : public TEcCustomMaskEdit {
  RTL_DECLARE_CLASS(TEcParentEdit)
 public:
  explicit TEcParentEdit(TComponent* AOwner) : TEcCustomMaskEdit(AOwner) {}
};

// ---- Choice edit and combo box ---------------------------------------------------------------
//
// TEcCustomChoiceEdit is the validating edit with an optional check glyph
// at its left, a button at its right inside the frame (TI_EditButton:
// glyph "EC_FLATCHOICE", "EC_BTNCOMBO", "EC_BTNELLIPSIS" or a custom one),
// a grey cue text while it is empty, four frame styles (painted by the
// edit itself inside its window, which has no border of its own) and
// Return / Shift+Return moving to the next / previous control of its
// parent. TEcCustomComboBox adds the pick list (Items), the drop-down list
// (a TEcPopupListBox made while dropped down, opened and closed through
// ECM_DROPDOWN), completion of typed text from the first item that starts
// with it, and in csDropDownList the first-letter search that cycles
// through the items of one letter.
//
// The edit owns its button, glyphs and drop-down list; LinkControl is not
// owned (cleared when that control goes). GUI thread only.

RTL_ENUM(TEcControlStyle, fcsNormal, fsFlat, fsNone, fsSingle);

// Sender, the control to go to (may be changed), whether to go, the key.
// (The flat buttons' TSelectNext has another order; this is the edits' own.)
using TEcSelectNext = std::function<void(TObject* Sender, TWinControl*& Next, bool& Allow, Word Key)>;
// Paints the glyph of item Index into Glyph (Rect: the glyph's place).
using TDrawBitmapEvent = std::function<void(TObject* Sender, const TRect& Rect, TBitmap* Glyph, Integer Index)>;
// Paints the text of item Index of a csDropDownList combo box.
using TEcDrawItemEvent =
    std::function<void(TObject* Sender, TCanvas* Canvas, const TRect& Rect, Integer Index, TOwnerDrawState State)>;
using TEcPaintEmptyEvent = std::function<void(TObject* Sender, TCanvas* Canvas)>;
using TEcBeforeSelectEvent = std::function<void(TObject* Sender, const String& Text, Integer Index)>;

class TEcCustomChoiceEdit : public TEcParentEdit {
  RTL_DECLARE_CLASS(TEcCustomChoiceEdit)
  RTL_MESSAGE_HANDLERS(TEcCustomChoiceEdit)
 public:
  explicit TEcCustomChoiceEdit(TComponent* AOwner);
  ~TEcCustomChoiceEdit() override;

  const String& EmptyText() const { return FEmptyText; }
  void SetEmptyText(const String& V);
  bool ShowButton() const { return FShowButton; }
  // 0 flat choice glyph, 1 combo arrow, 2 ellipsis, 3 custom glyph of
  // ChoiceButtonWidth.
  Byte ButtonKind() const { return FButtonKind; }
  void SetButtonKind(Byte V);
  Integer ChoiceButtonWidth() const { return FChoiceButtonWidth; }
  void SetChoiceButtonWidth(Integer V);
  TEcControlStyle DrawStyle() const { return FDrawStyle; }
  void SetDrawStyle(TEcControlStyle V);
  // The button (owned); null while hidden or without a parent.
  TI_EditButton* Button() const { return FButton; }
  // Owned and transparent; assigning copies.
  TBitmap* CheckGlyph() const { return FCheckGlyph.get(); }
  void SetCheckGlyph(TBitmap* V);
  bool ShowCheckBox() const { return FShowCheckBox; }
  void SetShowCheckBox(bool V);
  TWinControl* LinkControl() const { return FLinkControl; }
  void SetLinkControl(TWinControl* V);
  // The client rectangle the text is edited in, and its left margin (last layout).
  const TRect& EditRect() const { return FEditRect; }
  Integer EditLeftMargin() const { return FEditLeftMargin; }
  // Whether the cue text is painted now (empty text, a cue, no paint-empty handler).
  bool CueShown() const;

  bool MouseInControl = false, ButtonMouseDown = false, OverButton = false, OverCheckGlyph = false;
  // Text drag: a press on selected text and a move start it; the text
  // goes to the choice edit under the mouse at the release (the grid's
  // data-drag events and picture window).
  bool DataDraggingEnabled = true;
  bool Dragging = false, DragStarted = false, DragAccept = false;
  TEcCustomChoiceEdit* DropTarget() const { return FDropTarget; }
  const String& DraggedText() const { return FDragText; }
  // The picture that follows the mouse (owned while dragging).
  TCustomImageList* DragImages() const { return FDragImages.get(); }
  TDataDragOverEvent OnDragOverData, OnDragDropData;
  TDragOverCancelEvent OnDragOverCancel;
  bool WantReturns = false;
  TNotifyEvent OnCheckClick, OnButtonClick;
  TEcSelectNext OnSelectNext;
  TEcPaintEmptyEvent OnPaintEmpty;

  // ---- Operations of the choice family -----------------------------------------
  // False frees the button.
  virtual void SetShowButton(bool Value);
  // F2.
  virtual Word GetDropDownKey() { return VK_F2; }
  // Moves the focus from Sender to the next (GoForward) or previous
  // control of the parent's tab order that can take it (with SameParentOnly:
  // of this parent, tab stop or not; otherwise tab stops only), skipping
  // read-only choice edits; OnSelectNext may change or veto the target.
  // Returns the control focused, or null.
  virtual TWinControl* SelectNext(TObject* Sender, bool GoForward, Word Key, bool SameParentOnly);
  using TWinControl::SelectNext;
  virtual bool HasCheckGlyph();
  virtual void GetMargins(Integer& Left, Integer& Right);
  // Makes and lays out the button for Kind (with a parent and ShowButton).
  virtual void UpdateButton(Byte Kind);
  // Paints the check glyph and (DrawFrame) the frame on DC (window coordinates).
  virtual void PaintFrame(TCanvas& DC, bool DrawFrame);
  virtual void AfterPaintFrame() {}
  virtual Integer MinWidth();
  virtual bool IsDroppedDown() { return false; }
  virtual void CheckClick();
  virtual void InitButton() {}
  virtual bool KeepPopupOnKillFocus() { return false; }
  virtual void UpdatePopupPosition() {}
  // Whether Sender is a window this control opened (its list): a press
  // there is no press elsewhere.
  virtual bool IsOwnPopup(TControl* /*Sender*/) { return false; }
  // Whether the text area shows the arrow instead of the text cursor.
  virtual bool ArrowOverText() { return false; }
  // Hides the balloon and fires OnButtonClick.
  virtual void ButtonClick(TObject* Sender);
  void UpdateEditRect() override;
  // Lays the button out for the new parent.
  void SetParent(TWinControl* AParent) override;

 protected:
  // The edit rectangle and margins go to the new window.
  void CreateWnd() override;
  void PaintWindow(TCanvas& DC) override;
  void Resize() override;
  void KeyDown(Word& Key, TShiftState Shift) override;
  void KeyPress(char32_t& Key) override;
  void DoEnter() override;
  void Notification(TComponent* AComponent, TOperation Operation) override;
  // The frame's width on each side (2, none for fsNone).
  Integer FrameWidth() const { return FDrawStyle == fsNone ? 0 : 2; }
  Integer ButtonWidth() const { return FButton ? FButton->Width : 0; }
  void CMExit(TMessage& M);
  void CMMouseEnter(TMessage& M);
  void CMMouseLeave(TMessage& M);
  void CMEnabledChanged(TMessage& M);
  void CMFontChanged(TMessage& M);
  void WMMouseMove(TMessage& M);
  void WMLButtonDown(TMessage& M);
  void WMLButtonDblClk(TMessage& M);
  void WMLButtonUp(TMessage& M);
  void WMKillFocus(TMessage& M);
  // A press on another control or the form closes the list (CM_CANCELMODE).
  void CMCancelMode(TMessage& M);
  // The arrow over the button and the check glyph.
  void WMSetCursor(TMessage& M);
  // No popup menu while the list is open.
  void WMContextMenu(TMessage& M);

 private:
  void HitTest(TPoint P);
  void PaintCue(TCanvas& DC);
  void BeginTextDrag();
  void TextDragMove();
  // Ends the drag; Drop puts the text into the target.
  void EndTextDrag(bool Drop);
  void CancelDropTarget(TEcCustomChoiceEdit* Target);

  bool FDragPending = false;
  TPoint FDragPress{};
  std::unique_ptr<TCustomImageList> FDragImages;
  TDragImageWindow* FDragWindow = nullptr;
  TEcCustomChoiceEdit* FDropTarget = nullptr;
  String FDragText;

  String FEmptyText;
  bool FShowButton = true;
  Byte FButtonKind = 0;
  Integer FChoiceButtonWidth = 16;
  TEcControlStyle FDrawStyle = fcsNormal;
  std::unique_ptr<TI_EditButtons> FButtons;
  TI_EditButton* FButton = nullptr;
  std::unique_ptr<TBitmap> FCheckGlyph, FGlyphBuffer;
  bool FShowCheckBox = true;
  TWinControl* FLinkControl = nullptr;
  TRect FEditRect{};
  Integer FEditLeftMargin = 0;
};

class TEcCustomComboBox : public TEcCustomChoiceEdit {
  RTL_DECLARE_CLASS(TEcCustomComboBox)
  RTL_MESSAGE_HANDLERS(TEcCustomComboBox)
 public:
  explicit TEcCustomComboBox(TComponent* AOwner);
  ~TEcCustomComboBox() override;

  bool AutoComplete = true;
  // Owned; SetItems copies the lines.
  TStrings* Items() const { return FItems.get(); }
  void SetItems(TStrings* V) { FItems->Assign(V); }
  // Empties Items and sets ItemIndex to -1 (the text stays).
  void Clear();
  Integer ItemIndex() const { return FItemIndex; }
  // Item Index becomes the text (empty when out of range); OnIndexChange.
  virtual void SetItemIndex(Integer Index);
  TComboBoxStyle Style() const { return FStyle; }
  // csSimple hides the button, the others show it; csDropDownList clears the text.
  virtual void SetStyle(TComboBoxStyle V);
  bool DroppedDown() const { return FDroppedDown; }
  // Opens (sends ECM_DROPDOWN 1) or closes without acceptance.
  void SetDroppedDown(bool V);
  // The drop-down list while dropped down (owned), else null.
  TEcPopupListBox* DropDownList() const { return FList; }
  Integer DropDownWidth() const { return FDropDownWidth; }
  void SetDropDownWidth(Integer V) { FDropDownWidth = V; }
  Integer DropDownCount() const { return FDropDownCount; }
  void SetDropDownCount(Integer V) { FDropDownCount = V; }
  // The rows' height in the list (0: the list's own).
  Integer ItemHeight() const { return FItemHeight; }
  void SetItemHeight(Integer V) { FItemHeight = V; }
  // Keeps Return in the control after it closed the list.
  bool KeepReturn = false;
  // The text and index restored by Escape (saved when focus arrives and
  // when the list closes with acceptance).
  const String& SavedText() const { return FSavedText; }
  Integer SavedIndex() const { return FSavedIndex; }

  TDrawItemEvent OnDrawItem;
  TMeasureItemEvent OnMeasureItem;
  TEcDrawItemEvent OnDrawText;
  TDrawBitmapEvent OnDrawBitmap;
  TNotifyEvent OnIndexChange, OnDropDown;
  TEcBeforeSelectEvent OnBeforeSelect;

  // The first item that starts with (Prefix) or equals the text, ignoring
  // case; -1 when none or without AutoComplete.
  Integer FindItem(bool Prefix) const;
  // Takes Text and Index as the choice and selects SelLength characters
  // from SelStart (-1: caret at the end).
  void SelectItem(const String& Text, Integer Index, Integer SelStart, Integer SelLength);
  bool IsDroppedDown() override { return FDroppedDown; }
  bool IsOwnPopup(TControl* Sender) override;
  bool ArrowOverText() override { return FStyle == csDropDownList; }
  // The combo's arrow glyph, whatever ButtonKind says.
  void UpdateButton(Byte Kind) override;
  void InitButton() override;
  void UpdatePopupPosition() override;
  void ButtonClick(TObject* Sender) override;
  void CloseUp(bool Accept, bool Immediately) override;
  // Starts ErrorText anew (the list-item text for ecNoListItem, else
  // empty) before the ancestors add theirs, so no earlier code's text stays.
  void UpdateErrorText() override;
  void Validate(bool& Error) override;
  Integer MinWidth() override;
  virtual void DrawCheckBitmap(Integer Index);

 protected:
  void PaintWindow(TCanvas& DC) override;
  void KeyDown(Word& Key, TShiftState Shift) override;
  void KeyPress(char32_t& Key) override;
  void DoEnter() override;
  bool DoMouseWheel(TShiftState Shift, Integer WheelDelta, TPoint MousePos) override;
  void ECMDropDown(TMessage& M);
  void WMChar(TMessage& M);
  void WMKillFocus(TMessage& M);
  // csDropDownList shows no caret.
  void WMSetFocus(TMessage& M);
  // csDropDownList: the face is no text to edit; no selection stays.
  void WndProc(TMessage& Message) override;

 private:
  void OpenList();
  void CloseList();
  // csDropDownList: the next item whose first character is Ch, after ItemIndex, wrapping.
  void FirstLetter(char32_t Ch);
  void Complete();
  void ListMove(Word Key);
  void ClosedMove(Word Key);

  std::unique_ptr<TStringList> FItems;
  TEcPopupListBox* FList = nullptr;
  TComboBoxStyle FStyle = csDropDown;
  Integer FItemIndex = -1;
  bool FDroppedDown = false;
  String FSavedText;
  Integer FSavedIndex = -1;
  Integer FDropDownWidth = 0;
  Integer FDropDownCount = 8;
  Integer FItemHeight = 0;
  bool FSavedShowHint = false;
  TSize FGlyphSize{};
};

class TEcComboBox : public TEcCustomComboBox {
  RTL_DECLARE_CLASS(TEcComboBox)
 public:
  explicit TEcComboBox(TComponent* AOwner) : TEcCustomComboBox(AOwner) {}
  Integer CheckTag = 0;
};
