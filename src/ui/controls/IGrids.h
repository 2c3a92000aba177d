// IGrids: TI_CustomGrid, the program's grid base over the class library's
// TCustomGrid. It adds
//  - automatic fitting of the column widths to the client width (at least
//    15 pixels a column) while the auto-fit switch is on (AutoFitColumns);
//  - dragging a column by its title: the grid takes over the class
//    library's column move, builds a drag image of the title and marks the
//    drop position with the edit tools' arrow windows;
//  - dragging a cell's data to other controls (DataDraggingEnabled) with
//    the events OnDragOverData, OnDragDropData and OnDragOverCancel;
//  - DrawTitleText, the multi-line title caption (lines split at "#/",
//    line feed and carriage return).
// Everything else (cells, scrolling, sizing, the in-place editor) is the
// class library's grid.
//
// Column indexes are grid columns (fixed ones included) unless a name says
// "data column" (DataColumnIndex maps the one to the other).
//
// Thread safety: GUI thread only.
#pragma once

#include <memory>
#include <vector>

#include "platform/gui/comctrls_imagelist.h"
#include "platform/gui/grids.h"
#include "ui/controls/IEditTools.h"

// Asked while data is dragged: Accept whether AControl takes Data at the
// desktop point ScreenPoints (AControl may be changed to the real target).
// (The class library's TDragOverEvent of OnDragOver is another type.)
RTL_DECLARE_EVENT(TDataDragOverEvent, void(bool& Accept, TControl*& AControl, String& Data, TPoint ScreenPoints));
// The control AControl no longer receives the dragged data.
RTL_DECLARE_EVENT(TDragOverCancelEvent, void(TControl*& AControl));
// The three code-only events of DoGridEvent1..3.
RTL_DECLARE_EVENT(TGridEvent, void(TObject* Grid, Integer A, Integer B, Integer C));

// Draws (Draw) or measures a multi-line caption in Rect: lines split at the
// nearest "#/", line feed or carriage return (CR LF and LF CR count as one
// break); each line centred (taCenter) or right-aligned, never left of
// Rect's left edge, stacked from Rect's top; EndEllipsis cuts a line too
// wide with "...". Size gives the widest line and the summed line heights.
void DrawTitleText(TCanvas* Canvas, const TRect& Rect, const String& Text, TSize& Size, bool EndEllipsis, bool Draw,
                   TAlignment Alignment);
// The caption's lines as DrawTitleText splits them.
std::vector<String> SplitTitleLines(const String& Text);

// The picture that follows the mouse while a title or data is dragged: a
// top-most window that takes no activation and lets the mouse through.
class TDragImageWindow : public TCustomControl {
  RTL_DECLARE_CLASS(TDragImageWindow)
  RTL_MESSAGE_HANDLERS(TDragImageWindow)
 public:
  explicit TDragImageWindow(TComponent* AOwner);
  // Shows image Index of List with its point HotSpot under the desktop
  // point Screen.
  void ShowImage(TCustomImageList* List, Integer Index, TPoint HotSpot, TPoint Screen);
  void MoveTo(TPoint Screen);
  void HideImage();
  TPoint HotSpot() const { return FHotSpot; }
  bool IsWindowRoot() const override { return true; }

 protected:
  void CreateParams(TCreateParams& Params) override;
  void Paint() override;
  void WMNCHitTest(TMessage& M);

 private:
  TBitmap FImage;
  TPoint FHotSpot{};
};

class TI_CustomGrid : public TCustomGrid {
  RTL_DECLARE_CLASS(TI_CustomGrid)
 public:
  explicit TI_CustomGrid(TComponent* AOwner);
  ~TI_CustomGrid() override;

  // The smallest column width automatic fitting leaves.
  static constexpr Integer MinAutoFitWidth = 15;
  // How far the mouse moves with the button down before data is dragged.
  static constexpr Integer DataDragThreshold = 4;

  bool DataDraggingEnabled() const { return FDataDraggingEnabled; }
  void SetDataDraggingEnabled(bool V) { FDataDraggingEnabled = V; }
  TDataDragOverEvent OnDragOverData;
  TDataDragOverEvent OnDragDropData;
  TDragOverCancelEvent OnDragOverCancel;
  // Code-only handlers of DoGridEvent1..3.
  TGridEvent OnGridEvent1, OnGridEvent2, OnGridEvent3;

