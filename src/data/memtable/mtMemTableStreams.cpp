// TmtCustomMemTable: saving and loading through a stream format, to and
// from files, and the persistent file.
#include "data/memtable/mtMemTable.h"
#include "data/memtable/mtMemTableSnapshot.h"
#include "platform/os/fileapi.h"
#include "platform/os/filestream.h"
#include "platform/rtl/sysutils.h"

namespace {

bool MayReplaceStructure(TmtCustomStreamFormat* Format) {
  return Format->sfDef().Contains(sfLoadDef) || Format->sfDef().Contains(sfAutoLayoutDef);
}

}  // namespace

// ---- Save and load through a format ---------------------------------------------

void TmtCustomMemTable::RunSave(TStream* Stream, TmtCustomStreamFormat* Format, Integer Kind) {
  CheckActive();
  if (OnSave) OnSave(this, Kind, Stream);
  if (!Format) throw EMemTableError(mtSNoFormat);
  Format->SetStream(Stream);
  bool Started = false;
  try {
    Format->BeforeSave(this);
    Started = true;
    Format->Save(this);
    Started = false;
    Format->AfterSave(this);
  } catch (...) {
    if (Started) {
      try {
        Format->AbortSave(this);
      } catch (...) {
        // The first error is the one to report.
      }
    }
    Format->SetStream(nullptr);
    throw;
  }
  Format->SetStream(nullptr);
}

void TmtCustomMemTable::RunLoad(TStream* Stream, TmtCustomStreamFormat* Format, Integer Kind) {
  // A closed table may be loaded: a definition in the text makes its fields
  // and opens it.
  if (OnLoad) OnLoad(this, Kind, Stream);
  if (!Format) throw EMemTableError(mtSNoFormat);
  TmtTableSnapshot Snapshot(this, MayReplaceStructure(Format));
  Format->SetStream(Stream);
  bool Started = false;
  try {
    Format->BeforeLoad(this);
    Started = true;
    Format->Load(this);
    Started = false;
    Format->AfterLoad(this);
  } catch (...) {
    try {
      if (Started) Format->AbortLoad(this);
    } catch (...) {
      // The first error is the one to report.
    }
    Format->SetStream(nullptr);
    try {
      Snapshot.Restore();
    } catch (...) {
      // Restoring is best effort; the load's error is reported.
    }
    throw;
  }
  Format->SetStream(nullptr);
}

void TmtCustomMemTable::SaveToStreamWithFormat(TStream* Stream, TmtCustomStreamFormat* Format) {
  RunSave(Stream, Format, mtstStream);
}

void TmtCustomMemTable::LoadFromStreamWithFormat(TStream* Stream, TmtCustomStreamFormat* Format) {
  RunLoad(Stream, Format, mtstStream);
}

void TmtCustomMemTable::SaveToFileWithFormat(const String& FileName, TmtCustomStreamFormat* Format) {
  CheckActive();
  if (!Format) throw EMemTableError(mtSNoFormat);
  std::unique_ptr<TFileStream> File;
  if (Format->sfAppend().Contains(sfSaveAppend) && FileExists(FileName)) {
    File = std::make_unique<TFileStream>(FileName, fmOpenReadWrite | fmShareDenyWrite);
    File->Seek(0, soEnd);
  } else {
    File = std::make_unique<TFileStream>(FileName, fmCreate);
  }
  RunSave(File.get(), Format, mtstFile);
}

void TmtCustomMemTable::LoadFromFileWithFormat(const String& FileName,
                                               TmtCustomStreamFormat* Format) {
  if (!Format) throw EMemTableError(mtSNoFormat);
  TFileStream File(FileName, fmOpenRead | fmShareDenyWrite);
  RunLoad(&File, Format, mtstFile);
}

// ---- Persistence -----------------------------------------------------------------

void TmtCustomMemTable::SavePersistent() {
  if (!FPersistent || FPersistentFile.empty() || !FPersistentFormat || !Active() ||
      ComponentState().Contains(csDesigning))
    return;
  // Written beside the file first, so that a failed save keeps the old one.
  String Temp = ChangeFileExt(FPersistentFile, ".$$$");
  SaveToFileWithFormat(Temp, FPersistentFormat);
  if (FileExists(FPersistentFile)) {
    if (FPersistentBackup) {
      String Backup = ChangeFileExt(FPersistentFile, FPersistentBackupExt);
      if (FileExists(Backup)) DeleteFile(Backup);
      RenameFile(FPersistentFile, Backup);
    } else {
      DeleteFile(FPersistentFile);
    }
  }
  RenameFile(Temp, FPersistentFile);
}

void TmtCustomMemTable::LoadPersistent() {
  if (!FPersistent || FPersistentFile.empty() || !FPersistentFormat ||
      !FileExists(FPersistentFile))
    return;
  FPersistent = false;
  try {
    LoadFromFileWithFormat(FPersistentFile, FPersistentFormat);
  } catch (...) {
    FPersistent = true;
    throw;
  }
  FPersistent = true;
  First();
}
