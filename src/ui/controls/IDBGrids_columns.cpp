// The data-aware grid's companions: column titles, columns, the column
// collection, the data link and the list of selected or marked rows.
#include <algorithm>

#include "platform/db/dataset.h"
#include "platform/db/fieldkinds.h"
#include "platform/rtl/charset.h"
#include "ui/controls/IDBGrids.h"

RTL_IMPLEMENT_CLASS(TColumnTitle, TPersistent, nullptr)
RTL_IMPLEMENT_CLASS(TColumn, TCollectionItem, &CollectionItemFactory<TColumn>)
RTL_IMPLEMENT_CLASS(TDBGridColumns, TCollection, nullptr)
RTL_IMPLEMENT_CLASS(TGridDataLink, TDataLink, nullptr)

RTL_PUBLISHED(TColumnTitle) {
  P.Prop("Alignment", &TColumnTitle::Alignment, &TColumnTitle::SetAlignment);
  P.Prop("Caption", &TColumnTitle::Caption, &TColumnTitle::SetCaption);
  P.Prop("Color", &TColumnTitle::Color, &TColumnTitle::SetColor).TypeName("TColor");
  P.Prop("Font", &TColumnTitle::Font, &TColumnTitle::SetFont);
}

RTL_PUBLISHED(TColumn) {
  P.Prop("Alignment", &TColumn::Alignment, &TColumn::SetAlignment);
  P.Prop("ButtonStyle", &TColumn::ButtonStyle, &TColumn::SetButtonStyle).Default(cbsAuto);
  P.Prop("Color", &TColumn::Color, &TColumn::SetColor).TypeName("TColor");
  P.Prop("DropDownRows", &TColumn::DropDownRows, &TColumn::SetDropDownRows).Default(7);
  P.Prop("Expanded", &TColumn::Expanded, &TColumn::SetExpanded).Default(false);
  P.Prop("FieldName", &TColumn::FieldName, &TColumn::SetFieldName);
  P.Prop("Font", &TColumn::Font, &TColumn::SetFont);
  P.Prop("PickList", &TColumn::PickList, &TColumn::SetPickList);
  P.Prop("PopupMenu", &TColumn::PopupMenu, &TColumn::SetPopupMenu);
  P.Prop("ReadOnly", &TColumn::ReadOnly, &TColumn::SetReadOnly);
  P.Prop("Title", &TColumn::Title, &TColumn::SetTitle);
  P.Prop("FocusWidth", &TColumn::FocusWidth, &TColumn::SetFocusWidth).Default(0);
  P.Prop("Width", &TColumn::Width, &TColumn::SetWidth);
  P.Prop("Visible", &TColumn::Visible, &TColumn::SetVisible).Default(true);
  P.Prop("IndexStyle", &TColumn::IndexStyle, &TColumn::SetIndexStyle).Default(idxNone);
  P.Prop("Indexed", &TColumn::Indexed, &TColumn::SetIndexed).Default(false);
  P.Prop("ItemIndex", &TColumn::ItemIndex, &TColumn::SetItemIndex).Default(-1);
  P.Prop("DisplayFormat", &TColumn::DisplayFormat, &TColumn::SetDisplayFormat);
  P.Prop("Tag", &TColumn::Tag, &TColumn::SetTag).Default(0);
  P.Prop("Resize", &TColumn::Resize, &TColumn::SetResize).Default(true);
  P.Prop("Comment", &TColumn::Comment, &TColumn::SetComment);
  P.Prop("WordBreak", &TColumn::WordBreak, &TColumn::SetWordBreak).Default(false);
}

namespace {
const char* const SGridDataSetClosed = "Operation bei geschlossener Datenmenge nicht ausführbar";
}  // namespace

// ---- TColumnTitle ---------------------------------------------------------------------------------

TColumnTitle::TColumnTitle(TColumn* Column) : FColumn(Column), FFont(std::make_unique<TFont>()) {
  FFont->OnChange = [this](TObject*) { FontChanged(); };
}

