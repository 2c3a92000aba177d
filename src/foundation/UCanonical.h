// UCanonical: TCanonical, a table of 3 x 2 texts kept in ZUVID.INI in the
// program's folder, section "CANONICAL", keys "Canonical.<i><j>" (i 0..2,
// j 0..1).
//
// Thread safety: main thread only.
#pragma once

#include <array>

#include "platform/rtl/system.h"

class TCanonical {
 public:
  std::array<std::array<String, 2>, 3> Items;
  // Reads (Write false) or stores (Write true) the table; a missing file or
  // key gives "". Writing raises EFCreateError when the file cannot be
  // written.
  void ReadWrite(bool Write);
};

// The process-wide table, read from ZUVID.INI on first use.
TCanonical* Canonical();
