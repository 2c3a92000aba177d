// MenuHtml: the HTML menu drawer.
#include "ui/look/MenuHtml.h"

#include <algorithm>

#include "ui/look/HtmlDraw.h"

namespace {
// The widest line a measured menu caption may have without a limit.
constexpr Integer kMaxMenuWidth = 2000;

std::unique_ptr<TAbstractMenuHtml> NewMenuHtml() { return std::make_unique<TMenuHtml>(); }
}  // namespace

TMenuHtmlFactory MenuHtmlClass = &NewMenuHtml;

String MenuHtmlText(TMenuItem* Item, const String& Caption) {
  if (Item && !Item->Enabled()) return "<FONT color=\"#808080\">" + Caption + "</Font>";
  return Caption;
}

bool TMenuHtml::Draw(TMenuItem* Item, TCanvas& Canvas, bool Selected, const String& Caption, const TRect& Rect) {
  String Text = MenuHtmlText(Item, Caption);
  // Accelerator markers are not shown: every "&" goes when one marks a key.
  bool Marks = false;
  for (size_t I = 0; I + 1 < Text.size() && !Marks; ++I) Marks = Text[I] == '&' && Text[I + 1] != ' ';
  if (Marks)
    while (ReplaceFirstNoCase(Text, "&", "")) {
    }
  THtmlDrawParams P;
  P.Canvas = &Canvas;
  P.Text = Text;
  P.Rect = Rect;
  P.WordWrap = false;
  P.URLColor = clBlue;
  P.KeepColors = Selected;
  P.Build = THtmlBuild::Reduced;
  THtmlDrawResult R;
  HtmlDraw(P, R);
  return true;
}

bool TMenuHtml::Measure(TMenuItem* Item, TCanvas& Canvas, const String& Caption, Integer MaxWidth, TRect& Rect) {
  TBitmap Measuring;
  Measuring.SetSize(1, 1);
  Measuring.Canvas()->SetFont(Canvas.Font());
  THtmlDrawParams P;
  P.Canvas = Measuring.Canvas();
  P.Text = MenuHtmlText(Item, Caption);
  Integer Limit = MaxWidth > 0 ? MaxWidth : kMaxMenuWidth;
  P.Rect = Bounds(0, 0, Limit, 65535);
  P.MeasureOnly = true;
  P.WordWrap = false;
  P.Build = THtmlBuild::Reduced;
  THtmlDrawResult R;
  HtmlDraw(P, R);
  Rect.Right = Rect.Left + std::min(R.Width, Limit);
  Rect.Bottom = Rect.Top + R.Height;
  return true;
}
