// IDBGrids: TI_DBGrid, the data-aware grid, and its companions.
//
// The grid shows the records of a dataset reached through a TDataSource as
// rows and its fields as columns (TDBGridColumns of TColumn, each with a
// TColumnTitle). It rests on TI_CustomGrid (automatic column fitting,
// multi-line titles) and adds to the class library's data-aware design: an
// indicator column (12 pixels) and a marker column (14 pixels, dgMarker),
// index marks in titles, a grey "Keine Daten" in place of the grid when
// there is nothing to show, cell hints for cut-off texts (CM_HINTSHOW, with
// OnBeforeHint), drawing events (OnDrawColumn, OnDrawColumn2,
// OnDrawTextFormat, OnDrawRichText), run-time scaling of fonts and row
// height (AdjustGrid, GlobalFontName) and a column selector on a right
// click on a title (UseCustomizeDialog, ColSelectorBase.h).
//
// Rows: the grid's rows are the title rows (TitleOffset of them) and one
// row per record of the data link's window (BufferCount = the data rows
// that fit); the current row is TitleOffset + the link's ActiveRecord. The
// vertical scroll bar follows the dataset, not the rows.
//
// Nested columns: over a dataset with ObjectView, the column of an object
// field is followed by its children's columns (ParentColumn). While it is
// collapsed it shows the object's text and its children are hidden; while
// it is Expanded its children show instead and its title spans theirs in a
// title row above them: there is one title row per nesting level shown. A
// press on the expand arrow at the right of such a title toggles Expanded.
//
// Columns: grid column = IndicatorOffset + data column. A column's field is
// looked up by name whenever it is needed, so a closed or changed dataset
// never leaves a stale field behind; a FieldName that names no field shows
// an empty cell.
//
// Ownership: the grid owns its columns, data link, bookmark list, title
// font and indicator images; DataSource, Images and PopupTitle are
// references that are cleared when those components go.
//
// Thread safety: GUI thread only.
#pragma once

#include <memory>
#include <vector>

#include "platform/db/datasource.h"
#include "platform/gui/grids_edit.h"
#include "platform/gui/menus.h"
#include "platform/rtl/collection.h"
#include "platform/rtl/variants.h"
#include "ui/controls/IGrids.h"
#include "ui/controls/IPopupWindow.h"

RTL_ENUM(TDBGridOption, dgEditing, dgAlwaysShowEditor, dgTitles, dgIndicator, dgColumnResize, dgColLines, dgRowLines,
         dgTabs, dgRowSelect, dgAlwaysShowSelection, dgConfirmDelete, dgCancelOnExit, dgMultiSelect, dgMarker,
         dgTitleClicked, dgUserRowHeight, dgRowSizing, dgHighlightRow, dgFlatButtons, dgCompleteLines, dgAutoSize);
using TDBGridOptions = TSet<TDBGridOption>;
RTL_ENUM(TColumnButtonStyle, cbsAuto, cbsEllipsis, cbsNone);
RTL_ENUM(TColumnIndexStyle, idxNone, idxAscending, idxDescending);
RTL_ENUM(TDBGridColumnsState, csDefault, csCustomized);

class TI_CustomDBGrid;
class TColumn;
class TBookmarkList;
class TI_MessageWindow;

// ---- Titles and columns -------------------------------------------------------------------------

class TColumnTitle : public TPersistent {
  RTL_DECLARE_CLASS(TColumnTitle)
 public:
  explicit TColumnTitle(TColumn* Column);
  ~TColumnTitle() override;

  // Each value is the grid's (TitleFont, FixedColor, the field's display
  // label, the column's alignment) until set.
  TAlignment Alignment() const;
  void SetAlignment(TAlignment V);
  String Caption() const;
  void SetCaption(const String& V);
  TColor Color() const;
  void SetColor(TColor V);
  // An own font takes the size of the grid's TitleFont when read (so a
  // size set by AdjustGrid reaches every title); without one, a copy of
  // TitleFont. Changing it makes it the title's own.
  TFont* Font() const;
  void SetFont(TFont* V) { FFont->Assign(V); }
  bool FontAssigned() const { return FFontAssigned; }
  void Assign(TPersistent* Source) override;
  TPersistent* GetOwner() override;
  void RestoreDefaults();

