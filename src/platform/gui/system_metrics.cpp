// Overrides of system metrics (system_metrics.h).
#include "platform/gui/system_metrics.h"

#include <atomic>
#include <map>
#include <mutex>

namespace {

std::mutex& Lock() {
  static std::mutex M;
  return M;
}

std::map<int, int>& Overrides() {
  static std::map<int, int> M;
  return M;
}

// Rows per wheel notch: the classic desktop's default.
std::atomic<UINT> GWheelScrollLines{3};

}  // namespace

bool SystemParametersInfo(UINT Action, UINT Param, void* PvParam, UINT) {
  switch (Action) {
    case SPI_GETWHEELSCROLLLINES:
      if (!PvParam) return false;
      *static_cast<UINT*>(PvParam) = GWheelScrollLines;
      return true;
    case SPI_SETWHEELSCROLLLINES: GWheelScrollLines = Param; return true;
    default: return false;
  }
}

void SetSystemMetricOverride(int Index, int Value) {
  std::lock_guard<std::mutex> G(Lock());
  Overrides()[Index] = Value;
}

void ClearSystemMetricOverride(int Index) {
  std::lock_guard<std::mutex> G(Lock());
  Overrides().erase(Index);
}

bool FindSystemMetricOverride(int Index, int& Value) {
  std::lock_guard<std::mutex> G(Lock());
  auto It = Overrides().find(Index);
  if (It == Overrides().end()) return false;
  Value = It->second;
  return true;
}

TSystemMetricOverride::TSystemMetricOverride(int Index, int Value) : FIndex(Index) {
  FHadOld = FindSystemMetricOverride(Index, FOld);
  SetSystemMetricOverride(Index, Value);
}

TSystemMetricOverride::~TSystemMetricOverride() {
  if (FHadOld)
    SetSystemMetricOverride(FIndex, FOld);
  else
    ClearSystemMetricOverride(FIndex);
}
