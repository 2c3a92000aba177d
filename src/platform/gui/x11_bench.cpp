// The test bench of the X11 back end: the event log sink, the pump-until
// helper and the bench of a driver with its probe. Kept apart from Xlib,
// whose macros include one named Expose.
#include "platform/gui/x11_probe.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>

namespace {

String Pt(TPoint P) { return std::to_string(P.X) + "," + std::to_string(P.Y); }
String Rc(const TRect& R) { return Pt(R.TopLeft()) + "-" + Pt(R.BottomRight()); }
String Hw(HWND H) { return std::to_string(reinterpret_cast<std::uintptr_t>(H)); }

}  // namespace

void TX11EventLog::MouseMove(TPoint P) { FLog->push_back("move " + Pt(P)); }

void TX11EventLog::MouseButton(int B, bool Down, TPoint P) {
  FLog->push_back("button " + std::to_string(B) + (Down ? " down " : " up ") + Pt(P));
}

void TX11EventLog::MouseWheel(int Delta, TPoint P) { FLog->push_back("wheel " + std::to_string(Delta) + " " + Pt(P)); }

void TX11EventLog::Key(Word Vk, bool Down, const String& Char) {
  FLog->push_back("key " + std::to_string(Vk) + (Down ? " down [" : " up [") + Char + "]");
}

void TX11EventLog::CloseRequest(HWND H) { FLog->push_back("close " + Hw(H)); }

void TX11EventLog::Expose(HWND H, const TRect& R) { FLog->push_back("expose " + Hw(H) + " " + Rc(R)); }

void TX11EventLog::Configured(HWND H, const TRect& B) { FLog->push_back("configured " + Hw(H) + " " + Rc(B)); }

void TX11EventLog::Activated(HWND H, bool A) { FLog->push_back(String(A ? "activated " : "deactivated ") + Hw(H)); }

bool WaitUntil(const std::function<bool()>& Done, int Seconds) {
  auto End = std::chrono::steady_clock::now() + std::chrono::seconds(Seconds);
  while (std::chrono::steady_clock::now() < End) {
    if (Done()) return true;
    usleep(50000);
  }
  return Done();
}

bool X11PumpUntil(TGuiDriver& Driver, const std::function<bool()>& Done, int TimeoutMs) {
  auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(TimeoutMs);
  while (!Done()) {
    if (std::chrono::steady_clock::now() > end) return false;
    Driver.PumpEvents(20);
  }
  return true;
}

TX11DisplayLock::TX11DisplayLock(const String& DisplayName) {
  String name = DisplayName;
  if (name.empty() && std::getenv("DISPLAY")) name = std::getenv("DISPLAY");
  for (char& c : name)
    if (c == '/' || c == ':') c = '_';
  // The display is the machine's, so its lock lies in the machine's /tmp
  // whatever temp folder a test program was given.
  String path = "/tmp/mds-x11-test" + name + ".lock";
  FFd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
  if (FFd >= 0)
    while (flock(FFd, LOCK_EX) != 0 && errno == EINTR) {
    }
}

TX11DisplayLock::~TX11DisplayLock() {
  if (FFd >= 0) close(FFd);
}

TX11TestBench::TX11TestBench(const String& DisplayName) : FLock(DisplayName) {
  // A busy server may turn a connection away now and then; a display that
  // is named at all gets a few more tries.
  bool named = !DisplayName.empty() || std::getenv("DISPLAY");
  for (int i = 0; i < (named ? 10 : 1) && !Valid(); ++i) {
    if (i) std::this_thread::sleep_for(std::chrono::milliseconds(100));
    if (!FDriver) FDriver = NewX11Driver(DisplayName, std::make_unique<TX11EventLog>(FLog));
    if (FDriver && !(FProbe && FProbe->Valid())) FProbe = std::make_unique<TX11Probe>(DisplayName);
  }
}

TX11TestBench::~TX11TestBench() { FWindows.clear(); }

TNativeWindow& TX11TestBench::Open(const TRect& Bounds, TNativeKind Kind, std::uintptr_t Handle, HWND Owner) {
  FWindows.push_back(FDriver->CreateNativeWindow(reinterpret_cast<HWND>(Handle), Kind, Bounds, Owner));
  TNativeWindow& w = *FWindows.back();
  w.SetVisible(true);
  PumpUntil([&] { return FProbe->Viewable(X11WindowId(w)); });
  return w;
}

bool TX11TestBench::Logged(const String& Line) const {
  return std::find(FLog->begin(), FLog->end(), Line) != FLog->end();
}

bool TX11TestBench::WaitFor(const String& Line, int TimeoutMs) {
  return PumpUntil([&] { return Logged(Line); }, TimeoutMs);
}

std::vector<TColorRef> TX11TestBench::Grab(TNativeWindow& W, int& Width, int& Height) {
  X11Sync(*FDriver);
  return FProbe->Grab(X11WindowId(W), Width, Height);
}
