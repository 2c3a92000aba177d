// backup: TBackupFile, the archive writer. It packs a list of files into
// one archive stream, each file in independent blocks of at most 16384
// bytes deflated with zlib (stored when a block does not shrink). The
// byte layout is in ARCHIVE_FORMAT.md. Only the writer lives here; the
// reader is part of the update-package extractor.
//
// Thread safety: a component of the main form; main thread only.
#pragma once

#include <functional>

#include "platform/rtl/classes.h"
#include "platform/rtl/streams.h"
#include "platform/rtl/strings.h"
#include "platform/rtl/typinfo.h"

RTL_ENUM(TBackupMode, bmAll, bmIncremental);
// A scoped enumeration: clNone and clDefault are also colour names of the
// class library. clFastest and clMax are spelled plainly as well.
enum class TCompressionLevel { clFastest, clNone, clDefault, clMax };
RTL_ENUM_INFO(TCompressionLevel, clFastest, clNone, clDefault, clMax)
constexpr TCompressionLevel clFastest = TCompressionLevel::clFastest;
constexpr TCompressionLevel clMax = TCompressionLevel::clMax;
RTL_ENUM(TRestoreMode, rmAll, rmNoOverwrite, rmNewer, rmExisting, rmExistingNewer);

using TPercentage = Integer;  // 0..100
using TProgressEvent = std::function<void(TObject* Sender, const String& Filename, TPercentage Percent, bool& Continue)>;
using TNeedDiskEvent = std::function<void(TObject* Sender, Word DiskID, bool& Continue)>;
using TRestoreFileEvent = std::function<void(TObject* Sender, String& Filename, Integer FA, bool& DoRestore)>;
using TFileRestoredEvent = std::function<void(TObject* Sender, const String& Filename, TStream* Stream)>;
using TBackupErrorEvent = std::function<void(TObject* Sender, Integer Error, const String& ErrString)>;

// Error codes of a failed write.
enum : Integer {
  beCannotReadFile = 1,
  beOverwriteFailed = 2,
  beCannotReadArchive = 3,
  beCannotWriteArchive = 4,
  beInvalidArchive = 5,
  beCompressionError = 6,
  beCannotCreateTempFile = 7,
};
// The text of an error code ("Cannot read file" ...).
String BackupErrorText(Integer Code);

class TBackupFile : public TComponent {
  RTL_DECLARE_CLASS(TBackupFile)
 public:
  explicit TBackupFile(TComponent* AOwner);

  // Packs the files named by Files into Dest at its current position.
  // Each line is a path with wildcards; a line ending in " /s" (any case)
  // means the part before it in that folder and every sub-folder. Returns
  // True when the archive was completed; False for a null Dest, an abort
  // through OnProgress, or an error (then reported through OnError, or the
  // error hook when OnError is not assigned). Never raises.
  bool Backup(TStrings* Files, TStream* Dest);

  String Version() const { return "5.10"; }
  void SetVersion(const String&) {}
  String BackupTitle;
  TBackupMode BackupMode() const { return FBackupMode; }
  // bmIncremental also switches SetArchiveFlag on.
  void SetBackupMode(TBackupMode Value);
  TCompressionLevel CompressionLevel = clFastest;
  TRestoreMode RestoreMode = rmAll;
  bool RestoreFullPath = false;
  Integer MaxSize = 0;
  bool SetArchiveFlag = false;
  bool SaveFileID = true;
  // The folder in which Backup makes the temporary file of the file list
  // ("FID????.tmp", made new and exclusively, removed at the end); empty:
  // the temporary folder. A caller points it at a folder of its own so
  // that a process killed meanwhile leaves the file only there.
  String FileListFolder;

  TProgressEvent OnProgress;
  TNeedDiskEvent OnNeedDisk;
  TRestoreFileEvent OnRestoreFile;
  TFileRestoredEvent OnFileRestored;
  TBackupErrorEvent OnError;

  // Lets the user interface paint and react between blocks (null: none).
  static std::function<void()> ProcessMessagesHook;
  // Shows an error when OnError is not assigned (the user interface
  // installs its error dialog; null: the error is not shown).
  static std::function<void(const String& Text)> ErrorDialogHook;

 private:
  class TWriter;
  TBackupMode FBackupMode = bmAll;
};
