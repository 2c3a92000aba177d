// SB_markuplabel: TSBHTM, the HTML label of the message box: the reduced
// renderer build ("&" drawn as it stands, no picture store), lines always
// wrapped at blanks, no hints. Only links with "://" or "mailto:" act: a
// "file://" prefix is dropped and the link is opened in the background by
// the shell-open worker (ShellOpenDocument); then OnLinkClick fires (the
// box closes itself there).
//
// Thread safety: none; GUI thread only. The opening runs on the worker.
#pragma once

#include "ui/look/MarkupLabel.h"

class TSBHTM : public TCustomMarkupLabel {
  RTL_DECLARE_CLASS(TSBHTM)
 public:
  explicit TSBHTM(TComponent* AOwner) : TCustomMarkupLabel(AOwner, THtmlBuild::Reduced) {}
  // Fired after a link has been handed to the shell.
  TNotifyEvent OnLinkClick;

 protected:
  void LinkClicked(const String& Anchor) override;
};
