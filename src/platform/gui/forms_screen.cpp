// TScreen: monitors, sizes, forms and focus bookkeeping, the cursor table.
#include <algorithm>

#include <fontconfig/fontconfig.h>

#include "platform/gui/backend.h"
#include "platform/rtl/lists.h"
#include "platform/gui/forms.h"
#include "platform/rtl/format.h"
#include "platform/rtl/strings.h"

RTL_IMPLEMENT_CLASS(TMonitor, TObject, nullptr)
RTL_IMPLEMENT_CLASS(TScreen, TComponent, nullptr)

TScreen* TScreenRef::Get() {
  static TScreen* S = new TScreen(nullptr);  // lives as long as the process
  // A screen made during static initialisation may see the controls' hook
  // variables initialised after it: install them (again) when empty.
  if (!CursorHandleHook || !ScreenCursorHook) S->InstallCursorHooks();
  return S;
}

namespace {
// True for the class library's own cursor numbers (crDefault .. crSizeAll).
bool IsStandardCursor(Integer Index) { return Index <= crDefault && Index >= crSizeAll; }

// Area of the intersection of two rectangles (0 when apart).
Int64 OverlapArea(const TRect& A, const TRect& B) {
  TRect R;
  return IntersectRect(R, A, B) ? Int64(R.Width()) * R.Height() : 0;
}
}  // namespace

TScreen::TScreen(TComponent* AOwner) : TComponent(AOwner) { InstallCursorHooks(); }

void TScreen::InstallCursorHooks() {
  // The controls ask the screen for the cursor to show over them.
  CursorHandleHook = [this](TCursor C) { return Cursors(C); };
  ScreenCursorHook = [this] { return FCursor; };
}

TScreen::~TScreen() {
  CursorHandleHook = nullptr;
  ScreenCursorHook = nullptr;
}

// ---- Monitors -----------------------------------------------------------------------------

std::vector<TMonitorInfo> TScreen::MonitorInfos() {
  std::vector<TMonitorInfo> M = GuiDriver().Monitors();
  if (M.empty()) {
    TMonitorInfo Only;
    Only.rcMonitor = Only.rcWork = Rect(0, 0, 1280, 1024);
    Only.Primary = true;
    M.push_back(Only);
  }
  return M;
}

void TScreen::Enumerate() {
  std::vector<TMonitorInfo> Infos = MonitorInfos();
  FMonitors.clear();
  for (size_t I = 0; I < Infos.size(); ++I) FMonitors.push_back(std::make_unique<TMonitor>(Integer(I), Infos[I]));
}

Integer TScreen::MonitorCount() { return Integer(MonitorInfos().size()); }

TMonitor* TScreen::Monitors(Integer Index) {
  Enumerate();
  if (Index < 0 || Index >= Integer(FMonitors.size()))
    ListError(SListIndexError, Index);
  return FMonitors[size_t(Index)].get();
}

Integer TScreen::Width() { return Monitors(0)->Width(); }
Integer TScreen::Height() { return Monitors(0)->Height(); }
Integer TScreen::PixelsPerInch() { return GuiDriver().PixelsPerInch(); }
TRect TScreen::WorkAreaRect() { return Monitors(0)->WorkareaRect(); }

TRect TScreen::DesktopRect() {
  TRect All{};
  for (const TMonitorInfo& M : MonitorInfos()) UnionRect(All, All, M.rcMonitor);
  return All;
}

TMonitor* TScreen::MonitorFromRect(const TRect& R) {
  Enumerate();
  TMonitor* Best = FMonitors[0].get();
  Int64 BestArea = 0;
  for (auto& M : FMonitors) {
    Int64 A = OverlapArea(M->BoundsRect(), R);
    if (A > BestArea) {
      BestArea = A;
      Best = M.get();
    }
  }
  return Best;
}

TMonitor* TScreen::MonitorFromPoint(const TPoint& P) { return MonitorFromRect(Bounds(P.X, P.Y, 1, 1)); }

