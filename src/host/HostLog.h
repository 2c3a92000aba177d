// The record that the host's companion stand-ins keep of their starts:
// "TOVAR.EXE" notes that it was started again, a service program notes the
// argument ("STOP", "START") it was run with. Tests read the record to see
// what the tool started, in which order and with which argument.
//
// The record is a text file, one line a start: the program's file name, a
// tab, and its arguments joined by blanks. Its path comes from an
// environment variable when that is set, else it lies beside the program.
//
// Thread safety: each call appends one whole line with a single write, so
// programs that run at once do not mix their lines.
#pragma once

#include <vector>

#include "platform/rtl/system.h"

extern const char* const TovarLogVariable;    // "KELPO_TOVAR_LOG"
extern const char* const ServiceLogVariable;  // "KELPO_SERVICE_LOG"

// The record's path: the value of the environment variable Variable when
// set and not empty, else ProgramPath + ".log".
String HostLogFile(const char* Variable, const String& ProgramPath);

// The line of one start: the file name of ProgramPath, a tab and Args
// joined by blanks.
String HostLogLine(const String& ProgramPath, const std::vector<String>& Args);

// Appends Line and a line feed to FileName (created when missing). Returns
// false when the file cannot be written.
bool AppendHostLog(const String& FileName, const String& Line);

// What a stand-in program's main does: appends the line of this start
// (program path and arguments of the process) to the record named by
// Variable. Returns the exit code: 0, or 1 when the record cannot be
// written.
int RecordStart(const char* Variable);
