// The replacement record of a data folder, completed before a table there
// opens (see replacement.h).
#include "platform/engine/replacement.h"

#include "platform/engine/errors.h"
#include "platform/os/replace.h"
#include "platform/os/ticks.h"
#include "platform/rtl/sysutils.h"

namespace oak {

const char* const kReplacementRecord = "Mobile-Zurueckschreiben.~mdj";

namespace {

// The pause between two attempts while a replacement is at work.
constexpr UNSIGNED32 kRetryPauseMs = 50;
// The suffix of a record and its copies set aside.
const char* const kAsideSuffix = ".unlesbar";

// The text of a replacement stopped by targets changed after its record was
// written: what changed, what is kept, and how to finish by hand.
std::string ChangedTablesText(const std::string& Folder, const std::vector<os::Replacement>& Changed) {
  std::string Tables, Kept;
  for (const os::Replacement& R : Changed) {
    Tables += (Tables.empty() ? "" : ", ") + Folder + R.Target;
    Kept += (Kept.empty() ? "" : ", ") + R.Target + " and its replacement " + R.Prepared;
  }
  return Tables + ": changed after the replacement record " + Folder + kReplacementRecord +
         " was written; kept: " + Kept + ". To finish by hand, save the changed table, rename every replacement "
         "the record names over its table, then delete the record";
}

}  // namespace

os::Status CompletePendingReplacement(const std::string& Folder, UNSIGNED32 WaitMs,
                                      std::vector<os::Replacement>* Changed, os::RecoveryOutcome* Done) {
  const std::uint64_t Start = GetTickCount64();
  if (Done) *Done = os::RecoveryOutcome::Nothing;
  for (;;) {
    os::RecoveryOutcome Attempt = os::RecoveryOutcome::Nothing;
    os::Status S = os::RecoverReplacement(Folder, kReplacementRecord, Changed, &Attempt);
    // The enumerators are ordered by weight.
    if (Done && Attempt > *Done) *Done = Attempt;
    if (S.code() != ERROR_SHARING_VIOLATION || GetTickCount64() - Start >= WaitMs) return S;
    ClockSleep(kRetryPauseMs);
  }
}

void CompletePendingReplacementBeforeOpen(const std::string& Path) {
  const std::string TablePath = os::ResolvePath(Path);
  const std::string Folder = ExtractFilePath(TablePath);
  // The common case costs one look at the folder.
  if (!os::ReplacementPending(Folder, kReplacementRecord)) return;
  std::vector<os::Replacement> Changed;
  os::Status S = CompletePendingReplacement(Folder, kReplacementWaitMs, &Changed);
  switch (S.code()) {
    case ERROR_SUCCESS:
      return;
    case ERROR_SHARING_VIOLATION:
      Fail(E_LOCKED, TablePath + ": the tables of the folder are being replaced (" + S.context() + ")");
    case ERROR_FILE_INVALID:
      Fail(E_REPLACEMENT, ChangedTablesText(Folder, Changed));
    case ERROR_INVALID_DATA:
      Fail(E_REPLACEMENT, S.context() + ": the replacement record cannot be read");
    default:
      Fail(E_IO, S.ToString());
  }
}

os::Result<std::string> SetAsidePendingReplacement(const std::string& Folder,
                                                   const std::vector<std::string>& PreparedNames) {
  return os::SetRecordAside(Folder, kReplacementRecord, PreparedNames, kAsideSuffix);
}

}  // namespace oak
