// System metrics beyond the classic desktop's sizes, and overrides of any
// metric: GetSystemMetrics (winapi.h) answers an overridden index with the
// value set here. The program reads SM_REMOTESESSION (non-zero when it
// runs over a remote desktop connection; 0 here unless overridden), and
// tests set it and other metrics to see how code reacts.
//
// Thread safety: every function may be called from any thread (one lock).
#pragma once

#include "platform/gui/winapi.h"

enum : int { SM_REMOTESESSION = 0x1000 };

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
