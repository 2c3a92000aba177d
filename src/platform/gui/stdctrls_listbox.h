// TCustomListBox and TListBox: a list of text rows, one (or with
// MultiSelect several) of them selected.
//
// Rows are drawn by the list itself (Style lbStandard: the font's height,
// the text from x + 2) or by the owner: lbOwnerDrawFixed rows are
// ItemHeight high, lbOwnerDrawVariable rows get their height from
// OnMeasureItem (MeasureItem). An owner-drawn row is drawn by OnDrawItem
// on Canvas, which is prepared with the list's font and a brush of the
// list's colour, or clHighlight and clHighlightText for a selected row;
// the focus rectangle is drawn after it on the row with ItemIndex while
// the list has the focus. Without OnDrawItem the text is drawn as for
// lbStandard.
//
// TopIndex is the first visible row; ItemAtPos finds the row at a client
// point; ItemRect gives a row's rectangle. Keys (Up, Down, PageUp,
// PageDown, Home, End) and clicks move ItemIndex and keep it in view;
// every change made by the user fires OnClick. The wheel scrolls three
// rows a notch. A vertical window scroll bar (scrollbars.h) shows while
// the rows do not all fit; it moves TopIndex. The LB_* messages listed
// below answer as on the original platform; WM_PRINTCLIENT paints the rows
// into the TCanvas* in wParam as its PRF_* flags say (PrintClient).
//
// Thread safety: none; GUI thread only.
#pragma once

#include <memory>
#include <vector>

#include "platform/gui/scrollbars.h"
#include "platform/gui/stdctrls_edit.h"
#include "platform/rtl/strings.h"

RTL_ENUM(TListBoxStyle, lbStandard, lbOwnerDrawFixed, lbOwnerDrawVariable, lbVirtual, lbVirtualOwnerDraw);
RTL_ENUM(TOwnerDrawStateItem, odSelected, odGrayed, odDisabled, odChecked, odFocused, odDefault, odHotLight,
         odInactive, odNoAccel, odNoFocusRect, odReserved1, odReserved2, odComboBoxEdit);
using TOwnerDrawState = TSet<TOwnerDrawStateItem>;

// Draws row Index into Rect on the control's canvas.
using TDrawItemEvent =
    std::function<void(TWinControl* Control, Integer Index, TRect Rect, TOwnerDrawState State)>;
// Gives row Index its height (preset to ItemHeight).
using TMeasureItemEvent = std::function<void(TWinControl* Control, Integer Index, Integer& Height)>;

// List-box messages (wParam / lParam as on the original platform; texts
// as String* in lParam, rectangles as TRect*).
enum : UINT {
  LB_ADDSTRING = 0x0180, LB_INSERTSTRING = 0x0181, LB_DELETESTRING = 0x0182, LB_RESETCONTENT = 0x0184,
  LB_SETSEL = 0x0185, LB_SETCURSEL = 0x0186, LB_GETSEL = 0x0187, LB_GETCURSEL = 0x0188, LB_GETTEXT = 0x0189,
  LB_GETTEXTLEN = 0x018A, LB_GETCOUNT = 0x018B, LB_GETTOPINDEX = 0x018E, LB_GETSELCOUNT = 0x0190,
  LB_SETTOPINDEX = 0x0197, LB_GETITEMRECT = 0x0198, LB_SETITEMHEIGHT = 0x01A0, LB_GETITEMHEIGHT = 0x01A1,
  LB_ITEMFROMPOINT = 0x01A9,
};
constexpr LRESULT LB_ERR = -1;

class TCustomListBox : public TWinControl {
  RTL_DECLARE_CLASS(TCustomListBox)
  RTL_MESSAGE_HANDLERS(TCustomListBox)
 public:
  // 121 x 97, white, sunken border, tab stop, no row selected.
  explicit TCustomListBox(TComponent* AOwner);
  ~TCustomListBox() override;

  // ---- Rows ------------------------------------------------------------------
  // Owned; SetItems copies the lines. Every change repaints and keeps
  // ItemIndex in range.
  TStrings* Items() const { return FItems.get(); }
  void SetItems(TStrings* V);
  Integer Count() const { return FItems->Count(); }
  void Clear();
  bool Sorted() const { return FSorted; }
  void SetSorted(bool V);
  TListBoxStyle Style() const { return FStyle; }
  void SetStyle(TListBoxStyle V);
  // The height of a row: the font's for lbStandard, else the stored one.
  Integer ItemHeight();
  void SetItemHeight(Integer V);

