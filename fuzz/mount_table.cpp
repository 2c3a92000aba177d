// Fuzzes the reader of the mount table behind the computer folder: any
// text gives the root drive first, then distinct absolute folders in name
// order, or just the root; nothing else may happen.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "fuzz_input.h"
#include "platform/os/shellns.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
  static const std::string Table = fuzz::RunFolder("mounts") + "/mounts";
  fuzz::WriteAll(Table, std::string(reinterpret_cast<const char*>(Data), Size));
  std::vector<TShellDrive> Drives = ShellDrives(Table);
  if (Drives.empty() || Drives[0].Dir != "/") std::abort();
  for (size_t K = 1; K < Drives.size(); ++K) {
    const String& D = Drives[K].Dir;
    if (D.empty() || D[0] != '/' || D == "/" || D.back() == '/') std::abort();
    if (K > 1 && !(Drives[K - 1].Dir < D)) std::abort();
  }
  return 0;
}