TColumnTitle::~TColumnTitle() = default;

TPersistent* TColumnTitle::GetOwner() { return FColumn; }

void TColumnTitle::FontChanged() {
  if (FSyncingFont) return;
  FFontAssigned = true;
  FColumn->Changed(false);
}

TAlignment TColumnTitle::Alignment() const { return FAlignmentAssigned ? FAlignment : FColumn->Alignment(); }
void TColumnTitle::SetAlignment(TAlignment V) {
  FAlignment = V;
  FAlignmentAssigned = true;
  FColumn->Changed(false);
}

String TColumnTitle::Caption() const {
  if (FCaptionAssigned) return FCaption;
  TField* F = FColumn->Field();
  return F ? F->DisplayLabel() : FColumn->FieldName();
}
void TColumnTitle::SetCaption(const String& V) {
  FCaption = V;
  FCaptionAssigned = true;
  FColumn->Changed(false);
}

TColor TColumnTitle::Color() const {
  if (FColorAssigned) return FColor;
  TI_CustomDBGrid* G = FColumn->Grid();
  return G ? G->FixedColor() : clBtnFace;
}
void TColumnTitle::SetColor(TColor V) {
  FColor = V;
  FColorAssigned = true;
  FColumn->Changed(false);
}

TFont* TColumnTitle::Font() const {
  TI_CustomDBGrid* G = FColumn->Grid();
  if (!G) return FFont.get();
  FSyncingFont = true;
  if (FFontAssigned) FFont->SetSize(G->TitleFont()->Size());
  else FFont->Assign(G->TitleFont());
  FSyncingFont = false;
  return FFont.get();
}

void TColumnTitle::RestoreDefaults() {
  FCaptionAssigned = FColorAssigned = FAlignmentAssigned = FFontAssigned = false;
  FColumn->Changed(false);
}

void TColumnTitle::Assign(TPersistent* Source) {
  auto* T = dynamic_cast<TColumnTitle*>(Source);
  if (!T) return TPersistent::Assign(Source);
  if (T->FCaptionAssigned) SetCaption(T->FCaption);
  if (T->FColorAssigned) SetColor(T->FColor);
  if (T->FAlignmentAssigned) SetAlignment(T->FAlignment);
  if (T->FFontAssigned) FFont->Assign(T->FFont.get());
}

// ---- TColumn --------------------------------------------------------------------------------------

TColumn::TColumn(TCollection* Collection)
    : TCollectionItem(nullptr), FFont(std::make_unique<TFont>()), FTitle(std::make_unique<TColumnTitle>(this)) {
  FFont->OnChange = [this](TObject*) { FontChanged(); };
  // Added by the program or a description (not generated from the fields):
  // the columns are custom from now on.
  if (auto* Cols = dynamic_cast<TDBGridColumns*>(Collection); Cols && !Cols->FRebuilding) Cols->FState = csCustomized;
  SetCollection(Collection);
}

TColumn::~TColumn() = default;

TI_CustomDBGrid* TColumn::Grid() const {
  auto* Cols = dynamic_cast<TDBGridColumns*>(Collection());
  return Cols ? Cols->Grid() : nullptr;
}

TField* TColumn::Field() const {
  TI_CustomDBGrid* G = Grid();
  if (!G || !G->DataLink()->Active() || FFieldName.empty()) return nullptr;
  TDataSet* DS = G->DataLink()->DataSet();
  return DS ? DS->FindField(FFieldName) : nullptr;
}

void TColumn::SetExpanded(bool V) {
  if (V == FExpanded) return;
  FExpanded = V;
  Changed(true);
}

