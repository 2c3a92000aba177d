// Entry points: navigation, positions, counts and bookmarks.
#include "platform/engine/bookmark.h"
#include "platform/engine/cursor.h"
#include "platform/engine/errors.h"
#include "platform/engine/sql.h"

using namespace oak;

namespace {

UNSIGNED32 BookmarkRecNo(const void* Bookmark, UNSIGNED32 Len) {
  if (!Bookmark || Len < OAK_BOOKMARK_LENGTH) Fail(E_INVALID_BOOKMARK);
  return ReadOakBookmark(Bookmark);
}

}  // namespace

extern "C" {

UNSIGNED32 OakGotoTop(OAKHANDLE hOrder) {
  return Call([&] { CursorOf(hOrder).GotoTop(OrderOf(hOrder)); });
}

UNSIGNED32 OakGotoBottom(OAKHANDLE hOrder) {
  return Call([&] { CursorOf(hOrder).GotoBottom(OrderOf(hOrder)); });
}

UNSIGNED32 OakGotoBOF(OAKHANDLE hOrder) {
  return Call([&] { CursorOf(hOrder).GotoBOF(OrderOf(hOrder)); });
}

UNSIGNED32 OakSkip(OAKHANDLE hOrder, SIGNED32 lRecs) {
  return Call([&] { CursorOf(hOrder).Skip(OrderOf(hOrder), lRecs); });
}

UNSIGNED32 OakGotoRecord(OAKHANDLE hTable, UNSIGNED32 ulRec) {
  return Call([&] { CursorOf(hTable).GotoRecord(ulRec); });
}

UNSIGNED32 OakAtBOF(OAKHANDLE hTable, UNSIGNED16* pbBof) {
  return Call([&] { Out(pbBof) = CursorOf(hTable).AtBOF() ? 1 : 0; });
}

UNSIGNED32 OakAtEOF(OAKHANDLE hTable, UNSIGNED16* pbEof) {
  return Call([&] { Out(pbEof) = CursorOf(hTable).AtEOF() ? 1 : 0; });
}

UNSIGNED32 OakGetRecordNum(OAKHANDLE hTable, UNSIGNED16, UNSIGNED32* pulRec) {
  return Call([&] { Out(pulRec) = CursorOf(hTable).RecNo(); });
}

UNSIGNED32 OakGetRecordCount(OAKHANDLE hObj, UNSIGNED16 usFilterOption, UNSIGNED32* pulCount) {
  return Call([&] {
    THandled* O = FindHandle(hObj);
    if (O && O->Kind() == THandleKind::Statement) {
      Out(pulCount) = static_cast<TStatement*>(O)->RowsAffected();
      return;
    }
    Out(pulCount) = CursorOf(hObj).CountRecords(OrderOf(hObj), usFilterOption);
  });
}

UNSIGNED32 OakGetKeyNum(OAKHANDLE hIndex, UNSIGNED16, UNSIGNED32* pulKey) {
  return Call([&] {
    TIndexOrder* O = OrderOf(hIndex);
    TCursor& C = CursorOf(hIndex);
    Out(pulKey) = O ? C.KeyNumber(*O) : C.RecNo();
  });
}

UNSIGNED32 OakGetRelKeyPos(OAKHANDLE hIndex, double* pdPos) {
  return Call([&] { Out(pdPos) = CursorOf(hIndex).RelativePosition(OrderOf(hIndex)); });
}

UNSIGNED32 OakSetRelKeyPos(OAKHANDLE hIndex, double dPos) {
  return Call([&] { CursorOf(hIndex).SetRelativePosition(OrderOf(hIndex), dPos); });
}

UNSIGNED32 OakGetBookmarkLength(OAKHANDLE hObj, UNSIGNED32* pulLength) {
  return Call([&] {
    CursorOf(hObj);
    Out(pulLength) = OAK_BOOKMARK_LENGTH;
  });
}

UNSIGNED32 OakGetBookmark(OAKHANDLE hTable, UNSIGNED32* pulBookmark) {
  return Call([&] {
    TCursor& C = CursorOf(hTable);
    C.RequireRecord();
    Out(pulBookmark) = C.RecNo();
  });
}

UNSIGNED32 OakGetBookmark60(OAKHANDLE hObj, UNSIGNED8* pucBookmark, UNSIGNED32* pulLength) {
  return Call([&] {
    TCursor& C = CursorOf(hObj);
    C.RequireRecord();
    UNSIGNED32& Len = Out(pulLength);
    if (Len < OAK_BOOKMARK_LENGTH || !pucBookmark) {
      Len = OAK_BOOKMARK_LENGTH;
      Fail(E_BUFFER_TOO_SMALL);
    }
    WriteOakBookmark(pucBookmark, C.RecNo());
    Len = OAK_BOOKMARK_LENGTH;
  });
}

UNSIGNED32 OakGotoBookmark(OAKHANDLE hTable, const void* pvBookmark, UNSIGNED32 ulLength) {
  return Call([&] {
    TCursor& C = CursorOf(hTable);
    UNSIGNED32 R = BookmarkRecNo(pvBookmark, ulLength);
    UNSIGNED32 Count = 0;
    C.Consistently([&] {
      C.Sync();
      Count = C.Table().Counters().RecordCount;
    });
    if (R == 0 || R > Count) Fail(E_INVALID_BOOKMARK);
    C.GotoRecord(R);
  });
}

UNSIGNED32 OakCompareBookmarks(const void* pvBookmark1, const void* pvBookmark2,
                               SIGNED32* plResult) {
  return Call([&] {
    UNSIGNED32 A = BookmarkRecNo(pvBookmark1, OAK_BOOKMARK_LENGTH);
    UNSIGNED32 B = BookmarkRecNo(pvBookmark2, OAK_BOOKMARK_LENGTH);
    Out(plResult) = A < B ? -1 : (A > B ? 1 : 0);
  });
}

UNSIGNED32 OakIsRecordVisible(OAKHANDLE hObj, UNSIGNED16* pbVisible) {
  return Call([&] {
    TCursor& C = CursorOf(hObj);
    C.RequireRecord();
    Out(pbVisible) = C.IsVisible(C.Record().data(), C.RecNo(), OrderOf(hObj)) ? 1 : 0;
  });
}

UNSIGNED32 OakSkipAndRead(OAKHANDLE hOrder, SIGNED32 lRecs, UNSIGNED8* pucRec, UNSIGNED32* pulLen,
                          UNSIGNED32* pulRecNo, UNSIGNED16* pusState) {
  return Call([&] {
    TCursor& C = CursorOf(hOrder);
    UNSIGNED32& Len = Out(pulLen);
    // A buffer too small is refused before the cursor moves.
    if (!pucRec || Len < C.Table().RecordLength()) {
      Len = C.Table().RecordLength();
      Fail(E_BUFFER_TOO_SMALL);
    }
    UNSIGNED32& RecNo = Out(pulRecNo);
    UNSIGNED16& State = Out(pusState);
    if (lRecs != 0) C.Skip(OrderOf(hOrder), lRecs);
    C.ReportPosition(pucRec, Len, RecNo, State);
  });
}

UNSIGNED32 OakIsRecordDeleted(OAKHANDLE hTable, UNSIGNED16* pbDeleted) {
  return Call([&] {
    TCursor& C = CursorOf(hTable);
    C.RequireRecord();
    Out(pbDeleted) = C.IsDeleted() ? 1 : 0;
  });
}

UNSIGNED32 OakRefreshRecord(OAKHANDLE hTable) {
  return Call([&] { CursorOf(hTable).RefreshRecord(); });
}

}  // extern "C"
