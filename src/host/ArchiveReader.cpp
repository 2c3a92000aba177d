#include "host/ArchiveReader.h"

#include <zlib.h>

#include <cstring>
#include <map>
#include <memory>

#include "platform/os/fileapi.h"
#include "platform/os/filestream.h"
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
  return Integer(Cardinal(B[0]) | Cardinal(B[1]) << 8 | Cardinal(B[2]) << 16 | Cardinal(B[3]) << 24);
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

// A relative folder or name that stays inside its root, with '/' as
// delimiter; raises for anything else.
String SafeRelative(String Path, bool IsFolder) {
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
    Sizes[Line.substr(0, Tab)] = StrToInt64(Line.substr(Eq + 1));
  }
  return Sizes;
}

struct TPending {
  String Temp, Final;
  Integer Date;
};

}  // namespace

Integer ExtractUpdatePackage(const String& PackagePath, const String& DestRoot) {
  TFileStream Package(PackagePath, fmOpenRead | fmShareDenyWrite);
  Int64 Size = Package.Size();
  if (Size < 4) Fail("kein Archiv angehängt");
  Package.Seek(Size - 4, soBeginning);
  Int64 Offset = Package.ReadInteger();
  if (Offset <= 0 || Offset >= Size - 4) Fail("Archivbeginn");
  Package.Seek(Offset, soBeginning);

  std::vector<TPending> Pending;
  auto Discard = [&] {
    for (const TPending& P : Pending) DeleteFile(P.Temp);
  };
  try {
    TArchiveReader Reader(&Package, Size - 4);
    std::vector<String> Folders = TitleLines(Reader.Title());
    std::map<String, Int64> Sizes;
    bool HaveList = false;
    TArchiveEntry E;
    for (std::size_t Index = 0; Reader.Next(E);) {
      if (E.Name == backup_format::FileListName) {
        TStringStream ListText;
        Reader.ReadData(&ListText);
        Sizes = ParseFileList(AnsiToUtf8(ListText.DataString()));
        HaveList = true;
        continue;
      }
      if (Index >= Folders.size()) Fail("kein Zielordner für " + E.Name);
      String Name = E.Name;
      for (char& C : Name)
        if (C == '\\') C = '/';
      String Final = IncludeTrailingPathDelimiter(DestRoot) + SafeRelative(Folders[Index++], true) +
                     SafeRelative(ExtractFileName(Name), false);
      ForceDirectories(ExtractFilePath(Final));
      String Temp = Final + ".part";
      Pending.push_back({Temp, Final, E.Date});
      Int64 Written;
      {
        TFileStream Out(Temp, fmCreate);
        Written = Reader.ReadData(&Out);
      }
      if (HaveList && (!Sizes.count(E.Name) || Sizes[E.Name] != Written)) Fail("Größe von " + E.Name);
    }
    if (Pending.size() != std::size_t(Reader.FileCount())) Fail("Dateianzahl");
  } catch (...) {
    Discard();
    throw;
  }
  for (const TPending& P : Pending) {
    DeleteFile(P.Final);
    if (!RenameFile(P.Temp, P.Final)) {
      Discard();
      throw EArchiveError("Datei " + P.Final + " kann nicht geschrieben werden");
    }
    FileSetDate(P.Final, P.Date);
  }
  return Integer(Pending.size());
}