TColumn* TColumn::ParentColumn() const {
  TI_CustomDBGrid* G = Grid();
  TField* F = G && G->NestsObjectFields() ? Field() : nullptr;
  if (!F || !F->ParentField()) return nullptr;
  // The nearest column before this one that shows the parent field.
  String Parent = F->ParentField()->FullName();
  auto* Cols = static_cast<TDBGridColumns*>(Collection());
  for (Integer I = Index() - 1; I >= 0; --I)
    if (AnsiSameText(Cols->Items(I)->FieldName(), Parent)) return Cols->Items(I);
  return nullptr;
}

Integer TColumn::Depth() const {
  Integer D = 0;
  for (TColumn* P = ParentColumn(); P; P = P->ParentColumn()) ++D;
  return D;
}

bool TColumn::Expandable() const {
  TI_CustomDBGrid* G = Grid();
  return G && G->NestsObjectFields() && dynamic_cast<TObjectField*>(Field()) != nullptr;
}

bool TColumn::ParentsExpanded() const {
  for (TColumn* P = ParentColumn(); P; P = P->ParentColumn())
    if (!P->Expanded()) return false;
  return true;
}

bool TColumn::Showing() const { return FVisible && !(FExpanded && Expandable()) && ParentsExpanded(); }

String TColumn::GetDisplayName() const { return FFieldName.empty() ? TCollectionItem::GetDisplayName() : FFieldName; }

void TColumn::SetFieldName(const String& V) {
  if (V == FFieldName) return;
  FFieldName = V;
  Changed(true);
}

TAlignment TColumn::Alignment() const {
  if (FAlignmentAssigned) return FAlignment;
  TField* F = Field();
  return F ? F->Alignment() : taLeftJustify;
}
void TColumn::SetAlignment(TAlignment V) {
  FAlignment = V;
  FAlignmentAssigned = true;
  Changed(false);
}

TColor TColumn::Color() const {
  if (FColorAssigned) return FColor;
  TI_CustomDBGrid* G = Grid();
  return G ? G->Color() : clWindow;
}
void TColumn::SetColor(TColor V) {
  FColor = V;
  FColorAssigned = true;
  Changed(false);
}

TFont* TColumn::Font() const {
  TI_CustomDBGrid* G = Grid();
  if (G && !FFontAssigned) {
    FSyncingFont = true;
    FFont->Assign(G->Font());
    FSyncingFont = false;
  }
  return FFont.get();
}

void TColumn::FontChanged() {
  if (FSyncingFont) return;
  FFontAssigned = true;
  Changed(false);
}

TStrings* TColumn::PickList() const {
  if (!FPickList) FPickList = std::make_unique<TStringList>();
  return FPickList.get();
}
void TColumn::SetPickList(TStrings* V) { PickList()->Assign(V); }

bool TColumn::ReadOnly() const {
  if (FReadOnlyAssigned) return FReadOnly;
  TI_CustomDBGrid* G = Grid();
  TField* F = Field();
  return (G && G->ReadOnly()) || (F && F->ReadOnly());
}
void TColumn::SetReadOnly(bool V) {
  FReadOnly = V;
  FReadOnlyAssigned = true;
  Changed(false);
}

// Without a grid 64 pixels; without a field the grid's default width; else
// the field's display width in digits, and with titles at least the
// title's widest line (with room for an index mark and an image).
Integer TColumn::DefaultWidth() const {
  TI_CustomDBGrid* G = Grid();
  if (!G) return 64;
  TField* F = Field();
  if (!F) return G->DefaultColWidth();
  TBitmap Measure;
  Measure.SetSize(1, 1);
  TCanvas* C = Measure.Canvas();
  C->SetFont(Font());
  Integer W = F->DisplayWidth() * C->TextWidth("0") + 4;
  if (G->Options().Contains(dgTitles)) {
    C->SetFont(Title()->Font());
    TSize Size{};
    DrawTitleText(C, Rect(0, 0, 500, 500), Title()->Caption(), Size, false, false, taCenter);
    Integer T = Size.cx + 4;
    if (G->Options().Contains(dgTitleClicked) && FIndexed) T += 11;
    if (G->Images() && FItemIndex >= 0) T += G->Images()->Width() + 2;
    W = std::max(W, T + 4);
  }
  return W;
}

