// Entry points: index tags, index files, seeks, raw keys and scopes.
#include <cstring>

#include "platform/engine/cursor.h"
#include "platform/engine/errors.h"
#include "platform/engine/table_fields.h"

using namespace oak;

namespace {

std::string Text(const char* P) { return P ? P : ""; }

// Key bytes of a seek or scope key: text converted to the tag's key type,
// or raw key bytes as OakBuildRawKey made them.
std::string KeyBytes(TIndexOrder& O, const void* pvKey, UNSIGNED16 usLen, UNSIGNED16 usType) {
  if (!pvKey) Fail(E_INVALID_OPTION, "missing key");
  std::string_view Raw(static_cast<const char*>(pvKey), usLen);
  const KeySpec& Spec = O.Tag().Spec();
  if (usType == OAK_RAWKEY) {
    if (Raw.size() > Spec.Length) Fail(E_KEY_TOO_LONG, O.TagName());
    return SeekKeyFromRaw(Raw, Spec);
  }
  if (usType != OAK_STRINGKEY) Fail(E_INVALID_OPTION, "key type");
  return SeekKeyFromText(Raw, Spec, Settings().DateFormat);
}

// OakSeek's work on order O.
void SeekIn(TIndexOrder& O, const void* pvKey, UNSIGNED16 usKeyLen, UNSIGNED16 usDataType,
            UNSIGNED16 usSeekType, UNSIGNED16* pbFound) {
  if (usSeekType != OAK_SOFTSEEK && usSeekType != OAK_HARDSEEK) Fail(E_INVALID_OPTION, "seek type");
  bool Found =
      O.Owner().Seek(O, KeyBytes(O, pvKey, usKeyLen, usDataType), usSeekType == OAK_SOFTSEEK, false);
  if (pbFound) *pbFound = Found ? 1 : 0;
}

std::vector<std::string> SegmentFields(TIndexOrder& O) {
  std::vector<std::string> Names;
  TCursor& C = O.Owner();
  for (int N : O.Tag().KeyExpression().Fields())
    Names.push_back(C.Field(static_cast<UNSIGNED16>(N)).Name);
  return Names;
}

void FillHandles(const std::vector<TIndexOrder*>& Orders, OAKHANDLE* Arr, UNSIGNED16* Len) {
  UNSIGNED16& N = Out(Len);
  size_t Room = Arr ? N : 0;
  for (size_t I = 0; I < Orders.size() && I < Room; ++I) Arr[I] = Orders[I]->Handle;
  N = static_cast<UNSIGNED16>(std::min<size_t>(Orders.size(), Room));
  if (Orders.size() > Room) {
    N = static_cast<UNSIGNED16>(Orders.size());
    Fail(E_BUFFER_TOO_SMALL);
  }
}

UNSIGNED32 Flag(OAKHANDLE hIndex, UNSIGNED16* pb, bool TagDefinition::*Member) {
  return Call([&] { Out(pb) = IndexOf(hIndex).Tag().Definition().*Member ? 1 : 0; });
}

}  // namespace

