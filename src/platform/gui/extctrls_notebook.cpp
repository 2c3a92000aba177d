#include "platform/gui/extctrls_notebook.h"
#include "platform/rtl/lists.h"

#include <algorithm>

#include "platform/rtl/classreg.h"
#include "platform/rtl/events.h"
#include "platform/rtl/format.h"
#include "platform/rtl/sysutils.h"

RTL_IMPLEMENT_CLASS(TPage, TCustomControl, &ComponentFactory<TPage>)
RTL_IMPLEMENT_CLASS(TNotebook, TCustomControl, &ComponentFactory<TNotebook>)

// The notebook's Pages: one line per page, its caption.
class TNotebookPages : public TStrings {
 public:
  explicit TNotebookPages(TNotebook* Notebook) : FNotebook(Notebook) {}
  String Get(Integer Index) const override { return Page(Index)->Caption(); }
  Integer GetCount() const override { return FNotebook->PageCount(); }
  TObject* GetObject(Integer Index) const override { return Page(Index); }
  void Put(Integer Index, const String& S) override { Page(Index)->SetCaption(S); }
  void Insert(Integer Index, const String& S) override {
    auto* P = new TPage(FNotebook);
    P->SetCaption(S);
    P->SetParent(FNotebook);
    std::vector<TPage*>& L = FNotebook->FPageList;
    L.pop_back();
    L.insert(L.begin() + std::clamp<Integer>(Index, 0, Integer(L.size())), P);
    if (FNotebook->FPageIndex < 0) FNotebook->SetPageIndex(0);
    else FNotebook->ApplyPageIndex();
  }
  void Delete(Integer Index) override { delete Page(Index); }
  void Clear() override {
    while (GetCount() > 0) Delete(GetCount() - 1);
  }
  void Move(Integer CurIndex, Integer NewIndex) override {
    std::vector<TPage*>& L = FNotebook->FPageList;
    TPage* P = Page(CurIndex);
    Page(NewIndex);
    L.erase(L.begin() + CurIndex);
    L.insert(L.begin() + NewIndex, P);
  }

 private:
  TPage* Page(Integer Index) const {
    if (Index < 0 || Index >= GetCount()) throw EStringListError(ListErrorText(SListIndexError, Index));
    return FNotebook->FPageList[Index];
  }
  TNotebook* FNotebook;
};

// ---- TPage ------------------------------------------------------------------------------

TPage::TPage(TComponent* AOwner) : TCustomControl(AOwner) {
  SetControlStyle(TControlStyle{csAcceptsControls, csOpaque, csCaptureMouse, csClickEvents, csDoubleClicks});
  SetVisible(false);
  SetAlign(alClient);
}

TPage::~TPage() {
  if (FNotebook) FNotebook->PageRemoved(this);
}

void TPage::SetParent(TWinControl* AParent) {
  if (FNotebook && AParent != FNotebook) {
    TNotebook* Old = FNotebook;
    FNotebook = nullptr;
    Old->PageRemoved(this);
  }
  TCustomControl::SetParent(AParent);
  auto* NB = dynamic_cast<TNotebook*>(AParent);
  if (NB && NB != FNotebook) {
    FNotebook = NB;
    NB->PageAdded(this);
  }
}

void TPage::Paint() {
  Canvas()->Brush()->SetStyle(bsSolid);
  Canvas()->Brush()->SetColor(Color());
  Canvas()->FillRect(ClientRect());
}

// ---- TNotebook ------------------------------------------------------------------------

TNotebook::TNotebook(TComponent* AOwner) : TCustomControl(AOwner), FAccess(std::make_unique<TNotebookPages>(this)) {
  SetControlStyle(ControlStyle() + TControlStyle{csAcceptsControls});
  SetBounds(0, 0, 150, 150);
  FAccess->Add("Default");
  FDefaultPage = FPageList.front();
}

TNotebook::~TNotebook() {
  // The pages this notebook owns go with it; pages owned elsewhere only
  // forget it.
  for (TPage* P : std::vector<TPage*>(FPageList)) P->FNotebook = nullptr;
  FPageList.clear();
}

TPage* TNotebook::Page(Integer Index) const {
  return Index >= 0 && Index < PageCount() ? FPageList[Index] : nullptr;
}

void TNotebook::SetPages(TStrings* V) { FAccess->Assign(V); }

void TNotebook::PageAdded(TPage* Page) {
  // Pages read from a description replace the page made by the constructor.
  if (FDefaultPage && FDefaultPage != Page && ComponentState().Contains(csLoading)) {
    TPage* D = FDefaultPage;
    FDefaultPage = nullptr;
    delete D;
  }
  FPageList.push_back(Page);
  Page->SetVisible(PageCount() - 1 == FPageIndex);
}

void TNotebook::PageRemoved(TPage* Page) {
  if (Page == FDefaultPage) FDefaultPage = nullptr;
  auto It = std::find(FPageList.begin(), FPageList.end(), Page);
  if (It == FPageList.end()) return;
  Integer Index = Integer(It - FPageList.begin());
  FPageList.erase(It);
  if (ComponentState().Contains(csLoading) || ComponentState().Contains(csDestroying)) return;
  if (Index < FPageIndex || FPageIndex >= PageCount()) --FPageIndex;
  if (FPageIndex < 0 && PageCount() > 0) FPageIndex = 0;
  ApplyPageIndex();
}

void TNotebook::ApplyPageIndex() {
  for (Integer I = 0; I < PageCount(); ++I)
    if (I != FPageIndex) FPageList[I]->SetVisible(false);
  if (TPage* P = Page(FPageIndex)) {
    P->SetVisible(true);
    P->BringToFront();
  }
}

void TNotebook::SetPageIndex(Integer V) {
  if (ComponentState().Contains(csLoading)) {
    FPageIndex = V;
    return;
  }
  if (V == FPageIndex || V < 0 || V >= PageCount()) return;
  FPageIndex = V;
  ApplyPageIndex();
  PageChanged();
}

String TNotebook::ActivePage() const {
  TPage* P = Page(FPageIndex);
  return P ? P->Caption() : String();
}

void TNotebook::SetActivePage(const String& V) {
  for (Integer I = 0; I < PageCount(); ++I)
    if (SameText(FPageList[I]->Caption(), V)) {
      SetPageIndex(I);
      return;
    }
}

void TNotebook::ShowControl(TControl* AControl) {
  for (Integer I = 0; I < PageCount(); ++I)
    if (FPageList[I] == AControl || FPageList[I]->ContainsControl(AControl)) {
      SetPageIndex(I);
      break;
    }
  TCustomControl::ShowControl(AControl);
}

void TNotebook::PageChanged() { FireEvent(OnPageChanged, this); }

void TNotebook::Loaded() {
  TCustomControl::Loaded();
  FPageIndex = std::clamp<Integer>(FPageIndex, PageCount() ? 0 : -1, PageCount() - 1);
  ApplyPageIndex();
}

RTL_PUBLISHED(TNotebook) {
  P.Prop("PageIndex", &TNotebook::PageIndex, &TNotebook::SetPageIndex).Default(0);
  P.Prop("ActivePage", &TNotebook::ActivePage, &TNotebook::SetActivePage).Stored(false);
  P.Prop("Pages", &TNotebook::Pages, &TNotebook::SetPages).Stored(false);
  P.Field("OnPageChanged", &TNotebook::OnPageChanged);
}

[[maybe_unused]] static const bool NotebookClassesRegistered =
    (RegisterClasses({TPage::StaticClass(), TNotebook::StaticClass()}), true);
