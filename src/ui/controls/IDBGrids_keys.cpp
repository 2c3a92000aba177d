// The data grid's marked-rows popup and its incremental search: typing
// into the grid looks the text up in the current column and shows it in a
// balloon, or opens the finder form an application names.
#include <algorithm>

#include "platform/db/dataset.h"
#include "platform/gui/forms.h"
#include "platform/rtl/charset.h"
#include "platform/rtl/classreg.h"
#include "platform/rtl/datetime.h"
#include "platform/rtl/format.h"
#include "platform/rtl/sysutils.h"
#include "ui/controls/IDBGrids.h"
#include "ui/controls/UCustomGridFinderClass.h"

namespace {
// The data column of the last search, for every grid of the program: a
// search typed into another column starts anew.
Integer GLastSearchColumn = -1;
// How much of the clipboard a Ctrl key brings into the search.
constexpr size_t ClipboardSearchLength = 20;
// How many characters follow the upper-cased first one of an address search.
constexpr size_t AddressSearchLength = 50;
// How far below the cell's top the balloon sits once typing goes on.
constexpr Integer BalloonDrop = 17;

TLocateOptions SearchOptions() { return TLocateOptions{loCaseInsensitive, loPartialKey}; }

// Keeps the screen cursor an hourglass while a lookup runs.
class THourGlass {
 public:
  THourGlass() : FSaved(Screen->Cursor()) { Screen->SetCursor(crHourGlass); }
  ~THourGlass() { Screen->SetCursor(FSaved); }
  THourGlass(const THourGlass&) = delete;
  THourGlass& operator=(const THourGlass&) = delete;

 private:
  TCursor FSaved;
};
}  // namespace

// ---- Marked rows -------------------------------------------------------------------------------

void TI_CustomDBGrid::ShowMarkedRows() {
  if (!FClipPopup || FClipShown) return;
  std::vector<String> Marks;
  Integer Shown = std::min(MaxClipMarks, FBookmarks->Count());
  for (Integer I = 0; I < Shown; ++I) Marks.push_back(FBookmarks->Texts(I));
  FClipPopup->FillMarkedRowList(Marks, Shown - 1);
  TRect First = CellRect(0, 0);
  FClipPopup->SetPlacementBounds(First.Left, First.Bottom, FClipPopup->Width(), FClipPopup->Height());
  bool Show = true;
  FireEvent(OnClipClick, FClipPopup, First.Left, First.Bottom, Show);
  if (!Show) {
    FClipPopup->HidePopup();
    return;
  }
  FClipShown = true;
  InvalidateCell(0, 0);
  FClipPopup->Popup();
}

void TI_CustomDBGrid::HideMarkedRows() {
  FClipShown = false;
  if (FClipPopup) FClipPopup->HidePopup();
  if (HandleAllocated()) InvalidateCell(0, 0);
}

// The handler may move through the dataset: the current record comes back
// afterwards (when the dataset still knows it).
void TI_CustomDBGrid::MarksChanged() {
  if (!OnMarksChanged) return;
  TDataSet* DS = FDataLink->Active() ? FDataLink->DataSet() : nullptr;
  if (!DS) return OnMarksChanged(FBookmarks.get());
  TBookmark Current = DS->GetBookmark();
  TBookmark Top;
  if (FDataLink->ActiveRecord() > 0) {
    Integer Back = FDataLink->ActiveRecord();
    DS->DisableControls();
    DS->MoveBy(-Back);
    Top = DS->GetBookmark();
    if (!Current.empty()) DS->GotoBookmark(Current);
    DS->EnableControls();
  }
  auto Restore = [&] {
    DS->DisableControls();
    if (!Top.empty() && DS->BookmarkValid(Top)) DS->GotoBookmark(Top);
    if (!Current.empty() && DS->BookmarkValid(Current)) DS->GotoBookmark(Current);
    DS->EnableControls();
  };
  try {
    OnMarksChanged(FBookmarks.get());
  } catch (...) {
    Restore();
    throw;
  }
  Restore();
}

// ---- Incremental search ---------------------------------------------------------------------------

