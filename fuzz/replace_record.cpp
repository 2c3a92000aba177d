// Fuzzes the reader of the intent record of a file replacement: any text
// either reads as a record whose names stay inside their folder, never
// lead to one file twice, and which writes back to the same items, or is
// refused; nothing else may happen.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <set>

#include "platform/os/replace.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
  const String Text(reinterpret_cast<const char*>(Data), Size);
  std::vector<os::Replacement> Items;
  if (!os::ParseReplaceRecord(Text, Items)) {
    if (!Items.empty()) std::abort();
    return 0;
  }
  std::set<String> Names;
  for (const os::Replacement& R : Items) {
    if (R.Prepared.find('/') != String::npos || R.Target.find('/') != String::npos || R.Target == "..")
      std::abort();
    if (R.Format < 1 || R.Format > 3 || (R.Format == 1 && R.TargetExisted)) std::abort();
    for (const String* Name : {&R.Prepared, &R.Target})
      if (!Names.insert(os::FoldFileName(os::StripTrailingDots(*Name))).second) std::abort();
  }
  std::vector<os::Replacement> Again;
  if (!os::ParseReplaceRecord(os::FormatReplaceRecord(Items), Again) || Again != Items) std::abort();
  return 0;
}
