// Test helpers of the grid tests: a grid that keeps a text per cell and
// paints column 7 red, and a fixture with verbs to press, drag
// and release the mouse on it, press keys and read pixels.
#pragma once

#include <map>
#include <utility>
#include <vector>

#include "controls_fixture.h"
#include "platform/gui/grids_draw.h"
#include "platform/gui/grids_edit.h"
#include "platform/gui/wm_headless.h"

// A grid whose cells hold texts; column 7 paints itself red so that it can
// be found by its pixels after scrolling and moving.
class TTextGrid : public TCustomGrid {
 public:
  explicit TTextGrid(TComponent* AOwner) : TCustomGrid(AOwner) {}
  std::map<std::pair<Integer, Integer>, String> Texts;
  std::vector<std::pair<Integer, Integer>> Moves;  // ColumnMoved calls
  Integer RedColumn = 7;
  Integer TopLeftChanges = 0;
  bool RefuseSelect = false;
  bool RefuseColumnDrag = false;

  using TCustomGrid::BoxRect;
  using TCustomGrid::MoveColumn;
  String Cell(Integer C, Integer R) { return Texts[{C, R}]; }

 protected:
  void DrawCell(Integer ACol, Integer ARow, const TRect& ARect, TGridDrawState AState) override {
    if (ACol == RedColumn && !AState.Contains(gdFixed) && !AState.Contains(gdSelected)) {
      Canvas()->Brush()->SetColor(clRed);
      Canvas()->FillRect(ARect);
    }
    auto It = Texts.find({ACol, ARow});
    if (It != Texts.end()) Canvas()->TextRect(ARect, ARect.Left + 2, ARect.Top + 2, It->second);
  }
  bool SelectCell(Integer, Integer) override { return !RefuseSelect; }
  void TopLeftChanged() override { ++TopLeftChanges; }
  void ColumnMoved(Integer From, Integer To) override {
    Moves.push_back({From, To});
    // Column 7's colour travels with the column.
    Integer C = RedColumn;
    if (C == From) C = To;
    else if (From < To && C > From && C <= To) --C;
    else if (To < From && C >= To && C < From) ++C;
    RedColumn = C;
  }
  bool BeginColumnDrag(Integer& O, Integer& D, const TPoint& P) override {
    return !RefuseColumnDrag && TCustomGrid::BeginColumnDrag(O, D, P);
  }
  String GetEditText(Integer C, Integer R) override { return Texts[{C, R}]; }
  void SetEditText(Integer C, Integer R, const String& V) override { Texts[{C, R}] = V; }
};

// Grid geometry of the fixture: a 50 x 50 grid G without border, cells
// 40 x 20 with 1-pixel lines, its client origin at desktop (GridX, GridY).
template <class G>
class GridFixtureOf : public ControlsFixture {
 protected:
  static constexpr int RootX = 100, RootY = 100, GridLeft = 10, GridTop = 10;
  static constexpr int GridX = RootX + GridLeft, GridY = RootY + GridTop;
  static constexpr int GridW = 300, GridH = 200, Bar = 17;

  void SetUp() override {
    ControlsFixture::SetUp();
    Root = MakeRoot(RootX, RootY, 340, 240);
    Grid = this->template Add<G>(Root, "Grid", GridLeft, GridTop, GridW, GridH);
    Grid->SetBorderStyle(bsNone);
    Grid->SetDefaultColWidth(40);
    Grid->SetDefaultRowHeight(20);
    Grid->SetColCount(50);
    Grid->SetRowCount(50);
    Pump();
    Grid->SetFocus();
    Pump();
  }

  // Mouse verbs in grid client coordinates.
  void Press(int X, int Y) { Queue([=] { TDesktopInput::MouseButton(0, true, {GridX + X, GridY + Y}); }); }
  void MoveTo(int X, int Y) { Queue([=] { TDesktopInput::MouseMove({GridX + X, GridY + Y}); }); }
  void Release(int X, int Y) { Queue([=] { TDesktopInput::MouseButton(0, false, {GridX + X, GridY + Y}); }); }
  void Drag(int X0, int Y0, int X1, int Y1) {
    MoveTo(X0, Y0);
    Press(X0, Y0);
    MoveTo((X0 + X1) / 2, (Y0 + Y1) / 2);
    MoveTo(X1, Y1);
    Release(X1, Y1);
  }
  void ClickCell(int X, int Y) { ClickAt(GridX + X, GridY + Y); }
  // The pixel at grid client (X, Y).
  TColorRef GridPixel(int X, int Y) { return PixelAt(Root, GridLeft + X, GridTop + Y); }
  // The centre of a cell in grid client coordinates.
  TPoint CentreOf(Integer C, Integer R) {
    TRect Cell = Grid->CellRect(C, R);
    return Point((Cell.Left + Cell.Right) / 2, (Cell.Top + Cell.Bottom) / 2);
  }

  void Queue(std::function<void()> Event) {
    Headless().Queue(std::move(Event));
    Pump();
  }

  TTestRoot* Root = nullptr;
  G* Grid = nullptr;
};

using GridFixture = GridFixtureOf<TTextGrid>;
