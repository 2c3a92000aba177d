// The extra columns of the address list (TAdressExtraSetup) and the value
// of SCA.INI.
//
// The columns are stored as one text whose parts are separated by "<br>":
// part 1 a flag ("1"), part 2 a mode 0..2, part 3 a comma-separated block
// (TCSVReader) with one column per record of at least four fields: name,
// a second text, width (fallback 50, at most 400), a flag ("1") and an
// optional index (fallback -1).
//
// Thread safety: main thread only.
#pragma once

#include <memory>
#include <vector>

#include "platform/rtl/strings.h"

struct TAdressExtraColumn {
  String Name;
  String Text2;
  Integer Width = 50;
  bool Flag = false;
  TStringList Values;
  Integer Index = -1;
};

class TAdressExtraSetup {
 public:
  bool Enabled = false;
  Byte Mode = 0;
  std::vector<std::unique_ptr<TAdressExtraColumn>> Columns;
  // Replaces the columns with those of Text; an empty Text gives the five
  // built-in columns "", "Name" (width 100), "Telefon", "Fax", "Email".
  void LoadFromText(const String& Text);
};

// The singleton, made on first use.
TAdressExtraSetup* AdressExtraSetup();

// The value of SCA.INI in the program's folder ([SCA] Value, built in 100;
// also 100 when the file is missing).
Integer ReadScaValue();
