// Locale services of the platform as the system reaches them through
// platform/os: CompareStringA and the German collation live in the class
// library's character-set module and are re-exported here.
//
// Thread safety: see platform/rtl/charset.h.
#pragma once

#include "platform/rtl/charset.h"

// The user's and the system's default locale, as the original platform
// numbered German (Germany).
constexpr Cardinal LANG_GERMAN_GERMANY = 0x0407;

// The locale the program runs in (always German here).
inline Cardinal GetUserDefaultLCID() { return LANG_GERMAN_GERMANY; }
inline Cardinal GetSystemDefaultLCID() { return LANG_GERMAN_GERMANY; }
