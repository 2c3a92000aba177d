// Texts the data grid reads from outside: the look files' "AdjustGrid"
// value ("N F") and title captions split into lines. Nothing may crash,
// and what comes out stays within its stated bounds.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "ui/controls/IDBGrids.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
  String Text(reinterpret_cast<const char*>(Data), Size);
  Integer N = 0;
  double F = 1;
  if (TI_CustomDBGrid::ParseAdjustGrid(Text, N, F)) {
    if (N < 1 || N > 200 || !(F > 0) || F > 20) std::abort();
    for (Integer Ppi : {72, 96, 120, 144}) {
      // A screen of fewer than 96 pixels per inch scales the size up by
      // 96 / Ppi (each step rounded), never down; F zooms it.
      const double Screen = std::max(1.0, 96.0 / Ppi);
      Integer S = TI_CustomDBGrid::AdjustedFontSize(N, F, Ppi);
      if (S < N || S > std::max<double>(N, N * Screen * F + F)) std::abort();
    }
  }
  size_t Total = 0;
  for (const String& Line : SplitTitleLines(Text)) Total += Line.size();
  if (Total > Text.size()) std::abort();
  return 0;
}