Integer TColumn::Width() const { return FWidthAssigned ? FWidth : DefaultWidth(); }

void TColumn::SetWidth(Integer V) {
  if (V == 0 || V == -1) return;
  bool IsDefault = !Grid() || !Field() ? false : V == DefaultWidth();
  FWidth = V;
  FWidthAssigned = !IsDefault;
  if (!IsDefault) FieldWidthFromWidth(V);
  Changed(false);
}

void TColumn::FieldWidthFromWidth(Integer W) {
  TI_CustomDBGrid* G = Grid();
  TField* F = Field();
  if (!G || !F || !G->HandleAllocated()) return;
  TBitmap Measure;
  Measure.SetSize(1, 1);
  Measure.Canvas()->SetFont(Font());
  Integer Average = Measure.Canvas()->GetTextMetrics().tmAveCharWidth;
  if (Average > 0) F->SetDisplayWidth(std::max<Integer>(1, (W - 3 + Average / 2) / Average));
}

void TColumn::SetPopupMenu(TPopupMenu* V) {
  FPopupMenu = V;
  if (V && Grid()) V->FreeNotification(Grid());
}

void TColumn::SetVisible(bool V) {
  if (V == FVisible) return;
  FVisible = V;
  Changed(true);
}

void TColumn::SetIndexStyle(TColumnIndexStyle V) {
  if (V == FIndexStyle) return;
  FIndexStyle = V;
  Changed(false);
}
void TColumn::SetIndexed(bool V) {
  if (V == FIndexed) return;
  FIndexed = V;
  Changed(false);
}
void TColumn::SetItemIndex(Integer V) {
  if (V == FItemIndex) return;
  FItemIndex = V;
  Changed(false);
}
void TColumn::SetDisplayFormat(const String& V) {
  if (V == FDisplayFormat) return;
  FDisplayFormat = V;
  Changed(false);
}
void TColumn::SetWordBreak(bool V) {
  if (V == FWordBreak) return;
  FWordBreak = V;
  Changed(false);
}

void TColumn::RestoreDefaults() {
  FColorAssigned = FFontAssigned = FAlignmentAssigned = FWidthAssigned = FReadOnlyAssigned = false;
  FTitle->RestoreDefaults();
  Changed(false);
}

void TColumn::Assign(TPersistent* Source) {
  auto* C = dynamic_cast<TColumn*>(Source);
  if (!C) return TCollectionItem::Assign(Source);
  if (Collection()) Collection()->BeginUpdate();
  FFieldName = C->FFieldName;
  if (C->FColorAssigned) SetColor(C->FColor);
  if (C->FFontAssigned) FFont->Assign(C->FFont.get());
  if (C->FAlignmentAssigned) SetAlignment(C->FAlignment);
  if (C->FWidthAssigned) SetWidth(C->FWidth);
  if (C->FReadOnlyAssigned) SetReadOnly(C->FReadOnly);
  FTitle->Assign(C->FTitle.get());
  FButtonStyle = C->FButtonStyle;
  FDropDownRows = C->FDropDownRows;
  FVisible = C->FVisible;
  FIndexStyle = C->FIndexStyle;
  FIndexed = C->FIndexed;
  FItemIndex = C->FItemIndex;
  FDisplayFormat = C->FDisplayFormat;
  FTag = C->FTag;
  FResize = C->FResize;
  FComment = C->FComment;
  FWordBreak = C->FWordBreak;
  FFocusWidth = C->FFocusWidth;
  if (C->FPickList) PickList()->Assign(C->FPickList.get());
  if (Collection()) Collection()->EndUpdate();
}

// ---- TDBGridColumns --------------------------------------------------------------------------------

