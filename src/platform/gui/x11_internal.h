// Internals of the X11 back end shared by the x11_*.cpp files: the driver,
// its native windows, the clipboard, the key table and the extensions that
// are loaded at run time.
//
// Xlib's own header is included by the .cpp files only (its macros must
// not reach other code); here Xlib's types appear by their struct tags
// (_XDisplay, _XImage, _XGC, _XEvent) and X ids as unsigned long.
//
// Thread safety: GUI thread only, except TX11Driver::Wake.
#pragma once

#include <dlfcn.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <unordered_map>
#include <vector>

#include "platform/gui/x11.h"

struct _XDisplay;
struct _XImage;
struct _XGC;
union _XEvent;

namespace x11 {

using XId = unsigned long;

// The atoms the back end uses, interned once per connection.
struct TAtoms {
  XId WmProtocols = 0, WmDeleteWindow = 0, NetWmName = 0, NetWmIconName = 0, Utf8String = 0;
  XId NetWmState = 0, NetWmStateAbove = 0, NetWmWindowType = 0, TypeNormal = 0, TypeDialog = 0;
  XId TypePopupMenu = 0, NetActiveWindow = 0, NetWorkarea = 0, MotifWmHints = 0;
  XId Clipboard = 0, Targets = 0, Text = 0, ClipProperty = 0;
};

// How the server's default visual stores a pixel.
struct TPixelFormat {
  int Depth = 24;
  // True when a pixel is B, G, R, X in memory (32 bits, LSB first), so
  // the back buffer goes to the server as it is.
  bool Direct = true;
  unsigned long RedMask = 0xFF0000, GreenMask = 0xFF00, BlueMask = 0xFF;
};

class TX11Driver;

// A back buffer in memory shared with the X server (MIT-SHM), B, G, R, X
// rows of Width * 4 bytes.
class TShmBuffer {
 public:
  // A segment for a Width x Height image attached by the server; null
  // when the server cannot use shared memory from this process.
  static std::unique_ptr<TShmBuffer> Create(_XDisplay* Dpy, int Depth, int Width, int Height);
  // Lets the server detach (a round trip), then frees the memory.
  ~TShmBuffer();
  TShmBuffer(const TShmBuffer&) = delete;
  TShmBuffer& operator=(const TShmBuffer&) = delete;

  unsigned char* Bits() const;
  // Shows rectangle R of the buffer at the same place of Window. The
  // server reads the pixels when it handles the request (not before).
  void Put(XId Window, _XGC* Gc, const TRect& R);

 private:
  struct TSegment;
  explicit TShmBuffer(_XDisplay* Dpy);

  _XDisplay* FDpy;
  std::unique_ptr<TSegment> FSeg;
  _XImage* FImage = nullptr;
  bool FAttached = false;
};

// A top-level window of the window manager as an X window with a back
// buffer (B, G, R, A rows): shared with the server when it can, else in
// client memory wrapped by an XImage.
class TX11Window final : public TNativeWindow {
 public:
  TX11Window(TX11Driver& Driver, HWND Wnd, TNativeKind Kind, const TRect& Bounds, HWND Owner);
  ~TX11Window() override;
  TX11Window(const TX11Window&) = delete;
  TX11Window& operator=(const TX11Window&) = delete;

  TPixelSurface Surface() override;
  void Present(const TRect& Dirty) override;
  void SetBounds(const TRect& Bounds) override;
  void SetVisible(bool Visible) override;
  void SetTitle(const String& Title) override;
  void SetShape(const TRegion* Shape) override;
  void Raise() override;
  void SetCursor(HCURSOR Cursor) override;
  void Activate() override;

  XId Id() const { return FId; }
  HWND Handle() const { return FWnd; }
  // Handles an event of this X window (expose, configure, focus, map, the
  // window manager's close).
  void HandleEvent(const _XEvent& E);

