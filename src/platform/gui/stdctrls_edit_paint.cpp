// TCustomEdit: the formatting rectangle, text positions, caret, scrolling
// and painting.
#include <algorithm>

#include "platform/gui/stdctrls_edit.h"

Integer TextLineHeight(TFont* Font) {
  TCanvas C;
  C.Font()->Assign(Font);
  return C.TextHeight("Wg");
}

TCanvas& TCustomEdit::Measure() {
  FMeasure->Font()->Assign(Font());
  return *FMeasure;
}

Integer TCustomEdit::FontHeight() { return TextLineHeight(Font()); }

std::u32string TCustomEdit::DisplayChars() const {
  if (FPasswordChar) return std::u32string(FBuffer.Length(), FPasswordChar);
  return FBuffer.Chars();
}

Integer TCustomEdit::CharWidthSum(Integer Count) {
  std::u32string D = DisplayChars();
  Count = std::clamp(Count, 0, Integer(D.size()));
  return Count ? Measure().TextWidth(CharsToUtf8(D.substr(0, Count))) : 0;
}

TRect TCustomEdit::FormatRect() {
  if (FHasFormatRect) return FFormatRect;
  TRect R = ClientRect();
  R.Left += FLeftMargin;
  R.Right -= FRightMargin;
  if (R.Right < R.Left) R.Right = R.Left;
  return R;
}

void TCustomEdit::SetFormatRect(const TRect* R) {
  FHasFormatRect = R != nullptr;
  if (R) FFormatRect = *R;
  SelectionChanged();
}

void TCustomEdit::SetMargins(WPARAM Which, LPARAM Values) {
  if (Which & EC_LEFTMARGIN) FLeftMargin = LOWORD(std::uintptr_t(Values));
  if (Which & EC_RIGHTMARGIN) FRightMargin = HIWORD(std::uintptr_t(Values));
  SelectionChanged();
}

// The x of the text's first character: scrolled when the text is wider
// than the rectangle, else placed by the alignment.
Integer TCustomEdit::TextX() {
  TRect R = FormatRect();
  Integer Full = CharWidthSum(FBuffer.Length());
  // The window's style decides (descendants may set ES_RIGHT or ES_CENTER
  // in CreateParams); without a window the property does.
  DWORD Align = FHandle ? DWORD(GetWindowLong(FHandle, GWL_STYLE)) & (ES_CENTER | ES_RIGHT)
                        : (FAlignment == taRightJustify ? ES_RIGHT : FAlignment == taCenter ? ES_CENTER : ES_LEFT);
  if (Full < R.Width() && FScrollX == 0) {
    if (Align == ES_RIGHT) return R.Right - Full - 1;
    if (Align == ES_CENTER) return R.Left + (R.Width() - Full) / 2;
  }
  return R.Left - FScrollX;
}

Integer TCustomEdit::PosFromChar(Integer Index) { return TextX() + CharWidthSum(Index); }

Integer TCustomEdit::CharFromPos(Integer X) {
  Integer Base = TextX(), Best = 0, BestDist = std::abs(X - Base);
  for (Integer I = 1; I <= FBuffer.Length(); ++I) {
    Integer D = std::abs(X - (Base + CharWidthSum(I)));
    if (D < BestDist) Best = I, BestDist = D;
  }
  return Best;
}

void TCustomEdit::ScrollCaret() {
  TRect R = FormatRect();
  Integer CaretX = CharWidthSum(FBuffer.Caret()), Full = CharWidthSum(FBuffer.Length());
  Integer Room = std::max<Integer>(R.Width() - 1, 1);
  if (Full <= Room) FScrollX = 0;
  else if (CaretX < FScrollX) FScrollX = std::max<Integer>(CaretX - Room / 4, 0);
  else if (CaretX - FScrollX > Room) FScrollX = CaretX - Room;
  UpdateCaret();
}

void TCustomEdit::UpdateCaret() {
  if (FHandle && GetFocus() == FHandle) SetCaretPos(PosFromChar(FBuffer.Caret()), FormatRect().Top);
}

bool TCustomEdit::CanAutoSize(Integer& NewWidth, Integer& NewHeight) {
  (void)NewWidth;
  // The height follows the font: the text plus the border and a margin.
  Integer Border = FBorderStyle == bsSingle ? (FCtl3D ? 4 : 2) : 0;
  NewHeight = FontHeight() + Border + 4;
  return true;
}

void TCustomEdit::PaintWindow(TCanvas& DC) {
  TRect CR = ClientRect();
  DC.Brush()->SetStyle(bsSolid);
  DC.Brush()->SetColor(Enabled() ? Color() : clBtnFace);
  DC.FillRect(CR);
  TRect R = FormatRect();
  Integer Saved = DC.SaveDC();
  DC.IntersectClipRect(R.Left, R.Top, R.Right, R.Bottom);
  DC.Font()->Assign(Font());
  if (!Enabled()) DC.Font()->SetColor(clGrayText);
  DC.Brush()->SetStyle(bsClear);
  std::u32string D = DisplayChars();
  DC.TextOut(TextX(), R.Top, CharsToUtf8(D));
  bool ShowSel = FBuffer.SelLength() > 0 && (!FHideSelection || Focused());
  if (ShowSel) {
    Integer X1 = PosFromChar(FBuffer.SelStart()), X2 = PosFromChar(FBuffer.SelEnd());
    DC.Brush()->SetStyle(bsSolid);
    DC.Brush()->SetColor(clHighlight);
    DC.FillRect(Rect(X1, R.Top, X2, R.Top + FontHeight()));
    DC.Brush()->SetStyle(bsClear);
    DC.Font()->SetColor(clHighlightText);
    DC.TextOut(X1, R.Top, CharsToUtf8(D.substr(FBuffer.SelStart(), FBuffer.SelLength())));
  }
  DC.RestoreDC(Saved);
}
