// UBookKontos: the business application's chart of money and booking
// accounts with their tax kinds.
//
// TCtKontoStack holds a built-in default chart (25 money accounts, 50
// revenue accounts, 100 expense accounts) that the user's settings row
// (setup.OAT, Ident 16012) overrides entry by entry; loading never adds
// entries. The entries live in a TCtVector sorted by ID; each vector item
// is a pointer to a heap entry that the vector's handler frees.
//
// Thread safety: main thread only; the singleton is unguarded.
#pragma once

#include <array>
#include <memory>

#include "foundation/CtContainers.h"

class TStrings;

// Kinds of an account.
constexpr Byte kkMoney = 0;
constexpr Byte kkRevenue = 1;
constexpr Byte kkExpense = 2;

// One account entry.
struct TKontoEntry {
  Word ID = 0;
  String Name;
  Byte Kind = kkMoney;
  std::array<String, 3> Numbers;  // full tax, half tax, no tax (<= 4 characters)
  bool Active = false;
  Byte TaxKind = 0;  // 0..3
  Byte Option = 0;   // 0..1
  bool Flags[2] = {false, false};
};

class TCtKontoStack : public TObject {
 public:
  TCtKontoStack();
  ~TCtKontoStack() override;

  // Binary search by ID: True with Index of the entry, else False and
  // Index -1. With Fallback, an absent ID or an entry of another kind than
  // Kind is replaced by the search for the default ID of Kind.
  bool Find(Word ID, Integer& Index, Byte Kind, bool Fallback) const;
  // Inserts a copy of Entry with Kind (';' removed from its name) at its
  // sorted place, only when its ID is not present yet; returns whether it
  // was inserted.
  bool Add(const TKontoEntry& Entry, Byte Kind);
  // Frees every entry, then adds the built-in chart (sorted by ID).
  void Reset();
  // Applies the user's lines "ID;Name;Active;Nr1;Nr2;Nr3;TaxKind;Option;Flags"
  // to existing entries; unknown IDs are ignored.
  void Load(const TStrings& Lines);
  // Removes every entry (the default IDs stay).
  void Clear();

  Integer Count() const;
  // The entry at Index (0..Count-1); raises the list-index error outside.
  TKontoEntry& Items(Integer Index) const;
  // The ID of the first built-in entry of Kind (0, 1 or 2).
  Word DefaultID(Byte Kind) const { return FDefaultIDs[Kind > 2 ? 0 : Kind]; }

 private:
  void AddBuiltIn(Word ID, const String& Name, Byte Kind, bool Active, const String& N1,
                  const String& N2, const String& N3, Byte TaxKind);
  void ApplyLine(const String& Line);
  std::unique_ptr<TCtItemHandler> FHandler;
  std::unique_ptr<TCtVector> FItems;
  std::array<Word, 3> FDefaultIDs{0, 100, 200};
};

// The process-wide account stack, created on first use, freed at exit.
TCtKontoStack* KontoStack();

// Display texts of the unit.
extern const char* const KontoTaxKindTexts[3];      // "Volle Steuer" ...
extern const char* const KontoBookingKindTexts[3];  // "Geld-Bewegung" ...
extern const char* const KontoTaxEntryTexts[4];     // ... "Variable Eingabe"
