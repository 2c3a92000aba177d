// TScreen and TMonitor: what the program knows about the screen — its size
// and density, the monitors and their work areas, the cursor shown over
// the application and the cursor table, the forms and which of them is
// active, and the installed fonts.
//
// Sizes and monitors come from the active back end (backend.h), asked
// afresh on every call, so that tests inject them with HeadlessSetMonitors.
// The global Screen is made on first use.
//
// Cursors: the table maps cursor numbers (crDefault 0, crArrow -2 ...
// crHourGlass -11 ..., and the program's own) to cursor handles. The
// standard numbers map to the window manager's IDC_* cursors; programs
// store their own handles (LoadCursorFromFile). Setting Cursor to anything
// but crDefault shows that cursor over every window of the application.
//
// Thread safety: GUI thread only.
#pragma once

#include <map>
#include <memory>
#include <vector>

#include "platform/gui/forms_form.h"
#include "platform/rtl/strings.h"

// A monitor of the desktop. Values are read when the screen enumerates.
class TMonitor : public TObject {
  RTL_DECLARE_CLASS(TMonitor)
 public:
  TMonitor(Integer Num, const TMonitorInfo& Info) : FNum(Num), FInfo(Info) {}
  HMONITOR Handle() const { return HMONITOR(FNum + 1); }
  Integer MonitorNum() const { return FNum; }
  bool Primary() const { return FInfo.Primary; }
  Integer Left() const { return FInfo.rcMonitor.Left; }
  Integer Top() const { return FInfo.rcMonitor.Top; }
  Integer Width() const { return FInfo.rcMonitor.Width(); }
  Integer Height() const { return FInfo.rcMonitor.Height(); }
  TRect BoundsRect() const { return FInfo.rcMonitor; }
  TRect WorkareaRect() const { return FInfo.rcWork; }

 private:
  Integer FNum;
  TMonitorInfo FInfo;
};

// An animated (or still) cursor made by LoadCursorFromFile: 32-bit frames
// with alpha, shown in turn every Rate milliseconds.
struct TCursorImage {
  std::vector<std::shared_ptr<TBitmap>> Frames;
  TPoint HotSpot{};
  Integer Rate = 100;
};

// Reads a cursor file and makes a cursor handle of it (the window manager's
// standard cursors are below 65536; these are above). Returns 0 when the
// file cannot be read or is no cursor. The format is the program's own
// animated-cursor text:
//   ANICURSOR <width> <height> <hotx> <hoty> <rate-ms>
//   then per frame "frame" and <height> lines of <width> characters:
//   '.' transparent, '#' black, 'o' white, '+' grey.
HCURSOR LoadCursorFromFile(const String& FileName);
// The image of a handle made by LoadCursorFromFile, or null.
const TCursorImage* FindCursorImage(HCURSOR Cursor);

using TScreenNotifyEvent = TNotifyEvent;

class TScreen : public TComponent {
  RTL_DECLARE_CLASS(TScreen)
 public:
  explicit TScreen(TComponent* AOwner);
  ~TScreen() override;

  // ---- Size and monitors -----------------------------------------------------------
  // Size of the primary monitor.
  Integer Width();
  Integer Height();
  Integer PixelsPerInch();
  // The rectangle around every monitor.
  TRect DesktopRect();
  // The work area of the primary monitor (without task bars).
  TRect WorkAreaRect();
  Integer MonitorCount();
  // The Index-th monitor, in the back end's order (0 is the primary one);
  // owned by the screen, valid until the next call that enumerates.
  // Raises EListError for a bad index.
  TMonitor* Monitors(Integer Index);
  // The monitor holding most of the window / rectangle, or the primary
  // one when none does.
  TMonitor* MonitorFromWindow(HWND Wnd);
  TMonitor* MonitorFromRect(const TRect& R);
  TMonitor* MonitorFromPoint(const TPoint& P);

  // ---- Cursors ------------------------------------------------------------------------
  TCursor Cursor() const { return FCursor; }
  // Shows Cursor over the application (crDefault: each control's own).
  void SetCursor(TCursor V);
  // The handle of cursor number Index; an unknown number gives the arrow.
  HCURSOR Cursors(Integer Index) const;
  // Stores Handle under Index (0 removes a program cursor).
  void SetCursors(Integer Index, HCURSOR Handle);
  // True when Index has an entry of its own (standard or stored).
  bool HasCursor(Integer Index) const;

  // ---- Forms and focus -----------------------------------------------------------------
  Integer FormCount() const { return Integer(FForms.size()); }
  // Raises EListError for a bad index.
  TForm* Forms(Integer Index) const;
  Integer CustomFormCount() const { return Integer(FForms.size()); }
  TCustomForm* CustomForms(Integer Index) const;
  // The active form (null when no form of the application is active).
  TForm* ActiveForm() const;
  TCustomForm* ActiveCustomForm() const { return FActiveForm; }
  // The focused control of the active form.
  TWinControl* ActiveControl() const { return FActiveControl; }
  // The form that holds the focused control.
  TCustomForm* FocusedForm() const { return FFocusedForm; }
  TNotifyEvent OnActiveFormChange, OnActiveControlChange;

  // ---- Fonts ---------------------------------------------------------------------------
  // The families of the installed fonts, sorted; owned.
  TStrings* Fonts();

  // Makes the controls show this screen's cursors (done on creation).
  void InstallCursorHooks();

  // Bookkeeping called by the forms.
  void AddForm(TCustomForm* Form);
  void RemoveForm(TCustomForm* Form);
  void SetActiveForm(TCustomForm* Form);
  void SetFocusedControl(TCustomForm* Form, TWinControl* Control);

 protected:
  void Notification(TComponent* AComponent, TOperation Operation) override;

 private:
  std::vector<TMonitorInfo> MonitorInfos();
  void Enumerate();

  std::vector<TCustomForm*> FForms;
  TCustomForm* FActiveForm = nullptr;
  TCustomForm* FFocusedForm = nullptr;
  TWinControl* FActiveControl = nullptr;
  TCursor FCursor = crDefault;
  std::map<Integer, HCURSOR> FCursors;
  std::vector<std::unique_ptr<TMonitor>> FMonitors;
  std::unique_ptr<TStrings> FFonts;
};

// The process's screen, made on first use: Screen->Width().
struct TScreenRef {
  TScreen* operator->() const { return Get(); }
  operator TScreen*() const { return Get(); }
  static TScreen* Get();
};
inline constexpr TScreenRef Screen{};
