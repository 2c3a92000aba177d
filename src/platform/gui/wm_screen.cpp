// The back end in force, screen metrics, monitors and the clipboard.
#include <climits>
#include <mutex>
#include <vector>

#include "platform/rtl/charset.h"

#include "platform/gui/system_metrics.h"
#include "platform/gui/wm_internal.h"

using namespace wm;

namespace {

std::mutex& DriverMutex() {
  static std::mutex M;
  return M;
}

std::unique_ptr<TGuiDriver>& Driver() {
  static auto* D = new std::unique_ptr<TGuiDriver>;
  return *D;
}

std::vector<TMonitorInfo> Monitors() {
  std::vector<TMonitorInfo> m = GuiDriver().Monitors();
  if (m.empty()) m.push_back(TMonitorInfo{Rect(0, 0, 1280, 1024), Rect(0, 0, 1280, 1024), true});
  return m;
}

HMONITOR Primary(const std::vector<TMonitorInfo>& M) {
  for (size_t i = 0; i < M.size(); ++i)
    if (M[i].Primary) return HMONITOR(i + 1);
  return 1;
}

long long DistanceSq(const TRect& R, TPoint P) {
  long long dx = P.X < R.Left ? R.Left - P.X : P.X >= R.Right ? P.X - R.Right + 1 : 0;
  long long dy = P.Y < R.Top ? R.Top - P.Y : P.Y >= R.Bottom ? P.Y - R.Bottom + 1 : 0;
  return dx * dx + dy * dy;
}

// What to give when no monitor holds the point or rectangle.
HMONITOR Fallback(const std::vector<TMonitorInfo>& M, TPoint P, DWORD Flags) {
  if (Flags == MONITOR_DEFAULTTONULL) return 0;
  if (Flags == MONITOR_DEFAULTTOPRIMARY) return Primary(M);
  HMONITOR best = 1;
  long long bestD = LLONG_MAX;
  for (size_t i = 0; i < M.size(); ++i) {
    long long d = DistanceSq(M[i].rcMonitor, P);
    if (d < bestD) bestD = d, best = HMONITOR(i + 1);
  }
  return best;
}

}  // namespace

std::unique_ptr<TGuiDriver> SetGuiDriver(std::unique_ptr<TGuiDriver> D) {
  std::lock_guard<std::mutex> l(DriverMutex());
  std::swap(Driver(), D);
  return D;
}

TGuiDriver& GuiDriver() {
  std::lock_guard<std::mutex> l(DriverMutex());
  if (!Driver()) Driver() = NewHeadlessDriver();
  return *Driver();
}

void wm::WakeDriver() {
  std::lock_guard<std::mutex> l(DriverMutex());
  if (Driver()) Driver()->Wake();
}

int GetSystemMetrics(int Index) {
  if (int Value; FindSystemMetricOverride(Index, Value)) return Value;
  switch (Index) {
    case SM_CXSCREEN: case SM_CYSCREEN: case SM_CXFULLSCREEN: case SM_CYFULLSCREEN: {
      auto m = Monitors();
      const TMonitorInfo& p = m[Primary(m) - 1];
      if (Index == SM_CXSCREEN) return p.rcMonitor.Width();
      if (Index == SM_CYSCREEN) return p.rcMonitor.Height();
      if (Index == SM_CXFULLSCREEN) return p.rcWork.Width();
      return p.rcWork.Height() - GetSystemMetrics(SM_CYCAPTION);
    }
    case SM_CXVSCROLL: case SM_CYHSCROLL: return 17;
    case SM_CYCAPTION: return 19;
    case SM_CXBORDER: case SM_CYBORDER: return 1;
    case SM_CXDLGFRAME: case SM_CYDLGFRAME: return 3;
    case SM_CXICON: case SM_CYICON: case SM_CXCURSOR: case SM_CYCURSOR: return 32;
    case SM_CYMENU: return 19;
    case SM_CXMIN: return 112;
    case SM_CYMIN: return 27;
    case SM_CXSIZE: case SM_CYSIZE: return 18;
    case SM_CXFRAME: case SM_CYFRAME: return 4;
    case SM_CXDOUBLECLK: case SM_CYDOUBLECLK: return 4;
    case SM_CXEDGE: case SM_CYEDGE: return 2;
    case SM_CXSMICON: case SM_CYSMICON: return 16;
    case SM_CMONITORS: return GetMonitorCount();
  }
  return 0;
}

int GetMonitorCount() { return int(Monitors().size()); }

HMONITOR MonitorFromPoint(TPoint P, DWORD Flags) {
  auto m = Monitors();
  for (size_t i = 0; i < m.size(); ++i)
    if (PtInRect(m[i].rcMonitor, P)) return HMONITOR(i + 1);
  return Fallback(m, P, Flags);
}

HMONITOR MonitorFromRect(const TRect& R, DWORD Flags) {
  auto m = Monitors();
  HMONITOR best = 0;
  long long bestArea = 0;
  for (size_t i = 0; i < m.size(); ++i) {
    TRect x;
    if (!IntersectRect(x, m[i].rcMonitor, R)) continue;
    long long a = (long long)x.Width() * x.Height();
    if (a > bestArea) bestArea = a, best = HMONITOR(i + 1);
  }
  if (best) return best;
  return Fallback(m, {(R.Left + R.Right) / 2, (R.Top + R.Bottom) / 2}, Flags);
}

HMONITOR MonitorFromWindow(HWND Wnd, DWORD Flags) {
  if (!IsWindow(Wnd)) return Flags == MONITOR_DEFAULTTONULL ? 0 : MonitorFromPoint({0, 0}, MONITOR_DEFAULTTOPRIMARY);
  return MonitorFromRect(GetWindowRect(Wnd), Flags);
}

bool GetMonitorInfo(HMONITOR Monitor, TMonitorInfo& Info) {
  auto m = Monitors();
  if (Monitor < 1 || Monitor > HMONITOR(m.size())) return false;
  Info = m[size_t(Monitor - 1)];
  return true;
}

int GetScreenPixelsPerInch() { return GuiDriver().PixelsPerInch(); }

String GetClipboardText() { return GuiDriver().ClipboardText(); }

void SetClipboardText(const String& Text) { GuiDriver().SetClipboardText(Text); }

namespace {
// The process's table of registered names: the n-th name is 0xC000 + n.
UINT RegisteredNameNumber(const String& Name) {
  if (Name.empty()) return 0;
  static std::mutex Lock;
  static std::vector<String> Names;
  std::lock_guard<std::mutex> G(Lock);
  String Key = AnsiUpperCase(Name);
  for (std::size_t i = 0; i < Names.size(); ++i)
    if (Names[i] == Key) return UINT(0xC000 + i);
  Names.push_back(Key);
  return UINT(0xC000 + Names.size() - 1);
}
}  // namespace

UINT RegisterClipboardFormat(const String& Name) { return RegisteredNameNumber(Name); }

UINT RegisterWindowMessage(const String& Name) { return RegisteredNameNumber(Name); }
