// Fuzzes the look file reader and the application of its entries: any
// bytes are cut into entries and applied by class and by name to a small
// tree of components (a panel with a label and an edit); bad lines,
// unknown classes and properties and values of the wrong type are
// skipped, nothing else may happen.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "platform/gui/extctrls.h"
#include "platform/gui/stdctrls.h"
#include "ui/look/ULookAndFeel.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  String Bytes(reinterpret_cast<const char*>(Data), Size);
  TPropCache Cache;
  Cache.LoadFromText(Bytes);
  TPanel Root(nullptr);
  Root.SetName("Panel1");
  auto* Label = new TLabel(&Root);
  Label->SetName("Label1");
  auto* Edit = new TEdit(&Root);
  Edit->SetName("Edit1");
  ApplyClassEntries(Cache, &Root);
  ApplyNamedEntries(Cache, &Root);
  // Every entry once more on each component, whatever its key.
  for (const char* Key : {"TPanel", "TLabel", "TEdit", "TPanel.Label1", "TPanel.Edit1"}) {
    const PropEntry* E = Cache.Find(Key, std::strchr(Key, '.') ? 1 : 0);
    ApplyLookEntry(Label, E);
    ApplyLookEntry(Edit, E);
  }
  return 0;
}