extern "C" {

UNSIGNED32 OakCreateIndex61(OAKHANDLE hObj, const char* pucFileName, const char* pucTag,
                            const char* pucExpr, const char* pucCondition, const char*,
                            UNSIGNED32 ulOptions, UNSIGNED32 ulPageSize, OAKHANDLE* phIndex) {
  return Call([&] {
    TagDefinition Def;
    Def.Name = Text(pucTag);
    Def.KeyExpr = Text(pucExpr);
    Def.Condition = Text(pucCondition);
    Def.SetOptions(ulOptions);
    TIndexOrder& O = CursorOf(hObj).CreateIndex(Text(pucFileName), Def, ulPageSize);
    if (phIndex) *phIndex = O.Handle;
  });
}

UNSIGNED32 OakDeleteIndex(OAKHANDLE hIndex) {
  return Call([&] {
    TIndexOrder& O = IndexOf(hIndex);
    O.Owner().DeleteIndex(O);
  });
}

UNSIGNED32 OakOpenIndex(OAKHANDLE hTable, const char* pucName, OAKHANDLE* ahIndex,
                        UNSIGNED16* pusArrayLen) {
  return Call([&] {
    TCursor& C = CursorOf(hTable);
    std::string Name = Text(pucName);
    if (Name.find('/') == std::string::npos) {
      std::string T = C.Table().Path();
      Name = T.substr(0, T.find_last_of('/') + 1) + Name;
    }
    FillHandles(C.OpenIndexFile(Name), ahIndex, pusArrayLen);
  });
}

UNSIGNED32 OakCloseIndex(OAKHANDLE hIndex) {
  return Call([&] {
    TIndexOrder& O = IndexOf(hIndex);
    O.Owner().CloseIndexFile(O.File());
  });
}

UNSIGNED32 OakGetNumIndexes(OAKHANDLE hTable, UNSIGNED16* pusNum) {
  return Call([&] { Out(pusNum) = static_cast<UNSIGNED16>(CursorOf(hTable).Orders().size()); });
}

UNSIGNED32 OakGetAllIndexes(OAKHANDLE hTable, OAKHANDLE* ahIndex, UNSIGNED16* pusArrayLen) {
  return Call([&] { FillHandles(CursorOf(hTable).Orders(), ahIndex, pusArrayLen); });
}

UNSIGNED32 OakGetIndexHandle(OAKHANDLE hTable, const char* pucName, OAKHANDLE* phIndex) {
  return Call([&] {
    TCursor& C = CursorOf(hTable);
    std::string Name = Text(pucName);
    if (Name.empty()) {
      Out(phIndex) = C.Handle;
      return;
    }
    TIndexOrder* O = C.FindOrder(Name);
    if (!O) Fail(E_INDEX_NOT_FOUND, Name);
    Out(phIndex) = O->Handle;
  });
}

UNSIGNED32 OakGetIndexName(OAKHANDLE hIndex, char* pucName, UNSIGNED16* pusLen) {
  return Call([&] { PutText(IndexOf(hIndex).Tag().Name(), pucName, pusLen); });
}

UNSIGNED32 OakGetIndexFilename(OAKHANDLE hIndex, UNSIGNED16, char* pucName, UNSIGNED16* pusLen) {
  return Call([&] {
    TIndexOrder& O = IndexOf(hIndex);
    PutText(O.Owner().IndexPath(O.File()), pucName, pusLen);
  });
}

UNSIGNED32 OakGetIndexExpr(OAKHANDLE hIndex, char* pucExpr, UNSIGNED16* pusLen) {
  return Call([&] { PutText(IndexOf(hIndex).Tag().Definition().KeyExpr, pucExpr, pusLen); });
}

UNSIGNED32 OakGetIndexCondition(OAKHANDLE hIndex, char* pucExpr, UNSIGNED16* pusLen) {
  return Call([&] { PutText(IndexOf(hIndex).Tag().Definition().Condition, pucExpr, pusLen); });
}

UNSIGNED32 OakIsIndexUnique(OAKHANDLE hIndex, UNSIGNED16* pbUnique) {
  return Flag(hIndex, pbUnique, &TagDefinition::Unique);
}

UNSIGNED32 OakIsIndexDescending(OAKHANDLE hIndex, UNSIGNED16* pbDescending) {
  return Flag(hIndex, pbDescending, &TagDefinition::Descending);
}

UNSIGNED32 OakIsIndexCustom(OAKHANDLE hIndex, UNSIGNED16* pbCustom) {
  return Flag(hIndex, pbCustom, &TagDefinition::Custom);
}

UNSIGNED32 OakIsIndexPrimaryKey(OAKHANDLE hIndex, UNSIGNED16* pbPrimary) {
  return Call([&] {
    IndexOf(hIndex);
    Out(pbPrimary) = 0;
  });
}

UNSIGNED32 OakGetIndexFlags(OAKHANDLE hIndex, UNSIGNED32* pulFlags) {
  return Call([&] { Out(pulFlags) = IndexOf(hIndex).Tag().Definition().Options(); });
}

UNSIGNED32 OakGetIndexPageSize(OAKHANDLE hIndex, UNSIGNED32* pulPageSize) {
  return Call([&] { Out(pulPageSize) = IndexOf(hIndex).File().PageSize(); });
}

UNSIGNED32 OakGetKeyLength(OAKHANDLE hIndex, UNSIGNED16* pusKeyLength) {
  return Call([&] { Out(pusKeyLength) = IndexOf(hIndex).Tag().Spec().Length; });
}

UNSIGNED32 OakGetKeyType(OAKHANDLE hIndex, UNSIGNED16* pusKeyType) {
  return Call([&] {
    switch (IndexOf(hIndex).Tag().Spec().Type) {
      case KeyType::Character: Out(pusKeyType) = OAK_STRING; break;
      case KeyType::Numeric: Out(pusKeyType) = OAK_NUMERIC; break;
      case KeyType::Date: Out(pusKeyType) = OAK_DATE; break;
      case KeyType::Logical: Out(pusKeyType) = OAK_LOGICAL; break;
      case KeyType::Timestamp: Out(pusKeyType) = OAK_TIMESTAMP; break;
    }
  });
}

UNSIGNED32 OakGetNumSegments(OAKHANDLE hIndex, UNSIGNED16* pusSegments) {
  return Call([&] {
    TIndexOrder* O = OrderOf(hIndex);
    Out(pusSegments) = O ? static_cast<UNSIGNED16>(SegmentFields(*O).size()) : 0;
  });
}

UNSIGNED32 OakGetSegmentFieldname(OAKHANDLE hIndex, UNSIGNED16 usSegment, char* pucName,
                                  UNSIGNED16* pusLen) {
  return Call([&] {
    auto Names = SegmentFields(IndexOf(hIndex));
    if (usSegment == 0 || usSegment > Names.size()) Fail(E_INVALID_OPTION, "segment number");
    PutText(Names[usSegment - 1], pucName, pusLen);
  });
}

UNSIGNED32 OakSeek(OAKHANDLE hIndex, const void* pvKey, UNSIGNED16 usKeyLen,
                   UNSIGNED16 usDataType, UNSIGNED16 usSeekType, UNSIGNED16* pbFound) {
  return Call([&] { SeekIn(IndexOf(hIndex), pvKey, usKeyLen, usDataType, usSeekType, pbFound); });
}

UNSIGNED32 OakSeekAndRead(OAKHANDLE hIndex, const void* pvKey, UNSIGNED16 usKeyLen,
                          UNSIGNED16 usDataType, UNSIGNED16 usSeekType, UNSIGNED16* pbFound,
                          UNSIGNED8* pucRec, UNSIGNED32* pulLen, UNSIGNED32* pulRecNo,
                          UNSIGNED16* pusState) {
  return Call([&] {
    TIndexOrder& O = IndexOf(hIndex);
    UNSIGNED16& State = Out(pusState);
    State = 0;
    SeekIn(O, pvKey, usKeyLen, usDataType, usSeekType, pbFound);
    // The seek stands whatever the report meets (a buffer too small, a
    // filter that cannot be evaluated): the flag tells the caller.
    try {
      UNSIGNED16 Report = 0;
      O.Owner().ReportPosition(pucRec, Out(pulLen), Out(pulRecNo), Report);
      State = Report | OAK_STEP_READ;
    } catch (const std::exception&) {
      State = 0;
    }
  });
}

UNSIGNED32 OakSeekLast(OAKHANDLE hIndex, const void* pvKey, UNSIGNED16 usKeyLen,
                       UNSIGNED16 usDataType, UNSIGNED16* pbFound) {
  return Call([&] {
    TIndexOrder& O = IndexOf(hIndex);
    bool Found = O.Owner().Seek(O, KeyBytes(O, pvKey, usKeyLen, usDataType), false, true);
    if (pbFound) *pbFound = Found ? 1 : 0;
  });
}

UNSIGNED32 OakInitRawKey(OAKHANDLE hIndex) {
  return Call([&] { IndexOf(hIndex).KeyRecord.clear(); });
}

UNSIGNED32 OakBuildRawKey(OAKHANDLE hIndex, void* pvKey, UNSIGNED16* pusKeyLen) {
  return Call([&] {
    TIndexOrder& O = IndexOf(hIndex);
    TCursor& C = O.Owner();
    if (O.KeyRecord.empty()) {
      O.KeyRecord.resize(C.Table().RecordLength());
      ClearRecord(C.Fields(), O.KeyRecord.data(), O.KeyRecord.size());
    }
    TRecordView View(C, O.KeyRecord.data(), 0, false);
    IndexTag& Tag = O.Tag();
    std::string Key = BuildKey(Tag.KeyExpression().Evaluate(View, C.EvalOptions()), Tag.Spec());
    UNSIGNED16& Len = Out(pusKeyLen);
    if (!pvKey || Len < Key.size()) {
      Len = static_cast<UNSIGNED16>(Key.size());
      Fail(E_BUFFER_TOO_SMALL);
    }
    std::memcpy(pvKey, Key.data(), Key.size());
    Len = static_cast<UNSIGNED16>(Key.size());
  });
}

UNSIGNED32 OakStepIndexKey(OAKHANDLE hIndex, void* pvKey, UNSIGNED16 usLen, SIGNED16 sDirection) {
  return Call([&] {
    IndexOf(hIndex);
    if (!pvKey) Fail(E_INVALID_OPTION, "missing key");
    std::string Key(static_cast<const char*>(pvKey), usLen);
    if (!StepKey(Key, sDirection >= 0 ? 1 : -1)) Fail(E_KEY_TOO_LONG, "no further key");
    std::memcpy(pvKey, Key.data(), usLen);
  });
}

UNSIGNED32 OakSetScope(OAKHANDLE hIndex, UNSIGNED16 usScopeOption, const void* pvScope,
                       UNSIGNED16 usScopeLen, UNSIGNED16 usDataType) {
  return Call([&] {
    TIndexOrder& O = IndexOf(hIndex);
    std::string Key = KeyBytes(O, pvScope, usScopeLen, usDataType);
    if (usScopeOption == OAK_TOP)
      O.ScopeTop = Key;
    else if (usScopeOption == OAK_BOTTOM)
      O.ScopeBottom = Key;
    else
      Fail(E_INVALID_OPTION, "scope option");
  });
}

UNSIGNED32 OakGetScope(OAKHANDLE hIndex, UNSIGNED16 usScopeOption, void* pvScope,
                       UNSIGNED16* pusBufLen) {
  return Call([&] {
    TIndexOrder& O = IndexOf(hIndex);
    const auto& S = usScopeOption == OAK_TOP ? O.ScopeTop : O.ScopeBottom;
    if (!S) Fail(E_NO_SCOPE);
    PutText(*S, static_cast<char*>(pvScope), pusBufLen);
  });
}

UNSIGNED32 OakClearScope(OAKHANDLE hIndex, UNSIGNED16 usScopeOption) {
  return Call([&] {
    TIndexOrder& O = IndexOf(hIndex);
    auto& S = usScopeOption == OAK_TOP ? O.ScopeTop : O.ScopeBottom;
    if (!S) Fail(E_NO_SCOPE);
    S.reset();
  });
}

UNSIGNED32 OakClearAllScopes(OAKHANDLE hTable) {
  return Call([&] {
    for (TIndexOrder* O : CursorOf(hTable).Orders()) {
      O->ScopeTop.reset();
      O->ScopeBottom.reset();
    }
  });
}

}  // extern "C"