TDBGridColumns::TDBGridColumns(TI_CustomDBGrid* Grid) : TCollection(TColumn::StaticClass()), FGrid(Grid) {}

TPersistent* TDBGridColumns::GetOwner() { return FGrid; }

void TDBGridColumns::SetState(TDBGridColumnsState V) {
  if (V == FState) return;
  if (V == csDefault) {
    FState = csDefault;
    RebuildColumns();
  } else {
    FState = csCustomized;
  }
}

void TDBGridColumns::RebuildColumns() {
  FRebuilding = true;
  BeginUpdate();
  try {
    std::vector<String> Open;
    for (Integer I = 0; I < Count(); ++I)
      if (Items(I)->Expanded()) Open.push_back(Items(I)->FieldName());
    Clear();
    TDataSet* DS = FGrid && FGrid->DataLink()->Active() ? FGrid->DataLink()->DataSet() : nullptr;
    bool Nest = FGrid && FGrid->NestsObjectFields();
    if (DS)
      for (Integer I = 0; I < DS->FieldCount(); ++I) {
        TField* F = DS->Fields().Fields(I);
        if (F->Visible() && !(Nest && F->ParentField())) Add()->SetFieldName(F->FullName());
      }
    AddChildColumns();
    for (Integer I = 0; I < Count(); ++I)
      for (const String& Name : Open)
        if (AnsiSameText(Items(I)->FieldName(), Name)) Items(I)->FExpanded = true;
  } catch (...) {
    EndUpdate();
    FRebuilding = false;
    throw;
  }
  EndUpdate();
  FRebuilding = false;
}

void TDBGridColumns::AddChildColumns() {
  if (!FGrid || !FGrid->NestsObjectFields()) return;
  bool Was = FRebuilding;
  FRebuilding = true;
  try {
    // Inserted children are reached in turn, so that theirs follow too.
    for (Integer I = 0; I < Count(); ++I) {
      TColumn* C = Items(I);
      auto* Object = dynamic_cast<TObjectField*>(C->Field());
      if (!Object || (I + 1 < Count() && Items(I + 1)->ParentColumn() == C)) continue;
      Integer At = I + 1;
      for (TField* Child : Object->Fields().Items()) {
        if (!Child->Visible()) continue;
        auto* New = static_cast<TColumn*>(Insert(At++));
        New->FFieldName = Child->FullName();
      }
    }
  } catch (...) {
    FRebuilding = Was;
    throw;
  }
  FRebuilding = Was;
}

void TDBGridColumns::RestoreDefaults() {
  BeginUpdate();
  for (Integer I = 0; I < Count(); ++I) Items(I)->RestoreDefaults();
  EndUpdate();
}

void TDBGridColumns::Update(TCollectionItem* Item) {
  if (!FGrid || FRebuilding) return;
  if (Item) FGrid->ColumnChanged(static_cast<TColumn*>(Item));
  else FGrid->LayoutChanged();
}

// ---- TGridDataLink ---------------------------------------------------------------------------------

void TGridDataLink::AddMapping(const String& FieldName) {
  TDataSet* DS = DataSet();
  TField* F = DS && Active() ? DS->FindField(FieldName) : nullptr;
  FFieldMap.push_back(F ? F->Index() : -1);
}

Integer TGridDataLink::GetMappedIndex(Integer ColIndex) const {
  return ColIndex >= 0 && ColIndex < Integer(FFieldMap.size()) ? FFieldMap[size_t(ColIndex)] : -1;
}

void TGridDataLink::Reset() {
  if (FModified) RecordChanged(nullptr);
  FModified = false;
}

