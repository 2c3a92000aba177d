#include "platform/os/filestream.h"

#include "platform/os/fileapi.h"

const char* const SFCreateErrorEx = "Datei %s kann nicht erstellt werden. %s";
const char* const SFOpenErrorEx = "Datei %s kann nicht geöffnet werden. %s";

RTL_IMPLEMENT_CLASS(THandleStream, TStream, nullptr)
RTL_IMPLEMENT_CLASS(TFileStream, THandleStream, nullptr)

namespace {

os::Access AccessOf(Word Mode) {
  switch (Mode & 3) {
    case fmOpenWrite: return os::Access::Write;
    case fmOpenReadWrite: return os::Access::ReadWrite;
    default: return os::Access::Read;
  }
}

os::Share ShareOf(Word Mode) {
  switch (Mode & 0xF0) {
    case fmShareDenyWrite: return os::Share::DenyWrite;
    case fmShareDenyRead: return os::Share::DenyRead;
    case fmShareDenyNone: return os::Share::DenyNone;
    default: return os::Share::Exclusive;  // fmShareExclusive and fmShareCompat
  }
}

// Replaces the single %s placeholders in order (the messages hold two).
String FormatPathError(const char* Pattern, const String& Path, const String& Reason) {
  String out = Pattern;
  std::size_t p = out.find("%s");
  out.replace(p, 2, Path);
  p = out.find("%s", p + Path.size());
  out.replace(p, 2, Reason);
  return out;
}

}  // namespace

THandleStream::THandleStream(os::File Handle) : FFile(std::move(Handle)) {}

Int64 THandleStream::Read(void* Buffer, Int64 Count) {
  if (Count <= 0) return 0;
  std::size_t got = 0;
  os::Status s = FFile.Read(static_cast<std::uint64_t>(FPosition), Buffer,
                            static_cast<std::size_t>(Count), &got);
  if (!s.ok()) return 0;
  FPosition += static_cast<Int64>(got);
  return static_cast<Int64>(got);
}

Int64 THandleStream::Write(const void* Buffer, Int64 Count) {
  if (Count <= 0) return 0;
  os::Status s = FFile.Write(static_cast<std::uint64_t>(FPosition), Buffer,
                             static_cast<std::size_t>(Count));
  if (!s.ok()) return 0;
  FPosition += Count;
  return Count;
}

String THandleStream::WriteFailureText(Int64 Count) {
  if (GetLastError() == ERROR_DISK_FULL) return DiskFullText(FFile.Path(), Count);
  return String(SWriteError) + ": " + FFile.Path();
}

Int64 THandleStream::Seek(Int64 Offset, TSeekOrigin Origin) {
  Int64 base = Origin == soBeginning ? 0 : Origin == soCurrent ? FPosition : GetSize();
  Int64 pos = base + Offset;
  if (pos < 0) throw EStreamError(SysErrorMessage(ERROR_INVALID_PARAMETER));
  FPosition = pos;
  return pos;
}

void THandleStream::SetSize(Int64 NewSize) {
  os::Status s = FFile.Truncate(static_cast<std::uint64_t>(NewSize < 0 ? 0 : NewSize));
  if (!s.ok()) RaiseLastOSError(s.code());
  if (FPosition > NewSize) FPosition = NewSize;
}

Int64 THandleStream::GetSize() {
  os::Result<std::uint64_t> size = FFile.Size();
  return size.ok() ? static_cast<Int64>(size.value()) : 0;
}

TFileStream::TFileStream(const String& FileName, Word Mode) : FFileName(FileName) {
  bool create = (Mode & fmCreate) == fmCreate;
  os::Status s = create ? FFile.Open(FileName, os::Access::ReadWrite, ShareOf(Mode & 0xF0),
                                     os::Disposition::CreateAlways)
                        : FFile.Open(FileName, AccessOf(Mode), ShareOf(Mode));
  if (s.ok()) return;
  String reason = SysErrorMessage(s.code());
  if (create) throw EFCreateError(FormatPathError(SFCreateErrorEx, ExpandFileName(FileName), reason));
  throw EFOpenError(FormatPathError(SFOpenErrorEx, ExpandFileName(FileName), reason));
}

TFileStream::TFileStream(const String& FileName, Word Mode, Cardinal /*Rights*/)
    : TFileStream(FileName, Mode) {}
