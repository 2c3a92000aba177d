// DrawText: line splitting, word breaks, prefixes, tabs, ellipses and
// alignment over the canvas's text output.
#include "platform/gui/graphics_drawtext.h"

namespace {

struct TChr {
  char32_t Cp;
  bool Underlined;  // marked by a "&" prefix
};
using TLine = std::vector<TChr>;

// Measures and cuts text of one DrawText call.
class TLayout {
 public:
  TLayout(TFontFace& Face, Cardinal Flags) : FFace(Face), FFlags(Flags) {
    FTab = 8 * std::max(1, Face.Metrics().tmAveCharWidth);
  }
  // The pen position after Ch, drawn at X of a line starting at 0.
  Integer Advance(char32_t Ch, Integer X) const {
    if (Ch == U'\t' && (FFlags & DT_EXPANDTABS)) return (X / FTab + 1) * FTab;
    return X + FFace.Glyph(Ch).Advance;
  }
  Integer Width(const TLine& L) const {
    Integer x = 0;
    for (const TChr& c : L) x = Advance(c.Cp, x);
    return x;
  }
  Integer TabWidth() const { return FTab; }

 private:
  TFontFace& FFace;
  Cardinal FFlags;
  Integer FTab;
};

// Removes "&" prefixes, marking the character after each.
TLine ParsePrefixes(const std::u32string& Text, Cardinal Flags) {
  TLine out;
  bool prefixes = !(Flags & DT_NOPREFIX);
  for (size_t i = 0; i < Text.size(); ++i) {
    if (prefixes && Text[i] == U'&' && i + 1 < Text.size()) {
      ++i;
      out.push_back({Text[i], Text[i] != U'&' && !(Flags & DT_HIDEPREFIX)});
      continue;
    }
    if (prefixes && Text[i] == U'&') continue;
    out.push_back({Text[i], false});
  }
  return out;
}

std::vector<TLine> SplitLines(const TLine& Text, bool Single) {
  std::vector<TLine> lines(1);
  for (size_t i = 0; i < Text.size(); ++i) {
    char32_t c = Text[i].Cp;
    if (c != U'\r' && c != U'\n') {
      lines.back().push_back(Text[i]);
      continue;
    }
    if (Single) continue;
    if (c == U'\r' && i + 1 < Text.size() && Text[i + 1].Cp == U'\n') ++i;
    lines.emplace_back();
  }
  return lines;
}

// Breaks one line into lines no wider than MaxWidth where spaces allow.
void WrapLine(const TLayout& L, const TLine& Line, Integer MaxWidth, bool CutWords,
              std::vector<TLine>& Out) {
  size_t pos = 0, n = Line.size();
  if (n == 0) Out.emplace_back();
  while (pos < n) {
    Integer x = 0;
    size_t i = pos, lastSpace = SIZE_MAX;
    for (; i < n; ++i) {
      Integer nx = L.Advance(Line[i].Cp, x);
      if (nx > MaxWidth && Line[i].Cp != U' ') break;
      if (Line[i].Cp == U' ') lastSpace = i;
      x = nx;
    }
    size_t end, next;
    if (i == n) {
      end = next = n;
    } else if (lastSpace != SIZE_MAX && lastSpace >= pos) {
      end = lastSpace;
      next = lastSpace + 1;
    } else if (CutWords) {
      end = next = std::max(i, pos + 1);
    } else {
      end = i;
      while (end < n && Line[end].Cp != U' ') ++end;
      next = end;
    }
    TLine piece(Line.begin() + pos, Line.begin() + end);
    while (!piece.empty() && piece.back().Cp == U' ') piece.pop_back();
    Out.push_back(std::move(piece));
    pos = next;
    while (pos < n && Line[pos].Cp == U' ') ++pos;
  }
}

TLine Dots() { return {{U'.', false}, {U'.', false}, {U'.', false}}; }

void EndEllipsis(const TLayout& L, TLine& Line, Integer MaxWidth) {
  if (L.Width(Line) <= MaxWidth) return;
  TLine dots = Dots();
  while (!Line.empty()) {
    Line.pop_back();
    TLine t = Line;
    t.insert(t.end(), dots.begin(), dots.end());
    if (L.Width(t) <= MaxWidth) break;
  }
  Line.insert(Line.end(), dots.begin(), dots.end());
}

// Shortens the part before the last path delimiter: "C:/a/.../file.txt".
void PathEllipsis(const TLayout& L, TLine& Line, Integer MaxWidth) {
  if (L.Width(Line) <= MaxWidth) return;
  size_t slash = SIZE_MAX;
  for (size_t i = 0; i < Line.size(); ++i)
    if (Line[i].Cp == U'/' || Line[i].Cp == U'\\') slash = i;
  if (slash == SIZE_MAX) return EndEllipsis(L, Line, MaxWidth);
  TLine head(Line.begin(), Line.begin() + slash), tail(Line.begin() + slash, Line.end());
  TLine dots = Dots(), t;
  do {
    if (!head.empty()) head.pop_back();
    t = head;
    t.insert(t.end(), dots.begin(), dots.end());
    t.insert(t.end(), tail.begin(), tail.end());
  } while (!head.empty() && L.Width(t) > MaxWidth);
  Line = t;
  EndEllipsis(L, Line, MaxWidth);
}

// Draws one line with its left edge at X and its top at Y.
void DrawLine(TCanvas& Canvas, const TLayout& L, const TLine& Line, Integer X, Integer Y,
              Cardinal Flags) {
  TFontFace& face = Canvas.FontFace();
  const TTextMetric& m = face.Metrics();
  Integer x = 0;
  std::u32string run;
  Integer runX = 0;
  auto flush = [&] {
    if (!run.empty() && !(Flags & DT_PREFIXONLY)) Canvas.TextOut(X + runX, Y, CodePointsToUtf8(run));
    run.clear();
  };
  TColorRef textColor = Canvas.GetTextColor();
  for (const TChr& c : Line) {
    Integer nx = L.Advance(c.Cp, x);
    if (c.Cp == U'\t' && (Flags & DT_EXPANDTABS)) {
      flush();
      runX = nx;
    } else {
      run.push_back(c.Cp);
    }
    if (c.Underlined) {
      TPoint d = Canvas.LogicalToSurface(Point(X + x, Y + m.tmAscent + m.UnderlinePos));
      Canvas.PaintSpanRop2(d.Y, d.X, d.X + (nx - x), textColor, 13);
    }
    x = nx;
  }
  flush();
}

}  // namespace

