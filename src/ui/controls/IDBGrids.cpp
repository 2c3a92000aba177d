// TI_CustomDBGrid: data link, layout, options, scrolling, the look's font
// and zoom, and the published properties.
#include "ui/controls/IDBGrids.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "platform/db/dataset.h"
#include "platform/gui/grids_edit.h"
#include "platform/gui/forms.h"
#include "platform/os/locale.h"
#include "platform/rtl/sysutils.h"
#include "ui/controls/ColSelectorBase.h"

RTL_IMPLEMENT_CLASS(TI_CustomDBGrid, TI_CustomGrid, nullptr)
RTL_IMPLEMENT_CLASS(TI_DBGrid, TI_CustomDBGrid, &ComponentFactory<TI_DBGrid>)

const char* const TI_CustomDBGrid::EmptyMessage = "Keine Daten";

namespace {
// The indicator images in index order; the first five lie on white.
const char* const IndicatorNames[] = {"I_DBGARROW",   "I_DBEDIT",      "I_DBINSERT",    "I_DBMULTIDOT",
                                      "I_DBMULTIARROW", "I_DBCHECK",   "I_DBMAIN",      "I_DBINDEXASC",
                                      "I_DBINDEXDESC", "I_DBINDEXNONE", "I_HDCHECK"};
constexpr Integer WhiteGroundImages = 5;

const TDBGridOptions StandardOptions{dgEditing,  dgTitles, dgIndicator,     dgColumnResize, dgColLines,
                                     dgRowLines, dgTabs,   dgConfirmDelete, dgCancelOnExit};

// Korean input composes a character in the editor before it reaches the
// cell, so on a Korean system the editor is always shown.
TDBGridOptions DefaultOptions() {
  TDBGridOptions O = StandardOptions;
  if (SystemPrimaryLanguage() == "ko") O.Include(dgAlwaysShowEditor);
  return O;
}
// Options whose change lays the grid out again.
const TDBGridOptions LayoutOptions{dgTitles,  dgIndicator,     dgMarker,    dgColLines,  dgRowLines,
                                   dgRowSelect, dgUserRowHeight, dgFlatButtons, dgAutoSize, dgTitleClicked};
}  // namespace

// ---- Construction ------------------------------------------------------------------------------------

TI_CustomDBGrid::TI_CustomDBGrid(TComponent* AOwner)
    : TI_CustomGrid(AOwner),
      FDataLink(std::make_unique<TGridDataLink>(this)),
      FColumns(std::make_unique<TDBGridColumns>(this)),
      FTitleFont(std::make_unique<TFont>()),
      FBookmarks(std::make_unique<TBookmarkList>(this)) {
  FDataLink->SetVisualControl(true);
  FTitleFont->OnChange = [this](TObject*) { TitleFontChanged(); };
  LoadIndicators();
  SetColCount(2);
  SetRowCount(2);
  SetColor(clWindow);
  SetParentColor(false);
  SetOptions(DefaultOptions());
}

TI_CustomDBGrid::~TI_CustomDBGrid() {
  // The link must not call back into a grid being destroyed.
  FDataLink->SetDataSource(nullptr);
  FColumns->FGrid = nullptr;
}

void TI_CustomDBGrid::LoadIndicators() {
  TBitmap First;
  if (!LoadBitmapResource(&First, IndicatorNames[0])) return;
  FIndicators = std::make_unique<TCustomImageList>(First.Width(), First.Height());
  for (Integer I = 0; I < Integer(std::size(IndicatorNames)); ++I) {
    TBitmap B;
    if (!LoadBitmapResource(&B, IndicatorNames[I])) B.SetSize(First.Width(), First.Height());
    TColor Ground = I < WhiteGroundImages ? clWhite : B.Canvas()->Pixel(0, 0);
    FIndicators->AddMasked(&B, Ground);
  }
}

void TI_CustomDBGrid::CreateWnd() {
  TI_CustomGrid::CreateWnd();
  if (!FClipPopup) {
    FClipPopup = new TDBClipPopup(this);
    FClipPopup->OnClick = [this](TObject* Sender) {
      // "#goto" is the command line (item 0), "#Goto<i>" mark i + 1.
      const String& Name = static_cast<TI_EditButton*>(Sender)->Name;
      HideMarkedRows();
      ClipItemClick(Name == "#goto" ? 0 : StrToIntDef(Name.substr(5), -1) + 1);
    };
  }
  LayoutChanged();
}