  // 0 none, 2 a column title is dragged, 3 data is dragged.
  Byte DragMode2() const { return FDragMode; }
  // The column being dragged and where it would drop (-1 when none).
  Integer DragColumn() const { return FDragCol; }
  Integer DropColumn() const { return FDropCol; }
  // The image list of the drags (null until the first drag); owned.
  TCustomImageList* DragImages() const { return FDragImages.get(); }
  // The window that shows the drag image (null until the first drag).
  TDragImageWindow* DragImageWindow() const { return FDragWindow; }
  // The auto-fit switch (the data grid sets it from dgAutoSize).
  bool AutoFit() const { return FAutoFit; }
  void SetAutoFit(bool V) { FAutoFit = V; }

  // ---- New operations (descendants override) ----------------------------------------------
  virtual bool ColumnMayMove(Integer ACol);
  // Draws (Draw) or measures the title of data column DataCol at title row
  // TitleRow into Rect; with CopyToCanvas the title lands on Canvas at Rect.
  // Size: what the title's content needs. Nothing here.
  virtual void DrawTitleCell(TCanvas* Canvas, Integer DataCol, Integer TitleRow, const TRect& Rect, bool Pressed,
                             bool Draw, bool CopyToCanvas, TSize& Size);
  // Frame style of fixed cells: 0 raised, 1 flat with lines, 2 none, 3 flat.
  virtual Integer GetFixedCellStyle();
  // Grid column -> data column.
  virtual Integer DataColumnIndex(Integer ACol) = 0;
  virtual Integer GroupBandHeight();
  virtual bool FlatButtons();
  // A left release on the title cell that was pressed.
  virtual void TitleClicked(TShiftState Shift, Integer ACol);
  virtual void EmptyHook();
  // Fits the column widths into the client width (see the .cpp); ResizedCol
  // the column the user sized (-1 none), After: only the columns right of
  // it give way.
  virtual void AutoFitColumns(Integer ResizedCol, bool After);
  virtual void DoGridEvent1(Integer A, Integer B, Integer C);
  virtual void DoGridEvent2(Integer A, Integer B, Integer C);
  virtual void DoGridEvent3(Integer A, Integer B, Integer C);
  virtual Integer GetColumnWidth(Integer ACol);
  // The image list for dragging the data of cell (ACol, ARow); none here.
  virtual void GetDataDragImage(Integer ACol, Integer ARow, TCustomImageList*& Images);
  virtual void SetColumnWidth(Integer ACol, Integer Width);
  virtual bool ColumnIsSizable(Integer ACol);
  virtual bool GroupingAllowed();

  // The drag image of column ACol's title (as wide as the column, as high
  // as row 0, framed in the fixed-cell style); null for a bad index.
  std::unique_ptr<TBitmap> TitleDragImage(Integer ACol);

 protected:
  bool BeginColumnDrag(Integer& Origin, Integer& Destination, const TPoint& MousePt) override;
  void MouseDown(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) override;
  void MouseMove(TShiftState Shift, Integer X, Integer Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) override;
  void KeyDown(Word& Key, TShiftState Shift) override;
  void KeyPress(char32_t& Key) override;
  void Resize() override;
  void WndProc(TMessage& Message) override;
  // With auto-fit, the grid is never narrower than its columns that are
  // not sized, less one pixel for each column that is.
  void ConstrainedResize(Integer& MinWidth, Integer& MinHeight, Integer& MaxWidth, Integer& MaxHeight) override;

  // Ends a running title or data drag without a move or drop.
  void CancelDrags();
  // The drag image list at W x H (made on first use).
  TCustomImageList* DragImageList(Integer W, Integer H);
  // Column widths after fitting, through SetColumnWidth, then ColWidthsChanged.
  void ApplyFittedWidths(const std::vector<Integer>& Widths);
  bool FittingLocked() const { return FAutoFitLock > 0; }

  TPoint FPressPoint2{-1, -1};   // last left press
  TPoint FMouseUpPoint{-1, -1};  // last release
  bool FLeftDown = false;        // the left button went down on the grid

 private:
  void TitleDragMove(Integer X, Integer Y);
  void TitleDragEnd(bool Drop);
  void DataDragMove(Integer X, Integer Y);
  void DataDragEnd(bool Drop, Integer X, Integer Y);
  void StartDataDrag(Integer X, Integer Y);
  void CancelTarget(TControl* Target);
  // Shows the last image of the drag list with HotSpot under the mouse.
  void ShowDragImage(TPoint HotSpot);
  void MoveDragImage();
  void HideDragImage();

  Byte FDragMode = 0, FDragSource = 0;
  Integer FDragCol = -1, FDropCol = -1;
  bool FDataDraggingEnabled = false;
  bool FAccept = false;
  TControl* FTarget = nullptr;
  String FDragData;
  std::unique_ptr<TCustomImageList> FDragImages;
  TDragImageWindow* FDragWindow = nullptr;  // owned as a component
  TArrowWindows FArrows{};
  bool FAutoFit = false;
  Integer FAutoFitLock = 0;
};