 private:
  void FontChanged();
  TColumn* FColumn;
  std::unique_ptr<TFont> FFont;
  String FCaption;
  TColor FColor = clBtnFace;
  TAlignment FAlignment = taLeftJustify;
  bool FCaptionAssigned = false, FColorAssigned = false, FAlignmentAssigned = false, FFontAssigned = false;
  mutable bool FSyncingFont = false;
};

class TColumn : public TCollectionItem {
  RTL_DECLARE_CLASS(TColumn)
 public:
  explicit TColumn(TCollection* Collection);
  ~TColumn() override;

  TI_CustomDBGrid* Grid() const;
  // The field named FieldName in the grid's dataset while its link is
  // active; null otherwise.
  TField* Field() const;

  const String& FieldName() const { return FFieldName; }
  void SetFieldName(const String& V);
  TAlignment Alignment() const;
  void SetAlignment(TAlignment V);
  TColumnButtonStyle ButtonStyle() const { return FButtonStyle; }
  void SetButtonStyle(TColumnButtonStyle V) { FButtonStyle = V; Changed(false); }
  TColor Color() const;
  void SetColor(TColor V);
  Cardinal DropDownRows() const { return FDropDownRows; }
  void SetDropDownRows(Cardinal V) { FDropDownRows = V; }
  // For the column of an object field: its children's columns show in
  // its place (the grid is laid out again).
  bool Expanded() const { return FExpanded; }
  void SetExpanded(bool V);
  // The column of the object field whose child field this column shows;
  // null at the top, without an active link or when the dataset does not
  // nest its object fields (ObjectView).
  TColumn* ParentColumn() const;
  // Number of parent columns.
  Integer Depth() const;
  // Whether the column shows an object field that nests its children.
  bool Expandable() const;
  // Whether every parent column is expanded (true at the top).
  bool ParentsExpanded() const;
  // Whether the column is a grid column one can see: visible, every
  // parent expanded and not itself expanded.
  bool Showing() const;
  TFont* Font() const;
  void SetFont(TFont* V) { FFont->Assign(V); }
  TStrings* PickList() const;
  void SetPickList(TStrings* V);
  TPopupMenu* PopupMenu() const { return FPopupMenu; }
  // A reference: the grid forgets it when the menu is freed.
  void SetPopupMenu(TPopupMenu* V);
  bool ReadOnly() const;
  void SetReadOnly(bool V);
  TColumnTitle* Title() const { return FTitle.get(); }
  void SetTitle(TColumnTitle* V) { FTitle->Assign(V); }
  Integer FocusWidth() const { return FFocusWidth; }
  void SetFocusWidth(Integer V) { FFocusWidth = V; }
  Integer Width() const;
  void SetWidth(Integer V);
  bool Visible() const { return FVisible; }
  void SetVisible(bool V);
  TColumnIndexStyle IndexStyle() const { return FIndexStyle; }
  void SetIndexStyle(TColumnIndexStyle V);
  bool Indexed() const { return FIndexed; }
  void SetIndexed(bool V);
  Integer ItemIndex() const { return FItemIndex; }
  void SetItemIndex(Integer V);
  const String& DisplayFormat() const { return FDisplayFormat; }
  void SetDisplayFormat(const String& V);
  Integer Tag() const { return FTag; }
  void SetTag(Integer V) { FTag = V; }
  bool Resize() const { return FResize; }
  void SetResize(bool V) { FResize = V; }
  const String& Comment() const { return FComment; }
  void SetComment(const String& V) { FComment = V; }
  bool WordBreak() const { return FWordBreak; }
  void SetWordBreak(bool V);

  // The width the column has when none is set (see the .cpp).
  Integer DefaultWidth() const;
  // Back to the grid's and field's values.
  void RestoreDefaults();
  void Assign(TPersistent* Source) override;
  bool WidthAssigned() const { return FWidthAssigned; }

 protected:
  String GetDisplayName() const override;

 private:
  friend class TColumnTitle;
  friend class TI_CustomDBGrid;
  friend class TDBGridColumns;
  void FontChanged();
  // While the grid has a window, the field's display width follows a width
  // given to the column: the average characters of the column font that
  // fit after the cell's 3-pixel margin, rounded.
  void FieldWidthFromWidth(Integer W);
  String FFieldName;
  std::unique_ptr<TFont> FFont;
  std::unique_ptr<TColumnTitle> FTitle;
  mutable std::unique_ptr<TStringList> FPickList;
  TPopupMenu* FPopupMenu = nullptr;
  TColor FColor = clWindow;
  TAlignment FAlignment = taLeftJustify;
  TColumnButtonStyle FButtonStyle = cbsAuto;
  TColumnIndexStyle FIndexStyle = idxNone;
  Cardinal FDropDownRows = 7;
  Integer FWidth = 64, FFocusWidth = 0, FItemIndex = -1, FTag = 0;
  String FDisplayFormat, FComment;
  bool FExpanded = false, FVisible = true, FIndexed = false, FResize = true, FWordBreak = false, FReadOnly = false;
  bool FColorAssigned = false, FFontAssigned = false, FAlignmentAssigned = false, FWidthAssigned = false,
       FReadOnlyAssigned = false;
  mutable bool FSyncingFont = false;
};

