// Internals of the window manager shared by the wm_*.cpp files: the window
// records, the per-thread queues, and the one lock over them.
//
// Thread safety: every field of TWmState and of the records is read and
// written with State().Mutex held (WmLock). Window procedures, hooks,
// timer procedures and the back end are never called with the lock held
// by the code that calls them, so a procedure may call any function of
// winapi.h. A queue's own fields are guarded by the queue's mutex.
#pragma once

#include <array>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>
#include <optional>
#include <unordered_map>
#include <vector>

#include "platform/gui/backend.h"
#include "platform/gui/graphics_canvas.h"
#include "platform/rtl/threads.h"

namespace wm {

// One window.
struct TWndRec {
  HWND Handle = nullptr;
  DWORD ThreadId = 0;
  String ClassName, Text;
  DWORD Style = 0, ExStyle = 0;
  HWND Parent = nullptr, Owner = nullptr;
  std::vector<HWND> Children;  // z-order, the top one first
  TRect Bounds{};              // in the parent's client area (desktop for top-level)
  TRect RestoreBounds{};       // the bounds before it was maximised
  TWndProc Proc;
  std::intptr_t Id = 0, UserData = 0;
  std::optional<TRegion> Shape;  // window coordinates
  TRegion Update;                // client coordinates
  bool EraseNeeded = false;
  bool InternalPaint = false;
  bool FrameDirty = false;
  TRect NcArea{};                // non-client insets (left, top, right, bottom) from WM_NCCALCSIZE
  bool NcKnown = false;          // NcArea was asked for (else the border styles count)
  unsigned PaintCount = 0;       // BeginPaint calls, to notice unanswered WM_PAINT
  TNativeKind Kind = TNativeKind::Normal;
  std::unique_ptr<TNativeWindow> Native;  // top-level windows only
  TRegion Dirty;                 // top-level: painted, not yet presented (window coordinates)
  bool Destroying = false;
};

// A message sent from another thread, waiting for its answer.
struct TSentMessage {
  HWND Wnd = nullptr;
  UINT Msg = 0;
  WPARAM WParam = 0;
  LPARAM LParam = 0;
  LRESULT Result = 0;
  bool Done = false;
  std::exception_ptr Error;
  struct TThreadQueue* Sender = nullptr;
};

// A device input message with the text that its key produced and the key
// state when it happened (GetKeyState reads it once the message is taken).
struct TInputMsg {
  MSG Msg;
  String Text;
  std::array<Byte, 256> Keys{};
};

// The message queue of one thread.
struct TThreadQueue {
  DWORD ThreadId = 0;
  std::mutex M;
  std::condition_variable Cv;
  std::deque<MSG> Posted;
  std::deque<TInputMsg> Input;
  std::deque<std::shared_ptr<TSentMessage>> Sent;
  bool QuitPosted = false;
  int QuitCode = 0;
  bool Woken = false;
  // What the last retrieved message said (GetMessageTime, TranslateMessage).
  DWORD LastTime = 0;
  TPoint LastPos{};
  MSG LastKey{};
  String LastKeyText;
  std::array<Byte, 256> KeyState{};  // as of the last input message taken
  bool HaveKeyState = false;
  bool InPump = false;
};

struct TWmState {
  std::recursive_mutex Mutex;
  std::unordered_map<std::uintptr_t, std::unique_ptr<TWndRec>> Windows;
  std::uintptr_t NextHandle = 0x10010;
  std::vector<HWND> TopLevels;  // z-order, the top one first; topmost ones lead
  HWND Focus = nullptr, Active = nullptr, Capture = nullptr;
  HWND PaintLocked = nullptr;  // LockWindowUpdate's window
  std::unordered_map<DWORD, std::shared_ptr<TThreadQueue>> Queues;
};

TWmState& State();
using TWmLock = std::unique_lock<std::recursive_mutex>;
inline TWmLock WmLock() { return TWmLock(State().Mutex); }

// ---- Records (lock held) -------------------------------------------------
// The record of Wnd, or null when it is no (longer a) window.
TWndRec* Rec(HWND Wnd);
inline HWND ToHwnd(std::uintptr_t V) { return reinterpret_cast<HWND>(V); }
HWND TopOf(HWND Wnd);
// Visible itself and every ancestor.
bool VisibleChain(HWND Wnd);
// Enabled itself and every ancestor.
bool EnabledChain(HWND Wnd);
// The widths of the non-client area (left, top, right, bottom): what the
// window procedure answered to WM_NCCALCSIZE, before the first answer the
// default border below (wm_nonclient.cpp).
TRect NcInsets(const TWndRec& R);
// The default non-client border: a child window's border styles (WS_BORDER
// 1, WS_EX_STATICEDGE 1, WS_EX_CLIENTEDGE 2 pixels); none for top-level.
TRect DefaultNcInsets(const TWndRec& R);
// DefWindowProc's WM_NCCALCSIZE: shrinks rgrc[0] by DefaultNcInsets.
LRESULT DefNcCalcSize(HWND Wnd, LPARAM LParam);
// Asks the window procedure for the client rectangle (WM_NCCALCSIZE; lock
// not held) and keeps the insets; the frame is repainted when they
// changed. Returns whether they changed.
bool RecalcNonClient(HWND Wnd);
// True when a style change touches the frame (borders, edges, scroll bars).
bool FrameStyleChange(DWORD OldStyle, DWORD NewStyle, DWORD OldEx, DWORD NewEx);
// The client area in window coordinates.
TRect ClientInWindow(const TWndRec& R);
// Where the window's top-left / client origin lies in its top-level window.
TPoint WindowOriginInTop(HWND Wnd);
TPoint ClientOriginInTop(HWND Wnd);
// The window's top-left on the desktop.
TPoint WindowOriginOnDesktop(HWND Wnd);
// The pixels of the window seen in its top-level (top-level coordinates):
// clipped by the ancestors' client areas, shapes and clipping siblings.
TRegion VisibleInTop(HWND Wnd);
// The visible client area, without child windows when WS_CLIPCHILDREN.
TRegion ClientVisibleInTop(HWND Wnd);
// The window's own area (shape included) in its parent's client coordinates.
TRegion AreaInParent(const TWndRec& R);
// Puts a top-level window, and the windows it owns above it, on top of
// its group; collects the native windows to raise, in order.
void BringToFront(HWND Top, std::vector<TNativeWindow*>& Raised);
// True when the desktop point lies on the visible window (shape included).
bool WindowContains(HWND Wnd, TPoint Desktop);
// Whether a top-level window can become the active one.
bool Activatable(HWND Top);
// Every window of the tree under Wnd, Wnd first (pre-order).
void CollectTree(HWND Wnd, std::vector<HWND>& Out);
// The windows of the thread in paint order: top-level windows bottom up,
// each followed by its tree.
std::vector<HWND> ThreadWindowsInPaintOrder(DWORD ThreadId);

// ---- Queues ---------------------------------------------------------------
std::shared_ptr<TThreadQueue> QueueOf(DWORD ThreadId);
std::shared_ptr<TThreadQueue> MyQueue();
// Wakes the thread's wait (its condition, and the back end for the main thread).
void WakeQueue(TThreadQueue& Q);
// On the main thread: lets the back end deliver device events (waiting up
// to TimeoutMs) and runs work of TThread.Synchronize; never nested.
void PumpDevice(TThreadQueue& Q, int TimeoutMs);
// Runs the messages that other threads sent to this thread.
void ReceiveSent(TThreadQueue& Q);
// Queues a device input message for Wnd's thread; consecutive mouse moves
// to one window are merged.
void PostInput(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam, const String& Text = String());
// Calls the procedure of a window of the calling thread (WH_CALLWNDPROC
// hooks first).
LRESULT CallProc(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam);

// ---- Painting (wm_paint.cpp) ------------------------------------------------
// The first window of the thread that waits for WM_PAINT (parents first), or null.
HWND FindPaintWindow(DWORD ThreadId, HWND Filter);
// Shows what was painted into the thread's top-level windows.
void FlushPresents(DWORD ThreadId);
// Notes that Area (top-level coordinates) of Top's surface changed.
void MarkDirty(HWND Top, const TRegion& Area);
// A canvas over Top's surface with the given origin and clip (top coordinates).
std::unique_ptr<TCanvas> SurfaceCanvas(HWND Top, TPoint Origin, const TRegion& Clip);
// Sends WM_PAINT to the window now when it waits for one.
void PaintNow(HWND Wnd);
// Invalidates the part of the parent (or top-level) that Area covers
// (parent client coordinates); used when a window moves or hides.
void InvalidateUncovered(HWND Parent, const TRegion& Area);

// Sends WM_MOVE (client origin in the parent) and WM_SIZE (client size)
// as told, WM_SIZE first with SizeFirst.
void SendMoveSize(HWND Wnd, bool Moved, bool Sized, bool SizeFirst);
// ShowWindow; without Notify no WM_SHOWWINDOW is sent (a window that is
// being destroyed is hidden quietly).
bool ShowWindowImpl(HWND Wnd, int Cmd, bool Notify);

// ---- Input, focus, timers, hooks, carets ---------------------------------
void ForgetWindowInput(HWND Wnd);
// Takes focus and capture away from a window that goes away (hidden,
// disabled, destroyed), and with Activation the activation too.
void ForgetWindowFocus(HWND Wnd, bool Activation = true);
// Activates Top (null: none of ours) and sends the activation messages.
void ActivateTop(HWND Top, int How);
void KillTimersOf(HWND Wnd);
// A due timer of the thread as a WM_TIMER message; internal timers run
// their procedure here and are not handed out. Returns false when none.
bool TakeDueTimer(DWORD ThreadId, HWND Filter, bool Remove, MSG& Msg);
// Milliseconds until the thread's next timer is due (0 when overdue), -1
// when it has none.
long long NextTimerDelay(DWORD ThreadId);
// Starts or stops an internal timer (not handed out as a message).
std::uintptr_t SetInternalTimer(DWORD ThreadId, UINT ElapseMs, std::function<void()> Proc);
void KillInternalTimer(std::uintptr_t Id);
// Runs the timer procedure of a dispatched WM_TIMER; false when it has none.
bool RunTimerProc(const MSG& Msg);
// Calls the first hook of Kind of the calling thread; 0 when there is none.
LRESULT CallHooks(int Kind, int Code, WPARAM WParam, LPARAM LParam);
bool HasHooks(int Kind);
// The caret steps aside while its top-level window is painted.
void CaretSuspend(HWND Top);
void CaretResume(HWND Top);
void ForgetWindowCaret(HWND Wnd);
// The MK_* flags of the buttons and keys held now.
WPARAM MouseKeyFlags();
// Notes a mouse button in the key state (VK_LBUTTON ...).
void SetMouseButtonKey(int Button, bool IsDown);

// Wakes the back end's PumpEvents when a back end is installed.
void WakeDriver();
// The text a key gives without a device's help (letters, digits, space,
// Enter, Tab, Backspace, Escape, control characters with Ctrl).
String KeyText(Word VirtualKey, bool Shift, bool Ctrl);

// Decodes UTF-8 into code points.
std::vector<char32_t> CodePoints(const String& Text);

}  // namespace wm
