// TPlainCheckListBox: a self-painted list of up to 256 text items, each
// with a small flat check box, drawn without a window list control. The
// control keeps its own first visible item (TopIndex), its own selected
// item and a 256-bit set of check marks, paints into an off-screen
// bitmap, and scrolls with optional arrow strips (a press repeats through
// a timer shared by all instances), the mouse wheel and the keyboard.
// The arrow keys and the wheel move the view, not the selection; a wheel
// notch scrolls the desktop's wheel-lines setting (a page when that is 0).
//
// Thread safety: GUI thread only.
#pragma once

#include <bitset>
#include <memory>
#include <vector>

#include "platform/gui/controls.h"
#include "platform/gui/winapi.h"
#include "platform/rtl/strings.h"
#include "ui/look/PlainUtils.h"

class TPlainCheckListBox : public TCustomControl {
  RTL_DECLARE_CLASS(TPlainCheckListBox)
  RTL_MESSAGE_HANDLERS(TPlainCheckListBox)
 public:
  // 137 x 99, rows of 17 pixels, the flat colours; ItemIndex -1.
  explicit TPlainCheckListBox(TComponent* AOwner);
  // Frees the shared repeat timer.
  ~TPlainCheckListBox() override;

  // The texts; owned. Assigning more than 256 strings is ignored; the
  // strings are trimmed. Any change while enabled clears every mark.
  TStringList* Items() const { return FItems.get(); }
  void SetItems(TStrings* Value);
  Integer ItemHeight() const { return FItemHeight; }
  // Below 1 becomes 1; the height follows with whole rows.
  void SetItemHeight(Integer Value);
  bool ScrollBars() const { return FScrollBars; }
  // Adds or removes the two 10-pixel arrow strips (20 pixels of height).
  void SetScrollBars(bool Value);
  // Colours (indices: 0 arrow, 1 border, 2 items background, 3 selected
  // row, 4 tick).
  TColor GetColor(Integer Index) const { return FColors[Index]; }
  void SetColors(Integer Index, TColor Value);
  TDerivedColors DerivedColorBorder() const { return FDerivedColorBorder; }
  void SetDerivedColorBorder(TDerivedColors Value);
  bool UseDerivedColors() const { return FUseDerivedColors; }
  // Derives ColorBorder (darker) from Color; also sets ParentColor.
  void SetUseDerivedColors(bool Value);
  bool Sorted() const { return FItems->Sorted(); }
  void SetSorted(bool Value);
  TPlainTransparentMode TransparentMode() const { return FTransparentMode; }
  void SetTransparentMode(TPlainTransparentMode Value);
  TNotifyEvent OnClickCheck;

  // The mark of item Index (False from 256 on) / sets it (ignored from 256
  // on) and repaints.
  bool GetChecked(Integer Index) const;
  void SetChecked(Integer Index, bool Value);
  Integer GetItemIndex() const { return FItemIndex; }
  void SetItemIndex(Integer Value);
  Integer TopIndex() const { return FTopIndex; }
  Integer VisibleCount() const { return FVisibleCount; }
  // One rectangle per visible row.
  const std::vector<TRect>& ItemRects() const { return FItemRects; }
  // The instance the repeat timer scrolls (null when it is stopped).
  static TPlainCheckListBox* RepeatingBox();
  // One tick of the repeat timer (what the timer runs).
  static void RepeatTimerTick();
  void Loaded() override;
  void SetBiDiMode(TBiDiMode V) override;
  // The registered "MSWHEEL_ROLLMSG" message, taken as WM_MOUSEWHEEL.
  UINT WheelMessage() const { return FWheelMessage; }

 protected:
  void Paint() override;
  void WndProc(TMessage& M) override;
  void MouseDown(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) override;
  void WMSize(TMessage& M);
  void WMMove(TMessage& M);
  void CNKeyDown(TMessage& M);
  void WMMouseWheel(TMessage& M);
  void WMSetFocus(TMessage& M);
  void WMKillFocus(TMessage& M);
  void CMEnabledChanged(TMessage& M);
  void CMColorChanges(TMessage& M);

 private:
  void RecomputeRows();
  Integer RowsHeight(Integer Rows) const;
  bool CanScrollDown(Integer Step = 1) const;
  void ItemsChanged(TObject* Sender);
  void CalcAdvancedColors();
  void DrawRowCheck(TCanvas& C, Integer X, Integer Y, bool Marked);
  void DrawArrow(TCanvas& C, const TRect& Strip, bool Up, bool Enabled);
  void StartRepeat(bool Down);

  std::unique_ptr<TStringList> FItems;
  Integer FItemHeight = 17;
  bool FScrollBars = false;
  TColor FColors[5] = {clBlack, TColor(0x8396A0), clWhite, TColor(0x9CDEF7), clBlack};
  TDerivedColors FDerivedColorBorder = 40;
  bool FUseDerivedColors = false;
  TPlainTransparentMode FTransparentMode = tmNone;
  Integer FItemIndex = -1;
  Integer FTopIndex = 0;
  Integer FVisibleCount = 0;
  std::vector<TRect> FItemRects;
  std::bitset<256> FCheckedSet;
  UINT FWheelMessage = RegisterWindowMessage("MSWHEEL_ROLLMSG");
};