Integer DrawText(TCanvas& Canvas, const String& Text, Integer Count, TRect& R, Cardinal Flags) {
  Canvas.RealizeTools();
  std::u32string cps = Utf8ToCodePoints(Text);
  if (Count >= 0 && size_t(Count) < cps.size()) cps.resize(Count);
  TFontFace& face = Canvas.FontFace();
  const TTextMetric& m = face.Metrics();
  TLayout layout(face, Flags);
  bool single = Flags & DT_SINGLELINE;
  std::vector<TLine> lines;
  for (TLine& line : SplitLines(ParsePrefixes(cps, Flags), single)) {
    if ((Flags & DT_WORDBREAK) && !single)
      WrapLine(layout, line, R.Width(), Flags & DT_EDITCONTROL, lines);
    else
      lines.push_back(std::move(line));
  }
  Integer lineHeight = m.tmHeight + ((Flags & DT_EXTERNALLEADING) ? m.tmExternalLeading : 0);
  Integer height = lineHeight * Integer(lines.size());
  for (TLine& line : lines) {
    if (Flags & DT_PATH_ELLIPSIS) PathEllipsis(layout, line, R.Width());
    else if (Flags & (DT_END_ELLIPSIS | DT_WORD_ELLIPSIS)) EndEllipsis(layout, line, R.Width());
  }
  if (Flags & DT_CALCRECT) {
    Integer width = 0;
    for (const TLine& line : lines) width = std::max(width, layout.Width(line));
    R.Right = R.Left + width;
    R.Bottom = R.Top + height;
    return height;
  }
  Integer y = R.Top;
  if (single && (Flags & DT_VCENTER)) y = R.Top + (R.Height() - height) / 2;
  else if (single && (Flags & DT_BOTTOM)) y = R.Bottom - height;
  // As in a multi-line edit, a last line that would show only in part is
  // left out (the first line is always drawn).
  if ((Flags & DT_EDITCONTROL) && !single)
    while (lines.size() > 1 && y + lineHeight * Integer(lines.size()) > R.Bottom) lines.pop_back();
  TPoint pen = Canvas.PenPos();
  Canvas.SaveDC();
  if (!(Flags & DT_NOCLIP)) Canvas.IntersectClipRect(R.Left, R.Top, R.Right, R.Bottom);
  for (const TLine& line : lines) {
    Integer w = layout.Width(line);
    Integer x = (Flags & DT_CENTER) ? R.Left + (R.Width() - w) / 2
                : (Flags & DT_RIGHT) ? R.Right - w : R.Left;
    DrawLine(Canvas, layout, line, x, y, Flags);
    y += lineHeight;
  }
  Canvas.RestoreDC(-1);
  Canvas.SetPenPos(pen);
  return height;
}
