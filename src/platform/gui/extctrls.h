// The additional controls of the class library: panels, bevels, shapes,
// images and the scroll box (this header), and the notebook with its
// pages (extctrls_notebook.h).
//
// TCustomPanel: a container with an outer and an inner bevel (raised,
// lowered or none, BevelWidth pixels each), an optional single border,
// BorderWidth pixels of space, and a one-line caption drawn centred
// vertically, aligned by Alignment. Children are aligned inside the
// bevels. TBevel draws a box, frame or one line, lowered or raised.
// TShape fills and outlines a rectangle, square, rounded one, ellipse or
// circle with its own Pen and Brush. TImage shows a TPicture, at the top
// left, centred, stretched or proportionally shrunk. TScrollBox is a
// container with a sunken border whose children can be scrolled.
//
// Thread safety: none; GUI thread only.
#pragma once

#include <memory>

#include "platform/gui/extctrls_timer.h"
#include "platform/gui/stdctrls_edit.h"

RTL_ENUM(TBevelCut, bvNone, bvLowered, bvRaised, bvSpace);
RTL_ENUM(TBevelShape, bsBox, bsFrame, bsTopLine, bsBottomLine, bsLeftLine, bsRightLine, bsSpacer);
RTL_ENUM(TBevelStyle, bsLowered, bsRaised);
RTL_ENUM(TShapeType, stRectangle, stSquare, stRoundRect, stRoundSquare, stEllipse, stCircle);

// Draws a bevel of Width pixels around Rect and shrinks Rect by it:
// raised is light at the top left and dark at the bottom right, lowered
// the reverse; bvNone and bvSpace draw nothing (bvSpace still shrinks).
void DrawBevel(TCanvas& Canvas, TRect& Rect, TBevelCut Cut, Integer Width);

class TCustomPanel : public TCustomControl {
  RTL_DECLARE_CLASS(TCustomPanel)
  RTL_MESSAGE_HANDLERS(TCustomPanel)
 public:
  // 185 x 41, clBtnFace, raised outer bevel, caption centred.
  explicit TCustomPanel(TComponent* AOwner);

  TAlignment Alignment() const { return FAlignment; }
  void SetAlignment(TAlignment V);
  TBevelCut BevelInner() const { return FBevelInner; }
  void SetBevelInner(TBevelCut V);
  TBevelCut BevelOuter() const { return FBevelOuter; }
  void SetBevelOuter(TBevelCut V);
  Integer BevelWidth() const { return FBevelWidth; }
  void SetBevelWidth(Integer V);
  TBorderStyle BorderStyle() const { return FBorderStyle; }
  void SetBorderStyle(TBorderStyle V);
  bool FullRepaint() const { return FFullRepaint; }
  void SetFullRepaint(bool V) { FFullRepaint = V; }
  bool Locked() const { return FLocked; }
  void SetLocked(bool V) { FLocked = V; }

 protected:
  void CreateParams(TCreateParams& Params) override;
  void AdjustClientRect(TRect& Rect) override;
  void Paint() override;
  // Bevels only (no background or caption); returns the inner rectangle.
  TRect PaintBevels();
  void CMTextChanged(TMessage& M);

 private:
  Integer BevelSize() const;
  void Changed();

  TAlignment FAlignment = taCenter;
  TBevelCut FBevelInner = bvNone;
  TBevelCut FBevelOuter = bvRaised;
  Integer FBevelWidth = 1;
  TBorderStyle FBorderStyle = bsNone;
  bool FFullRepaint = true;
  bool FLocked = false;
};

class TPanel : public TCustomPanel {
  RTL_DECLARE_CLASS(TPanel)
 public:
  explicit TPanel(TComponent* AOwner) : TCustomPanel(AOwner) {}
};

class TBevel : public TGraphicControl {
  RTL_DECLARE_CLASS(TBevel)
 public:
  // 50 x 50, a lowered box.
  explicit TBevel(TComponent* AOwner);
  TBevelShape Shape() const { return FShape; }
  void SetShape(TBevelShape V);
  TBevelStyle Style() const { return FStyle; }
  void SetStyle(TBevelStyle V);

 protected:
  void Paint() override;

 private:
  TBevelShape FShape = bsBox;
  TBevelStyle FStyle = bsLowered;
};

class TShape : public TGraphicControl {
  RTL_DECLARE_CLASS(TShape)
 public:
  // 65 x 65, a rectangle with a black pen and a white brush.
  explicit TShape(TComponent* AOwner);
  ~TShape() override;
  TShapeType Shape() const { return FShape; }
  void SetShape(TShapeType V);
  // Owned; setting copies.
  TPen* Pen() const { return FPen.get(); }
  void SetPen(TPen* V) { FPen->Assign(V); }
  TBrush* Brush() const { return FBrush.get(); }
  void SetBrush(TBrush* V) { FBrush->Assign(V); }

 protected:
  void Paint() override;

 private:
  TShapeType FShape = stRectangle;
  std::unique_ptr<TPen> FPen;
  std::unique_ptr<TBrush> FBrush;
};

class TImage : public TGraphicControl {
  RTL_DECLARE_CLASS(TImage)
 public:
  // 105 x 105, empty picture.
  explicit TImage(TComponent* AOwner);
  ~TImage() override;
  // Owned; setting copies. Every change of the picture repaints (and with
  // AutoSize resizes to it).
  TPicture* Picture() const { return FPicture.get(); }
  void SetPicture(TPicture* V) { FPicture->Assign(V); }
  bool Center() const { return FCenter; }
  void SetCenter(bool V);
  bool Stretch() const { return FStretch; }
  void SetStretch(bool V);
  bool Proportional() const { return FProportional; }
  void SetProportional(bool V);
  bool Transparent() const { return FTransparent; }
  void SetTransparent(bool V);
  // Where the picture is drawn (client coordinates).
  TRect DestRect();

 protected:
  void Paint() override;
  bool CanAutoSize(Integer& NewWidth, Integer& NewHeight) override;

 private:
  void PictureChanged(TObject* Sender);
  std::unique_ptr<TPicture> FPicture;
  bool FCenter = false, FStretch = false, FProportional = false, FTransparent = false;
};

class TScrollBox : public TWinControl {
  RTL_DECLARE_CLASS(TScrollBox)
 public:
  // 185 x 41, sunken border, accepts controls.
  explicit TScrollBox(TComponent* AOwner);
  TBorderStyle BorderStyle() const { return FBorderStyle; }
  void SetBorderStyle(TBorderStyle V);
  bool AutoScroll() const { return FAutoScroll; }
  void SetAutoScroll(bool V) { FAutoScroll = V; }
  // Moves every child by DX, DY and remembers the scroll position.
  void ScrollBy(Integer DX, Integer DY);
  TPoint ScrollPos() const { return FScrollPos; }

 protected:
  void CreateParams(TCreateParams& Params) override;

 private:
  TBorderStyle FBorderStyle = bsSingle;
  bool FAutoScroll = true;
  TPoint FScrollPos{};
};