void TI_CustomDBGrid::Loaded() {
  TI_CustomGrid::Loaded();
  LayoutChanged();
}

void TI_CustomDBGrid::Notification(TComponent* AComponent, TOperation Operation) {
  TI_CustomGrid::Notification(AComponent, Operation);
  if (Operation != opRemove) return;
  if (AComponent == DataSource()) FDataLink->SetDataSource(nullptr);
  if (AComponent == FImages) SetImages(nullptr);
  if (AComponent == FPopupTitle) FPopupTitle = nullptr;
  if (AComponent == FClipPopup) FClipPopup = nullptr;
  if (AComponent == FSearchBalloon) FSearchBalloon = nullptr;
  if (FColumns)
    for (Integer I = 0; I < FColumns->Count(); ++I)
      if (FColumns->Items(I)->PopupMenu() == AComponent) FColumns->Items(I)->SetPopupMenu(nullptr);
}

// ---- Properties ------------------------------------------------------------------------------------------

void TI_CustomDBGrid::SetDataSource(TDataSource* V) {
  if (V == DataSource()) return;
  if (DataSource()) DataSource()->RemoveFreeNotification(this);
  FDataLink->SetDataSource(V);
  if (V) V->FreeNotification(this);
  LinkActive(FDataLink->Active());
}

void TI_CustomDBGrid::SetImages(TCustomImageList* V) {
  if (V == FImages) return;
  if (FImages) FImages->RemoveFreeNotification(this);
  FImages = V;
  if (V) V->FreeNotification(this);
  LayoutChanged();
}

void TI_CustomDBGrid::SetPopupTitle(TPopupMenu* V) {
  FPopupTitle = V;
  if (V) V->FreeNotification(this);
}

void TI_CustomDBGrid::SetFrozenCols(Integer V) {
  FFrozenCols = std::max<Integer>(0, V);
  LayoutChanged();
}

void TI_CustomDBGrid::SetRowHeightSetting(Integer V) {
  SetDefaultRowHeight(V);
  LayoutChanged();
}

bool TI_CustomDBGrid::HasData() {
  if (ComponentState().Contains(csDesigning)) return true;
  return FColumns->Count() > 0 && DataSource() && DataSource()->DataSet();
}

void TI_CustomDBGrid::SetOptions(TDBGridOptions V) {
  if (V.Contains(dgRowSelect)) V = V - TDBGridOptions{dgEditing, dgAlwaysShowEditor};
  if (V.Contains(dgHighlightRow)) V.Exclude(dgRowSelect);
  if (!V.Contains(dgMultiSelect) && FOptions.Contains(dgMultiSelect)) FBookmarks->Clear();
  if (V.Contains(dgMultiSelect)) V.Exclude(dgMarker);
  if (V.Contains(dgRowSizing)) V.Include(dgUserRowHeight);
  TDBGridOptions Old = FOptions;
  FOptions = V;
  TGridOptions G;
  if (V.Contains(dgColLines)) G = G + TGridOptions{goFixedVertLine, goVertLine};
  if (V.Contains(dgRowLines)) G = G + TGridOptions{goFixedHorzLine, goHorzLine};
  if (V.Contains(dgFlatButtons)) G = G - TGridOptions{goFixedVertLine, goFixedHorzLine};
  if (V.Contains(dgColumnResize)) G = G + TGridOptions{goColSizing, goColMoving};
  if (V.Contains(dgTabs)) G.Include(goTabs);
  if (V.Contains(dgEditing)) G.Include(goEditing);
  if (V.Contains(dgAlwaysShowEditor)) G.Include(goAlwaysShowEditor);
  if (V.Contains(dgRowSelect)) G.Include(goRowSelect);
  if (V.Contains(dgRowSizing)) G.Include(goRowSizing);
  TCustomGrid::SetOptions(G);
  SetAutoFit(V.Contains(dgAutoSize));
  if (((Old - V) + (V - Old)) * LayoutOptions != TDBGridOptions()) LayoutChanged();
}

// ---- Layout -------------------------------------------------------------------------------------------------

void TI_CustomDBGrid::BeginLayout() { ++FLayoutLock; }

void TI_CustomDBGrid::EndLayout() {
  if (FLayoutLock > 0 && --FLayoutLock > 0) return;
  InternalLayout();
}

