// The tables of the X11 back end that need no display: keysyms to virtual
// keys and characters, the text conversions of titles and the clipboard,
// and the font cursors of the standard cursor handles.
#include <gtest/gtest.h>

#include <X11/cursorfont.h>
#include <X11/keysym.h>

#include "platform/gui/x11_internal.h"

using namespace x11;

namespace {

TEST(X11KeysTest, LettersGiveTheirCapitalAsVirtualKeyWhateverTheCase) {
  EXPECT_EQ(VirtualKeyOfKeysym(XK_a), Word('A'));
  EXPECT_EQ(VirtualKeyOfKeysym(XK_Z), Word('Z'));
  EXPECT_EQ(VirtualKeyOfKeysym(XK_7), Word('7'));
}

TEST(X11KeysTest, NamedKeysGiveTheOriginalPlatformsCodes) {
  EXPECT_EQ(VirtualKeyOfKeysym(XK_Return), VK_RETURN);
  EXPECT_EQ(VirtualKeyOfKeysym(XK_KP_Enter), VK_RETURN);
  EXPECT_EQ(VirtualKeyOfKeysym(XK_Escape), VK_ESCAPE);
  EXPECT_EQ(VirtualKeyOfKeysym(XK_ISO_Left_Tab), VK_TAB) << "Shift+Tab is still Tab";
  EXPECT_EQ(VirtualKeyOfKeysym(XK_F10), VK_F10);
  EXPECT_EQ(VirtualKeyOfKeysym(XK_KP_3), Word(VK_NUMPAD0 + 3));
  EXPECT_EQ(VirtualKeyOfKeysym(XK_KP_Subtract), VK_SUBTRACT);
  EXPECT_EQ(VirtualKeyOfKeysym(XK_Next), VK_NEXT);
}

TEST(X11KeysTest, BothShiftControlAndAltKeysGiveTheGenericModifier) {
  EXPECT_EQ(VirtualKeyOfKeysym(XK_Shift_R), VK_SHIFT);
  EXPECT_EQ(VirtualKeyOfKeysym(XK_Control_L), VK_CONTROL);
  EXPECT_EQ(VirtualKeyOfKeysym(XK_Alt_R), VK_MENU);
}

TEST(X11KeysTest, GermanKeysGiveTheirOemCodes) {
  EXPECT_EQ(VirtualKeyOfKeysym(XK_udiaeresis), 0xBA);
  EXPECT_EQ(VirtualKeyOfKeysym(XK_odiaeresis), 0xC0);
  EXPECT_EQ(VirtualKeyOfKeysym(XK_adiaeresis), 0xDE);
  EXPECT_EQ(VirtualKeyOfKeysym(XK_ssharp), 0xDB);
  EXPECT_EQ(VirtualKeyOfKeysym(XK_less), 0xE2);
  EXPECT_EQ(VirtualKeyOfKeysym(XK_minus), 0xBD);
}

TEST(X11KeysTest, KeysymsWithoutKeyGiveZero) {
  EXPECT_EQ(VirtualKeyOfKeysym(XK_exclam), 0);
  EXPECT_EQ(VirtualKeyOfKeysym(XK_EuroSign), 0);
}

TEST(X11KeysTest, CharactersOfLatin1AndUnicodeKeysyms) {
  EXPECT_EQ(CharOfKeysym(XK_a), U'a');
  EXPECT_EQ(CharOfKeysym(XK_udiaeresis), U'\u00FC');
  EXPECT_EQ(CharOfKeysym(XK_EuroSign), U'\u20AC');
  EXPECT_EQ(CharOfKeysym(0x1000416UL), U'\u0416') << "keysyms that carry a code point";
  EXPECT_EQ(CharOfKeysym(XK_KP_5), U'5');
  EXPECT_EQ(CharOfKeysym(XK_F1), 0u);
  EXPECT_EQ(CharOfKeysym(XK_Shift_L), 0u);
}

TEST(X11KeysTest, Utf8OfEveryLength) {
  EXPECT_EQ(Utf8Of(U'A'), "A");
  EXPECT_EQ(Utf8Of(U'\u00FC'), "\xC3\xBC");
  EXPECT_EQ(Utf8Of(U'\u20AC'), "\xE2\x82\xAC");
  EXPECT_EQ(Utf8Of(U'\U0001F600'), "\xF0\x9F\x98\x80");
}

TEST(X11KeysTest, Latin1ConversionsKeepUmlautsAndMarkTheRest) {
  EXPECT_EQ(Utf8ToLatin1("Gr\xC3\xBC\xC3\x9F" "e"), "Gr\xFC\xDF" "e");
  EXPECT_EQ(Utf8ToLatin1("5 \xE2\x82\xAC"), "5 ?");
  EXPECT_EQ(Latin1ToUtf8("Gr\xFC\xDF" "e"), "Gr\xC3\xBC\xC3\x9F" "e");
  EXPECT_EQ(Latin1ToUtf8(Utf8ToLatin1("B\xC3\xBCro")), "B\xC3\xBCro");
}

TEST(X11KeysTest, StandardCursorsHaveTheirFontCursor) {
  EXPECT_EQ(FontCursorOf(IDC_ARROW), unsigned(XC_left_ptr));
  EXPECT_EQ(FontCursorOf(IDC_WAIT), unsigned(XC_watch));
  EXPECT_EQ(FontCursorOf(IDC_IBEAM), unsigned(XC_xterm));
  EXPECT_EQ(FontCursorOf(IDC_HAND), unsigned(XC_hand2));
  EXPECT_EQ(FontCursorOf(IDC_SIZEWE), unsigned(XC_sb_h_double_arrow));
  EXPECT_EQ(FontCursorOf(4711), unsigned(XC_left_ptr)) << "a cursor of our own table";
}

}  // namespace
