#include "ui/controls/MaskSearch.h"

#include "platform/rtl/charset.h"

namespace {

// True when Piece (with "?" for any one character) matches Name at Pos.
bool PieceAt(const String& Name, size_t Pos, const String& Piece) {
  if (Pos + Piece.size() > Name.size()) return false;
  for (size_t K = 0; K < Piece.size(); ++K)
    if (Piece[K] != '?' && Piece[K] != Name[Pos + K]) return false;
  return true;
}

// Splits at '*' (empty pieces kept, so a leading or trailing '*' shows).
std::vector<String> Pieces(const String& Mask) {
  std::vector<String> Out(1);
  for (char C : Mask) {
    if (C == '*') Out.emplace_back();
    else Out.back() += C;
  }
  return Out;
}

}  // namespace

void SplitMaskList(const String& MaskText, TStrings* Masks) {
  Masks->Clear();
  String Text = MaskText.empty() ? String("*") : MaskText;
  if (Text.back() != ';') Text += ';';
  String Piece;
  for (char C : Text) {
    if (C != ';') {
      Piece += C;
      continue;
    }
    if (!Piece.empty()) Masks->Add(AnsiLowerCase(Piece));
    Piece.clear();
  }
  if (Masks->Count() == 0) Masks->Add("*");
}

bool MatchesFileMask(const String& Name, const String& Mask) {
  if (Mask == "*") return true;
  if (Mask == "*.*") return Name.find('.') != String::npos;
  if (Mask.find_first_of("*?") == String::npos) return Mask == Name;
  std::vector<String> P = Pieces(Mask);
  // The first piece is tied to the start, the last to the end; those
  // between are found left to right, each after the one before.
  if (P.size() == 1) return Name.size() == P[0].size() && PieceAt(Name, 0, P[0]);
  if (!PieceAt(Name, 0, P.front())) return false;
  size_t Pos = P.front().size();
  const String& Last = P.back();
  if (Name.size() < Last.size() || Name.size() - Last.size() < Pos) return false;
  size_t End = Name.size() - Last.size();
  if (!PieceAt(Name, End, Last)) return false;
  for (size_t K = 1; K + 1 < P.size(); ++K) {
    while (Pos + P[K].size() <= End && !PieceAt(Name, Pos, P[K])) ++Pos;
    if (Pos + P[K].size() > End) return false;
    Pos += P[K].size();
  }
  return true;
}

bool MatchesMaskList(const String& Name, const TStrings* Masks) {
  String N = AnsiLowerCase(Name);
  // The appended dot lets "*.*" and "*." take a name without extension;
  // a plain mask still takes the name as it is.
  bool Dotless = N.find('.') == String::npos;
  for (Integer K = 0; K < Masks->Count(); ++K)
    if (MatchesFileMask(Dotless ? N + '.' : N, Masks->Strings(K)) || (Dotless && MatchesFileMask(N, Masks->Strings(K))))
      return true;
  return false;
}
