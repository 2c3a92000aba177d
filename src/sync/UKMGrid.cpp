// TKMGrid: the installation list of page "0".
#include "sync/UKMGrid.h"

#include <algorithm>

#include "foundation/USettings.h"
#include "platform/db/dataset.h"
#include "platform/rtl/sysutils.h"

RTL_IMPLEMENT_CLASS(TKMGridDataLink, TDataLink, nullptr)
RTL_IMPLEMENT_CLASS(TKMGrid, TCustomControl, &ComponentFactory<TKMGrid>)

RTL_PUBLISHED(TKMGrid) { P.Prop("DataSource", &TKMGrid::DataSource, &TKMGrid::SetDataSource); }

RTL_MESSAGE_MAP(TKMGrid) { M.On(WM_GETDLGCODE, &TKMGrid::WMGetDlgCode); }

const TKMGridColumn TKMGrid::Columns[TKMGrid::ColumnCount] = {
    {"ID", "", 20},
    {"Name", "Beschreibung", 202},
    {"RIGHTS", "Rechte:", 160},
    {"Path", "Pfad/Zielcomputer", 314},
};

namespace {
// Title colours: white on $FF8080; the ID column white on red.
constexpr TColor TitleColor = static_cast<TColor>(0xFF8080);

// The index of a stored number into a table of Count entries: the value
// masked to 0..127; anything outside the table counts as 0.
Integer TableIndex(TField* Field, Integer Count) {
  Integer V = StrToIntDef(Trim(Field->AsString()), 0) & 127;
  return V < Count ? V : 0;
}

// Where Text starts in cell R of Col: the ID centred; the path right-aligned
// (its end, the folder, matters most) unless it is too long; else left.
Integer TextLeft(TCanvas* C, const TKMGridColumn& Col, const TRect& R, const String& Text) {
  Integer Free = R.Width() - 4 - C->TextWidth(Text);
  if (Free <= 0) return R.Left + 2;
  if (SameText(Col.FieldName, "ID")) return R.Left + 2 + Free / 2;
  if (SameText(Col.FieldName, "Path")) return R.Left + 2 + Free;
  return R.Left + 2;
}
}  // namespace

// ---- Data link ---------------------------------------------------------------------

void TKMGridDataLink::ActiveChanged() { FGrid->Invalidate(); }
void TKMGridDataLink::DataSetChanged() { FGrid->Invalidate(); }
void TKMGridDataLink::RecordChanged(TField*) { FGrid->Invalidate(); }

// ---- Grid --------------------------------------------------------------------------

TKMGrid::TKMGrid(TComponent* AOwner)
    : TCustomControl(AOwner), FDataLink(std::make_unique<TKMGridDataLink>(this)) {
  FDataLink->SetVisualControl(true);
  SetTabStop(true);
  SetColor(clWindow);
  SetShowHint(true);
  SetBounds(Left(), Top(), 700, RowHeight * (VisibleRows + 1) + 4);
}

TKMGrid::~TKMGrid() { FDataLink->SetDataSource(nullptr); }

TDataSource* TKMGrid::DataSource() const { return FDataLink->DataSource(); }

void TKMGrid::SetDataSource(TDataSource* Value) {
  if (Value == DataSource()) return;
  FDataLink->SetDataSource(Value);
  FDataLink->SetBufferCount(VisibleRows);
  if (Value) Value->FreeNotification(this);
  Invalidate();
}

void TKMGrid::Notification(TComponent* AComponent, TOperation Operation) {
  TCustomControl::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == DataSource()) FDataLink->SetDataSource(nullptr);
}

String TKMGrid::FormatCell(const String& FieldName, TField* Field) {
  if (!Field) return String();
  if (SameText(FieldName, "ID")) return String(1, MobileIDChars[TableIndex(Field, 8)]);
  if (SameText(FieldName, "RIGHTS")) return MobileLevelTexts[TableIndex(Field, 5)];
  return TrimRight(Field->AsString());
}

Integer TKMGrid::RowCount() const { return FDataLink->Active() ? FDataLink->RecordCount() : 0; }

Integer TKMGrid::SelectedRow() const { return RowCount() > 0 ? FDataLink->ActiveRecord() : -1; }

String TKMGrid::ReadCell(Integer Column, Integer Row,
                         String (*Read)(const String&, TField*)) const {
  if (Column < 0 || Column >= ColumnCount || Row < 0 || Row >= RowCount()) return String();
  TDataSet* DS = FDataLink->DataSet();
  Integer Saved = FDataLink->ActiveRecord();
  FDataLink->SetActiveRecord(Row);
  String Text = Read(Columns[Column].FieldName, DS->FindField(Columns[Column].FieldName));
  FDataLink->SetActiveRecord(Saved);
  return Text;
}

