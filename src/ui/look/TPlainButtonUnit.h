// TPlainButton: the program's one push button. A flat, self-painted
// windowed control with a glyph and a caption, hover highlighting, an
// optional toggle (group) behaviour, a default-button frame, an optional
// small key label (VKKey, "F2" style) and keyboard events that let a
// dialog move between buttons with Enter, Backspace and the arrow keys.
//
// Painting goes into an off-screen bitmap that is copied to the screen.
// Hover is followed by one timer shared by all buttons (100 ms), made by
// the first button and freed with the last one; it watches the one
// button the mouse entered last.
//
// States: 0 up, 1 disabled, 2 pressed, 3 down (toggled).
//
// Registered by class name for form descriptions; the properties listed
// in the .cpp's published block are reachable by name.
//
// Thread safety: none; GUI thread only.
#pragma once

#include <functional>
#include <memory>

#include "platform/gui/forms.h"
#include "ui/look/PlainUtils.h"

class TPlainButton;

// May cancel a click (Clicked := false).
using TBeforeClick = std::function<void(TObject* Sender, bool& Clicked)>;
// Keyboard navigation: may change the control that gets the focus or
// refuse the move (Accept := false).
using TSelectNext = std::function<void(TWinControl*& SourceControl, TWinControl*& DestControl, Word CharCode,
                                       bool& Accept)>;
using TUpPressed = std::function<void(TObject* Sender, bool& Accept)>;
using TDownPressed = std::function<void(TObject* Sender, bool& Accept)>;
using TAlphaKeyPressed = std::function<void(TObject* Sender, Word Key)>;
using TLeftRightKeyPressed = std::function<void(TObject* Sender, bool Right)>;
// Replaces the whole painting of a button when set.
using TPlainButtonOwnerDraw = std::function<void(TPlainButton* Sender, TCanvas& Canvas, bool MouseInControl)>;

class TPlainButton : public TCustomControl {
  RTL_DECLARE_CLASS(TPlainButton)
  RTL_MESSAGE_HANDLERS(TPlainButton)
 public:
  // 25 x 25, the flat colours, glyph on top, centred (Margin -1),
  // Spacing 4.
  explicit TPlainButton(TComponent* AOwner);
  // Stops the hover tracking of this button; the last button frees the
  // shared timer.
  ~TPlainButton() override;

  // ---- Colours (indices: 0 focused, 1 down, 2 border, 3 highlight, 4 shadow)
  TColor GetColor(Integer Index) const { return FColors[Index]; }
  void SetColors(Integer Index, TColor Value);
  // Percentages (indices: 0 focused, 1 down, 2 border).
  TDerivedColors GetDerived(Integer Index) const { return FDerived[Index]; }
  void SetDerived(Integer Index, TDerivedColors Value);
  bool UseDerivedColors() const { return FUseDerivedColors; }
  // Derives ColorFocused (lighter), ColorDown and ColorBorder (darker)
  // from Color by ShadeColor while set.
  void SetUseDerivedColors(bool Value);

  // ---- Toggle behaviour ------------------------------------------------------------
  Integer GroupIndex() const { return FGroupIndex; }
  void SetGroupIndex(Integer Value);
  bool Down() const { return FDown; }
  // Refused (stays False) without a GroupIndex; releasing a down button
  // is refused unless AllowAllUp. Going down releases the other buttons
  // of the group (CM_BUTTONPRESSED to the parent's controls).
  void SetDown(bool Value);
  bool AllowAllUp() const { return FAllowAllUp; }
  void SetAllowAllUp(bool Value);
  bool Default() const { return FDefault; }
  // Draws the 2-pixel default frame; tells the parent form.
  void SetDefault(bool Value);

  // ---- Glyph and layout -------------------------------------------------------------
  // Owned; SetGlyph copies. A glyph whose width is a multiple of its
  // height sets NumGlyphs to width div height (1 when that exceeds 4).
  TBitmap* Glyph() const { return FGlyph.get(); }
  void SetGlyph(TBitmap* Value);
  TNumGlyphs NumGlyphs() const { return FNumGlyphs; }
  void SetNumGlyphs(TNumGlyphs Value);
  TButtonLayout Layout() const { return FLayout; }
  void SetLayout(TButtonLayout Value);
  Integer Margin() const { return FMargin; }
  // Values below -1 are refused.
  void SetMargin(Integer Value);
  Integer Spacing() const { return FSpacing; }
  void SetSpacing(Integer Value);
  TModalResult ModalResult() const { return FModalResult; }
  void SetModalResult(TModalResult Value) { FModalResult = Value; }
  TPlainTransparentMode TransparentMode() const { return FTransparentMode; }
  void SetTransparentMode(TPlainTransparentMode Value);
  Integer Round() const { return FRound; }
  // Clamped to 0..100; above 0 the window becomes a rounded rectangle.
  void SetRound(Integer Value);
  const String& VKKey() const { return FVKKey; }
  void SetVKKey(const String& Value);

