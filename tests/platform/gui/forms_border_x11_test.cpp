// The border style of a form as the desktop's window manager reads it on
// the real X server (Xvfb in CI): a form that is not sizeable gives its size
// as its smallest and largest size (WM_NORMAL_HINTS) and offers neither
// sizing nor maximising (_MOTIF_WM_HINTS); a resize from outside leaves it
// at the size its layout was drawn for. A sizeable form stays open to both.
// Skipped without a display (or XTest).
#include "platform/gui/stdctrls_edit.h"
#include "x11_form_fixture.h"

namespace {

constexpr unsigned long kMotifFunctions = 1, kMove = 4, kMinimize = 8, kClose = 32;

class FormBorderX11Test : public X11FormTest {
 protected:
  // A shown form of the border style at B with an edit anchored to its
  // bottom right corner.
  TForm* ShownForm(TFormBorderStyle Style, TRect B) {
    auto* F = new TForm(nullptr, 0);
    Forms.emplace_back(F);
    F->SetPosition(poDesigned);
    F->SetBorderStyle(Style);
    F->SetBounds(B.Left, B.Top, B.Width(), B.Height());
    Corner = new TEdit(F);
    Corner->SetBounds(F->ClientWidth() - 110, F->ClientHeight() - 30, 100, 22);
    Corner->SetAnchors(TAnchors{akRight, akBottom});
    Corner->SetParent(F);
    F->Show();
    return F;
  }
  // The size limits of F's WM_NORMAL_HINTS as the window manager reads them.
  TX11Probe::TSizeLimits SizeHints(TForm* F) {
    TX11Probe::TSizeLimits L;
    EXPECT_TRUE(Probe.SizeLimits(X11WindowOfHandle(F->Handle()), L));
    return L;
  }
  // The flags and functions of _MOTIF_WM_HINTS (0, 0 without them).
  std::pair<unsigned long, unsigned long> MotifHints(TForm* F) {
    String V = Probe.Property(X11WindowOfHandle(F->Handle()), "_MOTIF_WM_HINTS");
    if (V.size() < 2 * sizeof(unsigned long)) return {0, 0};
    auto* L = reinterpret_cast<const unsigned long*>(V.data());
    return {L[0], L[1]};
  }
  TSize ServerSize(TForm* F) {
    TRect G = Probe.Geometry(X11WindowOfHandle(F->Handle()));
    return TSize{G.Width(), G.Height()};
  }
  // Resizes F's window from outside, as a window manager or a user would.
  void ResizeFromOutside(TForm* F, Integer Width, Integer Height) {
    TRect G = Probe.Geometry(X11WindowOfHandle(F->Handle()));
    Probe.MoveResize(X11WindowOfHandle(F->Handle()), Bounds(G.Left, G.Top, Width, Height));
  }

  TEdit* Corner = nullptr;
};

TEST_F(FormBorderX11Test, AFormThatIsNotSizeableHasFixedSizeHintsAndKeepsItsSize) {
  TForm* Dialog = ShownForm(bsDialog, Bounds(120, 100, 300, 200));
  ASSERT_TRUE(ShownOnServer(Dialog));
  TX11Probe::TSizeLimits H = SizeHints(Dialog);
  EXPECT_EQ((TSize{300, 200}), H.Min);
  EXPECT_EQ((TSize{300, 200}), H.Max);
  EXPECT_EQ(std::make_pair(kMotifFunctions, kMove | kClose), MotifHints(Dialog)) << "no size, no maximise";

  // A resize that ignores the hints is undone; the layout stays as drawn.
  TRect Edit = Corner->BoundsRect();
  ResizeFromOutside(Dialog, 500, 380);
  ASSERT_EQ((TSize{500, 380}), ServerSize(Dialog)) << "the server took the resize";
  EXPECT_TRUE(PumpUntil([&] { return ServerSize(Dialog) == TSize{300, 200}; })) << "and gives the size back";
  Settle();
  EXPECT_EQ(300, Dialog->Width());
  EXPECT_EQ(200, Dialog->Height());
  EXPECT_EQ(Edit, Corner->BoundsRect());

  // The program may still size it: the hints follow.
  Dialog->SetBounds(Dialog->Left(), Dialog->Top(), 320, 230);
  Settle();
  H = SizeHints(Dialog);
  EXPECT_EQ((TSize{320, 230}), H.Min);
  EXPECT_EQ((TSize{320, 230}), H.Max);
  EXPECT_EQ((TSize{320, 230}), ServerSize(Dialog));

  // A single border with a minimise box offers minimising too.
  TForm* Single = ShownForm(bsSingle, Bounds(460, 100, 260, 180));
  ASSERT_TRUE(ShownOnServer(Single));
  H = SizeHints(Single);
  EXPECT_EQ((TSize{260, 180}), H.Min);
  EXPECT_EQ((TSize{260, 180}), H.Max);
  EXPECT_EQ(std::make_pair(kMotifFunctions, kMove | kMinimize | kClose), MotifHints(Single));
}

TEST_F(FormBorderX11Test, ASizeableFormStaysOpenToSizingAndFollowsAResize) {
  TForm* Sizeable = ShownForm(bsSizeable, Bounds(120, 100, 300, 200));
  ASSERT_TRUE(ShownOnServer(Sizeable));
  TX11Probe::TSizeLimits H = SizeHints(Sizeable);
  EXPECT_EQ((TSize{-1, -1}), H.Min);
  EXPECT_EQ((TSize{-1, -1}), H.Max);
  EXPECT_EQ(std::make_pair(0ul, 0ul), MotifHints(Sizeable));
  TRect Edit = Corner->BoundsRect();
  ResizeFromOutside(Sizeable, 400, 260);
  ASSERT_TRUE(PumpUntil([&] { return Sizeable->Width() == 400 && Sizeable->Height() == 260; }));
  EXPECT_EQ(Edit.Left + 100, Corner->Left()) << "the anchored edit follows the corner";
  EXPECT_EQ(Edit.Top + 60, Corner->Top());
}

}  // namespace
