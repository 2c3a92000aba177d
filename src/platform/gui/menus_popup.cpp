// The popped-up menu: its window (layout and drawing of the items) and the
// tracker that runs the menu's message loop over the window and its
// sub-menus.
#include <algorithm>
#include <memory>

#include "platform/gui/graphics_frames.h"
#include "platform/gui/menus.h"
#include "platform/gui/fonts.h"

namespace {

constexpr Integer FrameWidth = 3;   // raised edge around the items
constexpr Integer CheckWidth = 20;  // room for the check mark
constexpr Integer ArrowWidth = 20;  // room for the sub-menu arrow
constexpr Integer LineHeight = 9;   // a separator
constexpr Integer MinWidth = 100;

// One window of a popped-up menu: the visible sub-items of one item.
class TMenuWindow : public TCustomControl {
 public:
  TMenuWindow(TMenuItem* Item, TMenu* Menu) : TCustomControl(nullptr), FMenu(Menu) {
    FVisible = false;
    FParentColor = false;
    SetColor(clMenu);
    for (Integer I = 0; I < Item->Count(); ++I)
      if (Item->Items(I)->Visible()) FShown.push_back(Item->Items(I));
    Layout();
  }
  bool IsWindowRoot() const override { return true; }

  Integer Count() const { return Integer(FShown.size()); }
  TMenuItem* Shown(Integer I) const { return I >= 0 && I < Count() ? FShown[I] : nullptr; }
  Integer Selected() const { return FSelected; }
  void Select(Integer I) {
    if (I == FSelected) return;
    FSelected = I;
    Invalidate();
  }
  // The item under a client point, -1 for none.
  Integer ItemAt(TPoint P) const {
    for (Integer I = 0; I < Count(); ++I)
      if (PtInRect(FRects[I], P)) return I;
    return -1;
  }
  TRect ItemRect(Integer I) const { return FRects[I]; }
  TSize Extent() const { return FExtent; }
  // The next selectable item from From in steps of Dir (wrapping); -1 when none.
  Integer NextSelectable(Integer From, Integer Dir) const {
    for (Integer N = 1; N <= Count(); ++N) {
      Integer I = ((From + Dir * N) % Count() + Count()) % Count();
      if (!FShown[I]->IsLine() && FShown[I]->Enabled()) return I;
    }
    return -1;
  }

 protected:
  void CreateParams(TCreateParams& Params) override {
    TCustomControl::CreateParams(Params);
    Params.Style = WS_POPUP;
    Params.ExStyle = WS_EX_TOOLWINDOW | WS_EX_TOPMOST | WS_EX_NOACTIVATE;
    Params.WndParent = nullptr;
  }

  void Paint() override {
    TCanvas* C = Canvas();
    C->Brush()->SetColor(clMenu);
    C->FillRect(ClientRect());
    TRect Frame = ClientRect();
    DrawEdge(*C, Frame, EDGE_RAISED, BF_RECT);
    for (Integer I = 0; I < Count(); ++I) PaintItem(I);
  }

 private:
  TOwnerDrawState StateOf(Integer I) const {
    TMenuItem* M = FShown[I];
    TOwnerDrawState S;
    if (I == FSelected) S.Include(odSelected);
    if (!M->Enabled()) { S.Include(odDisabled); S.Include(odGrayed); }
    if (M->Checked()) S.Include(odChecked);
    if (M->Default()) S.Include(odDefault);
    return S;
  }

  void PaintItem(Integer I) {
    TMenuItem* M = FShown[I];
    TCanvas* C = Canvas();
    TRect R = FRects[I];
    TOwnerDrawState S = StateOf(I);
    C->SetFont(Font());
    C->Brush()->SetColor(S.Contains(odSelected) ? clHighlight : clMenu);
    C->Font()->SetColor(S.Contains(odSelected) ? clHighlightText : clMenuText);
    if (FMenu && FMenu->OwnerDraw() && M->OnAdvancedDrawItem) return M->OnAdvancedDrawItem(M, C, R, S);
    if (FMenu && FMenu->OwnerDraw() && M->OnDrawItem) return M->OnDrawItem(M, C, R, S.Contains(odSelected));
    DrawDefault(M, R, S);
  }

