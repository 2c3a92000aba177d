// Fuzzes the transaction journal reader: a "<table>.OAT.OAJ" of any bytes
// beside a sound table either is rolled back into the table's own files
// or refused with an engine code when the table opens; a file outside the
// folder, or one of another kind in it, is never written.
//
// The first input byte's bit 1 says whether the rest is the journal image
// itself; its bit 2 makes the memo file a second name (a hard link) of a
// file outside, which a journal must never write either; its bit 8 marks
// the table as the journal's transaction's (so that its files are
// written back), bit 16 spoils one entry's checksum and bit 32 makes the
// header count more bytes than the journal holds. Otherwise the rest
// builds a journal of this engine's form, so that the fuzzer reaches the
// checks behind a well-formed entry: per entry one byte picks the path
// (the table, memo and index files, a file of another kind beside them, a
// file of another folder, a path through ".."), one byte the page, one the
// old size (in pages, or beside a page boundary), one the length of the
// old bytes, which follow.
#include <sys/stat.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "fuzz_input.h"
#include "platform/engine/oak.h"
#include "platform/engine/txn_format.h"

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

constexpr std::uint64_t kId = 0x0123456789ABCDEF;

std::string Journal(const std::string& Dir, std::uint8_t Flags, const uint8_t* Data, size_t Size) {
  namespace j = oak::journal;
  const std::string Paths[] = {Dir + "/T.OAT", Dir + "/T.OAM",  Dir + "/T.OAI",
                               Dir + "/T.txt", Outside() + "/T.OAT", Dir + "/../T.OAT"};
  std::string Entries;
  for (size_t I = 0; I + 4 <= Size;) {
    const std::string& Path = Paths[Data[I] % 6];
    std::uint64_t Page = Data[I + 1] == 0xFF ? j::kSizeRecord : Data[I + 1];
    std::uint64_t OldSize = (Data[I + 2] & 0x7F) * 4096 + (Data[I + 2] & 0x80 ? 1 : 0);
    size_t Len = std::min<size_t>(Data[I + 3] * 17, Size - I - 4);
    std::string Entry = j::EncodeEntry(Path, OldSize, Page,
                                       Page == j::kSizeRecord ? std::string()
                                                              : std::string(reinterpret_cast<const char*>(Data + I + 4), Len));
    if ((Flags & 16) && Entries.empty()) Entry.back() ^= 1;
    Entries += Entry;
    I += 4 + (Page == j::kSizeRecord ? 0 : Len);
  }
  const std::uint64_t End = j::kHeaderBytes + Entries.size() + (Flags & 32 ? 4096 : 0);
  return j::EncodeHeader(kId, End) + Entries;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  if (Size < 1) return 0;
  const TFolder& S = Sound();
  static const std::string Dir = fuzz::RunFolder("journal_run");
  std::string Table = S.Oat;
  if (Data[0] & 8) std::memcpy(Table.data() + 40, &kId, 8);  // the journal's transaction's table
  fuzz::WriteAll(Dir + "/T.OAT", Table);
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
                             : Journal(Dir, Data[0], Data + 1, Size - 1));
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
