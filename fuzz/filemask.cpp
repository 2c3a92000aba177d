// Fuzzes the folder tree's file masks: any mask text splits into a list
// of non-empty lower-case masks without ";", and matching any name against
// it ends without fault. The input is the mask text, 0xFF, then names
// separated by 0xFF.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "fuzz_input.h"
#include "platform/rtl/charset.h"
#include "ui/controls/MaskSearch.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
  std::vector<std::string> Parts = fuzz::SplitAtFF(Data, Size);
  TStringList Masks;
  SplitMaskList(Parts[0], &Masks);
  if (Masks.Count() == 0) std::abort();
  for (Integer K = 0; K < Masks.Count(); ++K) {
    const String M = Masks.Strings(K);
    if (M.empty() || M.find(';') != String::npos || M != AnsiLowerCase(M)) std::abort();
  }
  for (size_t K = 1; K < Parts.size(); ++K) {
    bool A = MatchesMaskList(Parts[K], &Masks);
    // Matching does not depend on the letter case of the name.
    if (A != MatchesMaskList(AnsiLowerCase(Parts[K]), &Masks)) std::abort();
  }
  return 0;
}
