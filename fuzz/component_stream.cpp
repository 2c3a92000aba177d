// Fuzzes the binary component stream: any bytes either parse or raise
// EReadError; a parsed stream encodes again and parses to the same shape;
// read as the automatic actions of the settings (row 1511) it loads or
// raises the class library's exception, never anything else.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "foundation/UBusinessUnits.h"
#include "platform/gui/component_stream.h"

namespace {

std::size_t CountValues(const std::vector<TDfmProperty>& Props);

std::size_t CountObject(const TDfmObject& O) {
  std::size_t N = 1 + CountValues(O.Properties);
  for (const TDfmObject& C : O.Children) N += CountObject(C);
  return N;
}

std::size_t CountValues(const std::vector<TDfmProperty>& Props) {
  std::size_t N = Props.size();
  for (const TDfmProperty& P : Props)
    for (const TDfmItem& I : P.Value.CollectionItems) N += CountValues(I.Properties);
  return N;
}

}  // namespace

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
  if (CountObject(ParseComponentStream(&Again)) != CountObject(Parsed)) std::abort();
  TAutoActionItems Items;
  try {
    Items.LoadFromStream(&In);
  } catch (const Exception&) {
    // refused with the class library's message
  }
  return 0;
}
