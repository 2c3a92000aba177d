// The grid finder form: position, text, last key and the mouse hook that
// closes it on a click into another window's frame.
#include "ui/controls/UCustomGridFinderClass.h"

#include "foundation/UFormPlacement.h"
#include "platform/rtl/classreg.h"

namespace {
// Made by name, the base class has no description: it is made as CreateNew.
TObject* NewFinder(TObject* Owner) { return new TFCustomGridFinder(dynamic_cast<TComponent*>(Owner), 0); }
}  // namespace

RTL_IMPLEMENT_CLASS(TFCustomGridFinder, TForm, &NewFinder)

RTL_PUBLISHED(TFCustomGridFinder) {
  P.Method("FormCreate", &TFCustomGridFinder::FormCreate);
  P.Method("FormShow", &TFCustomGridFinder::FormShow);
  P.Method("FormKeyDown", &TFCustomGridFinder::FormKeyDown);
  P.Method("FormCloseQuery", &TFCustomGridFinder::FormCloseQuery);
  P.Method("FormDestroy", &TFCustomGridFinder::FormDestroy);
}

namespace {
[[maybe_unused]] const bool Registered = (RegisterClasses({TFCustomGridFinder::StaticClass()}), true);
HWND GFinderWindow = nullptr;
}  // namespace

const char* const TFCustomGridFinder::FinderCaption = "Suchen, Selektieren:";

HWND OpenGridFinder() { return GFinderWindow; }

TFCustomGridFinder::TFCustomGridFinder(TComponent* AOwner) : TForm(AOwner) { BindHandlers(); }

TFCustomGridFinder::TFCustomGridFinder(TComponent* AOwner, int Dummy) : TForm(AOwner, Dummy) { BindHandlers(); }

TFCustomGridFinder::~TFCustomGridFinder() { RemoveHook(); }

// Without a description of a descendant, the form's own handlers serve.
void TFCustomGridFinder::BindHandlers() {
  OnCreate = [this](TObject* S) { FormCreate(S); };
  OnShow = [this](TObject* S) { FormShow(S); };
  OnCloseQuery = [this](TObject* S, bool& CanClose) { FormCloseQuery(S, CanClose); };
  OnDestroy = [this](TObject* S) { FormDestroy(S); };
}

void TFCustomGridFinder::FormCreate(TObject*) {
  WorkArea = Screen->WorkAreaRect();
  Lines = std::make_unique<TStringList>();
  LastKey = 0;
  SetCaption(FinderCaption);
  GFinderWindow = Handle();
  // A frame click elsewhere closes the finder and goes no further; size
  // boxes and scroll bars of other windows still work.
  FHook = SetWindowsHookEx(WH_MOUSE, [this](int Code, WPARAM WParam, LPARAM LParam) -> LRESULT {
    auto* M = reinterpret_cast<MOUSEHOOKSTRUCT*>(LParam);
    if (Code == HC_ACTION && M && (WParam == WM_NCLBUTTONDOWN || WParam == WM_NCRBUTTONDOWN) && GFinderWindow &&
        M->hwnd != GFinderWindow && M->wHitTestCode != HTSIZE && M->wHitTestCode != HTHSCROLL &&
        M->wHitTestCode != HTVSCROLL) {
      PostMessage(GFinderWindow, WM_CLOSE, 0, 0);
      GFinderWindow = nullptr;
      return 1;
    }
    return CallNextHookEx(FHook, Code, WParam, LParam);
  });
}

void TFCustomGridFinder::FormShow(TObject*) {
  SetLeft(FinderLeft);
  SetTop(FinderTop);
  PlaceFormOnMonitor(this, false);
  if (Lines) Lines->SetText(FinderText);
  BringToFront2();
}

void TFCustomGridFinder::FormKeyDown(TObject*, Word&, TShiftState) {}

void TFCustomGridFinder::FormCloseQuery(TObject*, bool& CanClose) {
  if (ModalResult() != mrOk) LastKey = 27;
  CanClose = true;
}

void TFCustomGridFinder::FormDestroy(TObject*) {
  Lines.reset();
  RemoveHook();
}

void TFCustomGridFinder::RemoveHook() {
  if (FHook) UnhookWindowsHookEx(FHook);
  FHook = 0;
  if (HandleAllocated() && GFinderWindow == Handle()) GFinderWindow = nullptr;
}

Byte TFCustomGridFinder::TakeLastKey() {
  Byte Key = LastKey;
  LastKey = 0;
  return Key;
}

// Our window manager serves one input queue: making the finder the
// foreground window needs no attached input.
void TFCustomGridFinder::BringToFront2() {
  if (HandleAllocated()) SetForegroundWindow(Handle());
}
