// DrawEdge, DrawFrameControl and FillGradient over the canvas.
#include "platform/gui/graphics_frames.h"

namespace {

// Fills a logical rectangle with one colour, ignoring brush and ROP2.
void Solid(TCanvas& C, const TRect& R, TColor Color) {
  TRect s = C.LogicalToSurface(R);
  TColorRef c = ColorToRGB(Color);
  for (Integer y = s.Top; y < s.Bottom; ++y) C.PaintSpanRop2(y, s.Left, s.Right, c, 13);
}

// One border ring of DrawEdge; shrinks R by the sides drawn.
void Ring(TCanvas& C, TRect& R, Cardinal Flags, TColor Light, TColor Dark) {
  if (Flags & BF_TOP) Solid(C, Rect(R.Left, R.Top, R.Right - 1, R.Top + 1), Light);
  if (Flags & BF_LEFT) Solid(C, Rect(R.Left, R.Top, R.Left + 1, R.Bottom - 1), Light);
  if (Flags & BF_BOTTOM) Solid(C, Rect(R.Left, R.Bottom - 1, R.Right, R.Bottom), Dark);
  if (Flags & BF_RIGHT) Solid(C, Rect(R.Right - 1, R.Top, R.Right, R.Bottom - 1), Dark);
  if (Flags & BF_LEFT) ++R.Left;
  if (Flags & BF_TOP) ++R.Top;
  if (Flags & BF_RIGHT) --R.Right;
  if (Flags & BF_BOTTOM) --R.Bottom;
}

TRect CentredSquare(const TRect& R, Integer Size) {
  Integer x = R.Left + (R.Width() - Size) / 2, y = R.Top + (R.Height() - Size) / 2;
  return Bounds(x, y, Size, Size);
}

// A tick mark of 7 x 7 pixels with its corner at (X, Y).
void Tick(TCanvas& C, Integer X, Integer Y, TColor Color) {
  for (Integer i = 0; i < 7; ++i) {
    Integer dy = i <= 2 ? 2 + i : 6 - i;  // down for three columns, then up
    Solid(C, Rect(X + i, Y + dy, X + i + 1, Y + dy + 3), Color);
  }
}

// A filled triangle pointing in Direction (0 up, 1 down, 2 left, 3 right).
void Arrow(TCanvas& C, const TRect& R, Integer Direction, TColor Color) {
  Integer size = std::max(2, std::min(R.Width(), R.Height()) / 3);
  Integer cx = R.Left + R.Width() / 2, cy = R.Top + R.Height() / 2;
  for (Integer i = 0; i < size; ++i) {
    Integer half = i;
    switch (Direction) {
      case 0: Solid(C, Rect(cx - half, cy - size / 2 + i, cx + half + 1, cy - size / 2 + i + 1), Color); break;
      case 1: Solid(C, Rect(cx - half, cy + size / 2 - i, cx + half + 1, cy + size / 2 - i + 1), Color); break;
      case 2: Solid(C, Rect(cx - size / 2 + i, cy - half, cx - size / 2 + i + 1, cy + half + 1), Color); break;
      default: Solid(C, Rect(cx + size / 2 - i, cy - half, cx + size / 2 - i + 1, cy + half + 1), Color); break;
    }
  }
}

void Button(TCanvas& C, const TRect& R, Cardinal State) {
  TRect r = R;
  if (State & DFCS_FLAT) {
    DrawEdge(C, r, BDR_SUNKENOUTER, BF_RECT | BF_MIDDLE | BF_FLAT);
    return;
  }
  DrawEdge(C, r, (State & DFCS_PUSHED) ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT | BF_MIDDLE);
}

void CheckBox(TCanvas& C, const TRect& R, Cardinal State) {
  TRect box = CentredSquare(R, 13);
  DrawEdge(C, box, EDGE_SUNKEN, BF_RECT | BF_ADJUST);
  bool grey = State & (DFCS_INACTIVE | DFCS_PUSHED);
  Solid(C, box, grey ? clBtnFace : clWindow);
  if (State & DFCS_CHECKED) Tick(C, box.Left + 1, box.Top + 1, grey ? clGrayText : clWindowText);
}

void RadioButton(TCanvas& C, const TRect& R, Cardinal State) {
  TRect box = CentredSquare(R, 12);
  TRegion outer = TRegion::Ellipse(C.LogicalToSurface(box));
  TRect in = box;
  InflateRect(in, -2, -2);
  TRegion inner = TRegion::Ellipse(C.LogicalToSurface(in));
  TRegion ring = outer.Subtract(inner);
  TRect b = ring.Bounds();
  Integer mid = b.Left + b.Right + b.Top + b.Bottom;
  for (const TRect& r : ring.Rects()) {
    bool light = r.Left + r.Right + r.Top + r.Bottom > mid;
    TColorRef c = ColorToRGB(light ? clBtnHighlight : clBtnShadow);
    for (Integer y = r.Top; y < r.Bottom; ++y) C.PaintSpanRop2(y, r.Left, r.Right, c, 13);
  }
  bool grey = State & (DFCS_INACTIVE | DFCS_PUSHED);
  TColorRef face = ColorToRGB(grey ? clBtnFace : clWindow);
  for (const TRect& r : inner.Rects())
    for (Integer y = r.Top; y < r.Bottom; ++y) C.PaintSpanRop2(y, r.Left, r.Right, face, 13);
  if (State & DFCS_CHECKED) {
    TRect dot = CentredSquare(box, 4);
    Solid(C, dot, grey ? clGrayText : clWindowText);
  }
}

void CaptionGlyph(TCanvas& C, const TRect& R, Cardinal Part, TColor Color) {
  TRect g = CentredSquare(R, std::max(4, std::min(R.Width(), R.Height()) - 6));
  switch (Part) {
    case DFCS_CAPTIONCLOSE:
      for (Integer i = 0; i < g.Width(); ++i) {
        Solid(C, Rect(g.Left + i, g.Top + i, g.Left + i + 2, g.Top + i + 1), Color);
        Solid(C, Rect(g.Right - i - 2, g.Top + i, g.Right - i, g.Top + i + 1), Color);
      }
      break;
    case DFCS_CAPTIONMIN: Solid(C, Rect(g.Left, g.Bottom - 2, g.Right - 2, g.Bottom), Color); break;
    case DFCS_CAPTIONMAX:
      Solid(C, Rect(g.Left, g.Top, g.Right, g.Top + 2), Color);
      C.Brush()->SetColor(Color);
      C.FrameRect(g);
      break;
    default:
      C.Brush()->SetColor(Color);
      C.FrameRect(Rect(g.Left + 2, g.Top, g.Right, g.Bottom - 2));
      Solid(C, Rect(g.Left, g.Top + 2, g.Right - 2, g.Bottom), clBtnFace);
      C.FrameRect(Rect(g.Left, g.Top + 2, g.Right - 2, g.Bottom));
      break;
  }
}

}  // namespace