class TDBGridColumns : public TCollection {
  RTL_DECLARE_CLASS(TDBGridColumns)
 public:
  explicit TDBGridColumns(TI_CustomDBGrid* Grid);
  TI_CustomDBGrid* Grid() const { return FGrid; }
  TColumn* Add() { return TCollection::Add<TColumn>(); }
  TColumn* Items(Integer Index) const { return static_cast<TColumn*>(TCollection::Items(Index)); }
  // csDefault: generated from the dataset's fields (not stored);
  // csCustomized: set by the program or the form description.
  TDBGridColumnsState State() const { return FState; }
  void SetState(TDBGridColumnsState V);
  // Replaces the columns by one per visible field of the dataset (a
  // dataset with ObjectView: per visible top-level field, the children
  // follow through AddChildColumns); Expanded stays with the field names.
  void RebuildColumns();
  // Puts the columns of an object field's children right after each
  // object field's column that has none yet.
  void AddChildColumns();
  void RestoreDefaults();
  TPersistent* GetOwner() override;

 protected:
  void Update(TCollectionItem* Item) override;

 private:
  friend class TI_CustomDBGrid;
  friend class TColumn;
  TI_CustomDBGrid* FGrid;
  TDBGridColumnsState FState = csDefault;
  bool FRebuilding = false;
};

// ---- Data link -------------------------------------------------------------------------------

class TGridDataLink : public TDataLink {
  RTL_DECLARE_CLASS(TGridDataLink)
 public:
  explicit TGridDataLink(TI_CustomDBGrid* Grid) : FGrid(Grid) {}
  TI_CustomDBGrid* Grid() const { return FGrid; }
  // Grid column -> dataset field index (-1: none), rebuilt by the grid.
  void ClearMapping() { FFieldMap.clear(); }
  void AddMapping(const String& FieldName);
  Integer GetMappedIndex(Integer ColIndex) const;
  bool Modified() const { return FModified; }
  void SetModified() { FModified = true; }
  void Reset();

 protected:
  void ActiveChanged() override;
  void DataSetChanged() override;
  void DataSetScrolled(Integer Distance) override;
  void LayoutChanged() override;
  void RecordChanged(TField* Field) override;
  void UpdateData() override;
  void EditingChanged() override;
  void FocusControl(TField** Field) override;

 private:
  TI_CustomDBGrid* FGrid;
  std::vector<Integer> FFieldMap;
  bool FModified = false, FInUpdateData = false;
};

// ---- Selected and marked rows ---------------------------------------------------------------------

// The rows the grid keeps by bookmark: the selected rows (dgMultiSelect) or
// the marked rows with their texts (dgMarker).
class TBookmarkList {
 public:
  explicit TBookmarkList(TI_CustomDBGrid* Grid) : FGrid(Grid) {}
  void Clear();
  Integer Count() const { return Integer(FList.size()); }
  const TBookmark& Items(Integer Index) const { return FList.at(size_t(Index)); }
  const String& Texts(Integer Index) const { return FTexts.at(size_t(Index)); }
  // The current record's bookmark; EInvalidGridOperation "Operation bei
  // geschlossener Datenmenge nicht ausführbar" when the link is inactive.
  TBookmark CurrentRow() const;
  bool CurrentRowSelected() const;
  void SetCurrentRowSelected(bool Value);
  bool Find(const TBookmark& Item, Integer& Index) const;
  // Deletes every listed record from the dataset, last listed first; a
  // listed record the dataset no longer knows is only taken off the list.
  void DeleteSelected();
  void LinkActive(bool Value);

 private:
  TI_CustomDBGrid* FGrid;
  std::vector<TBookmark> FList;
  std::vector<String> FTexts;
  mutable TBookmark FCache;
  mutable Integer FCacheIndex = -1;
  mutable bool FCacheFound = false;
  bool FLinkActive = false;
};