void TI_CustomDBGrid::LayoutChanged() {
  BeginLayout();
  EndLayout();
}

void TI_CustomDBGrid::DefineFieldMap() {
  if (FColumns->State() == csDefault) FColumns->RebuildColumns();
  else FColumns->AddChildColumns();
  FDataLink->ClearMapping();
  for (Integer I = 0; I < FColumns->Count(); ++I) FDataLink->AddMapping(FColumns->Items(I)->FieldName());
}

void TI_CustomDBGrid::InternalLayout() {
  if (FInLayout || ComponentState().Contains(csLoading) || ComponentState().Contains(csDestroying)) return;
  FInLayout = true;
  try {
    FIndicatorOffset = (FOptions.Contains(dgIndicator) ? 1 : 0) + (FOptions.Contains(dgMarker) ? 1 : 0);
    if (FDataLink->Active()) DefineFieldMap();
    Integer Cols = std::max<Integer>(FColumns->Count(), 1) + FIndicatorOffset;
    if (FixedCols() >= Cols) SetFixedCols(0);
    SetColCount(Cols);
    SetFixedCols(FIndicatorOffset);
    FTitleOffset = FOptions.Contains(dgTitles) ? 1 : 0;
    // One title row per nesting level shown.
    if (FTitleOffset > 0 && NestsObjectFields())
      for (Integer I = 0; I < FColumns->Count(); ++I)
        if (FColumns->Items(I)->Showing()) FTitleOffset = std::max(FTitleOffset, FColumns->Items(I)->Depth() + 1);
    if (RowCount() <= FTitleOffset) SetRowCount(FTitleOffset + 1);
    SetFixedRows(FTitleOffset);
    SetRowHeights();
    SetColumnAttributes();
    UpdateRowCount();
    UpdateActive();
    if (FOptions.Contains(dgAutoSize) && FColumns->Count() > 0) {
      Integer Resized = FUserResizedCol;
      FUserResizedCol = -1;
      Integer Last = FColumns->Count() - 1;
      if (Resized >= 0) AutoFitColumns(Resized + FIndicatorOffset, Resized != Last);
      else AutoFitColumns(-1, true);
      for (Integer I = 0; I < FColumns->Count(); ++I) {
        TColumn* C = FColumns->Items(I);
        C->FWidth = ColWidths(I + FIndicatorOffset);
        C->FWidthAssigned = true;
      }
    }
    UpdateScrollRange();
    FLastLeftCol = LeftCol();
  } catch (...) {
    FInLayout = false;
    throw;
  }
  FInLayout = false;
  Invalidate();
  FireEvent(OnAfterEndLayout, this);
}

namespace {
// The height of a caption drawn multi-line and word-wrapped 500 pixels wide.
Integer CaptionHeight(TFont* Font, const String& Caption) {
  TBitmap Measure;
  Measure.SetSize(1, 1);
  Measure.Canvas()->SetFont(Font);
  Integer H = 0;
  for (const String& Line : SplitTitleLines(Caption)) {
    TRect R = Rect(0, 0, 500, 0);
    H += DrawStyledText(Measure.Canvas(), Line, R, nullptr, dsWordBreak | dsNoCodes, false).Height();
  }
  return H;
}
}  // namespace

void TI_CustomDBGrid::SetRowHeights() {
  Integer Lines = FOptions.Contains(dgRowLines) ? GridLineWidth() : 0;
  if (!FOptions.Contains(dgUserRowHeight)) SetDefaultRowHeight(TextHeight("Wg", Font()) + 3 + Lines);
  else SetDefaultRowHeight(DefaultRowHeight());
  if (!FOptions.Contains(dgTitles)) return;
  // Each title row is as high as the highest title of its nesting level.
  std::vector<Integer> Heights(size_t(FTitleOffset), 0);
  for (Integer I = 0; I < FColumns->Count(); ++I) {
    TColumn* C = FColumns->Items(I);
    Integer Level = C->Depth();
    if (Level >= FTitleOffset || !C->Visible() || !C->ParentsExpanded()) continue;
    Integer& H = Heights[size_t(Level)];
    String Caption = C->Title()->Caption();
    if (!Caption.empty()) H = std::max(H, CaptionHeight(C->Title()->Font(), Caption) + 4);
    if (FImages && C->ItemIndex() >= 0) H = std::max(H, FImages->Height() + 3);
    if (C->Expandable()) H = std::max(H, GetSystemMetrics(SM_CYHSCROLL));
  }
  for (Integer Row = 0; Row < FTitleOffset; ++Row) {
    Integer H = Heights[size_t(Row)];
    TCustomGrid::SetRowHeights(Row, H > 0 ? H : TextHeight("Wg", FTitleFont.get()) + 4);
  }
}

