#include "platform/os/errors.h"

#include <cerrno>

#include "platform/rtl/exceptions.h"

namespace {

thread_local DWORD tLastError = 0;

struct CodeText {
  DWORD Code;
  const char* Text;
};

// The German system texts, as the original platform words them.
constexpr CodeText kTexts[] = {
    {ERROR_SUCCESS, "Der Vorgang wurde erfolgreich beendet"},
    {ERROR_INVALID_FUNCTION, "Unzulässige Funktion"},
    {ERROR_FILE_NOT_FOUND, "Das System kann die angegebene Datei nicht finden"},
    {ERROR_PATH_NOT_FOUND, "Das System kann den angegebenen Pfad nicht finden"},
    {ERROR_TOO_MANY_OPEN_FILES, "Das System kann die Datei nicht öffnen"},
    {ERROR_ACCESS_DENIED, "Zugriff verweigert"},
    {ERROR_INVALID_HANDLE, "Das Handle ist ungültig"},
    {ERROR_NOT_ENOUGH_MEMORY,
     "Nicht genügend Speicher verfügbar, um diesen Befehl zu verarbeiten"},
    {ERROR_CURRENT_DIRECTORY, "Das Verzeichnis kann nicht entfernt werden"},
    {ERROR_NOT_SAME_DEVICE,
     "Die Datei kann nicht vom System auf ein anderes Laufwerk verschoben werden"},
    {ERROR_NO_MORE_FILES, "Es sind keine weiteren Dateien vorhanden"},
    {ERROR_WRITE_FAULT, "Das System kann nicht auf das angegebene Gerät schreiben"},
    {ERROR_READ_FAULT, "Das System kann nicht von dem angegebenen Gerät lesen"},
    {ERROR_GEN_FAILURE, "Ein an das System angeschlossenes Gerät funktioniert nicht"},
    {ERROR_SHARING_VIOLATION,
     "Der Prozess kann nicht auf die Datei zugreifen, da sie von einem anderen "
     "Prozess verwendet wird"},
    {ERROR_LOCK_VIOLATION,
     "Der Prozess kann nicht auf die Datei zugreifen, da ein anderer Prozess "
     "einen Teil der Datei gesperrt hat"},
    {ERROR_HANDLE_EOF, "Das Ende der Datei wurde erreicht"},
    {ERROR_NOT_SUPPORTED, "Die Anforderung wird nicht unterstützt"},
    {ERROR_FILE_EXISTS, "Die Datei ist vorhanden"},
    {ERROR_INVALID_PARAMETER, "Falscher Parameter"},
    {ERROR_BROKEN_PIPE, "Die Pipe wurde beendet"},
    {ERROR_DISK_FULL, "Auf dem Datenträger ist nicht genügend Speicherplatz vorhanden"},
    {ERROR_INVALID_NAME,
     "Die Syntax für den Dateinamen, Verzeichnisnamen oder die "
     "Datenträgerbezeichnung ist falsch"},
    {ERROR_DIR_NOT_EMPTY, "Das Verzeichnis ist nicht leer"},
    {ERROR_INVALID_DATA, "Die Daten sind unzulässig"},
    {ERROR_OPERATION_ABORTED, "Der E/A-Vorgang wurde wegen eines Threadendes oder einer Anwendungsanforderung abgebrochen"},
    {ERROR_FILE_INVALID,
     "Das Volume für eine Datei wurde extern so geändert, dass die geöffnete Datei nicht mehr "
     "gültig ist"},
    {ERROR_NOT_LOCKED, "Die Sperrung des Segments wurde bereits aufgehoben"},
    {ERROR_ALREADY_EXISTS,
     "Eine Datei kann nicht erstellt werden, wenn sie bereits vorhanden ist"},
    {ERROR_BAD_EXE_FORMAT, "Die Anwendung ist keine zulässige Win32-Anwendung"},
    {ERROR_FILENAME_EXCED_RANGE, "Der Dateiname oder die Erweiterung ist zu lang"},
    {WAIT_TIMEOUT, "Der Wartevorgang wurde abgebrochen"},
    {ERROR_DIRECTORY, "Der Verzeichnisname ist ungültig"},
    {ERROR_NO_ASSOCIATION,
     "Der angegebenen Datei ist keine Anwendung für den ausgeführten Vorgang "
     "zugeordnet"},
};

}  // namespace

DWORD GetLastError() { return tLastError; }

void SetLastError(DWORD Code) { tLastError = Code; }

String SysErrorMessage(DWORD Code) {
  for (const CodeText& t : kTexts)
    if (t.Code == Code) return t.Text;
  return "Unbekannter Fehler (Code " + std::to_string(Code) + ")";
}

void RaiseLastOSError() { RaiseLastOSError(GetLastError()); }

void RaiseLastOSError(DWORD Code) {
  if (Code == 0)
    throw EOSError("Ein Aufruf einer Betriebssystemfunktion ist fehlgeschlagen", 0);
  throw EOSError("Systemfehler. Code: " + std::to_string(Code) + ".\n" +
                     SysErrorMessage(Code),
                 Code);
}

namespace os {

DWORD ErrnoToWin32(int Errno) {
  switch (Errno) {
    case 0: return ERROR_SUCCESS;
    case ENOENT: return ERROR_FILE_NOT_FOUND;
    case ENOTDIR: return ERROR_PATH_NOT_FOUND;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR: return ERROR_ACCESS_DENIED;
    case EEXIST: return ERROR_FILE_EXISTS;
    case ENOSPC:
    case EDQUOT:
    case EFBIG: return ERROR_DISK_FULL;
    case ENAMETOOLONG: return ERROR_FILENAME_EXCED_RANGE;
    case EINVAL: return ERROR_INVALID_PARAMETER;
    case EBADF: return ERROR_INVALID_HANDLE;
    case ENOTEMPTY: return ERROR_DIR_NOT_EMPTY;
    case EMFILE:
    case ENFILE: return ERROR_TOO_MANY_OPEN_FILES;
    case EXDEV: return ERROR_NOT_SAME_DEVICE;
    case EAGAIN: return ERROR_LOCK_VIOLATION;
    case ENOMEM: return ERROR_NOT_ENOUGH_MEMORY;
    case EBUSY:
    case ETXTBSY: return ERROR_SHARING_VIOLATION;
    case ENOEXEC: return ERROR_BAD_EXE_FORMAT;
    case EPIPE: return ERROR_BROKEN_PIPE;
    case ENOSYS:
    case EOPNOTSUPP: return ERROR_NOT_SUPPORTED;
    default: return ERROR_GEN_FAILURE;
  }
}

DWORD SetLastErrorFromErrno(int Errno) {
  DWORD code = ErrnoToWin32(Errno);
  SetLastError(code);
  return code;
}

}  // namespace os
