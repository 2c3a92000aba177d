// TCanvas: the drawing surface of the visual class library, a software
// rasteriser over a pixel buffer with the original platform's semantics.
//
// A canvas draws into a TPixelSurface that someone else owns (a TBitmap,
// or a window's back buffer in the back ends); it never allocates pixels.
// Coordinates are logical: device = logical - window origin + viewport
// origin, and surface = device + device origin (where a window's corner
// lies on its top-level window's surface). Rectangles are half-open (right
// and bottom excluded); a line excludes its end point. Every pixel write
// goes through one clipped span writer (the surface, the system clip that
// the window manager sets, then the clip region that the painting code
// selects) and one raster-operation evaluator, whatever the primitive.
//
// The pen, brush and font are realised lazily as on the original platform:
// after the brush changed, the next drawing call sets the background
// colour to the brush colour and the background mode to OPAQUE (TRANSPARENT
// for a clear brush); SetBkMode afterwards holds until the brush changes
// again. Text is drawn in the font colour.
//
// Thread safety: none. A canvas is used by one thread at a time; Lock and
// Unlock serialise threads that share one (re-entrant).
#pragma once

#include <algorithm>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

#include "platform/gui/graphics_tools.h"
#include "platform/gui/graphics_types.h"
#include "platform/gui/region.h"

class TGraphic;

// A block of pixels: rows of Stride bytes, top row first; each pixel is
// B, G, R (and A when BytesPerPixel is 4) as in a device-independent
// bitmap. The memory belongs to whoever made the surface.
struct TPixelSurface {
  Byte* Bits = nullptr;
  Integer Width = 0;
  Integer Height = 0;
  Integer Stride = 0;         // bytes per row
  Integer BytesPerPixel = 4;  // 3 or 4

  bool Valid() const { return Bits && Width > 0 && Height > 0; }
  Byte* Pixel(Integer X, Integer Y) const { return Bits + Y * Stride + X * BytesPerPixel; }
  // The pixel as 0x00BBGGRR; REQUIRES: inside the surface.
  TColorRef Get(Integer X, Integer Y) const {
    const Byte* p = Pixel(X, Y);
    return p[2] | (p[1] << 8) | (p[0] << 16);
  }
  // Writes 0x00BBGGRR; the alpha byte of a 4-byte pixel becomes 255.
  void Set(Integer X, Integer Y, TColorRef C) const {
    Byte* p = Pixel(X, Y);
    p[0] = Byte(C >> 16); p[1] = Byte(C >> 8); p[2] = Byte(C);
    if (BytesPerPixel == 4) p[3] = 255;
  }
};

// Background modes.
enum : Integer { TRANSPARENT = 1, OPAQUE = 2 };

// Ternary raster operations of BitBlt, StretchBlt and PatBlt.
constexpr Cardinal SRCCOPY = 0x00CC0020;
constexpr Cardinal SRCPAINT = 0x00EE0086;
constexpr Cardinal SRCAND = 0x008800C6;
constexpr Cardinal SRCINVERT = 0x00660046;
constexpr Cardinal SRCERASE = 0x00440328;
constexpr Cardinal NOTSRCCOPY = 0x00330008;
constexpr Cardinal NOTSRCERASE = 0x001100A6;
constexpr Cardinal MERGECOPY = 0x00C000CA;
constexpr Cardinal MERGEPAINT = 0x00BB0226;
constexpr Cardinal PATCOPY = 0x00F00021;
constexpr Cardinal PATPAINT = 0x00FB0A09;
constexpr Cardinal PATINVERT = 0x005A0049;
constexpr Cardinal DSTINVERT = 0x00550009;
constexpr Cardinal BLACKNESS = 0x00000042;
constexpr Cardinal WHITENESS = 0x00FF0062;
constexpr Cardinal DSna = 0x00220326;  // destination AND NOT source (masks)
using TCopyMode = Cardinal;
constexpr TCopyMode cmSrcCopy = SRCCOPY;

// Applies ternary raster operation Rop (its truth-table byte) to pattern P,
// source S and destination D (0x00BBGGRR each).
TColorRef ApplyRop3(Cardinal Rop, TColorRef P, TColorRef S, TColorRef D);
// Applies binary raster operation Rop2 (R2_* code 1..16) to pen P and D.
TColorRef ApplyRop2(Integer Rop2, TColorRef P, TColorRef D);

class TCanvas : public TPersistent {
  RTL_DECLARE_CLASS(TCanvas)
 public:
  TCanvas();
  ~TCanvas() override;

