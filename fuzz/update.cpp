// Fuzzes the update extractor: any archive appended to a package either
// unpacks completely into the destination folder or fails with
// an exception of the system (EArchiveError, or the file layer's for a
// name the file system refuses) and leaves the folder as it was (apart from nothing); any
// intent record left in the folder is finished, undone or refused, and
// never touches a file outside the folder.
//
// Input: first byte bit 0 picks the intent record (the rest is its text),
// else the archive; bit 1 whole archive, else patches to a sound archive
// (two folders, a raw and a compressed file, and the file list); bit 2
// makes the destination's PLUGINS a symbolic link to a folder outside,
// which nothing may write through.
#include <zlib.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>

#include "fuzz_input.h"
#include "host/ArchiveReader.h"
#include "host/UpdateIntent.h"

namespace {

namespace fs = std::filesystem;

void Put32(std::string& Out, int V) {
  for (int I = 0; I < 4; ++I) Out += char((unsigned(V) >> (8 * I)) & 255);
}

void PutEntry(std::string& A, const std::string& Name, const std::string& Data, bool Compressed) {
  Put32(A, int(Name.size()));
  A += Name;
  Put32(A, 0x58210000);
  A += std::string("EC2\0", 4);
  if (Compressed) {
    uLongf Len = compressBound(Data.size());
    std::string Packed(Len, '\0');
    compress(reinterpret_cast<Bytef*>(Packed.data()), &Len, reinterpret_cast<const Bytef*>(Data.data()), Data.size());
    Put32(A, int(Len));
    A += Packed.substr(0, Len);
  } else {
    Put32(A, -int(Data.size()));
    A += Data;
  }
  Put32(A, 0);
}

std::string SoundArchive() {
  std::string A, Title = "KVS\\DATA\\\r\nPLUGINS\\\r\n";
  Put32(A, int(Title.size()));
  A += Title;
  Put32(A, 1100);
  Put32(A, 2);
  PutEntry(A, "FILE:LIST", "C:\\o\\a.oat\t1478557696=100\r\nC:\\o\\p.dll\t1478557696=1000\r\n", false);
  PutEntry(A, "C:\\o\\a.oat", std::string(100, 'a'), false);
  PutEntry(A, "C:\\o\\p.dll", std::string(1000, 'p'), true);
  Put32(A, 0);
  return A;
}

// Every path below Root with its size (folders -1).
std::vector<std::pair<std::string, long>> Tree(const std::string& Root) {
  std::vector<std::pair<std::string, long>> Out;
  for (auto& E : fs::recursive_directory_iterator(Root))
    Out.push_back({E.path().string(), E.is_directory() ? -1L : long(E.file_size())});
  std::sort(Out.begin(), Out.end());
  return Out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  static const std::string Run = fuzz::RunFolder("update"), Sound = SoundArchive();
  static const std::string Dest = Run + "/dest/", Package = Run + "/ZAVOZORUZIZOVAR.EXE",
                           Outside = Run + "/outside", OutsideFolder = Run + "/outside.d/";
  fs::remove_all(Dest);
  fs::remove_all(OutsideFolder);
  fs::create_directories(Dest + "KVS/DATA");
  fs::create_directories(OutsideFolder);
  if (Size > 0 && (Data[0] & 4)) fs::create_directory_symlink(OutsideFolder, Dest + "PLUGINS");
  fuzz::WriteAll(Dest + "KVS/DATA/a.oat", "old");
  fuzz::WriteAll(Outside, "keep");
  if (Size > 0 && (Data[0] & 1)) {
    fuzz::WriteAll(Dest + "ZAVOZORUZIZOVAR.intent", std::string(reinterpret_cast<const char*>(Data + 1), Size - 1));
    try {
      TUpdateIntent(Dest).Recover();
    } catch (const EArchiveError&) {
    }
    if (fuzz::ReadAll(Outside) != "keep" || !fs::is_empty(OutsideFolder)) std::abort();
    return 0;
  }
  std::string Archive = fuzz::ImageOrPatches(Sound, Data, Size);
  std::string Bytes = "#!t" + Archive;
  Put32(Bytes, 3);
  fuzz::WriteAll(Package, Bytes);
  auto Before = Tree(Dest);
  try {
    ExtractUpdatePackage(Package, Dest);
  } catch (const Exception&) {
    if (Tree(Dest) != Before) std::abort();  // a refused archive changes nothing
  }
  if (fs::exists(Dest + "ZAVOZORUZIZOVAR.intent") || fuzz::ReadAll(Outside) != "keep" || !fs::is_empty(OutsideFolder))
    std::abort();
  return 0;
}
