// Texts the data grid reads from outside: the look files' "AdjustGrid"
// value ("N F") and title captions split into lines. Nothing may crash,
// and what comes out stays within its stated bounds.
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
      Integer S = TI_CustomDBGrid::AdjustedFontSize(N, F, Ppi);
      if (S < N || S > 200 * 20 + 1) std::abort();
    }
  }
  size_t Total = 0;
  for (const String& Line : SplitTitleLines(Text)) Total += Line.size();
  if (Total > Text.size()) std::abort();
  return 0;
}