// ---- In-place editor ---------------------------------------------------------------------------------

RTL_ENUM(TEditStyle, esSimple, esEllipsis, esPickList, esDataList);

class TDBGridInplaceEdit;

// The editor's pick list: a popup list under the cell. A click or Enter
// accepts, Escape cancels; typing selects the first item that starts with
// the typed text, which starts anew after a pause of more than 2000 ms.
class TPopupListbox : public TEcPopupListBox {
  RTL_DECLARE_CLASS(TPopupListbox)
 public:
  explicit TPopupListbox(TDBGridInplaceEdit* Editor);
  static constexpr Cardinal SearchPause = 2000;
  // Handles a typed character (KeyPress of the list or of the editor).
  void TypeChar(char32_t Ch);
  const String& SearchText() const { return FSearchText; }

 protected:
  void KeyPress(char32_t& Key) override;
  void KeyDown(Word& Key, TShiftState Shift) override;

 private:
  TDBGridInplaceEdit* FEditor;
  String FSearchText;
  Cardinal FSearchTick = 0;
};

// The grid's editor: a plain edit, or with a button at its right end that
// opens the pick list (esPickList) or raises the grid's
// OnEditButtonClick (esEllipsis).
class TDBGridInplaceEdit : public TInplaceEdit {
  RTL_DECLARE_CLASS(TDBGridInplaceEdit)
 public:
  explicit TDBGridInplaceEdit(TComponent* AOwner);
  TEditStyle EditStyle() const { return FEditStyle; }
  void SetEditStyle(TEditStyle V);
  // The system's vertical scroll-bar width.
  Integer ButtonWidth() const { return FButtonWidth; }
  // The button's rectangle (client coordinates); empty for esSimple.
  TRect ButtonRect() const;
  bool ListVisible() const { return FListVisible; }
  TPopupListbox* PickList() const { return FPickList; }
  // Opens the list under the editor, the current text selected, with at
  // most DropDownRows rows: the column's items (esPickList) or the lookup
  // field's result values, one per record of its lookup dataset
  // (esDataList).
  void DropDown();
  // Closes the list; with Accept the chosen item becomes the field's text,
  // or, for a lookup field, the chosen record's key goes into the key field.
  void CloseUp(bool Accept);
  // Style from the column (see the .cpp), font, text.
  void UpdateContents() override;

 protected:
  void BoundsChanged() override;
  void KeyDown(Word& Key, TShiftState Shift) override;
  void KeyPress(char32_t& Key) override;
  void WndProc(TMessage& Message) override;
  void DoExit() override;

 private:
  TI_CustomDBGrid* DBGrid() const;
  void PaintButton();
  void ButtonClicked();
  // Fills the list with the lookup values of F and keeps their keys.
  void FillLookupList(TField* F);
  // Writes the key of lookup row Index into F's key field.
  void WriteLookupKey(TField* F, Integer Index);
  TEditStyle FEditStyle = esSimple;
  std::vector<Variant> FLookupKeys;  // the key of each row of a lookup list
  Integer FButtonWidth;
  bool FPressed = false, FListVisible = false;
  TPopupListbox* FPickList = nullptr;
};

// ---- Events ----------------------------------------------------------------------------------------

RTL_DECLARE_EVENT(TDBGridClickEvent, void(TColumn* Column));
RTL_DECLARE_EVENT(TMovedEvent, void(TObject* Sender, Integer FromIndex, Integer ToIndex));
RTL_DECLARE_EVENT(TDrawDataCellEvent, void(TObject* Sender, const TRect& Rect, TField* Field, TGridDrawState State));
RTL_DECLARE_EVENT(TDrawColumnCellEvent,
                  void(TObject* Sender, const TRect& Rect, Integer DataCol, TColumn* Column, TGridDrawState State));
RTL_DECLARE_EVENT(TDBGridClipEvent, void(TObject* Sender, Integer X, Integer Y, bool& Show));
RTL_DECLARE_EVENT(TDBGridCommentEvent, void(TObject* Sender, Integer Mode, TColumn* Column));
RTL_DECLARE_EVENT(TDBGridUpdMessageEvent,
                  void(TObject* Sender, TCanvas* Canvas, TRect ARect, String UpdateMessage));
RTL_DECLARE_EVENT(TDBGridDrawCompleteEvent, void(TObject* Sender, TCanvas* Canvas, TRect ARect, bool Selected,
                                                 Integer ARow, bool& DefaultDrawing));
