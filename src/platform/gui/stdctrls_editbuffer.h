// The text model of a single-line edit: the characters, the selection
// (an anchor and the caret), the length limit, the character case and one
// step of undo. It knows nothing of windows, drawing or the clipboard:
// TCustomEdit (stdctrls_edit.h) drives it from keys, messages and the
// mouse, and draws what it holds.
//
// Positions are character indexes from 0 to Length(); the selection runs
// from min(Anchor, Caret) to max(Anchor, Caret).
//
// Thread safety: none; a buffer belongs to its edit.
#pragma once

#include <string>

#include "platform/rtl/typinfo.h"

// How an edit converts the characters that come in.
RTL_ENUM(TEditCharCase, ecNormal, ecUpperCase, ecLowerCase);

class TEditBuffer {
 public:
  // ---- Text ----------------------------------------------------------------
  String Text() const;
  const std::u32string& Chars() const { return FChars; }
  Integer Length() const { return Integer(FChars.size()); }
  // Replaces the whole text (converted to the character case, not cut to
  // the limit), puts the caret at 0 without selection and forgets undo.
  void SetText(const String& S);

  // ---- Selection -----------------------------------------------------------
  Integer Caret() const { return FCaret; }
  Integer Anchor() const { return FAnchor; }
  Integer SelStart() const { return FAnchor < FCaret ? FAnchor : FCaret; }
  Integer SelEnd() const { return FAnchor < FCaret ? FCaret : FAnchor; }
  Integer SelLength() const { return SelEnd() - SelStart(); }
  String SelText() const;
  // Selects Start..End (clamped; End -1 means the end of the text; Start -1
  // removes the selection and keeps the caret). The caret goes to End.
  void SetSel(Integer Start, Integer End);
  // Moves the caret to Pos (clamped); with Extend the anchor stays.
  void MoveCaret(Integer Pos, bool Extend);
  // The start of the word left of Pos / of the next word right of Pos.
  Integer WordLeft(Integer Pos) const;
  Integer WordRight(Integer Pos) const;

  // ---- Editing (each returns true when the text changed) ---------------------
  // Replaces the selection by S: converted to the character case, cut at
  // its first line break and to what the limit leaves room for. With
  // CanUndo the previous state becomes the undo step; with Merge a run of
  // typed characters shares one undo step.
  bool ReplaceSel(const String& S, bool CanUndo = true, bool Merge = false);
  // Deletes the selection, else the character before (Backspace) or at
  // (Delete) the caret.
  bool DeleteBack();
  bool DeleteForward();
  // Ends a run of typing, so that the next character starts a new undo step.
  void BreakUndoRun() { FTyping = false; }

  // ---- Undo ------------------------------------------------------------------
  bool CanUndo() const { return FHasUndo; }
  // Swaps the text and selection with the undo step (a second Undo redoes).
  bool Undo();
  void EmptyUndo() { FHasUndo = false; FTyping = false; }

  // ---- Settings --------------------------------------------------------------
  // 0: no limit.
  Integer MaxLength() const { return FMaxLength; }
  void SetMaxLength(Integer V) { FMaxLength = V < 0 ? 0 : V; }
  TEditCharCase CharCase() const { return FCharCase; }
  // Converts the present text too.
  void SetCharCase(TEditCharCase V);

 private:
  std::u32string Convert(const String& S) const;
  void SaveUndo();

  std::u32string FChars;
  Integer FAnchor = 0, FCaret = 0;
  Integer FMaxLength = 0;
  TEditCharCase FCharCase = ecNormal;
  std::u32string FUndoChars;
  Integer FUndoAnchor = 0, FUndoCaret = 0;
  bool FHasUndo = false;
  bool FTyping = false;
};

// UTF-8 <-> code points.
std::u32string Utf8ToChars(const String& S);
String CharsToUtf8(const std::u32string& S);
