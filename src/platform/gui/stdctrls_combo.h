// TCustomComboBox and TComboBox: a text box with a list of choices.
//
// Styles: csDropDown (an edit plus a button that drops the list down),
// csSimple (an edit with the list always shown under it), csDropDownList
// (no edit: the box shows the chosen item), csOwnerDrawFixed and
// csOwnerDrawVariable (as csDropDownList, the rows and the box drawn by
// OnDrawItem on Canvas, variable rows measured by OnMeasureItem; the box
// itself is drawn with odComboBoxEdit in the state).
//
// The drop-down list is a popup window (TComboListBox) that never takes
// the activation or the focus: the keys stay with the box, the list holds
// the mouse capture while it is open. It shows min(Count, DropDownCount)
// rows (at least one) under the box, or above it when there is no room
// below. Keys: Alt+Down, Alt+Up and F4 open and close the list; while it
// is open Up, Down, PageUp, PageDown, Home and End move its selection
// (the box's text follows), Return closes it taking the row, Escape
// closes it going back to the item chosen before; while it is closed the
// same moves choose the item directly. A click on a row takes it; a click
// outside the list closes it. csDropDownList picks by the first letter
// typed; csDropDown completes typed text from the first item that starts
// with it (AutoComplete).
//
// Every choice made by the user sets ItemIndex and Text, fires OnClick
// and then OnSelect (OnChange when OnSelect is not assigned); typing
// fires OnChange. Setting ItemIndex or Text in code fires nothing.
//
// Thread safety: none; GUI thread only.
#pragma once

#include <memory>

#include "platform/gui/stdctrls_listbox.h"

RTL_ENUM(TComboBoxStyle, csDropDown, csSimple, csDropDownList, csOwnerDrawFixed, csOwnerDrawVariable);

class TCustomComboBox;

// The list of a combo box: a popup window while dropped down, a child
// under the edit for csSimple. Its rows are drawn and measured by the box.
class TComboListBox : public TCustomListBox {
  RTL_DECLARE_CLASS(TComboListBox)
  RTL_MESSAGE_HANDLERS(TComboListBox)
 public:
  // Combo owns the list.
  TComboListBox(TCustomComboBox* Combo, bool Popup);
  bool IsWindowRoot() const override { return FPopup; }
  TCustomComboBox* Combo() const { return FCombo; }

 protected:
  void CreateParams(TCreateParams& Params) override;
  void DrawItem(Integer Index, TRect Rect, TOwnerDrawState State) override;
  void MeasureItem(Integer Index, Integer& Height) override;
  void WMLButtonDown(TMessage& M);
  void WMLButtonUp(TMessage& M);
  void WMMouseMove(TMessage& M);
  void WMMouseActivate(TMessage& M);
  void WMCaptureChanged(TMessage& M);

 private:
  bool Inside(TMessage& M);
  Integer RowAt(TMessage& M);
  TCustomComboBox* FCombo;
  bool FPopup;
};

// The edit of csDropDown and csSimple; it hands its keys and changes to
// the box.
class TComboEdit : public TCustomEdit {
  RTL_DECLARE_CLASS(TComboEdit)
 public:
  explicit TComboEdit(TCustomComboBox* Combo);

 protected:
  void KeyDown(Word& Key, TShiftState Shift) override;
  void KeyPress(char32_t& Key) override;
  void Change() override;
  void DefaultHandler(TMessage& Message) override;

 private:
  TCustomComboBox* FCombo;
};

class TCustomComboBox : public TWinControl {
  RTL_DECLARE_CLASS(TCustomComboBox)
  RTL_MESSAGE_HANDLERS(TCustomComboBox)
 public:
  // 145 wide, csDropDown, 8 rows, white, tab stop.
  explicit TCustomComboBox(TComponent* AOwner);
  ~TCustomComboBox() override;

  // ---- Items and choice ----------------------------------------------------------
  // Owned; SetItems copies the lines.
  TStrings* Items() const { return FItems.get(); }
  void SetItems(TStrings* V);
  // -1: no item. Setting shows the item's text (empty for -1).
  Integer ItemIndex() const { return FItemIndex; }
  void SetItemIndex(Integer V);
  String GetText() const override;
  // Sets the text; ItemIndex becomes the item of that text (ignoring
  // case), -1 when none (a drop-down list shows only items).
  void SetText(const String& V) override;
  void Clear();
  bool Sorted() const { return FSorted; }
  void SetSorted(bool V);
  bool AutoComplete() const { return FAutoComplete; }
  void SetAutoComplete(bool V) { FAutoComplete = V; }

  // ---- Look -----------------------------------------------------------------------
  TComboBoxStyle Style() const { return FStyle; }
  void SetStyle(TComboBoxStyle V);
  Integer DropDownCount() const { return FDropDownCount; }
  void SetDropDownCount(Integer V) { FDropDownCount = V < 1 ? 1 : V; }
  // The height of a list row: the font's, or the stored one for the
  // owner-drawn styles.
  Integer ItemHeight();
  void SetItemHeight(Integer V);
  Integer MaxLength() const { return FMaxLength; }
  void SetMaxLength(Integer V);
  TEditCharCase CharCase() const { return FCharCase; }
  void SetCharCase(TEditCharCase V);