  void DrawDefault(TMenuItem* M, TRect R, TOwnerDrawState S) {
    TCanvas* C = Canvas();
    if (M->IsLine()) {
      TRect L = Rect(R.Left + 2, R.Top + LineHeight / 2 - 1, R.Right - 2, R.Top + LineHeight / 2 + 1);
      DrawEdge(*C, L, EDGE_ETCHED, BF_TOP);
      return;
    }
    C->FillRect(R);
    if (S.Contains(odDisabled)) C->Font()->SetColor(clGrayText);
    if (M->Default()) C->Font()->SetStyle(C->Font()->Style() + TFontStyles{fsBold});
    if (M->Checked())
      DrawFrameControl(*C, Rect(R.Left + 2, R.Top + 2, R.Left + CheckWidth - 2, R.Bottom - 2), DFC_MENU,
                       M->RadioItem() ? DFCS_MENUBULLET : DFCS_MENUCHECK);
    C->SetBkMode(TRANSPARENT);
    TRect T = Rect(R.Left + CheckWidth, R.Top, R.Right - ArrowWidth, R.Bottom);
    DrawText(*C, M->Caption(), T, DT_LEFT | DT_VCENTER | DT_SINGLELINE);
    String Keys = ShortCutToText(M->ShortCut());
    if (!Keys.empty()) DrawText(*C, Keys, T, DT_RIGHT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    if (M->Count() > 0)
      DrawFrameControl(*C, Rect(R.Right - ArrowWidth + 4, R.Top + 2, R.Right - 4, R.Bottom - 2), DFC_MENU,
                       DFCS_MENUARROW);
  }

  // Default sizes from the text, then OnMeasureItem for owner-drawn menus.
  void Layout() {
    TCanvas* C = Canvas();
    C->SetFont(Font());
    Integer Width = MinWidth, Y = FrameWidth;
    std::vector<Integer> Heights;
    for (TMenuItem* M : FShown) {
      Integer W = CheckWidth + C->TextWidth(M->Caption()) + ArrowWidth;
      String Keys = ShortCutToText(M->ShortCut());
      if (!Keys.empty()) W += C->TextWidth(Keys) + 16;
      Integer H = M->IsLine() ? LineHeight : std::max<Integer>(20, C->TextHeight("Ag") + 6);
      if (FMenu && FMenu->OwnerDraw() && M->OnMeasureItem) M->OnMeasureItem(M, C, W, H);
      Width = std::max(Width, W);
      Heights.push_back(H);
    }
    for (size_t I = 0; I < FShown.size(); ++I) {
      FRects.push_back(Rect(FrameWidth, Y, FrameWidth + Width, Y + Heights[I]));
      Y += Heights[I];
    }
    FExtent = {Width + 2 * FrameWidth, Y + FrameWidth};
  }

  TMenu* FMenu;
  std::vector<TMenuItem*> FShown;
  std::vector<TRect> FRects;
  TSize FExtent{};
  Integer FSelected = -1;
};

// The hot letter of a caption: the one after a single "&", else 0.
char32_t HotLetter(const String& Caption) {
  std::u32string C = Utf8ToCodePoints(Caption);
  for (size_t I = 0; I + 1 < C.size(); ++I) {
    if (C[I] != U'&') continue;
    if (C[I + 1] != U'&') return C[I + 1];
    ++I;
  }
  return 0;
}

char32_t Upper(char32_t C) { return C >= U'a' && C <= U'z' ? C - 32 : C; }

TRect WorkAreaAt(TPoint P) {
  TMonitorInfo Info;
  GetMonitorInfo(MonitorFromPoint(P, MONITOR_DEFAULTTONEAREST), Info);
  return Info.rcWork;
}

}  // namespace

// Runs a popped-up menu: the windows of the open sub-menus (innermost
// last), the mouse capture and the message loop.
class TMenuTracker {
 public:
  explicit TMenuTracker(TPopupMenu* Menu) : FMenu(Menu) {}
  ~TMenuTracker() {
    if (GetCapture() && !FWindows.empty() && GetCapture() == FWindows.back()->Handle()) ReleaseCapture();
  }

