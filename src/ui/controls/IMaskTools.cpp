// IMaskTools: mask compiler and matcher.
#include "ui/controls/IMaskTools.h"

#include <algorithm>
#include <limits>

namespace {

using TCharSet = std::bitset<256>;

TCharSet Range(unsigned char From, unsigned char To) {
  TCharSet S;
  for (unsigned C = From; C <= To; ++C) S.set(C);
  return S;
}
const TCharSet& Letters() {
  static const TCharSet S = Range('A', 'Z') | Range('a', 'z') | Range(192, 255) | Range(168, 168) | Range(184, 184);
  return S;
}
const TCharSet& Digits() {
  static const TCharSet S = Range('0', '9');
  return S;
}

bool IsUpperByte(unsigned char C) { return (C >= 'A' && C <= 'Z') || (C >= 192 && C <= 222 && C != 215) || C == 168; }
bool IsLowerByte(unsigned char C) { return (C >= 'a' && C <= 'z') || (C >= 224 && C <= 254 && C != 247) || C == 184; }
unsigned char ToUpperByte(unsigned char C) { return IsLowerByte(C) ? (C == 184 ? 168 : C - 32) : C; }
unsigned char ToLowerByte(unsigned char C) { return IsUpperByte(C) ? (C == 168 ? 184 : C + 32) : C; }

// Reads the characters of a bracket that opened at Mask[I - 1] up to
// Close ("#" escapes the next one). False when the bracket is not closed.
bool ReadBracket(const std::string& Mask, size_t& I, char Close, std::string& Out) {
  Out.clear();
  while (I < Mask.size()) {
    char C = Mask[I++];
    if (C == Close) return true;
    if (C == '#') {
      if (I >= Mask.size()) return false;
      C = Mask[I++];
    }
    Out += C;
  }
  return false;
}

TMaskElement LiteralOf(unsigned char C) {
  TMaskElement E;
  E.Kind = mkLiteral;
  E.Literal = C;
  E.CharSet.set(C);
  return E;
}

class TMaskCompiler {
 public:
  TMaskCompiler(const std::string& Mask, TMaskElements& Out) : FMask(Mask), FOut(Out) {}

  void Run() {
    while (FI < FMask.size()) {
      char C = FMask[FI++];
      bool Go = true;
      switch (C) {
        case 'L': case 'l': case 'A': case 'a': case 'C': case 'c': case '0': case '9': Go = Class(C); break;
        case '!': Go = Literal(); break;
        case '<': CaseSwitch(); break;
        default: break;  // anything else is skipped
      }
      if (!Go) return;
    }
  }

 private:
  bool Class(char Letter) {
    TMaskElement E;
    switch (Letter) {
      case 'L': case 'l': E.CharSet = Letters(); break;
      case 'A': case 'a': E.CharSet = Letters() | Digits(); break;
      case '0': case '9': E.CharSet = Digits(); break;
      default: break;  // C, c: any character
    }
    E.Flags = FCase | ((Letter >= 'A' && Letter <= 'Z') || Letter == '0' ? mfRequired : 0);
    bool AnyClass = Letter == 'C' || Letter == 'c';
    if (FI < FMask.size() && (FMask[FI] == '[' || FMask[FI] == '(')) {
      char Open = FMask[FI++];
      std::string Chars;
      if (!ReadBracket(FMask, FI, Open == '[' ? ']' : ')', Chars)) return false;
      TCharSet Set;
      for (char Ch : Chars) Set.set((unsigned char)Ch);
      if (AnyClass) {
        E.CharSet = Set;
        E.Mode = Open == '(';
      } else {
        E.CharSet |= Set;
      }
    }
    long long Times = 1;
    if (FI < FMask.size() && FMask[FI] == '{') {
      size_t Close = FMask.find('}', FI + 1);
      if (Close == std::string::npos) return false;
      std::string Digits = FMask.substr(FI + 1, Close - FI - 1);
      FI = Close + 1;
      Times = 0;
      bool Valid = !Digits.empty() && Digits.size() <= 9;
      for (char D : Digits) Valid = Valid && D >= '0' && D <= '9';
      if (Valid) Times = std::stoll(Digits);
    }
    for (long long K = 0; K < Times; ++K)
      if (!FOut.Add(E)) return false;
    return true;
  }

