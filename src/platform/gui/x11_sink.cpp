// The default sink of the X11 back end: device input goes to the window
// manager. Kept apart from Xlib, whose macros include one named Expose.
#include "platform/gui/x11_internal.h"

namespace x11 {

namespace {

class TDesktopSink final : public TX11EventSink {
 public:
  void MouseMove(TPoint Pos) override { TDesktopInput::MouseMove(Pos); }
  void MouseButton(int Button, bool Down, TPoint Pos) override { TDesktopInput::MouseButton(Button, Down, Pos); }
  void MouseWheel(int Delta, TPoint Pos) override { TDesktopInput::MouseWheel(Delta, Pos); }
  void Key(Word Vk, bool Down, const String& Char) override { TDesktopInput::Key(Vk, Down, Char); }
  void CloseRequest(HWND Top) override { TDesktopInput::CloseRequest(Top); }
  void Expose(HWND Top, const TRect& R) override { TDesktopInput::Expose(Top, R); }
  void Configured(HWND Top, const TRect& B) override { TDesktopInput::Configured(Top, B); }
  void Activated(HWND Top, bool Active) override { TDesktopInput::Activated(Top, Active); }
};

}  // namespace

std::unique_ptr<TX11EventSink> NewDesktopSink() { return std::make_unique<TDesktopSink>(); }

}  // namespace x11