TMonitor* TScreen::MonitorFromWindow(HWND Wnd) {
  return IsWindow(Wnd) ? MonitorFromRect(GetWindowRect(Wnd)) : Monitors(0);
}

// ---- Cursors ----------------------------------------------------------------------------------

HCURSOR TScreen::Cursors(Integer Index) const {
  auto It = FCursors.find(Index);
  return It != FCursors.end() ? It->second : DefaultCursorHandle(Index);
}

void TScreen::SetCursors(Integer Index, HCURSOR Handle) {
  if (Handle) FCursors[Index] = Handle;
  else FCursors.erase(Index);
  if (Index == FCursor && FCursor != crDefault) ::SetCursor(Cursors(Index));
}

bool TScreen::HasCursor(Integer Index) const { return FCursors.count(Index) || IsStandardCursor(Index); }

void TScreen::SetCursor(TCursor V) {
  if (V == FCursor) return;
  FCursor = V;
  if (V == crDefault) {
    // Let the control under the mouse choose again.
    TPoint P = GetCursorPos();
    if (HWND W = WindowFromPoint(P)) SendMessage(W, WM_SETCURSOR, WPARAM(W), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    else ::SetCursor(IDC_ARROW);
    return;
  }
  ::SetCursor(Cursors(V));
}

// ---- Forms ----------------------------------------------------------------------------------

TForm* TScreen::Forms(Integer Index) const { return static_cast<TForm*>(CustomForms(Index)); }

TCustomForm* TScreen::CustomForms(Integer Index) const {
  if (Index < 0 || Index >= Integer(FForms.size()))
    ListError(SListIndexError, Index);
  return FForms[size_t(Index)];
}

TForm* TScreen::ActiveForm() const {
  return FActiveForm && FActiveForm->Is<TForm>() ? static_cast<TForm*>(FActiveForm) : nullptr;
}

void TScreen::AddForm(TCustomForm* Form) {
  if (std::find(FForms.begin(), FForms.end(), Form) == FForms.end()) FForms.push_back(Form);
}

void TScreen::RemoveForm(TCustomForm* Form) {
  FForms.erase(std::remove(FForms.begin(), FForms.end(), Form), FForms.end());
  if (FFocusedForm == Form) {
    FFocusedForm = nullptr;
    FActiveControl = nullptr;
  }
  if (FActiveForm == Form) SetActiveForm(nullptr);
}

void TScreen::SetActiveForm(TCustomForm* Form) {
  if (FActiveForm == Form) return;
  FActiveForm = Form;
  FireEvent(OnActiveFormChange, this);
}

void TScreen::SetFocusedControl(TCustomForm* Form, TWinControl* Control) {
  FFocusedForm = Form;
  if (FActiveControl == Control) return;
  FActiveControl = Control;
  FireEvent(OnActiveControlChange, this);
}

void TScreen::Notification(TComponent* AComponent, TOperation Operation) {
  TComponent::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == FActiveControl) FActiveControl = nullptr;
}

// ---- Fonts ------------------------------------------------------------------------------------

TStrings* TScreen::Fonts() {
  if (FFonts) return FFonts.get();
  auto List = std::make_unique<TStringList>();
  List->SetSorted(true);
  List->SetDuplicates(dupIgnore);
  if (FcInit()) {
    FcPattern* Pat = FcPatternCreate();
    FcObjectSet* Os = FcObjectSetBuild(FC_FAMILY, nullptr);
    if (FcFontSet* Set = FcFontList(nullptr, Pat, Os)) {
      for (int I = 0; I < Set->nfont; ++I) {
        FcChar8* Family = nullptr;
        if (FcPatternGetString(Set->fonts[I], FC_FAMILY, 0, &Family) == FcResultMatch)
          List->Add(reinterpret_cast<const char*>(Family));
      }
      FcFontSetDestroy(Set);
    }
    FcObjectSetDestroy(Os);
    FcPatternDestroy(Pat);
  }
  FFonts = std::move(List);
  return FFonts.get();
}
