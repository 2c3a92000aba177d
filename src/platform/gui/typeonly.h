// Classes of the class library that the program only names: code tests
// whether a control is a TCustomRichEdit (which keeps its own buffering
// and themed border) or a TToolBar (whose parent must not be
// double-buffered). They carry no behaviour beyond their ancestors'.
//
// Thread safety: none; GUI thread only.
#pragma once

#include "platform/gui/stdctrls_edit.h"

// A rich-text edit: here a plain edit with a sunken border.
class TCustomRichEdit : public TCustomEdit {
  RTL_DECLARE_CLASS(TCustomRichEdit)
 public:
  explicit TCustomRichEdit(TComponent* AOwner) : TCustomEdit(AOwner) {}
};

class TRichEdit : public TCustomRichEdit {
  RTL_DECLARE_CLASS(TRichEdit)
 public:
  explicit TRichEdit(TComponent* AOwner) : TCustomRichEdit(AOwner) {}
};

// A tool bar: a container aligned to the top of its parent.
class TToolBar : public TCustomControl {
  RTL_DECLARE_CLASS(TToolBar)
 public:
  explicit TToolBar(TComponent* AOwner) : TCustomControl(AOwner) {
    SetControlStyle(ControlStyle() + TControlStyle{csAcceptsControls});
    SetBounds(0, 0, 150, 29);
    SetAlign(alTop);
  }
};

// Metaclass records of the type-only classes (no .cpp of their own).
inline TClass TCustomRichEdit::StaticClass() {
  static const TClassInfo Info{"TCustomRichEdit", TCustomEdit::StaticClass(), &ComponentFactory<TCustomRichEdit>};
  return &Info;
}
inline TClass TRichEdit::StaticClass() {
  static const TClassInfo Info{"TRichEdit", TCustomRichEdit::StaticClass(), &ComponentFactory<TRichEdit>};
  return &Info;
}
inline TClass TToolBar::StaticClass() {
  static const TClassInfo Info{"TToolBar", TCustomControl::StaticClass(), &ComponentFactory<TToolBar>};
  return &Info;
}
