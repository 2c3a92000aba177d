#include "host/ArchiveReader.h"

#include <zlib.h>

#include <cstring>
#include <map>
#include <memory>

#include "platform/os/fileapi.h"
#include "platform/os/filestream.h"
#include "platform/os/files.h"
#include "host/UpdateIntent.h"
#include "platform/rtl/byteorder.h"
#include "platform/rtl/charset.h"
#include "platform/rtl/strings.h"
#include "platform/rtl/sysutils.h"
#include "sync/backup_format.h"

RTL_IMPLEMENT_CLASS(EArchiveError, Exception, nullptr)

namespace {

[[noreturn]] void Fail(const String& What) { throw EArchiveError("Ungültiges Archiv: " + What); }

constexpr Integer MaxNameLength = 4096;

}  // namespace

TArchiveReader::TArchiveReader(TStream* Stream, Int64 End) : FStream(Stream), FEnd(End < 0 ? Stream->Size() : End) {
  Integer TitleLen = ReadInt();
  if (TitleLen < 0 || TitleLen > FEnd - FStream->Position()) Fail("Titel");
  std::string Title(TitleLen, '\0');
  ReadRaw(Title.data(), TitleLen);
  FTitle = AnsiToUtf8(Title);
  FTotalSize = ReadInt();
  FFileCount = ReadInt();
  if (FFileCount < 0) Fail("Dateianzahl");
}

void TArchiveReader::ReadRaw(void* Buffer, Int64 Count) {
  if (Count < 0 || FStream->Position() + Count > FEnd) Fail("Archiv ist unvollständig");
  FStream->ReadBuffer(Buffer, Count);
}

Integer TArchiveReader::ReadInt() {
  Byte B[4];
  ReadRaw(B, 4);
  return Integer(LoadLE32(B));
}

bool TArchiveReader::Next(TArchiveEntry& Entry) {
  Integer NameLen = ReadInt();
  if (NameLen == 0) return false;
  if (NameLen < 0 || NameLen > MaxNameLength) Fail("Dateiname");
  std::string Name(NameLen, '\0');
  ReadRaw(Name.data(), NameLen);
  Entry.Name = Name == backup_format::FileListName ? Name : AnsiToUtf8(Name);
  Entry.Date = ReadInt();
  char Marker[4];
  ReadRaw(Marker, 4);
  if (std::memcmp(Marker, backup_format::EntryMarker, 4) != 0) Fail("Markierung");
  return true;
}

Int64 TArchiveReader::ReadData(TStream* Out) {
  using backup_format::BlockSize;
  std::vector<Byte> In, Plain(BlockSize);
  Int64 Total = 0;
  for (Integer Len = ReadInt(); Len != 0; Len = ReadInt()) {
    if (Len < -BlockSize) Fail("Block");
    if (Len < 0) {
      In.resize(-Len);
      ReadRaw(In.data(), -Len);
      Out->WriteBuffer(In.data(), -Len);
      Total += -Len;
      continue;
    }
    if (Len > BlockSize + 1024) Fail("Block");
    In.resize(Len);
    ReadRaw(In.data(), Len);
    uLongf PlainLen = BlockSize;
    if (uncompress(Plain.data(), &PlainLen, In.data(), uLong(Len)) != Z_OK) Fail("Block");
    Out->WriteBuffer(Plain.data(), Int64(PlainLen));
    Total += Int64(PlainLen);
  }
  return Total;
}

// ---- unpacking a package ------------------------------------------------------------

