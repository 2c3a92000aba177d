// The default window procedure, and the border it draws for child windows.
#include "platform/gui/graphics.h"
#include "platform/gui/scrollbars.h"
#include "platform/gui/wm_internal.h"
#include "platform/rtl/charset.h"

using namespace wm;

namespace {

// One-pixel frame: top and left in TopLeft, bottom and right in BottomRight.
void Frame3D(TCanvas& C, TRect& R, TColor TopLeft, TColor BottomRight) {
  C.Brush()->SetColor(TopLeft);
  C.FillRect(Rect(R.Left, R.Top, R.Right - 1, R.Top + 1));
  C.FillRect(Rect(R.Left, R.Top, R.Left + 1, R.Bottom - 1));
  C.Brush()->SetColor(BottomRight);
  C.FillRect(Rect(R.Left, R.Bottom - 1, R.Right, R.Bottom));
  C.FillRect(Rect(R.Right - 1, R.Top, R.Right, R.Bottom));
  InflateRect(R, -1, -1);
}

void PaintBorder(HWND Wnd) {
  DWORD style = DWORD(GetWindowLong(Wnd, GWL_STYLE)), ex = DWORD(GetWindowLong(Wnd, GWL_EXSTYLE));
  TRect w = GetWindowRect(Wnd);
  TRect r = Rect(0, 0, w.Width(), w.Height());
  TCanvas* c = GetWindowDC(Wnd);
  if (!c) return;
  c->Brush()->SetStyle(bsSolid);
  if (style & WS_BORDER) Frame3D(*c, r, clWindowFrame, clWindowFrame);
  if (ex & WS_EX_STATICEDGE) Frame3D(*c, r, clBtnShadow, clBtnHighlight);
  if (ex & WS_EX_CLIENTEDGE) {
    Frame3D(*c, r, clBtnShadow, clBtnHighlight);
    Frame3D(*c, r, cl3DDkShadow, cl3DLight);
  }
  if (style & (WS_HSCROLL | WS_VSCROLL)) {
    // The bars are drawn in client coordinates.
    TPoint o = ClientToScreen(Wnd, {0, 0});
    c->SetWindowOrgEx(w.Left - o.X, w.Top - o.Y);
    PaintScrollBars(Wnd, *c);
  }
  ReleaseDC(Wnd, c);
}

LRESULT HitTest(HWND Wnd, LPARAM LParam) {
  TPoint p{GET_X_LPARAM(LParam), GET_Y_LPARAM(LParam)};
  if (!PtInRect(GetWindowRect(Wnd), p)) return HTNOWHERE;
  TPoint c = ScreenToClient(Wnd, p);
  if (PtInRect(GetClientRect(Wnd), c)) return HTCLIENT;
  if (int bar = ScrollBarHitTest(Wnd, p); bar != HTNOWHERE) return bar;
  return HTBORDER;
}

HWND ParentOf(HWND Wnd) {
  auto L = WmLock();
  TWndRec* r = Rec(Wnd);
  return r ? r->Parent : nullptr;
}

void ContextMenu(HWND Wnd, LPARAM Pos) {
  SendMessage(Wnd, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(Wnd), Pos);
}

// Menu and close keys: Alt+F4, the context-menu key and Shift+F10.
void DefaultKey(HWND Wnd, UINT Msg, WPARAM Key) {
  if (Msg == WM_SYSKEYDOWN && Key == VK_F4)
    PostMessage(GetAncestorTopLevel(Wnd), WM_SYSCOMMAND, SC_CLOSE, 0);
  else if (Msg == WM_KEYUP && Key == VK_APPS)
    ContextMenu(Wnd, -1);
  else if (Msg == WM_SYSKEYDOWN && Key == VK_F10 && GetKeyState(VK_SHIFT) < 0)
    ContextMenu(Wnd, -1);
}

LRESULT SysCommand(HWND Wnd, WPARAM Cmd) {
  switch (Cmd & 0xFFF0) {
    case SC_CLOSE: return SendMessage(Wnd, WM_CLOSE, 0, 0);
    case SC_MINIMIZE: ShowWindow(Wnd, SW_MINIMIZE); break;
    case SC_MAXIMIZE: ShowWindow(Wnd, SW_SHOWMAXIMIZED); break;
    case SC_RESTORE: ShowWindow(Wnd, SW_RESTORE); break;
  }
  return 0;
}

}  // namespace

LRESULT DefWindowProc(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam) {
  if ((Msg >= WM_NCMOUSEMOVE && Msg <= WM_NCMBUTTONDBLCLK) || (Msg >= WM_MOUSEFIRST && Msg <= WM_MOUSELAST))
    if (ScrollBarMouse(Wnd, Msg, WParam, LParam)) return 0;
  switch (Msg) {
    case WM_NCHITTEST:
      return HitTest(Wnd, LParam);
    case WM_MOUSEACTIVATE:
      if (HWND p = ParentOf(Wnd))
        if (LRESULT r = SendMessage(p, Msg, WParam, LParam)) return r;
      return MA_ACTIVATE;
    case WM_SETCURSOR:
      if (HWND p = ParentOf(Wnd))
        if (SendMessage(p, Msg, WParam, LParam)) return 1;
      if (LOWORD(std::uintptr_t(LParam)) == HTCLIENT) SetCursor(IDC_ARROW);
      return 0;
    case WM_ACTIVATE:
      if (LOWORD(WParam) != WA_INACTIVE) SetFocus(Wnd);
      return 0;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      BeginPaint(Wnd, ps);
      EndPaint(Wnd, ps);
      return 0;
    }
    case WM_NCPAINT:
      PaintBorder(Wnd);
      return 0;
    case WM_NCCALCSIZE:
      return DefNcCalcSize(Wnd, LParam);
    case WM_MOUSEWHEEL:
    case WM_CONTEXTMENU:
      if (HWND p = ParentOf(Wnd)) return SendMessage(p, Msg, WParam, LParam);
      return 0;
    case WM_RBUTTONUP: {
      TPoint p = ClientToScreen(Wnd, Point(GET_X_LPARAM(LParam), GET_Y_LPARAM(LParam)));
      ContextMenu(Wnd, MAKELPARAM(p.X, p.Y));
      return 0;
    }
    case WM_KEYUP:
    case WM_SYSKEYDOWN:
      DefaultKey(Wnd, Msg, WParam);
      return 0;
    case WM_SYSCOMMAND:
      return SysCommand(Wnd, WParam);
    case WM_CLOSE:
      DestroyWindow(Wnd);
      return 0;
    case WM_CANCELMODE:
      if (GetCapture() == Wnd) ReleaseCapture();
      return 0;
    case WM_SETTEXT:
      SetWindowText(Wnd, *reinterpret_cast<const String*>(LParam));
      return 1;
    case WM_GETTEXT:
      *reinterpret_cast<String*>(LParam) = GetWindowText(Wnd);
      return Utf8CharCount(GetWindowText(Wnd));
    case WM_GETTEXTLENGTH:
      return Utf8CharCount(GetWindowText(Wnd));
  }
  return 0;
}
