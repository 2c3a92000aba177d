// The message box on the real display (Xvfb in CI): a message shows its
// mark-up rendered in a managed dialog window, and the responder answers
// it by its text; a picture of the window is kept (LOOK_PNG_DIR).
#include <stdlib.h>

#include "platform/gui/dialogs_responder.h"
#include "platform/gui/x11_form_fixture.h"
#include "ui/look/sb.h"

namespace {

class MessageBoxX11Test : public X11FormTest {};

TEST_F(MessageBoxX11Test, AMessageShowsItsMarkUpInADialogWindow) {
  Application->SetTitle("Mobile Daten-Syncronisation");
  TScriptedResponder Responder;
  std::vector<TColorRef> Pixels;
  int W = 0, H = 0;
  bool Viewable = false, Override = true;
  Responder.Do(
      "Mobile Daten-Syncronisation",
      [&](TCustomForm* F) {
        unsigned long Win = X11WindowOfHandle(F->Handle());
        Viewable = PumpUntil([&] { return Probe.Viewable(Win); });
        Settle();
        Override = Probe.OverrideRedirect(Win);
        Pixels = Probe.Grab(Win, W, H);
        F->SetModalResult(mrCancel);
      },
      "Die Datei setup.OAT ist gesperrt.");
  ShowMsgBox("<B>Folgender Fehler ist aufgetreten:</B><BR>Die Datei <FONT color=\"clRed\">setup.OAT</FONT> "
             "ist gesperrt.");
  ASSERT_EQ(Responder.Shown().size(), 1u);
  EXPECT_TRUE(Responder.Unexpected().empty());
  EXPECT_TRUE(Viewable);
  EXPECT_FALSE(Override);  // a managed dialog, not a bare popup
  ASSERT_GT(W, 300);
  // The red file name of the mark-up is drawn in the first lines.
  int Red = 0;
  for (int Y = 0; Y < 40 && Y < H; ++Y)
    for (int X = 0; X < W; ++X) {
      TColorRef C = Pixels[size_t(Y) * W + X];
      Red += (C & 0xFF) > 180 && ((C >> 8) & 0xFF) < 120 && ((C >> 16) & 0xFF) < 120;
    }
  EXPECT_GT(Red, 10);
  if (const char* Dir = getenv("LOOK_PNG_DIR")) {
    TBitmap Shot;
    Shot.SetSize(W, H);
    for (int Y = 0; Y < H; ++Y)
      for (int X = 0; X < W; ++X) Shot.PixelSurface().Set(X, Y, Pixels[size_t(Y) * W + X]);
    TPngImage Png;
    Png.Assign(&Shot);
    Png.SaveToFile(String(Dir) + "/messagebox_x11.png");
  }
}

}  // namespace
