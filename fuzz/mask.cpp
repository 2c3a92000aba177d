// Fuzzes the edit mask engine: any mask compiles, and matching, inserting
// and deleting any text against it ends with the caret inside the text.
// Input: one byte giving the mask's length, the mask, then the text.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "ui/controls/IMaskTools.h"

namespace {
// Matching retries once per leading element, so very long masks against
// long texts take quadratic time by design; keep each run short.
constexpr Integer MaxElements = 2000;
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
  if (Size < 1) return 0;
  std::size_t MaskLen = std::min<std::size_t>(Data[0], Size - 1);
  std::string Mask(reinterpret_cast<const char*>(Data + 1), MaskLen);
  std::string Text(reinterpret_cast<const char*>(Data + 1 + MaskLen), Size - 1 - MaskLen);
  if (Text.size() > 512) Text.resize(512);
  TMaskElements E;
  CompileMask(Mask, E);
  if (E.Count() > MaxElements) return 0;
  for (int Flags = 0; Flags < 4; ++Flags) {
    std::string T = Text;
    Integer Skipped = -1, End = -1;
    Integer Start = MatchMask(T, E, Flags & 1, Flags & 2, Skipped, End);
    if (Start >= 0 && (T.size() != Text.size() || End > E.Count() || Skipped < 0)) std::abort();
    if (Start < 0 && T != Text) std::abort();
  }
  // Type the text character by character, then delete from the middle.
  std::string Typed;
  Integer Caret = 0;
  for (char C : Text.substr(0, 64)) {
    Integer SelEnd = Caret;
    MaskInsert(Typed, std::string(1, C), E, Caret, SelEnd);
    if (Caret < 0 || Caret > Integer(Typed.size()) || SelEnd != Caret) std::abort();
  }
  Integer To = Integer(Typed.size());
  Integer At = MaskDelete(Typed, E, To / 2, To);
  if (At < 0 || At > Integer(Typed.size()) + 1) std::abort();
  if (MaskBackOverLiterals(At, E) >= At && At > 0) std::abort();
  return 0;
}
