#include "platform/gui/stdctrls_editbuffer.h"

#include <algorithm>

#include "platform/rtl/charset.h"

std::u32string Utf8ToChars(const String& S) {
  std::u32string R;
  for (std::size_t I = 0; I < S.size();) R.push_back(Utf8Decode(S, I));
  return R;
}

String CharsToUtf8(const std::u32string& S) {
  String R;
  for (char32_t C : S) Utf8Append(R, C);
  return R;
}

String TEditBuffer::Text() const { return CharsToUtf8(FChars); }

std::u32string TEditBuffer::Convert(const String& S) const {
  switch (FCharCase) {
    case ecUpperCase: return Utf8ToChars(AnsiUpperCase(S));
    case ecLowerCase: return Utf8ToChars(AnsiLowerCase(S));
    default: return Utf8ToChars(S);
  }
}

void TEditBuffer::SetText(const String& S) {
  FChars = Convert(S);
  FAnchor = FCaret = 0;
  EmptyUndo();
}

String TEditBuffer::SelText() const { return CharsToUtf8(FChars.substr(SelStart(), SelLength())); }

void TEditBuffer::SetSel(Integer Start, Integer End) {
  FTyping = false;
  if (Start == -1) {
    FAnchor = FCaret;
    return;
  }
  if (End < 0 || End > Length()) End = Length();
  FAnchor = std::clamp(Start, 0, Length());
  FCaret = End;
}

void TEditBuffer::MoveCaret(Integer Pos, bool Extend) {
  FTyping = false;
  FCaret = std::clamp(Pos, 0, Length());
  if (!Extend) FAnchor = FCaret;
}

namespace {
bool IsWordChar(char32_t C) { return C != U' ' && C != U'\t'; }
}  // namespace

Integer TEditBuffer::WordLeft(Integer Pos) const {
  Integer P = std::clamp(Pos, 0, Length());
  while (P > 0 && !IsWordChar(FChars[P - 1])) --P;
  while (P > 0 && IsWordChar(FChars[P - 1])) --P;
  return P;
}

Integer TEditBuffer::WordRight(Integer Pos) const {
  Integer P = std::clamp(Pos, 0, Length());
  while (P < Length() && IsWordChar(FChars[P])) ++P;
  while (P < Length() && !IsWordChar(FChars[P])) ++P;
  return P;
}

void TEditBuffer::SaveUndo() {
  FUndoChars = FChars;
  FUndoAnchor = FAnchor;
  FUndoCaret = FCaret;
  FHasUndo = true;
}

bool TEditBuffer::ReplaceSel(const String& S, bool CanUndo, bool Merge) {
  std::u32string In = Convert(S);
  std::size_t Break = In.find_first_of(U"\r\n");
  if (Break != std::u32string::npos) In.resize(Break);
  if (FMaxLength > 0) {
    Integer Room = FMaxLength - (Length() - SelLength());
    if (Room < 0) Room = 0;
    if (Integer(In.size()) > Room) In.resize(Room);
  }
  if (In.empty() && SelLength() == 0) return false;
  if (CanUndo && !(Merge && FTyping)) SaveUndo();
  FTyping = Merge;
  Integer Start = SelStart();
  FChars.replace(Start, SelLength(), In);
  FAnchor = FCaret = Start + Integer(In.size());
  return true;
}

bool TEditBuffer::DeleteBack() {
  if (SelLength() == 0) {
    if (FCaret == 0) return false;
    FAnchor = FCaret - 1;
  }
  return ReplaceSel("");
}

bool TEditBuffer::DeleteForward() {
  if (SelLength() == 0) {
    if (FCaret >= Length()) return false;
    FAnchor = FCaret + 1;
  }
  return ReplaceSel("");
}

bool TEditBuffer::Undo() {
  if (!FHasUndo) return false;
  std::swap(FChars, FUndoChars);
  std::swap(FAnchor, FUndoAnchor);
  std::swap(FCaret, FUndoCaret);
  FTyping = false;
  return true;
}

void TEditBuffer::SetCharCase(TEditCharCase V) {
  FCharCase = V;
  if (V != ecNormal) FChars = Convert(CharsToUtf8(FChars));
}
