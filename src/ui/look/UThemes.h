// UThemes: the visual-styles services for the one use the program has:
// painting the themed client edge of rich edits and scroll boxes after the
// class library has painted their classic border. The styles come from
// the desktop's theme provider (platform/gui/themes.h); without styles
// (the default on this desktop) nothing themed is drawn.
//
// Thread safety: GUI thread only.
#pragma once

#include <array>

#include "platform/gui/controls.h"
#include "platform/gui/themes.h"

// The element classes, one theme handle slot each, in slot order.
enum TThemedElement {
  teButton, teClock, teComboBox, teEdit, teExplorerBar, teHeader, teListView, teMenu, tePage, teProgress,
  teRebar, teScrollBar, teSpin, teStartPanel, teStatus, teTab, teTaskBand, teTaskBar, teToolBar, teToolTip,
  teTrackBar, teTrayNotify, teTreeview, teWindow
};
constexpr int ThemedElementCount = 24;
// The class name of an element class ("button" ... "window").
const char* ThemedElementName(TThemedElement Element);

// An element to draw: its class, part and state.
struct TThemedElementDetails {
  TThemedElement Element;
  int Part;
  int State;
};
// The edit element of detail number Detail: 2..8 the edit text in state
// Detail - 1, 9 the caret, anything else part 0.
TThemedElementDetails EditDetails(int Detail);
// The edit text "normal" detail that the border uses.
constexpr int EditTextNormal = 2;

class TThemeServices : public TObject {
  RTL_DECLARE_CLASS(TThemeServices)
 public:
  // Loads the styles library of the provider in force, then UpdateThemes.
  TThemeServices();
  // Closes every theme handle and releases the library.
  ~TThemeServices() override;

  // Closes the open handles (when themes were available) and asks again
  // whether styles are there.
  void UpdateThemes();
  // The handle of Element, opened on first use; 0 without styles.
  HTHEME Theme(TThemedElement Element);
  // Draws Details over R of DC, without a clip rectangle.
  void DrawElement(TCanvas& DC, const TThemedElementDetails& Details, const TRect& R);
  // Paints the 2-pixel themed client edge of Control over its border
  // (nothing without WS_EX_CLIENTEDGE); with EraseLRCorner the square
  // where both scroll bars meet is filled with clBtnFace first.
  void PaintBorder(TWinControl* Control, bool EraseLRCorner);

  bool LibraryLoaded() const { return FLibraryLoaded; }
  // The library is there and the common controls are version 6 or later.
  bool ThemesAvailable() const { return FThemesAvailable; }
  // ThemesAvailable and the application allows styled controls.
  bool UseThemes() const { return FUseThemes; }

 private:
  void CloseHandles();
  bool FLibraryLoaded = false;
  bool FThemesAvailable = false;
  bool FUseThemes = false;
  std::array<HTHEME, ThemedElementCount> FHandles{};
};

// The shared instance, made on first call.
TThemeServices* ThemeServices();
// Frees the shared instance (the unit's finalisation; tests that change
// the provider call it before and after).
void FreeThemeServices();
