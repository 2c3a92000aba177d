// What a user at the screen does with the synchronisation tool's window,
// done from outside the tool through the X server: find a window by its
// title, wait until it is painted and idle, click a control of the main
// form found by its name, press the focused button of a message box with
// Enter, and keep a picture of a window as a PNG file. Used by the sample
// walkthrough (samplewalk) and by the end-to-end tests.
//
// Every wait polls a condition (WaitUntil) up to a limit; none sleeps for
// a fixed time.
//
// Thread safety: one object per thread; the main form's layout (a form of
// the class library) belongs to the GUI thread.
#pragma once

#include <functional>
#include <memory>
#include <vector>

#include "platform/gui/graphics_colors.h"
#include "platform/gui/graphics_types.h"
#include "platform/gui/x11_probe.h"

class TFsync;

class TToolScreen {
 public:
  // Connects to DisplayName ("" takes $DISPLAY); Valid() tells whether that
  // worked, HasXTest() whether pointer and keys can be sent.
  explicit TToolScreen(const String& DisplayName = String());
  ~TToolScreen();
  TToolScreen(const TToolScreen&) = delete;
  TToolScreen& operator=(const TToolScreen&) = delete;

  bool Valid() const;
  bool HasXTest() const;

  // A viewable window whose title starts with Prefix, other than Except
  // (0: none); 0 when there is none now.
  unsigned long Search(const String& Prefix, unsigned long Except = 0);
  // As Search, waiting up to Seconds for the window to appear.
  unsigned long FindWindow(const String& Prefix, int Seconds, unsigned long Except = 0);
  bool Viewable(unsigned long W);
  // The pixels W shows (0x00BBGGRR, row by row); empty when unreadable.
  std::vector<TColorRef> Pixels(unsigned long W, int& Width, int& Height);
  // Waits until W shows the same picture twice in a row (painted and idle).
  bool WaitUntilSettled(unsigned long W, int Seconds = 10);
  // Clicks at P of W's client area.
  void Click(unsigned long W, TPoint P);
  // Clicks at P of W's client area; true once W shows something else.
  bool ClickAndWaitForChange(unsigned long W, TPoint P, int Seconds = 10);
  // Presses Enter once Box has the focus (a message box's focused button:
  // "Ja" of a question, "Schließen" of a message); true once Box has gone.
  bool PressFocusedButton(unsigned long Box);
  // Types Text (printable ASCII) into whatever has the focus, then waits
  // until W is idle again.
  void Type(unsigned long W, const String& Text);
  // Presses and releases the key of Keysym Times times, waiting after each
  // press until W is idle again (a tree expands, a row moves).
  void Press(unsigned long W, unsigned long Keysym, int Times = 1);
  // Rests the pointer at P of W's client area; true once the screen there
  // shows something else (a hint) within Seconds.
  bool Hover(unsigned long W, TPoint P, int Seconds = 3);
  // Presses the key of Keysym once; true once W shows something else
  // (and is idle again), false when nothing changed within Seconds.
  bool PressAndWaitForChange(unsigned long W, unsigned long Keysym, int Seconds = 2);
  // Saves what the screen shows at W's place (windows above W included) as
  // a PNG file. Raises EFCreateError when the file cannot be written,
  // EInvalidGraphicOperation when W is not on the screen.
  void SavePng(unsigned long W, const String& FileName);

 private:
  unsigned long SearchBelow(unsigned long Parent, const String& Prefix, unsigned long Except);
  String Title(unsigned long W);

  std::unique_ptr<TX11Probe> FProbe;
  void* FDpy = nullptr;  // the Xlib display of the window search
};

class TCustomForm;

// The place of Form's control Name in Form's client area. Raises
// EComponentError when Form has no control of that name.
TRect ControlRectOf(TCustomForm& Form, const String& Name);

// The places of the main form's controls as its description gives them:
// a form of the tool's class, made once and never shown.
class TFsyncLayout {
 public:
  TFsyncLayout();
  ~TFsyncLayout();
  TFsyncLayout(const TFsyncLayout&) = delete;
  TFsyncLayout& operator=(const TFsyncLayout&) = delete;

  // The centre of the control Name in the form's client area. Raises
  // EComponentError when the form has no control of that name.
  TPoint ControlCentre(const String& Name);
  // The place of the control Name in the form's client area (as above).
  TRect ControlRect(const String& Name);

 private:
  std::unique_ptr<TFsync> FForm;
};
