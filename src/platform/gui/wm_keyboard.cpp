// Keyboard input: the key state table, key events from the back end into
// WM_KEYDOWN / WM_SYSKEYDOWN messages, and the text of keys.
#include <array>

#include "platform/gui/wm_internal.h"
#include "platform/rtl/clock.h"

using namespace wm;

namespace {

// Bit 0x80: down; bit 0x01: toggled (flips on each press).
std::array<Byte, 256>& Keys() {
  static std::array<Byte, 256> K{};
  return K;
}

bool Down(int Vk) { return (Keys()[Vk & 0xFF] & 0x80) != 0; }

void SetKey(int Vk, bool IsDown) {
  Byte& k = Keys()[Vk & 0xFF];
  if (IsDown && !(k & 0x80)) k ^= 0x01;
  k = IsDown ? (k | 0x80) : (k & ~0x80);
}

// The side-specific keys also move the plain one.
void SetKeyAndPlain(Word Vk, bool IsDown) {
  SetKey(Vk, IsDown);
  if (Vk == VK_LSHIFT || Vk == VK_RSHIFT) SetKey(VK_SHIFT, IsDown);
  if (Vk == VK_LCONTROL || Vk == VK_RCONTROL) SetKey(VK_CONTROL, IsDown);
  if (Vk == VK_LMENU || Vk == VK_RMENU) SetKey(VK_MENU, IsDown);
}

}  // namespace

void wm::PostInput(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam, const String& Text) {
  DWORD tid;
  TPoint pos;
  {
    auto L = WmLock();
    TWndRec* r = Rec(Wnd);
    if (!r) return;
    tid = r->ThreadId;
  }
  pos = GetCursorPos();
  auto q = QueueOf(tid);
  {
    std::lock_guard<std::mutex> l(q->M);
    MSG m{Wnd, Msg, WParam, LParam, GetTickCount(), pos};
    if (Msg == WM_MOUSEMOVE && !q->Input.empty() && q->Input.back().Msg.message == WM_MOUSEMOVE &&
        q->Input.back().Msg.hwnd == Wnd)
      q->Input.back().Msg = m;  // only the latest position of a move matters
    else
      q->Input.push_back(TInputMsg{m, Text, Keys()});
  }
  WakeQueue(*q);
}

WPARAM wm::MouseKeyFlags() {
  WPARAM f = 0;
  if (Down(VK_LBUTTON)) f |= MK_LBUTTON;
  if (Down(VK_RBUTTON)) f |= MK_RBUTTON;
  if (Down(VK_MBUTTON)) f |= MK_MBUTTON;
  if (Down(VK_SHIFT)) f |= MK_SHIFT;
  if (Down(VK_CONTROL)) f |= MK_CONTROL;
  return f;
}

String wm::KeyText(Word Vk, bool Shift, bool Ctrl) {
  bool letter = Vk >= 'A' && Vk <= 'Z';
  if (Ctrl) {
    if (letter) return String(1, char(Vk - 'A' + 1));
    return Vk == VK_RETURN ? String("\n") : String();
  }
  if (letter) return String(1, char(Shift ? Vk : Vk + 32));
  if (Vk >= '0' && Vk <= '9') return Shift ? String() : String(1, char(Vk));
  if (Vk >= VK_NUMPAD0 && Vk <= VK_NUMPAD0 + 9) return String(1, char('0' + Vk - VK_NUMPAD0));
  switch (Vk) {
    case VK_SPACE: return " ";
    case VK_RETURN: return "\r";
    case VK_TAB: return "\t";
    case VK_BACK: return "\b";
    case VK_ESCAPE: return "\x1b";
    case VK_MULTIPLY: return "*";
    case VK_ADD: return "+";
    case VK_SUBTRACT: return "-";
    case VK_DECIMAL: return ",";
    case VK_DIVIDE: return "/";
  }
  return String();
}

void TDesktopInput::Key(Word VirtualKey, bool IsDown, const String& Char) {
  HWND target;
  bool wasDown, alt, ctrl;
  {
    auto L = WmLock();
    wasDown = Down(VirtualKey);
    SetKeyAndPlain(VirtualKey, IsDown);
    alt = Down(VK_MENU), ctrl = Down(VK_CONTROL);
    target = State().Focus ? State().Focus : State().Active;
  }
  if (!target) return;
  // Alt (without Ctrl, which makes AltGr) and F10 give system keys.
  bool sys = (alt && !ctrl) || VirtualKey == VK_F10;
  UINT msg = IsDown ? (sys ? WM_SYSKEYDOWN : WM_KEYDOWN) : (sys ? WM_SYSKEYUP : WM_KEYUP);
  std::uint32_t lp = 1u | (alt ? 1u << 29 : 0) | (wasDown ? 1u << 30 : 0) | (IsDown ? 0 : 1u << 31);
  PostInput(target, msg, VirtualKey, LPARAM(lp), IsDown ? Char : String());
}

void wm::SetMouseButtonKey(int Button, bool IsDown) {
  auto L = WmLock();
  SetKey(Button == 0 ? VK_LBUTTON : Button == 1 ? VK_RBUTTON : VK_MBUTTON, IsDown);
}

namespace {

std::int16_t StateBits(Byte K) { return std::int16_t(((K & 0x80) ? 0x8000 : 0) | (K & 0x01)); }

}  // namespace

// As of the last input message the thread took, as the original keeps it
// in step with the messages; the device's state before any was taken.
std::int16_t GetKeyState(int VirtualKey) {
  auto q = MyQueue();
  if (q->HaveKeyState) return StateBits(q->KeyState[VirtualKey & 0xFF]);
  return GetAsyncKeyState(VirtualKey);
}

std::int16_t GetAsyncKeyState(int VirtualKey) {
  auto L = WmLock();
  return StateBits(Keys()[VirtualKey & 0xFF]);
}
