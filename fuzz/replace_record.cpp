// Fuzzes the reader of the intent record of a file replacement: any text
// either reads as a record whose names stay inside their folder and which
// writes back to the same text, or is refused; nothing else may happen.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "platform/os/replace.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
  const String Text(reinterpret_cast<const char*>(Data), Size);
  std::vector<os::Replacement> Items;
  if (!os::ParseReplaceRecord(Text, Items)) {
    if (!Items.empty()) std::abort();
    return 0;
  }
  for (const os::Replacement& R : Items)
    if (R.Prepared.find('/') != String::npos || R.Target.find('/') != String::npos || R.Target == "..")
      std::abort();
  std::vector<os::Replacement> Again;
  if (!os::ParseReplaceRecord(os::FormatReplaceRecord(Items), Again) || Again != Items) std::abort();
  return 0;
}
