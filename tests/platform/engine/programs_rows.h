// The rows of the several-programs run (programs_harness.h): three tables
// of one layout whose every record checks itself, the decoding of a
// record's raw image, and single calls that seek or step and report the
// record they reach.
//
// A record's TXT is derived from all its other numbers (ID, GRP, GSIZE,
// AMT, VER) and its memo NOTE from ID and VER, so that the image one call
// answers shows by itself whether it is whole: a record torn between two
// writes, a memo reference of another version or a key of another record
// is seen at once, whatever else happened between two calls.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/engine/oak.h"

namespace programs {

enum TTable { Shared, Ledger, Scratch, kTables };
inline const char* const kTableNames[kTables] = {"shared", "ledger", "scratch"};
// Thousands of rows in shared and ledger; every table file ends inside a
// 4 KiB page (MakeTables checks it).
inline constexpr int kInitialRows[kTables] = {3001, 1503, 211};
inline constexpr const char* kFieldDefs =
    "ID,Integer;GRP,Integer;GSIZE,Integer;AMT,Integer;VER,Integer;TXT,Character,24;NOTE,Memo";
enum TField : UNSIGNED16 { FId = 1, FGrp, FGsize, FAmt, FVer, FTxt, FNote, kFieldCount = FNote };

// Every table has the same tags: by ID, by TXT, and the group rows only
// (GRP > 0), descending by AMT.
enum TTag { ById, ByTxt, ByAmt, kTagCount };
struct TTagDef {
  const char* Name;
  const char* Expr;
  const char* Condition;
  bool Descending;
};
inline constexpr TTagDef kTags[kTagCount] = {
    {"BYID", "ID", "", false}, {"BYTXT", "TXT", "", false}, {"BYAMT", "AMT", "GRP > 0", true}};

// Who may change a row of shared: the initial rows by ID modulo 4 (0 the
// locker, 1 the transactions, else the writer), the writer's appends from
// kWriterBase on, the transactions' group rows from kGroupBase on. Ledger
// and scratch belong to the transactions alone.
enum TOwner { OwnedByWriter, OwnedByLocker, OwnedByTransactions };
inline constexpr std::int32_t kWriterBase = 1000000, kGroupBase = 5000000;
inline TOwner OwnerOf(TTable T, std::int32_t Id) {
  if (T != Shared || Id >= kGroupBase) return OwnedByTransactions;
  if (Id >= kWriterBase) return OwnedByWriter;
  return Id % 4 == 0 ? OwnedByLocker : Id % 4 == 1 ? OwnedByTransactions : OwnedByWriter;
}

// The values of one record as one call reported them.
struct TRow {
  std::int32_t Id = 0, Grp = 0, Gsize = 0, Amt = 0, Ver = 0;
  bool Deleted = false;
  std::string Txt;  // blanks trimmed
  std::uint32_t MemoBlock = 0, MemoLength = 0;
  UNSIGNED32 RecNo = 0;
};

// The numbers and flags two rows must share to be the same version.
inline bool SameValues(const TRow& A, const TRow& B) {
  return A.Id == B.Id && A.Grp == B.Grp && A.Gsize == B.Gsize && A.Amt == B.Amt && A.Ver == B.Ver &&
         A.Deleted == B.Deleted;
}
// The same image: values, text and memo reference.
inline bool SameImage(const TRow& A, const TRow& B) {
  return SameValues(A, B) && A.Txt == B.Txt && A.MemoBlock == B.MemoBlock && A.MemoLength == B.MemoLength &&
         A.RecNo == B.RecNo;
}

inline std::uint64_t Mix(std::uint64_t X) {
  X += 0x9E3779B97F4A7C15ull;
  X = (X ^ (X >> 30)) * 0xBF58476D1CE4E5B9ull;
  X = (X ^ (X >> 27)) * 0x94D049BB133111EBull;
  return X ^ (X >> 31);
}

// TXT: six letters hashed from all the numbers (they spread the rows over
// the BYTXT order and move a row there with every version), the ID in
// seven digits and the version in base 36.
inline std::string TxtOf(const TRow& R) {
  std::uint64_t H = 0;
  for (std::int32_t V : {R.Id, R.Grp, R.Gsize, R.Amt, R.Ver}) H = Mix(H ^ std::uint32_t(V));
  std::string S;
  for (int I = 0; I < 6; ++I, H /= 26) S += char('a' + H % 26);
  char Id[16];
  std::snprintf(Id, sizeof Id, "%07d", R.Id);
  std::string Ver;
  for (std::uint32_t V = std::uint32_t(R.Ver); Ver.empty() || V; V /= 36)
    Ver.insert(Ver.begin(), "0123456789abcdefghijklmnopqrstuvwxyz"[V % 36]);
  return S + Id + Ver;
}

// NOTE: empty for one version in six, else "m<ID>/<VER>:" and letters
// hashed from both, 24 to 1123 bytes long (memo runs of many sizes).
inline std::string MemoOf(std::int32_t Id, std::int32_t Ver) {
  std::uint64_t H = Mix((std::uint64_t(std::uint32_t(Id)) << 32) | std::uint32_t(Ver));
  if (H % 6 == 0) return "";
  std::string S = "m" + std::to_string(Id) + "/" + std::to_string(Ver) + ":";
  for (const std::size_t Length = 24 + H % 1100; S.size() < Length;) {
    H = Mix(H);
    S += char('a' + H % 26);
  }
  return S;
}

inline TRow MakeRow(std::int32_t Id, std::int32_t Grp, std::int32_t Gsize, std::int32_t Amt, std::int32_t Ver) {
  TRow R;
  R.Id = Id, R.Grp = Grp, R.Gsize = Gsize, R.Amt = Amt, R.Ver = Ver;
  R.Txt = TxtOf(R);
  return R;
}
// The next version of R (new TXT and memo), with AMT moved by Delta.
inline TRow NextVersion(const TRow& R, std::int32_t Delta = 0) {
  return MakeRow(R.Id, R.Grp, R.Gsize, R.Amt + Delta, R.Ver + 1);
}

inline std::string Describe(const TRow& R) {
  return "ID " + std::to_string(R.Id) + " GRP " + std::to_string(R.Grp) + "/" + std::to_string(R.Gsize) + " AMT " +
         std::to_string(R.Amt) + " VER " + std::to_string(R.Ver) + (R.Deleted ? " deleted" : "") + " TXT '" + R.Txt +
         "' memo " + std::to_string(R.MemoBlock) + ":" + std::to_string(R.MemoLength) + " (record " +
         std::to_string(R.RecNo) + ")";
}

// What is wrong in an image by itself ("" when it is whole): TXT that does
// not derive from the numbers, a memo reference whose length is not its
// version's, a group size without a group.
inline std::string Inconsistency(const TRow& R) {
  if (R.Txt != TxtOf(R)) return "TXT is not the one of its numbers ('" + TxtOf(R) + "'): " + Describe(R);
  const std::size_t Memo = MemoOf(R.Id, R.Ver).size();
  if ((Memo == 0) != (R.MemoBlock == 0) || (Memo && R.MemoLength != Memo))
    return "memo reference is not the one of its version (length " + std::to_string(Memo) + "): " + Describe(R);
  if ((R.Grp == 0) != (R.Gsize == 0) || R.Gsize < 0 || R.Gsize > 16) return "group size without a group: " + Describe(R);
  return "";
}

// What is wrong with Memo as the memo value of R ("" when it is its own).
inline std::string MemoMismatch(const TRow& R, const std::string& Memo) {
  if (Memo == MemoOf(R.Id, R.Ver)) return "";
  return "memo value '" + Memo.substr(0, 40) + (Memo.size() > 40 ? "...'" : "'") + " (" + std::to_string(Memo.size()) +
         " bytes) is not the one of " + Describe(R);
}

inline std::string LastError() {
  UNSIGNED32 Code = 0;
  char Buf[600];
  UNSIGNED16 Len = sizeof Buf;
  OakGetLastError(&Code, Buf, &Len);
  return std::to_string(Code) + " " + std::string(Buf, Len);
}

// Writes R's values into the current (or appended) record of T.
inline UNSIGNED32 PutRow(OAKHANDLE T, const TRow& R) {
  const std::int32_t Numbers[] = {R.Id, R.Grp, R.Gsize, R.Amt, R.Ver};
  for (UNSIGNED16 F = FId; F <= FVer; ++F)
    if (UNSIGNED32 E = OakSetLong(T, F, Numbers[F - FId])) return E;
  const std::string Txt = TxtOf(R), Memo = MemoOf(R.Id, R.Ver);
  if (UNSIGNED32 E = OakSetField(T, FTxt, Txt.data(), UNSIGNED32(Txt.size()))) return E;
  return Memo.empty() ? OakSetEmpty(T, FNote) : OakSetField(T, FNote, Memo.data(), UNSIGNED32(Memo.size()));
}

// The memo value of T's current record.
inline UNSIGNED32 ReadMemo(OAKHANDLE T, std::string& Out) {
  static thread_local char Buf[8192];
  UNSIGNED32 Len = sizeof Buf;
  const UNSIGNED32 E = OakGetField(T, FNote, Buf, &Len, OAK_NONE);
  Out.assign(Buf, E ? 0 : Len);
  return E;
}

// Where one call left a handle: its answer and the record it reported.
struct TAt {
  UNSIGNED32 Code = 0;
  bool Found = false;  // a seek's key matched
  bool Eof = false, Bof = false, Visible = false, Reported = false;
  TRow Row;  // Row.RecNo 0: on no record
};

// One program's handles on one table: the table, its tags, and where the
// fields lie in its record image.
class TOpened {
 public:
  OAKHANDLE Table = OAK_INVALID_HANDLE;
  OAKHANDLE Tags[kTagCount] = {};

