// Cursor: position, navigation in natural and index order, seeks, counts.
#include <cmath>
#include <cstring>

#include "platform/engine/cursor.h"
#include "platform/engine/errors.h"
#include "platform/engine/table_fields.h"

namespace oak {

namespace {

bool PrefixEquals(std::string_view Key, const std::string& Prefix) {
  return Key.substr(0, Prefix.size()) == Prefix;
}

}  // namespace

void TCursor::Sync() {
  if (FJournal && !FTxnBatch) FConn.ReleaseHolds(this, FTable->Path());
  if (FTxnBatch || !FTable->Refresh()) return;
  // The table changed: the memo header and the index pages read before
  // are read anew (an index's own counter alone may come back to a value
  // this handle saw, after files put back from a copy).
  if (FMemo) FMemo->ForgetHeader();
  for (auto& F : FIndexFiles) F->Reload();
  ++FIndexGeneration;
  CatchUpInMemory();
}

void TCursor::LoadRecord(UNSIGNED32 RecNo) {
  FTable->ReadRecord(RecNo, FRec.data());
  TakeRecord(RecNo);
}

void TCursor::TakeRecord(UNSIGNED32 RecNo) {
  FLoaded.assign(FRec.begin(), FRec.end());
  FRecNo = RecNo;
  FAtBOF = FAtEOF = false;
  FDirty = FAppending = false;
  FPendingBlobs.clear();
}

void TCursor::SetPosition(UNSIGNED32 RecNo, bool Bof, bool Eof) {
  if (RecNo) return LoadRecord(RecNo);
  FRecNo = 0;
  FAtBOF = Bof;
  FAtEOF = Eof;
  FDirty = FAppending = false;
  FPendingBlobs.clear();
  ClearRecord(Fields(), FRec.data(), FRec.size());
}

void TCursor::RequireRecord() const {
  if (FRecNo == 0 && !FAppending) Fail(E_NO_CURRENT_RECORD);
}

void TCursor::ReportPosition(UNSIGNED8* Rec, UNSIGNED32& Len, UNSIGNED32& RecNo, UNSIGNED16& State) {
  const UNSIGNED32 Need = FTable->RecordLength();
  if (!Rec || Len < Need) {
    Len = Need;
    Fail(E_BUFFER_TOO_SMALL);
  }
  State = (FAtEOF ? OAK_STEP_EOF : 0) | (FAtBOF ? OAK_STEP_BOF : 0);
  RecNo = FRecNo;
  if (!FRecNo) return;
  std::memcpy(Rec, FRec.data(), Need);
  Len = Need;
  if (IsVisible(FRec.data(), FRecNo, nullptr)) State |= OAK_STEP_VISIBLE;
  if (!FPendingBlobs.empty()) State |= OAK_STEP_PENDING_BLOBS;
}

bool TCursor::IsVisible(const std::uint8_t* Rec, std::uint32_t RecNo, TIndexOrder* Order) {
  if (Rec[0] == kRecordDeleted && !ShowDeleted) return false;
  TRecordView View(*this, Rec, RecNo, false);
  if (FFilter || FAof) {  // the options are made only for a filter to read
    const ExprOptions O = EvalOptions();
    if (FFilter && !FFilter->EvaluateLogical(View, O)) return false;
    if (FAof && !FAof->EvaluateLogical(View, O)) return false;
  }
  if (Order && (Order->ScopeTop || Order->ScopeBottom)) {
    std::string Key;
    if (!Order->Tag().KeyOf(View, Key) || !Order->InScope(Key)) return false;
  }
  return true;
}

// ---- natural order -------------------------------------------------------------

bool TCursor::StepNatural(int Dir) {
  std::int64_t Count = FTable->Counters().RecordCount;
  std::int64_t R = FRecNo ? FRecNo : (FAtEOF ? Count + 1 : 0);
  for (R += Dir; R >= 1 && R <= Count; R += Dir) {
    if ((R & 1023) == 0) CheckStillAtRest();
    FTable->ReadRecord(static_cast<UNSIGNED32>(R), FRec.data());
    if (IsVisible(FRec.data(), static_cast<UNSIGNED32>(R), nullptr)) {
      TakeRecord(static_cast<UNSIGNED32>(R));
      return true;
    }
  }
  return false;
}

// ---- index order -----------------------------------------------------------------

bool TCursor::PlaceOrderCursor(TIndexOrder& Order) {
  BTreeCursor& P = Order.Pos();
  if (P.Valid() && P.RecNo() == FRecNo) return true;
  std::string Key;
  TRecordView View(*this, FRec.data(), FRecNo, false);
  if (!Order.Tag().KeyOf(View, Key)) {
    P.First();
    return false;
  }
  return P.SeekEntry(Key, FRecNo);
}

bool TCursor::IsCurrentRecordMoved(TIndexOrder& Order) {
  BTreeCursor& P = Order.Pos();
  const UNSIGNED32 R = P.RecNo();
  if (R == FRecNo || R == 0 || R > FTable->Counters().RecordCount) return false;
  std::string Key;
  TRecordView View(*this, FRec.data(), FRecNo, false);
  if (!Order.Tag().KeyOf(View, Key) || P.Key() != Key) return false;
  thread_local std::vector<std::uint8_t> There;
  There.resize(FRec.size());
  FTable->ReadRecord(R, There.data());
  return There == FLoaded;
}

bool TCursor::ScopeEnded(TIndexOrder& Order, int Dir) {
  std::string_view Key = Order.Pos().Key();
  if (Dir > 0 && Order.ScopeBottom)
    return Key.substr(0, Order.ScopeBottom->size()) > std::string_view(*Order.ScopeBottom);
  if (Dir < 0 && Order.ScopeTop)
    return Key.substr(0, Order.ScopeTop->size()) < std::string_view(*Order.ScopeTop);
  return false;
}

// From the tree position, moves in Dir to the first visible record within
// the scopes and makes it current.
bool TCursor::SettleOrder(TIndexOrder& Order, int Dir) {
  BTreeCursor& P = Order.Pos();
  UNSIGNED32 Count = FTable->Counters().RecordCount;
  std::uint32_t Steps = 0;
  for (bool Ok = P.Valid(); Ok; Ok = Dir > 0 ? P.Next() : P.Prev()) {
    if ((++Steps & 1023) == 0) CheckStillAtRest();
    if (ScopeEnded(Order, Dir)) return false;
    UNSIGNED32 R = P.RecNo();
    if (!Order.InScope(P.Key()) || R == 0 || R > Count) continue;
    FTable->ReadRecord(R, FRec.data());
    if (FAof || FFilter || FRec[0] == kRecordDeleted) {
      TIndexOrder* NoScope = nullptr;  // the key is known to be in scope
      if (!IsVisible(FRec.data(), R, NoScope)) continue;
    }
    TakeRecord(R);
    return true;
  }
  return false;
}

bool TCursor::StepOrder(TIndexOrder& Order, int Dir) {
  BTreeCursor& P = Order.Pos();
  if (FRecNo) {
    bool Exact = PlaceOrderCursor(Order);
    if (Dir > 0) {
      if (Exact && !P.Next()) return false;
      if (!Exact && !P.Valid()) return false;
    } else {
      bool Ok = (Exact || P.Valid()) ? P.Prev() : P.Last();
      if (!Ok) return false;
      // Placed by its key after the table changed under it: when another
      // program's pack moved this very record to a lower number, the entry
      // before is the record itself again, passed here.
      if (!Exact && IsCurrentRecordMoved(Order) && !P.Prev()) return false;
    }
  } else if (FAtEOF) {
    if (Dir > 0) return false;
    if (!(Order.ScopeBottom ? P.SeekLE(*Order.ScopeBottom) : P.Last())) return false;
  } else {
    if (Dir < 0) return false;
    if (!(Order.ScopeTop ? P.SeekGE(*Order.ScopeTop) : P.First())) return false;
  }
  return SettleOrder(Order, Dir);
}

// ---- moves ---------------------------------------------------------------------------

void TCursor::AfterSkip(bool Found, int Dir) {
  if (Found) return;
  SetPosition(0, Dir < 0, Dir > 0);
}

void TCursor::GotoBOF(TIndexOrder* Order) {
  (void)Order;
  if (FDirty || FAppending) Write();
  Consistently([&] {
    Sync();
    SetPosition(0, true, false);
  });
}

void TCursor::GotoTop(TIndexOrder* Order) {
  if (FDirty || FAppending) Write();
  Consistently([&] {
    Sync();
    SetPosition(0, true, false);
    bool Found = Order ? StepOrder(*Order, 1) : StepNatural(1);
    if (!Found) SetPosition(0, true, true);
  });
}

void TCursor::GotoBottom(TIndexOrder* Order) {
  if (FDirty || FAppending) Write();
  Consistently([&] {
    Sync();
    SetPosition(0, false, true);
    bool Found = Order ? StepOrder(*Order, -1) : StepNatural(-1);
    if (!Found) SetPosition(0, true, true);
  });
}

void TCursor::Skip(TIndexOrder* Order, SIGNED32 N) {
  if (FDirty || FAppending) Write();
  Consistently([&] {
    Sync();
    if (N == 0) {
      if (FRecNo) LoadRecord(FRecNo);
      return;
    }
    int Dir = N > 0 ? 1 : -1;
    for (std::int64_t I = 0; I < std::llabs(N); ++I) {
      bool Found = Order ? StepOrder(*Order, Dir) : StepNatural(Dir);
      if (!Found) {
        // Past the first record the cursor stands on BOF; past the last on EOF.
        AfterSkip(false, Dir);
        return;
      }
    }
  });
}

void TCursor::GotoRecord(UNSIGNED32 RecNo) {
  if (FDirty || FAppending) Write();
  Consistently([&] {
    Sync();
    if (RecNo == 0 || RecNo > FTable->Counters().RecordCount) {
      SetPosition(0, false, true);
      return;
    }
    LoadRecord(RecNo);
  });
}

void TCursor::RefreshRecord() {
  Consistently([&] {
    Sync();
    RequireRecord();
    if (FRecNo) LoadRecord(FRecNo);
  });
}

bool TCursor::Seek(TIndexOrder& Order, const std::string& Key, bool Soft, bool Last) {
  if (FDirty || FAppending) Write();
  bool Found = false;
  Consistently([&] {
    Sync();
    BTreeCursor& P = Order.Pos();
    bool Moved = Last ? P.SeekLE(Key) : P.SeekGE(Key);
    bool Settled = Moved && SettleOrder(Order, Last ? -1 : 1);
    Found = Settled && PrefixEquals(Order.Pos().Key(), Key);
    if (!Found && (!Soft || !Settled)) SetPosition(0, false, true);
  });
  return Found;
}

// ---- counts and positions ----------------------------------------------------------------

UNSIGNED32 TCursor::CountRecords(TIndexOrder* Order, UNSIGNED16 Option) {
  UNSIGNED32 N = 0;
  if (Option == OAK_IGNOREFILTERS || (Option == OAK_RESPECTSCOPES && !Order)) {
    Consistently([&] {
      Sync();
      N = FTable->Counters().RecordCount;
    });
    return N;
  }
  if (FDirty || FAppending) Write();
  UNSIGNED32 Keep = FRecNo;
  bool Bof = FAtBOF, Eof = FAtEOF;
  if (Option == OAK_RESPECTSCOPES) {
    // The keys of one state of the index.
    Consistently([&] {
      Sync();
      N = 0;
      std::uint32_t Steps = 0;
      BTreeCursor& P = Order->Pos();
      for (bool Ok = Order->ScopeTop ? P.SeekGE(*Order->ScopeTop) : P.First(); Ok; Ok = P.Next()) {
        if ((++Steps & 1023) == 0) CheckStillAtRest();
        if (ScopeEnded(*Order, 1)) break;
        if (Order->InScope(P.Key())) ++N;
      }
    });
  } else {
    // A walk, each step of it read from files at rest.
    for (GotoTop(Order); FRecNo; Skip(Order, 1)) ++N;
  }
  Consistently([&] {
    Sync();
    SetPosition(Keep <= FTable->Counters().RecordCount ? Keep : 0, Bof, Keep > FTable->Counters().RecordCount || Eof);
  });
  if (Order) Order->Pos().Reset();
  return N;
}

UNSIGNED32 TCursor::KeyNumber(TIndexOrder& Order) {
  UNSIGNED32 N = 0;
  Consistently([&] {
    Sync();
    N = FRecNo && PlaceOrderCursor(Order) ? Order.Pos().KeyNumber() : 0;
  });
  return N;
}

double TCursor::RelativePosition(TIndexOrder* Order) {
  double Pos = 0;
  Consistently([&] {
    Sync();
    if (!Order) {
      UNSIGNED32 Count = FTable->Counters().RecordCount;
      if (FAtEOF || Count == 0)
        Pos = FAtEOF ? 1.0 : 0.0;
      else
        Pos = Count <= 1 ? 0.0 : double(FRecNo - 1) / double(Count - 1);
      return;
    }
    if (Order->Tag().KeyCount() == 0) Fail(E_NO_KEY_POSITION);
    if (FAtEOF)
      Pos = 1.0;
    else
      Pos = !FRecNo || !PlaceOrderCursor(*Order) ? 0.0 : Order->Pos().RelativePosition();
  });
  return Pos;
}

void TCursor::SetRelativePosition(TIndexOrder* Order, double Pos) {
  if (FDirty || FAppending) Write();
  Pos = std::min(1.0, std::max(0.0, Pos));
  Consistently([&] {
    Sync();
    if (!Order) {
      UNSIGNED32 Count = FTable->Counters().RecordCount;
      if (Count == 0) return SetPosition(0, true, true);
      UNSIGNED32 R = 1 + static_cast<UNSIGNED32>(std::lround(Pos * (Count - 1)));
      SetPosition(R - 1, R == 1, false);
      if (!StepNatural(1)) SetPosition(0, false, true);
      return;
    }
    if (!Order->Pos().SetRelativePosition(Pos) || !SettleOrder(*Order, 1)) SetPosition(0, false, true);
  });
}

}  // namespace oak
