// TNotebook and TPage: a page container without tabs. Each page is a
// child control (TPage, aligned to fill the notebook) named by its
// caption; exactly the current page (PageIndex) is visible. The Pages
// string list is a live view of the pages: adding a line adds a page,
// deleting one frees its page, changing a line renames its page.
//
// A new notebook has one page, "Default". Pages read from a form
// description (objects of class TPage inside the notebook) replace that
// default page. Changing PageIndex at run time fires OnPageChanged; while
// the notebook loads the index is only stored and applied in Loaded.
//
// Thread safety: none; GUI thread only.
#pragma once

#include <memory>
#include <vector>

#include "platform/gui/extctrls.h"
#include "platform/rtl/strings.h"

class TNotebook;

class TPage : public TCustomControl {
  RTL_DECLARE_CLASS(TPage)
 public:
  // Hidden, aligned to the client area, accepts controls.
  explicit TPage(TComponent* AOwner);
  // Leaves its notebook's page list.
  ~TPage() override;
  // Joining or leaving a notebook adds the page to or takes it from its
  // page list.
  void SetParent(TWinControl* AParent) override;

 protected:
  void Paint() override;

 private:
  friend class TNotebook;
  TNotebook* FNotebook = nullptr;
};

class TNotebook : public TCustomControl {
  RTL_DECLARE_CLASS(TNotebook)
 public:
  // 150 x 150 with the page "Default".
  explicit TNotebook(TComponent* AOwner);
  ~TNotebook() override;

  // The page captions; owned by the notebook. SetPages copies the lines
  // (pages are made and freed to match).
  TStrings* Pages() const { return FAccess.get(); }
  void SetPages(TStrings* V);
  Integer PageCount() const { return Integer(FPageList.size()); }
  // The page at Index; null when out of range.
  TPage* Page(Integer Index) const;
  // -1 without pages. Setting an index out of range or the current one
  // does nothing; otherwise the page is shown, the old one hidden and
  // OnPageChanged fires.
  Integer PageIndex() const { return FPageIndex; }
  void SetPageIndex(Integer V);
  // The caption of the current page ("" without pages); setting selects
  // the first page of that caption (ignoring case), when there is one.
  String ActivePage() const;
  void SetActivePage(const String& V);
  // Brings forward the page that holds AControl.
  void ShowControl(TControl* AControl) override;

  TNotifyEvent OnPageChanged;

 protected:
  // Fires OnPageChanged.
  virtual void PageChanged();
  void Loaded() override;

 private:
  friend class TPage;
  friend class TNotebookPages;
  void PageAdded(TPage* Page);
  void PageRemoved(TPage* Page);
  // Shows the current page and hides the others.
  void ApplyPageIndex();

  std::vector<TPage*> FPageList;
  Integer FPageIndex = -1;
  TPage* FDefaultPage = nullptr;
  std::unique_ptr<TStrings> FAccess;
};