RTL_DECLARE_EVENT(TDrawSlideText, void(TObject* Sender, TCanvas* ACanvas, TField* Field, const TRect& ARect,
                                       const String& AText, TGridDrawState AState, bool IsTopText,
                                       const TRect& OrgRect));
RTL_DECLARE_EVENT(TBeforeHint, void(TField* Field, String& Text));
RTL_DECLARE_EVENT(TGridEditorLocate, void(TDataSet* DataSet, const String& KeyFields, const Variant& KeyValues,
                                          TLocateOptions Options, bool& Locate, String& ASearchcaption));
RTL_DECLARE_EVENT(TGridEditorGetConvert,
                  void(TDataSet* DataSet, String& ShowValues, String& KeyValues, TField* SelectedField));
RTL_DECLARE_EVENT(TDrawColumn, void(TDataSet* DataSet, TCanvas* ACanvas, TColumn* Column));
RTL_DECLARE_EVENT(TDrawColumn2,
                  void(TDataSet* DataSet, TCanvas* ACanvas, TColumn* Column, TRect ARect, TGridDrawState State));
RTL_DECLARE_EVENT(TDrawTextFormat, void(TField* Field, String& Text));
RTL_DECLARE_EVENT(TDrawRichText, void(TCanvas* ACanvas, TField* Field, TRect ARect, String& Text, bool& Draw,
                                      TGridDrawState AState));
RTL_DECLARE_EVENT(TDragTextEvent, void(String& Text));
RTL_DECLARE_EVENT(TDoubleClickEvent2, void(Integer X, Integer Y));
RTL_DECLARE_EVENT(TGetBookMarkString, void(String& Text));
// Code-only: the marked rows changed (the dataset position is kept around it).
RTL_DECLARE_EVENT(TMarksChangedEvent, void(TBookmarkList* List));

// ---- The grid ---------------------------------------------------------------------------------------

class TI_CustomDBGrid : public TI_CustomGrid {
  RTL_DECLARE_CLASS(TI_CustomDBGrid)
  RTL_MESSAGE_HANDLERS(TI_CustomDBGrid)
 public:
  explicit TI_CustomDBGrid(TComponent* AOwner);
  ~TI_CustomDBGrid() override;

  static constexpr Integer IndicatorWidth = 12;
  static constexpr Integer MarkerWidth = 14;
  // The text shown when there is nothing to show.
  static const char* const EmptyMessage;
  // The brush of the current row while the grid has no focus.
  static constexpr TColor UnfocusedHighlight = TColor(0x79E1FF);  // red 255, green 225, blue 121
  // The brush of a row in the bookmark list.
  static constexpr TColor BookmarkHighlight = TColor(0x7BFFFF);   // red 255, green 255, blue 123

  // ---- Data ---------------------------------------------------------------------------------
  TDataSource* DataSource() const { return FDataLink->DataSource(); }
  void SetDataSource(TDataSource* V);
  TGridDataLink* DataLink() const { return FDataLink.get(); }
  TDBGridColumns* Columns() const { return FColumns.get(); }
  void SetColumns(TDBGridColumns* V) { FColumns->Assign(V); }
  TBookmarkList* SelectedRows() const { return FBookmarks.get(); }
  // The marked-rows popup (made with the window; owned by the grid).
  TDBClipPopup* ClipPopup() const { return FClipPopup; }
  // True at design time, or with at least one column and a data source
  // with a dataset (open or not).
  virtual bool HasData();

