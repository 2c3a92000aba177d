// Font file lookup of the font engine (internal to fonts.cpp and tests).
//
// Thread safety: callers hold the font engine's mutex.
#pragma once

#include "platform/rtl/system.h"

// A font file that fontconfig found for a request.
struct TFontFileMatch {
  String File;
  Integer Index = 0;    // face index inside the file
  String Family;        // family of the file found
  bool RealBold = false;    // the face itself is bold
  bool RealItalic = false;  // the face itself is italic or oblique
};

// Finds the file for family Name in the given style. A family that is not
// installed falls back to an installed family of its kind (sans-serif for
// "Tahoma", "MS Sans Serif", "Arial"; monospace for "Courier New"; serif for
// "Times New Roman"). Returns false only when no font is found at all.
bool FindFontFile(const String& Name, bool Bold, bool Italic, TFontFileMatch& Out);
