// Menus: TMenuItem (a command or a sub-menu, in a tree), TMenu (the root
// of such a tree), TMainMenu (a form's menu) and TPopupMenu (a menu that
// pops up at a desktop point, for example for a right click on a control
// whose PopupMenu it is).
//
// A popped-up menu is a top-level popup window that takes no activation.
// Popup runs the menu's own message loop until the user chose an item
// (the item's Click runs after the window is gone) or cancelled: a left
// click on an enabled item chooses it, a click outside cancels; Up/Down
// move the selection over enabled items (wrapping), Right or Enter on an
// item with sub-items opens its sub-menu beside it, Left and Escape close
// the innermost menu, Enter chooses, and a letter chooses the item whose
// caption marks that letter with "&" (or, without marks, starts with it).
//
// Owner draw: with the menu's OwnerDraw set, an item measures itself
// through OnMeasureItem (width and height preset to the default size) and
// draws itself through OnAdvancedDrawItem (with the state) or else
// OnDrawItem (with Selected); without handlers, or without OwnerDraw, the
// menu draws the item: highlight colours when selected, grey when
// disabled, a check mark when checked, the caption with its "&" letter
// underlined, the short cut right-aligned, an arrow for sub-menus, and an
// etched line for a "-" caption.
//
// Thread safety: none; GUI thread only.
#pragma once

#include <functional>
#include <memory>
#include <vector>

#include "platform/gui/controls.h"
#include "platform/gui/stdctrls_listbox.h"

class TMenu;
class TMenuItem;

using TMenuDrawItemEvent = std::function<void(TObject* Sender, TCanvas* ACanvas, TRect ARect, bool Selected)>;
using TAdvancedMenuDrawItemEvent =
    std::function<void(TObject* Sender, TCanvas* ACanvas, TRect ARect, TOwnerDrawState State)>;
using TMenuMeasureItemEvent = std::function<void(TObject* Sender, TCanvas* ACanvas, Integer& Width, Integer& Height)>;

// A key with modifiers as the class library packs it: the virtual key in
// the low byte, scShift / scCtrl / scAlt above.
using TShortCut = Word;
enum : TShortCut { scShift = 0x2000, scCtrl = 0x4000, scAlt = 0x8000, scNone = 0 };
TShortCut ShortCut(Word Key, TShiftState Shift);
// "Strg+S", "Umsch+F2", "Alt+X", "Entf" ... ("" for scNone).
String ShortCutToText(TShortCut ShortCut);

class TMenuItem : public TComponent {
  RTL_DECLARE_CLASS(TMenuItem)
 public:
  explicit TMenuItem(TComponent* AOwner);
  // Frees the sub-items and leaves the parent item.
  ~TMenuItem() override;

  // ---- Tree ---------------------------------------------------------------------------
  Integer Count() const { return Integer(FItems.size()); }
  // Raises EMenuError "Menüindex außerhalb des zulässigen Bereichs" for a bad index.
  TMenuItem* Items(Integer Index) const;
  TMenuItem* Parent() const { return FParent; }
  // The menu the item's tree belongs to (null while it hangs nowhere).
  TMenu* GetParentMenu() const;
  // Takes Item as the last (Index-th) sub-item; the parent item frees it
  // with itself (an item with an owner may also go first with its owner). Raises EMenuError "Menü wurde doppelt eingefügt" when
  // Item already has a parent.
  void Add(TMenuItem* Item);
  void Insert(Integer Index, TMenuItem* Item);
  // Takes the sub-item out without freeing it (the caller owns it).
  void Remove(TMenuItem* Item);
  // Frees the sub-item at Index.
  void Delete(Integer Index);
  void Clear();
  Integer IndexOf(const TMenuItem* Item) const;
  // The sub-item whose caption (without "&") matches, or null.
  TMenuItem* Find(const String& ACaption) const;
  Integer MenuIndex() const { return FParent ? FParent->IndexOf(this) : -1; }
  // True for a separator (caption "-").
  bool IsLine() const { return FCaption == "-"; }

  // ---- Properties ---------------------------------------------------------------------
  const String& Caption() const { return FCaption; }
  void SetCaption(const String& V) { FCaption = V; }
  bool Checked() const { return FChecked; }
  // Checking a radio item unchecks the other radio items of its group.
  void SetChecked(bool V);
  bool Enabled() const { return FEnabled; }
  void SetEnabled(bool V) { FEnabled = V; }
  bool Visible() const { return FVisible; }
  void SetVisible(bool V) { FVisible = V; }
  bool Default() const { return FDefault; }
  void SetDefault(bool V) { FDefault = V; }
  bool RadioItem() const { return FRadioItem; }
  void SetRadioItem(bool V) { FRadioItem = V; }
  Byte GroupIndex() const { return FGroupIndex; }
  void SetGroupIndex(Byte V) { FGroupIndex = V; }
  TShortCut ShortCut() const { return FShortCut; }
  void SetShortCut(TShortCut V) { FShortCut = V; }
  const String& Hint() const { return FHint; }
  void SetHint(const String& V) { FHint = V; }
  Integer ImageIndex() const { return FImageIndex; }
  void SetImageIndex(Integer V) { FImageIndex = V; }
  bool AutoCheck() const { return FAutoCheck; }
  void SetAutoCheck(bool V) { FAutoCheck = V; }