  // Shows the menu at P and loops until it closes; the chosen item or null.
  TMenuItem* Run(TPoint P) {
    Open(FMenu->Items(), Place(FMenu->Items(), P));
    while (!FDone && !FMenu->FCloseRequested) {
      MSG M;
      if (!GetMessage(M)) {
        PostQuitMessage(int(M.wParam));
        break;
      }
      if (M.message >= WM_KEYDOWN && M.message <= WM_SYSCHAR) Key(M);
      else if (M.message >= WM_MOUSEFIRST && M.message <= WM_MOUSELAST) Mouse(M);
      else {
        TranslateMessage(M);
        DispatchMessage(M);
      }
    }
    while (!FWindows.empty()) CloseInnermost();
    return FChosen;
  }

 private:
  TMenuWindow& Innermost() { return *FWindows.back(); }

  TPoint Place(TMenuItem* Item, TPoint P) {
    TMenuWindow Probe(Item, FMenu);
    TSize S = Probe.Extent();
    if (FMenu->Alignment() == paRight) P.X -= S.cx;
    else if (FMenu->Alignment() == paCenter) P.X -= S.cx / 2;
    TRect W = WorkAreaAt(P);
    if (P.X + S.cx > W.Right) P.X = W.Right - S.cx;
    if (P.Y + S.cy > W.Bottom) P.Y = std::max(W.Top, P.Y - S.cy);
    P.X = std::max(P.X, W.Left);
    return P;
  }

  void Open(TMenuItem* Item, TPoint P) {
    auto W = std::make_unique<TMenuWindow>(Item, FMenu);
    W->SetBounds(P.X, P.Y, W->Extent().cx, W->Extent().cy);
    W->SetVisible(true);
    SetCapture(W->Handle());
    FWindows.push_back(std::move(W));
  }

  void CloseInnermost() {
    FWindows.pop_back();
    if (!FWindows.empty()) SetCapture(Innermost().Handle());
    else if (GetCapture()) ReleaseCapture();
  }

  // Opens the sub-menu of the innermost window's selected item.
  void OpenSelected() {
    TMenuWindow& W = Innermost();
    TMenuItem* M = W.Shown(W.Selected());
    if (!M || M->Count() == 0 || !M->Enabled()) return;
    TRect R = W.ItemRect(W.Selected());
    TPoint P = W.ClientToScreen(Point(W.Width() - FrameWidth, R.Top - FrameWidth));
    TMenuWindow Probe(M, FMenu);
    if (P.X + Probe.Extent().cx > WorkAreaAt(P).Right) P.X = W.Left() - Probe.Extent().cx + FrameWidth;
    Open(M, P);
    Innermost().Select(Innermost().NextSelectable(-1, 1));
  }

  void Choose(TMenuItem* M) {
    if (!M || M->IsLine() || !M->Enabled()) return;
    if (M->Count() > 0) return OpenSelected();
    FChosen = M;
    FDone = true;
  }

  void Key(const MSG& M) {
    if (M.message == WM_CHAR) return Letter(char32_t(M.wParam));
    if (M.message != WM_KEYDOWN && M.message != WM_SYSKEYDOWN) return;
    TMenuWindow& W = Innermost();
    switch (M.wParam) {
      case VK_UP: W.Select(W.NextSelectable(W.Selected() < 0 ? 0 : W.Selected(), -1)); break;
      case VK_DOWN: W.Select(W.NextSelectable(W.Selected(), 1)); break;
      case VK_RIGHT: OpenSelected(); break;
      case VK_LEFT: if (FWindows.size() > 1) CloseInnermost(); break;
      case VK_ESCAPE: if (FWindows.size() > 1) CloseInnermost(); else FDone = true; break;
      case VK_RETURN: Choose(W.Shown(W.Selected())); break;
      case VK_MENU: FDone = true; break;
      default: TranslateMessage(M); break;
    }
  }

