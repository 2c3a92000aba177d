#include "host/UpdateIntent.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>

#include "host/ArchiveReader.h"
#include "platform/os/fileapi.h"
#include "platform/os/files.h"
#include "platform/rtl/strings.h"
#include "platform/rtl/sysutils.h"

namespace {

const char* const RecordName = "ZAVOZORUZIZOVAR.intent";
const char* const RecordHead = "UPDATEMOBILE INTENT 1";

[[noreturn]] void FailRecord(const String& Path, const String& What) {
  throw EArchiveError("Aktualisierungsprotokoll " + Path + ": " + What);
}

// Forces a folder's entries (a rename, a new name) to the disk.
void SyncFolder(const String& Folder) {
  int Fd = ::open(Folder.c_str(), O_RDONLY | O_DIRECTORY);
  if (Fd < 0) return;
  ::fsync(Fd);
  ::close(Fd);
}

// A path of the record must lie inside the folder: a record is data on
// the disk, and its recovery renames and deletes what it names.
bool Inside(const String& Folder, const String& Path) {
  if (Path.size() <= Folder.size() || Path.compare(0, Folder.size(), Folder) != 0) return false;
  String Rest = Path.substr(Folder.size());
  if (Rest.back() == '/') Rest.pop_back();  // a folder
  if (Rest.empty()) return false;
  Rest = "/" + Rest + "/";
  for (unsigned char C : Rest)
    if (C < 32 || C == 127) return false;
  return Rest.find("/../") == String::npos && Rest.find("/./") == String::npos && Rest.find("//") == String::npos;
}

// The first folder on Path below Folder that is a symbolic link, or "".
String LinkedFolder(const String& Folder, const String& Path) {
  for (std::size_t Slash = Path.find('/', Folder.size()); Slash != String::npos; Slash = Path.find('/', Slash + 1)) {
    String Part = Path.substr(0, Slash);
    struct stat St;
    if (::lstat(Part.c_str(), &St) == 0 && S_ISLNK(St.st_mode)) return Part;
  }
  return String();
}

void WriteDurably(const String& Path, const String& Text) {
  os::File F;
  os::Status S = F.Open(Path, os::Access::Write, os::Share::DenyNone, os::Disposition::CreateAlways);
  if (S.ok()) S = F.Write(0, Text.data(), Text.size());
  if (S.ok()) S = F.Flush();
  if (!S.ok()) FailRecord(Path, "kann nicht geschrieben werden");
}

}  // namespace

TUpdateIntent::TUpdateIntent(const String& Folder)
    : FFolder(IncludeTrailingPathDelimiter(Folder)), FPath(os::ResolvePath(FFolder + RecordName)) {}

bool TUpdateIntent::IsRecordName(const String& Path) const {
  return os::SameFileName(Path, FPath) || os::SameFileName(Path, FPath + ".new");
}

void TUpdateIntent::RequireNoLink(const String& Path) const {
  String Link = LinkedFolder(FFolder, Path);
  if (!Link.empty()) throw EArchiveError("Ordner " + Link + " ist eine Verknüpfung: die Aktualisierung schreibt nicht hindurch");
}

void TUpdateIntent::Save(char State) {
  // Names hold no control characters (the extractor refuses them), so TAB
  // and line ends separate them safely.
  String Text = String(RecordHead) + "\n" + State + "\n";
  for (const String& D : FFolders) Text += "D\t" + D + "\n";
  for (const TUpdateStep& S : FSteps) Text += "F\t" + IntToStr(S.Date) + "\t" + S.Temp + "\t" + S.Final + "\n";
  Text += "END\n";
  ForceDirectories(FFolder);
  String Fresh = FPath + ".new";
  WriteDurably(Fresh, Text);
  if (::rename(Fresh.c_str(), FPath.c_str()) != 0) FailRecord(FPath, "kann nicht geschrieben werden");
  SyncFolder(FFolder);
  FState = State;
}

bool TUpdateIntent::Load() {
  ::DeleteFile(FPath + ".new");  // a record cut short before it took effect
  if (!FileExists(FPath)) return false;
  TStringList L;
  L.LoadFromFile(FPath);
  if (L.Count() < 3 || L[0] != RecordHead || L[L.Count() - 1] != "END" || (L[1] != "W" && L[1] != "R"))
    FailRecord(FPath, "ist beschädigt");
  FState = L[1][0];
  FSteps.clear();
  FFolders.clear();
  for (Integer I = 2; I < L.Count() - 1; ++I) {
    std::vector<String> Parts;
    for (std::size_t Start = 0;;) {
      std::size_t Tab = L[I].find('\t', Start);
      Parts.push_back(L[I].substr(Start, Tab == String::npos ? String::npos : Tab - Start));
      if (Tab == String::npos) break;
      Start = Tab + 1;
    }
    if (Parts.size() == 2 && Parts[0] == "D" && Inside(FFolder, Parts[1]))
      FFolders.push_back(Parts[1]);
    else if (Parts.size() == 4 && Parts[0] == "F" && Inside(FFolder, Parts[3]) &&
             Parts[2].compare(0, Parts[3].size(), Parts[3]) == 0 && Parts[2].size() >= Parts[3].size() + 5 &&
             Parts[2].compare(Parts[2].size() - 5, 5, ".part") == 0 && Parts[2].find('/', Parts[3].size()) == String::npos)
      FSteps.push_back({Parts[2], Parts[3], StrToIntDef(Parts[1], 0)});
    else
      FailRecord(FPath, "ist beschädigt");
  }
  for (const String& D : FFolders) RequireNoLink(D);
  for (const TUpdateStep& S : FSteps) RequireNoLink(S.Final);
  return true;
}

void TUpdateIntent::Remove() {
  ::DeleteFile(FPath);
  SyncFolder(FFolder);
  FState = 0;
}

void TUpdateIntent::Recover() {
  if (!Load()) return;
  if (FState == 'W')
    Undo();
  else
    Replace();
}

void TUpdateIntent::BeginWriting(const std::vector<TUpdateStep>& Steps, const std::vector<String>& NewFolders) {
  FSteps = Steps;
  FFolders = NewFolders;
  Save('W');
}

void TUpdateIntent::Undo() {
  // Nothing is deleted through a link that appeared since the check.
  for (const TUpdateStep& S : FSteps)
    if (LinkedFolder(FFolder, S.Temp).empty()) ::DeleteFile(S.Temp);
  for (auto It = FFolders.rbegin(); It != FFolders.rend(); ++It)
    if (LinkedFolder(FFolder, *It).empty()) RemoveDirectory(*It);
  Remove();
}

void TUpdateIntent::Replace() {
  if (FState != 'R') Save('R');
  for (const TUpdateStep& S : FSteps) {
    RequireNoLink(S.Final);
    // A temporary file that is gone was renamed before a kill.
    if (FileExists(S.Temp) && ::rename(S.Temp.c_str(), S.Final.c_str()) != 0)
      throw EArchiveError("Datei " + S.Final + " kann nicht geschrieben werden");
    FileSetDate(S.Final, S.Date);
  }
  for (const TUpdateStep& S : FSteps) SyncFolder(ExtractFilePath(S.Final));
  Remove();
}
