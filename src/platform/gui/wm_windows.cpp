// Window records: creation, destruction, the parent/child/owner tree and
// the plain attributes (class, text, longs, procedure, shape).
#include <algorithm>
#include <strings.h>

#include "platform/gui/wm_foreign.h"
#include "platform/gui/wm_internal.h"

using namespace wm;

namespace {

// Which native window a top-level window needs: popups without a caption
// that are tool windows (menus, lists, hints), and WS_EX_NOACTIVATE ones,
// take no activation; windows with an owner are dialogs.
TNativeKind KindOf(DWORD Style, DWORD ExStyle, HWND Owner) {
  if (ExStyle & WS_EX_NOACTIVATE) return TNativeKind::Popup;
  if ((Style & WS_POPUP) && (ExStyle & WS_EX_TOOLWINDOW) && (Style & WS_CAPTION) != WS_CAPTION)
    return TNativeKind::Popup;
  return Owner ? TNativeKind::Dialog : TNativeKind::Normal;
}

// Puts a top-level window on top of its group (topmost windows lead).
void PlaceTopLevel(HWND Wnd) {
  auto& tops = State().TopLevels;
  tops.erase(std::remove(tops.begin(), tops.end(), Wnd), tops.end());
  TWndRec* r = Rec(Wnd);
  auto at = tops.begin();
  if (!(r->ExStyle & WS_EX_TOPMOST))
    while (at != tops.end() && (Rec(*at)->ExStyle & WS_EX_TOPMOST)) ++at;
  tops.insert(at, Wnd);
}

std::vector<HWND>& SiblingList(const TWndRec& R) {
  return R.Parent ? Rec(R.Parent)->Children : State().TopLevels;
}

void Unlink(TWndRec& R) {
  auto& list = SiblingList(R);
  list.erase(std::remove(list.begin(), list.end(), R.Handle), list.end());
}

HWND NewRecord(DWORD ExStyle, const String& ClassName, const String& Text, DWORD Style, const TRect& B,
               HWND Parent, HWND Owner, TWndProc Proc) {
  TWmState& S = State();
  auto rec = std::make_unique<TWndRec>();
  HWND h = ToHwnd(S.NextHandle);
  S.NextHandle += 4;
  rec->Handle = h;
  rec->ThreadId = GetCurrentThreadID();
  rec->ClassName = ClassName;
  rec->Text = Text;
  rec->Style = (Style & ~WS_VISIBLE) | (Parent ? DWORD(WS_CHILD) : 0u);
  rec->ExStyle = ExStyle;
  rec->Parent = Parent;
  rec->Owner = Parent ? nullptr : TopOf(Owner);
  rec->Bounds = B;
  rec->Proc = std::move(Proc);
  rec->Kind = KindOf(Style, ExStyle, rec->Owner);
  S.Windows[reinterpret_cast<std::uintptr_t>(h)] = std::move(rec);
  if (Parent)
    Rec(Parent)->Children.insert(Rec(Parent)->Children.begin(), h);
  else
    PlaceTopLevel(h);
  return h;
}

void AttachNative(HWND Wnd) {
  TNativeKind kind;
  TRect b;
  HWND owner;
  String title;
  bool visible;
  {
    auto L = WmLock();
    TWndRec* r = Rec(Wnd);
    kind = r->Kind, b = r->Bounds, owner = r->Owner, title = r->Text;
    visible = (r->Style & WS_VISIBLE) != 0;
  }
  std::unique_ptr<TNativeWindow> n = GuiDriver().CreateNativeWindow(Wnd, kind, b, owner);
  n->SetTitle(title);
  if (visible) n->SetVisible(true);
  auto L = WmLock();
  if (TWndRec* r = Rec(Wnd)) r->Native = std::move(n);
}

// Takes the records of the tree out of the state; the caller drops them
// (native windows included) after releasing the lock.
std::vector<std::unique_ptr<TWndRec>> RemoveRecords(const std::vector<HWND>& Tree) {
  std::vector<std::unique_ptr<TWndRec>> gone;
  auto L = WmLock();
  TWmState& S = State();
  if (TWndRec* r = Rec(Tree.front())) Unlink(*r);
  for (HWND h : Tree) {
    auto it = S.Windows.find(reinterpret_cast<std::uintptr_t>(h));
    if (it == S.Windows.end()) continue;
    gone.push_back(std::move(it->second));
    S.Windows.erase(it);
  }
  return gone;
}

}  // namespace

