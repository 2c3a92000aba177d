// Fuzzes the HTML mark-up renderer: any text is measured, hit-tested and
// drawn into a bitmap, in both builds, without a crash and without leaving
// the canvas in another state than it found it.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "ui/look/HtmlDraw.h"

// The font libraries keep their configuration and caches for the life of
// the process; what they hold at exit is not a leak of the renderer.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig\nleak:libfreetype\n"; }

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  if (Size > 4096) return 0;
  static TBitmap* Paper = [] {
    auto* B = new TBitmap();
    B->SetSize(160, 80);
    return B;
  }();
  TCanvas& C = *Paper->Canvas();
  C.Font()->SetName("Tahoma");
  C.Font()->SetHeight(-11);
  String Text(reinterpret_cast<const char*>(Data), Size);
  for (THtmlBuild Build : {THtmlBuild::Full, THtmlBuild::Reduced}) {
    for (bool Wrap : {true, false}) {
      THtmlDrawParams P;
      P.Canvas = &C;
      P.Text = Text;
      P.Rect = Rect(2, 2, 150, 75);
      P.MouseX = 20;
      P.MouseY = 8;
      P.WordWrap = Wrap;
      P.Build = Build;
      P.HoverLink = 0;
      P.FocusLink = 0;
      THtmlDrawResult R;
      HtmlDraw(P, R);
      if (R.Height <= 0) abort();
      P.MeasureOnly = true;
      HtmlDraw(P, R);
      if (C.Font()->Height() != -11 || C.Font()->Orientation() != 0 || !C.Font()->Style().Empty()) abort();
    }
  }
  return 0;
}
