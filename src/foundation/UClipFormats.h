// UClipFormats: the clipboard format of the grid's data ("CF_DATAGRIDDATA",
// registered at start-up and its number kept), the names of the standard
// clipboard formats and storage media, and the system's version read at
// start-up.
//
// Thread safety: initialised on first use; read-only afterwards.
#pragma once

#include "platform/rtl/system.h"

// The registered number of "CF_DATAGRIDDATA".
Cardinal CF_DATAGRIDDATA();

// The names of the 16 standard clipboard formats, by format number 1..16
// ("CF_TEXT" ...); "" outside.
String StandardClipboardFormatName(Integer Format);
// The names of the storage media by bit number 0..6 plus "TYMED_NULL" for
// -1 ("TYMED_HGLOBAL" = bit 0 ...); "" outside.
String StorageMediumName(Integer Bit);

// The system's version, read once (kernel release of this platform).
struct TSystemVersion {
  Integer Major = 0;
  Integer Minor = 0;
  Integer Build = 0;
  String Text;
};
const TSystemVersion& SystemVersion();