  // ---- Look and behaviour ----------------------------------------------------------------------
  TDBGridOptions Options() const { return FOptions; }
  void SetOptions(TDBGridOptions V);
  bool ReadOnly() const { return FReadOnly; }
  void SetReadOnly(bool V) { FReadOnly = V; }
  TFont* TitleFont() const { return FTitleFont.get(); }
  void SetTitleFont(TFont* V) { FTitleFont->Assign(V); }
  TCustomImageList* Images() const { return FImages; }
  void SetImages(TCustomImageList* V);
  // The menu of the title rows (a reference, forgotten when it is freed).
  TPopupMenu* PopupTitle() const { return FPopupTitle; }
  void SetPopupTitle(TPopupMenu* V);
  // The first FrozenCols data columns stay at the left beside the
  // indicator while the others scroll; they show data but cannot become
  // the current column.
  Integer FrozenCols() const { return FFrozenCols; }
  void SetFrozenCols(Integer V);
  Integer RowHeightSetting() const { return DefaultRowHeight(); }
  void SetRowHeightSetting(Integer V);
  // "N F": font size N and zoom F (see the .cpp); write-only in effect.
  const String& AdjustGrid() const { return FAdjustGrid; }
  void SetAdjustGrid(const String& V);
  const String& GlobalFontName() const { return FGlobalFontName; }
  void SetGlobalFontName(const String& V);
  bool UseCustomizeDialog() const { return FUseCustomizeDialog; }
  void SetUseCustomizeDialog(bool V) { FUseCustomizeDialog = V; }
  bool FirstCharUpperAdress() const { return FFirstCharUpperAdress; }
  void SetFirstCharUpperAdress(bool V) { FFirstCharUpperAdress = V; }
  bool AutoSearch() const { return FAutoSearch; }
  void SetAutoSearch(bool V) { FAutoSearch = V; }
  // The menu the right button or the menu key opens over Cell: PopupTitle
  // on a title row, the column's PopupMenu on a data cell; null where the
  // grid's own PopupMenu applies.
  TPopupMenu* ContextMenuAt(TGridCoord Cell);

  // The font size AdjustGrid sets for N and F on a screen of Ppi pixels
  // per inch: the larger of N and round(max(N, round(N * 96 / Ppi)) * F).
  static Integer AdjustedFontSize(Integer N, double F, Integer Ppi);
  // Reads an AdjustGrid value "N F" (words split at blanks; the decimal
  // mark of F may be "." or ","): false (N, F untouched) unless N is a
  // size of 1..200; a missing or unusable F (not above 0 and up to 20)
  // reads as 1.
  static bool ParseAdjustGrid(const String& Value, Integer& N, double& F);

  // ---- Geometry -------------------------------------------------------------------------------
  Integer IndicatorOffset() const { return FIndicatorOffset; }
  Integer TitleOffset() const { return FTitleOffset; }
  // The data column that is current (-1 without columns).
  Integer SelectedIndex() const { return Col() - FIndicatorOffset; }
  void SetSelectedIndex(Integer V);
  TColumn* SelectedField() const;
  // The text a data cell of the record at link row DataRow shows (the
  // field's display text, DisplayFormat, OnDrawTextFormat); empty without
  // a record or field there.
  String CellText(Integer DataCol, Integer DataRow);
  // The cell whose hint shows (-1, -1 none).
  TGridCoord HintCell() const { return FHintCell; }
  // The column whose title lies at title row TitleRow above data column
  // DataCol: the column itself from its nesting level down, above that the
  // parent column of that level (null for a bad index).
  TColumn* TitleColumn(Integer DataCol, Integer TitleRow) const;
  // The rectangle the title at grid cell (ACol, ARow) spans: across the
  // neighbouring columns under the same title, down the title rows below
  // a column's own level; empty for a cell not shown.
  TRect TitleSpan(Integer ACol, Integer ARow);
  // The expand arrow at the right edge of a title spanning Span (empty
  // when the title is not wider than the arrow).
  static TRect ExpandButtonRect(const TRect& Span);
  // Whether a dataset with ObjectView is shown, whose object fields nest.
  bool NestsObjectFields() const;

  // ---- Operations ---------------------------------------------------------------------------------
  virtual void DefineFieldMap();
  // True on the current record when it is in the bookmark list (dgMultiSelect,
  // active link); otherwise true for a selected cell (State) while the grid
  // shows its selection (dgAlwaysShowSelection, or the grid or its editor
  // has the focus) and is not being laid out or has dgRowSelect. The caller
  // makes the record of DataRow current first.
  virtual bool HighlightCell(Integer DataCol, Integer DataRow, const String& Value, TGridDrawState State);
  virtual void LayoutChanged();
  virtual void LinkActive(bool Value);
  // Raises OnColumnComment with Mode; CommentRequestDone (161) also
  // clears a pending comment request.
  virtual void ColumnComment(Integer Mode, TColumn* Column);
  static constexpr Integer CommentRequestDone = 161;
  bool CommentRequestPending = false;
  virtual void Scroll(Integer Distance);
  virtual void SetColumnAttributes();
  virtual void ClipItemClick(Integer Item);
  void BeginLayout();
  void EndLayout();
  bool InLayout() const { return FLayoutLock > 0; }
  // The column selector, then the grid laid out again and OnAfterCustomizeDialog.
  void ShowCustomizeDialog();