Variant TI_CustomDBGrid::SearchValue(TField* Field, const String& Text, bool FirstCharUpper) {
  if (!Field) return Null();
  switch (Field->DataType()) {
    case ftString: case ftWideString: case ftFixedChar: case ftMemo: {
      if (!FirstCharUpper || Text.empty()) return Variant(Text);
      size_t I = 0;
      char32_t First = Utf8Decode(Text, I);
      String Out;
      Utf8Append(Out, AnsiUpperChar(First));
      for (size_t N = 0; N < AddressSearchLength && I < Text.size(); ++N) Utf8Append(Out, Utf8Decode(Text, I));
      return Variant(Out);
    }
    case ftSmallint: case ftInteger: case ftWord: case ftAutoInc: case ftLargeint: {
      Int64 V = 0;
      return TryStrToInt64(Text, V) ? Variant(V) : Null();
    }
    case ftBoolean: {
      Int64 V = 0;
      if (!TryStrToInt64(Text, V) || V == 0) return Variant(false);
      return V == 1 ? Variant(true) : Null();
    }
    case ftFloat: {
      double V = 0;
      return TryStrToFloat(Text, V) ? Variant(V) : Null();
    }
    case ftCurrency: {
      Currency V;
      return TryStrToCurr(Text, V) ? Variant(V) : Null();
    }
    case ftDate: case ftDateTime: case ftTime: {
      TDateTime V{};
      return TryStrToDate(Text, V) ? Variant::FromDateTime(V) : Null();
    }
    default:
      return Null();
  }
}

void TI_CustomDBGrid::EndSearch() {
  if (HandleAllocated()) KillTimer(Handle(), SearchTimerId);
  FSearchText.clear();
  if (!FSearchBalloon) return;
  TI_MessageWindow* B = FSearchBalloon;
  FSearchBalloon = nullptr;
  B->HidePopup();
  B->Free();
}

void TI_CustomDBGrid::KeyPress(char32_t& Key) {
  if (Key == '\r' && !FOptions.Contains(dgAlwaysShowEditor) && FDataLink->Active() && EditorMode())
    FDataLink->UpdateRecord();
  if (FAutoSearch && !EditorMode() && HasData() && Key != '\r' && Key != '\t' && Key != 0) {
    if (SearchKey(Key, GetKeyState(VK_CONTROL) < 0)) Key = 0;
    if (Key == 0) return;
  }
  TI_CustomGrid::KeyPress(Key);
}

bool TI_CustomDBGrid::SearchKey(char32_t Key, bool Ctrl) {
  // Nothing to search in: a closed dataset or a grid without columns.
  TColumn* Column = SelectedField();
  if (!FDataLink->Active() || !Column || !Column->Field()) return false;
  if (SelectedIndex() != GLastSearchColumn) EndSearch();
  GLastSearchColumn = SelectedIndex();
  if (Ctrl && Key == 3) return false;  // Ctrl+C copies, it does not search
  if (Key == 0 || Key == '\t' || Key == '\r') return false;
  if (HandleAllocated()) KillTimer(Handle(), SearchTimerId);
  if (Key == 27) {
    EndSearch();
    return true;
  }
  if (OnEditorGetConvert && SearchByFinder(Key)) return true;
  if (Key == 8) {
    size_t I = 0, Last = 0;
    while (I < FSearchText.size()) {
      Last = I;
      Utf8Decode(FSearchText, I);
    }
    FSearchText.resize(Last);
    if (FSearchText.empty()) {
      EndSearch();
      return true;
    }
  } else if (Ctrl) {
    String Clip = Trim(GetClipboardText());
    size_t I = 0;
    for (size_t N = 0; N < ClipboardSearchLength && I < Clip.size(); ++N) Utf8Append(FSearchText, Utf8Decode(Clip, I));
  } else {
    Utf8Append(FSearchText, Key);
  }
  if (FSearchText.empty()) return true;
  ShowSearchBalloon();
  LocateSearch(FSearchText, FSearchText);
  if (HandleAllocated()) SetTimer(Handle(), SearchTimerId, SearchTime);
  return true;
}