  // ---- Selection -------------------------------------------------------------
  // -1: none. Setting scrolls the row into view (no OnClick).
  Integer ItemIndex() const { return FItemIndex; }
  void SetItemIndex(Integer V);
  bool MultiSelect() const { return FMultiSelect; }
  void SetMultiSelect(bool V);
  bool ExtendedSelect() const { return FExtendedSelect; }
  void SetExtendedSelect(bool V) { FExtendedSelect = V; }
  // Raises EListError for a bad index.
  bool Selected(Integer Index) const;
  void SetSelected(Integer Index, bool V);
  Integer SelCount() const;
  void SelectAll();
  void ClearSelection();

  // ---- Geometry --------------------------------------------------------------
  Integer TopIndex() const { return FTopIndex; }
  // Clamped so that the rows fill the list where they can.
  void SetTopIndex(Integer V);
  // The row at client point Pos: -1 (Existing) or Count (not Existing)
  // below the last row.
  Integer ItemAtPos(const TPoint& Pos, bool Existing);
  // The row's rectangle in client coordinates (also for rows out of view).
  TRect ItemRect(Integer Index);
  // The rows that fit wholly from TopIndex on (at least 1).
  Integer VisibleRowCount();
  TBorderStyle BorderStyle() const { return FBorderStyle; }
  void SetBorderStyle(TBorderStyle V);
  bool IntegralHeight() const { return FIntegralHeight; }
  void SetIntegralHeight(bool V) { FIntegralHeight = V; }

  // The canvas of owner drawing: the device context during painting.
  TCanvas* Canvas() const { return FCanvas.Get(); }

  TDrawItemEvent OnDrawItem;
  TMeasureItemEvent OnMeasureItem;

 protected:
  // Draws one row: OnDrawItem when assigned for an owner-drawn style, else
  // the text.
  virtual void DrawItem(Integer Index, TRect Rect, TOwnerDrawState State);
  // OnMeasureItem for lbOwnerDrawVariable.
  virtual void MeasureItem(Integer Index, Integer& Height);
  void CreateParams(TCreateParams& Params) override;
  void CreateWnd() override;
  // Leaves out the scroll bar.
  TRect GetClientRect() override;
  // Hands the scroll bar its mouse messages first.
  void WndProc(TMessage& Message) override;
  void PaintWindow(TCanvas& DC) override;
  void DefaultHandler(TMessage& Message) override;
  void KeyDown(Word& Key, TShiftState Shift) override;
  bool DoMouseWheel(TShiftState Shift, Integer WheelDelta, TPoint MousePos) override;
  // A selection change by the user: keeps the row in view, fires OnClick.
  void UserSelect(Integer Index, TShiftState Shift);
  // Scrolls so that Index is wholly visible.
  void MakeVisible(Integer Index);

  void WMLButtonDown(TMessage& M);
  void WMLButtonDblClk(TMessage& M);
  void WMVScroll(TMessage& M);
  void WMMouseMove(TMessage& M);
  void CMFontChanged(TMessage& M);

 private:
  void ItemsChanged(TObject* Sender);
  // Shows the scroll bar while rows are out of view and sets its range,
  // page and position.
  void UpdateScrollBar();
  void PaintRows(TCanvas& DC);
  // WM_PRINTCLIENT (wParam the TCanvas*, lParam PRF_* flags): erases the
  // background first with PRF_ERASEBKGND and paints the rows into the
  // canvas, whose state is kept. A message that arrives with Result 1, or
  // with PRF_CHECKVISIBLE while the list is not showing, goes to the
  // default handling instead (nothing painted).
  void PrintClient(TMessage& M);
  Integer RowHeight(Integer Index);
  void DrawRow(TCanvas& DC, Integer Index, const TRect& R);
  bool ListMessage(TMessage& M);
  bool ListMessageMore(TMessage& M);
  void SelectRange(Integer From, Integer To);

  std::unique_ptr<TStringList> FItems;
  std::vector<Integer> FHeights;  // per row, lbOwnerDrawVariable only
  std::vector<bool> FSelected;    // MultiSelect only
  TListBoxStyle FStyle = lbStandard;
  Integer FItemHeight = 16;
  Integer FItemIndex = -1;
  Integer FTopIndex = 0;
  Integer FAnchorIndex = -1;
  bool FSorted = false;
  bool FMultiSelect = false;
  bool FExtendedSelect = true;
  bool FIntegralHeight = false;
  TBorderStyle FBorderStyle = bsSingle;
  TPaintCanvas FCanvas{this};
};

class TListBox : public TCustomListBox {
  RTL_DECLARE_CLASS(TListBox)
 public:
  explicit TListBox(TComponent* AOwner) : TCustomListBox(AOwner) {}
};
