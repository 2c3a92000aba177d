// UCustomGridFinderClass: TFCustomGridFinder, the base form of the grid's
// search box ("Suchen, Selektieren:").
//
// The grid's search places the form (FinderLeft, FinderTop), hands it a
// text (FinderText, loaded into Lines when shown), shows it modally and
// then takes the key that closed it (TakeLastKey): what the descendant set
// on OK, Escape (27) for any other close. While a finder is open, a
// non-client click (caption, frame) into another window closes it and is
// swallowed; clicks on size boxes and scroll bars pass. The form has no
// layout of its own; a descendant form supplies the controls.
//
// The class is registered with the class registry so that a description
// (and the grid, by name) can refer to it.
//
// Thread safety: GUI thread only; the open finder and its mouse hook are
// process-wide (one finder at a time).
#pragma once

#include <memory>

#include "platform/gui/forms.h"

class TFCustomGridFinder : public TForm {
  RTL_DECLARE_CLASS(TFCustomGridFinder)
 public:
  // A finder made from the description of its (descendant) class.
  explicit TFCustomGridFinder(TComponent* AOwner);
  // A finder without description (the class library's CreateNew).
  TFCustomGridFinder(TComponent* AOwner, int Dummy);
  ~TFCustomGridFinder() override;

  static const char* const FinderCaption;

  TRect WorkArea{};
  // The text shown by the search box (owned).
  std::unique_ptr<TStringList> Lines;
  Byte LastKey = 0;
  Integer FinderLeft = 0, FinderTop = 0;
  String FinderText;
  // Given by the grid that opens the finder: the key lines, the searched
  // field's name and the typed character (empty for a blank). Set by the
  // finder before it closes: the found key value and its caption.
  String KeyText, FieldName, TypedChar;
  String FoundValue, FoundCaption;

  // Returns LastKey and resets it to 0.
  Byte TakeLastKey();
  // Makes the finder the foreground window (input attached to the current
  // foreground window's thread meanwhile).
  void BringToFront2();

  // Published handlers.
  void FormCreate(TObject* Sender);
  void FormShow(TObject* Sender);
  void FormKeyDown(TObject* Sender, Word& Key, TShiftState Shift);
  void FormCloseQuery(TObject* Sender, bool& CanClose);
  void FormDestroy(TObject* Sender);

 private:
  void BindHandlers();
  void RemoveHook();
  std::intptr_t FHook = 0;
};

// The window of the finder currently open (null when none).
HWND OpenGridFinder();