bool TI_CustomDBGrid::NestsObjectFields() const {
  TDataSet* DS = FDataLink->Active() ? FDataLink->DataSet() : nullptr;
  return DS && DS->ObjectView();
}

void TI_CustomDBGrid::SetColumnAttributes() {
  for (Integer I = 0; I < FColumns->Count(); ++I) {
    TColumn* C = FColumns->Items(I);
    TField* F = C->Field();
    bool Frozen = I < FFrozenCols;
    bool Showing = C->Showing();
    bool Tab = FDataLink->Active() && Showing && !Frozen && !C->ReadOnly() && F && !F->ReadOnly() &&
               !F->Calculated();
    SetTabStops(I + FIndicatorOffset, Tab);
    // A column hidden by its nesting takes no room at all, its line neither.
    SetColWidths(I + FIndicatorOffset, !C->Visible() ? 0 : Showing ? C->Width() : -1);
  }
  if (FOptions.Contains(dgIndicator)) {
    SetColWidths(0, IndicatorWidth);
    SetTabStops(0, false);
  }
  if (FOptions.Contains(dgMarker)) {
    SetColWidths(FIndicatorOffset - 1, MarkerWidth);
    SetTabStops(FIndicatorOffset - 1, false);
  }
  // The frozen data columns are fixed columns of the grid base, so that
  // they stay put while the others scroll; one column always scrolls.
  Integer Fixed = std::max<Integer>(0, std::min(FIndicatorOffset + FFrozenCols, ColCount() - 1));
  if (FixedCols() != Fixed) SetFixedCols(Fixed);
}

// The data rows that fit below the titles, at least one.
Integer TI_CustomDBGrid::DataRowCount() {
  Integer Line = FOptions.Contains(dgRowLines) ? GridLineWidth() : 0;
  Integer Room = ClientHeight();
  for (Integer R = 0; R < FTitleOffset && R < RowCount(); ++R) Room -= RowHeights(R) + Line;
  Integer Per = std::max<Integer>(1, DefaultRowHeight() + Line);
  return std::max<Integer>(1, Room / Per);
}

void TI_CustomDBGrid::UpdateRowCount() {
  Integer Records = 1;
  if (FDataLink->Active()) {
    FDataLink->SetBufferCount(DataRowCount());
    Records = std::max<Integer>(1, FDataLink->RecordCount());
  }
  if (RowCount() != FTitleOffset + Records) SetRowCount(FTitleOffset + Records);
  if (FixedRows() != FTitleOffset && FTitleOffset < RowCount()) SetFixedRows(FTitleOffset);
}

void TI_CustomDBGrid::UpdateActive() {
  if (!FDataLink->Active() || FDataLink->RecordCount() == 0) return;
  Integer Target = FTitleOffset + FDataLink->ActiveRecord();
  if (Target != Row() && Target < RowCount()) MoveColRow(std::max(Col(), FixedCols()), Target, true, false);
  UpdateScrollPos();
}

// ---- Data link notifications -------------------------------------------------------------------------------

void TI_CustomDBGrid::LinkActive(bool Value) {
  if (!Value) {
    HideEditor();
    EndSearch();
  }
  FBookmarks->LinkActive(Value);
  LayoutChanged();
  if (Value && FOptions.Contains(dgAlwaysShowEditor)) ShowEditor();
}

void TI_CustomDBGrid::DataChanged() {
  if (ComponentState().Contains(csLoading)) return;
  UpdateRowCount();
  UpdateScrollRange();
  UpdateActive();
  Invalidate();
}

void TI_CustomDBGrid::Scroll(Integer Distance) {
  (void)Distance;  // every row may show another record: all of them repaint
  DataChanged();
  if (FOptions.Contains(dgAlwaysShowEditor)) ShowEditor();
}

void TI_CustomDBGrid::RecordChangedAt(TField*) {
  if (!HandleAllocated()) return;
  // With complete lines the row's box reaches the client's right edge.
  if (FOptions.Contains(dgCompleteLines)) Invalidate();
  else InvalidateRow(Row());
  if (EditorMode()) UpdateEditor();
}

