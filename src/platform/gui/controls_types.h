// Types shared by the controls of the visual class library: alignment,
// anchors, shift state and mouse buttons, cursors, control style and
// state, size constraints, the creation parameters of a window, the event
// types of controls, and the message map through which a control's
// WndProc reaches its handler methods.
//
// Message map: a class that handles messages by number declares
// RTL_MESSAGE_HANDLERS(Self) in its body and fills the map in its .cpp:
//
//   RTL_MESSAGE_MAP(TPlainButton) {
//     M.On(CM_MOUSEENTER, &TPlainButton::CMMouseEnter);
//     M.On(WM_KEYDOWN, &TPlainButton::WMKeyDown);
//   }
//
// A handler is a member function taking TMessage&; it calls the handler of
// the nearest ancestor (or DefaultHandler when none) with
// Inherited(Self::StaticClass(), Message).
//
// Thread safety: the message map is filled during static initialisation
// and only read afterwards; everything else here is plain values.
#pragma once

#include <functional>
#include <map>

#include "platform/gui/graphics.h"
#include "platform/gui/winapi.h"
#include "platform/rtl/classes.h"

class TControl;
class TWinControl;

RTL_ENUM(TAlign, alNone, alTop, alBottom, alLeft, alRight, alClient, alCustom);
RTL_ENUM(TAnchorKind, akLeft, akTop, akRight, akBottom);
using TAnchors = TSet<TAnchorKind>;
RTL_ENUM(TBiDiMode, bdLeftToRight, bdRightToLeft, bdRightToLeftNoAlign, bdRightToLeftReadingOnly);
RTL_ENUM(TMouseButton, mbLeft, mbRight, mbMiddle);
RTL_ENUM(TShiftStateItem, ssShift, ssAlt, ssCtrl, ssLeft, ssRight, ssMiddle, ssDouble);
using TShiftState = TSet<TShiftStateItem>;
RTL_ENUM(TDragMode, dmManual, dmAutomatic);
RTL_ENUM(TDragKind, dkDrag, dkDock);

RTL_ENUM(TControlStyleItem, csAcceptsControls, csCaptureMouse, csDesignInteractive, csClickEvents,
         csFramed, csSetCaption, csOpaque, csDoubleClicks, csFixedWidth, csFixedHeight,
         csNoDesignVisible, csReplicatable, csNoStdEvents, csDisplayDragImage, csReflector,
         csActionClient, csMenuEvents, csNeedsBorderPaint, csParentBackground, csPannable);
using TControlStyle = TSet<TControlStyleItem>;

RTL_ENUM(TControlStateItem, csLButtonDown, csClicked, csPalette, csReadingState, csAlignmentNeeded,
         csFocusing, csCreating, csPaintCopy, csCustomPaint, csDestroyingHandle, csDocking,
         csDesignerHide, csRecreating, csAligning);
using TControlState = TSet<TControlStateItem>;

// The mouse cursor of a control: a number in the screen's cursor table.
// The standard cursors are negative; programs add their own (positive or,
// like the busy cursors, below -4000).
using TCursor = Integer;
enum : TCursor {
  crDefault = 0, crNone = -1, crArrow = -2, crCross = -3, crIBeam = -4, crSizeNESW = -6,
  crSizeNS = -7, crSizeNWSE = -8, crSizeWE = -9, crUpArrow = -10, crHourGlass = -11, crDrag = -12,
  crNoDrop = -13, crHSplit = -14, crVSplit = -15, crMultiDrag = -16, crSQLWait = -17, crNo = -18,
  crAppStart = -19, crHelp = -20, crHandPoint = -21, crSizeAll = -22, crSize = -22,
};
// Cursor names ("crHandPoint") for the property registry; false when unknown.
bool CursorToIdent(Integer Cursor, String& Ident);
bool IdentToCursor(const String& Ident, Integer& Cursor);

// The window manager's cursor for a TCursor: the standard cursor of the
// original platform (IDC_*), the arrow for unknown numbers.
HCURSOR DefaultCursorHandle(TCursor Cursor);
// Installed by the screen: its cursor table (TCursor -> cursor handle)
// and its global cursor (crDefault lets the controls choose). Controls use
// DefaultCursorHandle and crDefault while they are empty.
extern std::function<HCURSOR(TCursor)> CursorHandleHook;
extern std::function<TCursor()> ScreenCursorHook;

// WM_GETDLGCODE answers: which keys a control wants for itself.
enum : LRESULT {
  DLGC_WANTARROWS = 0x0001, DLGC_WANTTAB = 0x0002, DLGC_WANTALLKEYS = 0x0004,
  DLGC_WANTMESSAGE = 0x0004, DLGC_HASSETSEL = 0x0008, DLGC_DEFPUSHBUTTON = 0x0010,
  DLGC_UNDEFPUSHBUTTON = 0x0020, DLGC_RADIOBUTTON = 0x0040, DLGC_WANTCHARS = 0x0080,
  DLGC_STATIC = 0x0100, DLGC_BUTTON = 0x2000,
};

// The shift state of mouse-message key flags (MK_*) plus the Alt key.
TShiftState MouseKeysToShiftState(WPARAM Keys);
// The shift state of the keyboard now (Shift, Ctrl, Alt).
TShiftState KeyboardStateToShiftState();
// The shift state of the key-data (lParam) of a key message: Alt from
// bit 29, Shift and Ctrl from the keyboard state.
TShiftState KeyDataToShiftState(LPARAM KeyData);