  bool Literal() {
    if (FI >= FMask.size()) return false;
    char C = FMask[FI++];
    std::string Chars;
    switch (C) {
      case '#':
        if (FI >= FMask.size()) return false;
        return FOut.Add(LiteralOf((unsigned char)FMask[FI++]));
      case '[':
        if (!ReadBracket(FMask, FI, ']', Chars)) return false;
        for (char Ch : Chars)
          if (!FOut.Add(LiteralOf((unsigned char)Ch))) return false;
        return true;
      case '(': {
        if (!ReadBracket(FMask, FI, ')', Chars)) return false;
        if (FI >= FMask.size()) return false;  // nothing follows: nothing added
        TMaskElement E = LiteralOf((unsigned char)FMask[FI++]);
        E.Mode = true;
        // The shown character stays acceptable, so that text the edit
        // filled in itself matches again.
        for (char Ch : Chars) E.CharSet.set((unsigned char)Ch);
        return FOut.Add(E);
      }
      default: return FOut.Add(LiteralOf((unsigned char)C));
    }
  }

  void CaseSwitch() {
    bool Off = false;
    while (FI < FMask.size()) {
      char C = FMask[FI++];
      if (C == '>') return;
      if (C == '/') Off = true;
      else if (C == 'l') FCase = Off ? FCase & ~mfUpper : FCase | mfUpper;
      else if (C == 'u') FCase = Off ? FCase & ~mfLower : FCase | mfLower;
    }
  }

  const std::string& FMask;
  TMaskElements& FOut;
  size_t FI = 0;
  Byte FCase = 0;
};

// One attempt from element Start. Returns 1 success (Start: the start
// element as it ended up), 0 fail, -1 retry from the element given back
// in Start.
int Attempt(const std::string& Text, const TMaskElements& E, bool NoLiterals, bool Complete, Integer& Start,
            std::string& Out, Integer& Skipped, Integer& End) {
  Integer Count = E.Count(), S = Start, I = S;
  size_t T = 0;
  Out.clear();
  Skipped = 0;
  auto Retry = [&]() {
    Start = S + 1;
    return -1;
  };
  while (T < Text.size() && I < Count) {
    if (NoLiterals && E[I].IsLiteral()) {
      ++I;
      ++Skipped;
      continue;
    }
    unsigned char C = (unsigned char)Text[T];
    if (E[I].Accepts(C)) {
      Out += char(E[I].Convert(C));
      ++T;
      ++I;
    } else if (E[I].IsRequiredClass()) {
      if (E[S].IsRequiredClass()) return 0;
      return Retry();
    } else {
      ++I;
      if (S == 0) S = 1;
    }
  }
  End = I;
  if (T < Text.size()) return 0;
  Start = S;
  if (I >= Count || !Complete) return 1;
  while (I < Count && !E[I].IsRequiredClass()) ++I;
  if (I >= Count) return 1;
  if (E[S].IsRequiredClass() || E[S].IsLiteral()) return 0;
  return Retry();
}

}  // namespace

bool TMaskElement::Accepts(unsigned char C) const {
  if (Kind == mkLiteral) return Mode ? CharSet.test(C) : C == Literal;
  if (CharSet.none()) return true;
  return CharSet.test(C) != Mode;
}

unsigned char TMaskElement::Convert(unsigned char C) const {
  if (Kind != mkClass) return C;
  if (Flags & mfUpper) C = ToUpperByte(C);
  if (Flags & mfLower) C = ToLowerByte(C);
  return C;
}

void TMaskElements::SetCapacity(Word V) {
  if (V < FItems.size()) FItems.resize(V);
  FCapacity = V;
  if (V == 0) std::vector<TMaskElement>().swap(FItems);
}