  UNSIGNED32 Open(OAKHANDLE Conn, TTable T) {
    if (UNSIGNED32 E = OakOpenTable(Conn, kTableNames[T], nullptr, OAK_OAT, OAK_ANSI, 1, 1, 0, &Table)) {
      Table = OAK_INVALID_HANDLE;
      return E;
    }
    for (int G = 0; G < kTagCount; ++G)
      if (UNSIGNED32 E = OakGetIndexHandle(Table, kTags[G].Name, &Tags[G])) return E;
    UNSIGNED32 Length = 0;
    if (UNSIGNED32 E = OakGetRecordLength(Table, &Length)) return E;
    FImage.assign(Length, 0);
    for (UNSIGNED16 F = FId; F <= kFieldCount; ++F)
      if (UNSIGNED32 E = OakGetFieldOffset(Table, F, &FOffsets[F])) return E;
    return 0;
  }
  UNSIGNED32 Close() {
    if (Table == OAK_INVALID_HANDLE) return 0;
    const UNSIGNED32 E = OakCloseTable(Table);
    Table = OAK_INVALID_HANDLE;
    return E;
  }
  bool IsOpen() const { return Table != OAK_INVALID_HANDLE; }

  // Seeks Id on BYID (hard: only that key; soft: else the next greater)
  // and reports the record reached, in one call.
  TAt SeekId(std::int32_t Id, bool Soft) {
    const std::string Key = std::to_string(Id);
    TAt At;
    UNSIGNED16 Found = 0, State = 0;
    UNSIGNED32 Len = UNSIGNED32(FImage.size()), RecNo = 0;
    At.Code = OakSeekAndRead(Tags[ById], Key.data(), UNSIGNED16(Key.size()), OAK_STRINGKEY,
                             Soft ? OAK_SOFTSEEK : OAK_HARDSEEK, &Found, FImage.data(), &Len, &RecNo, &State);
    At.Found = Found != 0;
    Fill(At, RecNo, State);
    return At;
  }
  // Moves N records in Order (a tag or the table: natural order) and
  // reports the record reached, in one call.
  TAt Step(OAKHANDLE Order, SIGNED32 N) {
    TAt At;
    UNSIGNED16 State = 0;
    UNSIGNED32 Len = UNSIGNED32(FImage.size()), RecNo = 0;
    At.Code = OakSkipAndRead(Order, N, FImage.data(), &Len, &RecNo, &State);
    Fill(At, RecNo, State | OAK_STEP_READ);
    return At;
  }

