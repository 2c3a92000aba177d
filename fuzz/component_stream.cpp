// Fuzzes the binary component stream: any bytes either parse or raise
// EReadError; a parsed stream encodes again, the encoding parses to the
// same description and encodes again to the same bytes;
// read as the automatic actions of the settings (row 1511) it loads or
// raises the class library's exception, never anything else.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "foundation/UBusinessUnits.h"
#include "platform/gui/component_stream.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
  TMemoryStream In;
  In.WriteBuffer(Data, Int64(Size));
  In.SetPosition(0);
  TDfmObject Parsed;
  try {
    Parsed = ParseComponentStream(&In);
  } catch (const EReadError&) {
    return 0;
  }
  TMemoryStream Again;
  WriteComponentDescription(Parsed, &Again);
  Again.SetPosition(0);
  TDfmObject Reparsed;
  try {
    Reparsed = ParseComponentStream(&Again);
  } catch (const EReadError&) {
    std::abort();  // the writer wrote what its parser refuses
  }
  if (Again.Position() != Again.Size() || !SameStreamedDescription(Parsed, Reparsed)) std::abort();
  TMemoryStream Third;
  WriteComponentDescription(Reparsed, &Third);
  if (Third.Size() != Again.Size() || std::memcmp(Third.Memory(), Again.Memory(), std::size_t(Again.Size())) != 0)
    std::abort();
  TAutoActionItems Items;
  try {
    Items.LoadFromStream(&In);
  } catch (const Exception&) {
    // refused with the class library's message
  }
  return 0;
}