bool DrawEdge(TCanvas& Canvas, TRect& R, Cardinal Edge, Cardinal Flags) {
  Canvas.Changing();
  TRect r = R;
  bool flat = Flags & BF_FLAT, mono = Flags & BF_MONO;
  if (Edge & BDR_OUTER) {
    bool raised = Edge & BDR_RAISEDOUTER;
    Ring(Canvas, r, Flags, mono ? clWindowFrame : flat ? clBtnShadow : raised ? cl3DLight : clBtnShadow,
         mono ? clWindowFrame : flat ? clBtnShadow : raised ? cl3DDkShadow : clBtnHighlight);
  }
  if (Edge & BDR_INNER) {
    bool raised = Edge & BDR_RAISEDINNER;
    Ring(Canvas, r, Flags, mono ? clWindow : flat ? clBtnFace : raised ? clBtnHighlight : cl3DDkShadow,
         mono ? clWindow : flat ? clBtnFace : raised ? clBtnShadow : cl3DLight);
  }
  if (Flags & BF_MIDDLE) Solid(Canvas, r, mono ? clWindow : clBtnFace);
  if (Flags & BF_ADJUST) R = r;
  Canvas.Changed();
  return true;
}

bool DrawFrameControl(TCanvas& Canvas, const TRect& R, Cardinal Type, Cardinal State) {
  Cardinal part = State & 0xFF;
  TColor glyph = (State & DFCS_INACTIVE) ? clGrayText : clBtnText;
  TColor oldBrush = Canvas.Brush()->Color();
  TBrushStyle oldStyle = Canvas.Brush()->Style();
  switch (Type) {
    case DFC_BUTTON:
      if (part & DFCS_BUTTONPUSH) Button(Canvas, R, State);
      else if (part & DFCS_BUTTONRADIO) RadioButton(Canvas, R, State);
      else CheckBox(Canvas, R, State);
      break;
    case DFC_SCROLL:
      Button(Canvas, R, State);
      Arrow(Canvas, R, part == DFCS_SCROLLCOMBOBOX ? 1 : Integer(part & 3), glyph);
      break;
    case DFC_CAPTION:
      Button(Canvas, R, State);
      CaptionGlyph(Canvas, R, part, glyph);
      break;
    case DFC_MENU:
      if (part == DFCS_MENUCHECK) Tick(Canvas, R.Left + (R.Width() - 7) / 2, R.Top + (R.Height() - 7) / 2, clMenuText);
      else if (part == DFCS_MENUBULLET) Solid(Canvas, CentredSquare(R, 4), clMenuText);
      else Arrow(Canvas, R, 3, clMenuText);
      break;
    default:
      return false;
  }
  Canvas.Brush()->SetColor(oldBrush);
  Canvas.Brush()->SetStyle(oldStyle);
  return true;
}

void FillGradient(TCanvas& Canvas, const TRect& R, TColor From, TColor To, bool Vertical) {
  Integer steps = Vertical ? R.Height() : R.Width();
  if (steps <= 0 || R.IsEmpty()) return;
  TColorRef a = ColorToRGB(From), b = ColorToRGB(To);
  Canvas.Changing();
  for (Integer i = 0; i < steps; ++i) {
    TColorRef c = 0;
    for (int sh = 0; sh < 24; sh += 8) {
      Integer ca = (a >> sh) & 0xFF, cb = (b >> sh) & 0xFF;
      Integer v = steps == 1 ? ca : ca + (cb - ca) * i / (steps - 1);
      c |= TColorRef(v) << sh;
    }
    Solid(Canvas, Vertical ? Rect(R.Left, R.Top + i, R.Right, R.Top + i + 1)
                           : Rect(R.Left + i, R.Top, R.Left + i + 1, R.Bottom),
          static_cast<TColor>(c));
  }
  Canvas.Changed();
}