  // ---- Marked rows -----------------------------------------------------------------------------
  // The marked-rows popup under the top-left cell: its buttons list the
  // first MaxClipMarks marks; OnClipClick may keep it hidden.
  static constexpr Integer MaxClipMarks = 20;
  void ShowMarkedRows();
  void HideMarkedRows();
  bool MarkedRowsShown() const { return FClipShown; }
  // Raises OnMarksChanged with the dataset position kept around it.
  void MarksChanged();
  TMarksChangedEvent OnMarksChanged;

  // ---- Incremental search ------------------------------------------------------------------------
  // Typing while no editor shows (AutoSearch) looks the text up in the
  // current column, shown in a balloon; timer SearchTimerId ends it after
  // SearchTime ms without a key. The finder form takes over when
  // OnEditorGetConvert names one.
  static constexpr UINT SearchTimerId = 174;
  static constexpr Cardinal SearchTime = 5000;
  bool SearchRunning() const { return FSearchBalloon != nullptr; }
  const String& SearchText() const { return FSearchText; }
  TI_MessageWindow* SearchBalloon() const { return FSearchBalloon; }
  // Kills the timer, hides and frees the balloon, forgets the text.
  void EndSearch();
  // Handles one typed character as the search does (Ctrl: the clipboard's
  // text); false when the search did not take it.
  bool SearchKey(char32_t Key, bool Ctrl);
  // The search text as a value of Field's type; Null when it is none.
  static Variant SearchValue(TField* Field, const String& Text, bool FirstCharUpper);

  // ---- Events -----------------------------------------------------------------------------------------
  TDBGridClickEvent OnCellClick, OnTitleClick;
  TNotifyEvent OnColEnter, OnColExit, OnEditButtonClick, OnClipButtonClick, OnAfterCustomizeDialog,
      OnAfterEndLayout;
  TMovedEvent OnColumnMoved;
  TDrawDataCellEvent OnDrawDataCell;
  TDrawColumnCellEvent OnDrawColumnCell;
  TDBGridClipEvent OnClipClick;
  TDBGridCommentEvent OnColumnComment;
  TDBGridUpdMessageEvent OnPaintEmptyMessage;
  TDBGridDrawCompleteEvent OnDrawCompleteLine;
  TDrawSlideText OnDrawSlideText;
  TBeforeHint OnBeforeHint;
  TGridEditorLocate OnLocate;
  TGridEditorGetConvert OnEditorGetConvert;
  TDrawColumn OnDrawColumn;
  TDrawColumn2 OnDrawColumn2;
  TDrawTextFormat OnDrawTextFormat;
  TDrawRichText OnDrawRichText;
  TDragTextEvent OnGetDragText;
  TDoubleClickEvent2 OnDoubleClick2;
  TGetBookMarkString OnGetBookMarkString;

  void Loaded() override;

 protected:
  // ---- Grid base ------------------------------------------------------------------------------------
  void DrawTitleCell(TCanvas* Canvas, Integer DataCol, Integer TitleRow, const TRect& Rect, bool Pressed, bool Draw,
                     bool CopyToCanvas, TSize& Size) override;
  Integer GetFixedCellStyle() override;
  Integer DataColumnIndex(Integer ACol) override { return ACol - FIndicatorOffset; }
  bool FlatButtons() override { return FOptions.Contains(dgFlatButtons); }
  bool ColumnIsSizable(Integer ACol) override;
  bool GroupingAllowed() override { return false; }
  void TitleClicked(TShiftState Shift, Integer ACol) override;
  void GetDataDragImage(Integer ACol, Integer ARow, TCustomImageList*& Images) override;

  // ---- Class library grid ------------------------------------------------------------------------------
  void DrawCell(Integer ACol, Integer ARow, const TRect& ARect, TGridDrawState AState) override;
  void DrawCellFrame(Integer ACol, Integer ARow, const TRect& ARect, TGridDrawState AState) override;
  void GetScrollBarInfo(bool Horizontal, bool& Show, SCROLLINFO& Info) override;
  void ColumnMoved(Integer FromIndex, Integer ToIndex) override;
  // A scroll that stops on columns hidden by their nesting goes on to the
  // next shown column in its direction, so that every step shows a change.
  void TopLeftChanged() override;
  void ColWidthsChanged() override;
  bool CanEditShow() override;
  bool CanEditModify() override;
  TInplaceEdit* CreateEditor() override;
  String GetEditText(Integer ACol, Integer ARow) override;
  void SetEditText(Integer ACol, Integer ARow, const String& Value) override;
  void KeyDown(Word& Key, TShiftState Shift) override;
  void KeyPress(char32_t& Key) override;
  void MouseDown(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) override;
  void DblClick() override;
  void Paint() override;
  void Resize() override;
  void CreateWnd() override;
  void Notification(TComponent* AComponent, TOperation Operation) override;

