// The start record of the host's companion stand-ins.
#include "host/HostLog.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>

#include "platform/os/folders.h"
#include "platform/rtl/sysutils.h"

const char* const TovarLogVariable = "KELPO_TOVAR_LOG";
const char* const ServiceLogVariable = "KELPO_SERVICE_LOG";

String HostLogFile(const char* Variable, const String& ProgramPath) {
  const char* Value = std::getenv(Variable);
  if (Value && *Value) return Value;
  return ProgramPath + ".log";
}

String HostLogLine(const String& ProgramPath, const std::vector<String>& Args) {
  String Line = ExtractFileName(ProgramPath) + "\t";
  for (size_t I = 0; I < Args.size(); ++I) Line += (I ? " " : "") + Args[I];
  return Line;
}

bool AppendHostLog(const String& FileName, const String& Line) {
  // One write of the whole line with O_APPEND keeps lines of programs that
  // run at once apart.
  int Fd = ::open(FileName.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
  if (Fd < 0) return false;
  String Text = Line + "\n";
  bool Ok = ::write(Fd, Text.data(), Text.size()) == static_cast<ssize_t>(Text.size());
  return ::close(Fd) == 0 && Ok;
}

int RecordStart(const char* Variable) {
  String Program = GetModuleFileName();
  std::vector<String> Args;
  for (int I = 1; I <= ParamCount(); ++I) Args.push_back(ParamStr(I));
  return AppendHostLog(HostLogFile(Variable, Program), HostLogLine(Program, Args)) ? 0 : 1;
}
