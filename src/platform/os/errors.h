// Win32-numbered error codes, the per-thread last error and their texts.
//
// Every call of platform/os that fails leaves a Win32-numbered code in the
// calling thread's last error (GetLastError), the way the original platform
// did; the low-level file door (files.h) also returns it in an os::Status.
// POSIX errno values are turned into these codes in one place
// (os::ErrnoToWin32), so that the whole system sees one numbering.
//
// Thread safety: the last error is per thread; everything else is stateless.
#pragma once

#include <cstdint>

#include "platform/rtl/syncobjs.h"
#include "platform/rtl/system.h"

using DWORD = std::uint32_t;
using BOOL = int;

// The Win32 codes live in their own namespace and are visible both plainly
// (ERROR_FILE_NOT_FOUND) and as os::ERROR_FILE_NOT_FOUND.
namespace os::win32_codes {
constexpr DWORD ERROR_SUCCESS = 0;
constexpr DWORD NO_ERROR = 0;
constexpr DWORD ERROR_INVALID_FUNCTION = 1;
constexpr DWORD ERROR_FILE_NOT_FOUND = 2;
constexpr DWORD ERROR_PATH_NOT_FOUND = 3;
constexpr DWORD ERROR_TOO_MANY_OPEN_FILES = 4;
constexpr DWORD ERROR_ACCESS_DENIED = 5;
constexpr DWORD ERROR_INVALID_HANDLE = 6;
constexpr DWORD ERROR_NOT_ENOUGH_MEMORY = 8;
constexpr DWORD ERROR_CURRENT_DIRECTORY = 16;
constexpr DWORD ERROR_NOT_SAME_DEVICE = 17;
constexpr DWORD ERROR_NO_MORE_FILES = 18;
constexpr DWORD ERROR_WRITE_FAULT = 29;
constexpr DWORD ERROR_READ_FAULT = 30;
constexpr DWORD ERROR_GEN_FAILURE = 31;
constexpr DWORD ERROR_SHARING_VIOLATION = 32;
constexpr DWORD ERROR_LOCK_VIOLATION = 33;
constexpr DWORD ERROR_HANDLE_EOF = 38;
constexpr DWORD ERROR_NOT_SUPPORTED = 50;
constexpr DWORD ERROR_FILE_EXISTS = 80;
constexpr DWORD ERROR_INVALID_PARAMETER = 87;
constexpr DWORD ERROR_BROKEN_PIPE = 109;
constexpr DWORD ERROR_DISK_FULL = 112;
constexpr DWORD ERROR_INVALID_NAME = 123;
constexpr DWORD ERROR_DIR_NOT_EMPTY = 145;
constexpr DWORD ERROR_BAD_EXE_FORMAT = 193;
constexpr DWORD ERROR_ALREADY_EXISTS = 183;
constexpr DWORD ERROR_FILENAME_EXCED_RANGE = 206;
constexpr DWORD ERROR_DIRECTORY = 267;
constexpr DWORD ERROR_NOT_LOCKED = 158;
constexpr DWORD ERROR_NO_ASSOCIATION = 1155;
constexpr DWORD ERROR_INVALID_DATA = 13;
constexpr DWORD ERROR_OPERATION_ABORTED = 995;
constexpr DWORD ERROR_FILE_INVALID = 1006;

// Waits (WaitForSingleObject on processes and change notifications);
// INFINITE comes from platform/rtl/syncobjs.h.
constexpr DWORD WAIT_OBJECT_0 = 0;
constexpr DWORD WAIT_TIMEOUT = 258;  // also the error code of a wait that timed out
constexpr DWORD WAIT_FAILED = 0xFFFFFFFF;
}  // namespace os::win32_codes

namespace os {
using namespace win32_codes;
}
using namespace os::win32_codes;

// Returns the calling thread's last error code (0 when none was set).
DWORD GetLastError();
// Sets the calling thread's last error code.
void SetLastError(DWORD Code);

// The operating system's German text for a Win32 code, without a trailing
// full stop, e.g. 32 -> "Der Prozess kann nicht auf die Datei zugreifen, da
// sie von einem anderen Prozess verwendet wird". Unknown codes give
// "Unbekannter Fehler (Code N)".
String SysErrorMessage(DWORD Code);

// Raises EOSError with the text of GetLastError() (the class library's RaiseLastOSError);
// a last error of 0 gives "Ein Aufruf einer Betriebssystemfunktion ist
// fehlgeschlagen".
[[noreturn]] void RaiseLastOSError();
[[noreturn]] void RaiseLastOSError(DWORD Code);

namespace os {

// Translates a POSIX errno value into the Win32 numbering. ENOENT gives
// ERROR_FILE_NOT_FOUND; callers that know a folder was missing use
// ERROR_PATH_NOT_FOUND themselves.
DWORD ErrnoToWin32(int Errno);

// Sets the last error from errno and returns the Win32 code.
DWORD SetLastErrorFromErrno(int Errno);

}  // namespace os
