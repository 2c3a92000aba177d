// Keysyms to the original platform's virtual keys and characters, text
// conversions of the X11 back end, and the font cursors of the standard
// cursor handles.
// Our headers come before Xlib's, whose macros (None, Bool ...) would
// otherwise reach them.
#include "platform/gui/x11_internal.h"

#include <X11/cursorfont.h>
#include <X11/keysym.h>

namespace x11 {

namespace {

// Keys of the OEM range, as a German (and US) keyboard gives them.
constexpr Word VK_OEM_1 = 0xBA, VK_OEM_PLUS = 0xBB, VK_OEM_COMMA = 0xBC, VK_OEM_MINUS = 0xBD,
               VK_OEM_PERIOD = 0xBE, VK_OEM_2 = 0xBF, VK_OEM_3 = 0xC0, VK_OEM_4 = 0xDB, VK_OEM_5 = 0xDC,
               VK_OEM_6 = 0xDD, VK_OEM_7 = 0xDE, VK_OEM_102 = 0xE2;

struct TKeyPair {
  unsigned long Keysym;
  Word Vk;
};

constexpr TKeyPair kKeys[] = {
    {XK_BackSpace, VK_BACK}, {XK_Tab, VK_TAB}, {XK_ISO_Left_Tab, VK_TAB}, {XK_Return, VK_RETURN},
    {XK_KP_Enter, VK_RETURN}, {XK_Pause, VK_PAUSE}, {XK_Caps_Lock, VK_CAPITAL}, {XK_Escape, VK_ESCAPE},
    {XK_space, VK_SPACE}, {XK_Prior, VK_PRIOR}, {XK_Next, VK_NEXT}, {XK_End, VK_END}, {XK_Home, VK_HOME},
    {XK_Left, VK_LEFT}, {XK_Up, VK_UP}, {XK_Right, VK_RIGHT}, {XK_Down, VK_DOWN}, {XK_Select, VK_SELECT},
    {XK_Print, VK_SNAPSHOT}, {XK_Insert, VK_INSERT}, {XK_Delete, VK_DELETE}, {XK_Help, VK_HELP},
    {XK_Super_L, VK_LWIN}, {XK_Super_R, VK_RWIN}, {XK_Menu, VK_APPS}, {XK_KP_Multiply, VK_MULTIPLY},
    {XK_KP_Add, VK_ADD}, {XK_KP_Separator, VK_SEPARATOR}, {XK_KP_Subtract, VK_SUBTRACT},
    {XK_KP_Decimal, VK_DECIMAL}, {XK_KP_Divide, VK_DIVIDE}, {XK_Num_Lock, VK_NUMLOCK},
    {XK_Scroll_Lock, VK_SCROLL}, {XK_Shift_L, VK_SHIFT}, {XK_Shift_R, VK_SHIFT},
    {XK_Control_L, VK_CONTROL}, {XK_Control_R, VK_CONTROL}, {XK_Alt_L, VK_MENU}, {XK_Alt_R, VK_MENU},
    {XK_Meta_L, VK_MENU}, {XK_Meta_R, VK_MENU}, {XK_KP_Home, VK_HOME}, {XK_KP_End, VK_END},
    {XK_KP_Left, VK_LEFT}, {XK_KP_Right, VK_RIGHT}, {XK_KP_Up, VK_UP}, {XK_KP_Down, VK_DOWN},
    {XK_KP_Prior, VK_PRIOR}, {XK_KP_Next, VK_NEXT}, {XK_KP_Insert, VK_INSERT}, {XK_KP_Delete, VK_DELETE},
    {XK_semicolon, VK_OEM_1}, {XK_udiaeresis, VK_OEM_1}, {XK_plus, VK_OEM_PLUS}, {XK_equal, VK_OEM_PLUS},
    {XK_comma, VK_OEM_COMMA}, {XK_minus, VK_OEM_MINUS}, {XK_period, VK_OEM_PERIOD},
    {XK_slash, VK_OEM_2}, {XK_numbersign, VK_OEM_2}, {XK_grave, VK_OEM_3}, {XK_odiaeresis, VK_OEM_3},
    {XK_bracketleft, VK_OEM_4}, {XK_ssharp, VK_OEM_4}, {XK_backslash, VK_OEM_5},
    {XK_asciicircum, VK_OEM_5}, {XK_dead_circumflex, VK_OEM_5}, {XK_bracketright, VK_OEM_6},
    {XK_dead_acute, VK_OEM_6}, {XK_apostrophe, VK_OEM_7}, {XK_adiaeresis, VK_OEM_7},
    {XK_less, VK_OEM_102},
};

// Keysyms beyond Latin-1 that keyboards commonly produce.
constexpr std::pair<unsigned long, char32_t> kChars[] = {{XK_EuroSign, U'\u20AC'}};

}  // namespace

Word VirtualKeyOfKeysym(unsigned long K) {
  if (K >= XK_a && K <= XK_z) return Word('A' + (K - XK_a));
  if ((K >= XK_A && K <= XK_Z) || (K >= XK_0 && K <= XK_9)) return Word(K);
  if (K >= XK_F1 && K <= XK_F12) return Word(VK_F1 + (K - XK_F1));
  if (K >= XK_KP_0 && K <= XK_KP_9) return Word(VK_NUMPAD0 + (K - XK_KP_0));
  for (const TKeyPair& p : kKeys)
    if (p.Keysym == K) return p.Vk;
  return 0;
}

char32_t CharOfKeysym(unsigned long K) {
  if ((K >= 0x20 && K <= 0x7E) || (K >= 0xA0 && K <= 0xFF)) return char32_t(K);
  if ((K & 0xFF000000UL) == 0x01000000UL) return char32_t(K & 0x00FFFFFFUL);
  if (K >= XK_KP_0 && K <= XK_KP_9) return char32_t('0' + (K - XK_KP_0));
  for (const auto& [ks, c] : kChars)
    if (ks == K) return c;
  return 0;
}

String Utf8Of(char32_t C) {
  String s;
  if (C < 0x80) {
    s += char(C);
  } else if (C < 0x800) {
    s += char(0xC0 | (C >> 6)), s += char(0x80 | (C & 0x3F));
  } else if (C < 0x10000) {
    s += char(0xE0 | (C >> 12)), s += char(0x80 | ((C >> 6) & 0x3F)), s += char(0x80 | (C & 0x3F));
  } else {
    s += char(0xF0 | (C >> 18)), s += char(0x80 | ((C >> 12) & 0x3F));
    s += char(0x80 | ((C >> 6) & 0x3F)), s += char(0x80 | (C & 0x3F));
  }
  return s;
}

String Latin1ToUtf8(const std::string& Text) {
  String s;
  for (unsigned char c : Text) s += Utf8Of(c);
  return s;
}

std::string Utf8ToLatin1(const String& Text) {
  std::string s;
  for (size_t i = 0; i < Text.size();) {
    unsigned char c = Text[i];
    int n = c < 0x80 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
    char32_t cp = n == 1 ? c : c & (0x7F >> n);
    for (int k = 1; k < n && i + k < Text.size(); ++k) cp = (cp << 6) | (Text[i + k] & 0x3F);
    s += cp <= 0xFF ? char(cp) : '?';
    i += n;
  }
  return s;
}

unsigned FontCursorOf(HCURSOR Cursor) {
  switch (Cursor) {
    case IDC_IBEAM: return XC_xterm;
    case IDC_WAIT: return XC_watch;
    case IDC_APPSTARTING: return XC_watch;
    case IDC_CROSS: return XC_crosshair;
    case IDC_UPARROW: return XC_sb_up_arrow;
    case IDC_SIZENWSE: return XC_bottom_right_corner;
    case IDC_SIZENESW: return XC_bottom_left_corner;
    case IDC_SIZEWE: return XC_sb_h_double_arrow;
    case IDC_SIZENS: return XC_sb_v_double_arrow;
    case IDC_SIZEALL: return XC_fleur;
    case IDC_NO: return XC_X_cursor;
    case IDC_HAND: return XC_hand2;
    case IDC_HELP: return XC_question_arrow;
    default: return XC_left_ptr;
  }
}

}  // namespace x11