  // ---- State (read-only) ------------------------------------------------------------
  Integer State() const { return FState; }
  bool MouseInControl() const { return FMouseInControl; }
  bool IsDragging() const { return FDragging; }
  bool HasFocus() const { return FFocused; }
  // Where the last paint put the glyph and the caption.
  TPoint GlyphPos() const { return FGlyphPos; }
  TRect TextBounds() const { return FTextBounds; }
  // The button the shared hover timer watches, or null.
  static TPlainButton* TrackedButton();
  // One tick of the shared hover timer (what the timer runs).
  static void HoverTimerTick();

  // Moves the focus to the next (previous) tab stop of the owner,
  // cyclically, after asking OnSelectNext.
  void SelectNextButton(bool GoForward, Word CharCode);
  void SetBounds(Integer ALeft, Integer ATop, Integer AWidth, Integer AHeight) override;
  void Loaded() override;

  // ---- Events ------------------------------------------------------------------------
  TBeforeClick OnBeforeClick;
  TSelectNext OnSelectNext;
  TUpPressed OnUp;
  TDownPressed OnDown;
  TAlphaKeyPressed OnAlpha;
  TLeftRightKeyPressed OnLeftRightKeyPressed;
  TPlainButtonOwnerDraw OnOwnerDraw;

 protected:
  // Cancellable by OnBeforeClick; sets the parent form's ModalResult,
  // raises OnClick and pops the PopupMenu up under the button.
  void Click() override;
  void MouseDown(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) override;
  void MouseMove(TShiftState Shift, Integer X, Integer Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) override;
  void Paint() override;

  // A double click raises OnDblClick only on a down button.
  void WMLButtonDblClk(TMessage& M);
  void WMKeyDown(TMessage& M);
  void WMKeyUp(TMessage& M);
  void CNKeyDown(TMessage& M);
  void CMDialogChar(TMessage& M);
  void CMButtonPressed(TMessage& M);
  void WMSetFocus(TMessage& M);
  void WMKillFocus(TMessage& M);
  void CMEnabledChanged(TMessage& M);
  void CMFontChanged(TMessage& M);
  void CMTextChanged(TMessage& M);
  void CMSysColorChange(TMessage& M);
  void CMParentColorChanged(TMessage& M);

 private:
  friend struct TPlainButtonPainter;
  // Counts buttons for the shared hover timer (freed with the last one).
  static void CountInstance(TPlainButton* Button, bool Created);
  void MouseEnterStep();
  void MouseLeaveStep();
  void StopTracking();
  void UpdateTracking();
  void UpdateExclusive();
  void CalcAdvancedColors();
  void DerivedColorsChanged();
  bool IsInside(Integer X, Integer Y);
  bool IsAccelerator(char32_t Key) const;

  TColor FColors[5] = {TColor(0xE1EAEB), TColor(0xC5D6D9), TColor(0x8396A0), clWhite, clBlack};
  TDerivedColors FDerived[3] = {10, 10, 50};
  bool FUseDerivedColors = false;
  Integer FGroupIndex = 0;
  bool FDown = false;
  bool FAllowAllUp = false;
  bool FDefault = false;
  std::unique_ptr<TBitmap> FGlyph;
  TNumGlyphs FNumGlyphs = 1;
  TButtonLayout FLayout = blGlyphTop;
  Integer FMargin = -1;
  Integer FSpacing = 4;
  TModalResult FModalResult = 0;
  TPlainTransparentMode FTransparentMode = tmNone;
  Integer FRound = 0;
  String FVKKey;

  Integer FState = 0;
  bool FMouseInControl = false;
  bool FDragging = false;
  bool FFocused = false;
  TPoint FGlyphPos{};
  TRect FTextBounds{};
};