void TI_CustomDBGrid::EditingChanged() {
  if (FOptions.Contains(dgIndicator)) InvalidateCell(0, Row());
}

void TI_CustomDBGrid::UpdateData() {
  TColumn* C = SelectedField();
  TField* F = C ? C->Field() : nullptr;
  if (F && InplaceEditor()) F->SetText(InplaceEditor()->Text());
}

// A changed column may change the title height, the widths and the fitting:
// the grid is laid out again.
void TI_CustomDBGrid::ColumnChanged(TColumn*) {
  if (FInLayout) return;
  LayoutChanged();
}

void TI_CustomDBGrid::TitleFontChanged() {
  if (FOptions.Contains(dgTitles)) LayoutChanged();
}

void TI_CustomDBGrid::ColumnComment(Integer Mode, TColumn* Column) {
  if (Mode == CommentRequestDone) CommentRequestPending = false;
  FireEvent(OnColumnComment, this, Mode, Column);
}

void TI_CustomDBGrid::ClipItemClick(Integer Item) {
  FireEvent(OnClipButtonClick, FClipPopup);
  TDataSet* DS = FDataLink->DataSet();
  if (Item == 0) {
    FBookmarks->Clear();
    InvalidateCol(FIndicatorOffset - 1);
    MarksChanged();
  } else if (DS && Item <= FBookmarks->Count() && DS->BookmarkValid(FBookmarks->Items(Item - 1)))
    DS->GotoBookmark(FBookmarks->Items(Item - 1));
}

// ---- Columns and widths ---------------------------------------------------------------------------------------

bool TI_CustomDBGrid::ColumnIsSizable(Integer ACol) {
  if (!TI_CustomGrid::ColumnIsSizable(ACol)) return false;
  if (ComponentState().Contains(csDesigning)) return true;
  Integer D = ACol - FIndicatorOffset;
  if (D < 0 || D >= FColumns->Count()) return false;
  return FColumns->Items(D)->Showing() && FColumns->Items(D)->Resize();
}

// A width the user gave a column goes to the column, and an auto-fitting
// grid fits the others around it.
void TI_CustomDBGrid::ColWidthsChanged() {
  TI_CustomGrid::ColWidthsChanged();
  if (FInLayout || FittingLocked() || !FColumns) return;
  for (Integer I = 0; I < FColumns->Count() && I + FIndicatorOffset < ColCount(); ++I) {
    TColumn* C = FColumns->Items(I);
    Integer W = ColWidths(I + FIndicatorOffset);
    if (!C->Showing() || W == C->Width()) continue;
    C->FWidth = W;
    C->FWidthAssigned = true;
    C->FieldWidthFromWidth(W);
    FUserResizedCol = I;
  }
  if (FUserResizedCol >= 0 && FOptions.Contains(dgAutoSize)) LayoutChanged();
}

void TI_CustomDBGrid::ColumnMoved(Integer FromIndex, Integer ToIndex) {
  Integer From = FromIndex - FIndicatorOffset, To = ToIndex - FIndicatorOffset;
  if (From >= 0 && To >= 0 && From < FColumns->Count() && To < FColumns->Count()) {
    FColumns->FState = csCustomized;
    FColumns->FRebuilding = true;
    FColumns->Items(From)->SetIndex(To);
    FColumns->FRebuilding = false;
  }
  FireEvent(OnColumnMoved, this, FromIndex, ToIndex);
  LayoutChanged();
}

void TI_CustomDBGrid::TopLeftChanged() {
  TI_CustomGrid::TopLeftChanged();
  Integer Old = FLastLeftCol < 0 ? LeftCol() : FLastLeftCol, Target = LeftCol();
  auto ShownIn = [this](Integer From, Integer To) {
    for (Integer I = From; I < To; ++I)
      if (ColWidths(I) >= 0) return true;
    return false;
  };
  // A step must take at least one shown column out of view or into it.
  if (Target > Old)
    while (Target < MaxTopLeft(true) && (!ShownIn(Old, Target) || ColWidths(Target) < 0)) ++Target;
  else if (Target < Old)
    while (Target > FixedCols() && !ShownIn(Target, Old)) --Target;
  FLastLeftCol = Target;
  if (Target != LeftCol()) SetLeftCol(Target);
}

