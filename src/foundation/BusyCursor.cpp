// The busy cursor and the registration of the animated cursors.
#include "foundation/BusyCursor.h"

#include "foundation/FileUtils.h"
#include "platform/gui/forms.h"
#include "platform/gui/resources.h"
#include "platform/os/fileapi.h"
#include "platform/os/filestream.h"
#include "platform/os/process.h"
#include "platform/rtl/format.h"

namespace {
TBusyCursorHooks& Hooks() {
  static TBusyCursorHooks H;
  return H;
}
int& NestingCount() {
  static int Count = 0;
  return Count;
}

// Writes the resource's bytes to FileName; false on any failure.
bool SaveResource(const String& ResName, const String& FileName) {
  TResourceStream Res(ResName, RT_ANICURSOR);
  TFileStream Out(FileName, fmCreate);
  Out.CopyFrom(&Res, 0);
  return true;
}

// The unit's initialisation; the resources of the program are linked into
// the list during static initialisation too, so a first StartWait retries
// what was missing then.
[[maybe_unused]] const bool Started = (LoadBusyCursors(), true);

void EnsureBusyCursors() {
  static bool Retried = false;
  if (Retried || Screen->HasCursor(crBusyCursor)) return;
  Retried = true;
  LoadBusyCursors();
}
}  // namespace

void SetBusyCursorHooks(TBusyCursorHooks H) { Hooks() = std::move(H); }

int BusyCursorNesting() { return NestingCount(); }

void StartWait() {
  ++NestingCount();
  if (Hooks().ShowBusy) return Hooks().ShowBusy();
  EnsureBusyCursors();
  Screen->SetCursor(crBusyCursor);
}

void StopWait() {
  --NestingCount();
  if (Hooks().ShowDefault) return Hooks().ShowDefault();
  Screen->SetCursor(crDefault);
}

void LoadAnimatedCursor(const String& ResName, Integer CursorId) {
  String FileName;
  try {
    // The process number keeps two programs starting at the same moment
    // from writing, loading and deleting each other's file.
    FileName = GetTempDir() + IntToStr(CursorId) + "." + IntToStr(GetCurrentProcessId()) + ".ani";
    SaveResource(ResName, FileName);
    if (HCURSOR H = LoadCursorFromFile(FileName)) Screen->SetCursors(CursorId, H);
  } catch (...) {
    // A cursor that cannot be had leaves its number unregistered.
  }
  if (!FileName.empty()) DeleteFile(FileName);
}

void LoadBusyCursors() {
  LoadAnimatedCursor("crCursor_ajax01", crAjax01);
  LoadAnimatedCursor("crCursor_ajax02", crAjax02);
  LoadAnimatedCursor("crCursor_ajax03", crAjax03);
  LoadAnimatedCursor("crCursor_ajax04", crAjax04);
}