namespace {

// Lines of the title, CR LF (or LF) separated, without a trailing empty one.
std::vector<String> TitleLines(const String& Title) {
  TStringList L;
  L.SetText(Title);
  std::vector<String> Lines;
  for (Integer i = 0; i < L.Count(); ++i) Lines.push_back(L.Strings(i));
  return Lines;
}

// NUL and the other control characters have no place in a file name.
void RequirePrintable(const String& Text, const String& What) {
  for (unsigned char C : Text)
    if (C < 32 || C == 127) Fail("Steuerzeichen in " + What);
}

// A relative folder or name that stays inside its root, with '/' as
// delimiter; raises for anything else.
String SafeRelative(String Path, bool IsFolder) {
  RequirePrintable(Path, IsFolder ? String("Ordner") : String("Dateiname"));
  for (char& C : Path)
    if (C == '\\') C = '/';
  if (!Path.empty() && (Path[0] == '/' || (Path.size() > 1 && Path[1] == ':'))) Fail("absoluter Pfad " + Path);
  TStringList Parts;
  Parts.SetStrictDelimiter(true);
  Parts.SetDelimiter('/');
  Parts.SetDelimitedText(Path);
  for (Integer i = 0; i < Parts.Count(); ++i)
    if (Parts.Strings(i) == "..") Fail("Pfad " + Path);
  if (IsFolder && !Path.empty() && Path.back() != '/') Path += '/';
  if (!IsFolder && (Path.empty() || Path == "." || Path.find('/') != String::npos)) Fail("Dateiname " + Path);
  if (!IsFolder && Path.size() > 240) Fail("Dateiname zu lang");  // with room for the temporary suffix
  return Path;
}

// The file list: name -> size.
std::map<String, Int64> ParseFileList(const String& Text) {
  std::map<String, Int64> Sizes;
  TStringList L;
  L.SetText(Text);
  for (Integer i = 0; i < L.Count(); ++i) {
    String Line = L.Strings(i);
    std::size_t Tab = Line.find('\t'), Eq = Line.rfind('=');
    if (Tab == String::npos || Eq == String::npos || Eq < Tab) Fail("Dateiliste");
    Sizes[Line.substr(0, Tab)] = StrToInt64Def(Line.substr(Eq + 1), -1);
  }
  return Sizes;
}

// Counts what is written to it and keeps nothing: the check pass inflates
// every entry without writing a byte.
class TCountingStream : public TStream {
 public:
  Int64 Read(void*, Int64) override { return 0; }
  Int64 Write(const void*, Int64 Count) override {
    FSize += Count;
    return Count;
  }
  Int64 Seek(Int64, TSeekOrigin) override { return FSize; }

 private:
  Int64 FSize = 0;
};

// What the check pass found: the files in archive order and the folders to
// make (parents first).
struct TUpdatePlan {
  std::vector<TUpdateStep> Steps;
  std::vector<String> NewFolders;
  Int64 Bytes = 0;
};

// The folders of Final's path below Root that do not exist yet (parents
// first), added to Plan once each; raises when a part of the path is a
// file.
void PlanFolders(const String& Root, const String& Final, TUpdatePlan& Plan) {
  String Folder = Root;
  String Rest = ExtractFilePath(Final).substr(Root.size());
  for (std::size_t Start = 0, Slash; (Slash = Rest.find('/', Start)) != String::npos; Start = Slash + 1) {
    Folder = os::ResolvePath(Folder + Rest.substr(Start, Slash - Start)) + "/";
    if (FileExists(ExcludeTrailingPathDelimiter(Folder))) Fail("Ordner " + Folder + " ist eine Datei");
    if (DirectoryExists(Folder)) continue;
    bool Known = false;
    for (const String& F : Plan.NewFolders) Known = Known || os::SameFileName(F, Folder);
    if (!Known) Plan.NewFolders.push_back(Folder);
  }
}

// A name beside Final that nothing uses yet: no file or link on the disk,
// no target, folder or temporary name of the plan. Chosen once every
// target is known, so that an entry named like another one's temporary
// file ("keep.txt.part" beside "keep.txt") keeps its own bytes.
String FreeTempName(const String& Final, const TUpdatePlan& Plan) {
  for (Integer N = 0;; ++N) {
    String Temp = Final + (N ? "." + IntToStr(N) : String()) + ".part";
    bool Taken = FileExists(Temp) || DirectoryExists(Temp);
    for (const TUpdateStep& S : Plan.Steps)
      Taken = Taken || os::SameFileName(S.Temp, Temp) || os::SameFileName(S.Final, Temp);
    for (const String& F : Plan.NewFolders) Taken = Taken || os::SameFileName(F, Temp + "/");
    if (!Taken) return Temp;
  }
}

// Walks the archive at Offset. Check pass (Plan empty on entry): reads and
// inflates every entry, checks names, folders, duplicates, sizes and the
// targets on disk, and fills Plan. Write pass: writes each entry to its
// step's temporary file.
void WalkArchive(TStream& Package, Int64 Offset, Int64 End, const String& Root, const TUpdateIntent& Intent,
                 TUpdatePlan& Plan, bool Write) {
  Package.Seek(Offset, soBeginning);
  TArchiveReader Reader(&Package, End);
  std::vector<String> Folders = TitleLines(Reader.Title());
  std::map<String, Int64> Sizes;
  bool HaveList = false;
  std::size_t Index = 0;
  TArchiveEntry E;
  while (Reader.Next(E)) {
    if (E.Name == backup_format::FileListName) {
      TStringStream ListText;
      Reader.ReadData(&ListText);
      Sizes = ParseFileList(AnsiToUtf8(ListText.DataString()));
      HaveList = true;
      continue;
    }
    if (Index >= Folders.size()) Fail("kein Zielordner für " + E.Name);
    RequirePrintable(E.Name, "Dateiname");
    Int64 Written;
    if (Write) {
      // A new file of its own: never one that appeared since the check,
      // never through a link.
      const String& Temp = Plan.Steps[Index].Temp;
      Intent.RequireNoLink(Temp);
      os::File F;
      os::Status S = F.Open(Temp, os::Access::Write, os::Share::DenyNone, os::Disposition::CreateNew);
      if (!S.ok()) throw EArchiveError("Datei " + Temp + " kann nicht erstellt werden: " + S.Message());
      THandleStream Out(std::move(F));
      Written = Reader.ReadData(&Out);
    } else {
      String Name = E.Name;
      for (char& C : Name)
        if (C == '\\') C = '/';
      String Final =
          os::ResolvePath(Root + SafeRelative(Folders[Index], true) + SafeRelative(ExtractFileName(Name), false));
      if (DirectoryExists(Final)) Fail("Ziel " + Final + " ist ein Ordner");
      if (Intent.IsRecordName(Final)) Fail("Ziel " + Final + " ist das Aktualisierungsprotokoll");
      Intent.RequireNoLink(Final);
      for (const TUpdateStep& S : Plan.Steps)
        if (os::SameFileName(S.Final, Final)) Fail("Ziel " + Final + " kommt zweimal vor");
      for (const String& F : Plan.NewFolders)
        if (os::SameFileName(F, Final + "/")) Fail("Ziel " + Final + " ist zugleich ein Ordner");
      PlanFolders(Root, Final, Plan);
      for (const String& F : Plan.NewFolders)
        if (Intent.IsRecordName(ExcludeTrailingPathDelimiter(F))) Fail("Ordner " + F + " ist das Aktualisierungsprotokoll");
      for (const TUpdateStep& S : Plan.Steps)
        for (const String& F : Plan.NewFolders)
          if (os::SameFileName(F, S.Final + "/")) Fail("Ziel " + S.Final + " ist zugleich ein Ordner");
      Plan.Steps.push_back({String(), Final, E.Date});
      TCountingStream Count;
      Written = Reader.ReadData(&Count);
      Plan.Bytes += Written;
    }
    if (HaveList && (!Sizes.count(E.Name) || Sizes[E.Name] != Written)) Fail("Größe von " + E.Name);
    ++Index;
  }
  if (Index != std::size_t(Reader.FileCount()) || Index != Plan.Steps.size()) Fail("Dateianzahl");
  if (!Write)
    for (TUpdateStep& S : Plan.Steps) S.Temp = FreeTempName(S.Final, Plan);
}

// The free bytes where Folder is (or would be made), or -1.
Int64 FreeBytesFor(String Folder) {
  while (!Folder.empty() && !DirectoryExists(Folder)) Folder = ExtractFilePath(ExcludeTrailingPathDelimiter(Folder));
  return Folder.empty() ? -1 : DiskFree(Folder);
}

// Forces a written file's bytes to the disk before it may replace anything.
void SyncFile(const String& Path) {
  os::File F;
  if (!F.Open(Path, os::Access::Read, os::Share::DenyNone).ok() || !F.Flush().ok())
    throw EArchiveError("Datei " + Path + " kann nicht geschrieben werden");
}

}  // namespace

