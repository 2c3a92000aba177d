// Font lookup through fontconfig, with the fallback of the original
// platform's font names to installed families.
#include "platform/gui/fonts_lookup.h"

#include <fontconfig/fontconfig.h>
#include <strings.h>

namespace {

// The kind of family the original platform's fonts are.
const char* GenericFamilyOf(const String& Name) {
  static const char* const kMono[] = {"Courier New", "Courier", "Fixedsys", "Terminal",
                                      "Lucida Console", "Consolas"};
  static const char* const kSerif[] = {"Times New Roman", "Times", "Georgia",
                                       "Book Antiqua", "Garamond"};
  for (const char* n : kMono)
    if (strcasecmp(n, Name.c_str()) == 0) return "monospace";
  for (const char* n : kSerif)
    if (strcasecmp(n, Name.c_str()) == 0) return "serif";
  return "sans-serif";
}

String GetString(FcPattern* P, const char* Object) {
  FcChar8* s = nullptr;
  if (FcPatternGetString(P, Object, 0, &s) != FcResultMatch || !s) return String();
  return reinterpret_cast<const char*>(s);
}

int GetInt(FcPattern* P, const char* Object, int Default) {
  int v = Default;
  FcPatternGetInteger(P, Object, 0, &v);
  return v;
}

// Matches one family with the style; false when fontconfig gives nothing.
bool Match(const String& Family, bool Bold, bool Italic, TFontFileMatch& Out) {
  FcPattern* pat = FcPatternCreate();
  FcPatternAddString(pat, FC_FAMILY, reinterpret_cast<const FcChar8*>(Family.c_str()));
  FcPatternAddInteger(pat, FC_WEIGHT, Bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
  FcPatternAddInteger(pat, FC_SLANT, Italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
  FcPatternAddBool(pat, FC_SCALABLE, FcTrue);
  FcConfigSubstitute(nullptr, pat, FcMatchPattern);
  FcDefaultSubstitute(pat);
  FcResult res = FcResultNoMatch;
  FcPattern* found = FcFontMatch(nullptr, pat, &res);
  FcPatternDestroy(pat);
  if (!found) return false;
  Out.File = GetString(found, FC_FILE);
  Out.Family = GetString(found, FC_FAMILY);
  Out.Index = GetInt(found, FC_INDEX, 0);
  Out.RealBold = GetInt(found, FC_WEIGHT, FC_WEIGHT_REGULAR) >= FC_WEIGHT_DEMIBOLD;
  Out.RealItalic = GetInt(found, FC_SLANT, FC_SLANT_ROMAN) != FC_SLANT_ROMAN;
  FcPatternDestroy(found);
  return !Out.File.empty();
}

}  // namespace

bool FindFontFile(const String& Name, bool Bold, bool Italic, TFontFileMatch& Out) {
  static bool initialised = FcInit();
  if (!initialised) return false;
  if (!Name.empty() && Match(Name, Bold, Italic, Out) &&
      strcasecmp(Out.Family.c_str(), Name.c_str()) == 0)
    return true;
  return Match(GenericFamilyOf(Name), Bold, Italic, Out);
}
