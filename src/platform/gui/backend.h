// Back ends of the window manager: the role interfaces that the headless
// and the X11 back ends implement, and the door through which a back end
// hands device input to the window manager.
//
// One back end is active per process, chosen at run time (SetGuiDriver;
// the program picks X11 when it has a display, tests the headless one).
// The window manager asks the back end for a native window for each
// top-level window and paints into that window's back buffer; the back end
// shows the buffer (Present) and turns the device's events into calls of
// TDesktopInput.
//
// Thread safety: the driver is called on the GUI thread, except Wake,
// which any thread may call.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/gui/graphics_canvas.h"
#include "platform/gui/winapi.h"

// A native top-level window.
class TNativeWindow {
 public:
  virtual ~TNativeWindow() = default;
  // The back buffer in window coordinates; valid until the next SetBounds.
  virtual TPixelSurface Surface() = 0;
  // Shows the Dirty part of the back buffer.
  virtual void Present(const TRect& Dirty) = 0;
  // Desktop bounds of the whole window; resizes the back buffer.
  virtual void SetBounds(const TRect& Bounds) = 0;
  virtual void SetVisible(bool Visible) = 0;
  virtual void SetTitle(const String& Title) = 0;
  // Shape in window coordinates (null: rectangular).
  virtual void SetShape(const TRegion* Shape) = 0;
  // Places the window above every other one of the process (topmost ones
  // stay above normal ones).
  virtual void Raise() = 0;
  virtual void SetCursor(HCURSOR Cursor) = 0;
  // Asks for keyboard focus (the window manager's activation follows the
  // back end's answer through TDesktopInput::Activated).
  virtual void Activate() = 0;
};

// Which kind of native window: a normal framed one, a popup that takes no
// activation (menus, lists, hints), or a dialog owned by another.
enum class TNativeKind { Normal, Popup, Dialog };

class TGuiDriver {
 public:
  virtual ~TGuiDriver() = default;
  virtual const char* Name() const = 0;
  virtual std::unique_ptr<TNativeWindow> CreateNativeWindow(HWND Wnd, TNativeKind Kind, const TRect& Bounds,
                                                            HWND Owner) = 0;
  // Waits up to TimeoutMs (-1: until something happens, 0: poll) for device
  // events and hands them to TDesktopInput. Returns when an event was
  // handled, the time passed, or Wake was called.
  virtual void PumpEvents(int TimeoutMs) = 0;
  // Interrupts a waiting PumpEvents; any thread. A Wake that comes while
  // no PumpEvents waits makes the next one return at once.
  virtual void Wake() = 0;
  virtual std::vector<TMonitorInfo> Monitors() = 0;
  virtual int PixelsPerInch() = 0;
  virtual String ClipboardText() = 0;
  virtual void SetClipboardText(const String& Text) = 0;

  // ---- Top-level windows of other programs on the same desktop ----------
  // The window manager reaches them through these (FindWindow hands out a
  // proxy handle, see wm_foreign.h). A foreign window is named by an
  // opaque id, non-zero, that the back end gives; it stays meaningful as
  // long as that window exists. Every back end says what it sees: one
  // without a shared desktop derives from TDriverWithoutDesktop below.

  // A top-level window of another program whose window class is ClassName
  // (compared without regard to case) and whose title is Title; an empty
  // text matches any. The topmost match first; 0 when there is none.
  virtual std::uintptr_t FindForeignWindow(const String& ClassName, const String& Title) = 0;
  // Whether the foreign window Id still exists.
  virtual bool IsForeignWindow(std::uintptr_t Id) = 0;
  // The window class and the title of the foreign window Id ("" when it
  // is gone or has none).
  virtual String ForeignClassName(std::uintptr_t Id) = 0;
  virtual String ForeignWindowText(std::uintptr_t Id) = 0;
  // Asks the foreign window Id to close, as the desktop's close button
  // would, and returns at once (the other program decides). False when
  // the window is gone or takes no such request.
  virtual bool PostForeignClose(std::uintptr_t Id) = 0;
};

