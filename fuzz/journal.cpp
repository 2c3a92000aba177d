// Fuzzes the transaction journal reader: a "<table>.OAT.OAJ" of any bytes
// beside a sound table either is rolled back into the table's own files
// or refused with an engine code when the table opens; a file outside the
// folder, or one of another kind in it, is never written.
//
// The first input byte's bit 1 says whether the rest is the journal image
// itself; its bit 2 makes the memo file a second name (a hard link) of a
// file outside, which a journal must never write either; otherwise the rest builds entries, so that the fuzzer reaches the
// checks behind a well-formed entry: per entry one byte picks the path (the
// table, memo and index files, a file of another kind beside them, a file
// of another folder, a path through ".."), one byte the page, one the old
// size (in pages, or beside a page boundary), one the length of the old
// bytes, which follow (for a size record with an odd length byte: the 32
// bytes of a file's identity, inode and device taken from the file named,
// so that the checks of put-back files are reached too).
#include <sys/stat.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "fuzz_input.h"
#include "platform/engine/oak.h"

namespace {

struct TFolder {
  std::string Dir, Oat, Oam, Oai;
};

// A sound table with a memo and an index, built once; and the files a
// journal must never write: a text file beside it, a table in a folder
// of its own.
const TFolder& Sound() {
  static const TFolder F = [] {
    TFolder R;
    R.Dir = fuzz::RunFolder("journal");
    OAKHANDLE Conn = 0, T = 0, I = 0;
    OakConnect60(R.Dir.c_str(), OAK_LOCAL_SERVER, "", "", 0, &Conn);
    OakCreateTable(Conn, "T", nullptr, OAK_OAT, OAK_ANSI, 1, 1, 0, "NAME,Char,20;M,Memo", &T);
    OakCreateIndex61(T, "", "NAME", "NAME", "", "", OAK_COMPOUND, 0, &I);
    // Names and memos of several pages in all three files.
    for (std::string Name = "Kunde 0"; Name.size() < 40; Name += char('a' + Name.size() % 26)) {
      const std::string Memo = Name + std::string(Name.size() * 40, '.');
      if (OakAppendRecord(T) || OakSetField(T, 1, Name.data(), Name.size()) ||
          OakSetField(T, 2, Memo.data(), Memo.size()) || OakWriteRecord(T))
        break;
    }
    OakCloseTable(T);
    OakDisconnect(Conn);
    for (auto [Ext, Image] : {std::pair{".OAT", &R.Oat}, {".OAM", &R.Oam}, {".OAI", &R.Oai}})
      *Image = fuzz::ReadAll(R.Dir + "/T" + Ext);
    return R;
  }();
  return F;
}

const std::string& Outside() {
  static const std::string Dir = fuzz::RunFolder("journal_outside");
  return Dir;
}

void Put(std::string& Out, std::uint64_t V, int Bytes) {
  for (int I = 0; I < Bytes; ++I) Out += static_cast<char>(V >> (8 * I));
}

std::string Journal(const std::string& Dir, const uint8_t* Data, size_t Size) {
  const std::string Paths[] = {Dir + "/T.OAT", Dir + "/T.OAM",  Dir + "/T.OAI",
                               Dir + "/T.txt", Outside() + "/T.OAT", Dir + "/../T.OAT"};
  std::string J;
  for (size_t I = 0; I + 4 <= Size;) {
    const std::string& Path = Paths[Data[I] % 6];
    std::uint64_t Page = Data[I + 1] == 0xFF ? ~std::uint64_t(0) : Data[I + 1];
    std::uint64_t OldSize = (Data[I + 2] & 0x7F) * 4096 + (Data[I + 2] & 0x80 ? 1 : 0);
    size_t Len = std::min<size_t>(Data[I + 3] * 17, Size - I - 4);
    Put(J, Path.size(), 4);
    J += Path;
    Put(J, OldSize, 8);
    Put(J, Page, 8);
    if (Page == ~std::uint64_t(0) && (Data[I + 3] & 1) && Size - I - 4 >= 8) {
      // An identity: the file's own device and inode, counter and id from
      // the input.
      struct stat St = {};
      ::stat(Path.c_str(), &St);
      Put(J, 32, 4);
      Put(J, St.st_dev, 8);
      Put(J, St.st_ino, 8);
      J.append(reinterpret_cast<const char*>(Data + I + 4), 8);  // counter, counter valid
      Put(J, Data[I + 5] & 1, 8);  // the transaction: 0 is the sound table's marker
      I += 4 + 8;
      continue;
    }
    Put(J, Len, 4);
    J.append(reinterpret_cast<const char*>(Data + I + 4), Len);
    I += 4 + Len;
  }
  return J;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  if (Size < 1) return 0;
  const TFolder& S = Sound();
  static const std::string Dir = fuzz::RunFolder("journal_run");
  fuzz::WriteAll(Dir + "/T.OAT", S.Oat);
  // The memo file's name goes first: written anew through a hard link of
  // the last input it would change the file outside.
  ::unlink((Dir + "/T.OAM").c_str());
  fuzz::WriteAll(Outside() + "/T.OAM", S.Oam);
  if (!(Data[0] & 4) || ::link((Outside() + "/T.OAM").c_str(), (Dir + "/T.OAM").c_str()) != 0)
    fuzz::WriteAll(Dir + "/T.OAM", S.Oam);
  fuzz::WriteAll(Dir + "/T.OAI", S.Oai);
  fuzz::WriteAll(Dir + "/T.txt", "beside\n");
  fuzz::WriteAll(Outside() + "/T.OAT", S.Oat);
  fuzz::WriteAll(Dir + "/T.OAT.OAJ",
                 Data[0] & 2 ? std::string(reinterpret_cast<const char*>(Data + 1), Size - 1)
                             : Journal(Dir, Data + 1, Size - 1));
  OAKHANDLE Conn = 0, T = 0;
  if (OakConnect60(Dir.c_str(), OAK_LOCAL_SERVER, "", "", 0, &Conn)) return 0;
  if (OakOpenTable(Conn, "T", nullptr, OAK_OAT, OAK_ANSI, 1, 1, 0, &T) == 0) {
    UNSIGNED32 Count = 0;
    OakGetRecordCount(T, 0, &Count);
    OakGotoTop(T);
    OakSkip(T, 1);
    OakCloseTable(T);
  }
  OakDisconnect(Conn);
  // A journal set aside (its files put back) goes, so that names do not
  // run out.
  for (int N = 1; N <= 3; ++N) ::unlink((Dir + "/T.OAT.OAJ.aside" + (N == 1 ? "" : std::to_string(N))).c_str());
  // Files the journal could never have written stay as they were.
  if (fuzz::ReadAll(Dir + "/T.txt") != "beside\n" || fuzz::ReadAll(Outside() + "/T.OAT") != S.Oat ||
      fuzz::ReadAll(Outside() + "/T.OAM") != S.Oam)
    std::abort();
  return 0;
}
