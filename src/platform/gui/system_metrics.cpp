// Overrides of system metrics (system_metrics.h).
#include "platform/gui/system_metrics.h"

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

}  // namespace

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