// The balloon: left edge at the middle of the current cell, at the cell's
// top on the first key and 17 pixels lower while typing goes on.
void TI_CustomDBGrid::ShowSearchBalloon() {
  bool First = FSearchBalloon == nullptr;
  if (First) {
    FSearchBalloon = new TI_MessageWindow(this);
    FSearchBalloon->AutoHide = true;
    FSearchBalloon->DisplayTime = SearchTime;
    if (FImages && FImages->Count() > 0) {
      TBitmap Icon;
      FImages->GetBitmap(0, &Icon);
      FSearchBalloon->SetKind(2);
      FSearchBalloon->SetColor(TEcMessageWindow::BalloonColor);
      FSearchBalloon->SetIcon(&Icon);
    } else {
      FSearchBalloon->SetShowIcon(false);
    }
  }
  FSearchBalloon->SetCaption(FSearchText);
  TRect Cell = CellRect(Col(), Row());
  TPoint P = ClientToScreen(Point((Cell.Left + Cell.Right) / 2, Cell.Top + (First ? 0 : BalloonDrop)));
  FSearchBalloon->SetPlacement(0);
  FSearchBalloon->SetPlacementRect(Bounds(P.X, P.Y, FSearchBalloon->Width(), FSearchBalloon->Height()));
  FSearchBalloon->Popup();
}

void TI_CustomDBGrid::LocateSearch(const String& Text, const String& Caption) {
  TColumn* Column = SelectedField();
  TField* Field = Column ? Column->Field() : nullptr;
  TDataSet* DS = FDataLink->DataSet();
  Variant Value = SearchValue(Field, Text, FFirstCharUpperAdress);
  if (!Field || !DS || Value.IsNull()) return;
  THourGlass Wait;
  bool Located = false;
  String Shown = Caption;
  FireEvent(OnLocate, DS, Field->FieldName(), Value, SearchOptions(), Located, Shown);
  if (!Located) DS->Locate(Field->FieldName(), Value, SearchOptions());
}

// OnEditorGetConvert names a finder form (first line of ShowValues) and
// the key field (first line of KeyValues); the finder returns the key
// that closed it, a found key value and a caption.
bool TI_CustomDBGrid::SearchByFinder(char32_t Key) {
  TDataSet* DS = FDataLink->DataSet();
  TColumn* Column = SelectedField();
  TField* Field = Column ? Column->Field() : nullptr;
  String ShowValues, KeyValues;
  OnEditorGetConvert(DS, ShowValues, KeyValues, Field);
  if (ShowValues.empty()) return false;
  TStringList Shows, Keys;
  Shows.SetText(ShowValues);
  Keys.SetText(KeyValues);
  String KeyField = Field ? Field->FieldName() : String();
  if (Keys.Count() > 0) {
    KeyField = Keys.Strings(0);
    Keys.Delete(0);
  }
  String ClassName = Shows.Count() > 0 ? Shows.Strings(0) : String();
  if (Shows.Count() > 0) Shows.Delete(0);
  TClass Class = GetClass(ClassName);
  if (!Class || !Class->InheritsFrom(TFCustomGridFinder::StaticClass())) return false;
  EndSearch();
  std::unique_ptr<TFCustomGridFinder> Finder(static_cast<TFCustomGridFinder*>(Class->Create(nullptr)));
  Finder->AfterConstruction();
  TRect Cell = CellRect(Col(), Row());
  TPoint P = ClientToScreen(Cell.TopLeft());
  Finder->FinderLeft = P.X;
  Finder->FinderTop = P.Y;
  Finder->FinderText = Shows.Text();
  Finder->KeyText = Keys.Text();
  Finder->FieldName = Field ? Field->FieldName() : String();
  if (Key != ' ') Utf8Append(Finder->TypedChar, Key);
  Finder->ShowModal();
  Byte Closing = Finder->TakeLastKey();
  String Found = Finder->FoundValue, Caption = Finder->FoundCaption;
  Finder.reset();
  if (Closing == 27) {
    EndSearch();
    return true;
  }
  if (!KeyField.empty() && !Found.empty() && DS) {
    bool Located = true;
    FireEvent(OnLocate, DS, KeyField, Variant(Found), SearchOptions(), Located, Caption);
    if (Located && OnLocate) return true;
  }
  if (Found.empty()) return false;
  EndSearch();
  LocateSearch(Found, Caption.empty() ? Found : Caption);
  return true;
}

void TI_CustomDBGrid::WMTimer(TMessage& M) {
  if (M.WParam == SearchTimerId) return EndSearch();
  Inherited(TI_CustomDBGrid::StaticClass(), M);
}

void TI_CustomDBGrid::WMDestroy(TMessage& M) {
  EndSearch();
  if (FClipShown) HideMarkedRows();
  Inherited(TI_CustomDBGrid::StaticClass(), M);
}
