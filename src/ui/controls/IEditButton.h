// IEditButton: glyph-and-caption buttons without a window of their own.
//
// A TI_EditButton is painted into the window area (client or non-client
// part) of an owner control and driven by that control's mouse messages.
// A TI_EditButtons list subclasses its owner's WindowProc to hit-test,
// track and paint its buttons, lays them out when the owner is resized
// (by each button's Anchor), and streams them as the binary form property
// "Data".
//
// Coordinates of a button count from the owner's client corner, or with
// WindowCoordinates from its window corner (buttons in the frame).
//
// The unit's start-up (InitializeEditButtonUnit, called by the program's
// start-up) sets the process-wide short date format to "dd<sep>mm<sep>yyyy"
// with the date separator then in force; the shared drawing buffers are
// made on first use.
//
// Ownership: the list owns its buttons; a button owns its glyph. The owner
// control is not owned: when it is destroyed first, the list forgets it
// (its subclassing is undone at the owner's WM_DESTROY), and the list's
// destructor restores the owner's WindowProc only while the owner lives.
//
// Thread safety: GUI thread only.
#pragma once

#include <memory>
#include <vector>

#include "platform/gui/comctrls_imagelist.h"
#include "platform/gui/controls.h"
#include "platform/gui/graphics_bitmap.h"

class TI_EditButtons;

// Button states.
enum : Byte { bsNormal = 0, bsDown = 1, bsHot = 2 };

using TButtonHotChangeEvent = std::function<void(TObject* Sender, bool Leaving)>;
using TButtonHitTestEvent = std::function<void(TObject* Sender, Integer X, bool& Hit, Integer Y)>;
using TButtonStateChangeEvent = std::function<void(TObject* Sender, Byte& NewState)>;

class TI_EditButton : public TPersistent {
  RTL_DECLARE_CLASS(TI_EditButton)
 public:
  // A button on AOwner (not yet in a list): glyph "I_BTNPOPUP", enabled,
  // visible, layout 2 (glyph centred), grey disabled drawing.
  explicit TI_EditButton(TWinControl* AOwner);
  ~TI_EditButton() override;

  // ---- Properties ---------------------------------------------------------------
  String Name = "Button";
  bool Gradient = false;
  Integer Left = 0, Top = 0, Width = 0, Height = 0;
  Byte ButtonStyle = 0;  // 0..6; 5 is a default button
  Byte State() const { return FState; }
  // The owned glyph; assigning copies.
  TBitmap* Glyph() const { return FGlyph.get(); }
  void SetGlyph(TBitmap* V);
  bool Enabled() const { return FEnabled; }
  void SetEnabled(bool V);
  TColor Color = clBtnFace;
  bool PressedHere = false;
  bool Down() const { return FDown; }
  void SetDown(bool V);
  bool ToggleGroup = false;
  Byte ButtonKind = 0;  // 0 push button, 1 toggle button
  const String& Caption() const { return FCaption; }
  void SetCaption(const String& V);
  Byte Layout = 2;  // 0 glyph left, 1 right, 2 centred, 3 above, 4 below the caption
  String Hint;
  bool Pushed = false;
  Byte DisabledDrawing = 1;  // 0 embossed, 1 grey, 2 unchanged, 3 faded
  bool Visible() const { return FVisible; }
  void SetVisible(bool V);
  TCustomImageList* Images = nullptr;
  Integer ImageIndex = -1;
  Integer Index = 0;
  Integer Tag = 0;
  bool ShowCaption = true;
  bool StyledCaption = true;
  bool IsDefault() const { return ButtonStyle == 5; }
  bool DoubleBuffered = true;
  bool Transparent = false;
  Byte Anchor = 0;  // 0..10, see TI_EditButtons::Relayout
  bool WindowCoordinates = false;

  TNotifyEvent OnClick;
  TButtonHotChangeEvent OnHotChange;
  TButtonHitTestEvent OnHitTest;
  TButtonStateChangeEvent OnStateChange;

  TWinControl* OwnerControl() const { return FOwner; }
  TI_EditButtons* List() const { return FList; }
  TRect BoundsRect() const { return Bounds(Left, Top, Width, Height); }
  // The caption's measured extent (MeasureCaption).
  TSize CaptionExtent() const { return FCaptionExtent; }
  // The character marked with "&" in the caption (0 when none).
  char32_t Accelerator() const;

  // ---- Behaviour ----------------------------------------------------------------
  // Whether a release over the button after a press elsewhere clicks it.
  virtual bool ClicksOnForeignRelease() { return false; }
  virtual void MeasureCaption();
  // Sets up Canvas's colours for drawing the face.
  virtual void PrepareCanvas(TCanvas* Canvas);
  // Paints the button on its owner's window, clipped to Region (owner
  // window or client coordinates as the button's own; null: no clip).
  virtual void Paint(const TRegion* Region);
  virtual void PaintBackground(TCanvas* Canvas, const TRect& R);
  virtual void PaintFrame(TCanvas* Canvas, const TRect& R);
  virtual TPoint GlyphOffset();
  virtual TPoint CaptionOffset();
  // Draws the whole button into Canvas at R (background, frame, glyph, caption).
  void Draw(TCanvas* Canvas, const TRect& R);
  // Tracks the mouse at P (the button's coordinates): see the unit header.
  // MouseDown tells whether the left button is held. Returns whether the
  // point lies on the button.
  bool Track(TPoint P, bool IsMove, bool MouseDown);
  // Back to normal (or hot when Hot), pressed flags cleared.
  void ResetState(bool Hot);
  // Changes the state through OnStateChange and repaints when it looks different.
  void ChangeState(Byte NewState);
  void Invalidate() { Paint(nullptr); }