// MulDiv of the original platform: Number * Numerator / Denominator,
// rounded half away from zero; -1 when Denominator is 0.
Integer MulDiv(Integer Number, Integer Numerator, Integer Denominator);

// The window class, styles, bounds and parent a control asks for when its
// window is created (TWinControl::CreateParams).
struct TCreateParams {
  String Caption;
  DWORD Style = 0;
  DWORD ExStyle = 0;
  Integer X = 0, Y = 0, Width = 0, Height = 0;
  HWND WndParent = nullptr;
  String WinClassName;
};

// Events of controls.
using TMouseEvent =
    std::function<void(TObject* Sender, TMouseButton Button, TShiftState Shift, Integer X, Integer Y)>;
using TMouseMoveEvent = std::function<void(TObject* Sender, TShiftState Shift, Integer X, Integer Y)>;
using TKeyEvent = std::function<void(TObject* Sender, Word& Key, TShiftState Shift)>;
// Key is the typed character as a code point (0 swallows it).
using TKeyPressEvent = std::function<void(TObject* Sender, char32_t& Key)>;
// Handled set true stops the default reaction (and the Up/Down events).
using TMouseWheelEvent = std::function<void(TObject* Sender, TShiftState Shift, Integer WheelDelta,
                                            TPoint MousePos, bool& Handled)>;
using TMouseWheelUpDownEvent = std::function<void(TObject* Sender, TShiftState Shift, TPoint MousePos, bool& Handled)>;
// One notch of the mouse wheel.
constexpr Integer WHEEL_DELTA = 120;
using TEndDragEvent = std::function<void(TObject* Sender, TObject* Target, Integer X, Integer Y)>;
using TCanResizeEvent = std::function<void(TObject* Sender, Integer& NewWidth, Integer& NewHeight, bool& Resize)>;
// A replaceable window procedure (TControl::WindowProc).
using TWndMethod = std::function<void(TMessage& Message)>;

// Minimum and maximum size of a control; 0 means no limit. Every change
// calls OnChange (the control re-applies its bounds).
class TSizeConstraints : public TPersistent {
  RTL_DECLARE_CLASS(TSizeConstraints)
 public:
  explicit TSizeConstraints(TControl* Control = nullptr) : FControl(Control) {}
  Integer MaxHeight() const { return FMaxHeight; }
  Integer MaxWidth() const { return FMaxWidth; }
  Integer MinHeight() const { return FMinHeight; }
  Integer MinWidth() const { return FMinWidth; }
  // A maximum below the minimum raises the minimum's partner: setting a
  // maximum lowers a larger minimum to it, setting a minimum raises a
  // smaller (non-zero) maximum to it.
  void SetMaxHeight(Integer V);
  void SetMaxWidth(Integer V);
  void SetMinHeight(Integer V);
  void SetMinWidth(Integer V);
  // Clamps a proposed size to the limits.
  void Apply(Integer& Width, Integer& Height) const;
  // Clamps a proposed size to the given limits (0: none).
  static void Clamp(Integer& Width, Integer& Height, Integer MinWidth, Integer MinHeight, Integer MaxWidth,
                    Integer MaxHeight);
  void Assign(TPersistent* Source) override;
  TPersistent* GetOwner() override;

  TNotifyEvent OnChange;

 private:
  void Changed();
  TControl* FControl;
  Integer FMaxHeight = 0, FMaxWidth = 0, FMinHeight = 0, FMinWidth = 0;
};

// ---- Message map -------------------------------------------------------------

using TMessageHandler = std::function<void(TObject* Self, TMessage& Message)>;
// Adds the handler of message Msg for Class (replacing an earlier one).
void RegisterMessageHandler(TClass Class, UINT Msg, TMessageHandler Handler);
// The handler of Msg declared by Class itself (not its ancestors), or null.
const TMessageHandler* FindOwnMessageHandler(TClass Class, UINT Msg);

template <class T>
class TMessageMap {
 public:
  template <class C>
  void On(UINT Msg, void (C::*Fn)(TMessage&)) {
    static_assert(std::is_base_of_v<C, T>, "the handler must belong to the class or a parent");
    RegisterMessageHandler(T::StaticClass(), Msg,
                           [Fn](TObject* Self, TMessage& M) { (static_cast<T*>(Self)->*Fn)(M); });
  }
};

template <class T>
bool RunMessageMap(void (*Fn)(TMessageMap<T>&)) {
  TMessageMap<T> M;
  Fn(M);
  return true;
}

// In the class body: declares the class's message map.
#define RTL_MESSAGE_HANDLERS(Self)                     \
 private:                                              \
  static const bool RtlMessageMapDone_;                \
  static void RtlMessageMap_(TMessageMap<Self>& M);    \
 public:

// In the class's .cpp: opens the block that fills the map (runs once at
// static initialisation).
#define RTL_MESSAGE_MAP(Self)                                                     \
  const bool Self::RtlMessageMapDone_ = RunMessageMap<Self>(&Self::RtlMessageMap_); \
  void Self::RtlMessageMap_([[maybe_unused]] TMessageMap<Self>& M)
