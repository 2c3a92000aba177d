// Fuzzes the .OAT and .OAM readers: a table whose files hold any bytes
// either opens and can be walked, read field by field (memos included),
// sought and skipped backwards, or fails with an engine code; nothing else
// may happen.
//
// The first input byte picks the file (even: the table, odd: the memo
// file); its bit 1 says whether the rest is the whole file image or a list
// of patches (u16 offset, byte) to a sound table built once, so that the
// fuzzer also reaches the records and memo blocks behind a valid header.
#include <stdlib.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "fuzz_input.h"
#include "platform/engine/oak.h"

namespace {

struct Images {
  std::string Dir, Oat, Oam;
};

// A sound table T (character, numeric, date, logical, memo) with a few
// records, built once in a folder of its own.
const Images& Sound() {
  static const Images I = [] {
    Images R;
    char Tmpl[] = "/tmp/fuzz_table_XXXXXX";
    R.Dir = mkdtemp(Tmpl);
    OAKHANDLE Conn = 0, T = 0;
    OakConnect60(R.Dir.c_str(), OAK_LOCAL_SERVER, "", "", 0, &Conn);
    OakCreateTable(Conn, "T", nullptr, OAK_OAT, OAK_ANSI, 1, 1, 0, "NAME,Char,20;N,Numeric,8,2;D,Date;L,Logical;M,Memo",
                   &T);
    for (int i = 0; i < 12; ++i) {
      OakAppendRecord(T);
      std::string Name = "Kunde " + std::to_string(i), N = std::to_string(i * 3.5), Memo(40 * i, 'm');
      OakSetField(T, 1, Name.data(), Name.size());
      OakSetField(T, 2, N.data(), N.size());
      OakSetField(T, 3, "20240131", 8);
      OakSetField(T, 4, i % 2 ? "T" : "F", 1);
      OakSetField(T, 5, Memo.data(), Memo.size());
      OakWriteRecord(T);
    }
    OakCloseTable(T);
    OakDisconnect(Conn);
    R.Oat = fuzz::ReadAll(R.Dir + "/T.OAT");
    R.Oam = fuzz::ReadAll(R.Dir + "/T.OAM");
    return R;
  }();
  return I;
}

void Walk(OAKHANDLE T) {
  UNSIGNED16 Fields = 0;
  if (OakGetNumFields(T, &Fields)) return;
  if (Fields > 64) Fields = 64;
  OakGotoTop(T);
  for (int Steps = 0; Steps < 100; ++Steps) {
    UNSIGNED16 Eof = 1;
    if (OakAtEOF(T, &Eof) || Eof) break;
    for (UNSIGNED16 F = 1; F <= Fields; ++F) {
      char Buf[8192];
      UNSIGNED32 Len = sizeof Buf;
      OakGetField(T, F, Buf, &Len, OAK_RTRIM);
      UNSIGNED32 MemoLen = 0;
      OakGetMemoLength(T, F, &MemoLen);
    }
    if (OakSkip(T, 1)) break;
  }
  OakGotoBottom(T);
  OakSkip(T, -3);
  UNSIGNED32 Count = 0;
  OakGetRecordCount(T, 0, &Count);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  if (Size < 1) return 0;
  const Images& S = Sound();
  static const std::string Dir = [] {
    char Tmpl[] = "/tmp/fuzz_table_run_XXXXXX";
    return std::string(mkdtemp(Tmpl));
  }();
  bool Memo = Data[0] & 1, Whole = Data[0] & 2;
  std::string Input(reinterpret_cast<const char*>(Data + 1), Size - 1);
  std::string Oat = S.Oat, Oam = S.Oam;
  std::string& Target = Memo ? Oam : Oat;
  Target = Whole ? Input : fuzz::Patched(Target, Data + 1, Size - 1);
  fuzz::WriteAll(Dir + "/T.OAT", Oat);
  fuzz::WriteAll(Dir + "/T.OAM", Oam);
  OAKHANDLE Conn = 0, T = 0;
  if (OakConnect60(Dir.c_str(), OAK_LOCAL_SERVER, "", "", 0, &Conn)) return 0;
  if (OakOpenTable(Conn, "T", nullptr, OAK_OAT, OAK_ANSI, 1, 1, 0, &T) == 0) {
    Walk(T);
    OakCloseTable(T);
  }
  OakDisconnect(Conn);
  return 0;
}
