// Streams over files: THandleStream (a stream over an open os::File) and
// TFileStream (opens or creates the file by name with a class-library mode).
//
// Modes: one of fmOpenRead / fmOpenWrite / fmOpenReadWrite, or fmCreate,
// combined with one share mode. fmShareCompat (no share bits) shares
// nothing, as on the original platform, so fmOpenRead alone is exclusive.
// Failures to open raise EFOpenError "Datei %s kann nicht geöffnet werden.
// %s", failures to create EFCreateError "Datei %s kann nicht erstellt
// werden. %s", with the full path and the system's German text (for a file
// held by someone else: "Der Prozess kann nicht auf die Datei zugreifen, da
// sie von einem anderen Prozess verwendet wird").
//
// Thread safety: none; a stream belongs to the thread that uses it.
#pragma once

#include "platform/os/files.h"
#include "platform/rtl/streams.h"

constexpr Word fmCreate = 0xFF00;
constexpr Word fmOpenRead = 0x0000;
constexpr Word fmOpenWrite = 0x0001;
constexpr Word fmOpenReadWrite = 0x0002;
constexpr Word fmShareCompat = 0x0000;
constexpr Word fmShareExclusive = 0x0010;
constexpr Word fmShareDenyWrite = 0x0020;
constexpr Word fmShareDenyRead = 0x0030;
constexpr Word fmShareDenyNone = 0x0040;

// Messages of the file-stream errors (format: path, system text).
extern const char* const SFCreateErrorEx;  // "Datei %s kann nicht erstellt werden. %s"
extern const char* const SFOpenErrorEx;    // "Datei %s kann nicht geöffnet werden. %s"

class THandleStream : public TStream {
  RTL_DECLARE_CLASS(THandleStream)
 public:
  // Takes over an open file; the position starts at 0. The file is closed
  // with the stream.
  explicit THandleStream(os::File Handle);

  // Read and Write transfer what they can at the position and advance it;
  // a failed call returns 0 and leaves the reason in GetLastError().
  Int64 Read(void* Buffer, Int64 Count) override;
  Int64 Write(const void* Buffer, Int64 Count) override;
  // Any position from 0 on is accepted; a negative one raises EStreamError.
  Int64 Seek(Int64 Offset, TSeekOrigin Origin) override;
  // Cuts or extends the file; raises EOSError when the file refuses.
  void SetSize(Int64 NewSize) override;
  // After a failed Write: DiskFullText when the disk was full, else
  // "Stream-Schreibfehler" with the file's name.
  String WriteFailureText(Int64 Count) override;

  // The open file (owned by the stream).
  const os::File& Handle() const { return FFile; }

 protected:
  THandleStream() = default;
  Int64 GetSize() override;
  os::File FFile;
  Int64 FPosition = 0;
};

class TFileStream : public THandleStream {
  RTL_DECLARE_CLASS(TFileStream)
 public:
  // Opens (or with fmCreate creates, replacing an existing file) FileName.
  // Raises EFOpenError / EFCreateError as described above.
  TFileStream(const String& FileName, Word Mode);
  // Rights (POSIX permission bits on creation) are accepted and ignored,
  // as the original platform ignored them.
  TFileStream(const String& FileName, Word Mode, Cardinal Rights);

  // The name as given to the constructor.
  const String& FileName() const { return FFileName; }

 private:
  String FFileName;
};