void wm::BringToFront(HWND Top, std::vector<TNativeWindow*>& Raised) {
  TWndRec* r = Rec(Top);
  if (!r || r->Parent) return;
  PlaceTopLevel(Top);
  if (r->Native) Raised.push_back(r->Native.get());
  std::vector<HWND> owned;
  for (auto it = State().TopLevels.rbegin(); it != State().TopLevels.rend(); ++it)
    if (Rec(*it)->Owner == Top) owned.push_back(*it);
  for (HWND o : owned) BringToFront(o, Raised);
}

HWND CreateWindowEx(DWORD ExStyle, const String& ClassName, const String& Text, DWORD Style, int X, int Y,
                    int Width, int Height, HWND Parent, HWND Owner, TWndProc Proc) {
  HWND h;
  {
    auto L = WmLock();
    if ((Style & WS_CHILD) && !Rec(Parent))
      throw EInvalidOperation("Ein Kindfenster braucht ein gültiges Elternfenster");
    if (Parent && !Rec(Parent)) throw EInvalidOperation("Ungültiges Fensterhandle des Elternfensters");
    h = NewRecord(ExStyle, ClassName, Text, Style, Bounds(X, Y, std::max(Width, 0), std::max(Height, 0)),
                  Parent, Owner, std::move(Proc));
  }
  if (!Parent) AttachNative(h);
  CallProc(h, WM_NCCREATE, 0, 0);
  RecalcNonClient(h);
  if (CallProc(h, WM_CREATE, 0, 0) == -1) {
    DestroyWindow(h);
    return nullptr;
  }
  SendMoveSize(h, true, true, true);
  if (Style & WS_VISIBLE) ShowWindow(h, SW_SHOW);
  return h;
}

bool DestroyWindow(HWND Wnd) {
  std::vector<HWND> owned, tree;
  {
    auto L = WmLock();
    TWndRec* r = Rec(Wnd);
    if (!r || r->Destroying) return r != nullptr;
    r->Destroying = true;
    for (HWND t : State().TopLevels)
      if (Rec(t)->Owner == Wnd) owned.push_back(t);
  }
  for (HWND o : owned) DestroyWindow(o);
  ShowWindowImpl(Wnd, SW_HIDE, false);
  {
    auto L = WmLock();
    CollectTree(Wnd, tree);
  }
  for (HWND h : tree) ForgetWindowFocus(h);
  for (HWND h : tree) CallProc(h, WM_DESTROY, 0, 0);
  for (auto it = tree.rbegin(); it != tree.rend(); ++it) CallProc(*it, WM_NCDESTROY, 0, 0);
  {
    auto L = WmLock();
    for (HWND h : tree) {
      KillTimersOf(h);
      ForgetWindowInput(h);
      ForgetWindowCaret(h);
    }
  }
  auto gone = RemoveRecords(tree);
  return true;
}

bool IsWindow(HWND Wnd) {
  if (IsProxyHandle(Wnd)) return ProxyIsWindow(Wnd);
  auto L = WmLock();
  return Rec(Wnd) != nullptr;
}

bool IsChild(HWND Parent, HWND Wnd) {
  auto L = WmLock();
  for (TWndRec* r = Rec(Wnd); r && r->Parent; r = Rec(r->Parent))
    if (r->Parent == Parent) return true;
  return false;
}

HWND GetParent(HWND Wnd) {
  auto L = WmLock();
  TWndRec* r = Rec(Wnd);
  return r ? (r->Parent ? r->Parent : r->Owner) : nullptr;
}

HWND SetParent(HWND Wnd, HWND NewParent) {
  HWND old;
  bool becameTop;
  std::unique_ptr<TNativeWindow> dropped;
  {
    auto L = WmLock();
    TWndRec* r = Rec(Wnd);
    if (!r || (NewParent && !Rec(NewParent))) return nullptr;
    old = r->Parent;
    InvalidateUncovered(old, AreaInParent(*r));
    Unlink(*r);
    r->Parent = NewParent;
    becameTop = old && !NewParent;
    if (NewParent) {
      Rec(NewParent)->Children.insert(Rec(NewParent)->Children.begin(), Wnd);
      r->Style |= WS_CHILD;
      dropped = std::move(r->Native);
    } else {
      r->Style &= ~WS_CHILD;
      PlaceTopLevel(Wnd);
    }
  }
  dropped.reset();
  if (becameTop) AttachNative(Wnd);
  RecalcNonClient(Wnd);
  RedrawWindow(Wnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_FRAME);
  return old;
}

