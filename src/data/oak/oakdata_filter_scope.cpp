// TOakDataSet: key scopes on the active index (Scoped, ScopeBegin,
// ScopeEnd) and ranges (ApplyRange, CancelRange, SetRange), which the
// engine keeps as raw-key scopes.
#include "data/oak/oakdata_filter.h"

namespace {

// Longest scope text the engine takes.
constexpr std::size_t MaxScopeLength = 4082;

void CheckScopeLength(TOakDataSet* D, const String& Value) {
  if (Value.size() > MaxScopeLength)
    RaiseOakLayerError(D, OAK_ERR_STATE,
                       "Scope text length exceeded " + std::to_string(MaxScopeLength));
}

// Stores a scope text; on an open scoped dataset the new text takes effect
// at once.
void ChangeScopeText(TOakDataSet* D, String& Text, const String& Value) {
  CheckScopeLength(D, Value);
  Text = Value;
  if (D->Active() && D->Scoped()) {
    D->DeactivateScope();
    D->ActivateScope();
    D->First();
  }
}

}  // namespace

bool OakIndexHasScope(TOakDataSet* DataSet, OAKHANDLE Index) {
  for (UNSIGNED16 End : {OAK_TOP, OAK_BOTTOM}) {
    std::vector<char> Buf(MaxScopeLength, '\0');
    UNSIGNED16 Len = static_cast<UNSIGNED16>(Buf.size());
    UNSIGNED32 Code = OakGetScope(Index, End, Buf.data(), &Len);
    if (Code == OAK_NO_SCOPE) continue;
    if (Code == OAK_BUFFER_TOO_SMALL) return true;
    RaiseOakError(DataSet, Code);
    if (Len > 0) return true;
  }
  return false;
}

void TOakDataSet::ActivateScope() {
  if (!HasActiveIndex())
    RaiseOakLayerError(this, OAK_ERR_STATE, "Cannot activate scope when there is no active index.");
  if (OakIndexHasScope(this, FOrderHandle))
    RaiseOakLayerError(this, OAK_ERR_STATE, "Cannot activate scope when there is an active range.");
  if (!FScopeBegin.empty())
    RaiseOakError(this, OakSetScope(FOrderHandle, OAK_TOP, FScopeBegin.data(),
                                    static_cast<UNSIGNED16>(FScopeBegin.size()), OAK_STRINGKEY));
  if (!FScopeEnd.empty())
    RaiseOakError(this, OakSetScope(FOrderHandle, OAK_BOTTOM, FScopeEnd.data(),
                                    static_cast<UNSIGNED16>(FScopeEnd.size()), OAK_STRINGKEY));
}

void TOakDataSet::DeactivateScope() {
  if (!HasActiveIndex()) return;
  for (UNSIGNED16 End : {OAK_TOP, OAK_BOTTOM}) {
    UNSIGNED32 Code = OakClearScope(FOrderHandle, End);
    if (Code != OAK_NO_SCOPE) RaiseOakError(this, Code);
  }
}

void TOakDataSet::SetScoped(bool Value) {
  if (Active() && Value != FScoped) {
    CheckBrowseMode();
    UpdateCursorPos();
    if (Value) {
      ActivateScope();
      UNSIGNED16 Visible = 0;
      UNSIGNED32 Code = OakIsRecordVisible(FOrderHandle, &Visible);
      if (Code != OAK_NO_CURRENT_RECORD) RaiseOakError(this, Code);
      FScoped = true;
      if (Code == OAK_SUCCESS && Visible)
        Resync(TResyncMode{});
      else
        First();
    } else {
      DeactivateScope();
      FScoped = false;
      if (Bof() && Eof()) {
        First();
      } else {
        UNSIGNED32 Code = OakGotoRecord(FTableHandle, BufferRecordNumber(ActiveBuffer()));
        if (Code == OAK_INVALID_BOOKMARK)
          ClearBuffers();
        else
          RaiseOakError(this, Code);
        CursorPosChanged();
        Resync(TResyncMode{});
      }
    }
  }
  FScoped = Value;
}