String TKMGrid::CellText(Integer Column, Integer Row) const { return ReadCell(Column, Row, &FormatCell); }

String TKMGrid::CellHint(Integer Column, Integer Row) const {
  return ReadCell(Column, Row, [](const String& FieldName, TField* Field) {
    if (Field && SameText(FieldName, "RIGHTS")) return String(MobileDataModeTexts[TableIndex(Field, 5)]);
    return FormatCell(FieldName, Field);
  });
}

Integer TKMGrid::ColumnAt(Integer X) const {
  for (Integer Col = 0, Left = 0; Col < ColumnCount; Left += Columns[Col].Width, ++Col)
    if (X >= Left && X < Left + Columns[Col].Width) return Col;
  return -1;
}

Integer TKMGrid::RowAt(Integer Y) const {
  if (Y < RowHeight) return -1;
  Integer Row = (Y - RowHeight) / RowHeight;
  return Row < RowCount() ? Row : -1;
}

void TKMGrid::SelectRow(Integer Row) {
  if (Row < 0 || Row >= RowCount()) return;
  FDataLink->MoveBy(Row - FDataLink->ActiveRecord());
}

void TKMGrid::MouseDown(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) {
  if (CanFocus()) SetFocus();
  if (Button == mbLeft) SelectRow(RowAt(Y));
  TCustomControl::MouseDown(Button, Shift, X, Y);
}

void TKMGrid::MouseMove(TShiftState Shift, Integer X, Integer Y) {
  SetHint(CellHint(ColumnAt(X), RowAt(Y)));
  TCustomControl::MouseMove(Shift, X, Y);
}

void TKMGrid::KeyDown(Word& Key, TShiftState Shift) {
  TCustomControl::KeyDown(Key, Shift);
  // The list has fixed slots: no row is added or removed from the keyboard.
  if (Key == VK_INSERT || Key == VK_DELETE) Key = 0;
  if (!FDataLink->Active()) return;
  if (Key == VK_UP) {
    FDataLink->MoveBy(-1);
    Key = 0;
  } else if (Key == VK_DOWN) {
    if (!FDataLink->DataSet()->Eof()) FDataLink->MoveBy(1);
    Key = 0;
  }
}

void TKMGrid::WMGetDlgCode(TMessage& M) { M.Result = DLGC_WANTARROWS; }

// ---- Painting ----------------------------------------------------------------------

void TKMGrid::Paint() {
  TCanvas* C = Canvas();
  C->Font()->Assign(Font());
  C->Brush()->SetColor(Color());
  C->FillRect(ClientRect());
  PaintTitles(C);
  Integer Selected = SelectedRow();
  for (Integer Row = 0; Row < RowCount(); ++Row) PaintRow(C, Row, Row == Selected);
  if (Selected >= 0) FDataLink->SetActiveRecord(Selected);
}

void TKMGrid::PaintTitles(TCanvas* C) {
  Integer X = 0;
  for (const TKMGridColumn& Col : Columns) {
    TRect R{X, 0, X + Col.Width, RowHeight};
    C->Brush()->SetColor(Col.Title[0] ? TitleColor : clRed);
    C->Font()->SetColor(clWhite);
    C->Font()->SetStyle(TFontStyles());
    C->TextRect(R, TextLeft(C, Col, R, Col.Title), 2, Col.Title);
    X += Col.Width;
  }
}

void TKMGrid::PaintRow(TCanvas* C, Integer Row, bool Selected) {
  FDataLink->SetActiveRecord(Row);
  TDataSet* DS = FDataLink->DataSet();
  Integer X = 0, Y = RowHeight * (Row + 1);
  for (const TKMGridColumn& Col : Columns) {
    TRect R{X, Y, X + Col.Width, Y + RowHeight};
    String Text = FormatCell(Col.FieldName, DS->FindField(Col.FieldName));
    bool IsID = SameText(Col.FieldName, "ID");
    // The slot's character stands out white and bold on red in every row.
    C->Brush()->SetColor(IsID ? clRed : Selected ? clHighlight : clWindow);
    C->Font()->SetColor(IsID ? clWhite : Selected ? clHighlightText : clWindowText);
    C->Font()->SetStyle(IsID ? TFontStyles{fsBold} : TFontStyles());
    C->TextRect(R, TextLeft(C, Col, R, Text), Y + 2, Text);
    X += Col.Width;
  }
}