  // ---- Drop-down --------------------------------------------------------------------
  bool DroppedDown() const { return FDropped; }
  // Opens (OnDropDown first) or closes (OnCloseUp after) the list,
  // keeping the current item.
  void SetDroppedDown(bool V);
  // The list: the popup while dropped down, the child of csSimple; null
  // otherwise.
  TCustomListBox* ListBox() const { return FList; }
  // The edit of csDropDown and csSimple; null for the other styles.
  TCustomEdit* EditControl() const { return FEdit; }

  // ---- Edit -----------------------------------------------------------------------
  Integer SelStart() const { return FEdit ? FEdit->SelStart() : 0; }
  void SetSelStart(Integer V) { if (FEdit) FEdit->SetSelStart(V); }
  Integer SelLength() const { return FEdit ? FEdit->SelLength() : 0; }
  void SetSelLength(Integer V) { if (FEdit) FEdit->SetSelLength(V); }
  String SelText() const { return FEdit ? FEdit->SelText() : String(); }
  void SelectAll() { if (FEdit) FEdit->SelectAll(); }

  bool Focused() override;
  // The height of every style but csSimple follows the row height.
  void SetBounds(Integer ALeft, Integer ATop, Integer AWidth, Integer AHeight) override;
  // The canvas of owner drawing: the device context of the box or of the
  // list row being drawn.
  TCanvas* Canvas() const { return FCanvas.Get(); }

  TNotifyEvent OnChange, OnSelect, OnDropDown, OnCloseUp;
  TDrawItemEvent OnDrawItem;
  TMeasureItemEvent OnMeasureItem;

 protected:
  virtual void Change();
  // OnSelect, or Change when OnSelect is not assigned.
  virtual void Select();
  virtual void DropDown();
  virtual void CloseUp();
  // Draws an item (Index -1: nothing but the background) into Rect on
  // Canvas: OnDrawItem for the owner-drawn styles, else the text.
  virtual void DrawItem(Integer Index, TRect Rect, TOwnerDrawState State);
  virtual void MeasureItem(Integer Index, Integer& Height);
  void KeyDown(Word& Key, TShiftState Shift) override;
  void KeyPress(char32_t& Key) override;
  // Applies an ItemIndex read before the items.
  void Loaded() override;
  void CreateParams(TCreateParams& Params) override;
  void PaintWindow(TCanvas& DC) override;
  void DefaultHandler(TMessage& Message) override;
  void Resize() override;
  void WMLButtonDown(TMessage& M);
  void CMFontChanged(TMessage& M);
  void CMEnabledChanged(TMessage& M);

 private:
  friend class TComboListBox;
  friend class TComboEdit;
  // The first item equal to S ignoring case; -1 when none.
  Integer IndexOfText(const String& S) const;
  bool HasEdit() const { return FStyle == csDropDown || FStyle == csSimple; }
  bool IsOwnerDraw() const { return FStyle == csOwnerDrawFixed || FStyle == csOwnerDrawVariable; }
  Integer BoxHeight();
  TRect ButtonRect();
  TRect TextRect();
  void RebuildParts();
  void LayoutParts();
  void OpenList();
  // Closes the list; with Accept its row becomes the choice.
  void CloseList(bool Accept);
  void PlaceList();
  void SyncList();
  // A choice by the user: text, ItemIndex, OnClick, Select.
  void UserPick(Integer Index);
  bool MoveKey(Word Key, Integer& Index);
  void EditChanged();
  void AutoCompleteEdit();
  void FirstLetter(char32_t Key);
  void ShowItemText();
  // Draws a row of the list, with the box's canvas on the list's DC.
  void DrawListRow(TCanvas& DC, Integer Index, const TRect& Rect, TOwnerDrawState State);
  void PrepareCanvas(TOwnerDrawState State);

  std::unique_ptr<TStringList> FItems;
  TComboEdit* FEdit = nullptr;        // owned by this box (component tree)
  TComboListBox* FList = nullptr;     // the list shown now (popup or child)
  TComboListBox* FPopupList = nullptr;  // made on the first drop-down, then hidden and shown
  TComboBoxStyle FStyle = csDropDown;
  Integer FItemIndex = -1;
  Integer FDropDownCount = 8;
  Integer FItemHeight = 16;
  Integer FMaxLength = 0;
  TEditCharCase FCharCase = ecNormal;
  Integer FIndexAtOpen = -1;
  Integer FAskedHeight = 0;  // the height last asked for (kept for csSimple)
  bool FDropped = false;
  bool FClosing = false;
  bool FSorted = false;
  bool FAutoComplete = true;
  bool FSettingText = false;
  TPaintCanvas FCanvas{this};
};

class TComboBox : public TCustomComboBox {
  RTL_DECLARE_CLASS(TComboBox)
 public:
  explicit TComboBox(TComponent* AOwner) : TCustomComboBox(AOwner) {}
};
