// The system's language as the environment names it.
#include "platform/os/locale.h"

#include <cctype>
#include <cstdlib>

String SystemPrimaryLanguage() {
  for (const char* Name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    const char* Value = std::getenv(Name);
    if (!Value || !*Value) continue;
    String Language;
    for (const char* P = Value; *P && *P != '_' && *P != '.' && *P != '@'; ++P)
      Language += char(std::tolower(static_cast<unsigned char>(*P)));
    return Language;
  }
  return String();
}
