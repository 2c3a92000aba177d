// The drawing tools of a canvas: TPen, TBrush and TFont, each a
// TGraphicsObject that reports every change through OnChange.
//
// The tools are plain descriptions; the canvas reads them when it draws.
// A brush's Bitmap (pattern) is not owned by the brush.
//
// Thread safety: none; tools belong to the thread that paints.
#pragma once

#include <functional>
#include <initializer_list>

#include "platform/gui/fonts.h"
#include "platform/gui/graphics_colors.h"
#include "platform/rtl/persistent.h"

class TBitmap;

using TGraphicsNotify = std::function<void(TObject* Sender)>;

class TGraphicsObject : public TPersistent {
  RTL_DECLARE_CLASS(TGraphicsObject)
 public:
  // Called after every change of the tool (the tool is the Sender).
  TGraphicsNotify OnChange;

 protected:
  void Changed();
};

enum TPenStyle { psSolid, psDash, psDot, psDashDot, psDashDotDot, psClear, psInsideFrame };
enum TPenMode {
  pmBlack, pmWhite, pmNop, pmNot, pmCopy, pmNotCopy, pmMergePenNot, pmMaskPenNot,
  pmMergeNotPen, pmMaskNotPen, pmMerge, pmNotMerge, pmMask, pmNotMask, pmXor, pmNotXor
};

// The binary raster operation (R2_* code 1..16) of a pen mode.
Integer PenModeToRop2(TPenMode Mode);

class TPen : public TGraphicsObject {
  RTL_DECLARE_CLASS(TPen)
 public:
  TColor Color() const { return FColor; }
  void SetColor(TColor V);
  Integer Width() const { return FWidth; }
  // Widths below 1 count as 1.
  void SetWidth(Integer V);
  TPenStyle Style() const { return FStyle; }
  void SetStyle(TPenStyle V);
  TPenMode Mode() const { return FMode; }
  void SetMode(TPenMode V);

  // Copies another TPen; anything else goes to TPersistent::Assign.
  void Assign(TPersistent* Source) override;

 private:
  TColor FColor = clBlack;
  Integer FWidth = 1;
  TPenStyle FStyle = psSolid;
  TPenMode FMode = pmCopy;
};

enum TBrushStyle {
  bsSolid, bsClear, bsHorizontal, bsVertical, bsFDiagonal, bsBDiagonal, bsCross, bsDiagCross
};

class TBrush : public TGraphicsObject {
  RTL_DECLARE_CLASS(TBrush)
 public:
  TColor Color() const { return FColor; }
  // Setting a colour makes a clear brush solid, as on the original platform.
  void SetColor(TColor V);
  TBrushStyle Style() const { return FStyle; }
  void SetStyle(TBrushStyle V);
  // A pattern bitmap tiled from the canvas origin (8 x 8 is usual); it wins
  // over Style while set. Not owned; null for none.
  TBitmap* Bitmap() const { return FBitmap; }
  void SetBitmap(TBitmap* V);

  void Assign(TPersistent* Source) override;

 private:
  TColor FColor = clWhite;
  TBrushStyle FStyle = bsSolid;
  TBitmap* FBitmap = nullptr;
};

enum TFontStyle { fsBold, fsItalic, fsUnderline, fsStrikeOut };

// A set of TFontStyle, as the class library's "set of" type.
class TFontStyles {
 public:
  TFontStyles() = default;
  TFontStyles(std::initializer_list<TFontStyle> L) {
    for (TFontStyle s : L) Include(s);
  }
  static TFontStyles FromInt(Byte Bits) { TFontStyles s; s.FBits = Bits & 0xF; return s; }
  Byte ToInt() const { return FBits; }
  bool Contains(TFontStyle S) const { return FBits & (1u << S); }
  bool Empty() const { return FBits == 0; }
  TFontStyles& Include(TFontStyle S) { FBits |= Byte(1u << S); return *this; }
  TFontStyles& Exclude(TFontStyle S) { FBits &= Byte(~(1u << S)); return *this; }
  TFontStyles operator+(TFontStyles O) const { return FromInt(FBits | O.FBits); }
  TFontStyles operator-(TFontStyles O) const { return FromInt(FBits & ~O.FBits); }
  TFontStyles operator*(TFontStyles O) const { return FromInt(FBits & O.FBits); }
  friend bool operator==(TFontStyles, TFontStyles) = default;

 private:
  Byte FBits = 0;
};

enum TFontPitch { fpDefault, fpVariable, fpFixed };
enum TFontQuality { fqDefault, fqDraft, fqProof, fqNonAntialiased, fqAntialiased, fqClearType };
using TFontCharset = Byte;
enum : Byte { ANSI_CHARSET = 0, DEFAULT_CHARSET = 1, SYMBOL_CHARSET = 2, OEM_CHARSET = 255 };

class TFont : public TGraphicsObject {
  RTL_DECLARE_CLASS(TFont)
 public:
  const String& Name() const { return FName; }
  void SetName(const String& V);
  // Size in points: -Height * 72 / PixelsPerInch, rounded.
  Integer Size() const;
  // Sets Height := -Size * PixelsPerInch / 72, rounded.
  void SetSize(Integer V);
  // Negative: character height in pixels; positive: cell height.
  Integer Height() const { return FHeight; }
  void SetHeight(Integer V);
  TFontStyles Style() const { return FStyle; }
  void SetStyle(TFontStyles V);
  TColor Color() const { return FColor; }
  void SetColor(TColor V);
  TFontCharset Charset() const { return FCharset; }
  void SetCharset(TFontCharset V);
  TFontPitch Pitch() const { return FPitch; }
  void SetPitch(TFontPitch V);
  // fqNonAntialiased renders black-and-white glyphs; others are grey.
  TFontQuality Quality() const { return FQuality; }
  void SetQuality(TFontQuality V);
  // Text angle in tenths of a degree, counter-clockwise: text is drawn
  // along that direction (measured as if horizontal).
  Integer Orientation() const { return FOrientation; }
  void SetOrientation(Integer V);
  Integer PixelsPerInch() const { return FPixelsPerInch; }
  void SetPixelsPerInch(Integer V) { FPixelsPerInch = V > 0 ? V : 96; }

  // What the font engine is asked for.
  TFontSpec Spec() const;

  // Copies another TFont (PixelsPerInch excluded); anything else goes to
  // TPersistent::Assign.
  void Assign(TPersistent* Source) override;

 private:
  String FName = "MS Sans Serif";
  Integer FHeight = -11;
  TFontStyles FStyle;
  TColor FColor = clWindowText;
  TFontCharset FCharset = DEFAULT_CHARSET;
  TFontPitch FPitch = fpDefault;
  TFontQuality FQuality = fqDefault;
  Integer FOrientation = 0;
  Integer FPixelsPerInch = 96;
};
