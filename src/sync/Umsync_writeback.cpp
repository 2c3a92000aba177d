// WriteBackMandant: the merged tables of the temporary tree replace the
// office tables.
//
// The twenty files are replaced all or nothing: each is first copied
// beside its target under a temporary name, and only when every copy
// succeeded are the targets replaced (each by a rename within its folder).
// A failure half-way (disk full, a locked or missing file) removes the
// temporary copies and leaves the office tables as they were, so the office
// database never ends up made of old and new files.
#include <cstdio>

#include "platform/os/fileapi.h"
#include "platform/os/files.h"
#include "sync/Umsync_run.h"

namespace {

// The suffix of a file copied beside its target and not yet in place.
const char* const PendingSuffix = ".~mds";

void RemovePending(const std::vector<String>& Pending) {
  for (const String& Path : Pending) DeleteFile(Path);
}

// Puts Pending in the place of Target in one step (replacing Target as the
// file system spells it). Raises EInOutError when the system refuses.
void MovePendingIntoPlace(const String& Pending, const String& Target) {
  const String From = os::ResolvePath(Pending);
  const String To = os::ResolvePath(Target);
  if (std::rename(From.c_str(), To.c_str()) != 0)
    throw EInOutError("Die Datei " + Target + " kann nicht ersetzt werden");
}

}  // namespace

void ReplaceFilesAtomically(TFsync& Form, const std::vector<String>& Names,
                            const String& SourceFolder, const String& DestFolder) {
  std::vector<String> Pending;
  try {
    for (const String& Name : Names) {
      const String Temp = DestFolder + Name + PendingSuffix;
      Pending.push_back(Temp);
      CopyWithProgress(Form, "übertragen von", Name, SourceFolder + Name, Temp);
    }
  } catch (...) {
    RemovePending(Pending);
    throw;
  }
  std::size_t Moved = 0;
  try {
    for (; Moved < Names.size(); ++Moved) MovePendingIntoPlace(Pending[Moved], DestFolder + Names[Moved]);
  } catch (...) {
    RemovePending(std::vector<String>(Pending.begin() + static_cast<std::ptrdiff_t>(Moved), Pending.end()));
    throw;
  }
}

bool TFsync::WriteBackMandant() {
  const String Office = OfficeDataFolder(*this);
  LockDatabase(this, false);
  try {
    StartProgress(*this, 1, 19);
    ReplaceFilesAtomically(*this, RunTableFiles(), RunFolder(*this, "M_Temp/Server/Data"), Office);
  } catch (...) {
    throw ECanNotUpdateMandant("");
  }
  return true;
}