void TI_CustomDBGrid::MoveCol(Integer DataCol) {
  if (DataCol < 0 || DataCol >= FColumns->Count()) return;
  // A column hidden by its nesting passes the move on to the next shown
  // one in the direction of the move (else the other way).
  if (!FColumns->Items(DataCol)->Showing()) {
    Integer Step = DataCol < SelectedIndex() ? -1 : 1, Found = -1;
    for (Integer Dir : {Step, -Step})
      for (Integer I = DataCol + Dir; Found < 0 && I >= 0 && I < FColumns->Count(); I += Dir)
        if (FColumns->Items(I)->Showing()) Found = I;
    if (Found < 0) return;
    DataCol = Found;
  }
  Integer Target = DataCol + FIndicatorOffset;
  if (Target == Col()) return;
  FireEvent(OnColExit, this);
  MoveColRow(Target, Row(), true, true);
  FireEvent(OnColEnter, this);
}

void TI_CustomDBGrid::SetSelectedIndex(Integer V) { MoveCol(V); }

TColumn* TI_CustomDBGrid::SelectedField() const {
  Integer D = Col() - FIndicatorOffset;
  return D >= 0 && D < FColumns->Count() ? FColumns->Items(D) : nullptr;
}

// ---- Editor ---------------------------------------------------------------------------------------------------

bool TI_CustomDBGrid::CanEditShow() {
  TColumn* C = SelectedField();
  return FOptions.Contains(dgEditing) && !FReadOnly && FDataLink->Active() && C && !C->ReadOnly() && C->Field() &&
         TCustomGrid::CanEditShow();
}

bool TI_CustomDBGrid::CanEditModify() {
  TColumn* C = SelectedField();
  if (FReadOnly || !FDataLink->Active() || !C || C->ReadOnly() || !C->Field() || !C->Field()->CanModify())
    return false;
  FDataLink->Edit();
  FDataLink->SetModified();
  return FDataLink->Editing();
}

String TI_CustomDBGrid::GetEditText(Integer ACol, Integer) {
  Integer D = ACol - FIndicatorOffset;
  TField* F = D >= 0 && D < FColumns->Count() ? FColumns->Items(D)->Field() : nullptr;
  return F ? F->Text() : String();
}

void TI_CustomDBGrid::SetEditText(Integer, Integer, const String&) { FDataLink->SetModified(); }

// ---- Scroll bar --------------------------------------------------------------------------------------------------

// The vertical bar shows the dataset's position: the record number of a
// sequenced dataset, else top, middle or bottom (0, 2, 4).
void TI_CustomDBGrid::GetScrollBarInfo(bool Horizontal, bool& Show, SCROLLINFO& Info) {
  TI_CustomGrid::GetScrollBarInfo(Horizontal, Show, Info);
  if (Horizontal) return;
  TScrollStyle S = ScrollBars();
  Show = FDataLink->Active() && (S == ssVertical || S == ssBoth);
  Info.nPage = 0;
  if (!FDataLink->Active()) {
    Info.nMin = Info.nMax = Info.nPos = 0;
    return;
  }
  TDataSet* DS = FDataLink->DataSet();
  if (DS->IsSequenced()) {
    Info.nMin = 1;
    Info.nMax = std::max<Integer>(1, DS->RecordCount());
    Info.nPos = std::max<Integer>(1, DS->RecNo());
  } else {
    Info.nMin = 0;
    Info.nMax = 4;
    Info.nPos = DS->Bof() ? 0 : DS->Eof() ? 4 : 2;
  }
}

void TI_CustomDBGrid::WMVScroll(TMessage& M) {
  if (!FDataLink->Active()) return;
  TDataSet* DS = FDataLink->DataSet();
  Integer Page = std::max<Integer>(1, DataRowCount());
  switch (LOWORD(M.WParam)) {
    case SB_LINEUP: DS->MoveBy(-1); break;
    case SB_LINEDOWN: DS->MoveBy(1); break;
    case SB_PAGEUP: DS->MoveBy(-Page); break;
    case SB_PAGEDOWN: DS->MoveBy(Page); break;
    case SB_TOP: DS->First(); break;
    case SB_BOTTOM: DS->Last(); break;
    case SB_THUMBPOSITION: {
      Integer Pos = HIWORD(M.WParam);
      if (DS->IsSequenced()) DS->SetRecNo(Pos);
      else if (Pos == 0) DS->First();
      else if (Pos == 4) DS->Last();
      break;
    }
    default: break;
  }
  UpdateScrollPos();
}

