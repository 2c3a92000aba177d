// The visual-styles provider in force (themes.h).
#include "platform/gui/themes.h"

#include <utility>

namespace {

class TClassicThemeProvider : public TThemeProvider {
 public:
  bool LoadLibrary() override { return false; }
  void FreeLibrary() override {}
  int CommonControlsMajorVersion() override { return 5; }
  DWORD GetThemeAppProperties() override { return 0; }
  HTHEME OpenThemeData(HWND, const String&) override { return 0; }
  void CloseThemeData(HTHEME) override {}
  void DrawThemeBackground(HTHEME, TCanvas&, int, int, const TRect&, const TRect*) override {}
};

std::unique_ptr<TThemeProvider>& Current() {
  static auto* P = new std::unique_ptr<TThemeProvider>(NewClassicThemeProvider());
  return *P;
}

}  // namespace

std::unique_ptr<TThemeProvider> NewClassicThemeProvider() { return std::make_unique<TClassicThemeProvider>(); }

TThemeProvider& ThemeProvider() { return *Current(); }

std::unique_ptr<TThemeProvider> SetThemeProvider(std::unique_ptr<TThemeProvider> Provider) {
  if (!Provider) Provider = NewClassicThemeProvider();
  return std::exchange(Current(), std::move(Provider));
}

HTHEME TSolidThemeProvider::OpenThemeData(HWND, const String& ClassList) {
  Opened.push_back(ClassList);
  return HTHEME(Opened.size());
}

void TSolidThemeProvider::CloseThemeData(HTHEME Theme) { Closed.push_back(Theme); }

void TSolidThemeProvider::DrawThemeBackground(HTHEME Theme, TCanvas& DC, int PartId, int StateId,
                                              const TRect& R, const TRect* Clip) {
  Drawn.push_back({Theme, PartId, StateId, R});
  TRect Area = R;
  if (Clip && !IntersectRect(Area, R, *Clip)) return;
  DC.Brush()->SetStyle(bsSolid);
  DC.Brush()->SetColor(FColor);
  DC.FillRect(Area);
}