  void WMPaint(TMessage& M);
  void WMVScroll(TMessage& M);
  void CMHintShow(TMessage& M);
  void WMTimer(TMessage& M);
  void WMDestroy(TMessage& M);
  void WMContextMenu(TMessage& M);

 private:
  friend class TGridDataLink;
  friend class TColumn;
  friend class TDBGridColumns;
  friend class TBookmarkList;
  friend class TDBGridInplaceEdit;
  void InternalLayout();
  void SetRowHeights();
  void UpdateRowCount();
  void UpdateActive();
  void DataChanged();
  void RecordChangedAt(TField* Field);
  void EditingChanged();
  void UpdateData();
  void ColumnChanged(TColumn* Column);
  void TitleFontChanged();
  void LoadIndicators();
  void PaintEmptyMessage(TCanvas* Canvas, const TRect& R);
  // The strip right of the last column with dgCompleteLines.
  void PaintCompleteLines(TCanvas* C, const TRect& Strip);
  void PaintTitleSpans();
  void PaintFrozenLines();
  void DrawFixedCell(Integer ACol, Integer ARow, const TRect& ARect);
  void DrawDataCell2(Integer DataCol, Integer DataRow, const TRect& ARect, TGridDrawState AState);
  void DrawDataText(TCanvas* C, const TRect& R, const String& Text, TAlignment Alignment);
  // The finder named by OnEditorGetConvert (step of the search): true when
  // the key was handled there.
  bool SearchByFinder(char32_t Key);
  void ShowSearchBalloon();
  void LocateSearch(const String& Text, const String& Caption);
  // Sets the brush and font of a selected data cell (Focus: the grid has the focus).
  void MarkSelected(TCanvas* C, bool Focus);
  // Whether the current record is in the bookmark list of a multi-select grid.
  bool ListedRow();
  void MoveCol(Integer DataCol);
  // The keys of KeyDown by kind; true when the key was used.
  bool RowKey(Word Key, bool Ctrl);
  bool ColumnKey(Word Key, bool Ctrl);
  bool TabKey(TShiftState Shift);
  bool EditKey(Word Key, bool Ctrl);
  // Ctrl+Delete: asks with dgConfirmDelete, then deletes the marked
  // records or the current one.
  void DeleteRecords();
  // dgEditing, not read-only, and a dataset that may be changed.
  bool CanInsertRecord();
  Integer DataRowCount();
  // Runs Fn with the link's active record at DataRow, restoring it after.
  template <class F>
  auto AtRecord(Integer DataRow, F&& Fn);

  std::unique_ptr<TGridDataLink> FDataLink;
  std::unique_ptr<TDBGridColumns> FColumns;
  std::unique_ptr<TFont> FTitleFont;
  std::unique_ptr<TCustomImageList> FIndicators;
  std::unique_ptr<TBookmarkList> FBookmarks;
  TCustomImageList* FImages = nullptr;
  TPopupMenu* FPopupTitle = nullptr;
  TDBClipPopup* FClipPopup = nullptr;
  TI_MessageWindow* FSearchBalloon = nullptr;  // owned as a component
  String FSearchText;
  bool FClipShown = false;
  TDBGridOptions FOptions;
  Integer FIndicatorOffset = 1, FTitleOffset = 1, FFrozenCols = 0, FLayoutLock = 0;
  Integer FUserResizedCol = -1, FPressedTitle = -1, FLastLeftCol = -1;
  bool FReadOnly = false, FUseCustomizeDialog = false, FFirstCharUpperAdress = false, FAutoSearch = false;
  bool FLayoutPending = false, FInLayout = false;
  String FAdjustGrid, FGlobalFontName;
  TGridCoord FHintCell{-1, -1};
};

// Publishes the usual control properties and the grid's; adds nothing else.
class TI_DBGrid : public TI_CustomDBGrid {
  RTL_DECLARE_CLASS(TI_DBGrid)
 public:
  using TI_CustomDBGrid::TI_CustomDBGrid;
};