  // ---- Target ---------------------------------------------------------
  // Points the canvas at Surface (not owned). Resets the clip, the origins
  // and the saved states; keeps pen, brush, font and pen position.
  void SetSurface(const TPixelSurface& Surface);
  const TPixelSurface& Surface() const { return FSurface; }
  // Where device (0, 0) lies on the surface (a child window's corner on
  // its top-level surface). Kept by SaveDC/RestoreDC and SelectClipRgn.
  void SetDeviceOrigin(TPoint P);
  TPoint DeviceOrigin() const { return FDeviceOrigin; }
  // The part of the surface this canvas may paint at all, in surface
  // coordinates (a window's visible region); null allows the whole
  // surface. Painting code cannot widen it: SelectClipRgn(nullptr) goes
  // back to it, as on the original platform.
  void SetSystemClip(const TRegion* Rgn);
  bool HandleAllocated() const { return FSurface.Valid(); }

  TPen* Pen() { return FPen.get(); }
  TBrush* Brush() { return FBrush.get(); }
  TFont* Font() { return FFont.get(); }
  // Copy the given tool into the canvas's own (Assign).
  void SetPen(TPen* V) { FPen->Assign(V); }
  void SetBrush(TBrush* V) { FBrush->Assign(V); }
  void SetFont(TFont* V) { FFont->Assign(V); }

  TPoint PenPos() const { return FPenPos; }
  void SetPenPos(const TPoint& P) { FPenPos = P; }
  // Raster operation of CopyRect and of drawing bitmaps (SRCCOPY).
  TCopyMode CopyMode() const { return FCopyMode; }
  void SetCopyMode(TCopyMode V) { FCopyMode = V; }

  // Called before and after each drawing call.
  TGraphicsNotify OnChanging, OnChange;

  // ---- Device state ---------------------------------------------------
  // TRANSPARENT or OPAQUE; returns the previous mode.
  Integer SetBkMode(Integer Mode);
  Integer GetBkMode();
  TColorRef SetBkColor(TColor Color);
  TColorRef GetBkColor();
  TColorRef SetTextColor(TColor Color);
  TColorRef GetTextColor();
  // The binary raster operation of pens (R2_*); set from Pen.Mode on
  // realisation.
  Integer SetROP2(Integer Rop2);

  // ---- Origins ---------------------------------------------------------
  // Sets the logical point that maps to the viewport origin; returns the
  // previous one through Old when given.
  void SetWindowOrgEx(Integer X, Integer Y, TPoint* Old = nullptr);
  TPoint GetWindowOrgEx() const { return FWindowOrg; }
  // Sets the device point that logical (window origin) maps to.
  void SetViewportOrgEx(Integer X, Integer Y, TPoint* Old = nullptr);
  TPoint GetViewportOrgEx() const { return FViewportOrg; }
  TPoint LogicalToDevice(TPoint P) const;
  TPoint DeviceToLogical(TPoint P) const;
  // Logical to surface coordinates (device plus device origin) and back.
  TPoint LogicalToSurface(TPoint P) const;
  TPoint SurfaceToLogical(TPoint P) const;
  TRect LogicalToSurface(const TRect& R) const;

  // ---- Clipping --------------------------------------------------------
  // The visible part of the canvas in logical coordinates (the surface
  // when nothing clips).
  TRect ClipRect() const;
  // Limits drawing to the part inside the logical rectangle; returns the
  // kind of the resulting clip region.
  Integer IntersectClipRect(Integer Left, Integer Top, Integer Right, Integer Bottom);
  // Takes the logical rectangle out of the drawable area.
  Integer ExcludeClipRect(Integer Left, Integer Top, Integer Right, Integer Bottom);
  // Replaces the clip by Rgn (device coordinates); null removes it.
  Integer SelectClipRgn(const TRegion* Rgn);
  // Combines the clip with Rgn (device coordinates) by RGN_AND, RGN_OR,
  // RGN_XOR, RGN_DIFF or RGN_COPY. Without a clip, the surface counts.
  Integer ExtSelectClipRgn(const TRegion* Rgn, Integer Mode);
  // Copies the clip region (device coordinates) into Rgn; returns 1, or 0
  // (Rgn untouched) when there is none.
  Integer GetClipRgn(TRegion& Rgn) const;
  // True when any pixel of the logical rectangle is visible.
  bool RectVisible(const TRect& R) const;

  // ---- Saved states ----------------------------------------------------
  // Saves origins, clip, background, text colour and ROP2; returns the
  // state's number (1 for the first).
  Integer SaveDC();
  // Restores state Index (negative: relative to the newest, -1 = newest)
  // and drops the newer ones. Returns false for an unknown index.
  bool RestoreDC(Integer Index);

