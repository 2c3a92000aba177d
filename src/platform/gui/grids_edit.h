// TInplaceEdit: the edit box that a grid lays over its current cell while
// the cell is edited. The grid makes it (CreateEditor), fills it from
// GetEditText, moves it onto the cell, and writes every change back
// through SetEditText; the editor hands the navigation keys (Up, Down,
// Page Up/Down, Tab with goTabs, Enter) to its grid, reverts the text and
// closes on Escape, and lets only keys through that the grid accepts
// (CanEditAcceptKey) while the grid allows changes (CanEditModify).
//
// Thread safety: none; GUI thread only.
#pragma once

#include "platform/gui/grids.h"
#include "platform/gui/stdctrls_edit.h"

class TInplaceEdit : public TCustomEdit {
  RTL_DECLARE_CLASS(TInplaceEdit)
 public:
  // AOwner is the grid (or null for the registry); the grid sets Grid.
  explicit TInplaceEdit(TComponent* AOwner);

  TCustomGrid* Grid() const { return FGrid; }
  void SetGrid(TCustomGrid* V) { FGrid = V; }
  // Fills the editor from the grid's current cell: text, length limit.
  virtual void UpdateContents();
  // Places the editor over Loc (client coordinates of the grid), shows
  // it and gives it the focus when the grid has it.
  void Move(const TRect& Loc);
  // Hides the editor; the grid takes the focus back when the editor had it.
  void HideEditor();
  // Places the editor at Loc without showing it.
  void UpdateLoc(const TRect& Loc);

 protected:
  // After the editor was placed: the text gets its formatting rectangle
  // (2 pixels in at the left, top and right). Descendants that draw a
  // button inside the editor narrow it here.
  virtual void BoundsChanged();

  void KeyDown(Word& Key, TShiftState Shift) override;
  void KeyPress(char32_t& Key) override;
  void Change() override;
  void DoExit() override;
  // Wants the arrows, and Tab while the grid tabs between cells.
  void WndProc(TMessage& Message) override;

  friend class TCustomGrid;

 private:
  void InitEditor();

  TCustomGrid* FGrid = nullptr;
  String FOriginal;        // the text when editing started, for Escape
  bool FUpdating = false;  // UpdateContents is filling the text
};