bool TMaskElements::Add(const TMaskElement& E) {
  if (FItems.size() >= std::numeric_limits<Word>::max()) return false;
  if (FItems.size() >= FCapacity) SetCapacity(Word(std::min<size_t>(size_t(FCapacity) + 4, std::numeric_limits<Word>::max())));
  FItems.push_back(E);
  return true;
}

void CompileMask(const std::string& Mask, TMaskElements& Elements) {
  Elements.Clear();
  TMaskCompiler(Mask, Elements).Run();
}

Integer MatchMask(std::string& Text, const TMaskElements& Elements, bool NoLiterals, bool Complete,
                  Integer& LiteralsSkipped, Integer& EndElement) {
  Integer Count = Elements.Count();
  std::string Out;
  // Each retry starts one element later, so the attempts end.
  for (Integer Start = 0; Start < std::max<Integer>(Count, 1);) {
    Integer From = Start, Skipped = 0, End = 0;
    if (Count == 0) {
      if (!Text.empty()) return -1;
      LiteralsSkipped = 0;
      EndElement = 0;
      return 0;
    }
    int R = Attempt(Text, Elements, NoLiterals, Complete, From, Out, Skipped, End);
    if (R == 0) return -1;
    if (R == 1) {
      Text = Out;
      LiteralsSkipped = Skipped;
      EndElement = End;
      return From;
    }
    Start = From;
  }
  return -1;
}

void MaskLeadingLiterals(const TMaskElements& Elements, Integer From, std::string& Text, Integer& Caret) {
  bool AtEnd = Caret >= Integer(Text.size());
  Integer I = std::max<Integer>(From, 0);
  for (; I < Elements.Count() && Elements[I].IsLiteral(); ++I) {
    Text += char(Elements[I].Literal);
    if (AtEnd) ++Caret;
  }
}

bool MaskInsert(std::string& Text, const std::string& Inserted, const TMaskElements& Elements, Integer& SelStart,
                Integer& SelEnd) {
  Integer Len = Integer(Text.size());
  Integer Start = std::clamp<Integer>(SelStart, 0, Len);
  Integer Stop = std::clamp<Integer>(SelEnd, Start, Len);
  std::string Base = Text;
  Base.erase(size_t(Start), size_t(Stop - Start));
  Integer Tries = std::max<Integer>(Integer(Inserted.size()) - 1, 0);
  for (Integer Over = 0; Over <= Tries; ++Over) {
    std::string Candidate = Base.substr(0, size_t(Start)) + Inserted;
    if (size_t(Start + Over) < Base.size()) Candidate += Base.substr(size_t(Start + Over));
    else if (Over > 0) break;  // nothing left to overwrite
    Integer Skipped, End;
    if (MatchMask(Candidate, Elements, false, false, Skipped, End) < 0) continue;
    Text = Candidate;
    SelStart = Start + Integer(Inserted.size());
    MaskLeadingLiterals(Elements, End, Text, SelStart);
    SelEnd = SelStart;
    return true;
  }
  return false;
}

Integer MaskDelete(std::string& Text, const TMaskElements& Elements, Integer From, Integer To) {
  Integer Len = Integer(Text.size());
  From = std::clamp<Integer>(From, 0, Len);
  To = std::clamp<Integer>(To, From, Len);
  Text.erase(size_t(From), size_t(To - From));
  for (;;) {
    std::string Probe = Text;
    Integer Skipped, End;
    if (Text.empty() || MatchMask(Probe, Elements, false, false, Skipped, End) >= 0) break;
    if (size_t(From) >= Text.size()) break;  // nothing after the position to remove
    Text.erase(size_t(From), 1);
  }
  return From;
}

Integer MaskBackOverLiterals(Integer Index, const TMaskElements& Elements) {
  Integer I = std::min<Integer>(Index, Elements.Count()) - 1;
  while (I >= 0 && Elements[I].IsLiteral()) --I;
  return I;
}

bool MaskMatchesWhole(std::string& Text, const TMaskElements& Elements) {
  Integer Skipped, End;
  return MatchMask(Text, Elements, false, true, Skipped, End) >= 0;
}