  void Letter(char32_t Ch) {
    TMenuWindow& W = Innermost();
    Integer Found = -1;
    for (Integer I = 0; I < W.Count() && Found < 0; ++I)
      if (Upper(HotLetter(W.Shown(I)->Caption())) == Upper(Ch)) Found = I;
    for (Integer I = 0; I < W.Count() && Found < 0; ++I) {
      std::u32string C = Utf8ToCodePoints(W.Shown(I)->Caption());
      if (!C.empty() && HotLetter(W.Shown(I)->Caption()) == 0 && Upper(C[0]) == Upper(Ch)) Found = I;
    }
    if (Found < 0) return;
    W.Select(Found);
    Choose(W.Shown(Found));
  }

  // The open window under a desktop point (innermost first), or -1.
  Integer WindowAt(TPoint Screen) {
    for (Integer I = Integer(FWindows.size()) - 1; I >= 0; --I)
      if (PtInRect(FWindows[I]->BoundsRect(), Screen)) return I;
    return -1;
  }

  void Mouse(const MSG& M) {
    TPoint Screen = ClientToScreen(M.hwnd, Point(GET_X_LPARAM(M.lParam), GET_Y_LPARAM(M.lParam)));
    Integer Wi = WindowAt(Screen);
    if (Wi < 0) {
      if (M.message == WM_LBUTTONDOWN || M.message == WM_RBUTTONDOWN || M.message == WM_MBUTTONDOWN) FDone = true;
      return;
    }
    while (Integer(FWindows.size()) > Wi + 1 && M.message != WM_MOUSEMOVE) CloseInnermost();
    TMenuWindow& W = *FWindows[Wi];
    Integer Item = W.ItemAt(W.ScreenToClient(Screen));
    if (M.message == WM_MOUSEMOVE) return Hover(Wi, Item);
    if (M.message == WM_LBUTTONUP || M.message == WM_RBUTTONUP) {
      W.Select(Item);
      Choose(W.Shown(Item));
    }
  }

  void Hover(Integer Wi, Integer Item) {
    TMenuWindow& W = *FWindows[Wi];
    if (Item < 0 || Item == W.Selected()) return;
    while (Integer(FWindows.size()) > Wi + 1) CloseInnermost();
    W.Select(Item);
    TMenuItem* M = W.Shown(Item);
    if (M && M->Count() > 0 && M->Enabled()) OpenSelected();
  }

  TPopupMenu* FMenu;
  std::vector<std::unique_ptr<TMenuWindow>> FWindows;
  TMenuItem* FChosen = nullptr;
  bool FDone = false;
};

// ---- TPopupMenu ----------------------------------------------------------------------------------

namespace {
// A right click on a control with a popup menu pops it up at the mouse.
bool PopupForControl(TControl* Control, TComponent* Popup, TPoint ScreenPos) {
  auto* Menu = dynamic_cast<TPopupMenu*>(Popup);
  if (!Menu || !Menu->AutoPopup()) return false;
  if (ScreenPos.X == -1 && ScreenPos.Y == -1) ScreenPos = Control->ClientToScreen(Point(0, 0));
  Menu->SetPopupComponent(Control);
  Menu->Popup(ScreenPos.X, ScreenPos.Y);
  return true;
}
}  // namespace

TPopupMenu::TPopupMenu(TComponent* AOwner) : TMenu(AOwner) {
  // Installed here rather than at start-up: the hook's own object must
  // exist first, and no control can name a popup menu before one exists.
  if (!PopupMenuHook) PopupMenuHook = &PopupForControl;
}

TPopupMenu::~TPopupMenu() = default;

void TPopupMenu::Popup(Integer X, Integer Y) {
  if (FShowing) return;
  if (OnPopup) OnPopup(this);
  FLastChosen = nullptr;
  FCloseRequested = false;
  FShowing = true;
  TMenuItem* Chosen = nullptr;
  try {
    TMenuTracker Tracker(this);
    Chosen = Tracker.Run(Point(X, Y));
  } catch (...) {
    FShowing = false;
    throw;
  }
  FShowing = false;
  FLastChosen = Chosen;
  if (Chosen) Chosen->Click();
}

void TPopupMenu::CloseMenu() {
  if (FShowing) {
    FCloseRequested = true;
    PostMessage(nullptr, WM_NULL, 0, 0);
  }
}

void TPopupMenu::Notification(TComponent* AComponent, TOperation Operation) {
  TMenu::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == FPopupComponent) FPopupComponent = nullptr;
}