void TI_CustomDBGrid::Resize() {
  TI_CustomGrid::Resize();
  if (!FInLayout) LayoutChanged();
}

// ---- The look's font and zoom ---------------------------------------------------------------------------------------

Integer TI_CustomDBGrid::AdjustedFontSize(Integer N, double F, Integer Ppi) {
  if (Ppi <= 0) Ppi = 96;
  Integer Scaled = std::max<Integer>(N, Integer(std::lround(double(N) * 96.0 / Ppi)));
  return std::max<Integer>(N, Integer(std::lround(Scaled * F)));
}

// "N F": the titles and every column get the size N scaled by the screen
// and zoomed by F; the rows become 1.6 times the text height at size N.
bool TI_CustomDBGrid::ParseAdjustGrid(const String& Value, Integer& N, double& F) {
  std::vector<String> Words;
  size_t Pos = 0;
  while (Pos < Value.size()) {
    size_t Blank = Value.find(' ', Pos);
    if (Blank == String::npos) Blank = Value.size();
    if (Blank > Pos) Words.push_back(Value.substr(Pos, Blank - Pos));
    Pos = Blank + 1;
  }
  if (Words.empty()) return false;
  Integer Size = StrToIntDef(Words[0], 0);
  if (Size <= 0 || Size > 200) return false;
  String FText = Words.size() > 1 ? Words[1] : String("1");
  std::replace(FText.begin(), FText.end(), ',', '.');
  char* End = nullptr;
  double Zoom = std::strtod(FText.c_str(), &End);
  if (End == FText.c_str() || !(Zoom > 0) || Zoom > 20) Zoom = 1;
  N = Size;
  F = Zoom;
  return true;
}

void TI_CustomDBGrid::SetAdjustGrid(const String& V) {
  FAdjustGrid = V;
  Integer N = 0;
  double F = 1;
  if (!ParseAdjustGrid(V, N, F)) return;
  Integer Size = AdjustedFontSize(N, F, GetScreenPixelsPerInch());
  BeginLayout();
  try {
    FTitleFont->SetSize(Size);
    if (FColumns->Count() > 0) {
      TFont AtN;
      AtN.Assign(FColumns->Items(0)->Font());
      AtN.SetSize(N);
      FOptions.Include(dgUserRowHeight);
      TCustomGrid::SetDefaultRowHeight(Integer(std::lround(1.6 * TextHeight("Wg", &AtN))));
    }
    for (Integer I = 0; I < FColumns->Count(); ++I) {
      TColumn* C = FColumns->Items(I);
      C->Title()->Font()->SetSize(Size);
      C->Font()->SetSize(Size);
    }
  } catch (...) {
    EndLayout();
    throw;
  }
  EndLayout();
}

void TI_CustomDBGrid::SetGlobalFontName(const String& V) {
  if (V == FGlobalFontName) return;
  FGlobalFontName = V;
  BeginLayout();
  FTitleFont->SetName(V);
  for (Integer I = 0; I < FColumns->Count(); ++I) {
    TColumn* C = FColumns->Items(I);
    C->Title()->Font()->SetName(V);
    C->Font()->SetName(V);
  }
  EndLayout();
  if (!FAdjustGrid.empty()) SetAdjustGrid(FAdjustGrid);
}

// ---- Column selector ---------------------------------------------------------------------------------------------

void TI_CustomDBGrid::ShowCustomizeDialog() {
  ShowColSelectForm(this, String(), false);
  SetScrollBars(FOptions.Contains(dgAutoSize) ? ssVertical : ssBoth);
  LayoutChanged();
  FireEvent(OnAfterCustomizeDialog, this);
}

// ---- Published -----------------------------------------------------------------------------------------------------