Integer ExtractUpdatePackage(const String& PackagePath, const String& DestRoot) {
  String Root = os::ResolvePath(IncludeTrailingPathDelimiter(DestRoot));
  Root = IncludeTrailingPathDelimiter(Root);
  // What a killed run left is finished or undone before anything else.
  TUpdateIntent Intent(Root);
  Intent.Recover();

  TFileStream Package(PackagePath, fmOpenRead | fmShareDenyWrite);
  Int64 Size = Package.Size();
  if (Size < 4) Fail("kein Archiv angehängt");
  Package.Seek(Size - 4, soBeginning);
  Int64 Offset = Package.ReadInteger();
  if (Offset <= 0 || Offset >= Size - 4) Fail("Archivbeginn");

  TUpdatePlan Plan;
  if (FileExists(ExcludeTrailingPathDelimiter(Root))) Fail("Zielordner " + Root + " ist eine Datei");
  WalkArchive(Package, Offset, Size - 4, Root, Intent, Plan, false);
  Int64 Free = FreeBytesFor(Root);
  if (Free >= 0 && Free < Plan.Bytes) throw EArchiveError("Nicht genug Speicherplatz für die Aktualisierung in " + Root);

  Intent.BeginWriting(Plan.Steps, Plan.NewFolders);
  try {
    for (const String& F : Plan.NewFolders) {
      Intent.RequireNoLink(F);
      if (!CreateDir(F)) throw EArchiveError("Ordner " + F + " kann nicht erstellt werden");
    }
    WalkArchive(Package, Offset, Size - 4, Root, Intent, Plan, true);
    for (const TUpdateStep& S : Plan.Steps) SyncFile(S.Temp);
  } catch (...) {
    Intent.Undo();
    throw;
  }
  Intent.Replace();
  return Integer(Plan.Steps.size());
}
