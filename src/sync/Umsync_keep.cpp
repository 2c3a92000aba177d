#include "sync/Umsync_keep.h"

#include "data/memtable/mtMemCSVStreamFormat.h"
#include "data/memtable/mtMemCopy.h"
#include "foundation/FileUtils.h"
#include "platform/os/fileapi.h"
#include "platform/os/filestream.h"
#include "platform/os/private_folder.h"
#include "platform/rtl/sysutils.h"

namespace {

// How many folders of the same run name are tried before giving up.
constexpr int MaxFolderAttempts = 99;

// An empty, open in-memory table with the fields of Source. The record
// numbers (autoincrement) keep the mobile values: an order names its
// address by that number.
std::unique_ptr<TmtMemTable> MakeKeptTable(TDataSet* Source) {
  auto Table = std::make_unique<TmtMemTable>(nullptr);
  Table->CopyStructure(Source, 0);
  for (Integer I = 0; I < Table->FieldDefs().Count(); ++I)
    if (Table->FieldDefs()[I]->DataType() == ftAutoInc) Table->FieldDefs()[I]->SetDataType(ftInteger);
  Table->Open();
  return Table;
}

// Appends the current record of Source to Table, field by field of the
// same name.
void AppendCurrent(TDataSet* Source, TmtMemTable* Table) {
  Table->Append();
  try {
    for (Integer I = 0; I < Table->FieldCount(); ++I) {
      TField* To = Table->Fields()[I];
      if (TField* From = Source->FindField(To->FieldName())) mtCopyFieldValue(From, To);
    }
    Table->Post();
  } catch (...) {
    Table->Cancel();
    throw;
  }
}

// Raises the failure to make the folder Folder with the system's Error:
// when a file stands at its name, that file is named (the user has to move
// it; it is never touched here).
[[noreturn]] void FolderNotMade(const String& Folder, DWORD Error) {
  const String Path = ExcludeTrailingPathDelimiter(Folder);
  if (Error == ERROR_ALREADY_EXISTS || Error == ERROR_FILE_EXISTS || FileExists(Path))
    throw EInOutError("Der Ordner " + Path + " kann nicht angelegt werden: an seiner Stelle liegt die Datei " +
                      os::ResolvePath(Path) +
                      ". Benennen Sie diese Datei um oder verschieben Sie sie und wiederholen Sie die "
                      "Synchronisation.");
  throw EInOutError("Der Ordner " + Path + " kann nicht angelegt werden. " + SysErrorMessage(Error));
}

// Makes Root unless it is there; refuses a link, which could lead the
// files anywhere.
void MakeRoot(const String& Root) {
  if (os::IsSymbolicLink(Root))
    throw EInOutError("Der Ordner " + Root + " ist ein Verweis auf einen anderen Ort und wird nicht benutzt.");
  if (DirectoryExists(Root) || CreateDirectory(Root)) return;
  const DWORD Error = GetLastError();
  if (!DirectoryExists(Root)) FolderNotMade(Root, Error);  // else made meanwhile by another run
}

}  // namespace

String MakeRunFolder(const String& Root, const String& RunName, const String& Suffix,
                     std::initializer_list<const char*> Taken) {
  for (int N = 1; N <= MaxFolderAttempts; ++N) {
    const String Name = RunName + (N == 1 ? String() : " (" + IntToStr(N) + ")");
    bool Free = true;
    for (const char* Other : Taken) Free = Free && GetFileAttributes(Root + Name + Other) == INVALID_FILE_ATTRIBUTES;
    if (!Free) continue;
    const String Folder = Root + Name + Suffix;
    if (CreateDirectory(Folder)) return Name;
    const DWORD Error = GetLastError();
    if ((Error != ERROR_ALREADY_EXISTS && Error != ERROR_FILE_EXISTS) || !DirectoryExists(Folder))
      FolderNotMade(Folder, Error);
  }
  throw EInOutError("Der Ordner " + Root + RunName + Suffix + " kann nicht angelegt werden: es gibt ihn schon.");
}

namespace {

// Writes Table as CSV text into the new file Path.
void SaveTable(TmtMemTable* Table, const String& Path) {
  os::File File;
  if (os::Status S = File.Open(Path, os::Access::ReadWrite, os::Share::Exclusive, os::Disposition::CreateNew);
      !S.ok())
    throw EFCreateError(Format(SFCreateErrorEx, {Path, SysErrorMessage(S.code())}));
  THandleStream Stream(std::move(File));
  TmtCSVStreamFormat CSV(nullptr);
  CSV.Set_sfDef({});
  CSV.Set_sfLocalFormat({sfSaveLocalFormat});
  CSV.SetCSVFieldDelimiter(';');
  CSV.SetCSVRecordDelimiter('\0');
  // The engine's character fields come padded with blanks to their width.
  CSV.OnFormatSaveField = [](TmtCustomCSVStreamFormat*, TField* Field, String& Text, bool&) {
    if (mtCSVIsStringType(Field->DataType())) Text = TrimRight(Text);
  };
  Table->SaveToStreamWithFormat(&Stream, &CSV);
}

}  // namespace

TKeptOrders::TKeptOrders() = default;
TKeptOrders::~TKeptOrders() = default;

void TKeptOrders::Clear() {
  FOrders.reset();
  FAddresses.reset();
  FAddressIDs.clear();
}

bool TKeptOrders::Empty() const { return !FOrders || FOrders->RecordCount() == 0; }

void TKeptOrders::Add(TDataSet* Order, TDataSet* Address) {
  if (!FOrders) {
    FOrders = MakeKeptTable(Order);
    FAddresses = MakeKeptTable(Address);
  }
  AppendCurrent(Order, FOrders.get());
  TField* ID = Address->FindField("ID");
  if (!ID || FAddressIDs.insert(ID->AsInteger()).second) AppendCurrent(Address, FAddresses.get());
}

String TKeptOrders::Save(const String& OfficeFolder, const String& RunName) const {
  if (Empty()) return String();
  const String Root = IncludeTrailingBackslash(OfficeFolder) + FolderName + "/";
  MakeRoot(Root);
  const String Folder = Root + MakeRunFolder(Root, RunName) + "/";
  try {
    SaveTable(FOrders.get(), Folder + OrdersFile);
    SaveTable(FAddresses.get(), Folder + AddressesFile);
  } catch (...) {
    // Only what this call made goes: the folder was new.
    DeleteFile(Folder + OrdersFile);
    DeleteFile(Folder + AddressesFile);
    RemoveDirectory(Folder);
    throw;
  }
  return Folder;
}
