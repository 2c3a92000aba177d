// IPopupWindow: the grid family's popup windows.
//
//  - TI_PopupWindow: the choice controls' popup window (EcPopupWindow.h)
//    with two differences: without owner and with KeepOnScreen only the
//    bottom is kept on the screen, and HidePopup acts only on a window that
//    exists;
//  - TI_MessageWindow: the balloon, with the icon "I_MV_INVALIDVALUE" for
//    an invalid value, and a parent that repaints at once when a balloon
//    without windowed owner hides at the end of its display time;
//  - TI_ClipPopup: a popup with a caption bar and a size grip in its frame,
//    moved and sized with a rubber frame, holding glyph buttons;
//  - TDBClipPopup: the grid's list of marked rows, one button per mark;
//  - TI_AssistButton: the flat, highlighted buttons of these popups, which
//    also click on a release after a press elsewhere.
//
// Ownership: the owner control frees the popups; a popup owns its buttons.
//
// Thread safety: GUI thread only.
#pragma once

#include <vector>

#include "ui/controls/EcPopupWindow.h"

// Sets a clip popup's Placement to WParam.
constexpr UINT ICM_SETPLACEMENT = 1632;

class TI_PopupWindow : public TEcPopupWindow {
  RTL_DECLARE_CLASS(TI_PopupWindow)
 public:
  explicit TI_PopupWindow(TComponent* AOwner);
  // Gives the placement rectangle directly; a showing popup is placed again.
  void SetPlacementBounds(Integer ALeft, Integer ATop, Integer AWidth, Integer AHeight);
  void Popup() override;
  void HidePopup() override;
};

class TI_MessageWindow : public TEcMessageWindow {
  RTL_DECLARE_CLASS(TI_MessageWindow)
  RTL_MESSAGE_HANDLERS(TI_MessageWindow)
 public:
  explicit TI_MessageWindow(TComponent* AOwner);
  // 0 plain, 1 the invalid-value icon "I_MV_INVALIDVALUE", 2 own icon.
  Byte Kind() const { return FKind; }
  void SetKind(Byte V);
  // Copies a different bitmap into the icon and switches ShowIcon on
  // (the size follows).
  void SetIcon(TBitmap* V);
  void HidePopup() override;

 protected:
  void WMTimer(TMessage& M);

 private:
  Byte FKind = 0;
};

class TI_AssistButton : public TI_EditButton {
  RTL_DECLARE_CLASS(TI_AssistButton)
 public:
  explicit TI_AssistButton(TWinControl* AOwner);
  bool ClicksOnForeignRelease() override { return true; }
  void PrepareCanvas(TCanvas* Canvas) override;
  void PaintFrame(TCanvas* Canvas, const TRect& R) override;
  TPoint GlyphOffset() override { return Point(0, 0); }
  TPoint CaptionOffset() override { return Point(0, 0); }
};

// Clip options.
enum : Byte { coCaption = 1, coSizeGrip = 2 };
// Hit zones of a clip popup.
enum : Byte { hzSizeGrip = 0, hzCaption = 1, hzElsewhere = 2, hzClient = 3, hzButton = 4, hzGripRow = 5 };

class TI_ClipPopup : public TI_PopupWindow {
  RTL_DECLARE_CLASS(TI_ClipPopup)
  RTL_MESSAGE_HANDLERS(TI_ClipPopup)
 public:
  explicit TI_ClipPopup(TComponent* AOwner);
  ~TI_ClipPopup() override;

  TI_EditButtons* Buttons() const { return FButtons.get(); }
  Byte ClipOptions() const { return FClipOptions; }
  void SetClipOptions(Byte V);
  // 0 none, 1 a black line, 2 three-dimensional.
  Byte ClipBorderStyle() const { return FBorderStyle; }
  void SetClipBorderStyle(Byte V);
  Integer FrameWidth() const { return FBorderStyle == 2 ? 2 : FBorderStyle == 1 ? 1 : 0; }
  // The frame's insets: left, top, right, bottom.
  TRect Insets() const;
  Byte HitZone() const { return FHitZone; }
  // The zone of a window point (window coordinates).
  Byte ZoneAt(TPoint P);
  // The height of the caption bar (0 without one).
  Integer CaptionHeight() const { return FClipOptions & coCaption ? 14 : 0; }
  // The row height that sizing snaps the bottom edge to (1: no snapping).
  Integer RowHeight = 1;

  // Resets the buttons, captures the mouse and places the popup.
  void Popup() override;
  // Moves (Sizing false) or sizes the popup with a rubber frame drawn on
  // the desktop, from the mouse at desktop point Start, until the left
  // button is released (commit), Escape or another press (cancel).
  // Returns whether the popup moved or changed size.
  bool TrackRubberFrame(bool Sizing, TPoint Start);
  // The rectangle TrackRubberFrame shows for the mouse at P after a start
  // at Start (desktop coordinates); for sizing, the bottom edge moves in
  // whole rows of RowHeight once half a row is reached.
  TRect RubberRect(bool Sizing, TPoint Start, TPoint P) const;

 protected:
  void CreateWnd() override;
  void KeyDown(Word& Key, TShiftState Shift) override;
  void WMNCCalcSize(TMessage& M);
  void WMNCPaint(TMessage& M);
  void WMNCHitTest(TMessage& M);
  void WMNCLButtonDown(TMessage& M);
  void WMSetCursor(TMessage& M);
  void ICMSetPlacement(TMessage& M);
  // The parent form's caption shows the popup's active state.
  void WMActivate(TMessage& M);
  // Draws the frame, caption bar and size grip on the window canvas.
  virtual void PaintFrame(TCanvas* DC);

  std::unique_ptr<TI_EditButtons> FButtons;
  Byte FClipOptions = coCaption | coSizeGrip;
  Byte FBorderStyle = 2;
  Byte FHitZone = hzElsewhere;
};

class TDBClipPopup : public TI_ClipPopup {
  RTL_DECLARE_CLASS(TDBClipPopup)
 public:
  // AOwner is the grid: the popup sits at its first cell's bottom-left.
  explicit TDBClipPopup(TComponent* AOwner);

  Integer CellSize = 26;
  Integer FooterHeight = 18;
  Integer MaxRow() const { return FMaxRow; }
  Integer MaxCol() const { return FMaxCol; }
  // Raised with the clicked button as Sender.
  TNotifyEvent OnClick;

  // A button named Name with the glyph of resource GlyphName at cell
  // (Col, Row), hint Caption; the popup grows to hold every button.
  TI_AssistButton* AddButton(const String& Name, const String& GlyphName, Integer Col, Integer Row,
                             const String& Caption);
  // Fills the popup with the marks' texts: "#goto" ("Leer" without marks,
  // else "Löschen") and "#Goto<i>" per mark i up to HighIndex.
  void FillMarkedRowList(const std::vector<String>& Marks, Integer HighIndex);
  // The hint the footer shows (the hot button's; empty when none).
  const String& FooterText() const { return FFooterText; }

 protected:
  // The client: the popup colour and the sunken footer with the hint.
  void Paint() override;

 private:
  void ShowFooterHint(TI_EditButton* Button, bool Leaving);
  Integer FMaxRow = -1, FMaxCol = -1;
  String FFooterText;
  bool FFooterEnabled = true;
};
