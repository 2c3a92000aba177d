// Fuzzes the form description reader: any text either parses into objects,
// properties and values, or fails with EParserError; nothing else may
// happen (deep nesting and long numbers included).
//
// Input: first byte bit 1 whole text, else patches to a sound description.
#include <cstdlib>

#include "fuzz_input.h"
#include "platform/gui/reader.h"

namespace {

const char* const Sound =
    "object Fsync: TFsync\n"
    "  Left = 192\n  Top = -107\n  Caption = 'Mobile Daten-Syncronisation'#13#10'x' + 'y'\n"
    "  Color = $00FF8080\n  Font.Height = -11\n  Scaled = False\n  Ratio = 1.5e3\n"
    "  Anchors = [akLeft, akTop]\n  Lines.Strings = (\n    'eins'\n    'zwei')\n"
    "  Data = {0A0B0C}\n"
    "  Columns = <\n    item\n      Width = 64\n    end\n    item [1]\n      Title = 'b'\n    end>\n"
    "  OnClick = FormClick\n"
    "  object Panel1: TPanel\n    Align = alTop\n    inherited Btn: TButton [2]\n      Tag = 9\n    end\n  end\n"
    "end\n";

size_t Walk(const TDfmValue& V) {
  size_t N = V.AsText().size();
  for (const TDfmValue& I : V.Items) N += Walk(I);
  for (const TDfmItem& I : V.CollectionItems)
    for (const TDfmProperty& P : I.Properties) N += Walk(P.Value);
  return N;
}

size_t Walk(const TDfmObject& O) {
  size_t N = O.Name.size() + O.ClassName.size();
  for (const TDfmProperty& P : O.Properties) N += Walk(P.Value);
  for (const TDfmObject& C : O.Children) N += Walk(C);
  return N;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  std::string Text = fuzz::ImageOrPatches(Sound, Data, Size);
  try {
    TDfmObject O = ParseFormDescription(Text);
    if (Walk(O) > Text.size() * 64 + 1024) std::abort();  // values cannot outgrow their text
  } catch (const EParserError&) {
  }
  return 0;
}