void TGridDataLink::ActiveChanged() {
  if (!Active()) ClearMapping();
  FGrid->LinkActive(Active());
  FModified = false;
}
void TGridDataLink::DataSetChanged() {
  FGrid->DataChanged();
  FModified = false;
}
void TGridDataLink::DataSetScrolled(Integer Distance) { FGrid->Scroll(Distance); }
void TGridDataLink::LayoutChanged() {
  FGrid->LayoutChanged();
  TDataLink::LayoutChanged();
}
void TGridDataLink::RecordChanged(TField* Field) {
  FGrid->RecordChangedAt(Field);
  FModified = false;
}
void TGridDataLink::UpdateData() {
  if (FInUpdateData) return;
  FInUpdateData = true;
  try {
    if (FModified) FGrid->UpdateData();
  } catch (...) {
    FInUpdateData = false;
    throw;
  }
  FInUpdateData = false;
  FModified = false;
}
void TGridDataLink::EditingChanged() { FGrid->EditingChanged(); }
void TGridDataLink::FocusControl(TField** Field) {
  if (!Field || !*Field || !FGrid->CanFocus()) return;
  for (Integer I = 0; I < FGrid->Columns()->Count(); ++I)
    if (FGrid->Columns()->Items(I)->Field() == *Field) {
      FGrid->SetSelectedIndex(I);
      FGrid->SetFocus();
      *Field = nullptr;
      return;
    }
}

// ---- TBookmarkList ----------------------------------------------------------------------------------

void TBookmarkList::Clear() {
  if (FList.empty()) return;
  FList.clear();
  FTexts.clear();
  FCacheIndex = -1;
  FCache.clear();
  FGrid->Invalidate();
}

TBookmark TBookmarkList::CurrentRow() const {
  if (!FLinkActive || !FGrid->DataLink()->Active()) throw EInvalidGridOperation(SGridDataSetClosed);
  return FGrid->DataLink()->DataSet()->GetBookmark();
}

bool TBookmarkList::CurrentRowSelected() const {
  Integer Index = 0;
  TBookmark B = CurrentRow();
  return !B.empty() && Find(B, Index);
}

bool TBookmarkList::Find(const TBookmark& Item, Integer& Index) const {
  if (Item == FCache && FCacheIndex >= 0 && FCacheIndex < Count()) {
    Index = FCacheIndex;
    return FCacheFound;
  }
  TDataSet* DS = FGrid->DataLink()->DataSet();
  FCacheFound = false;
  FCacheIndex = 0;
  for (Integer I = 0; I < Count(); ++I)
    if (DS ? DS->CompareBookmarks(FList[size_t(I)], Item) == 0 : FList[size_t(I)] == Item) {
      FCacheFound = true;
      FCacheIndex = I;
      break;
    }
  FCache = Item;
  Index = FCacheIndex;
  return FCacheFound;
}

void TBookmarkList::SetCurrentRowSelected(bool Value) {
  TBookmark B = CurrentRow();
  if (B.empty()) return;
  Integer Index = 0;
  if (Find(B, Index) == Value) return;
  if (Value) {
    String Text = "Merker";
    FireEvent(FGrid->OnGetBookMarkString, Text);
    FList.push_back(B);
    FTexts.push_back(Text);
  } else {
    FList.erase(FList.begin() + Index);
    FTexts.erase(FTexts.begin() + Index);
  }
  FCacheIndex = -1;
  FCache.clear();
  FGrid->InvalidateRow(FGrid->Row());
  FGrid->MarksChanged();
}

void TBookmarkList::DeleteSelected() {
  TDataSet* DS = FGrid->DataLink()->DataSet();
  if (!DS) return;
  DS->DisableControls();
  try {
    while (!FList.empty()) {
      // A record deleted elsewhere meanwhile is only taken off the list.
      if (DS->BookmarkValid(FList.back())) {
        DS->GotoBookmark(FList.back());
        DS->Delete();
      }
      FList.pop_back();
      FTexts.pop_back();
    }
  } catch (...) {
    DS->EnableControls();
    throw;
  }
  FCacheIndex = -1;
  DS->EnableControls();
}

void TBookmarkList::LinkActive(bool Value) {
  Clear();
  FLinkActive = Value;
}