  // ---- Pixels and shapes (canvas_rects.cpp, canvas_lines.cpp) ----------
  // The colour of a pixel, or CLR_INVALID (-1 as TColor) outside the
  // visible area.
  TColor Pixel(Integer X, Integer Y);
  void SetPixel(Integer X, Integer Y, TColor Color);
  void MoveTo(Integer X, Integer Y);
  // Draws from the pen position to (X, Y), excluding (X, Y), and moves
  // the pen there.
  void LineTo(Integer X, Integer Y);
  void Polyline(const std::vector<TPoint>& Points);
  void Polygon(const std::vector<TPoint>& Points);
  // Fills with the brush, frames with the pen; covers Left..Right-1.
  void Rectangle(Integer X1, Integer Y1, Integer X2, Integer Y2);
  void Rectangle(const TRect& R) { Rectangle(R.Left, R.Top, R.Right, R.Bottom); }
  void RoundRect(Integer X1, Integer Y1, Integer X2, Integer Y2, Integer X3, Integer Y3);
  void Ellipse(Integer X1, Integer Y1, Integer X2, Integer Y2);
  void Ellipse(const TRect& R) { Ellipse(R.Left, R.Top, R.Right, R.Bottom); }
  // Fills with the brush only (no pen, no ROP2).
  void FillRect(const TRect& R);
  // A one-pixel frame in the brush colour.
  void FrameRect(const TRect& R);
  // Inverts a dotted frame; drawing it twice restores the pixels.
  void DrawFocusRect(const TRect& R);
  // Fills a logical-coordinate region with the brush.
  void FillRgn(const TRegion& Rgn);
  // Inverts the pixels of R.
  void InvertRect(const TRect& R);
  // Fills from (X, Y) outward: FillStyle fsSurface fills the area of
  // Color, fsBorder the area bounded by Color.
  enum TFillStyle { fsSurface, fsBorder };
  void FloodFill(Integer X, Integer Y, TColor Color, TFillStyle FillStyle);

  // ---- Text (canvas_text.cpp) --------------------------------------------
  // Draws Text with its cell's top-left at (X, Y); the pen position moves
  // to the end of the text.
  void TextOut(Integer X, Integer Y, const String& Text);
  // Draws Text at (X, Y) clipped to R; an opaque background fills all of R.
  void TextRect(const TRect& R, Integer X, Integer Y, const String& Text);
  TSize TextExtent(const String& Text);
  Integer TextWidth(const String& Text) { return TextExtent(Text).cx; }
  Integer TextHeight(const String& Text) { return TextExtent(Text).cy; }
  // The metrics of the current font.
  TTextMetric GetTextMetrics();
  // How many characters of Text fit into MaxWidth pixels.
  Integer TextFitChars(const String& Text, Integer MaxWidth);
  // The sized face of the current font (for measuring code).
  TFontFace& FontFace();

  // ---- Blits (canvas_blit.cpp) --------------------------------------------
  // Copies Source's rectangle into Dest with CopyMode (nearest-neighbour
  // stretch when the sizes differ). Source may be this canvas.
  void CopyRect(const TRect& Dest, TCanvas& Source, const TRect& SourceRect);
  // Draws the graphic at its own size with its top-left at (X, Y). A null
  // or empty graphic draws nothing.
  void Draw(Integer X, Integer Y, TGraphic* Graphic);
  // Draws the graphic stretched into R.
  void StretchDraw(const TRect& R, TGraphic* Graphic);
  // The blit every other one reduces to: Source's SourceRect (pixels of
  // Source, clamped to it) onto the logical rectangle Dest through Rop.
  void StretchBltSurface(const TRect& Dest, const TPixelSurface& Source,
                         const TRect& SourceRect, Cardinal Rop);
  // Like StretchBltSurface with SRCCOPY, but pixels of colour Key are left out.
  void TransparentBltSurface(const TRect& Dest, const TPixelSurface& Source,
                             const TRect& SourceRect, TColorRef Key);
  // Blends Source's pixels over the destination by their alpha bytes
  // (straight alpha; a 3-byte source is opaque) times ConstantAlpha / 255.
  void AlphaBlendSurface(const TRect& Dest, const TPixelSurface& Source,
                         const TRect& SourceRect, Byte ConstantAlpha = 255);
  // Fills the logical rectangle with the brush pattern through Rop.
  void PatBlt(const TRect& R, Cardinal Rop);

  // ---- Locking -------------------------------------------------------------
  void Lock();
  void Unlock();
  // True when Lock was called more often than Unlock.
  bool Locked() const { return FLockCount > 0; }

