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
  bool BoldAdvances = false;  // not bold itself, but spaced as bold already
};

// Finds the file for family Name in the given style. The original
// platform's families map to their closest installed stand-ins first
// (Tahoma and MS Sans Serif: Wine's Tahoma; Arial, Times New Roman,
// Courier New: Liberation; Verdana and the symbol fonts: DejaVu Sans); any
// other name not installed falls back to DejaVu of its kind (sans, serif,
// mono), then to fontconfig's choice. With MDS_FONT_DIRS set (folders
// separated by ":"), only the fonts of those folders are known. Returns
// false only when no font is found at all.
bool FindFontFile(const String& Name, bool Bold, bool Italic, TFontFileMatch& Out);
