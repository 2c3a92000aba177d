// The visual-styles services of the desktop behind one injectable
// provider: whether styles are there, and drawing a styled element.
//
// This desktop has no visual styles, so the provider in force by default
// (NewClassicThemeProvider) reports the library as missing and every
// themed painting takes the classic path. Tests install a provider that
// reports styles on (TSolidThemeProvider) to reach the themed branch.
//
// Thread safety: install and use the provider on the GUI thread.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/gui/graphics_canvas.h"
#include "platform/gui/winapi.h"

using HTHEME = std::intptr_t;

// Bits of GetThemeAppProperties.
enum : DWORD { STAP_ALLOW_NONCLIENT = 1, STAP_ALLOW_CONTROLS = 2, STAP_ALLOW_WEBCONTENT = 4 };

class TThemeProvider {
 public:
  virtual ~TThemeProvider() = default;
  // Loads the visual-styles library and resolves its functions; false
  // when it is not there (nothing else may then be called but
  // CommonControlsMajorVersion).
  virtual bool LoadLibrary() = 0;
  // Releases what LoadLibrary took (nothing when it failed).
  virtual void FreeLibrary() = 0;
  // The major version of the common-controls library (styles need 6).
  virtual int CommonControlsMajorVersion() = 0;
  // The STAP_* bits of the application.
  virtual DWORD GetThemeAppProperties() = 0;
  // A theme handle of the element class list ClassList for Wnd (may be
  // null); 0 when the class has no theme.
  virtual HTHEME OpenThemeData(HWND Wnd, const String& ClassList) = 0;
  virtual void CloseThemeData(HTHEME Theme) = 0;
  // Draws part PartId in state StateId of Theme into R of DC (clipped to
  // Clip when given, and to DC's clip).
  virtual void DrawThemeBackground(HTHEME Theme, TCanvas& DC, int PartId, int StateId, const TRect& R,
                                   const TRect* Clip) = 0;
};

// The provider in force (the classic one until another is installed).
TThemeProvider& ThemeProvider();
// Installs Provider (null: the classic one) and returns the one before.
std::unique_ptr<TThemeProvider> SetThemeProvider(std::unique_ptr<TThemeProvider> Provider);
// A provider without visual styles: LoadLibrary fails, version 5.
std::unique_ptr<TThemeProvider> NewClassicThemeProvider();

// A provider with styles on (for tests and diagnostics): the library
// loads, version 6, STAP_ALLOW_CONTROLS set (unless AppProperties says
// otherwise); every class opens a handle (1, 2, ... in opening order) and
// every element is drawn as a solid rectangle of Color. It records what
// it was asked.
class TSolidThemeProvider : public TThemeProvider {
 public:
  explicit TSolidThemeProvider(TColor Color, DWORD AppProperties = STAP_ALLOW_NONCLIENT | STAP_ALLOW_CONTROLS)
      : FColor(Color), FAppProperties(AppProperties) {}
  bool LoadLibrary() override { return true; }
  void FreeLibrary() override { ++LibraryFreed; }
  int CommonControlsMajorVersion() override { return 6; }
  DWORD GetThemeAppProperties() override { return FAppProperties; }
  HTHEME OpenThemeData(HWND Wnd, const String& ClassList) override;
  void CloseThemeData(HTHEME Theme) override;
  void DrawThemeBackground(HTHEME Theme, TCanvas& DC, int PartId, int StateId, const TRect& R,
                           const TRect* Clip) override;

  std::vector<String> Opened;      // class lists, in opening order
  std::vector<HTHEME> Closed;      // handles, in closing order
  struct TDrawn {
    HTHEME Theme;
    int PartId, StateId;
    TRect Rect;
  };
  std::vector<TDrawn> Drawn;       // every DrawThemeBackground
  int LibraryFreed = 0;

 private:
  TColor FColor;
  DWORD FAppProperties;
};