  // What choosing the item does: AutoCheck toggles Checked, then OnClick.
  virtual void Click();

  TNotifyEvent OnClick;
  TMenuDrawItemEvent OnDrawItem;
  TAdvancedMenuDrawItemEvent OnAdvancedDrawItem;
  TMenuMeasureItemEvent OnMeasureItem;

  // The form reader puts items read inside an item under it.
  bool HasParent() const override { return true; }
  TComponent* GetParentComponent() const override;
  void SetParentComponent(TComponent* Value) override;
  void GetChildren(const std::function<void(TComponent*)>& Proc, TComponent* Root) override;

 private:
  TMenuItem* FParent = nullptr;
  TMenu* FMenu = nullptr;  // set on a menu's root item
  std::vector<TMenuItem*> FItems;  // freed with this item (or by their owner)
  String FCaption;
  bool FChecked = false, FEnabled = true, FVisible = true, FDefault = false;
  bool FRadioItem = false, FAutoCheck = false;
  Byte FGroupIndex = 0;
  TShortCut FShortCut = scNone;
  String FHint;
  Integer FImageIndex = -1;

  friend class TMenu;
};

class TMenu : public TComponent {
  RTL_DECLARE_CLASS(TMenu)
 public:
  explicit TMenu(TComponent* AOwner);
  ~TMenu() override;
  // The root item, owned by the menu; its sub-items are the menu's items.
  TMenuItem* Items() const { return FItems.get(); }
  bool OwnerDraw() const { return FOwnerDraw; }
  void SetOwnerDraw(bool V) { FOwnerDraw = V; }
  // The item (anywhere in the tree) with the short cut, or null.
  TMenuItem* FindItemByShortCut(TShortCut AShortCut) const;
  // Runs the item with the short cut of Key and Shift; true when one ran.
  bool IsShortCut(Word Key, TShiftState Shift);
  void GetChildren(const std::function<void(TComponent*)>& Proc, TComponent* Root) override;

 private:
  std::unique_ptr<TMenuItem> FItems;
  bool FOwnerDraw = false;
};

// A form's menu. The form shows no menu bar; the items serve their short
// cuts and can be popped up like a popup menu's.
class TMainMenu : public TMenu {
  RTL_DECLARE_CLASS(TMainMenu)
 public:
  explicit TMainMenu(TComponent* AOwner) : TMenu(AOwner) {}
};

RTL_ENUM(TPopupAlignment, paLeft, paRight, paCenter);

class TPopupMenu : public TMenu {
  RTL_DECLARE_CLASS(TPopupMenu)
 public:
  explicit TPopupMenu(TComponent* AOwner);
  ~TPopupMenu() override;
  // Shows the menu at desktop point (X, Y) (Alignment says which edge
  // lies there; kept on the monitor), raises OnPopup first, and returns
  // when the user chose an item or cancelled. The chosen item's Click
  // runs before Popup returns.
  virtual void Popup(Integer X, Integer Y);
  // Closes a showing menu without choice (for code that must break off).
  void CloseMenu();
  // The control the menu popped up for (set by the right-click handling).
  TComponent* PopupComponent() const { return FPopupComponent; }
  void SetPopupComponent(TComponent* V) { FPopupComponent = V; }
  // Pops up on a right click on the control that has it as PopupMenu.
  bool AutoPopup() const { return FAutoPopup; }
  void SetAutoPopup(bool V) { FAutoPopup = V; }
  TPopupAlignment Alignment() const { return FAlignment; }
  void SetAlignment(TPopupAlignment V) { FAlignment = V; }
  // The item chosen in the last Popup, or null when it was cancelled.
  TMenuItem* LastChosen() const { return FLastChosen; }
  // True while the menu shows.
  bool Showing() const { return FShowing; }

  TNotifyEvent OnPopup;

 protected:
  void Notification(TComponent* AComponent, TOperation Operation) override;

 private:
  TComponent* FPopupComponent = nullptr;
  bool FAutoPopup = true;
  TPopupAlignment FAlignment = paLeft;
  TMenuItem* FLastChosen = nullptr;
  bool FShowing = false;
  bool FCloseRequested = false;

  friend class TMenuTracker;
};

RTL_DECLARE_EXCEPTION(EMenuError, Exception)