RTL_PUBLISHED(TI_CustomDBGrid) {
  P.Field("OnBeforeHint", &TI_CustomDBGrid::OnBeforeHint);
  P.Prop("UseCustomizeDialog", &TI_CustomDBGrid::UseCustomizeDialog, &TI_CustomDBGrid::SetUseCustomizeDialog)
      .Default(false);
  P.Prop("FirstCharUpperAdress", &TI_CustomDBGrid::FirstCharUpperAdress, &TI_CustomDBGrid::SetFirstCharUpperAdress)
      .Default(false);
  P.Prop("AutoSearch", &TI_CustomDBGrid::AutoSearch, &TI_CustomDBGrid::SetAutoSearch).Default(false);
  P.Field("OnLocate", &TI_CustomDBGrid::OnLocate);
  P.Field("OnEditorGetConvert", &TI_CustomDBGrid::OnEditorGetConvert);
  P.Field("OnDrawColumn", &TI_CustomDBGrid::OnDrawColumn);
  P.Field("OnDrawColumn2", &TI_CustomDBGrid::OnDrawColumn2);
  P.Field("OnDrawTextFormat", &TI_CustomDBGrid::OnDrawTextFormat);
  P.Field("OnDrawRichText", &TI_CustomDBGrid::OnDrawRichText);
  P.Field("OnGetDragText", &TI_CustomDBGrid::OnGetDragText);
  P.Field("OnDoubleClick2", &TI_CustomDBGrid::OnDoubleClick2);
  P.Field("OnAfterCustomizeDialog", &TI_CustomDBGrid::OnAfterCustomizeDialog);
  P.Field("OnAfterEndLayout", &TI_CustomDBGrid::OnAfterEndLayout);
  P.Field("OnGetBookMarkString", &TI_CustomDBGrid::OnGetBookMarkString);
  P.Field("OnDragOverData", &TI_CustomDBGrid::OnDragOverData);
  P.Field("OnDragDropData", &TI_CustomDBGrid::OnDragDropData);
  P.Field("OnDragOverCancel", &TI_CustomDBGrid::OnDragOverCancel);
  P.Prop("DataDraggingEnabled", &TI_CustomDBGrid::DataDraggingEnabled, &TI_CustomDBGrid::SetDataDraggingEnabled)
      .Default(false);
}

RTL_PUBLISHED(TI_DBGrid) {
  P.Prop("Columns", &TI_DBGrid::Columns, &TI_DBGrid::SetColumns);
  P.Prop("DataSource", &TI_DBGrid::DataSource, &TI_DBGrid::SetDataSource);
  P.Prop("Options", &TI_DBGrid::Options, &TI_DBGrid::SetOptions);
  P.Prop("ReadOnly", &TI_DBGrid::ReadOnly, &TI_DBGrid::SetReadOnly).Default(false);
  P.Prop("TitleFont", &TI_DBGrid::TitleFont, &TI_DBGrid::SetTitleFont);
  P.Prop("Images", &TI_DBGrid::Images, &TI_DBGrid::SetImages);
  P.Prop("DefaultRowHeight", &TI_DBGrid::RowHeightSetting, &TI_DBGrid::SetRowHeightSetting);
  P.Prop("FrozenCols", &TI_DBGrid::FrozenCols, &TI_DBGrid::SetFrozenCols).Default(0);
  P.Prop("PopupTitle", &TI_DBGrid::PopupTitle, &TI_DBGrid::SetPopupTitle);
  P.Prop("AdjustGrid", &TI_DBGrid::AdjustGrid, &TI_DBGrid::SetAdjustGrid);
  P.Prop("GlobalFontName", &TI_DBGrid::GlobalFontName, &TI_DBGrid::SetGlobalFontName);
  P.Field("OnCellClick", &TI_DBGrid::OnCellClick);
  P.Field("OnTitleClick", &TI_DBGrid::OnTitleClick);
  P.Field("OnColEnter", &TI_DBGrid::OnColEnter);
  P.Field("OnColExit", &TI_DBGrid::OnColExit);
  P.Field("OnEditButtonClick", &TI_DBGrid::OnEditButtonClick);
  P.Field("OnClipButtonClick", &TI_DBGrid::OnClipButtonClick);
  P.Field("OnColumnMoved", &TI_DBGrid::OnColumnMoved);
  P.Field("OnDrawDataCell", &TI_DBGrid::OnDrawDataCell);
  P.Field("OnDrawColumnCell", &TI_DBGrid::OnDrawColumnCell);
  P.Field("OnClipClick", &TI_DBGrid::OnClipClick);
  P.Field("OnColumnComment", &TI_DBGrid::OnColumnComment);
  P.Field("OnPaintEmptyMessage", &TI_DBGrid::OnPaintEmptyMessage);
  P.Field("OnDrawCompleteLine", &TI_DBGrid::OnDrawCompleteLine);
  P.Field("OnDrawSlideText", &TI_DBGrid::OnDrawSlideText);
}
