// TCustomListBox: row geometry, scrolling and painting.
#include <algorithm>

#include "platform/gui/stdctrls_listbox.h"

Integer TCustomListBox::ItemHeight() {
  return FStyle != lbStandard ? FItemHeight : TextLineHeight(Font());
}

Integer TCustomListBox::RowHeight(Integer Index) {
  if (FStyle == lbOwnerDrawVariable && Index >= 0 && Index < Integer(FHeights.size())) return FHeights[Index];
  return ItemHeight();
}

TRect TCustomListBox::ItemRect(Integer Index) {
  Integer Y = 0, W = ClientWidth();
  if (Index >= FTopIndex)
    for (Integer I = FTopIndex; I < Index; ++I) Y += RowHeight(I);
  else
    for (Integer I = Index; I < FTopIndex; ++I) Y -= RowHeight(I);
  return Rect(0, Y, W, Y + RowHeight(Index));
}

Integer TCustomListBox::ItemAtPos(const TPoint& Pos, bool Existing) {
  if (Pos.Y >= 0 && Pos.X >= 0 && Pos.X < ClientWidth()) {
    Integer Y = 0;
    for (Integer I = FTopIndex; I < Count(); ++I) {
      Y += RowHeight(I);
      if (Pos.Y < Y) return I;
    }
  }
  return Existing ? -1 : Count();
}

Integer TCustomListBox::VisibleRowCount() {
  Integer H = ClientHeight(), Y = 0, N = 0;
  for (Integer I = FTopIndex; I < Count(); ++I) {
    Y += RowHeight(I);
    if (Y > H) break;
    ++N;
  }
  if (FTopIndex + N >= Count()) N += (H - Y) / std::max<Integer>(ItemHeight(), 1);
  return std::max<Integer>(N, 1);
}

void TCustomListBox::SetTopIndex(Integer V) {
  // The last top row that still fills the list.
  Integer H = ClientHeight(), Y = 0, MaxTop = Count();
  while (MaxTop > 0 && Y + RowHeight(MaxTop - 1) <= H) Y += RowHeight(--MaxTop);
  V = std::clamp<Integer>(V, 0, std::max<Integer>(MaxTop, 0));
  if (V == FTopIndex) return;
  FTopIndex = V;
  UpdateScrollBar();
  Invalidate();
}

void TCustomListBox::MakeVisible(Integer Index) {
  if (Index < FTopIndex) {
    SetTopIndex(Index);
    return;
  }
  Integer H = ClientHeight();
  while (FTopIndex < Index && ItemRect(Index).Bottom > H) {
    Integer Old = FTopIndex;
    SetTopIndex(FTopIndex + 1);
    if (FTopIndex == Old) break;
  }
}

void TCustomListBox::SetBorderStyle(TBorderStyle V) {
  if (V == FBorderStyle) return;
  FBorderStyle = V;
  RecreateWnd();
}

void TCustomListBox::CreateParams(TCreateParams& Params) {
  TWinControl::CreateParams(Params);
  ApplyBorderStyle(Params, FBorderStyle);
}

void TCustomListBox::DrawItem(Integer Index, TRect Rect, TOwnerDrawState State) {
  if (FStyle != lbStandard && OnDrawItem) {
    OnDrawItem(this, Index, Rect, State);
    return;
  }
  TCanvas& C = *Canvas();
  C.FillRect(Rect);
  if (Index >= 0 && Index < Count()) C.TextOut(Rect.Left + 2, Rect.Top, FItems->Get(Index));
}

void TCustomListBox::DrawRow(TCanvas& DC, Integer Index, const TRect& R) {
  TOwnerDrawState State;
  if (Selected(Index)) State.Include(odSelected);
  if (!Enabled()) State.Include(odDisabled);
  bool Focus = Index == FItemIndex && Focused();
  if (Focus) State.Include(odFocused);
  DC.Font()->Assign(Font());
  DC.Brush()->SetStyle(bsSolid);
  DC.Brush()->SetColor(Color());
  if (State.Contains(odSelected)) {
    DC.Brush()->SetColor(clHighlight);
    DC.Font()->SetColor(clHighlightText);
  }
  if (!Enabled()) DC.Font()->SetColor(clGrayText);
  DrawItem(Index, R, State);
  if (Focus) DC.DrawFocusRect(R);
}

void TCustomListBox::PaintWindow(TCanvas& DC) {
  PaintRows(DC);
  if (FHandle) PaintScrollBars(FHandle, DC);
}

void TCustomListBox::PaintRows(TCanvas& DC) {
  FCanvas.PaintOn(DC, [this] {
    TCanvas& C = *Canvas();
    Integer H = ClientHeight(), Y = 0;
    for (Integer I = FTopIndex; I < Count() && Y < H; ++I) {
      TRect R = Rect(0, Y, ClientWidth(), Y + RowHeight(I));
      DrawRow(C, I, R);
      Y = R.Bottom;
    }
    if (Y < H) {
      C.Brush()->SetStyle(bsSolid);
      C.Brush()->SetColor(Color());
      C.FillRect(Rect(0, Y, ClientWidth(), H));
    }
  });
}