  // ---- Internals shared by the canvas_*.cpp files ---------------------
  // Calls F(Y, X0, X1) for every visible piece of the surface span
  // [X0, X1) of row Y. Spans, regions and pixels below are in surface
  // coordinates.
  template <class F>
  void ForEachVisibleSpan(Integer Y, Integer X0, Integer X1, F&& Fn);
  // StretchBltSurface with SRCCOPY where every device pixel has its own
  // source pixel and both sides have four-byte pixels: copies the rows and
  // returns true; false, having done nothing, otherwise.
  bool CopyRows(const TRect& Dest, const TPixelSurface& Source, const TRect& SourceRect);
  // Writes Color into the span through ROP2 Rop2.
  void PaintSpanRop2(Integer Y, Integer X0, Integer X1, TColorRef Color, Integer Rop2);
  // Fills a span with the brush pattern through ROP2 Rop2.
  void PaintSpanBrush(Integer Y, Integer X0, Integer X1, Integer Rop2);
  // Blends Color into the pixels X.. X+Count-1 of row Y, pixel i
  // with coverage Coverage[i] (0..255).
  void BlendCoverageRow(Integer Y, Integer X, const Byte* Coverage, Integer Count,
                        TColorRef Color);
  // Fills a surface-coordinate region with the brush through ROP2.
  void FillSurfaceRegion(const TRegion& Rgn, Integer Rop2);
  // The brush's colour at surface (X, Y), or nothing where it leaves the
  // pixel alone (clear brush, hatch gaps in transparent mode).
  std::optional<TColorRef> BrushPixel(Integer X, Integer Y);
  // Applies pending pen, brush and font changes to the device state.
  void RealizeTools();
  void Changing();
  void Changed();

 private:
  struct TDCState {
    TPoint WindowOrg, ViewportOrg;
    std::optional<TRegion> Clip;
    Integer BkMode;
    TColorRef BkColor, TextColor;
    Integer Rop2;
  };
  const TRegion& VisibleRegion() const;
  void SetClip(std::optional<TRegion> Clip);
  bool BeginShape(const TRect& R, TRect& Surface);
  void DrawOutline(const std::vector<TPoint>& Points, bool Close);
  void StrokeSegment(TPoint A, TPoint B, bool LastPixel, Integer& DashPos);
  void DrawTextRun(Integer X, Integer Y, const String& Text, const TRect* Opaque);
  void DrawRotatedRun(TPoint Origin, const String& Text, TFontFace& Face, Integer Ascent);
  void BlendGlyph(const TGlyphImage& G, Integer PenX, Integer Baseline);

  TPixelSurface FSurface;
  std::unique_ptr<TPen> FPen;
  std::unique_ptr<TBrush> FBrush;
  std::unique_ptr<TFont> FFont;
  TPoint FPenPos;
  TCopyMode FCopyMode = SRCCOPY;
  TPoint FWindowOrg, FViewportOrg;
  TPoint FDeviceOrigin;
  std::optional<TRegion> FSystemClip;  // surface coordinates
  std::optional<TRegion> FClip;  // surface coordinates
  mutable std::optional<TRegion> FVisible;  // surface ∩ system clip ∩ clip, cached
  Integer FBkMode = OPAQUE;
  TColorRef FBkColor = 0xFFFFFF;
  TColorRef FTextColor = 0;
  Integer FRop2 = 13;
  bool FPenDirty = true, FBrushDirty = true, FFontDirty = true;
  std::vector<TDCState> FSaved;
  std::recursive_mutex FLock;
  Integer FLockCount = 0;
};

// CLR_INVALID as a TColor: what Pixel gives outside the visible area.
constexpr TColor CLR_INVALID = ColorValue(0xFFFFFFFFu);

template <class F>
void TCanvas::ForEachVisibleSpan(Integer Y, Integer X0, Integer X1, F&& Fn) {
  if (X1 <= X0) return;
  const auto& bands = VisibleRegion().Bands();
  // The first band that ends below row Y.
  auto b = std::upper_bound(bands.begin(), bands.end(), Y,
                            [](Integer y, const TRegion::TBand& band) { return y < band.Bottom; });
  if (b == bands.end() || Y < b->Top) return;
  for (const TRegion::TSpan& s : b->Spans) {
    Integer a = std::max(X0, s.Left), e = std::min(X1, s.Right);
    if (a < e) Fn(Y, a, e);
  }
}

// The original platform's routines over a canvas, for code written
// against device contexts. Coordinates are logical.
void BitBlt(TCanvas& Dest, Integer X, Integer Y, Integer W, Integer H, TCanvas& Source,
            Integer XSrc, Integer YSrc, Cardinal Rop);
void StretchBlt(TCanvas& Dest, Integer X, Integer Y, Integer W, Integer H, TCanvas& Source,
                Integer XSrc, Integer YSrc, Integer WSrc, Integer HSrc, Cardinal Rop);
// Moves the window origin so that drawing at (0, 0) lands at (DX, DY).
void MoveWindowOrg(TCanvas& Canvas, Integer DX, Integer DY);
