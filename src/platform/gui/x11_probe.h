// A look at the X display from outside the program: an X connection of its
// own that reads back what a window shows (XGetImage) and sends pointer
// and key events through the server (the XTest extension, loaded at run
// time), as a user at the screen would. Used by the smoke tests of the X11
// back end and for diagnostics.
//
// Thread safety: one probe per thread; probes share nothing.
#pragma once

#include <functional>
#include <memory>
#include <vector>

#include "platform/gui/graphics_colors.h"
#include "platform/gui/graphics_types.h"
#include "platform/gui/x11.h"

struct _XDisplay;

class TX11Probe {
 public:
  // Opens a connection to DisplayName ("" takes $DISPLAY); Valid() tells
  // whether that worked.
  explicit TX11Probe(const String& DisplayName = String());
  ~TX11Probe();
  TX11Probe(const TX11Probe&) = delete;
  TX11Probe& operator=(const TX11Probe&) = delete;

  bool Valid() const { return FDpy != nullptr; }
  // True when the server and the machine have XTest (REQUIRES: Valid()).
  bool HasXTest() const;

  // The pixels that Window shows, as 0x00BBGGRR values row by row (empty
  // when the window cannot be read, e.g. not mapped). REQUIRES: Valid().
  std::vector<TColorRef> Grab(unsigned long Window, int& Width, int& Height);
  // Whether the window is mapped and viewable.
  bool Viewable(unsigned long Window);
  // Whether the window bypasses the desktop's window manager (popups).
  bool OverrideRedirect(unsigned long Window);
  // Where the server has the window now (desktop coordinates).
  TRect Geometry(unsigned long Window);
  // The size limits of WM_NORMAL_HINTS as the desktop's window manager
  // reads them (XGetWMNormalHints); a limit not given is -1 by -1.
  struct TSizeLimits {
    TSize Min{-1, -1}, Max{-1, -1};
  };
  // False when the window has no such hints.
  bool SizeLimits(unsigned long Window, TSizeLimits& Limits);
  // The window's property as bytes ("" when it has none).
  String Property(unsigned long Window, const String& Name);
  // The id of the atom Name on this server.
  unsigned long AtomOf(const String& Name);
  // The top-level windows of the screen, bottom first (the server's
  // stacking order); a window manager's frames stand for what they hold.
  std::vector<unsigned long> StackingOrder();
  // The window that has the input focus (0: none).
  unsigned long FocusWindow();

  // Pointer and keys through XTest (REQUIRES: HasXTest()). Button numbers
  // are X's (1 left, 2 middle, 3 right, 4 and 5 the wheel).
  void MoveMouse(int X, int Y);
  void Button(unsigned XButton, bool Down);
  void Click(int X, int Y, unsigned XButton = 1);
  // Presses or releases the key that gives Keysym (e.g. a shift key).
  void Key(unsigned long Keysym, bool Down);
  // Presses and releases the key that gives Keysym.
  void TapKey(unsigned long Keysym);
  // Asks the window manager of the desktop to close Window, as its close
  // button would (WM_DELETE_WINDOW).
  void RequestClose(unsigned long Window);
  // Moves and resizes Window as a user would.
  void MoveResize(unsigned long Window, const TRect& Bounds);
  // Waits until the server has handled everything sent so far.
  void Sync();

 private:
  _XDisplay* FDpy = nullptr;
};

// A sink that writes each event of the X11 back end as one line of text
// into a log that the caller keeps: "move 10,20", "button 0 down 10,20",
// "wheel 120 10,20", "key 65 down [a]", "close 7", "expose 7 0,0-25,15"
// (left,top-right,bottom), "configured 7 ...", "activated 7",
// "deactivated 7"; a window is named by its handle's number.
class TX11EventLog final : public TX11EventSink {
 public:
  explicit TX11EventLog(std::shared_ptr<std::vector<String>> Log) : FLog(std::move(Log)) {}
  void MouseMove(TPoint Pos) override;
  void MouseButton(int Button, bool Down, TPoint Pos) override;
  void MouseWheel(int Delta, TPoint Pos) override;
  void Key(Word VirtualKey, bool Down, const String& Char) override;
  void CloseRequest(HWND TopLevel) override;
  void Expose(HWND TopLevel, const TRect& Rect) override;
  void Configured(HWND TopLevel, const TRect& Bounds) override;
  void Activated(HWND TopLevel, bool Active) override;

 private:
  std::shared_ptr<std::vector<String>> FLog;
};

// Polls Done every 50 ms for up to Seconds; true once it held. For waits
// on what another program shows, which no event of ours announces.
bool WaitUntil(const std::function<bool()>& Done, int Seconds);

// Pumps the driver's events until Done holds; false when TimeoutMs passed
// first.
bool X11PumpUntil(TGuiDriver& Driver, const std::function<bool()>& Done, int TimeoutMs = 2000);

// A test bench for the X11 back end alone: a driver whose events go to an
// event log, a probe on the same display, and the native windows opened
// on it (destroyed before the driver).
//
// Test programs run side by side share the display's pointer, focus and
// screen; a bench therefore holds the display's test lock (an exclusive
// lock on a file in /tmp named after the display) for its
// whole life, so that benches on one display take turns.
class TX11DisplayLock {
 public:
  explicit TX11DisplayLock(const String& DisplayName);
  ~TX11DisplayLock();
  TX11DisplayLock(const TX11DisplayLock&) = delete;
  TX11DisplayLock& operator=(const TX11DisplayLock&) = delete;

 private:
  int FFd = -1;
};

class TX11TestBench {
 public:
  // Valid() is false when the display cannot be opened.
  explicit TX11TestBench(const String& DisplayName = String());
  ~TX11TestBench();

  bool Valid() const { return FDriver && FProbe && FProbe->Valid(); }
  TGuiDriver& Driver() { return *FDriver; }
  TX11Probe& Probe() { return *FProbe; }
  const std::vector<String>& Log() const { return *FLog; }
  void ClearLog() { FLog->clear(); }

  // Makes a native window for the window handle Handle, shows it and
  // waits until the server shows it. The bench owns the window.
  TNativeWindow& Open(const TRect& Bounds, TNativeKind Kind = TNativeKind::Normal, std::uintptr_t Handle = 1,
                      HWND Owner = nullptr);
  // Destroys the windows opened so far.
  void CloseAll() { FWindows.clear(); }
  bool PumpUntil(const std::function<bool()>& Done, int TimeoutMs = 2000) {
    return X11PumpUntil(*FDriver, Done, TimeoutMs);
  }
  bool Logged(const String& Line) const;
  // Pumps until the log has Line.
  bool WaitFor(const String& Line, int TimeoutMs = 2000);
  // What the screen shows of W, after the driver's requests are handled.
  std::vector<TColorRef> Grab(TNativeWindow& W, int& Width, int& Height);

 private:
  TX11DisplayLock FLock;
  std::shared_ptr<std::vector<String>> FLog = std::make_shared<std::vector<String>>();
  std::unique_ptr<TGuiDriver> FDriver;
  std::unique_ptr<TX11Probe> FProbe;
  std::vector<std::unique_ptr<TNativeWindow>> FWindows;
};