 private:
  void SetProtocols(HWND Owner);
  // WM_NORMAL_HINTS: our position and size; a window of fixed size also
  // gives that size as its smallest and largest.
  void SetSizeHints();
  // Replaces the buffer by one of Width x Height that keeps the pixels
  // staying inside (new ones white).
  void ResizeBuffer(int Width, int Height);
  // Makes a white buffer of Width x Height (shared with the server when
  // it can); the old one must be gone.
  void NewBuffer(int Width, int Height);
  void FreeImage();
  void Put(const TRect& Rect);
  void ConvertRect(const TRect& Rect);
  void OnConfigure(const _XEvent& E);
  void KeepFixedSize(const TRect& Offered);
  void UpdateTopmost();
  void SendNetWmState(bool Add, XId State);

  TX11Driver& FDriver;
  _XDisplay* FDpy;
  HWND FWnd;
  TNativeKind FKind;
  XId FId = 0;
  _XGC* FGc = nullptr;
  _XImage* FImage = nullptr;        // over FPixels (no shared memory)
  std::unique_ptr<TShmBuffer> FShm;  // or the shared buffer
  std::vector<unsigned char> FPixels;
  unsigned char* FBits = nullptr;  // the pixels the window manager paints
  int FWidth = 0, FHeight = 0;     // of the buffer
  TRect FBounds{};
  std::vector<TRect> FPendingBounds;  // SetBounds not yet confirmed by the server
  XId FParent = 0;                    // the X parent (a window manager's frame, else the root)
  bool FVisible = false, FMapped = false, FFocusPending = false, FTopmost = false;
  // A framed window whose border style is not sizeable: the desktop may
  // neither resize nor maximise it.
  bool FFixedSize = false;
  TSize FRefusedSize{-1, -1};  // the last size we asked the server to undo
  HCURSOR FCursor = 0;  // the one defined last (0: none yet)
};

// The text clipboard: the CLIPBOARD selection, served from a helper window.
class TX11Clipboard {
 public:
  TX11Clipboard(_XDisplay* Dpy, const TAtoms& Atoms);
  ~TX11Clipboard();
  // Our own text while we own the selection; else asks the owner (waits
  // at most a second). "" when nobody owns it or it holds no text.
  String Text();
  // Takes the selection with Text.
  void SetText(const String& Text);
  // Answers selection requests and notes a lost selection; false for
  // events that are no business of the clipboard.
  bool HandleEvent(const _XEvent& E);

 private:
  bool WaitNotify(_XEvent& E, int TimeoutMs);
  String Fetch(XId Target);
  void Serve(const _XEvent& E);

  _XDisplay* FDpy;
  const TAtoms& FAtoms;
  XId FWin = 0;
  String FText;
};

class TX11Driver final : public TGuiDriver {
 public:
  TX11Driver(_XDisplay* Dpy, std::unique_ptr<TX11EventSink> Sink);
  ~TX11Driver() override;

  const char* Name() const override { return "x11"; }
  std::unique_ptr<TNativeWindow> CreateNativeWindow(HWND Wnd, TNativeKind Kind, const TRect& Bounds,
                                                    HWND Owner) override;
  void PumpEvents(int TimeoutMs) override;
  void Wake() override;
  std::vector<TMonitorInfo> Monitors() override;
  int PixelsPerInch() override { return 96; }
  String ClipboardText() override { return FClipboard->Text(); }
  void SetClipboardText(const String& Text) override { FClipboard->SetText(Text); }
  // Top-level windows of other clients: the root's children and, under a
  // reparenting desktop window manager, their children; a window's class
  // is the res_class of its WM_CLASS, its title _NET_WM_NAME or WM_NAME.
  // Ids are X window ids. Our own windows are never foreign.
  std::uintptr_t FindForeignWindow(const String& ClassName, const String& Title) override;
  bool IsForeignWindow(std::uintptr_t Id) override;
  String ForeignClassName(std::uintptr_t Id) override;
  String ForeignWindowText(std::uintptr_t Id) override;
  // Sends WM_DELETE_WINDOW (a WM_PROTOCOLS client message) when the window
  // takes it; false otherwise.
  bool PostForeignClose(std::uintptr_t Id) override;

