// Fuzzes the reader of cursor files (the animated-cursor text format):
// any bytes load as a cursor whose frames have the size its header gives,
// or give no handle; nothing else may happen. An input whose first byte is
// odd follows the format's first word, so that the fuzzer reaches the
// header numbers and frames behind it.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "fuzz_input.h"
#include "platform/gui/forms_screen.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  static const std::string Dir = fuzz::RunFolder("cursor_file");
  if (Size < 1) return 0;
  const std::string Text(reinterpret_cast<const char*>(Data + 1), Size - 1);
  fuzz::WriteAll(Dir + "/busy.ani", (Data[0] & 1 ? "ANICURSOR " : "") + Text);
  HCURSOR Cursor = LoadCursorFromFile(Dir + "/busy.ani");
  if (!Cursor) return 0;
  const TCursorImage* Image = FindCursorImage(Cursor);
  if (!Image || Image->Frames.empty()) std::abort();
  const Integer Width = Image->Frames.front()->Width(), Height = Image->Frames.front()->Height();
  for (const auto& Frame : Image->Frames)
    if (Frame->Width() != Width || Frame->Height() != Height) std::abort();
  return 0;
}
