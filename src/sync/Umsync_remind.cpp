// Reminders beside the office data: made whole under a name of their own,
// then named; held while their maker works or their box is open.
#include "sync/Umsync_remind.h"

#include "platform/os/find.h"
#include "platform/rtl/exceptions.h"
#include "platform/rtl/guid.h"
#include "platform/rtl/sysutils.h"

namespace {

// Between the reminder's name and the maker's own ending while it is made.
const char* const UnfinishedInfix = ".neu-";

String SlotName(const TReminderKind& Kind, int Slot) {
  return String(Kind.Base) + (Slot == 1 ? String() : "-" + IntToStr(Slot)) + Kind.Ext;
}

// The reminders of Kind in Folder (in the order of their names) and the
// unfinished ones, as the folder spells them.
void ListReminders(const String& Folder, const TReminderKind& Kind, std::vector<String>& Named,
                   std::vector<String>& Unfinished) {
  std::vector<String> Found;
  TSearchRec F;
  if (FindFirst(Folder + Kind.Base + "*", faAnyFile, F) == 0) {
    do Found.push_back(F.Name);
    while (FindNext(F) == 0);
  }
  FindClose(F);
  const String Started = os::FoldFileName(String(Kind.Base) + Kind.Ext + UnfinishedInfix);
  for (const String& Name : Found)
    if (os::FoldFileName(Name).rfind(Started, 0) == 0) Unfinished.push_back(Folder + Name);
  for (int Slot = 1; Slot <= kReminderSlots; ++Slot)
    for (const String& Name : Found)
      if (os::SameFileName(Name, SlotName(Kind, Slot))) Named.push_back(Folder + Name);
}

// Takes each reminder of Paths that nobody holds and hands it to Act.
void TakeEach(const std::vector<String>& Paths, const std::function<void(TReminder&)>& Act) {
  for (const String& Path : Paths) {
    TReminder Reminder;
    if (Reminder.Take(Path)) Act(Reminder);
  }
}

}  // namespace

void TReminder::Make(const String& Folder, const TReminderKind& Kind, const String& Text) {
  Release();
  const String Guid = GUIDToString(NewGUID());
  const String Unfinished = Folder + Kind.Base + Kind.Ext + UnfinishedInfix + Guid.substr(1, Guid.size() - 2);
  os::File File;
  os::Status S = File.Open(Unfinished, os::Access::ReadWrite, os::Share::DenyNone, os::Disposition::CreateNew);
  const bool Made = S.ok();
  if (S.ok()) S = File.Lock(0, 1, os::LockKind::Exclusive);
  if (S.ok()) S = File.Write(0, Text.data(), Text.size());
  if (S.ok()) S = File.Flush();
  // The first free name; one taken meanwhile by another maker is left to it.
  bool Named = false;
  for (int Slot = 1; S.ok() && !Named; ++Slot) {
    if (Slot > kReminderSlots) {
      S = os::Status::Error(ERROR_FILE_EXISTS, Folder + SlotName(Kind, 1));
      break;
    }
    S = File.Rename(Folder + SlotName(Kind, Slot), false);
    Named = S.ok();
    if (S.code() == ERROR_FILE_EXISTS || S.code() == ERROR_ALREADY_EXISTS) S = os::Status::OK();
  }
  if (!S.ok()) {
    if (Made) os::RemoveLeftover(File.Path());
    throw EInOutError("Die Datei " + Folder + SlotName(Kind, 1) + " kann nicht angelegt werden. " + S.Message(),
                      static_cast<int>(S.code()));
  }
  FFile = std::move(File);
  FText = Text;
}

bool TReminder::Take(const String& Path) {
  Release();
  os::File File;
  if (!File.Open(Path, os::Access::Read, os::Share::DenyNone).ok() || !File.Lock(0, 1, os::LockKind::Exclusive).ok() ||
      !File.NamedDirectly())
    return false;
  os::Result<std::uint64_t> Size = File.Size();
  if (!Size.ok() || Size.value() > kReminderMaxBytes) return false;
  String Text(Size.value(), '\0');
  std::size_t Got = 0;
  if (!File.Read(0, Text.data(), Text.size(), &Got).ok()) return false;
  Text.resize(Got);
  FFile = std::move(File);
  FText = std::move(Text);
  return true;
}

void TReminder::Done() {
  if (Held() && FFile.NamedDirectly()) os::RemoveLeftover(FFile.Path());
  Release();
}

void TReminder::Release() {
  FFile = os::File();
  FText.clear();
}

void ShowReminders(const String& Folder, const TReminderKind& Kind, const std::function<void(const String& Text)>& Show) {
  // Each goes once its box was closed: a kill while it shows leaves it.
  RemoveReminders(Folder, Kind, [&](const String& Text) {
    Show(Text);
    return true;
  });
}

void RemoveReminders(const String& Folder, const TReminderKind& Kind,
                     const std::function<bool(const String& Text)>& Applies) {
  std::vector<String> Named, Unfinished;
  ListReminders(Folder, Kind, Named, Unfinished);
  TakeEach(Unfinished, [](TReminder& R) { R.Done(); });
  TakeEach(Named, [&](TReminder& R) {
    if (!Applies || Applies(R.Text())) R.Done();
  });
}
