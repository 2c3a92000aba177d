// System metrics beyond the classic desktop's sizes, overrides of any
// metric (GetSystemMetrics, winapi.h, answers an overridden index with the
// value set here), and the desktop settings of SystemParametersInfo. The program reads SM_REMOTESESSION (non-zero when it
// runs over a remote desktop connection; 0 here unless overridden), and
// tests set it and other metrics to see how code reacts.
//
// Thread safety: every function may be called from any thread (one lock).
#pragma once

#include "platform/gui/winapi.h"

enum : int { SM_REMOTESESSION = 0x1000 };
enum : UINT { SPI_GETWHEELSCROLLLINES = 0x0068, SPI_SETWHEELSCROLLLINES = 0x0069 };

// Reads or changes a desktop setting, for this process:
//  - SPI_GETWHEELSCROLLLINES: *(UINT*)PvParam := the rows one notch of the
//    mouse wheel scrolls (3 unless set; 0 means "a page");
//  - SPI_SETWHEELSCROLLLINES: that number := Param.
// False (nothing done) for any other action, and for a get without PvParam.
bool SystemParametersInfo(UINT Action, UINT Param, void* PvParam, UINT WinIni);

// GetSystemMetrics(Index) answers Value from now on.
void SetSystemMetricOverride(int Index, int Value);
// Index is answered by the desktop again.
void ClearSystemMetricOverride(int Index);
// True with Value when Index is overridden.
bool FindSystemMetricOverride(int Index, int& Value);

// Overrides one metric for the life of the object and puts back what was
// in force before (an earlier override or none).
class TSystemMetricOverride {
 public:
  TSystemMetricOverride(int Index, int Value);
  ~TSystemMetricOverride();
  TSystemMetricOverride(const TSystemMetricOverride&) = delete;
  TSystemMetricOverride& operator=(const TSystemMetricOverride&) = delete;

 private:
  int FIndex;
  bool FHadOld = false;
  int FOld = 0;
};
