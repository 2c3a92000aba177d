// IMaskTools: the edit mask engine of the masked edits. A mask compiles
// into a list of elements, one per position; text is matched, inserted
// and deleted against it.
//
// Mask language (characters are classes or switches; literal text must be
// introduced with "!"):
//   L l   letters (A-Z, a-z, the single-byte codes 168, 184, 192-255)
//   A a   letters and digits          C c  any character
//   0 9   digits
//   (upper-case letters and 0 are required, the others optional)
//   X[..] adds characters to the class; C[..] is exactly these, C(..) any
//         character but these ("#" escapes inside brackets)
//   X{n}  the element n times (0 or no valid number: none)
//   !c  !#c  ![text]  one literal, an escaped one, literal text
//   !(..)c  a flexible literal: shows c, accepts any of the parenthesised
//   <l> <u>  convert following classes to upper / lower case; </l> </u> off
// Everything else in the mask is skipped, so a mask of unknown characters
// compiles to no elements.
//
// Text is single-byte (Windows-1252), so that positions are characters;
// the masked edit converts at its boundary. Nothing here raises: a mask
// that cannot be read further simply ends there.
//
// Thread safety: plain values; no shared state.
#pragma once

#include <bitset>
#include <string>
#include <vector>

#include "platform/rtl/system.h"

// Element kinds and class flags.
enum : Byte { mkClass = 0, mkLiteral = 1 };
enum : Byte { mfLower = 1, mfUpper = 2, mfRequired = 4 };

struct TMaskElement {
  Byte Kind = mkClass;
  // The accepted characters; empty for a class means any character.
  std::bitset<256> CharSet;
  // Class: mfLower / mfUpper / mfRequired. Literal: unused.
  Byte Flags = 0;
  // Literal: the character shown.
  unsigned char Literal = 0;
  // Class: negated (accepts what is not in CharSet). Literal: flexible
  // (accepts any character of CharSet).
  bool Mode = false;

  bool IsLiteral() const { return Kind == mkLiteral; }
  bool IsRequiredClass() const { return Kind == mkClass && (Flags & mfRequired); }
  // True when the element takes C.
  bool Accepts(unsigned char C) const;
  // C converted as the element's case flags say (upper first, then lower).
  unsigned char Convert(unsigned char C) const;
  friend bool operator==(const TMaskElement&, const TMaskElement&) = default;
};

// The compiled mask: count and capacity are 16-bit; the list grows by four
// elements at a time and holds at most 65535 (further elements are left
// out). Setting the capacity to 0 releases it.
class TMaskElements {
 public:
  Word Count() const { return Word(FItems.size()); }
  Word Capacity() const { return FCapacity; }
  void SetCapacity(Word V);
  const TMaskElement& operator[](Integer I) const { return FItems[size_t(I)]; }
  // Appends E; false when the list is full.
  bool Add(const TMaskElement& E);
  void Clear() { SetCapacity(0); }
  bool Empty() const { return FItems.empty(); }
  friend bool operator==(const TMaskElements& A, const TMaskElements& B) { return A.FItems == B.FItems; }

 private:
  std::vector<TMaskElement> FItems;
  Word FCapacity = 0;
};

// Clears Elements and compiles Mask into them.
void CompileMask(const std::string& Mask, TMaskElements& Elements);

// Matches Text against Elements. NoLiterals: the text carries no literal
// characters (literal elements are skipped and counted in
// LiteralsSkipped). Complete: the text must fill every required element.
// Returns the element the successful attempt started at (leading optional
// elements may be passed over), or -1; on success Text becomes its
// case-converted form and EndElement the element after the last one used.
Integer MatchMask(std::string& Text, const TMaskElements& Elements, bool NoLiterals, bool Complete,
                  Integer& LiteralsSkipped, Integer& EndElement);
// Appends the characters of the literal elements from element From on
// (up to the first non-literal one) to Text; a caret at the end of Text
// moves along.
void MaskLeadingLiterals(const TMaskElements& Elements, Integer From, std::string& Text, Integer& Caret);
// Inserts Inserted at the caret (SelStart; a selection up to SelEnd is
// deleted first) and matches; when that fails, overwrites 1, 2 ... of the
// following characters (up to one less than Inserted's length). On
// success Text becomes the match, the caret advances past the insertion
// and the following literals; SelEnd = SelStart. True on success; without
// success Text and the selection stay as they were.
bool MaskInsert(std::string& Text, const std::string& Inserted, const TMaskElements& Elements, Integer& SelStart,
                Integer& SelEnd);
// Removes From..To-1 and, while the rest does not match, one more
// character at From. Returns the new caret (From).
Integer MaskDelete(std::string& Text, const TMaskElements& Elements, Integer From, Integer To);
// The nearest non-literal element before Index (-1 when none).
Integer MaskBackOverLiterals(Integer Index, const TMaskElements& Elements);
// Whole-text check of the masked edit: the text matches completely.
bool MaskMatchesWhole(std::string& Text, const TMaskElements& Elements);