HWND GetWindow(HWND Wnd, UINT Cmd) {
  auto L = WmLock();
  TWndRec* r = Rec(Wnd);
  if (!r) return nullptr;
  if (Cmd == GW_OWNER) return r->Owner;
  if (Cmd == GW_CHILD) return r->Children.empty() ? nullptr : r->Children.front();
  const auto& list = SiblingList(*r);
  auto it = std::find(list.begin(), list.end(), Wnd);
  switch (Cmd) {
    case GW_HWNDFIRST: return list.front();
    case GW_HWNDLAST: return list.back();
    case GW_HWNDNEXT: return it + 1 == list.end() ? nullptr : *(it + 1);
    case GW_HWNDPREV: return it == list.begin() ? nullptr : *(it - 1);
  }
  return nullptr;
}

HWND GetAncestorTopLevel(HWND Wnd) {
  auto L = WmLock();
  return TopOf(Wnd);
}

HWND FindWindow(const String& ClassName, const String& Title) {
  {
    auto L = WmLock();
    for (HWND t : State().TopLevels) {
      TWndRec* r = Rec(t);
      if (!ClassName.empty() && strcasecmp(r->ClassName.c_str(), ClassName.c_str()) != 0) continue;
      if (!Title.empty() && r->Text != Title) continue;
      return t;
    }
  }
  // None of ours: a window of another program on the same desktop.
  return FindForeignProxy(ClassName, Title);
}

String GetClassName(HWND Wnd) {
  if (IsProxyHandle(Wnd)) return ProxyClassName(Wnd);
  auto L = WmLock();
  TWndRec* r = Rec(Wnd);
  return r ? r->ClassName : String();
}

DWORD GetWindowThreadProcessId(HWND Wnd) {
  auto L = WmLock();
  TWndRec* r = Rec(Wnd);
  return r ? r->ThreadId : 0;
}

String GetWindowText(HWND Wnd) {
  if (IsProxyHandle(Wnd)) return ProxyWindowText(Wnd);
  auto L = WmLock();
  TWndRec* r = Rec(Wnd);
  return r ? r->Text : String();
}

void SetWindowText(HWND Wnd, const String& Text) {
  TNativeWindow* n = nullptr;
  {
    auto L = WmLock();
    TWndRec* r = Rec(Wnd);
    if (!r) return;
    r->Text = Text;
    n = r->Native.get();
  }
  if (n) n->SetTitle(Text);
}

std::intptr_t GetWindowLong(HWND Wnd, int Index) {
  auto L = WmLock();
  TWndRec* r = Rec(Wnd);
  if (!r) return 0;
  switch (Index) {
    case GWL_STYLE: return std::intptr_t(r->Style);
    case GWL_EXSTYLE: return std::intptr_t(r->ExStyle);
    case GWL_ID: return r->Id;
    case GWL_USERDATA: return r->UserData;
  }
  return 0;
}

std::intptr_t SetWindowLong(HWND Wnd, int Index, std::intptr_t Value) {
  std::intptr_t old;
  bool frame;
  {
    auto L = WmLock();
    TWndRec* r = Rec(Wnd);
    if (!r) return 0;
    old = GetWindowLong(Wnd, Index);
    DWORD style = r->Style, ex = r->ExStyle;
    switch (Index) {
      case GWL_STYLE: r->Style = DWORD(Value); break;
      case GWL_EXSTYLE: r->ExStyle = DWORD(Value); break;
      case GWL_ID: r->Id = Value; break;
      case GWL_USERDATA: r->UserData = Value; break;
    }
    frame = FrameStyleChange(style, r->Style, ex, r->ExStyle);
  }
  // Borders and scroll bars are part of the frame: the client area follows.
  if (frame) RecalcNonClient(Wnd);
  return old;
}

TWndProc SetWindowProc(HWND Wnd, TWndProc Proc) {
  auto L = WmLock();
  TWndRec* r = Rec(Wnd);
  if (!r) return nullptr;
  std::swap(r->Proc, Proc);
  return Proc;
}

TWndProc GetWindowProc(HWND Wnd) {
  auto L = WmLock();
  TWndRec* r = Rec(Wnd);
  return r ? r->Proc : nullptr;
}

void SetWindowRgn(HWND Wnd, const TRegion* Rgn, bool Redraw) {
  TNativeWindow* n = nullptr;
  {
    auto L = WmLock();
    TWndRec* r = Rec(Wnd);
    if (!r) return;
    if (Redraw) InvalidateUncovered(r->Parent, AreaInParent(*r));
    r->Shape = Rgn ? std::optional<TRegion>(*Rgn) : std::nullopt;
    n = r->Native.get();
  }
  if (n) n->SetShape(Rgn);
  if (Redraw) RedrawWindow(Wnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_FRAME);
}