// A back end without a shared desktop (the headless one, test doubles):
// no other program's window is ever found.
class TDriverWithoutDesktop : public TGuiDriver {
 public:
  std::uintptr_t FindForeignWindow(const String&, const String&) override { return 0; }
  bool IsForeignWindow(std::uintptr_t) override { return false; }
  String ForeignClassName(std::uintptr_t) override { return String(); }
  String ForeignWindowText(std::uintptr_t) override { return String(); }
  bool PostForeignClose(std::uintptr_t) override { return false; }
};

// Installs the process's back end (the window manager owns it) and returns
// the previous one. Windows already created keep their native windows.
std::unique_ptr<TGuiDriver> SetGuiDriver(std::unique_ptr<TGuiDriver> Driver);
// The active back end; the headless one when none was installed.
TGuiDriver& GuiDriver();

// Device input, in desktop coordinates, from the back end to the window
// manager (GUI thread). Buttons: 0 left, 1 right, 2 middle.
struct TDesktopInput {
  static void MouseMove(TPoint Pos);
  static void MouseButton(int Button, bool Down, TPoint Pos);
  static void MouseWheel(int Delta, TPoint Pos);
  // A key went down or up; Char is the text it produced (UTF-8, may be
  // empty), turned into WM_CHAR by TranslateMessage.
  static void Key(Word VirtualKey, bool Down, const String& Char);
  // The window manager of the desktop asks to close a top-level window:
  // posts WM_SYSCOMMAND SC_CLOSE (DefWindowProc turns it into WM_CLOSE).
  static void CloseRequest(HWND TopLevel);
  // Part of a native window must be shown again (window coordinates): it
  // is presented again from the back buffer when the queue is idle.
  static void Expose(HWND TopLevel, const TRect& Rect);
  // The native window was moved or resized by the user (the back end has
  // resized its buffer already).
  static void Configured(HWND TopLevel, const TRect& Bounds);
  // The native window got or lost the keyboard focus.
  static void Activated(HWND TopLevel, bool Active);
};

// ---- The headless back end ---------------------------------------------------------------

// The desktop in memory: native windows are pixel buffers (new pixels
// are white), nothing is shown, and tests drive input through the functions below (desktop
// coordinates). Its screen is 1280 x 1024 at 96 pixels per inch unless
// set otherwise.
std::unique_ptr<TGuiDriver> NewHeadlessDriver(int ScreenWidth = 1280, int ScreenHeight = 1024);
// Replaces the headless monitors (work areas included), for placement tests.
void HeadlessSetMonitors(const std::vector<TMonitorInfo>& Monitors);
// Input for tests: each call queues the device events and returns; the
// messages are handled by the next message loop turn (ProcessMessages).
// These functions raise EInvalidOperation when another back end is active.
void HeadlessMouseMove(int X, int Y);
void HeadlessClick(int X, int Y, int Button = 0);
void HeadlessDoubleClick(int X, int Y);
// ShiftState holds the modifiers pressed around the key: 1 Shift, 2 Alt,
// 4 Ctrl (the bits of the class library's shift set).
void HeadlessKey(Word VirtualKey, Word ShiftState = 0);
// Types each character as a key press that produces it (WM_CHAR after
// TranslateMessage); "\n" types Enter.
void HeadlessType(const String& Text);
// The pixels of a top-level window as last painted (paints what is
// pending for its windows first, on the calling thread). The surface
// points into the window's buffer: valid until the window is resized or
// destroyed. Empty for an invalid handle.
TPixelSurface HeadlessSurface(HWND TopLevel);
// Saves a top-level window's pixels as a PNG file. Raises
// EInvalidOperation for a window without pixels, EFCreateError when the
// file cannot be written.
void HeadlessSavePng(HWND TopLevel, const String& FileName);
