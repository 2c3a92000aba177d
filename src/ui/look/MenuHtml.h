// MenuHtml: owner-drawn menu items that show HTML mark-up as captions.
// TAbstractMenuHtml names the two operations a menu painter needs (draw and
// measure an item); TMenuHtml does them with the reduced renderer build,
// and MenuHtmlClass holds the drawer to use (TMenuHtml from start-up on).
// A disabled item is drawn grey; a selected one keeps the menu's highlight
// colours instead of the mark-up's; accelerator ampersands are not shown;
// long captions end with an ellipsis.
//
// Thread safety: none; GUI thread only.
#pragma once

#include <memory>

#include "platform/gui/menus.h"

class TAbstractMenuHtml {
 public:
  virtual ~TAbstractMenuHtml() = default;
  // Draws Caption of Item into Rect of Canvas; returns true.
  virtual bool Draw(TMenuItem* Item, TCanvas& Canvas, bool Selected, const String& Caption, const TRect& Rect) = 0;
  // Rect.Right := Rect.Left + text width, Rect.Bottom := Rect.Top + text
  // height, the lines at most MaxWidth wide (2000 for MaxWidth <= 0).
  virtual bool Measure(TMenuItem* Item, TCanvas& Canvas, const String& Caption, Integer MaxWidth, TRect& Rect) = 0;
};

class TMenuHtml : public TAbstractMenuHtml {
 public:
  bool Draw(TMenuItem* Item, TCanvas& Canvas, bool Selected, const String& Caption, const TRect& Rect) override;
  bool Measure(TMenuItem* Item, TCanvas& Canvas, const String& Caption, Integer MaxWidth, TRect& Rect) override;
};

// Makes the drawer that menus use; null until the menu unit starts.
using TMenuHtmlFactory = std::unique_ptr<TAbstractMenuHtml> (*)();
extern TMenuHtmlFactory MenuHtmlClass;

// The caption as the drawer shows it: a disabled item's caption in grey
// mark-up, an enabled one unchanged.
String MenuHtmlText(TMenuItem* Item, const String& Caption);
