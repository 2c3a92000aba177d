// Font lookup through fontconfig, with the fallback of the original
// platform's font names to installed families.
#include "platform/gui/fonts_lookup.h"

#include <fontconfig/fontconfig.h>
#include <stdlib.h>

#include <algorithm>
#include <string.h>
#include <strings.h>

namespace {

// The original platform's font families and the installed families that
// stand in for them, closest in width first: metric-compatible families
// where Debian has them (Wine's Tahoma, Liberation for Arial, Times New
// Roman and Courier New), DejaVu otherwise; the symbol fonts get a text
// face with the bullets and dingbats the mark-up draws.
struct TFontSubstitute {
  const char* Name;
  const char* Families[3];
};
const TFontSubstitute kSubstitutes[] = {
    {"Tahoma", {"Tahoma", "DejaVu Sans Condensed", "DejaVu Sans"}},
    {"MS Sans Serif", {"Tahoma", "DejaVu Sans Condensed", "DejaVu Sans"}},
    {"Microsoft Sans Serif", {"Tahoma", "DejaVu Sans Condensed", "DejaVu Sans"}},
    {"MS Shell Dlg", {"Tahoma", "DejaVu Sans Condensed", "DejaVu Sans"}},
    {"MS Shell Dlg 2", {"Tahoma", "DejaVu Sans Condensed", "DejaVu Sans"}},
    {"Segoe UI", {"Tahoma", "DejaVu Sans", nullptr}},
    {"Arial", {"Liberation Sans", "DejaVu Sans", nullptr}},
    {"Helvetica", {"Liberation Sans", "DejaVu Sans", nullptr}},
    {"Verdana", {"DejaVu Sans", nullptr, nullptr}},
    {"Times New Roman", {"Liberation Serif", "DejaVu Serif", nullptr}},
    {"Times", {"Liberation Serif", "DejaVu Serif", nullptr}},
    {"Georgia", {"Liberation Serif", "DejaVu Serif", nullptr}},
    {"Courier New", {"Liberation Mono", "DejaVu Sans Mono", nullptr}},
    {"Courier", {"Liberation Mono", "DejaVu Sans Mono", nullptr}},
    {"Lucida Console", {"Liberation Mono", "DejaVu Sans Mono", nullptr}},
    {"Consolas", {"Liberation Mono", "DejaVu Sans Mono", nullptr}},
    {"Fixedsys", {"DejaVu Sans Mono", nullptr, nullptr}},
    {"Terminal", {"DejaVu Sans Mono", nullptr, nullptr}},
    {"Symbol", {"DejaVu Sans", nullptr, nullptr}},
    {"Wingdings", {"DejaVu Sans", nullptr, nullptr}},
    {"Webdings", {"DejaVu Sans", nullptr, nullptr}},
};

// The families every other name falls back to, by kind.
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
const char* InstalledGenericFamily(const char* Generic) {
  if (strcmp(Generic, "monospace") == 0) return "DejaVu Sans Mono";
  if (strcmp(Generic, "serif") == 0) return "DejaVu Serif";
  return "DejaVu Sans";
}

// Folders of the Debian font packages that the stand-ins come from and
// that fontconfig does not list by itself.
const char* const kExtraFontDirs[] = {"/usr/share/wine/fonts"};

// The fontconfig configuration of the font engine. With MDS_FONT_DIRS set
// (folders separated by ":"), exactly the fonts of those folders are
// known: tests pin their fonts this way, whatever else is installed.
// Otherwise the system's configuration plus the extra folders.
FcConfig* EngineConfig() {
  static FcConfig* Config = [] {
    const char* Pinned = getenv("MDS_FONT_DIRS");
    FcConfig* C = nullptr;
    if (Pinned && *Pinned) {
      // A configuration of just those folders, with the user's cache.
      String Xml = "<?xml version=\"1.0\"?><fontconfig><cachedir prefix=\"xdg\">fontconfig</cachedir>";
      String Dirs = Pinned;
      for (size_t Start = 0; Start <= Dirs.size();) {
        size_t End = std::min(Dirs.find(':', Start), Dirs.size());
        if (End > Start) Xml += "<dir>" + Dirs.substr(Start, End - Start) + "</dir>";
        Start = End + 1;
      }
      Xml += "</fontconfig>";
      C = FcConfigCreate();
      FcConfigParseAndLoadFromMemory(C, reinterpret_cast<const FcChar8*>(Xml.c_str()), FcFalse);
      FcConfigBuildFonts(C);
      FcConfigSetCurrent(C);
      return C;
    }
    C = FcConfigGetCurrent();
    for (const char* Dir : kExtraFontDirs) FcConfigAppFontAddDir(C, reinterpret_cast<const FcChar8*>(Dir));
    return C;
  }();
  return Config;
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
  FcConfigSubstitute(EngineConfig(), pat, FcMatchPattern);
  FcDefaultSubstitute(pat);
  FcResult res = FcResultNoMatch;
  FcPattern* found = FcFontMatch(EngineConfig(), pat, &res);
  FcPatternDestroy(pat);
  if (!found) return false;
  Out.File = GetString(found, FC_FILE);
  Out.Family = GetString(found, FC_FAMILY);
  Out.Index = GetInt(found, FC_INDEX, 0);
  Out.RealBold = GetInt(found, FC_WEIGHT, FC_WEIGHT_REGULAR) >= FC_WEIGHT_DEMIBOLD;
  Out.RealItalic = GetInt(found, FC_SLANT, FC_SLANT_ROMAN) != FC_SLANT_ROMAN;
  // Wine's bold Tahoma has bold advances but the regular outlines: its
  // strokes are emboldened like those of a family without a bold face.
  static const String kWineTahomaBold = "/wine/fonts/tahomabd.ttf";
  if (Out.File.size() >= kWineTahomaBold.size() &&
      Out.File.compare(Out.File.size() - kWineTahomaBold.size(), kWineTahomaBold.size(), kWineTahomaBold) == 0) {
    Out.RealBold = false;
    Out.BoldAdvances = true;
  }
  FcPatternDestroy(found);
  return !Out.File.empty();
}

// Matches Family exactly (no fontconfig fallback to another family).
bool MatchExactly(const String& Family, bool Bold, bool Italic, TFontFileMatch& Out) {
  return Match(Family, Bold, Italic, Out) && strcasecmp(Out.Family.c_str(), Family.c_str()) == 0;
}

}  // namespace

bool FindFontFile(const String& Name, bool Bold, bool Italic, TFontFileMatch& Out) {
  static bool initialised = FcInit();
  if (!initialised) return false;
  for (const TFontSubstitute& S : kSubstitutes) {
    if (strcasecmp(S.Name, Name.c_str()) != 0) continue;
    for (const char* Family : S.Families)
      if (Family && MatchExactly(Family, Bold, Italic, Out)) return true;
    break;
  }
  if (!Name.empty() && MatchExactly(Name, Bold, Italic, Out)) return true;
  const char* Generic = GenericFamilyOf(Name);
  if (MatchExactly(InstalledGenericFamily(Generic), Bold, Italic, Out)) return true;
  return Match(Generic, Bold, Italic, Out);
}
