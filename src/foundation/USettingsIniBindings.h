// The keys of ZUVID.INI bound to the fields of TSettings: one table that
// LoadFromIni reads and SaveToIni writes (USettingsIni.cpp).
//
// Thread safety: main thread only.
#pragma once

#include <optional>
#include <vector>

#include "platform/rtl/system.h"

class TSettings;

enum TIniBindingKind {
  ibText,    // text
  ibLines,   // multi-line text, Sep in place of each line break
  ibQuoted,  // text written in double quotes, unquoted on reading
  ibPath,    // folder text given a trailing delimiter on reading
  ibInt,     // integer, clamped to Min..Max when Min <= Max
  ibBool,    // the class library's boolean form
  ibBit,     // one bit (Mask) of a byte, as a boolean
  ibColor,   // colour name or "$" number
  ibStyle,   // font style words
  ibTime     // time text; 9:00 when unreadable
};

struct TIniBinding {
  const char* Section;
  String Key;
  TIniBindingKind Kind;
  Integer Group;  // save group bit (0: never written)
  String* Text = nullptr;
  Integer* Int = nullptr;
  bool* Bool = nullptr;
  Byte* Bits = nullptr;
  TDateTime* Time = nullptr;
  Integer Min = 1, Max = 0;
  // ibInt: the value of a missing key; without one the field keeps what
  // it holds (its built-in default).
  std::optional<Integer> Default{};
  // ibInt: read into this many integers from Int on (a whole array).
  Integer Count = 1;
  Byte Mask = 0;
  const char* Sep = "";
  bool EmptyDefault = false;  // a missing key gives "" rather than the current text
};

// The bindings of S in writing order (groups 4, 16, 8, 1, 2). COPIES
// Dokument (group 0, never written) sets the copy count of all 14 document
// kinds and comes before the 14 counts of PRINTERS, which replace it: each
// of those is 1 when its key is missing.
std::vector<TIniBinding> IniBindings(TSettings& S);
