// SB_markuplabel: the message box's HTML label.
#include "ui/look/SB_markuplabel.h"

#include "foundation/uShellEx.h"
#include "platform/rtl/classreg.h"

RTL_IMPLEMENT_CLASS(TSBHTM, TCustomMarkupLabel, &ComponentFactory<TSBHTM>)

void TSBHTM::LinkClicked(const String& Anchor) {
  if (!IsShellLink(Anchor)) return;
  String Target = Anchor;
  while (ReplaceFirstNoCase(Target, "file://", "")) {
  }
  ShellOpenDocument("open", Target, false);
  if (OnLinkClick) OnLinkClick(this);
}

[[maybe_unused]] static const bool SBHTMRegistered = (RegisterClass(TSBHTM::StaticClass()), true);
