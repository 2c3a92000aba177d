#include "foundation/UClipFormats.h"

#include <sys/utsname.h>

#include <cstdio>

#include "platform/gui/winapi.h"

Cardinal CF_DATAGRIDDATA() {
  static const Cardinal Format = RegisterClipboardFormat("CF_DATAGRIDDATA");
  return Format;
}

String StandardClipboardFormatName(Integer Format) {
  static const char* const Names[] = {"CF_TEXT",        "CF_BITMAP",   "CF_METAFILEPICT", "CF_SYLK",
                                      "CF_DIF",         "CF_TIFF",     "CF_OEMTEXT",      "CF_DIB",
                                      "CF_PALETTE",     "CF_PENDATA",  "CF_RIFF",         "CF_WAVE",
                                      "CF_UNICODETEXT", "CF_ENHMETAFILE", "CF_HDROP",     "CF_LOCALE"};
  return Format >= 1 && Format <= 16 ? String(Names[Format - 1]) : String();
}

String StorageMediumName(Integer Bit) {
  static const char* const Names[] = {"TYMED_HGLOBAL", "TYMED_FILE", "TYMED_ISTREAM", "TYMED_ISTORAGE",
                                      "TYMED_GDI",     "TYMED_MFPICT", "TYMED_ENHMF"};
  if (Bit == -1) return "TYMED_NULL";
  return Bit >= 0 && Bit <= 6 ? String(Names[Bit]) : String();
}

const TSystemVersion& SystemVersion() {
  static const TSystemVersion V = [] {
    TSystemVersion R;
    utsname U{};
    if (uname(&U) == 0) {
      R.Text = String(U.sysname) + " " + U.release;
      std::sscanf(U.release, "%d.%d.%d", &R.Major, &R.Minor, &R.Build);
    }
    return R;
  }();
  return V;
}
