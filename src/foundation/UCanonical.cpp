#include "foundation/UCanonical.h"

#include <memory>

#include "foundation/FastIniFile.h"
#include "platform/os/folders.h"

void TCanonical::ReadWrite(bool Write) {
  TFastIniFile Ini(GetProgramDir() + "ZUVID.INI");
  for (int I = 0; I < 3; ++I)
    for (int J = 0; J < 2; ++J) {
      String Key = "Canonical." + std::to_string(I) + std::to_string(J);
      if (Write)
        Ini.WriteString("CANONICAL", Key, Items[I][J]);
      else
        Items[I][J] = Ini.ReadString("CANONICAL", Key, "");
    }
  if (Write) Ini.UpdateFile();
}

TCanonical* Canonical() {
  static std::unique_ptr<TCanonical> Table = [] {
    auto T = std::make_unique<TCanonical>();
    try {
      T->ReadWrite(false);
    } catch (Exception&) {
      // An unreadable file leaves the table empty.
    }
    return T;
  }();
  return Table.get();
}