 private:
  friend class TI_EditButtons;
  void DrawGlyph(TCanvas* Canvas, const TRect& R);
  void DrawCaption(TCanvas* Canvas, const TRect& R);
  TBitmap* CurrentGlyph(TBitmap& Scratch);

  TWinControl* FOwner;
  TI_EditButtons* FList = nullptr;
  Byte FState = bsNormal;
  std::unique_ptr<TBitmap> FGlyph;
  bool FEnabled = true;
  bool FDown = false;
  String FCaption;
  bool FVisible = true;
  Integer FHiddenWidth = 0;
  TSize FCaptionExtent{};
};

class TI_EditButtons : public TPersistent {
  RTL_DECLARE_CLASS(TI_EditButtons)
 public:
  explicit TI_EditButtons(TWinControl* AOwner);
  // Frees the buttons and restores the owner's WindowProc (while it lives).
  ~TI_EditButtons() override;

  TWinControl* OwnerControl() const { return FOwner; }
  // A new button of class T, appended and named "<Name><index>".
  template <class T = TI_EditButton>
  T* Add() {
    auto* B = new T(FOwner);
    Adopt(B);
    return B;
  }
  void Clear();
  Integer Count() const { return Integer(FButtons.size()); }
  // Raises EListError for a bad index.
  TI_EditButton* Items(Integer Index) const;
  TI_EditButton* operator[](Integer Index) const { return Items(Index); }

  // The first visible, enabled button at the desktop point (X, Y), as
  // OnHitTest lets it be; null when none.
  TI_EditButton* ButtonAt(Integer X, Integer Y);
  // The union of the visible buttons' rectangles.
  TRect ButtonsRect() const;
  // The first enabled, visible button whose caption has Ch as accelerator.
  TI_EditButton* FindAccel(char32_t Ch);
  // Installs the list's window procedure on the owner (once).
  void Subclass();
  // Puts the owner's previous procedure back (once).
  void Restore();
  bool Subclassed() const { return FSubclassed; }
  void ResetStates();
  // Moves and sizes the buttons by their Anchor after the owner grew by
  // (DX, DY); visible buttons repaint.
  void Relayout(Integer DX, Integer DY);
  void PaintAll(const TRegion* Region);
  // Leaves the client-coordinate buttons out of DC's drawable area.
  void ExcludeFromErase(TCanvas* DC);
  // Keeps the owner's client picture for transparent buttons.
  void SaveBackground();
  void RepaintDefaultButtons();
  // Lets every button track the desktop point (X, Y); keeps HotButton.
  void MouseEvent(Integer X, Integer Y, bool IsMove);

  TI_EditButton* HotButton() const { return FHotButton; }
  bool MouseCaptured() const { return FMouseCaptured; }
  Byte DefaultAnchor = 0;
  bool DefaultWindowCoordinates = false;
  TCustomImageList* Images() const { return FImages; }
  void SetImages(TCustomImageList* V);
  TColor DefaultColor() const { return FDefaultColor; }
  // Recolours every button that still had the old default.
  void SetDefaultColor(TColor V);
  bool Visible() const { return FVisible; }
  void SetVisible(bool V);
  // While locked the list paints nothing.
  void LockPaint() { ++FPaintLock; }
  void UnlockPaint() { if (FPaintLock > 0) --FPaintLock; }
  bool PaintLocked() const { return FPaintLock > 0; }
  // The owner's saved client picture (owned).
  TBitmap* Background() const { return FBackground.get(); }

  // ---- Form files ------------------------------------------------------------------
  // Writes the binary "Data" (count, then per button the 30-byte record,
  // caption and hint).
  void WriteData(TStream* Stream) const;
  // Appends the buttons of Stream; raises EReadError ("Ungültiger
  // Binärwert") for truncated data, with nothing appended.
  void ReadData(TStream* Stream);
  // True when the list is to be written: it has buttons and there is no
  // ancestor, or it differs from Ancestor (counts, or caption or image
  // index of a button at the same position).
  bool DataDiffers(const TI_EditButtons* Ancestor) const;

  // The subclassing window procedure.
  void EditButtonsWndProc(TMessage& Message);
  // The owner went away (its destruction); the list forgets it.
  void OwnerGone();

 private:
  void Adopt(TI_EditButton* B);
  void CallPrevious(TMessage& Message);
  bool Designing() const;
  TPoint ToButton(const TI_EditButton* B, TPoint Screen) const;
  bool LeftButtonHeld() const;
  // MouseEvent with the left button's state given.
  void TrackAll(Integer X, Integer Y, bool IsMove, bool Held);

  TWinControl* FOwner;
  std::vector<std::unique_ptr<TI_EditButton>> FButtons;
  bool FMouseCaptured = false;
  TWndMethod FPrevious;
  bool FSubclassed = false;
  TI_EditButton* FHotButton = nullptr;
  TCustomImageList* FImages = nullptr;
  TColor FDefaultColor = clBtnFace;
  bool FVisible = true;
  Integer FPaintLock = 0;
  std::unique_ptr<TBitmap> FBackground;
  class TOwnerWatch* FWatch = nullptr;
};

// Sets ShortDateFormat to "dd%0:smm%0:syyyy" formatted with DateSeparator.
void InitializeEditButtonUnit();
// The shared drawing buffer and transparent-glyph buffer of the unit.
TBitmap* EditButtonBuffer();
TBitmap* EditButtonGlyphBuffer();
