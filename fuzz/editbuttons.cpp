// Fuzzes the reader of the edit buttons' binary form data: any bytes are
// either read completely or refused with EReadError and nothing added;
// what was read writes back and reads again to the same buttons.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "platform/rtl/streams.h"
#include "ui/controls/IEditButton.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
  TI_EditButtons List(nullptr);
  TReadOnlyMemoryStream In(Data, Int64(Size));
  try {
    List.ReadData(&In);
  } catch (const EReadError&) {
    if (List.Count() != 0) std::abort();
    return 0;
  }
  TMemoryStream Out;
  List.WriteData(&Out);
  Out.SetPosition(0);
  TI_EditButtons Again(nullptr);
  Again.ReadData(&Out);
  if (Again.Count() != List.Count() || List.DataDiffers(&Again)) std::abort();
  for (Integer i = 0; i < List.Count(); ++i)
    if (List[i]->Hint != Again[i]->Hint || List[i]->BoundsRect() != Again[i]->BoundsRect()) std::abort();
  return 0;
}
