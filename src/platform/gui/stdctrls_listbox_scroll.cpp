// TCustomListBox: the vertical scroll bar.
#include <algorithm>

#include "platform/gui/stdctrls_listbox.h"

TRect TCustomListBox::GetClientRect() {
  return FHandle ? ScrollBarClientRect(FHandle) : TWinControl::GetClientRect();
}

void TCustomListBox::CreateWnd() {
  TWinControl::CreateWnd();
  UpdateScrollBar();
}

void TCustomListBox::WndProc(TMessage& Message) {
  if (Message.Msg == WM_NCDESTROY) ForgetScrollBars(FHandle);
  if (FHandle && ScrollBarMouse(FHandle, Message.Msg, Message.WParam, Message.LParam)) return;
  TWinControl::WndProc(Message);
}

void TCustomListBox::UpdateScrollBar() {
  if (!FHandle) return;
  // Whether everything fits is judged without the bar.
  Integer H = ::GetClientRect(FHandle).Height(), Y = 0;
  for (Integer I = 0; I < Count() && Y <= H; ++I) Y += RowHeight(I);
  bool Needed = Y > H;
  bool Shown = (GetWindowLong(FHandle, GWL_STYLE) & WS_VSCROLL) != 0;
  if (Needed != Shown) ShowScrollBar(FHandle, SB_VERT, Needed);
  if (!Needed) return;
  SCROLLINFO Info;
  Info.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
  Info.nMin = 0;
  Info.nMax = Count() - 1;
  Info.nPage = UINT(VisibleRowCount());
  Info.nPos = FTopIndex;
  SetScrollInfo(FHandle, SB_VERT, Info, true);
}

void TCustomListBox::WMVScroll(TMessage& M) {
  Integer Page = std::max<Integer>(VisibleRowCount(), 1);
  switch (LOWORD(M.WParam)) {
    case SB_LINEUP: SetTopIndex(FTopIndex - 1); break;
    case SB_LINEDOWN: SetTopIndex(FTopIndex + 1); break;
    case SB_PAGEUP: SetTopIndex(FTopIndex - Page); break;
    case SB_PAGEDOWN: SetTopIndex(FTopIndex + Page); break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION: SetTopIndex(HIWORD(M.WParam)); break;
    case SB_TOP: SetTopIndex(0); break;
    case SB_BOTTOM: SetTopIndex(Count()); break;
  }
}