  _XDisplay* Display() const { return FDpy; }
  const TAtoms& Atoms() const { return FAtoms; }
  const TPixelFormat& Format() const { return FFormat; }
  XId Root() const { return FRoot; }
  bool HasShape() const { return FHasShape; }
  bool HasShm() const { return FHasShm; }
  // Windows made from now on keep buffers of their own (for tests of
  // that path on servers that share memory).
  void DisableShm() { FHasShm = false; }
  TX11EventSink& Sink() { return *FSink; }
  // The X window of a top-level window of ours (0 when it has none).
  XId WindowOf(HWND Wnd) const;
  void Register(TX11Window* W);
  void Unregister(TX11Window* W);
  // The font cursor for a cursor handle (made once, kept until the end).
  XId CursorOf(HCURSOR Cursor);

 private:
  bool DrainQueued();
  void Dispatch(_XEvent& E);
  void DispatchKey(_XEvent& E);
  bool IsAutoRepeatRelease(const _XEvent& E);
  void DrainWakePipe();
  TRect WorkArea(const TRect& Screen);
  // The children of W, the top one first (empty when W is gone).
  std::vector<XId> ChildrenTopFirst(XId W);
  bool ForeignMatches(XId W, const String& ClassName, const String& Title);
  // The text of a string property (UTF8_STRING as it is, STRING from
  // Latin-1); "" when W has none.
  String TextProperty(XId W, XId Property);

  _XDisplay* FDpy;
  std::unique_ptr<TX11EventSink> FSink;
  TAtoms FAtoms;
  TPixelFormat FFormat;
  XId FRoot = 0;
  bool FHasShape = false, FHasShm = false;
  int FWakePipe[2] = {-1, -1};
  std::unordered_map<XId, TX11Window*> FWindows;
  std::unordered_map<HCURSOR, XId> FCursors;
  std::unique_ptr<TX11Clipboard> FClipboard;
};

// Makes failed requests non-fatal for the process (Xlib's default ends
// it) and counts them; every connection of ours uses this one handler.
void InstallErrorHandler();
// How many failed requests the server reported so far (all connections).
unsigned long XErrorCount();

// The sink that hands the driver's events to TDesktopInput (x11_sink.cpp).
std::unique_ptr<TX11EventSink> NewDesktopSink();

// ---- Keys (x11_keys.cpp) ------------------------------------------------------
// The virtual key of a keysym (0 when it has none).
Word VirtualKeyOfKeysym(unsigned long Keysym);
// The character a keysym stands for (0 when none).
char32_t CharOfKeysym(unsigned long Keysym);
// UTF-8 of one code point.
String Utf8Of(char32_t C);
String Latin1ToUtf8(const std::string& Text);
// Characters outside Latin-1 become '?'.
std::string Utf8ToLatin1(const String& Text);
// The X font-cursor shape (XC_*) of a standard cursor handle.
unsigned FontCursorOf(HCURSOR Cursor);

// ---- Extensions loaded at run time (x11_ext.cpp) ---------------------------------
// Sets Fn to the entry point Name of a library opened with dlopen (Lib
// may be null); true when it was found.
template <class T>
bool LoadSymbol(void* Lib, const char* Name, T& Fn) {
  Fn = Lib ? reinterpret_cast<T>(dlsym(Lib, Name)) : nullptr;
  return Fn != nullptr;
}

// True when the MIT-SHM extension's library is there and the server has it.
bool ShmAvailable(_XDisplay* Dpy);
// True when the XShape extension's library is there and the server has it.
bool ShapeAvailable(_XDisplay* Dpy);
// Sets the bounding shape of a window (null: rectangular again).
void ShapeWindow(_XDisplay* Dpy, XId Window, const TRegion* Shape);
// The monitors from XRandR; empty when XRandR is missing.
std::vector<TRect> RandrMonitors(_XDisplay* Dpy, XId Root, int& Primary);

}  // namespace x11
