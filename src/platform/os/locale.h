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

// The system's primary language: the language part of the locale named by
// LC_ALL, LC_MESSAGES or LANG (the first of them that is set and not empty),
// in lower case and without territory, code set or modifier: "ko" for
// "ko_KR.UTF-8", "de" for "de_DE@euro", "c" for "C.UTF-8"; empty when none
// of the three is set. Reads the environment at each call; any thread, as
// long as no other thread changes the environment meanwhile.
String SystemPrimaryLanguage();