void TOakDataSet::SetScopeBegin(const String& Value) { ChangeScopeText(this, FScopeBegin, Value); }
void TOakDataSet::SetScopeEnd(const String& Value) { ChangeScopeText(this, FScopeEnd, Value); }

// ---- Ranges -----------------------------------------------------------------------

namespace {
// Sets one end of the range from a key buffer; Step moves an exclusive
// bound past the key (1 upwards for the start, -1 downwards for the end).
void SetRangeBound(TOakDataSet* D, const TOakKeyBuffer& Buffer, UNSIGNED16 End, SIGNED16 Step) {
  std::string Key = OakBuildKeyFromBuffer(D, Buffer, true);
  if (Buffer.Exclusive)
    RaiseOakError(D, OakStepIndexKey(D->OrderHandle(), Key.data(),
                                     static_cast<UNSIGNED16>(Key.size()), Step));
  RaiseOakError(D, OakSetScope(D->OrderHandle(), End, Key.data(),
                               static_cast<UNSIGNED16>(Key.size()), OAK_RAWKEY));
}

bool HasKeyValues(const TOakKeyBuffer& B) {
  for (Integer P : B.KeyPart)
    if (P) return true;
  return false;
}
}  // namespace

void TOakDataSet::ApplyRange() {
  CheckBrowseMode();
  if (FScoped)
    RaiseOakLayerError(this, OAK_ERR_STATE,
                       "Cannot set range on table when there is an active scope.");
  TOakKeyBuffer& Start = FKeyBuffers[kiRangeStart];
  TOakKeyBuffer& Stop = FKeyBuffers[kiRangeEnd];
  if (!HasKeyValues(Start) && !HasKeyValues(Stop)) return;
  UNSIGNED16 KeyLength = 0;
  RaiseOakError(this, OakGetKeyLength(FOrderHandle, &KeyLength));
  RaiseOakError(this, OakClearAllScopes(FTableHandle));
  if (HasKeyValues(Start)) SetRangeBound(this, Start, OAK_TOP, 1);
  if (HasKeyValues(Stop)) SetRangeBound(this, Stop, OAK_BOTTOM, -1);
  FKeyBuffers[kiCurRangeStart] = Start;
  FKeyBuffers[kiCurRangeEnd] = Stop;
  FRangeActive = true;
  First();
}

void TOakDataSet::CancelRange() {
  CheckBrowseMode();
  if (FScoped) return;
  RaiseOakError(this, OakClearAllScopes(FTableHandle));
  UNSIGNED16 Bof = 0, Eof = 0;
  RaiseOakError(this, OakAtBOF(FTableHandle, &Bof));
  RaiseOakError(this, OakAtEOF(FTableHandle, &Eof));
  if (Bof && Eof) RaiseOakError(this, OakGotoTop(FOrderHandle));
  for (TOakKeyIndex K : {kiRangeStart, kiRangeEnd, kiCurRangeStart, kiCurRangeEnd})
    FKeyBuffers[K].Clear();
  FRangeActive = false;
  CursorPosChanged();
  Resync(TResyncMode{});
}

void TOakDataSet::SetRange(const std::vector<Variant>& StartValues,
                           const std::vector<Variant>& EndValues) {
  CheckBrowseMode();
  auto Fill = [this](TOakKeyIndex K, const std::vector<Variant>& Values) {
    TOakKeyBuffer& B = FKeyBuffers[K];
    OakClearKeyBuffer(this, B);
    std::vector<TField*> Fields;
    for (std::size_t I = 0; I < Values.size(); ++I)
      if (TField* F = GetSegmentField(static_cast<Integer>(I) + 1)) Fields.push_back(F);
    Variant V = VarArrayOf(std::vector<Variant>(Values.begin(), Values.begin() + Fields.size()));
    OakPutKeyValues(this, B, Fields, V);
  };
  Fill(kiRangeStart, StartValues);
  Fill(kiRangeEnd, EndValues);
  ApplyRange();
}