 private:
  static std::int32_t Int32At(const UNSIGNED8* P) {
    return std::int32_t(std::uint32_t(P[0]) | std::uint32_t(P[1]) << 8 | std::uint32_t(P[2]) << 16 |
                        std::uint32_t(P[3]) << 24);
  }
  void Fill(TAt& At, UNSIGNED32 RecNo, UNSIGNED16 State) {
    At.Eof = State & OAK_STEP_EOF;
    At.Bof = State & OAK_STEP_BOF;
    At.Visible = State & OAK_STEP_VISIBLE;
    At.Reported = State & OAK_STEP_READ;
    At.Row.RecNo = At.Code || !At.Reported ? 0 : RecNo;
    if (!At.Row.RecNo) return;
    const UNSIGNED8* Rec = FImage.data();
    TRow& R = At.Row;
    R.Deleted = Rec[0] == '*';
    std::int32_t* Numbers[] = {&R.Id, &R.Grp, &R.Gsize, &R.Amt, &R.Ver};
    for (UNSIGNED16 F = FId; F <= FVer; ++F) *Numbers[F - FId] = Int32At(Rec + FOffsets[F]);
    R.Txt.assign(reinterpret_cast<const char*>(Rec + FOffsets[FTxt]), FOffsets[FNote] - FOffsets[FTxt]);
    R.Txt.erase(R.Txt.find_last_not_of(std::string(" \0", 2)) + 1);
    R.MemoBlock = std::uint32_t(Int32At(Rec + FOffsets[FNote]));
    R.MemoLength = std::uint32_t(Int32At(Rec + FOffsets[FNote] + 4));
  }

  UNSIGNED32 FOffsets[kFieldCount + 1] = {};
  std::vector<UNSIGNED8> FImage;
};

}  // namespace programs
