// TThemeServices over the desktop's theme provider.
#include "ui/look/UThemes.h"

#include <memory>

#include "platform/gui/winapi.h"

RTL_IMPLEMENT_CLASS(TThemeServices, TObject, nullptr)

namespace {

const char* const ElementNames[ThemedElementCount] = {
    "button",   "clock",     "combobox", "edit",      "explorerbar", "header", "listview", "menu",
    "page",     "progress",  "rebar",    "scrollbar", "spin",        "startpanel", "status", "tab",
    "taskband", "taskbar",   "toolbar",  "tooltip",   "trackbar",    "traynotify", "treeview", "window"};

std::unique_ptr<TThemeServices>& Shared() {
  static auto* P = new std::unique_ptr<TThemeServices>;
  return *P;
}

}  // namespace

const char* ThemedElementName(TThemedElement Element) { return ElementNames[Element]; }

TThemedElementDetails EditDetails(int Detail) {
  if (Detail >= 2 && Detail <= 8) return {teEdit, 1, Detail - 2 + 1};
  if (Detail == 9) return {teEdit, 2, 1};
  return {teEdit, 0, 0};
}

TThemeServices::TThemeServices() {
  FLibraryLoaded = ThemeProvider().LoadLibrary();
  UpdateThemes();
}

TThemeServices::~TThemeServices() {
  CloseHandles();
  if (FLibraryLoaded) ThemeProvider().FreeLibrary();
}

void TThemeServices::CloseHandles() {
  for (HTHEME& H : FHandles) {
    if (H) ThemeProvider().CloseThemeData(H);
    H = 0;
  }
}

void TThemeServices::UpdateThemes() {
  if (FThemesAvailable) CloseHandles();
  FThemesAvailable = FLibraryLoaded && ThemeProvider().CommonControlsMajorVersion() >= 6;
  FUseThemes = FThemesAvailable && (ThemeProvider().GetThemeAppProperties() & STAP_ALLOW_CONTROLS) != 0;
}

HTHEME TThemeServices::Theme(TThemedElement Element) {
  if (!FThemesAvailable) return 0;
  HTHEME& H = FHandles[Element];
  if (!H) H = ThemeProvider().OpenThemeData(nullptr, ElementNames[Element]);
  return H;
}

void TThemeServices::DrawElement(TCanvas& DC, const TThemedElementDetails& Details, const TRect& R) {
  if (HTHEME H = Theme(Details.Element)) ThemeProvider().DrawThemeBackground(H, DC, Details.Part, Details.State, R, nullptr);
}

void TThemeServices::PaintBorder(TWinControl* Control, bool EraseLRCorner) {
  HWND Wnd = Control->HandleAllocated() ? Control->Handle() : nullptr;
  if (!Wnd) return;
  DWORD Ex = DWORD(GetWindowLong(Wnd, GWL_EXSTYLE)), Style = DWORD(GetWindowLong(Wnd, GWL_STYLE));
  if (!(Ex & WS_EX_CLIENTEDGE)) return;
  TRect W = GetWindowRect(Wnd);
  TRect R = Rect(0, 0, W.Width(), W.Height());
  TCanvas* DC = GetWindowDC(Wnd);
  if (!DC) return;
  TRect Inner = R;
  InflateRect(Inner, -2, -2);
  if (EraseLRCorner && (Style & WS_HSCROLL) && (Style & WS_VSCROLL)) {
    TRect Corner = Rect(Inner.Right - GetSystemMetrics(SM_CXVSCROLL), Inner.Bottom - GetSystemMetrics(SM_CYHSCROLL),
                        Inner.Right, Inner.Bottom);
    DC->Brush()->SetStyle(bsSolid);
    DC->Brush()->SetColor(clBtnFace);
    DC->FillRect(Corner);
  }
  DC->ExcludeClipRect(Inner.Left, Inner.Top, Inner.Right, Inner.Bottom);
  DrawElement(*DC, EditDetails(EditTextNormal), R);
  ReleaseDC(Wnd, DC);
}

TThemeServices* ThemeServices() {
  if (!Shared()) Shared() = std::make_unique<TThemeServices>();
  return Shared().get();
}

void FreeThemeServices() { Shared().reset(); }
